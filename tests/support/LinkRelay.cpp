#include "tests/support/LinkRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <yaz/odr.h>

#include <algorithm>
#include <climits>
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
  std::size_t Queued = 0;  // bytes in Queue
  std::size_t Offset = 0;  // of the first chunk, already taken into a segment
  bool Ended = false;      // From's end read
  bool Shut = false;       // its end passed on
  bool Blocked = false;    // To took no more: wait until it can
  long Taken = 0;          // bytes taken into segments
  long Passed = 0;         // bytes passed to To
  // The segment on the link: passed on from Due, once the link carried it.
  std::string Segment;
  std::size_t SegmentSent = 0;
  TClock::time_point SegmentDue;
  bool InFlight = false;
  TClock::time_point Free;  // the link is busy until then
  std::string Requests;     // client to server: the request not yet whole
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

std::string TLinkRelay::Carried() const {
  std::lock_guard lock(FCarriedLock);
  return FCarried;
}

std::vector<std::size_t> TLinkRelay::AnswerEnds() const {
  const std::string carried = Carried();
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; at < carried.size();) {
    const int whole =
        completeBER(carried.data() + at, static_cast<int>(std::min<std::size_t>(carried.size() - at, INT_MAX)));
    if (whole <= 0) break;
    at += static_cast<std::size_t>(whole);
    ends.push_back(at);
  }
  return ends;
}

void TLinkRelay::Run() {
  const auto oneWay = FShape.RoundTrip / 2;
  const bool slow = FShape.BytesPerSecond > 0;
  std::list<TPair> pairs;

  // Reads what From has, to be passed on after the one-way delay; counts the
  // client's whole requests.
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
    if (D.FromServer) return;
    D.Requests.append(buf, static_cast<std::size_t>(n));
    for (int whole; (whole = completeBER(D.Requests.data(),
                                         static_cast<int>(std::min<std::size_t>(D.Requests.size(), INT_MAX)))) > 0;) {
      ++FRequests;
      D.Requests.erase(0, static_cast<std::size_t>(whole));
    }
  };

  // How many more of the server's bytes may be taken before the link falls
  // silent or closes.
  auto allowed = [&](const TDirection& D) {
    long most = LONG_MAX;
    if (D.FromServer && FShape.SilentAfter >= 0) most = std::min(most, FShape.SilentAfter - D.Taken);
    if (D.FromServer && FShape.CloseAfter >= 0) most = std::min(most, FShape.CloseAfter - D.Taken);
    return static_cast<std::size_t>(std::max(0L, most));
  };

  // Takes the next segment off the queue: as much as is due, up to a segment
  // on a slow link, carried from when the link is free and the bytes are due.
  auto takeSegment = [&](TDirection& D, TClock::time_point Now) {
    const bool shaped = D.FromServer && slow;
    const std::size_t most = std::min(shaped ? FShape.SegmentBytes : std::size_t(64 * 1024), allowed(D));
    const TClock::time_point ready = D.Queue.front().Due;
    D.Segment.clear();
    while (D.Segment.size() < most && !D.Queue.empty() && D.Queue.front().Due <= Now &&
           !D.Queue.front().Bytes.empty()) {
      TChunk& c = D.Queue.front();
      const std::size_t n = std::min(most - D.Segment.size(), c.Bytes.size() - D.Offset);
      D.Segment.append(c.Bytes, D.Offset, n);
      D.Offset += n;
      D.Queued -= n;
      if (D.Offset == c.Bytes.size()) {
        D.Queue.pop_front();
        D.Offset = 0;
      }
    }
    if (D.Segment.empty()) return;
    D.Taken += static_cast<long>(D.Segment.size());
    D.SegmentSent = 0;
    D.InFlight = true;
    D.SegmentDue = Now;
    if (shaped) {
      D.SegmentDue = std::max(D.Free, ready) +
                     std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(
                         static_cast<double>(D.Segment.size()) / static_cast<double>(FShape.BytesPerSecond)));
      D.Free = D.SegmentDue;
    }
  };

  // Passes on the segment that is due, and takes the next.
  auto write = [&](TPair& P, TDirection& D) {
    D.Blocked = false;
    while (!P.Dead) {
      const auto now = TClock::now();
      if (D.InFlight) {
        if (D.SegmentDue > now) return;
        const ssize_t sent = ::send(D.To, D.Segment.data() + D.SegmentSent, D.Segment.size() - D.SegmentSent,
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
          if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) D.Blocked = true;
          else P.Dead = true;
          return;
        }
        if (D.FromServer) {
          FPassed += sent;
          if (FShape.Keep) {
            std::lock_guard lock(FCarriedLock);
            FCarried.append(D.Segment, D.SegmentSent, static_cast<std::size_t>(sent));
          }
        }
        D.SegmentSent += static_cast<std::size_t>(sent);
        D.Passed += sent;
        if (D.SegmentSent < D.Segment.size()) {
          D.Blocked = true;
          return;
        }
        D.InFlight = false;
        if (D.FromServer && FShape.CloseAfter >= 0 && D.Passed >= FShape.CloseAfter) {
          P.Dead = true;
          return;
        }
        continue;
      }
      if (D.Queue.empty() || D.Queue.front().Due > now) return;
      if (D.Queue.front().Bytes.empty()) {  // the side's end
        ::shutdown(D.To, SHUT_WR);
        D.Shut = true;
        D.Queue.pop_front();
        return;
      }
      takeSegment(D, now);
      if (!D.InFlight) return;  // silent
    }
  };

  // When the next bytes may go: the segment on the link, or the queued bytes.
  auto nextDue = [&](const TDirection& D, TClock::time_point& Wake) {
    if (D.Blocked) return;
    if (D.InFlight) Wake = std::min(Wake, D.SegmentDue);
    else if (!D.Queue.empty() && allowed(D) > 0) Wake = std::min(Wake, D.Queue.front().Due);
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
