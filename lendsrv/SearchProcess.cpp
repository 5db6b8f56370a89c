#include "lendsrv/SearchProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "lendsrv/SearchWire.h"

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The descriptor the search process finds its socket on.
constexpr int kChildSocket = 3;
constexpr auto kWaitSlice = 50ms;
// A search process that says nothing for the search's time limit and this
// much more is taken to have stopped answering.
constexpr auto kSilenceBeyondLimit = 30s;
// The most read from the socket before the caller's Waiting may run again.
constexpr std::size_t kMostReadAtOnce = 1 << 20;
// How long a process that closed its socket is given to end on its own.
constexpr auto kEndingGrace = 1s;
// Idle processes kept for the next searches.
constexpr std::size_t kMostIdle = 2;
constexpr int kSocketRoom = 4 << 20;

std::string ErrnoText(int Error) { return std::strerror(Error); }

bool IsExecutableFile(const std::string& Path) {
  struct stat s {};
  return ::stat(Path.c_str(), &s) == 0 && S_ISREG(s.st_mode) && ::access(Path.c_str(), X_OK) == 0;
}

// One search process: its process id and the program's end of its socket.
// Destroyed, it is ended and reaped, whatever it was doing.
class TSearchChild {
public:
  static std::unique_ptr<TSearchChild> Start(std::string& Error);
  ~TSearchChild() {
    if (FSocket >= 0) ::close(FSocket);
    if (!FReaped) {
      ::kill(FPid, SIGKILL);
      Reap(0);
    }
  }
  TSearchChild(const TSearchChild&) = delete;
  TSearchChild& operator=(const TSearchChild&) = delete;

  int Socket() const { return FSocket; }
  // Holds it where it is, and lets it go on: while the caller decides
  // whether to go on, the search asks the server for nothing more.
  void Hold() { ::kill(FPid, SIGSTOP); }
  void Release() { ::kill(FPid, SIGCONT); }
  // How it ended, once its socket closed: it is given a moment to end on its
  // own, and ended if it does not.
  std::string EndedHow() {
    const auto until = TClock::now() + kEndingGrace;
    while (!Reap(WNOHANG) && TClock::now() < until) std::this_thread::sleep_for(5ms);
    if (!FReaped) {
      ::kill(FPid, SIGKILL);
      Reap(0);
      return "The search process closed its connection";
    }
    if (WIFSIGNALED(FStatus)) {
      const int sig = WTERMSIG(FStatus);
      const char* abbrev = ::sigabbrev_np(sig);
      return "The search process ended by signal " + (abbrev ? "SIG" + std::string(abbrev) : std::to_string(sig)) +
             " (" + ::strsignal(sig) + ")";
    }
    return "The search process ended with exit code " + std::to_string(WEXITSTATUS(FStatus));
  }

private:
  TSearchChild(pid_t Pid, int Socket) : FPid(Pid), FSocket(Socket) {}
  // True once it has ended and is reaped.
  bool Reap(int Options) {
    if (FReaped) return true;
    for (;;) {
      const pid_t r = ::waitpid(FPid, &FStatus, Options);
      if (r == FPid) return FReaped = true;
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return FReaped = true;  // not ours to wait for any more
      return false;
    }
  }

  pid_t FPid;
  int FSocket;
  int FStatus = 0;
  bool FReaped = false;
};

std::unique_ptr<TSearchChild> TSearchChild::Start(std::string& Error) {
  const std::string path = SearchProcessPath();
  auto failed = [&](int Code) {
    Error = "The search process cannot be started: " + path + ": " + ErrnoText(Code);
    return nullptr;
  };
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return failed(errno);
  // Room for a piece of records on the way, so that the search process goes
  // on fetching while this one takes the records it sent.
  for (const int end : pair) ::setsockopt(end, SOL_SOCKET, SO_SNDBUF, &kSocketRoom, sizeof kSocketRoom);
  // The child's end is given as kChildSocket; were it that number already, the
  // duplication would leave it closed on exec.
  if (pair[1] == kChildSocket) {
    const int moved = ::fcntl(pair[1], F_DUPFD_CLOEXEC, kChildSocket + 1);
    ::close(pair[1]);
    pair[1] = moved;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pair[1], kChildSocket);
  const std::string parent = std::to_string(::getpid());
  char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(parent.c_str()), nullptr};
  pid_t pid = -1;
  const int spawned = pair[1] < 0 ? EMFILE : ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pair[1] >= 0) ::close(pair[1]);
  if (spawned != 0) {
    ::close(pair[0]);
    return failed(spawned);
  }
  return std::unique_ptr<TSearchChild>(new TSearchChild(pid, pair[0]));
}

// The search processes that finished their searches well, for the next
// searches; shared by every search server object, as the processes of a
// local automation server are.
class TIdleChildren {
public:
  // An idle process, else a new one. One that ended while idle is found out
  // when the search is sent to it, and another taken.
  std::unique_ptr<TSearchChild> Take(std::string& Error) {
    {
      std::lock_guard lock(FLock);
      if (!FIdle.empty()) {
        std::unique_ptr<TSearchChild> c = std::move(FIdle.back());
        FIdle.pop_back();
        return c;
      }
    }
    return TSearchChild::Start(Error);
  }
  void GiveBack(std::unique_ptr<TSearchChild> C) {
    std::lock_guard lock(FLock);
    if (FIdle.size() < kMostIdle) FIdle.push_back(std::move(C));
  }

private:
  std::mutex FLock;
  std::vector<std::unique_ptr<TSearchChild>> FIdle;
};

TIdleChildren& IdleChildren() {
  static TIdleChildren idle;
  return idle;
}

bool SendAll(int Socket, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t n = ::send(Socket, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    Bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The hits, records and end as the search process hands them over, checked:
// nothing it sends is believed past what a search can hand over.
class TReceived {
public:
  TReceived(TZResultBuilder& Builder, std::size_t Limit, const std::function<void(std::size_t)>& Answered)
      : FBuilder(Builder), FLimit(Limit), FAnsweredCallback(Answered) {}

  // Takes one message; false when it is damaged or out of place.
  bool Take(const TWireMessage& M) {
    switch (M.Kind) {
      case TWireKind::Answered: {
        std::size_t hits = 0, wanted = 0;
        if (FAnswered || !ReadWireAnswered(M.Payload, hits, wanted) || wanted > FLimit) return false;
        FAnswered = true;
        FWanted = wanted;
        FBuilder.Answered(hits, wanted);
        if (FAnsweredCallback) FAnsweredCallback(hits);
        return true;
      }
      case TWireKind::Record:
        if (!FAnswered || FTaken == FWanted) return false;
        ++FTaken;
        FBuilder.Record(M.Payload);
        return true;
      case TWireKind::Diagnostic: {
        TZDiagnostic d;
        if (!FAnswered || FTaken == FWanted || !ReadWireDiagnostic(M.Payload, d)) return false;
        ++FTaken;
        FBuilder.Diagnostic(d);
        return true;
      }
      case TWireKind::Piece: FPieceTaken = true; return M.Payload.empty() && FAnswered;
      case TWireKind::Alive: return M.Payload.empty();
      case TWireKind::End: {
        TZSearchEnd e;
        if (!ReadWireEnd(M.Payload, e) || (e.Stage == TZSearchEnd::TStage::Fetched && !FAnswered)) return false;
        FEnd = std::move(e);
        return true;
      }
      default: return false;
    }
  }
  bool Answered() const { return FAnswered; }
  // A piece of records came whole since the last call.
  bool PieceTaken() { return std::exchange(FPieceTaken, false); }
  // How the search ended, once the process told.
  std::optional<TZSearchEnd>& End() { return FEnd; }
  // The search broken off here, for Why.
  TZSearchEnd Broken(std::string Why) const {
    return {FAnswered ? TZSearchEnd::TStage::Fetched : TZSearchEnd::TStage::Failed, std::move(Why)};
  }

private:
  TZResultBuilder& FBuilder;
  std::size_t FLimit;
  const std::function<void(std::size_t)>& FAnsweredCallback;
  bool FAnswered = false, FPieceTaken = false;
  std::size_t FWanted = 0, FTaken = 0;
  std::optional<TZSearchEnd> FEnd;
};

}  // namespace

std::string SearchProcessPath() {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::string beside;
  if (n > 0) {
    const std::string exe(self, static_cast<std::size_t>(n));
    beside = exe.substr(0, exe.rfind('/') + 1) + "lendsrv";
    if (IsExecutableFile(beside)) return beside;
  }
#ifdef LENDSRV_BUILT_PROCESS
  if (IsExecutableFile(LENDSRV_BUILT_PROCESS)) return LENDSRV_BUILT_PROCESS;
#endif
  return beside.empty() ? std::string("lendsrv") : beside;
}

TZSearchResult SearchInProcess(const TZConnectionParams& P, const std::string& Pqf, std::size_t Limit) {
  TZResultBuilder builder(ExpectsIso2709(P.Syntax));
  Limit = std::min<std::size_t>(Limit, 1u << 30);
  TWireWriter out;
  TWireSearch request{P, Pqf, Limit};
  request.Params.Waiting = nullptr;
  request.Params.Answered = nullptr;
  out.Search(request);

  // A process left idle may have ended since: the idle ones are tried in
  // turn, then a fresh one.
  std::unique_ptr<TSearchChild> child;
  std::string error = "The search process cannot be reached";
  for (std::size_t attempt = 0; attempt <= kMostIdle + 1 && !child; ++attempt) {
    child = IdleChildren().Take(error);
    if (!child) return builder.Finish({TZSearchEnd::TStage::Failed, error});
    if (!SendAll(child->Socket(), out.Bytes())) child.reset();
  }
  if (!child) return builder.Finish({TZSearchEnd::TStage::Failed, error});

  TReceived received(builder, Limit, P.Answered);
  TWireReader in;
  const auto silenceLimit = std::chrono::seconds(std::max(1, P.TimeoutSeconds)) + kSilenceBeyondLimit;
  auto lastWord = TClock::now(), lastWait = TClock::now();
  char buf[64 * 1024];
  // The socket is read once the poll finds it ready, or at once again while
  // what came is being taken in parts.
  bool readNow = false;
  for (;;) {
    if (!readNow) {
      pollfd p{child->Socket(), POLLIN, 0};
      const auto untilWait =
          std::max<TClock::duration>(lastWait + kWaitSlice - TClock::now(), TClock::duration::zero());
      ::poll(&p, 1, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(untilWait).count()) + 1);
    }
    // What came, and whether the process has closed its socket.
    bool closed = false;
    std::size_t read = 0;
    while (read < kMostReadAtOnce) {
      const ssize_t n = ::recv(child->Socket(), buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0) {
        in.Take(std::string_view(buf, static_cast<std::size_t>(n)));
        read += static_cast<std::size_t>(n);
        // A read short of the room took what there was.
        if (static_cast<std::size_t>(n) < sizeof buf) break;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
      break;
    }
    if (read > 0) lastWord = TClock::now();
    // The messages that came, up to the end of a piece, after which the
    // caller's windows run before the rest is taken.
    bool more = false;
    while (std::optional<TWireMessage> m = in.Next()) {
      if (!received.Take(*m)) {
        child.reset();
        return builder.Finish(received.Broken("The search process sent a damaged message"));
      }
      if (std::optional<TZSearchEnd>& end = received.End()) {
        IdleChildren().GiveBack(std::move(child));
        return builder.Finish(std::move(*end));
      }
      if (m->Kind == TWireKind::Piece) {
        more = true;
        break;
      }
    }
    if (in.Damaged()) {
      child.reset();
      return builder.Finish(received.Broken("The search process sent a damaged message"));
    }
    // Everything it sent is taken: the records handed over stand.
    if (closed && !more) return builder.Finish(received.Broken(child->EndedHow()));
    // The caller's windows run about every 50 ms, and between two pieces of
    // records.
    const auto now = TClock::now();
    if (P.Waiting && (received.PieceTaken() || now - lastWait >= kWaitSlice)) {
      child->Hold();
      if (!P.Waiting()) return builder.Finish({TZSearchEnd::TStage::GivenUp, {}});
      child->Release();
      // The time it was held is no silence of its own.
      lastWait = TClock::now();
      lastWord += lastWait - now;
    }
    if (now - lastWord > silenceLimit) {
      child.reset();
      return builder.Finish(received.Broken("The search process stopped answering and was ended"));
    }
    readNow = more || read >= kMostReadAtOnce;
  }
}
