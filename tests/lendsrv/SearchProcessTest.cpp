// The search process: the program's searches run in it, and whatever ends
// it, the search ends at once with a text that says how, the records handed
// over stay, and the next search runs in a fresh one; a search given up ends
// it. The messages it sends are read as the hostile bytes they may be.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>
#include <sstream>
#include <string>

#include "lendsrv/LendServer.h"
#include "lendsrv/SearchWire.h"
#include "platform/core/CodePage.h"
#include "tests/support/BerBuild.h"
#include "tests/support/DirectZoom.h"
#include "tests/support/FaultServer.h"
#include "tests/support/FaultsEndBySignal.h"
#include "tests/support/TlsRelay.h"
#include "tests/support/ZTestServer.h"

namespace {

using namespace std::chrono_literals;
using namespace ber;

constexpr char kSegv[] = "The search process ended by signal SIGSEGV (Segmentation fault)";

// This process's search processes now: its children named "lendsrv".
std::set<pid_t> SearchProcesses() {
  std::set<pid_t> found;
  DIR* proc = ::opendir("/proc");
  if (!proc) return found;
  while (const dirent* e = ::readdir(proc)) {
    std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const std::size_t open = line.find(" ("), close = line.rfind(") ");
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t parent = 0;
    rest >> state >> parent;
    if (parent == ::getpid() && line.substr(open + 2, close - open - 2) == "lendsrv" && state != 'Z')
      found.insert(static_cast<pid_t>(std::stol(line.substr(0, open))));
  }
  ::closedir(proc);
  return found;
}

std::unique_ptr<TLendServer> NewServer(const std::string& Host, int Port) {
  auto s = std::make_unique<TLendServer>();
  s->SetzHost(AsciiToString(Host));
  s->SetzPort(Port);
  s->SetzDatabase(u"Default");
  s->SetzSyntax(u"USMARC");
  s->SetTimeoutSeconds(20);
  return s;
}

// A search answer of 13 hits bringing ten sound records, then a present
// answer whose record the library's decoder cannot survive: by default one
// that names its database in pieces.
struct TCrashingServer {
  std::vector<std::string> Records;
  std::unique_ptr<TZFaultServer> Server;
  explicit TCrashingServer(const std::string& Crash = RecordElement(OctetsExternal(MarcRecord({{"001", "11"}})),
                                                                    Hex("a0 05 04 03") + "Def")) {
    std::string list;
    for (int i = 1; i <= 10; ++i) {
      Records.push_back(MarcRecord({{"001", std::to_string(i)}}));
      list += OctetsRecord(Records.back());
    }
    TFaultScript script;
    script.Answers = {SearchAnswer(13, list, 10), PresentAnswer(Crash, 1, 12)};
    Server = TZFaultServer::Scripted(script);
  }
  std::string Sound() const {
    std::string all;
    for (const std::string& r : Records) all += r;
    return all;
  }
};

TEST(SearchProcess, ALibraryFaultOnAServersBytesEndsOnlyTheSearchProcessKeepingTheRecordsHandedOver) {
  TCrashingServer crashing;
  ZTestServer z;
  // Over a local socket the tap only watches: the library decodes the answer.
  auto watched = NewServer(crashing.Server->UnixHost(), 0);
  EXPECT_TRUE(StringToAnsi(watched->SingleSearchIT(u"any", false, 4, 13)) == crashing.Sound());
  EXPECT_EQ(ToUtf8(watched->GetzLastError()), std::string("Records 11-13 of 13 did not come: ") + kSegv);
  EXPECT_EQ(ClientCount(watched->rCount()), 10);
  EXPECT_EQ(ClientCount(watched->tReturned()), 13);
  // The same object goes on with the next catalogue.
  watched->SetzHost(u"127.0.0.1");
  watched->SetzPort(z.Port());
  EXPECT_EQ(StringToAnsi(watched->SingleSearchIT(u"3", false, 4, 10)).size(), 2101u);
  EXPECT_EQ(watched->GetzLastError(), u"");

  // Through the tap the record is refused before the library has it.
  auto tapped = NewServer(TZFaultServer::Host(), crashing.Server->Port());
  EXPECT_TRUE(StringToAnsi(tapped->SingleSearchIT(u"any", false, 4, 13)) == crashing.Sound());
  EXPECT_EQ(ToUtf8(tapped->GetzLastError()),
            "Records 11-13 of 13 did not come: Decoding failed (10003): the server's answer is damaged");

  // A record in a syntax whose grammar the tap does not hold goes to the
  // library through the tap too: an Explain record whose name is an empty
  // string in the constructed form.
  TCrashingServer explain(RecordElement(ValueExternal(kExplain, Hex("a0 02 a1 00"))));
  auto through = NewServer(TZFaultServer::Host(), explain.Server->Port());
  EXPECT_TRUE(StringToAnsi(through->SingleSearchIT(u"any", false, 4, 13)) == explain.Sound());
  EXPECT_EQ(ToUtf8(through->GetzLastError()), std::string("Records 11-13 of 13 did not come: ") + kSegv);
}

// An answer of a piece that brought only some of its records is handed over
// before ZOOM asks for the rest: the answer that then ends the search
// process does not take its records with it.
TEST(SearchProcess, TheRecordsOfAnAnswerAreKeptWhenALaterAnswerOfTheSamePieceEndsTheProcess) {
  const std::string a = MarcRecord({{"001", "1"}}), b = MarcRecord({{"001", "2"}}), c = MarcRecord({{"001", "3"}});
  TFaultScript script;
  script.Answers = {SearchAnswer(6, OctetsRecord(a) + OctetsRecord(b) + OctetsRecord(c), 3),
                    PresentAnswer(RecordElement(OctetsExternal(a), Hex("a0 05 04 03") + "Def"), 1, 5)};
  auto server = TZFaultServer::Scripted(script);
  auto s = NewServer(server->UnixHost(), 0);
  EXPECT_TRUE(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 6)) == a + b + c);
  EXPECT_EQ(ToUtf8(s->GetzLastError()), std::string("Records 4-6 of 6 did not come: ") + kSegv);
}

// Over TLS the tap cannot read the answers and only watches: the library
// decodes an EXTERNAL whose descriptor is an empty string in the
// constructed form, which it cannot survive, in the search process alone.
TEST(SearchProcess, ASearchOverTlsIsProtectedLikeAnyOther) {
  TCrashingServer crashing(OctetsRecord(MarcRecord({{"001", "11"}})) +
                           OctetsRecord(MarcRecord({{"001", "12"}}), B("\x39\x00")));
  TTlsRelay tls(crashing.Server->Port());
  auto s = NewServer(tls.Host(), 0);
  EXPECT_TRUE(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 13)) == crashing.Sound());
  EXPECT_EQ(ToUtf8(s->GetzLastError()), std::string("Records 11-13 of 13 did not come: ") + kSegv);
  EXPECT_EQ(ClientCount(s->rCount()), 10);
  // And the same object goes on.
  ZTestServer z;
  s->SetzHost(u"127.0.0.1");
  s->SetzPort(z.Port());
  EXPECT_EQ(StringToAnsi(s->SingleSearchIT(u"3", false, 4, 10)).size(), 2101u);
}

// Whatever ends the process mid-fetch, the search ends at once and tells
// how, with the records that came before.
TEST(SearchProcess, AProcessEndedBySignalEndsTheSearchWithItsSignalsNameAndTheRecordsThatCame) {
  ZTestServer z;
  auto s = NewServer(ZTestServer::Host(), z.Port());
  bool killed = false;
  s->SetCallWaitHandler([&] {
    if (!killed && s->tReturned() > 0)
      for (pid_t pid : SearchProcesses()) killed = ::kill(pid, SIGKILL) == 0 || killed;
    return true;
  });
  const std::string records = StringToAnsi(s->SingleSearchIT(u"5000", false, 4, 5000));
  ASSERT_TRUE(killed);
  const std::string error = ToUtf8(s->GetzLastError());
  EXPECT_NE(error.find("did not come: The search process ended by signal SIGKILL (Killed)"), std::string::npos)
      << error;
  // The records kept are the server's first ones, whole.
  const Integer kept = ClientCount(s->rCount());
  EXPECT_LT(kept, 5000);
  const DirectFetch ref =
      DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 5000", static_cast<int>(kept));
  EXPECT_TRUE(records == ref.Joined());
  // The next search runs in a fresh process.
  s->SetCallWaitHandler(nullptr);
  EXPECT_EQ(StringToAnsi(s->SingleSearchIT(u"2", false, 4, 10)).size(), 732u);
}

TEST(SearchProcess, ASearchGivenUpEndsItsProcessAtOnceAndSoundSearchesShareOne) {
  ZTestServer z;
  auto s = NewServer(ZTestServer::Host(), z.Port());
  std::set<pid_t> seen;
  s->SetCallWaitHandler([&] {
    for (pid_t pid : SearchProcesses()) seen.insert(pid);
    return true;
  });
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(s->SingleSearchIT(u"3000", false, 4, 3000).empty());
  // One process served the three.
  EXPECT_EQ(seen.size(), 1u);

  std::set<pid_t> givenUp;
  s->SetCallWaitHandler([&] {
    givenUp = SearchProcesses();
    return s->tReturned() == 0;
  });
  EXPECT_TRUE(s->SingleSearchIT(u"3000", false, 4, 3000).empty());
  EXPECT_EQ(s->GetzLastError(), FromUtf8(SearchGivenUpText));
  ASSERT_EQ(givenUp.size(), 1u);
  // Ended and reaped before the search returned.
  EXPECT_EQ(::kill(*givenUp.begin(), 0), -1);
  EXPECT_EQ(errno, ESRCH);
  EXPECT_TRUE(SearchProcesses().empty() || *SearchProcesses().begin() != *givenUp.begin());
}

// The caller's Waiting may take longer than the time limit, again and again:
// no signal holds the search process meanwhile, and the time it waits for
// the program's word, or for the program to take its records, is no wait for
// its server. Every record comes.
TEST(SearchProcess, AWaitingThatRunsLongerThanTheTimeLimitCostsTheFetchNothing) {
  ZTestServer z;
  auto s = NewServer(ZTestServer::Host(), z.Port());
  s->SetTimeoutSeconds(1);
  int waits = 0;
  std::set<char> states;
  s->SetCallWaitHandler([&] {
    // The process goes on, or waits for the program: never held.
    for (pid_t pid : SearchProcesses()) {
      std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
      std::string line;
      std::getline(stat, line);
      states.insert(line[line.rfind(") ") + 2]);
    }
    if (s->tReturned() > 0 && waits++ < 3) std::this_thread::sleep_for(1500ms);
    return true;
  });
  const std::string records = StringToAnsi(s->SingleSearchIT(u"20000", false, 4, 20000));
  EXPECT_EQ(s->GetzLastError(), u"");
  EXPECT_EQ(ClientCount(s->rCount()), 20000);
  EXPECT_GE(waits, 3);
  EXPECT_EQ(states.count('T'), 0u);
  const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 20000", 20000);
  EXPECT_TRUE(records == ref.Joined());
}

// ---- The messages --------------------------------------------------------------------

TEST(SearchWire, MessagesReadBackAsWrittenAndDamagedOnesAreNeverReadPast) {
  TWireWriter out;
  TZConnectionParams p;
  p.Host = "ssl:example.org";
  p.Port = 2100;
  p.Database = "Books";
  p.Syntax = "RUSMARC";
  p.User = "reader";
  p.TimeoutSeconds = 7;
  out.Search({p, "@attr 1=4 \"x\"", 42});
  out.Answered(300, 10);
  out.Record(std::string("rec\0ord", 7));
  out.Diagnostic({14, "System error", "Bib-1", "too large"});
  out.End({TZSearchEnd::TStage::Fetched, "Timeout (10007)"});
  // Read back a byte at a time.
  TWireReader in;
  std::vector<TWireMessage> messages;
  std::vector<std::string> payloads;
  for (char c : out.Bytes()) {
    in.Take(std::string_view(&c, 1));
    while (std::optional<TWireMessage> m = in.Next()) {
      messages.push_back(*m);
      payloads.emplace_back(m->Payload);
    }
  }
  ASSERT_EQ(messages.size(), 5u);
  const std::optional<TWireSearch> search = ReadWireSearch(payloads[0]);
  ASSERT_TRUE(search);
  EXPECT_EQ(search->Params.Host, "ssl:example.org");
  EXPECT_EQ(search->Params.Port, 2100);
  EXPECT_EQ(search->Params.User, "reader");
  EXPECT_EQ(search->Params.Password, std::nullopt);
  EXPECT_EQ(search->Params.TimeoutSeconds, 7);
  EXPECT_EQ(search->Pqf, "@attr 1=4 \"x\"");
  EXPECT_EQ(search->Limit, 42u);
  std::size_t hits = 0, wanted = 0;
  EXPECT_TRUE(ReadWireAnswered(payloads[1], hits, wanted));
  EXPECT_EQ(hits, 300u);
  EXPECT_EQ(wanted, 10u);
  EXPECT_EQ(messages[2].Kind, TWireKind::Record);
  EXPECT_EQ(payloads[2], std::string("rec\0ord", 7));
  TZDiagnostic d;
  EXPECT_TRUE(ReadWireDiagnostic(payloads[3], d));
  EXPECT_EQ(d.Addinfo, "too large");
  TZSearchEnd e;
  EXPECT_TRUE(ReadWireEnd(payloads[4], e));
  EXPECT_EQ(e.Why, "Timeout (10007)");

  // Fields cut short, a text longer than its message, more wanted than found,
  // an end of no stage: damaged.
  EXPECT_FALSE(ReadWireSearch(payloads[0].substr(0, payloads[0].size() - 1)));
  EXPECT_FALSE(ReadWireAnswered(payloads[1] + "x", hits, wanted));
  TWireWriter bad;
  bad.Answered(5, 10);
  TWireReader badIn;
  badIn.Take(bad.Bytes());
  EXPECT_FALSE(ReadWireAnswered(badIn.Next()->Payload, hits, wanted));
  EXPECT_FALSE(ReadWireDiagnostic(std::string("\x0E\0\0\0\xFF\xFF\xFF\x7F", 8), d));
  EXPECT_FALSE(ReadWireEnd(std::string("\x07\0\0\0\0\0\0\0", 8), e));
  // A length of none, or past the most a message of its kind may be: a
  // record past the longest answer, an end past a few texts.
  auto length = [](std::uint32_t N) { return std::string(reinterpret_cast<const char*>(&N), 4); };
  for (const std::string& head : {length(0) + "E", length(~0u) + "R", length(kMostRecordBytes + 2) + "R",
                                  length(1 << 20) + "E", length(100) + "A", length(2) + "Q"}) {
    TWireReader damaged;
    damaged.Take(head);
    EXPECT_FALSE(damaged.Next());
    EXPECT_TRUE(damaged.Damaged());
  }
  // One list of fields for both sides: the password crosses, and an unset
  // user stays unset.
  TZConnectionParams q;
  q.Password = "";
  TWireWriter both;
  both.Search({q, "", 0});
  TWireReader bothIn;
  bothIn.Take(both.Bytes());
  const std::optional<TWireSearch> read = ReadWireSearch(bothIn.Next()->Payload);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Params.User, std::nullopt);
  EXPECT_EQ(read->Params.Password, "");
}

}  // namespace
