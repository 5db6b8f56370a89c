#pragma once
// A relay between a program and an X server, on a display number of its own:
// every byte goes through both ways as it comes, until the test holds back what
// the program sends on each of its connections but the first one. What is held
// reaches the server only once the test lets it go.
//
// Requests a program sends on two connections reach the server in whichever
// order it reads them: on a busy machine the later one may come first. The
// relay makes that order certain. SDL's X11 driver shows its windows on the
// connection it opens first; the others (its second one, the program's own
// clipboard connection) are the ones held.
//
//   TXRelay relay;
//   ASSERT_TRUE(relay.Start(server.Display()));   // the program is started on relay.Display()
//   relay.Hold();      // from now on only the first connection reaches the server
//   relay.Release();   // what was held goes on, in its order
//
// It can also hold back what a program asks right after it has asked the
// server about a window's place in the tree (its parent), so that the test
// changes the tree between that question and the next one:
//
//   relay.HoldAfterTreeQueryOf(window);
//   WaitFor([&] { return relay.HoldsAfterTreeQuery(); });   // the program has its answer, and waits
//   ... reparent the window, destroy its old parent ...
//   relay.ReleaseTreeQueryHold();

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <list>
#include <string>
#include <thread>
#include <vector>

class TXRelay {
public:
  TXRelay() = default;
  ~TXRelay() { Stop(); }
  TXRelay(const TXRelay&) = delete;
  TXRelay& operator=(const TXRelay&) = delete;

  // Listens on a free display number for connections to ServerDisplay (":N",
  // a local server). False when no number could be had.
  bool Start(const std::string& ServerDisplay) {
    FServerPath = "/tmp/.X11-unix/X" + ServerDisplay.substr(1);
    if (pipe2(FWake, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    for (int n = 200 + getpid() % 100, tries = 0; tries < 50; ++n, ++tries) {
      const std::string path = "/tmp/.X11-unix/X" + std::to_string(n);
      if (std::filesystem::exists(path) || std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
      // The abstract name first: Xlib tries it before the file, and taking it
      // claims the number.
      const int abstractFd = Listen(path, true);
      if (abstractFd < 0) continue;
      const int pathFd = Listen(path, false);
      if (pathFd < 0) {
        close(abstractFd);
        continue;
      }
      FListeners = {abstractFd, pathFd};
      FPath = path;
      FDisplay = ":" + std::to_string(n);
      FThread = std::thread([this] { Run(); });
      return true;
    }
    return false;
  }

  void Stop() {
    if (FThread.joinable()) {
      FStop = true;
      Wake();
      FThread.join();
    }
    for (int fd : FListeners) close(fd);
    FListeners.clear();
    if (!FPath.empty()) unlink(FPath.c_str());
    FPath.clear();
    for (int& fd : FWake)
      if (fd >= 0) {
        close(fd);
        fd = -1;
      }
  }

  const std::string& Display() const { return FDisplay; }

  void Hold() {
    FHold = true;
    Wake();
  }
  void Release() {
    FHold = false;
    Wake();
  }

  // The next QueryTree request for Window, on any connection, goes to the
  // server; whatever that connection sends after it is held until
  // ReleaseTreeQueryHold.
  void HoldAfterTreeQueryOf(uint32_t Window) { Watch(Window); }
  // Whether the program has sent something after that request, and so has
  // had the server's answer to it: Xlib waits for the answer before it goes on.
  bool HoldsAfterTreeQuery() const {
    const uint64_t watch = FWatch;
    return uint32_t(watch) != 0 && FQueried == watch;
  }
  void ReleaseTreeQueryHold() { Watch(0); }

private:
  struct TConnection {
    int Client = -1, Server = -1;
    std::string ToServer, ToClient;
    bool ClientEnded = false, ServerEnded = false;
    bool Held = false;
    // Where in ToServer the next request begins (the connection's set-up
    // first), and up to where ToServer may go while a tree query holds it.
    size_t NextRequest = 0;
    bool SetUpSeen = false, BigEndian = false;
    size_t HeldFrom = std::string::npos;
    uint64_t HeldFor = 0;  // the watch that held it
  };

  // A watch is the watched window in the low half and a count of the watches
  // set in the high half, so that a hold never outlives its own watch.
  void Watch(uint32_t Window) {
    const uint64_t count = (FWatch >> 32) + 1;
    FWatch = count << 32 | Window;
    Wake();
  }

  static constexpr uint8_t kQueryTree = 15;

  static uint32_t Card(const TConnection& C, size_t At, int Bytes) {
    uint32_t v = 0;
    for (int i = 0; i < Bytes; ++i) {
      const uint32_t b = uint8_t(C.ToServer[At + size_t(i)]);
      v |= C.BigEndian ? b << (8 * (Bytes - 1 - i)) : b << (8 * i);
    }
    return v;
  }

  // Walks the requests that have come whole; a query of the tree of the
  // window Current watches holds back what follows it.
  static void ScanRequests(TConnection& C, uint64_t Current) {
    if (C.HeldFor != Current) C.HeldFrom = std::string::npos;
    const uint32_t watched = uint32_t(Current);
    while (true) {
      const size_t at = C.NextRequest, have = C.ToServer.size();
      if (!C.SetUpSeen) {
        if (have < at + 12) return;
        C.BigEndian = C.ToServer[at] == 'B';
        const auto padded = [](uint32_t n) { return (n + 3) / 4 * 4; };
        C.NextRequest = at + 12 + padded(Card(C, at + 6, 2)) + padded(Card(C, at + 8, 2));
        C.SetUpSeen = true;
        continue;
      }
      if (have < at + 4) return;
      size_t length = size_t(Card(C, at + 2, 2)) * 4;
      if (length == 0) {  // BIG-REQUESTS: the length follows the header
        if (have < at + 8) return;
        length = size_t(Card(C, at + 4, 4)) * 4;
      }
      if (length < 4 || have < at + length) return;
      if (watched && C.HeldFrom == std::string::npos && uint8_t(C.ToServer[at]) == kQueryTree && length >= 8 &&
          Card(C, at + 4, 4) == watched) {
        C.HeldFrom = at + length;
        C.HeldFor = Current;
      }
      C.NextRequest = at + length;
    }
  }

  static int Listen(const std::string& Path, bool Abstract) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path + (Abstract ? 1 : 0), Path.data(), Path.size());
    const socklen_t len = socklen_t(offsetof(sockaddr_un, sun_path) + Path.size() + (Abstract ? 1 : 0));
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(fd, 16) != 0) {
      close(fd);
      return -1;
    }
    return fd;
  }

  int ConnectToServer() const {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, FServerPath.data(), FServerPath.size());
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      close(fd);
      return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
  }

  void Wake() {
    const char b = 1;
    const ssize_t written = FWake[1] >= 0 ? write(FWake[1], &b, 1) : 0;
    (void)written;  // a full pipe wakes the relay as well
  }

  // Reads what From has into To; false once From has ended or failed.
  static bool ReadInto(int From, std::string& To) {
    char buf[65536];
    while (true) {
      const ssize_t n = read(From, buf, sizeof buf);
      if (n > 0) {
        To.append(buf, size_t(n));
        continue;
      }
      return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
  }
  // Writes what it can of the first Limit bytes of From to To, and says how
  // many it wrote in Written; false when To has gone.
  static bool WriteFrom(std::string& From, int To, size_t Limit = std::string::npos, size_t* Written = nullptr) {
    size_t written = 0;
    bool open = true;
    while (written < Limit && !From.empty()) {
      const ssize_t n = send(To, From.data(), std::min(Limit - written, From.size()), MSG_NOSIGNAL);
      if (n > 0) {
        From.erase(0, size_t(n));
        written += size_t(n);
        continue;
      }
      open = n < 0 && (errno == EAGAIN || errno == EINTR);
      break;
    }
    if (Written) *Written = written;
    return open;
  }

  // How much of what the program sent may go to the server now: whole
  // requests only while it may send more, so that each one can still be read
  // here, and none after a held tree query.
  static size_t Passable(const TConnection& C) {
    if (C.Held) return 0;
    return std::min({C.ToServer.size(), C.ClientEnded ? C.ToServer.size() : C.NextRequest, C.HeldFrom});
  }

  void Run() {
    std::list<TConnection> connections;
    bool holding = false;
    while (!FStop) {
      if (FHold != holding) {
        holding = FHold;
        // The first connection still open goes on; every other one is held.
        bool first = true;
        for (TConnection& c : connections) {
          c.Held = holding && !first;
          first = false;
        }
      }
      std::vector<pollfd> fds{{FWake[0], POLLIN, 0}};
      for (int fd : FListeners) fds.push_back({fd, POLLIN, 0});
      for (TConnection& c : connections) ScanRequests(c, FWatch);
      for (const TConnection& c : connections) {
        short client = 0, server = 0;
        if (!c.ClientEnded) client |= POLLIN;
        if (!c.ToClient.empty()) client |= POLLOUT;
        if (!c.ServerEnded) server |= POLLIN;
        if (Passable(c) > 0) server |= POLLOUT;
        fds.push_back({c.Client, client, 0});
        fds.push_back({c.Server, server, 0});
      }
      if (poll(fds.data(), fds.size(), 1000) < 0 && errno != EINTR) break;
      char drain[64];
      while (read(FWake[0], drain, sizeof drain) > 0) {
      }
      for (size_t i = 0; i < FListeners.size(); ++i)
        if (fds[1 + i].revents & POLLIN)
          while (true) {
            const int client = accept4(FListeners[i], nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0) break;
            const int server = ConnectToServer();
            if (server < 0) {
              close(client);
              continue;
            }
            TConnection c;
            c.Client = client;
            c.Server = server;
            c.Held = holding && !connections.empty();
            connections.push_back(std::move(c));
          }
      // Every connection passes on what it can; one whose side has gone, with
      // nothing left for the other side, is closed.
      for (auto it = connections.begin(); it != connections.end();) {
        TConnection& c = *it;
        if (!c.ClientEnded) c.ClientEnded = !ReadInto(c.Client, c.ToServer);
        if (!c.ServerEnded) c.ServerEnded = !ReadInto(c.Server, c.ToClient);
        ScanRequests(c, FWatch);
        if (c.HeldFrom != std::string::npos && c.ToServer.size() > c.HeldFrom) FQueried = c.HeldFor;
        size_t sent = 0;
        const bool serverOpen = WriteFrom(c.ToServer, c.Server, Passable(c), &sent);
        c.NextRequest -= sent;
        if (c.HeldFrom != std::string::npos) c.HeldFrom -= sent;
        if (!serverOpen) {
          c.ServerEnded = true;
          c.ToServer.clear();
        }
        if (!WriteFrom(c.ToClient, c.Client)) {
          c.ClientEnded = true;
          c.ToClient.clear();
        }
        const bool clientDone = c.ClientEnded && c.ToServer.empty();
        const bool serverDone = c.ServerEnded && c.ToClient.empty();
        if (clientDone || serverDone) {
          close(c.Client);
          close(c.Server);
          it = connections.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (TConnection& c : connections) {
      close(c.Client);
      close(c.Server);
    }
  }

  std::string FServerPath, FPath, FDisplay;
  std::vector<int> FListeners;
  int FWake[2] = {-1, -1};
  std::atomic<bool> FHold{false}, FStop{false};
  std::atomic<uint64_t> FWatch{0}, FQueried{0};
  std::thread FThread;
};
