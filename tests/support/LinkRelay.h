#pragma once
// A loopback port between a client and a server, for tests of what a slow,
// distant or failing link does: every connection made to it is passed on to
// the server, the bytes carried each way unchanged but shaped as TLinkShape
// says. A slow link passes the server's bytes as a real one does: in whole
// segments, each once the link has carried all of it, never a smoother
// trickle. It runs on a thread of the test; every wait is bounded and the
// destructor stops it, closing every connection, so a failing test never
// leaves it running.
//
//   ZTestServer z;
//   TLinkRelay relay(ZTestServer::Host(), z.Port(), {.RoundTrip = 200ms});
//   ... connect to TLinkRelay::Host(), relay.Port() ...

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TLinkShape {
  // Each direction is delayed by half of it.
  std::chrono::milliseconds RoundTrip{0};
  // The server's bytes a second towards the client; 0: as fast as they come.
  long BytesPerSecond = 0;
  // The largest segment a slow link carries (an Ethernet segment's payload).
  std::size_t SegmentBytes = 1448;
  // Counted per connection, in the server's bytes passed to the client; -1:
  // never. After SilentAfter bytes the server's bytes are held back (the link
  // falls silent, the connection stays open); after CloseAfter bytes the
  // connection is closed both ways.
  long SilentAfter = -1;
  long CloseAfter = -1;
  // Keep the server's bytes passed to clients, for Carried().
  bool Keep = false;
};

class TLinkRelay {
public:
  // Listens at once; throws std::runtime_error when it cannot.
  TLinkRelay(std::string ServerHost, int ServerPort, TLinkShape Shape);
  ~TLinkRelay();
  TLinkRelay(const TLinkRelay&) = delete;
  TLinkRelay& operator=(const TLinkRelay&) = delete;

  static const char* Host() { return "127.0.0.1"; }
  int Port() const { return FPort; }
  // The server's bytes passed to clients so far, all connections together.
  long Passed() const { return FPassed.load(); }
  // Those bytes themselves, when the shape keeps them.
  std::string Carried() const;
  // Where each of the server's whole answers (BER elements) ends in
  // Carried(), in order: the bytes a client had been passed once that answer
  // was whole. Read for a relay that carried one connection, whose answers
  // no other connection's bytes cut into.
  std::vector<std::size_t> AnswerEnds() const;
  // The whole requests (BER elements) clients have sent through it so far.
  long Requests() const { return FRequests.load(); }

private:
  void Run();

  std::string FServerHost;
  int FServerPort;
  TLinkShape FShape;
  int FListen = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<long> FPassed{0};
  std::atomic<long> FRequests{0};
  mutable std::mutex FCarriedLock;
  std::string FCarried;
  std::thread FThread;
};
