#include "tests/support/LinkRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <list>
#include <stdexcept>
#include <vector>

#include "tests/support/LoopbackListener.h"

namespace {

using TClock = std::chrono::steady_clock;

// The longest the thread sleeps: a stop is seen within it.
constexpr auto kSlice = std::chrono::milliseconds(20);
// Bytes read from a side and not yet passed on stop its reading there, as a
// full link would; the sender then waits, as it would for the real link.
constexpr std::size_t kMaxQueued = 16u << 20;

// Bytes read from one side, to be passed on from Due; empty: the side's end.
struct TChunk {
  TClock::time_point Due;
  std::string Bytes;
};

// One direction of a connection: what From sent, on its way to To.
struct TDirection {
  int From = -1, To = -1;
  bool FromServer = false;
  std::deque<TChunk> Queue;
  std::size_t Queued = 0;   // bytes in Queue
  std::size_t Offset = 0;   // of the first chunk, already passed on
  bool Ended = false;       // From's end read
  bool Shut = false;        // its end passed on
  bool Blocked = false;     // To took no more: wait until it can
  long Passed = 0;          // bytes passed to To
  TClock::time_point Free;  // the rate allows the next byte from then
};

struct TPair {
  int Client = -1, Server = -1;
  TDirection Up, Down;  // client to server, server to client
  bool Dead = false;
};

void SetNonBlocking(int Fd) {
  ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) | O_NONBLOCK);
  const int one = 1;
  ::setsockopt(Fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int ConnectTo(const std::string& Host, int Port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(Port));
  if (fd < 0 || ::inet_pton(AF_INET, Host.c_str(), &a.sin_addr) != 1 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (fd >= 0) ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

TLinkRelay::TLinkRelay(std::string ServerHost, int ServerPort, TLinkShape Shape)
    : FServerHost(std::move(ServerHost)), FServerPort(ServerPort), FShape(Shape) {
  FListen = ListenOnLoopback(8, FPort, "the link relay");
  FThread = std::thread([this] { Run(); });
}

TLinkRelay::~TLinkRelay() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
  ::close(FListen);
}

void TLinkRelay::Run() {
  const auto oneWay = FShape.RoundTrip / 2;
  std::list<TPair> pairs;

  // Reads what From has, to be passed on after the one-way delay.
  auto read = [&](TPair& P, TDirection& D) {
    char buf[64 * 1024];
    const ssize_t n = ::recv(D.From, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0) {
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) P.Dead = true;
      return;
    }
    const auto due = TClock::now() + oneWay;
    if (n == 0) D.Ended = true;
    D.Queue.push_back({due, std::string(buf, static_cast<std::size_t>(n))});
    D.Queued += static_cast<std::size_t>(n);
  };

  // Passes on what is due and what the rate and the byte limits allow.
  auto write = [&](TPair& P, TDirection& D) {
    D.Blocked = false;
    while (!D.Queue.empty() && !P.Dead) {
      const auto now = TClock::now();
      TChunk& c = D.Queue.front();
      if (c.Due > now) return;
      if (c.Bytes.empty()) {  // the side's end
        ::shutdown(D.To, SHUT_WR);
        D.Shut = true;
        D.Queue.pop_front();
        return;
      }
      std::size_t n = c.Bytes.size() - D.Offset;
      if (D.FromServer) {
        if (FShape.SilentAfter >= 0)
          n = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(0L, FShape.SilentAfter - D.Passed)));
        if (FShape.CloseAfter >= 0)
          n = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(0L, FShape.CloseAfter - D.Passed)));
        if (n == 0) return;  // silent
        if (FShape.BytesPerSecond > 0) {
          if (D.Free > now) return;
          // A hundredth of a second's worth at a time keeps the rate even.
          n = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(1L, FShape.BytesPerSecond / 100)));
        }
      }
      const ssize_t sent = ::send(D.To, c.Bytes.data() + D.Offset, n, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) D.Blocked = true;
        else P.Dead = true;
        return;
      }
      D.Offset += static_cast<std::size_t>(sent);
      D.Queued -= static_cast<std::size_t>(sent);
      D.Passed += sent;
      if (D.FromServer) {
        FPassed += sent;
        if (FShape.BytesPerSecond > 0)
          D.Free = std::max(D.Free, now) + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(
                                               static_cast<double>(sent) / static_cast<double>(FShape.BytesPerSecond)));
        if (FShape.CloseAfter >= 0 && D.Passed >= FShape.CloseAfter) {
          P.Dead = true;
          return;
        }
      }
      if (D.Offset == c.Bytes.size()) {
        D.Queue.pop_front();
        D.Offset = 0;
      }
    }
  };

  // The server's bytes held back for good: the link has fallen silent.
  auto silent = [&](const TDirection& D) {
    return D.FromServer && FShape.SilentAfter >= 0 && D.Passed >= FShape.SilentAfter;
  };
  // When the next queued bytes may go: the later of their delay and the rate.
  auto nextDue = [&](const TDirection& D, TClock::time_point& Wake) {
    if (D.Queue.empty() || D.Blocked || silent(D)) return;
    Wake = std::min(Wake, std::max(D.Queue.front().Due, D.FromServer ? D.Free : TClock::time_point{}));
  };

  while (!FStop) {
    std::vector<pollfd> fds{{FListen, POLLIN, 0}};
    auto wake = TClock::now() + kSlice;
    for (TPair& p : pairs) {
      for (TDirection* d : {&p.Up, &p.Down}) {
        if (!d->Ended && d->Queued < kMaxQueued) fds.push_back({d->From, POLLIN, 0});
        if (d->Blocked) fds.push_back({d->To, POLLOUT, 0});
        nextDue(*d, wake);
      }
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - TClock::now());
    ::poll(fds.data(), fds.size(), static_cast<int>(std::clamp<long>(wait.count() + 1, 0, kSlice.count())));

    if (fds[0].revents & POLLIN) {
      const int client = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) {
        const int server = ConnectTo(FServerHost, FServerPort);
        if (server < 0) {
          ::close(client);
        } else {
          SetNonBlocking(client);
          SetNonBlocking(server);
          TPair& p = pairs.emplace_back();
          p.Client = client;
          p.Server = server;
          p.Up.From = p.Down.To = client;
          p.Up.To = p.Down.From = server;
          p.Down.FromServer = true;
        }
      }
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      for (TPair& p : pairs)
        for (TDirection* d : {&p.Up, &p.Down})
          if (fds[i].events == POLLIN && d->From == fds[i].fd && !d->Ended && !p.Dead) read(p, *d);
    }
    for (TPair& p : pairs) {
      write(p, p.Up);
      write(p, p.Down);
      // Both ends passed on: nothing more can come either way.
      if (p.Up.Shut && p.Down.Shut) p.Dead = true;
    }
    pairs.remove_if([](const TPair& p) {
      if (p.Dead) {
        ::close(p.Client);
        ::close(p.Server);
      }
      return p.Dead;
    });
  }
  for (TPair& p : pairs) {
    ::close(p.Client);
    ::close(p.Server);
  }
}
