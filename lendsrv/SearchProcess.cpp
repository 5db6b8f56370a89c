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
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "lendsrv/SearchWire.h"

extern char** environ;

// Index of this file:
//   - TSearchChild: one search process, its socket, how it ended;
//   - TSpawner: the thread that starts every search process, which lasts as
//     long as the program, so that a process ends with the program and with
//     nothing else (its death signal follows the thread that started it);
//   - TIdleChildren: the processes that finished a search well, for the next;
//   - TReceived: what a process hands over, checked;
//   - SearchInSearchProcess: one search, from the process taken to the result.
//
// A search's call flow: a process is taken (an idle one, else a fresh one,
// which is sent the messages this build speaks with the search); then the
// messages it sends are read as they come, the caller's Waiting running about
// every 50 ms and at each question whether a request may go, which is
// answered once Waiting has said go on; the search ends with the process's
// end message, with its end, with the caller giving it up, or with no
// progress for longer than the process itself would wait.

namespace {

using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The descriptor the search process finds its socket on.
constexpr int kChildSocket = 3;
constexpr auto kWaitSlice = 50ms;
// A search process that makes no progress for the search's time limit and
// this much more has stopped: a sound one ends its search with a text of its
// own by then.
constexpr auto kSilenceBeyondLimit = 10s;
// The server's bytes that count as progress, as the search process counts them.
constexpr std::uint64_t kProgressBytes = 256;
// A search asks before each request; between two records more questions than
// this are not a search's.
constexpr std::size_t kMostAsksWithoutRecords = 6;
// The most read from the socket before the caller's Waiting may run again.
constexpr std::size_t kMostReadAtOnce = 1 << 20;
// Room for one read, straight into the reader: a part of records the search
// process sends at once.
constexpr std::size_t kReadRoom = 256 * 1024;
// How long a process that closed its socket is given to end on its own.
constexpr auto kEndingGrace = 1s;
// Idle processes kept for the next searches.
constexpr std::size_t kMostIdle = 2;
constexpr int kSocketRoom = 4 << 20;

constexpr char kDamagedText[] = "The search process sent a damaged message";
constexpr char kStoppedText[] = "The search process stopped answering and was ended";

std::string ErrnoText(int Error) { return std::strerror(Error); }

bool IsExecutableFile(const std::string& Path) {
  struct stat s {};
  return ::stat(Path.c_str(), &s) == 0 && S_ISREG(s.st_mode) && ::access(Path.c_str(), X_OK) == 0;
}

// ---- TSearchChild -------------------------------------------------------------------

// One search process: its process id and the program's end of its socket.
// Destroyed, it is ended and reaped, whatever it was doing.
class TSearchChild {
public:
  // Starts one here, in the calling thread.
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
  // Another process's child (this one is a fork of the program's): left
  // alone, never ended from here.
  void Disown() { FReaped = true; }
  // It has not yet told which messages it speaks.
  bool Fresh() const { return FFresh; }
  void Matched() { FFresh = false; }
  // How it ended, once its socket closed ("ended by signal SIGSEGV
  // (Segmentation fault)", "ended with exit code 2"): it is given a moment to
  // end on its own, and ended if it does not.
  std::string EndedHow() {
    const auto until = TClock::now() + kEndingGrace;
    while (!Reap(WNOHANG) && TClock::now() < until) std::this_thread::sleep_for(5ms);
    if (!FReaped) {
      ::kill(FPid, SIGKILL);
      Reap(0);
      return "closed its connection";
    }
    if (FLost) return "ended, and how cannot be told: " + ErrnoText(FLost);
    if (WIFSIGNALED(FStatus)) {
      const int sig = WTERMSIG(FStatus);
      const char* abbrev = ::sigabbrev_np(sig);
      return "ended by signal " + (abbrev ? "SIG" + std::string(abbrev) : std::to_string(sig)) + " (" +
             ::strsignal(sig) + ")";
    }
    return "ended with exit code " + std::to_string(WEXITSTATUS(FStatus));
  }

private:
  TSearchChild(pid_t Pid, int Socket) : FPid(Pid), FSocket(Socket) {}
  // True once it has ended and is reaped, or can no longer be waited for
  // (the program's children reaped for it: FLost tells why).
  bool Reap(int Options) {
    if (FReaped) return true;
    for (;;) {
      const pid_t r = ::waitpid(FPid, &FStatus, Options);
      if (r == FPid) return FReaped = true;
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) {
        FLost = errno;
        return FReaped = true;
      }
      return false;
    }
  }

  pid_t FPid;
  int FSocket;
  int FStatus = 0;
  int FLost = 0;
  bool FReaped = false;
  bool FFresh = true;
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
  // Signals the program ignores or blocks are the process's own business.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const std::string parent = std::to_string(::getpid());
  char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(parent.c_str()), nullptr};
  pid_t pid = -1;
  const int spawned = pair[1] < 0 ? EMFILE : ::posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (pair[1] >= 0) ::close(pair[1]);
  if (spawned != 0) {
    ::close(pair[0]);
    return failed(spawned);
  }
  return std::unique_ptr<TSearchChild>(new TSearchChild(pid, pair[0]));
}

// ---- TSpawner -----------------------------------------------------------------------

// The thread every search process is started from. A process ends when the
// thread that started it ends (its parent-death signal), so that thread must
// last as long as the program: it is never joined, and ends with it.
class TSpawner {
public:
  // The program's spawner; a new one in a child the program forked, where
  // the first one's thread does not run.
  static TSpawner& Get() {
    static std::mutex lock;
    static TSpawner* spawner = nullptr;
    std::lock_guard guard(lock);
    if (!spawner || spawner->FPid != ::getpid()) spawner = new TSpawner;  // never freed: its thread runs on
    return *spawner;
  }

  std::unique_ptr<TSearchChild> Start(std::string& Error) {
    std::promise<std::unique_ptr<TSearchChild>> started;
    std::future<std::unique_ptr<TSearchChild>> child = started.get_future();
    std::string error;
    {
      std::lock_guard guard(FLock);
      FJobs.push_back([&] { started.set_value(TSearchChild::Start(error)); });
    }
    FWake.notify_one();
    std::unique_ptr<TSearchChild> c = child.get();
    if (!c) Error = std::move(error);
    return c;
  }

private:
  TSpawner() : FPid(::getpid()) {
    std::thread([this] { Run(); }).detach();
  }
  [[noreturn]] void Run() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock guard(FLock);
        FWake.wait(guard, [this] { return !FJobs.empty(); });
        job = std::move(FJobs.front());
        FJobs.pop_front();
      }
      job();
    }
  }

  pid_t FPid;
  std::mutex FLock;
  std::condition_variable FWake;
  std::deque<std::function<void()>> FJobs;
};

// ---- TIdleChildren ------------------------------------------------------------------

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
      // In a fork of the program the idle processes are the program's.
      if (FPid != ::getpid()) {
        for (std::unique_ptr<TSearchChild>& c : FIdle) c->Disown();
        FIdle.clear();
        FPid = ::getpid();
      }
      if (!FIdle.empty()) {
        std::unique_ptr<TSearchChild> c = std::move(FIdle.back());
        FIdle.pop_back();
        return c;
      }
    }
    return TSpawner::Get().Start(Error);
  }
  void GiveBack(std::unique_ptr<TSearchChild> C) {
    std::lock_guard lock(FLock);
    if (FIdle.size() < kMostIdle) FIdle.push_back(std::move(C));
  }

private:
  std::mutex FLock;
  pid_t FPid = ::getpid();
  std::vector<std::unique_ptr<TSearchChild>> FIdle;
};

TIdleChildren& IdleChildren() {
  static TIdleChildren idle;
  return idle;
}

// ---- TReceived ----------------------------------------------------------------------

// The hits, records and end as the search process hands them over, checked:
// nothing it sends is believed past what a search can hand over, and only
// what a search does counts as its progress.
class TReceived {
public:
  enum class TTaken {
    Damaged,   // out of place, or not what its kind holds
    Taken,     // no progress
    Progress,  // hits, a record, more of the server's bytes
    Asked,     // the search is to send a request: the program's word is awaited
  };

  TReceived(TZResultBuilder& Builder, std::size_t Limit, const std::function<void(std::size_t)>& Answered)
      : FBuilder(Builder), FLimit(Limit), FAnsweredCallback(Answered) {}

  TTaken Take(const TWireMessage& M) {
    switch (M.Kind) {
      case TWireKind::Answered: {
        std::size_t hits = 0, wanted = 0;
        if (FAnswered || !ReadWireAnswered(M.Payload, hits, wanted) || wanted > FLimit) return TTaken::Damaged;
        FAnswered = true;
        FWanted = wanted;
        FBuilder.Answered(hits, wanted);
        if (FAnsweredCallback) FAnsweredCallback(hits);
        return Progressed();
      }
      case TWireKind::Record:
        if (!FAnswered || FTaken == FWanted) return TTaken::Damaged;
        ++FTaken;
        FBuilder.Record(M.Payload);
        return Progressed();
      case TWireKind::Diagnostic: {
        TZDiagnostic d;
        if (!FAnswered || FTaken == FWanted || !ReadWireDiagnostic(M.Payload, d)) return TTaken::Damaged;
        ++FTaken;
        FBuilder.Diagnostic(d);
        return Progressed();
      }
      case TWireKind::Ask:
        if (!M.Payload.empty() || ++FAsks > kMostAsksWithoutRecords) return TTaken::Damaged;
        return TTaken::Asked;
      case TWireKind::Alive: {
        std::uint64_t bytes = 0;
        if (!ReadWireAlive(M.Payload, bytes) || bytes < FServerBytes) return TTaken::Damaged;
        FServerBytes = bytes;
        if (bytes - FProgressBytes < kProgressBytes) return TTaken::Taken;
        FProgressBytes = bytes;
        return TTaken::Progress;
      }
      case TWireKind::End: {
        TZSearchEnd e;
        // Only the program gives a search up.
        if (!ReadWireEnd(M.Payload, e) || e.Stage == TZSearchEnd::TStage::GivenUp ||
            (e.Stage == TZSearchEnd::TStage::Fetched && !FAnswered))
          return TTaken::Damaged;
        FEnd = std::move(e);
        return TTaken::Taken;
      }
      default: return TTaken::Damaged;
    }
  }
  // How the search ended, once the process told.
  std::optional<TZSearchEnd>& End() { return FEnd; }
  // It ended well: every record fetched, nothing broken off.
  bool EndedWell() const {
    return FEnd && FEnd->Stage == TZSearchEnd::TStage::Fetched && FEnd->Why.empty() && FTaken == FWanted;
  }
  // The search broken off here, for Why.
  TZSearchEnd Broken(std::string Why) const {
    return {FAnswered ? TZSearchEnd::TStage::Fetched : TZSearchEnd::TStage::Failed, std::move(Why)};
  }

private:
  TTaken Progressed() {
    FAsks = 0;
    return TTaken::Progress;
  }

  TZResultBuilder& FBuilder;
  std::size_t FLimit;
  const std::function<void(std::size_t)>& FAnsweredCallback;
  bool FAnswered = false;
  std::size_t FWanted = 0, FTaken = 0, FAsks = 0;
  std::uint64_t FServerBytes = 0, FProgressBytes = 0;
  std::optional<TZSearchEnd> FEnd;
};

// ---- One search ---------------------------------------------------------------------

std::string NotMatchingText(const std::string& How) {
  std::string text = "The search process does not match the program: " + SearchProcessPath();
  if (!How.empty()) text += " " + How;
  return text;
}

// A search process taken for the search and sent it: an idle one, tried in
// turn (one may have ended since), else a fresh one, told first which
// messages this build speaks.
std::unique_ptr<TSearchChild> SendSearch(const TWireSearch& Search, std::string& Error) {
  TWireWriter hello, search;
  hello.Hello();
  search.Search(Search);
  const std::string fresh = hello.Bytes() + search.Bytes();
  Error = "The search process cannot be reached";
  for (std::size_t attempt = 0; attempt <= kMostIdle + 1; ++attempt) {
    std::unique_ptr<TSearchChild> child = IdleChildren().Take(Error);
    if (!child) return nullptr;
    if (WireSend(child->Socket(), child->Fresh() ? fresh : search.Bytes())) return child;
  }
  return nullptr;
}

TZSearchResult Converse(const TZConnectionParams& P, const std::string& Pqf, std::size_t Limit,
                        TZResultBuilder& Builder, std::unique_ptr<TSearchChild>& Child) {
  TWireSearch request;
  request.Params = P;
  request.Params.Waiting = nullptr;
  request.Params.Answered = nullptr;
  request.Params.MaySend = nullptr;
  request.Pqf = Pqf;
  request.Limit = Limit;
  std::string error;
  Child = SendSearch(request, error);
  if (!Child) return Builder.Finish({TZSearchEnd::TStage::Failed, error});

  TReceived received(Builder, Limit, P.Answered);
  auto broken = [&](const std::string& Why) {
    Child.reset();
    return Builder.Finish(received.Broken(Why));
  };
  TWireReader in;
  // The search's progress, its time limit and the caller's time aside.
  const auto silenceLimit = std::chrono::seconds(std::max(1, P.TimeoutSeconds)) + kSilenceBeyondLimit;
  auto lastProgress = TClock::now(), lastWait = TClock::now();
  // The caller's Waiting, whose time is no silence of the process's. False:
  // the search is given up, and its process ended at once.
  auto goesOn = [&] {
    if (!P.Waiting) return true;
    const auto before = TClock::now();
    const bool on = P.Waiting();
    lastWait = TClock::now();
    lastProgress += lastWait - before;
    return on;
  };
  auto givenUp = [&] {
    Child.reset();
    return Builder.Finish({TZSearchEnd::TStage::GivenUp, {}});
  };
  TWireWriter go;
  go.Go();
  // The socket is read once the poll finds it ready, or at once again while
  // what came is being taken in parts.
  bool readNow = false;
  for (;;) {
    if (!readNow) {
      pollfd p{Child->Socket(), POLLIN, 0};
      const auto untilWait =
          std::max<TClock::duration>(lastWait + kWaitSlice - TClock::now(), TClock::duration::zero());
      ::poll(&p, 1, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(untilWait).count()) + 1);
    }
    // What came, and whether the process has closed its socket.
    bool closed = false;
    std::size_t read = 0;
    while (read < kMostReadAtOnce) {
      const ssize_t n = ::recv(Child->Socket(), in.Room(kReadRoom), kReadRoom, MSG_DONTWAIT);
      if (n > 0) {
        in.Took(static_cast<std::size_t>(n));
        read += static_cast<std::size_t>(n);
        // A read short of the room took what there was.
        if (static_cast<std::size_t>(n) < kReadRoom) break;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
      break;
    }
    while (std::optional<TWireMessage> m = in.Next()) {
      if (Child->Fresh()) {
        // A fresh process's first word is which messages it speaks.
        if (m->Kind != TWireKind::Hello || !SpeaksThisWire(m->Payload)) return broken(NotMatchingText({}));
        Child->Matched();
        continue;
      }
      switch (received.Take(*m)) {
        case TReceived::TTaken::Damaged: return broken(kDamagedText);
        case TReceived::TTaken::Taken: break;
        case TReceived::TTaken::Progress: lastProgress = TClock::now(); break;
        case TReceived::TTaken::Asked: {
          // The request goes once the caller has had its say. A process that
          // cannot be told is found out by its end.
          lastProgress = TClock::now();
          if (!goesOn()) return givenUp();
          WireSend(Child->Socket(), go.Bytes());
          break;
        }
      }
      if (std::optional<TZSearchEnd>& end = received.End()) {
        if (received.EndedWell()) IdleChildren().GiveBack(std::move(Child));
        else Child.reset();
        return Builder.Finish(std::move(*end));
      }
    }
    if (in.Damaged()) return broken(Child->Fresh() ? NotMatchingText({}) : kDamagedText);
    // Everything it sent is taken: the records handed over stand.
    if (closed) {
      const std::string how = Child->EndedHow();
      return broken(Child->Fresh() ? NotMatchingText("(it " + how + ")") : "The search process " + how);
    }
    // The caller's windows run about every 50 ms.
    if (TClock::now() - lastWait >= kWaitSlice && !goesOn()) return givenUp();
    if (TClock::now() - lastProgress > silenceLimit) return broken(kStoppedText);
    readNow = read >= kMostReadAtOnce;
  }
}

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

TZSearchResult SearchInSearchProcess(const TZConnectionParams& P, const std::string& Pqf, std::size_t Limit) {
  TZResultBuilder builder(ExpectsIso2709(P.Syntax));
  Limit = std::min<std::size_t>(Limit, 1u << 30);
  std::unique_ptr<TSearchChild> child;
  try {
    return Converse(P, Pqf, Limit, builder, child);
  } catch (const std::bad_alloc&) {
  }
  // Out of memory: the process goes, and the records handed over stand.
  child.reset();
  try {
    return builder.Finish(
        {builder.IsAnswered() ? TZSearchEnd::TStage::Fetched : TZSearchEnd::TStage::Failed, OutOfMemoryText});
  } catch (const std::bad_alloc&) {
    TZSearchResult failed;
    failed.Error = OutOfMemoryText;
    return failed;
  }
}
