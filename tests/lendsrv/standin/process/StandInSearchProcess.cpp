// A search process that stands in for the real one beside the tests that put
// it there, and misbehaves as the search's term tells it to ("records:3",
// "exit:3", ...): the program must take whatever a search process does. It
// speaks the program's messages with the program's own writer.
//
// Terms, each the text between the query's quotes:
//   records:N  N records, each "<pid>:<i>", then a sound end
//   slow:N     the same, 20 ms between two records
//   fail       a failed search ("Connect failed (10000)")
//   damaged    a record, then a message of no length
//   huge       a record, then the head of a record message of 900 MiB
//   close      a record, then its socket closed, the process still running
//   exit:C     a record, then exit code C
//   crash      a record, then SIGSEGV
//   silent     a record, then nothing, for ever
//   alive      a record, then "alive" with no more of the server's bytes, for ever
//   givenup    an end saying the search was given up
//   asks:N     N records, each asked for first and sent once the program says go;
//              each go is written to the file STANDIN_GO_FILE names
//   asking     asks, and asks again once it may, with no record between
//   big:N      N records of 64 MiB
// Before its first search: "old" behaves as a build that knows no greeting
// (ends with code 2 on the program's), "other" greets as another build.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "lendsrv/SearchWire.h"

namespace {

constexpr int kSocket = 3;

void Send(std::string_view Bytes) {
  if (!WireSend(kSocket, Bytes)) std::_Exit(0);
}

void Send(TWireWriter& Out) {
  Send(Out.Bytes());
  Out.Clear();
}

TWireReader In;

TWireMessage Next() {
  char buf[4096];
  for (;;) {
    if (std::optional<TWireMessage> m = In.Next()) return *m;
    const ssize_t n = ::recv(kSocket, buf, sizeof buf, 0);
    if (n <= 0) std::_Exit(0);
    In.Take(std::string_view(buf, static_cast<std::size_t>(n)));
  }
}

std::string Term(const std::string& Pqf) {
  const std::size_t open = Pqf.find('"'), close = Pqf.rfind('"');
  return open == std::string::npos || close <= open ? std::string() : Pqf.substr(open + 1, close - open - 1);
}

std::string Own(int I) { return std::to_string(::getpid()) + ":" + std::to_string(I); }

[[noreturn]] void Forever() {
  for (;;) ::pause();
}

void Serve(const std::string& Term, std::uint64_t Limit) {
  TWireWriter out;
  const std::size_t colon = Term.find(':');
  const std::string what = Term.substr(0, colon);
  const int n = colon == std::string::npos ? 0 : std::atoi(Term.c_str() + colon + 1);
  auto answered = [&](int Hits) {
    out.Answered(static_cast<std::size_t>(Hits), std::min<std::size_t>(static_cast<std::size_t>(Hits), Limit));
  };
  if (what == "records" || what == "slow") {
    answered(n);
    for (int i = 1; i <= n; ++i) {
      out.Record(Own(i));
      if (what == "slow") {
        Send(out);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    out.End({TZSearchEnd::TStage::Fetched, {}});
    Send(out);
    return;
  }
  if (what == "fail") {
    out.End({TZSearchEnd::TStage::Failed, "Connect failed (10000)"});
    Send(out);
    return;
  }
  if (what == "givenup") {
    answered(3);
    out.End({TZSearchEnd::TStage::GivenUp, {}});
    Send(out);
    return;
  }
  if (what == "asks" || what == "asking") {
    FILE* goes = std::getenv("STANDIN_GO_FILE") ? std::fopen(std::getenv("STANDIN_GO_FILE"), "a") : nullptr;
    for (int i = 1; what == "asking" || i <= n; ++i) {
      out.Ask();
      Send(out);
      const TWireMessage go = Next();
      if (go.Kind != TWireKind::Go) std::_Exit(2);
      if (goes) {
        std::fprintf(goes, "go %d\n", i);
        std::fflush(goes);
      }
      if (i == 1) answered(n);
      if (what == "asks") out.Record(Own(i));
    }
    if (goes) std::fclose(goes);
    out.End({TZSearchEnd::TStage::Fetched, {}});
    Send(out);
    return;
  }
  if (what == "big") {
    answered(n);
    const std::string record(std::size_t(64) << 20, 'x');
    for (int i = 1; i <= n; ++i) {
      out.Record(record);
      Send(out);
    }
    out.End({TZSearchEnd::TStage::Fetched, {}});
    Send(out);
    return;
  }
  // The rest misbehave after a first record.
  answered(3);
  out.Record(Own(1));
  Send(out);
  if (what == "damaged") Send(std::string_view("\0\0\0\0R", 5));
  if (what == "huge") {
    const std::uint32_t length = 900u << 20;
    char head[5];
    std::memcpy(head, &length, 4);
    head[4] = 'R';
    Send(std::string_view(head, 5));
    Send(std::string(1 << 20, 'x'));
  }
  if (what == "close") ::shutdown(kSocket, SHUT_RDWR);
  if (what == "exit") std::_Exit(n);
  if (what == "crash") {
    ::signal(SIGSEGV, SIG_DFL);
    ::raise(SIGSEGV);
  }
  if (what == "alive") {
    for (;;) {
      out.Alive(100);
      Send(out);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  Forever();
}

}  // namespace

int main() {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  ::signal(SIGPIPE, SIG_IGN);
  // A process greets before it knows the search; a first search of another
  // build's is seen by what the program sends with its greeting.
  const TWireMessage theirs = Next();
  if (theirs.Kind != TWireKind::Hello) return 2;
  const TWireMessage first = Next();
  std::optional<TWireSearch> search;
  if (first.Kind == TWireKind::Search) search = ReadWireSearch(first.Payload);
  if (!search) return 2;
  const std::string term = Term(search->Pqf);
  if (term == "old") return 2;
  if (term == "other") {
    // A greeting of the same form, naming other messages.
    const std::string other = "search messages 1: R S";
    const auto text = static_cast<std::uint32_t>(other.size()), length = 1 + 4 + text;
    std::string message(reinterpret_cast<const char*>(&length), 4);
    message += 'H';
    message.append(reinterpret_cast<const char*>(&text), 4);
    Send(message + other);
  } else {
    TWireWriter hello;
    hello.Hello();
    Send(hello);
  }
  for (;;) {
    Serve(Term(search->Pqf), search->Limit);
    const TWireMessage m = Next();
    if (m.Kind != TWireKind::Search || !(search = ReadWireSearch(m.Payload))) return 2;
  }
}
