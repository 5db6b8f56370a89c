// Runs one whole search, the tap and ZOOM's connection together, against a
// Z39.50 server on loopback that this target runs on a thread of its own and
// that sends what the input says (SearchScript.h), and checks what a search
// promises whatever a server sends:
//   - a failure has a text, and so has a fetch that delivered fewer records
//     than min(hits, limit);
//   - the search ends within its time limit and a margin: the limit ends only
//     a stretch in which next to nothing comes, and this server either closes
//     or answers at once;
//   - the requests it sends stay bounded by its record limit: one
//     initialisation, one search, one present the library may send after the
//     search by itself, one present per piece of at least one record, and one
//     more;
//   - every record delivered is bytes the server sent, unchanged;
//   - its connection is closed when it returns.
// A violation is told on stderr and ends the process with abort(), which
// libFuzzer reports as a crash. With FUZZ_SEARCH_TELL set in the environment
// each search is told on stderr in a line, for running starting inputs by hand.

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <yaz/odr.h>
#include <yaz/proto.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "fuzz/SearchScript.h"
#include "lendsrv/ZSearch.h"
#include "tests/support/LoopbackListener.h"

namespace {

using namespace fuzz_search;
using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// No connection of the server outlives this, whatever the search does.
constexpr auto kServerLifetime = 10s;
// A send the client does not read for this long is given up.
constexpr auto kSendLimit = 2s;
// The most pauses between pieces in one search, each long enough for the
// client to read a piece before the next comes: a search of many pieces
// stays quick.
constexpr unsigned kMostPauses = 20;
// The bytes sent that are kept for the records' check; past it the check is skipped.
constexpr std::size_t kMostKept = 1u << 20;
// The requests' kinds kept for a report.
constexpr std::size_t kMostKindsKept = 80;
// After the search returned, the longest wait for its connection to close.
constexpr auto kCloseWait = 5s;
// The margin past the time limit: a search that ends later has waited more
// than one limit or waited without cause.
constexpr auto kLimitMargin = 1500ms;

// What the server saw of one search.
struct TOutcome {
  unsigned Requests = 0;
  std::string Kinds;  // a letter a request: i s p (init, search, present), c (close), o (other), ? (undecodable)
  unsigned Connections = 0;
  std::string Sent;      // every byte sent, in order, over all connections
  bool SentKept = true;  // false when Sent passed kMostKept and was dropped
};

// One request's kind, as its letter in TOutcome::Kinds.
char RequestLetter(std::string_view Request) {
  std::string copy(Request);  // the decoder takes a writable buffer
  ODR o = odr_createmem(ODR_DECODE);
  odr_setbuf(o, copy.data(), static_cast<int>(copy.size()), 0);
  Z_APDU* apdu = nullptr;
  char letter = '?';
  if (z_APDU(o, &apdu, 0, nullptr) && apdu) {
    switch (apdu->which) {
      case Z_APDU_initRequest: letter = 'i'; break;
      case Z_APDU_searchRequest: letter = 's'; break;
      case Z_APDU_presentRequest: letter = 'p'; break;
      case Z_APDU_close: letter = 'c'; break;
      default: letter = 'o'; break;
    }
  }
  odr_destroy(o);
  return letter;
}

// One search's connections, served as the script says.
class TSession {
public:
  explicit TSession(const TScript& S) : FS(S), FUsed(S.Segments.size(), false) {}

  // Serves until Done is set and every connection has been closed by the
  // client. DoneFd becomes readable when Done is set.
  TOutcome Run(int Listen, int DoneFd, const std::atomic<bool>& Done) {
    const auto end = TClock::now() + kServerLifetime;
    for (;;) {
      std::vector<pollfd> fds{{Listen, POLLIN, 0}, {DoneFd, POLLIN, 0}};
      for (const TLink& l : FLinks) fds.push_back({l.Fd, POLLIN, 0});
      ::poll(fds.data(), fds.size(), 10);
      if (fds[0].revents & POLLIN) Take(Listen);
      for (std::size_t i = 2; i < fds.size(); ++i)
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) Read(FLinks[i - 2]);
      const auto now = TClock::now();
      for (TLink& l : FLinks)
        if (!l.Shut && now - l.Active >= std::chrono::milliseconds(kIdleMs)) Shut(l);
      std::erase_if(FLinks, [](const TLink& l) {
        if (l.Ended) Close(l.Fd);
        return l.Ended;
      });
      if (now >= end) break;
      if (Done && FLinks.empty()) {
        pollfd p{Listen, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) break;
      }
    }
    for (const TLink& l : FLinks) Close(l.Fd);
    return std::move(FOut);
  }

private:
  struct TLink {
    int Fd = -1;
    std::string In;
    bool Shut = false;   // closed our way
    bool Ended = false;  // the client closed
    TClock::time_point Active;
    std::string Open;  // the bytes sent since the last whole answer
  };

  // Closed with a reset: the client has closed already (or outlived the
  // server's patience), and where it closed first its end is then not left
  // waiting out its time, which a fast run of searches would pile up.
  static void Close(int Fd) {
    const linger now{1, 0};
    ::setsockopt(Fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    ::close(Fd);
  }

  void Take(int Listen) {
    for (;;) {
      const int fd = ::accept4(Listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;
      const int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      ++FOut.Connections;
      FLinks.push_back(TLink{fd, {}, false, false, TClock::now(), {}});
      TLink& l = FLinks.back();
      for (std::size_t i = 0; i < FS.Segments.size(); ++i)
        if (!FUsed[i] && FS.Segments[i].Kind == TKind::Connect) SendSegment(l, i);
      if (!FS.Repeat && AllUsed()) Shut(l);
    }
  }

  void Read(TLink& L) {
    char buf[16 * 1024];
    for (;;) {
      const ssize_t n = ::recv(L.Fd, buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0) {
        L.In.append(buf, static_cast<std::size_t>(n));
        L.Active = TClock::now();
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) L.Ended = true;
      break;
    }
    for (;;) {
      const int whole = completeBER(L.In.data(), static_cast<int>(L.In.size()));
      if (whole == 0) break;
      if (whole < 0) {  // no request can be framed in what is left
        Request(L, '?');
        L.In.clear();
        break;
      }
      const char letter = RequestLetter(std::string_view(L.In).substr(0, static_cast<std::size_t>(whole)));
      L.In.erase(0, static_cast<std::size_t>(whole));
      Request(L, letter);
    }
  }

  void Request(TLink& L, char Letter) {
    ++FOut.Requests;
    if (FOut.Kinds.size() < kMostKindsKept) FOut.Kinds += Letter;
    if (L.Shut) return;
    std::optional<TKind> kind;
    if (Letter == 'i') kind = TKind::Init;
    if (Letter == 's') kind = TKind::Search;
    if (Letter == 'p') kind = TKind::Present;
    std::size_t next = FS.Segments.size();
    for (std::size_t i = 0; kind && i < FS.Segments.size() && next == FS.Segments.size(); ++i)
      if (!FUsed[i] && FS.Segments[i].Kind == *kind) next = i;
    const std::size_t sentBefore = FSentBytes;
    if (next < FS.Segments.size()) SendSegment(L, next);
    else if (FS.Repeat && FLast && FRepeats < kMostRepeats) {
      ++FRepeats;
      SendBytes(L, FS.Segments[*FLast].Bytes);
    } else Shut(L);
    if (!FS.Repeat && AllUsed()) Shut(L);
    // Nothing in answer, or an answer left open: the client waits, and no
    // request of its can bring the rest. Closed at once, not after kIdleMs.
    if (FSentBytes == sentBefore || !L.Open.empty()) Shut(L);
  }

  bool AllUsed() const {
    for (bool u : FUsed)
      if (!u) return false;
    return true;
  }

  void SendSegment(TLink& L, std::size_t Index) {
    FUsed[Index] = true;
    FLast = Index;
    const TSegment& g = FS.Segments[Index];
    std::size_t at = 0;
    for (std::size_t n : PieceSizes(g)) {
      SendBytes(L, g.Bytes.substr(at, n));
      at += n;
      if (g.Pause && FPauses < kMostPauses) {
        ++FPauses;
        std::this_thread::sleep_for(200us);
      }
    }
  }

  // Sends B whole, reading what the client sends meanwhile: a client that
  // writes while it does not read must not stop both ends.
  void SendBytes(TLink& L, std::string_view B) {
    const auto end = TClock::now() + kSendLimit;
    while (!B.empty() && !L.Shut) {
      const ssize_t n = ::send(L.Fd, B.data(), B.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        FSentBytes += static_cast<std::size_t>(n);
        Kept(B.substr(0, static_cast<std::size_t>(n)));
        Framed(L, B.substr(0, static_cast<std::size_t>(n)));
        B.remove_prefix(static_cast<std::size_t>(n));
        L.Active = TClock::now();
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && TClock::now() < end) {
        pollfd p{L.Fd, POLLOUT | POLLIN, 0};
        ::poll(&p, 1, 10);
        if (p.revents & POLLIN) {
          char buf[16 * 1024];
          const ssize_t r = ::recv(L.Fd, buf, sizeof buf, MSG_DONTWAIT);
          if (r > 0) L.In.append(buf, static_cast<std::size_t>(r));
        }
        continue;
      }
      Shut(L);  // the client is gone, or reads nothing
    }
  }

  // Follows the answers sent as the client frames them.
  static void Framed(TLink& L, std::string_view B) {
    L.Open += B;
    for (;;) {
      const int whole = completeBER(L.Open.data(), static_cast<int>(L.Open.size()));
      if (whole == 0) return;
      if (whole < 0) {  // no answer: the client's reading stops here
        L.Open.clear();
        return;
      }
      L.Open.erase(0, static_cast<std::size_t>(whole));
    }
  }

  void Kept(std::string_view B) {
    if (!FOut.SentKept) return;
    if (FOut.Sent.size() + B.size() > kMostKept) {
      FOut.SentKept = false;
      FOut.Sent.clear();
      return;
    }
    FOut.Sent += B;
  }

  void Shut(TLink& L) {
    if (L.Shut) return;
    ::shutdown(L.Fd, SHUT_WR);
    L.Shut = true;
  }

  const TScript& FS;
  std::vector<bool> FUsed;
  std::optional<std::size_t> FLast;  // the segment sent last
  unsigned FRepeats = 0;
  std::size_t FSentBytes = 0;
  unsigned FPauses = 0;
  std::vector<TLink> FLinks;
  TOutcome FOut;
};

// The server: listens on a loopback port chosen once, and serves one search's
// script at a time on a thread of its own.
class TScriptServer {
public:
  TScriptServer() {
    try {
      FListen = ListenOnLoopback(16, FPort, "fuzz_search's loopback server");
    } catch (const std::runtime_error& e) {
      std::fprintf(stderr, "%s\n", e.what());
      std::abort();
    }
    ::fcntl(FListen, F_SETFL, ::fcntl(FListen, F_GETFL) | O_NONBLOCK);
    FDoneFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (FDoneFd < 0) {
      std::fprintf(stderr, "fuzz_search: no event descriptor for the loopback server\n");
      std::abort();
    }
    FThread = std::thread([this] { Loop(); });
  }
  ~TScriptServer() {
    {
      std::lock_guard l(FLock);
      FQuit = true;
    }
    FWake.notify_all();
    FThread.join();
    ::close(FListen);
    ::close(FDoneFd);
  }
  TScriptServer(const TScriptServer&) = delete;
  TScriptServer& operator=(const TScriptServer&) = delete;

  int Port() const { return FPort; }

  // Serves S from now on, until End. S must outlive End.
  void Begin(const TScript& S) {
    {
      std::lock_guard l(FLock);
      eventfd_t told = 0;
      (void)::eventfd_read(FDoneFd, &told);  // the search before's end, told already
      FScript = &S;
      FFinished = false;
      FDone = false;
    }
    FWake.notify_all();
  }

  // The search has returned: what the server saw, once every connection of
  // the search has been closed; unset when one stays open past Wait.
  std::optional<TOutcome> End(TClock::duration Wait) {
    FDone = true;
    // Wakes the server now rather than at the end of its wait's slice: every
    // search would otherwise cost that slice.
    (void)::eventfd_write(FDoneFd, 1);
    std::unique_lock l(FLock);
    if (!FWake.wait_for(l, Wait, [this] { return FFinished; })) return std::nullopt;
    return std::move(FOutcome);
  }

private:
  void Loop() {
    for (;;) {
      const TScript* script = nullptr;
      {
        std::unique_lock l(FLock);
        FWake.wait(l, [this] { return FQuit || (FScript && !FFinished); });
        if (FQuit) return;
        script = FScript;
      }
      TOutcome out = TSession(*script).Run(FListen, FDoneFd, FDone);
      {
        std::lock_guard l(FLock);
        FOutcome = std::move(out);
        FFinished = true;
        FScript = nullptr;
      }
      FWake.notify_all();
    }
  }

  int FListen = -1;
  int FPort = 0;
  int FDoneFd = -1;
  std::mutex FLock;
  std::condition_variable FWake;
  const TScript* FScript = nullptr;
  bool FFinished = false;
  bool FQuit = false;
  std::atomic<bool> FDone{false};
  TOutcome FOutcome;
  std::thread FThread;
};

TScriptServer& Server() {
  static TScriptServer server;
  return server;
}

// The fewest pieces Records can be cut into that each appear in Sent, counted
// up to Most + 1. The longest prefix found is taken each time: every prefix of
// a piece that appears appears too, so that is the fewest.
std::size_t PiecesIn(std::string_view Records, std::string_view Sent, std::size_t Most) {
  std::size_t pieces = 0;
  while (!Records.empty() && pieces <= Most) {
    ++pieces;
    std::size_t found = 0, notFound = Records.size() + 1;
    while (notFound - found > 1) {
      const std::size_t mid = found + (notFound - found) / 2;
      if (Sent.find(Records.substr(0, mid)) != std::string_view::npos) found = mid;
      else notFound = mid;
    }
    if (found == 0) return Most + 1;
    Records.remove_prefix(found);
  }
  return pieces;
}

std::string Shown(std::string_view Text, std::size_t Most = 300) {
  return Text.size() <= Most ? std::string(Text) : std::string(Text.substr(0, Most)) + "...";
}

// Whether the server sent a record in a structured syntax (Explain, OPAC,
// summary, GRS-1, a task package), which the search delivers as the
// library renders it rather than as the bytes sent.
bool MayBeRendered(std::string_view Sent) {
  static const std::string_view kZ3950Syntax("\x2A\x86\x48\xCE\x13\x05", 6);
  for (std::size_t at = Sent.find(kZ3950Syntax); at != std::string_view::npos; at = Sent.find(kZ3950Syntax, at + 1)) {
    if (at + kZ3950Syntax.size() >= Sent.size()) break;
    const auto arc = static_cast<unsigned char>(Sent[at + kZ3950Syntax.size()]);
    if (arc >= 100 && arc <= 106 && arc != 101 && arc != 104) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool tell = std::getenv("FUZZ_SEARCH_TELL") != nullptr;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const TScript script = ReadScript(input);
  TScriptServer& server = Server();

  TZConnectionParams p;
  p.Host = "127.0.0.1";
  p.Port = server.Port();
  p.Database = "Default";
  p.Syntax = script.Syntax;
  p.TimeoutSeconds = 1;
  p.Waiting = [] { return true; };
  p.Answered = [](std::size_t) {};

  server.Begin(script);
  const auto start = TClock::now();
  const TZSearchResult r = ZSearch(p, "@attr 1=4 \"a\"", script.Limit);
  const auto took = TClock::now() - start;
  const std::optional<TOutcome> seen = server.End(kCloseWait);

  const double seconds = std::chrono::duration<double>(took).count();
  auto told = [&] {
    char line[256];
    std::snprintf(line, sizeof line, "limit %zu syntax '%s': Ok %d, hits %zu, delivered %zu (%zu bytes), %.3f s; ",
                  script.Limit, script.Syntax, r.Ok ? 1 : 0, r.Hits, r.Delivered, r.Records.size(), seconds);
    std::string s = line;
    if (seen)
      s += "server: " + std::to_string(seen->Requests) + " requests [" + seen->Kinds + "], " +
           std::to_string(seen->Connections) + " connections; ";
    return s + "error: \"" + Shown(r.Error) + "\"";
  };
  if (tell) std::fprintf(stderr, "fuzz_search: %s\n", told().c_str());

  std::string faults;
  auto fault = [&faults](const std::string& What) { faults += "fuzz_search: " + What + "\n"; };
  if (!r.Ok && r.Error.empty()) fault("a failure without a text");
  if (r.Ok && r.Delivered < std::min(r.Hits, script.Limit) && r.Error.empty())
    fault("fewer records than min(hits, limit) without a text");
  if (took >= std::chrono::seconds(p.TimeoutSeconds) + kLimitMargin)
    fault("the search ran past its time limit and the margin: " + std::to_string(seconds) + " s");
  if (!seen) fault("the search's connection stayed open after it returned");
  if (seen && seen->Requests > script.Limit + 4)
    fault("the search sent " + std::to_string(seen->Requests) + " requests for a limit of " +
          std::to_string(script.Limit));
  if (seen && seen->SentKept && !MayBeRendered(seen->Sent) &&
      PiecesIn(r.Records, seen->Sent, r.Delivered) > r.Delivered)
    fault("the records delivered are not bytes the server sent: " + std::to_string(r.Delivered) + " records, " +
          std::to_string(r.Records.size()) + " bytes");
  if (!faults.empty()) {
    std::fprintf(stderr, "%sfuzz_search: %s\n", faults.c_str(), told().c_str());
    std::abort();
  }
  return 0;
}
