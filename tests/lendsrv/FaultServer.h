#pragma once
// A Z39.50 server on a loopback port for fault tests, run on a thread of the
// test itself. It answers in one of two ways:
//   - Trickle: after the connection opens it sends one byte every interval,
//     the start of an answer that never completes, as a failing link does;
//   - Records: it answers the init and the search as a server should and
//     delivers the given records, byte for byte as given, damaged or not, as
//     octet-aligned USMARC records.
// Every wait of the server is bounded, and the destructor stops it, so a
// failing test never leaves it running.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// An ISO 2709 record with the given fields (tag, data without terminator),
// for the fault server to deliver.
std::string MarcRecord(const std::vector<std::pair<std::string, std::string>>& Fields);

class TZFaultServer {
public:
  // A server that trickles one byte every Interval.
  static std::unique_ptr<TZFaultServer> Trickle(std::chrono::milliseconds Interval);
  // A server that finds Records.size() hits for any query and delivers Records.
  static std::unique_ptr<TZFaultServer> Records(std::vector<std::string> Records);

  ~TZFaultServer();
  TZFaultServer(const TZFaultServer&) = delete;
  TZFaultServer& operator=(const TZFaultServer&) = delete;

  static const char* Host() { return "127.0.0.1"; }
  int Port() const { return FPort; }
  // Bytes sent by the server so far.
  long Sent() const { return FSent.load(); }

private:
  enum class TMode { Trickle, Records };
  TZFaultServer(TMode Mode, std::chrono::milliseconds Interval, std::vector<std::string> Records);
  void Serve();
  void ServeConnection(int Fd);

  TMode FMode;
  std::chrono::milliseconds FInterval;
  std::vector<std::string> FRecords;
  int FListen = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<long> FSent{0};
  std::thread FThread;
};
