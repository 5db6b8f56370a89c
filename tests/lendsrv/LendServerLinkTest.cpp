// Large fetches over links that are slow, distant or fail part-way, made by a
// relay between the search and its server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "DirectZoom.h"
#include "FaultServer.h"
#include "ZTestServer.h"
#include "lendsrv/LendServer.h"
#include "lendsrv/ZSearch.h"
#include "platform/core/CodePage.h"
#include "tests/support/LinkRelay.h"

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

TEST(LendServerSlowLink, AServerThatKeepsSendingIsNeverCutOffAndTheWindowsRunWhileItSends) {
  ZTestServer z;
  // 128 KiB at this speed would take longer than the limit: pieces must be
  // sized from the speed the server shows.
  TLinkRelay relay(ZTestServer::Host(), z.Port(), {.BytesPerSecond = 50'000});
  auto s = NewServer(relay.Port(), 2);
  TClock::duration largestGap{};
  auto last = TClock::now();
  s->SetCallWaitHandler([&] {
    const auto now = TClock::now();
    largestGap = std::max(largestGap, now - last);
    last = now;
    return true;
  });
  const auto start = TClock::now();
  const AnsiString bytes = StringToAnsi(s->SingleSearchIT(u"1000", false, 4, 1000));
  const auto took = TClock::now() - start;
  largestGap = std::max(largestGap, TClock::now() - last);

  const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 1000", 1000);
  EXPECT_TRUE(bytes == ref.Joined()) << bytes.size() << " bytes against the server's " << ref.Joined().size();
  EXPECT_EQ(s->GetzLastError(), u"");
  EXPECT_EQ(ClientCount(s->rCount()), 1000);
  // The fetch lasted several limits (the relay kept to its speed), and the
  // windows were never kept waiting long.
  EXPECT_GT(took, 5s);
  EXPECT_LT(largestGap, 1s);
}

// A fetch of 3,000 records whose link fails after 600 KB, with a 2 s limit:
// it ends within 4 s, keeping the records that came whole, a prefix of what
// the server sent that a MARC reader reads whole; the counts say how many and
// zLastError which did not come, after what was wrong with those that came.
void ExpectRecordsKeptAfterTheLinkFailed(TLendServer& S, const std::string& Sent, const std::string& ToldFirst,
                                         const std::string& Why) {
  const auto start = TClock::now();
  const AnsiString kept = StringToAnsi(S.SingleSearchIT(u"3000", false, 4, 3000));
  EXPECT_LT(TClock::now() - start, 4s);
  ASSERT_FALSE(kept.empty()) << ToUtf8(S.GetzLastError());
  EXPECT_LT(kept.size(), 600'000u);
  EXPECT_TRUE(Sent.compare(0, kept.size(), kept) == 0) << "the records kept are not the server's first bytes";
  const int delivered = MarcDumpCount(kept);
  EXPECT_GT(delivered, 1000);
  EXPECT_EQ(ClientCount(S.rCount()), delivered);
  EXPECT_EQ(ClientCount(S.tReturned()), 3000);
  EXPECT_EQ(
      ToUtf8(S.GetzLastError())
          .rfind(ToldFirst + "Records " + std::to_string(delivered + 1) + "-3000 of 3000 did not come: " + Why, 0),
      0u)
      << ToUtf8(S.GetzLastError());
}

TEST(LendServerFailingLink, ALinkThatFallsSilentEndsTheFetchWithinTheLimitKeepingTheRecordsThatCame) {
  ZTestServer z;
  TLinkRelay relay(ZTestServer::Host(), z.Port(), {.SilentAfter = 600'000});
  auto s = NewServer(relay.Port(), 2);
  const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 3000", 3000);
  ExpectRecordsKeptAfterTheLinkFailed(*s, ref.Joined(), "", "Timeout (10007)");
  EXPECT_EQ(relay.Passed(), 600'000);
}

TEST(LendServerFailingLink, ALinkThatClosesKeepsTheRecordsThatCameAndTellsTheirFaultsFirst) {
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
  ExpectRecordsKeptAfterTheLinkFailed(*s, sent, "Record 2 of 3000 is not ISO 2709 (kept as sent); ", "");
}

TEST(LendServerDistantLink, AFetchOverALongRoundTripIsNotDominatedByRoundTrips) {
  ZTestServer z;
  TLinkRelay relay(ZTestServer::Host(), z.Port(), {.RoundTrip = 200ms});
  auto fetch = [&](int Port, TClock::duration& Took) {
    const auto start = TClock::now();
    TZSearchResult r = ZSearch(ZTestServer::Params(Port), PqfUseQuery(4, "53000"), 53000);
    Took = TClock::now() - start;
    return r;
  };
  TClock::duration nearTook{}, farTook{};
  const TZSearchResult near = fetch(z.Port(), nearTook);
  const TZSearchResult far = fetch(relay.Port(), farTook);
  ASSERT_TRUE(near.Ok) << near.Error;
  ASSERT_TRUE(far.Ok) << far.Error;
  EXPECT_EQ(far.Delivered, 53000u);
  EXPECT_TRUE(far.Records == near.Records) << "the records differ over the distant link";
  EXPECT_EQ(far.Error, "");
  // Fewer than forty round trips.
  EXPECT_LT(farTook - nearTook, 8s) << "near " << std::chrono::duration<double>(nearTook).count() << " s, far "
                                    << std::chrono::duration<double>(farTook).count() << " s";
}

}  // namespace
