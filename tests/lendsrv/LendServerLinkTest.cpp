// Fetches over links that are slow, distant, or that fall silent or close
// part-way, made by a relay between the search and its server that carries
// the server's bytes in whole segments, as a real link does; and servers that
// answer a present with fewer records than asked, or with none.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

#include "lendsrv/LendServer.h"
#include "lendsrv/ZSearch.h"
#include "platform/core/CodePage.h"
#include "tests/support/DirectZoom.h"
#include "tests/support/FaultServer.h"
#include "tests/support/LinkRelay.h"
#include "tests/support/ZTestServer.h"

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

std::shared_ptr<TLendServer> NewServer(int Port, int TimeoutSeconds) {
  auto s = std::make_shared<TLendServer>();
  s->SetzHost(u"127.0.0.1");
  s->SetzPort(Port);
  s->SetzDatabase(u"Default");
  s->SetzSyntax(u"USMARC");
  s->SetTimeoutSeconds(TimeoutSeconds);
  return s;
}

std::string Joined(const std::vector<std::string>& Records) {
  std::string all;
  for (const std::string& r : Records) all += r;
  return all;
}

// How many of Records, from the first, the link carried whole: each lies in
// the carried bytes as the server sent it, after the one before.
std::size_t WholeRecordsCarried(const std::string& Carried, const std::vector<std::string>& Records) {
  std::size_t at = 0, whole = 0;
  for (const std::string& r : Records) {
    const std::size_t found = Carried.find(r, at);
    if (found == std::string::npos) break;
    at = found + r.size();
    ++whole;
  }
  return whole;
}

// A server that keeps sending is never cut off, however slowly its link
// carries the bytes and however long the wait for one answer: every record
// comes, the server's bytes, the windows answering all the while. The limit
// is 2 s for pieces of seconds at 25 and 50 KB/s. At 300 bytes a second a
// segment of 1,448 bytes comes every 4.8 s, which a 6 s limit lets through,
// and the answer with the ten records takes three segments, near twice the
// limit. The hits are told from the search answer's first bytes: before that
// answer is whole where it brings the first records, and before any record
// where the records come after it.
TEST(LendServerSlowLink, AServerThatKeepsSendingIsNeverCutOffHoweverSlowItsLink) {
  ZTestServer z;
  std::vector<std::string> mixed;  // a small first record, then large ones
  for (int i = 0; i < 60; ++i)
    mixed.push_back(MarcRecord({{"001", std::to_string(i)},
                                {"245",
                                 "10\x1F"
                                 "a" +
                                     std::string(i == 0 ? 200 : 5000, 'm')}}));
  std::vector<std::string> small;
  for (int i = 1; i <= 10; ++i)
    small.push_back(MarcRecord({{"001", std::to_string(i)},
                                {"245",
                                 "10\x1F"
                                 "a" +
                                     std::string(240, 'a')}}));
  auto mixedServer = TZFaultServer::Records(mixed);
  auto smallServer = TZFaultServer::Records(small);
  struct TCase {
    const char* Name;
    int Port;
    long BytesPerSecond;
    int Limit;
    std::size_t Records;
    std::string Sent;
    // The first records come with the search answer; false: in a present
    // after it, as the fault server sends them.
    bool RecordsWithSearch;
  };
  const TCase cases[] = {
      {"300 records at 25 KB/s", z.Port(), 25'000, 2, 300,
       DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 300", 300).Joined(), true},
      {"a small record, then large ones, at 50 KB/s", mixedServer->Port(), 50'000, 2, mixed.size(), Joined(mixed),
       false},
      {"10 records at 300 B/s", smallServer->Port(), 300, 6, small.size(), Joined(small), false}};
  struct TOutcome {
    TZSearchResult Result;
    long PassedWhenHitsTold = -1;
    std::vector<std::size_t> AnswerEnds;  // the server's answers: the init's, the search's, the presents'
    TClock::duration LargestGap{};
  };
  // Side by side: each takes seconds, most of them waiting for its relay.
  std::vector<std::future<TOutcome>> runs;
  for (const TCase& c : cases) {
    runs.push_back(std::async(std::launch::async, [&c] {
      TLinkRelay relay(TLinkRelay::Host(), c.Port, {.BytesPerSecond = c.BytesPerSecond, .Keep = true});
      TZConnectionParams p = ZTestServer::Params(relay.Port());
      p.TimeoutSeconds = c.Limit;
      TOutcome o;
      auto last = TClock::now();
      p.Waiting = [&] {
        const auto now = TClock::now();
        o.LargestGap = std::max(o.LargestGap, now - last);
        last = now;
        return true;
      };
      p.Answered = [&](std::size_t) { o.PassedWhenHitsTold = relay.Passed(); };
      o.Result = ZSearch(p, PqfUseQuery(4, std::to_string(c.Records)), c.Records);
      o.LargestGap = std::max(o.LargestGap, TClock::now() - last);
      o.AnswerEnds = relay.AnswerEnds();
      return o;
    }));
  }
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const TCase& c = cases[i];
    SCOPED_TRACE(c.Name);
    const TOutcome o = runs[i].get();
    EXPECT_TRUE(o.Result.Records == c.Sent)
        << o.Result.Records.size() << " bytes against the server's " << c.Sent.size();
    EXPECT_EQ(o.Result.Error, "");
    EXPECT_EQ(o.Result.Delivered, c.Records);
    EXPECT_EQ(o.Result.Hits, c.Records);
    EXPECT_LT(o.LargestGap, 1s);
    ASSERT_GE(o.AnswerEnds.size(), 2u);
    const long searchAnswered = static_cast<long>(o.AnswerEnds[1]);
    if (c.RecordsWithSearch)
      EXPECT_LT(o.PassedWhenHitsTold, searchAnswered) << "the hits waited for the whole search answer";
    else EXPECT_LE(o.PassedWhenHitsTold, searchAnswered) << "the hits waited for the records";
  }
}

// A search of the default record limit takes the initialisation and the
// search alone, whatever it finds: its records come with the search answer.
TEST(LendServerSlowLink, ASmallSearchTakesTheInitialisationAndTheSearchAlone) {
  ZTestServer z;
  for (const int hits : {1, 5, 10, 300}) {
    SCOPED_TRACE(std::to_string(hits) + " hits");
    TLinkRelay relay(ZTestServer::Host(), z.Port(), {.RoundTrip = 20ms});
    const TZSearchResult r = ZSearch(ZTestServer::Params(relay.Port()), PqfUseQuery(4, std::to_string(hits)), 10);
    const std::size_t wanted = std::min(hits, 10);
    EXPECT_TRUE(r.Records == DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default",
                                             ("@attr 1=4 " + std::to_string(hits)).c_str(), wanted)
                                 .Joined());
    EXPECT_EQ(r.Delivered, wanted);
    EXPECT_EQ(relay.Requests(), 2);
  }
}

// A server that answers the search and then says nothing: the hits are told
// while the first records are waited for, and still after the fetch broke
// off with no record, with what did not come, or after the caller gave the
// search up.
TEST(LendServerSlowLink, TheHitsAreToldAsSoonAsTheSearchIsAnsweredAndStayToldWhenNoRecordCame) {
  std::vector<std::string> records(50, MarcRecord({{"001", "1"}}));
  auto server = TZFaultServer::Records(records, {.SilentOnPresent = true});
  auto s = NewServer(server->Port(), 1);
  int toldWhileWaiting = 0;
  s->SetCallWaitHandler([&] {
    toldWhileWaiting = std::max(toldWhileWaiting, ClientCount(s->tReturned()));
    return true;
  });
  EXPECT_EQ(s->SingleSearchIT(u"any", false, 4, 10), u"");
  EXPECT_EQ(toldWhileWaiting, 50);
  EXPECT_EQ(ClientCount(s->tReturned()), 50);
  EXPECT_EQ(s->rCount(), 0);
  EXPECT_EQ(ToUtf8(s->GetzLastError()), "Records 1-10 of 10 did not come: Timeout (10007)");

  s->SetTimeoutSeconds(30);
  s->SetCallWaitHandler([&] { return s->tReturned() == 0; });
  EXPECT_EQ(s->SingleSearchIT(u"any", false, 4, 10), u"");
  EXPECT_EQ(ToUtf8(s->GetzLastError()), SearchGivenUpText);
  EXPECT_EQ(ClientCount(s->tReturned()), 50);
  EXPECT_EQ(s->rCount(), 0);
}

// A link that fails part-way through a fetch: the fetch keeps every record
// that came whole, those of the answer it broke off in too, the server's
// first ones, which a MARC reader reads whole; the counts say how many, and
// zLastError, after what was wrong with those that came, which did not come
// and why.
void ExpectEveryWholeRecordKept(TLendServer& S, const std::vector<std::string>& Sent, const TLinkRelay& Relay,
                                std::size_t Wanted, const std::string& ToldFirst, const std::string& Why) {
  const AnsiString kept =
      StringToAnsi(S.SingleSearchIT(AsciiToString(std::to_string(Wanted)), false, 4, static_cast<Integer>(Wanted)));
  const std::size_t whole = WholeRecordsCarried(Relay.Carried(), Sent);
  ASSERT_GT(whole, 0u);
  ASSERT_LT(whole, Wanted);
  const std::vector<std::string> first(Sent.begin(), Sent.begin() + static_cast<std::ptrdiff_t>(whole));
  EXPECT_TRUE(kept == Joined(first)) << kept.size() << " bytes kept of the " << Joined(first).size()
                                     << " that came whole";
  EXPECT_EQ(MarcDumpCount(kept), static_cast<int>(whole));
  EXPECT_EQ(ClientCount(S.rCount()), static_cast<int>(whole));
  EXPECT_EQ(ClientCount(S.tReturned()), static_cast<int>(Wanted));
  const std::string of = " of " + std::to_string(Wanted);
  EXPECT_EQ(ToUtf8(S.GetzLastError()), ToldFirst + "Records " + std::to_string(whole + 1) + "-" +
                                           std::to_string(Wanted) + of + " did not come: " + Why);
}

TEST(LendServerFailingLink, ALinkThatFallsSilentEndsTheFetchWithinTheLimitKeepingEveryRecordThatCameWhole) {
  ZTestServer z;
  TLinkRelay relay(ZTestServer::Host(), z.Port(), {.SilentAfter = 600'000, .Keep = true});
  auto s = NewServer(relay.Port(), 2);
  const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 3000", 3000);
  const auto start = TClock::now();
  ExpectEveryWholeRecordKept(*s, ref.Records, relay, 3000, "", "Timeout (10007)");
  // Ended by the limit, not by a wait that runs on with the link.
  EXPECT_LT(TClock::now() - start, 10s);
}

TEST(LendServerFailingLink, ALinkThatClosesKeepsEveryRecordThatCameWholeAndTellsTheConnectionLost) {
  std::vector<std::string> records;
  for (int i = 1; i <= 3000; ++i) {
    std::string r = MarcRecord({{"001", std::to_string(i)},
                                {"245",
                                 "10\x1F"
                                 "a" +
                                     std::string(350, 'a' + i % 26)}});
    if (i == 2) r.insert(r.size() - 1, "x");  // one byte more than its leader says
    records.push_back(std::move(r));
  }
  {
    SCOPED_TRACE("closed after 600 KB");
    auto server = TZFaultServer::Records(records);
    TLinkRelay relay(TZFaultServer::Host(), server->Port(), {.CloseAfter = 600'000, .Keep = true});
    auto s = NewServer(relay.Port(), 2);
    ExpectEveryWholeRecordKept(*s, records, relay, 3000, "Record 2 of 3000 is not ISO 2709 (kept as sent); ",
                               "Connection lost (10004)");
  }
  {
    SCOPED_TRACE("closed after 12 KB at 2 KB/s");
    ZTestServer z;
    TLinkRelay relay(ZTestServer::Host(), z.Port(), {.BytesPerSecond = 2'000, .CloseAfter = 12'000, .Keep = true});
    auto s = NewServer(relay.Port(), 30);
    const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 300", 300);
    ExpectEveryWholeRecordKept(*s, ref.Records, relay, 300, "", "Connection lost (10004)");
  }
}

// A server that has fewer records than it reported ends the fetch at the
// first present it answers short, with an empty list of records or with none
// (ZOOM then makes records up, which never count as the server's): the fetch
// asks no present after that one. One that gives a few records a present, and
// the rest when asked again, delivers them all.
TEST(LendServerShortPresents, AServerThatStopsGivingRecordsEndsTheFetchThereAndOneThatGivesFewAPresentDeliversAll) {
  std::vector<std::string> records;
  for (int i = 1; i <= 300; ++i) records.push_back(MarcRecord({{"001", std::to_string(i)}}));
  const std::vector<std::string> first100(records.begin(), records.begin() + 100);

  for (const bool noList : {false, true}) {
    SCOPED_TRACE(noList ? "answered without a list" : "answered with an empty list");
    auto stops = TZFaultServer::Records(first100, {.Hits = 2000, .NoEmptyList = noList});
    auto s = NewServer(stops->Port(), 5);
    EXPECT_TRUE(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 2000)) == Joined(first100));
    EXPECT_EQ(ToUtf8(s->GetzLastError()), "Records 101-2000 of 2000 did not come: No records in the server's answer");
    EXPECT_EQ(ClientCount(s->rCount()), 100);
    EXPECT_EQ(ClientCount(s->tReturned()), 2000);
    const std::vector<long> starts = stops->PresentStarts();
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.back(), 101);
    EXPECT_EQ(std::count_if(starts.begin(), starts.end(), [](long at) { return at > 100; }), 1);

    auto none = TZFaultServer::Records({}, {.Hits = 2000, .NoEmptyList = noList});
    auto t = NewServer(none->Port(), 5);
    EXPECT_EQ(t->SingleSearchIT(u"any", false, 4, 2000), u"");
    EXPECT_EQ(ToUtf8(t->GetzLastError()), "Records 1-2000 of 2000 did not come: No records in the server's answer");
    EXPECT_EQ(t->rCount(), 0);
    EXPECT_EQ(ClientCount(t->tReturned()), 2000);
    EXPECT_EQ(none->PresentStarts(), std::vector<long>{1});
  }

  auto few = TZFaultServer::Records(records, {.MostPerPresent = 10});
  auto t = NewServer(few->Port(), 5);
  EXPECT_TRUE(StringToAnsi(t->SingleSearchIT(u"any", false, 4, 300)) == Joined(records));
  EXPECT_EQ(t->GetzLastError(), u"");
  EXPECT_EQ(ClientCount(t->rCount()), 300);
}

TEST(LendServerShortPresents, ANegativeHitCountIsADamagedAnswerNotAHugeOne) {
  auto server = TZFaultServer::Records({MarcRecord({{"001", "1"}})}, {.Hits = -3});
  auto s = NewServer(server->Port(), 5);
  EXPECT_EQ(s->SingleSearchIT(u"any", false, 4, 10), u"");
  EXPECT_EQ(ToUtf8(s->GetzLastError()), "Damaged search answer: a hit count of -3");
  EXPECT_EQ(s->tReturned(), 0);
  EXPECT_EQ(s->rCount(), 0);
  EXPECT_EQ(server->Presents(), 0);
}

// Round trips, counted as the presents the server logs: a distant server's
// fetch is not made of ever more pieces, whether its round trip is short
// against the limit or longer than a quarter of it. (What the round trips cost
// in time is measured by the benchmarks.)
TEST(LendServerDistantLink, AFetchOverALongRoundTripTakesFewPresents) {
  ZTestServer z;
  const TZSearchResult near = ZSearch(ZTestServer::Params(z.Port()), PqfUseQuery(4, "53000"), 53000);
  ASSERT_TRUE(near.Ok) << near.Error;
  const std::size_t nearPresents = z.Requests("Present");

  TLinkRelay relay(ZTestServer::Host(), z.Port(), {.RoundTrip = 200ms});
  const TZSearchResult far = ZSearch(ZTestServer::Params(relay.Port()), PqfUseQuery(4, "53000"), 53000);
  ASSERT_TRUE(far.Ok) << far.Error;
  EXPECT_EQ(far.Delivered, 53000u);
  EXPECT_TRUE(far.Records == near.Records) << "the records differ over the distant link";
  EXPECT_EQ(far.Error, "");
  EXPECT_LE(z.Requests("Present") - nearPresents, 30u) << z.Log();

  // A round trip of 1.2 s against a 2 s limit: pieces sized by the records,
  // not by the round trip, which would shrink them to one record a present.
  // A fetch past twenty presents is given up.
  TLinkRelay longer(ZTestServer::Host(), z.Port(), {.RoundTrip = 1200ms});
  const std::size_t before = z.Requests("Present");
  TZConnectionParams p = ZTestServer::Params(longer.Port());
  p.TimeoutSeconds = 2;
  p.Waiting = [&] { return z.Requests("Present") - before <= 20; };
  const TZSearchResult slow = ZSearch(p, PqfUseQuery(4, "600"), 600);
  EXPECT_TRUE(slow.Ok) << slow.Error;
  EXPECT_EQ(slow.Delivered, 600u);
  EXPECT_EQ(slow.Error, "");
  EXPECT_LE(z.Requests("Present") - before, 4u) << z.Log();
}

}  // namespace
