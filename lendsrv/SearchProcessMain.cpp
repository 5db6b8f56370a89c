// The search process: runs the searches the program asks for, one after
// another, over the local socket the program gives it as descriptor 3, and
// hands over the hits, each record and how the search ended as they come.
// Every byte of a server's is read and decoded here, so that nothing a server
// sends, nor any fault of the Z39.50 library on it, can end the program: only
// this process. It ends when the program closes the socket or ends.
#include <malloc.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "lendsrv/SearchWire.h"
#include "lendsrv/ZSearch.h"

namespace {

constexpr int kSocket = 3;
using TClock = std::chrono::steady_clock;
// Records go over in parts of about this size, and with each piece.
constexpr std::size_t kFlushBytes = 256 * 1024;
// With nothing else to tell for this long, the program is told the search
// goes on, so that it can tell a search process that stopped answering.
constexpr auto kAliveEvery = std::chrono::seconds(1);
// A search that fetched this much gives its memory back to the system after.
constexpr std::size_t kGiveBackAfterBytes = 1 << 20;

// Sends all of Bytes; the program gone, this process ends.
void SendAll(std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t n = ::send(kSocket, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) std::_Exit(0);
    Bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// What the search hands over, sent to the program.
class TWireSink final : public TZSearchSink {
public:
  void Answered(std::size_t Hits, std::size_t Wanted) override {
    FOut.Answered(Hits, Wanted);
    Flush();
  }
  void Record(std::string_view Bytes) override {
    FBytes += Bytes.size();
    FOut.Record(Bytes);
    if (FOut.Bytes().size() >= kFlushBytes) Flush();
  }
  void Diagnostic(const TZDiagnostic& D) override { FOut.Diagnostic(D); }
  void Handed() override { Flush(); }
  // The records go over before the fetch asks for more: whatever happens to
  // this process then, the program has them.
  void PieceTaken(bool GoesOn) override {
    if (!GoesOn) return;
    FOut.Piece();
    Flush();
  }
  // Called while the search waits for its server.
  bool Waiting() {
    if (TClock::now() - FLast >= kAliveEvery) {
      FOut.Alive();
      Flush();
    }
    return true;
  }
  void End(const TZSearchEnd& E) {
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

  TWireWriter FOut;
  TClock::time_point FLast = TClock::now();
  std::size_t FBytes = 0;
};

void RunSearch(TWireSearch S, TZSearchReuse& Reuse) {
  TWireSink sink;
  S.Params.Waiting = [&sink] { return sink.Waiting(); };
  sink.End(RunZSearch(S.Params, S.Pqf, static_cast<std::size_t>(S.Limit), sink, &Reuse));
  // A large fetch's memory, freed as the search ended, is given back, so that
  // an idle search process holds little.
  if (sink.BytesFetched() >= kGiveBackAfterBytes) malloc_trim(0);
}

}  // namespace

int main(int argc, char** argv) {
  // Ends with the program, even when the program ends without a word.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc < 2 || ::getppid() != static_cast<pid_t>(std::atol(argv[1]))) return 0;
  ::signal(SIGPIPE, SIG_IGN);
  // Nothing of the program's but the socket.
  ::close_range(kSocket + 1, ~0u, 0);

  TWireReader in;
  // What one search leaves for the next.
  TZSearchReuse reuse;
  char buf[64 * 1024];
  for (;;) {
    std::optional<TWireMessage> m;
    // The next search's connection is made while none is asked for.
    reuse.Prepare();
    while (!(m = in.Next())) {
      if (in.Damaged()) return 2;
      const ssize_t n = ::recv(kSocket, buf, sizeof buf, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return 0;  // the program has closed the socket
      in.Take(std::string_view(buf, static_cast<std::size_t>(n)));
    }
    if (m->Kind != TWireKind::Search) return 2;
    std::optional<TWireSearch> search = ReadWireSearch(m->Payload);
    if (!search) return 2;
    RunSearch(std::move(*search), reuse);
  }
}
