// The search process: runs the searches the program asks for, one after
// another, over the local socket the program gives it as descriptor 3, and
// hands over the hits, each record and how the search ended as they come.
// Every byte of a server's is read and decoded here, so that nothing a server
// sends, nor any fault of the Z39.50 library on it, can end the program: only
// this process. Before each request a search sends its server, it asks the
// program and waits for its word: a search the program gives up asks nothing
// more, and no signal ever holds this process. It ends when the program
// closes the socket or ends.
//
// First of all it tells the program which messages it speaks, and ends when
// the program speaks others.
#include <dirent.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "lendsrv/SearchWire.h"
#include "lendsrv/ZSearch.h"

namespace {

constexpr int kSocket = 3;
using TClock = std::chrono::steady_clock;
// Records go over in parts of about this size, and before each request.
constexpr std::size_t kFlushBytes = 256 * 1024;
// With nothing else to tell for this long, the program is told how many of
// the server's bytes have come, which is how it tells a search that goes on
// from one that stopped.
constexpr auto kAliveEvery = std::chrono::seconds(1);
// A search that fetched this much gives its memory back to the system once no
// search has followed it for a while: the searches of a run that follow at
// once reuse it rather than take every page afresh.
constexpr std::size_t kGiveBackAfterBytes = 1 << 20;
constexpr int kGiveBackWhenIdleMs = 1000;
// Exit codes: the program spoke messages this build does not.
constexpr int kExitOtherWire = 2;

// Closes every descriptor but the standard ones and the socket: the program's
// files, sockets and pipes are none of this process's. close_range is not in
// every kernel; the descriptors open are then listed, or tried one by one.
void CloseInherited() {
  if (::close_range(kSocket + 1, ~0u, 0) == 0) return;
  if (DIR* fds = ::opendir("/proc/self/fd")) {
    const int own = ::dirfd(fds);
    std::vector<int> open;
    while (const dirent* e = ::readdir(fds)) {
      const int fd = std::atoi(e->d_name);
      if (e->d_name[0] != '.' && fd > kSocket && fd != own) open.push_back(fd);
    }
    ::closedir(fds);
    for (const int fd : open) ::close(fd);
    return;
  }
  rlimit limit{};
  const long most = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                        ? static_cast<long>(limit.rlim_cur)
                        : 65536;
  for (long fd = kSocket + 1; fd < most; ++fd) ::close(static_cast<int>(fd));
}

// Sends all of Bytes; the program gone, this process ends.
void SendAll(std::string_view Bytes) {
  if (!WireSend(kSocket, Bytes)) std::_Exit(0);
}

// The program's messages, as they come.
class TProgramMessages {
public:
  // Nothing has come for Ms milliseconds.
  bool Quiet(int Ms) {
    if (FIn.Holds()) return false;
    pollfd p{kSocket, POLLIN, 0};
    return ::poll(&p, 1, Ms) == 0;
  }
  // The next whole message, waiting for it; the program gone, this process
  // ends; damaged, it ends with kExitOtherWire.
  TWireMessage Next() {
    for (;;) {
      if (std::optional<TWireMessage> m = FIn.Next()) return *m;
      if (FIn.Damaged()) std::_Exit(kExitOtherWire);
      const ssize_t n = ::recv(kSocket, FBuffer, sizeof FBuffer, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) std::_Exit(0);  // the program has closed the socket
      FIn.Take(std::string_view(FBuffer, static_cast<std::size_t>(n)));
    }
  }

private:
  TWireReader FIn;
  char FBuffer[64 * 1024];
};

// What the search hands over, sent to the program, and the program's word
// before each request.
class TProgramLink final : public TZSearchSink {
public:
  explicit TProgramLink(TProgramMessages& In) : FIn(In) {}

  // The hits go with the records when they came together, else before the
  // search waits again (Handed).
  void Answered(std::size_t Hits, std::size_t Wanted) override { FOut.Answered(Hits, Wanted); }
  void Record(std::string_view Bytes) override {
    FBytes += Bytes.size();
    FOut.Record(Bytes);
    if (FOut.Bytes().size() >= kFlushBytes) Flush();
  }
  void Diagnostic(const TZDiagnostic& D) override { FOut.Diagnostic(D); }
  // What is to be handed over goes before the search waits again: whatever
  // happens to this process then, the program has it.
  void Handed() override {
    if (!FOut.Bytes().empty()) Flush();
  }
  void ServerBytes(std::size_t Bytes) override { FServerBytes += Bytes; }
  // Asks the program whether the next request may go, with the records so
  // far; it answers once its caller has had its say, or ends this process.
  bool MaySend() {
    FOut.Ask();
    Flush();
    const TWireMessage m = FIn.Next();
    if (m.Kind != TWireKind::Go || !m.Payload.empty()) std::_Exit(kExitOtherWire);
    return true;
  }
  // Called while the search waits for its server.
  bool Waiting() {
    if (TClock::now() - FLast >= kAliveEvery) {
      FOut.Alive(FServerBytes);
      Flush();
    }
    return true;
  }
  // A fetch's end goes as soon as it is known: the program need not wait
  // for the connection to be let go.
  void Ended(const TZSearchEnd& E) override {
    End(E);
    FEnded = true;
  }
  void End(const TZSearchEnd& E) {
    if (std::exchange(FEnded, false)) return;
    FOut.End(E);
    Flush();
  }
  std::size_t BytesFetched() const { return FBytes; }

private:
  void Flush() {
    SendAll(FOut.Bytes());
    FOut.Clear();
    FLast = TClock::now();
  }

  TProgramMessages& FIn;
  TWireWriter FOut;
  TClock::time_point FLast = TClock::now();
  std::size_t FBytes = 0;
  std::uint64_t FServerBytes = 0;
  bool FEnded = false;
};

// Runs a search; true when it fetched enough to give memory back after.
bool RunSearch(TWireSearch S, TProgramMessages& In, TZSearchReuse& Reuse) {
  TProgramLink link(In);
  S.Params.Waiting = [&link] { return link.Waiting(); };
  S.Params.MaySend = [&link] { return link.MaySend(); };
  link.End(RunZSearch(S.Params, S.Pqf, static_cast<std::size_t>(S.Limit), link, &Reuse));
  return link.BytesFetched() >= kGiveBackAfterBytes;
}

}  // namespace

int main(int argc, char** argv) {
  // Ends with the program, even when the program ends without a word: the
  // program starts its search processes from a thread that lasts as long as
  // it does.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc < 2 || ::getppid() != static_cast<pid_t>(std::atol(argv[1]))) return 0;
  ::signal(SIGPIPE, SIG_IGN);
  // Nothing of the program's but the socket.
  CloseInherited();

  // Which messages this build speaks, told first; the program's must be the same.
  TWireWriter hello;
  hello.Hello();
  SendAll(hello.Bytes());
  TProgramMessages in;
  const TWireMessage theirs = in.Next();
  if (theirs.Kind != TWireKind::Hello || !SpeaksThisWire(theirs.Payload)) return kExitOtherWire;

  // What one search leaves for the next.
  TZSearchReuse reuse;
  bool giveBack = false;
  for (;;) {
    // The next search's connection is made while none is asked for.
    reuse.Prepare();
    // A large fetch's memory, freed as the search ended, is given back once
    // no search has come for a while, so that an idle search process holds
    // little.
    if (std::exchange(giveBack, false) && in.Quiet(kGiveBackWhenIdleMs)) malloc_trim(0);
    const TWireMessage m = in.Next();
    if (m.Kind != TWireKind::Search) return kExitOtherWire;
    std::optional<TWireSearch> search = ReadWireSearch(m.Payload);
    if (!search) return kExitOtherWire;
    giveBack = RunSearch(std::move(*search), in, reuse);
  }
}
