#pragma once
// A Z39.50 server on a loopback port for fault tests, run on a thread of the
// test itself, also reached through a local socket (UnixHost). It answers in
// one of five ways:
//   - Trickle: after the connection opens it sends one byte every interval,
//     the start of an answer that never completes, as a failing link does;
//   - Answers: it answers the first request with the given bytes and closes
//     the connection, as a service that is not Z39.50 may;
//   - Greets: it sends the given bytes as soon as the connection opens and
//     closes it, as another service's greeting does;
//   - Scripted: it sends the given bytes as soon as the connection is taken
//     (when there are any), answers the init as a server should or with the
//     first of the given answers, then each request after it with the next,
//     byte for byte, and after the last falls silent, closes the connection,
//     or answers every request after with the last again;
//   - Records: it answers the init and the search as a server should and
//     delivers the given records, byte for byte as given, damaged or not, as
//     octet-aligned USMARC records; TFaultRecordsShape makes it report other
//     hits than it has records, give a few records a present, or never answer
//     a present.
// Every wait of the server is bounded, and the destructor stops it, so a
// failing test never leaves it running.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/MarcRecord.h"

// What a Scripted server sends.
struct TFaultScript {
  std::string AtConnect;             // sent as soon as the connection is taken
  std::vector<std::string> Answers;  // the answers to the requests, in turn
  bool AnswerInit = true;            // the init gets a sound answer, the script's answers start after it
  enum class TAfter { Silent, Close, RepeatLast };
  TAfter After = TAfter::Silent;  // once the answers run out
};

// How a Records server departs from a sound one.
struct TFaultRecordsShape {
  // The hit count its search answers report (negative: a damaged answer);
  // unset: the number of records. A present past the last record is answered
  // with the records there are, none at all past it.
  std::optional<long long> Hits{};
  // At most this many records in one present answer; 0: all asked for.
  std::size_t MostPerPresent = 0;
  // Presents are read and never answered: the link stays open and silent once
  // the search is answered.
  bool SilentOnPresent = false;
  // A present that finds no record is answered without a list of records,
  // which Z39.50 makes optional, instead of with an empty list.
  bool NoEmptyList = false;
};

class TZFaultServer {
public:
  // A server that trickles one byte every Interval.
  static std::unique_ptr<TZFaultServer> Trickle(std::chrono::milliseconds Interval);
  // A server that finds Records.size() hits for any query and delivers Records.
  static std::unique_ptr<TZFaultServer> Records(std::vector<std::string> Records, TFaultRecordsShape Shape = {});
  // A server that answers the first request of a connection with Bytes and
  // then closes it.
  static std::unique_ptr<TZFaultServer> Answers(std::string Bytes);
  // A server that sends Bytes as soon as a connection opens, then closes it.
  static std::unique_ptr<TZFaultServer> Greets(std::string Bytes);
  // A server that answers the init, then the requests after it with
  // Answers in turn; CloseAfter: it closes the connection after the last,
  // else it leaves it open and silent.
  static std::unique_ptr<TZFaultServer> Scripted(std::vector<std::string> Answers, bool CloseAfter);
  static std::unique_ptr<TZFaultServer> Scripted(TFaultScript Script);

  ~TZFaultServer();
  TZFaultServer(const TZFaultServer&) = delete;
  TZFaultServer& operator=(const TZFaultServer&) = delete;

  static const char* Host() { return "127.0.0.1"; }
  int Port() const { return FPort; }
  // The same server through a local socket, as ZOOM names it: "unix:/path".
  std::string UnixHost() const { return "unix:" + FUnixPath; }
  // Bytes sent by the server so far.
  long Sent() const { return FSent.load(); }
  // Present requests it has read so far.
  long Presents() const { return FPresents.load(); }
  // Requests of any kind it has read so far.
  long Requests() const { return FRequests.load(); }
  // The first record (1-based) each of them asked for, in order.
  std::vector<long> PresentStarts() const;

private:
  enum class TMode { Trickle, Records, Answers, Greets, Scripted };
  TZFaultServer(TMode Mode, std::chrono::milliseconds Interval, std::vector<std::string> Records,
                TFaultRecordsShape Shape, TFaultScript Script = {});
  void Serve();
  void ServeConnection(int Fd);

  TMode FMode;
  std::chrono::milliseconds FInterval;
  std::vector<std::string> FRecords;
  TFaultRecordsShape FShape;
  TFaultScript FScript;
  int FListen = -1;
  int FPort = 0;
  int FUnixListen = -1;
  std::string FUnixPath;
  std::atomic<bool> FStop{false};
  std::atomic<long> FSent{0};
  std::atomic<long> FPresents{0};
  std::atomic<long> FRequests{0};
  mutable std::mutex FStartsLock;
  std::vector<long> FPresentStarts;
  std::thread FThread;
};
