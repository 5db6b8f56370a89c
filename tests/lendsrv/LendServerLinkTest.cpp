// Fetches over links that are slow from their first byte, distant, or that
// fall silent or close part-way, made by a relay between the search and its
// server; and servers that answer a present with fewer records than asked.
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

// What the client shows: it takes one off any count above one.
int ClientCount(Integer n) { return n > 1 ? n - 1 : n; }

// All the records fetched through a link slow from its first byte, which
// brings each record well within the limit but never a first piece of a
// hundred: the fetch must not be cut off from its first record on, and the
// windows must keep answering while it trickles in. The test server's records
// are 366 to about 1,500 bytes; at 300 bytes a second, records of 300 bytes,
// each of which takes half the limit.
TEST(LendServerSlowLink, AFetchSlowFromItsFirstByteComesWholeAtAnySpeedThatBringsARecordWithinTheLimit) {
  ZTestServer z;
  std::vector<std::string> small;
  std::string smallJoined;
  for (int i = 1; i <= 5; ++i) {
    small.push_back(MarcRecord({{"001", std::to_string(i)},
                                {"245",
                                 "10\x1F"
                                 "a" +
                                     std::string(240, 'a')}}));
    smallJoined += small.back();
  }
  auto uniform = TZFaultServer::Records(small);
  struct TCase {
    long BytesPerSecond;
    std::size_t Records;
    int Port;
    std::string Sent;
  };
  const TCase cases[] = {
      {10'000, 100, z.Port(), DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 100", 100).Joined()},
      {2'000, 20, z.Port(), DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 20", 20).Joined()},
      {300, 5, uniform->Port(), smallJoined}};
  struct TOutcome {
    AnsiString Bytes;
    String Error;
    int Delivered = 0, Hits = 0;
    TClock::duration LargestGap{};
  };
  // Side by side: each takes seconds, most of them waiting for its relay.
  std::vector<std::future<TOutcome>> runs;
  for (const TCase& c : cases) {
    runs.push_back(std::async(std::launch::async, [&c] {
      TLinkRelay relay(TLinkRelay::Host(), c.Port, {.BytesPerSecond = c.BytesPerSecond});
      auto s = NewServer(relay.Port(), 2);
      TOutcome o;
      auto last = TClock::now();
      s->SetCallWaitHandler([&] {
        const auto now = TClock::now();
        o.LargestGap = std::max(o.LargestGap, now - last);
        last = now;
        return true;
      });
      o.Bytes = StringToAnsi(
          s->SingleSearchIT(AsciiToString(std::to_string(c.Records)), false, 4, static_cast<Integer>(c.Records)));
      o.LargestGap = std::max(o.LargestGap, TClock::now() - last);
      o.Error = s->GetzLastError();
      o.Delivered = ClientCount(s->rCount());
      o.Hits = ClientCount(s->tReturned());
      return o;
    }));
  }
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const TCase& c = cases[i];
    SCOPED_TRACE(std::to_string(c.Records) + " records at " + std::to_string(c.BytesPerSecond) + " bytes a second");
    const TOutcome o = runs[i].get();
    EXPECT_TRUE(o.Bytes == c.Sent) << o.Bytes.size() << " bytes against the server's " << c.Sent.size();
    EXPECT_EQ(ToUtf8(o.Error), "");
    EXPECT_EQ(o.Delivered, static_cast<int>(c.Records));
    EXPECT_EQ(o.Hits, static_cast<int>(c.Records));
    EXPECT_LT(o.LargestGap, 1s);
  }
}

// A server that answers the search and then says nothing: the hits are told
// while the first record is waited for, and still after the fetch broke off
// with no record, with what did not come.
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
}

// A fetch of 3,000 records whose link fails after 600 KB, with a 2 s limit:
// it keeps the records that came whole, the server's first ones, which a MARC
// reader reads whole; the counts say how many and zLastError, after what was
// wrong with those that came, which did not come and why. Where the break
// falls among the pieces is the link's affair.
void ExpectRecordsKeptAfterTheLinkFailed(TLendServer& S, const std::string& Sent, long Passed,
                                         const std::string& ToldFirst, const std::string& Why) {
  const AnsiString kept = StringToAnsi(S.SingleSearchIT(u"3000", false, 4, 3000));
  ASSERT_FALSE(kept.empty()) << ToUtf8(S.GetzLastError());
  EXPECT_LT(kept.size(), static_cast<std::size_t>(Passed));
  EXPECT_TRUE(Sent.compare(0, kept.size(), kept) == 0) << "the records kept are not the server's first bytes";
  const int delivered = MarcDumpCount(kept);
  EXPECT_EQ(ClientCount(S.rCount()), delivered);
  EXPECT_EQ(ClientCount(S.tReturned()), 3000);
  EXPECT_EQ(ToUtf8(S.GetzLastError()),
            ToldFirst + "Records " + std::to_string(delivered + 1) + "-3000 of 3000 did not come: " + Why);
}

TEST(LendServerFailingLink, ALinkThatFallsSilentEndsTheFetchWithinTheLimitKeepingTheRecordsThatCame) {
  ZTestServer z;
  TLinkRelay relay(ZTestServer::Host(), z.Port(), {.SilentAfter = 600'000});
  auto s = NewServer(relay.Port(), 2);
  const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 3000", 3000);
  const auto start = TClock::now();
  ExpectRecordsKeptAfterTheLinkFailed(*s, ref.Joined(), 600'000, "", "Timeout (10007)");
  // Ended by the limit, not by a wait that runs on with the link.
  EXPECT_LT(TClock::now() - start, 10s);
}

TEST(LendServerFailingLink, ALinkThatClosesKeepsTheRecordsThatCameAndTellsTheConnectionLost) {
  std::vector<std::string> records;
  std::string sent;
  for (int i = 1; i <= 3000; ++i) {
    std::string r = MarcRecord({{"001", std::to_string(i)},
                                {"245",
                                 "10\x1F"
                                 "a" +
                                     std::string(350, 'a' + i % 26)}});
    if (i == 2) r.insert(r.size() - 1, "x");  // one byte more than its leader says
    sent += r;
    records.push_back(std::move(r));
  }
  auto server = TZFaultServer::Records(records);
  TLinkRelay relay(TZFaultServer::Host(), server->Port(), {.CloseAfter = 600'000});
  auto s = NewServer(relay.Port(), 2);
  ExpectRecordsKeptAfterTheLinkFailed(*s, sent, 600'000, "Record 2 of 3000 is not ISO 2709 (kept as sent); ",
                                      "Connection lost (10004)");
}

// A server that has fewer records than it reported: the fetch ends at its
// first present answered short, as a break, and asks for no more. One that
// gives a few records a present, and the rest when asked again, delivers them all.
TEST(LendServerShortPresents, AServerThatStopsGivingRecordsEndsTheFetchThereAndOneThatGivesFewAPresentDeliversAll) {
  std::vector<std::string> records;
  for (int i = 1; i <= 300; ++i) records.push_back(MarcRecord({{"001", std::to_string(i)}}));
  const std::vector<std::string> first100(records.begin(), records.begin() + 100);
  std::string joined;
  for (const std::string& r : first100) joined += r;

  auto stops = TZFaultServer::Records(first100, {.Hits = 2000});
  auto s = NewServer(stops->Port(), 5);
  EXPECT_TRUE(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 2000)) == joined);
  EXPECT_EQ(ToUtf8(s->GetzLastError()), "Records 101-2000 of 2000 did not come: No records in the server's answer");
  EXPECT_EQ(ClientCount(s->rCount()), 100);
  EXPECT_EQ(ClientCount(s->tReturned()), 2000);
  EXPECT_LE(stops->Presents(), 6) << "presents asked of a server that had no more records";

  std::string all;
  for (const std::string& r : records) all += r;
  auto few = TZFaultServer::Records(records, {.MostPerPresent = 10});
  auto t = NewServer(few->Port(), 5);
  EXPECT_TRUE(StringToAnsi(t->SingleSearchIT(u"any", false, 4, 300)) == all);
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

  // A round trip of 1.2 s against a 2 s limit: pieces sized by the records'
  // own time, not the round trip's, which would shrink them to one record
  // a present. A fetch past twenty presents is given up.
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
