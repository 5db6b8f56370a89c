// The server as the search client sees it: created by ProgID, called by name,
// against a yaz-ztest started for each scenario.
#include "lendsrv/LendServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "tests/support/DirectZoom.h"
#include "tests/support/ZTestServer.h"
#include "lendsrv/ZSearch.h"
#include "platform/core/CodePage.h"

namespace {

Variant NewServer(int port, const String& database = u"Default", const String& syntax = u"USMARC") {
  Variant v = CreateOleObject(LendServerProgID);
  OlePropertySet(v, u"zDatabase", database);
  OlePropertySet(v, u"zHost", u"127.0.0.1");
  OlePropertySet(v, u"zSyntax", syntax);
  OlePropertySet(v, u"zPort", port);
  return v;
}

String Search(const Variant& server, const String& term, Integer use, Integer limit) {
  return OleFunction(server, u"SingleSearchIT", term, false, use, limit).AsString();
}

// The object behind the Variant, for what late binding does not reach.
std::shared_ptr<TLendServer> Typed(const Variant& server) {
  auto s = std::dynamic_pointer_cast<TLendServer>(server.AsDispatch());
  if (!s) throw std::logic_error("not a search server");
  return s;
}

void SetTimeout(const Variant& server, int seconds) { Typed(server)->SetTimeoutSeconds(seconds); }

TEST(LendServerObject, IsCreatedByItsProgIdAndAnswersItsMembersInAnyCase) {
  const Variant v = CreateOleObject(u"LENDSRV.application");
  OlePropertySet(v, u"ZHOST", u"example.org");
  OlePropertySet(v, u"zport", 2100);
  OlePropertySet(v, u"zUsername", u"reader");
  EXPECT_EQ(OlePropertyGet(v, u"zHost").AsString(), u"example.org");
  EXPECT_EQ(OlePropertyGet(v, u"zPort").AsInteger(), 2100);
  EXPECT_EQ(OlePropertyGet(v, u"zUserName").AsString(), u"reader");
  EXPECT_EQ(OleFunction(v, u"TRETURNED").AsInteger(), 0);
  EXPECT_EQ(OleFunction(v, u"rcount").AsInteger(), 0);
  EXPECT_EQ(OlePropertyGet(v, u"zLastError").AsString(), u"");
}

TEST(LendServerObject, UnknownMembersAndWrongCallsRaise) {
  const Variant v = CreateOleObject(LendServerProgID);
  EXPECT_THROW(OlePropertySet(v, u"zEncoding", u"utf-8"), EOleError);
  EXPECT_THROW(OleFunction(v, u"MultiSearchIT", u"x"), EOleError);
  EXPECT_THROW(OleFunction(v, u"SingleSearchIT", u"x", false, 4), EOleError);
  EXPECT_THROW(OlePropertySet(v, u"zLastError", u"x"), EOleError);
}

TEST(LendServerSearch, TitleAuthorAndKeywordSendTheirUseAttributes) {
  ZTestServer z;
  const Variant v = NewServer(z.Port());
  EXPECT_FALSE(Search(v, u"2", 4, 10).empty());
  EXPECT_FALSE(Search(v, u"3", 1003, 10).empty());
  EXPECT_FALSE(Search(v, u"4", 21, 10).empty());
  // One line per search: "Search Default OK <hits> 1 1+<records> RPN @attrset Bib-1 <query>", the
  // records asked for with the search.
  const std::string log = z.Log();
  EXPECT_NE(log.find("Search Default OK 2 1 1+2 RPN @attrset Bib-1 @attr 1=4 2\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Search Default OK 3 1 1+3 RPN @attrset Bib-1 @attr 1=1003 3\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Search Default OK 4 1 1+4 RPN @attrset Bib-1 @attr 1=21 4\n"), std::string::npos) << log;
}

TEST(LendServerSearch, TermWithQuotesBackslashesAndCyrillicReachesTheServerWhole) {
  ZTestServer z;
  const Variant v = NewServer(z.Port());
  // yaz-ztest takes the leading digits as the hit count.
  EXPECT_FALSE(Search(v, u"2 \"Война\" \\ мир", 4, 10).empty());
  EXPECT_EQ(ClientCount(OleFunction(v, u"tReturned").AsInteger()), 2);
  const std::string log = z.Log();
  EXPECT_NE(log.find("@attr 1=4 \"2 \\\"" + ToUtf8(u"Война") + "\\\" \\\\ " + ToUtf8(u"мир") + "\""), std::string::npos)
      << log;
}

TEST(LendServerSearch, ReturnsMinOfHitsAndLimitRecordsWithTheServersBytes) {
  ZTestServer z;
  const Variant v = NewServer(z.Port());
  struct {
    int hits, limit, expected;
  } cases[] = {{3, 10, 3}, {10, 4, 4}, {1, 1, 1}, {30, 30, 30}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hits << " hits, limit " << c.limit);
    const String text = Search(v, AsciiToString(std::to_string(c.hits)), 4, c.limit);
    const AnsiString bytes = StringToAnsi(text);
    const std::string pqf = "@attr 1=4 " + std::to_string(c.hits);
    const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", pqf.c_str(), c.limit);
    ASSERT_EQ(ref.Records.size(), static_cast<size_t>(c.expected));
    EXPECT_EQ(bytes, ref.Joined());
    EXPECT_EQ(text.size(), bytes.size());  // one character per byte
    EXPECT_EQ(MarcDumpCount(bytes), c.expected);
  }
  // The test records include bytes above 0x7F: they too come back unchanged.
  const AnsiString all = StringToAnsi(Search(v, u"24", 4, 24));
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](char ch) { return static_cast<unsigned char>(ch) > 0x7F; }));
}

TEST(LendServerSearch, CountsAreTheTrueCountsAfterTheClientsReduction) {
  ZTestServer z;
  const Variant v = NewServer(z.Port());
  Search(v, u"5", 4, 3);
  EXPECT_EQ(ClientCount(OleFunction(v, u"tReturned").AsInteger()), 5);
  EXPECT_EQ(ClientCount(OleFunction(v, u"rCount").AsInteger()), 3);
  Search(v, u"1", 4, 10);
  EXPECT_EQ(OleFunction(v, u"tReturned").AsInteger(), 2);
  EXPECT_EQ(ClientCount(OleFunction(v, u"tReturned").AsInteger()), 1);
  EXPECT_EQ(ClientCount(OleFunction(v, u"rCount").AsInteger()), 1);
  EXPECT_TRUE(Search(v, u"0", 4, 10).empty());
  EXPECT_EQ(OleFunction(v, u"tReturned").AsInteger(), 0);
  EXPECT_EQ(OleFunction(v, u"rCount").AsInteger(), 0);
}

TEST(LendServerSearch, UserAndPasswordAreSentOnlyWhenPut) {
  ZTestServer z;
  Search(NewServer(z.Port()), u"1", 4, 1);
  EXPECT_EQ(z.Log().find("Auth idPass"), std::string::npos);
  const Variant v = NewServer(z.Port());
  OlePropertySet(v, u"zUserName", u"reader");
  OlePropertySet(v, u"zPassword", u"secret");
  Search(v, u"1", 4, 1);
  EXPECT_NE(z.Log().find("Auth idPass reader"), std::string::npos) << z.Log();
}

TEST(LendServerSearch, AnyCaseOfASyntaxNameAndUnknownNamesStillSearch) {
  ZTestServer z;
  for (const String syntax : {u"usmarc", u"MARC21", u"UNI/MARC", u"???"}) {
    SCOPED_TRACE(ToUtf8(syntax));
    const Variant v = NewServer(z.Port(), u"Default", syntax);
    EXPECT_FALSE(Search(v, u"2", 4, 5).empty());
    EXPECT_EQ(OlePropertyGet(v, u"zLastError").AsString(), u"");
  }
}

// Over TLS and over HTTP the search process's tap only watches, and the
// records come as over a plain connection: the tap never reads bytes it
// cannot follow.
TEST(LendServerSchemes, ASearchOverTlsOrHttpFetchesItsRecords) {
  ZTestServer z(/*Tls=*/true);
  const Variant plain = NewServer(z.Port());
  const AnsiString expected = StringToAnsi(Search(plain, u"5", 4, 10));
  ASSERT_EQ(MarcDumpCount(expected), 5);

  const Variant tls = NewServer(0);
  OlePropertySet(tls, u"zHost", AsciiToString("ssl:127.0.0.1:" + std::to_string(z.TlsPort())));
  EXPECT_TRUE(StringToAnsi(Search(tls, u"5", 4, 10)) == expected);
  EXPECT_EQ(OlePropertyGet(tls, u"zLastError").AsString(), u"");

  // Over HTTP the server answers in its own form, records in XML.
  const Variant http = NewServer(0, u"Default", u"XML");
  OlePropertySet(http, u"zHost", AsciiToString("http:127.0.0.1:" + std::to_string(z.Port())));
  EXPECT_FALSE(Search(http, u"5", 4, 10).empty());
  EXPECT_EQ(OlePropertyGet(http, u"zLastError").AsString(), u"");
  EXPECT_EQ(ClientCount(OleFunction(http, u"rCount").AsInteger()), 5);
}

// ---- Large fetches: records come in pieces, and the caller's windows run between them

// The server has answered at least one present after the search: records are
// coming piece by piece. yaz-ztest logs a request before it reads the next, so
// once the answer to the second present has come, the first is in the log.
bool PresentsAnswered(const ZTestServer& Z) { return Z.Log().find("[request] Present ") != std::string::npos; }

TEST(LendServerLargeFetch, RecordsComeInPiecesWithTheWaitHandlerBetweenThemAndKeepTheServersBytesInOrder) {
  ZTestServer z;
  const Variant v = NewServer(z.Port());
  bool calledWhileRecordsCame = false;
  Typed(v)->SetCallWaitHandler([&] {
    calledWhileRecordsCame = calledWhileRecordsCame || PresentsAnswered(z);
    return true;
  });
  // A limit short of the hits, so the last piece is cut.
  const AnsiString bytes = StringToAnsi(Search(v, u"3000", 4, 2950));
  EXPECT_TRUE(calledWhileRecordsCame);
  const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", "@attr 1=4 3000", 2950);
  ASSERT_EQ(ref.Records.size(), 2950u);
  EXPECT_TRUE(bytes == ref.Joined()) << "the records differ from the server's";
  EXPECT_EQ(OlePropertyGet(v, u"zLastError").AsString(), u"");
  EXPECT_EQ(ClientCount(OleFunction(v, u"tReturned").AsInteger()), 3000);
  EXPECT_EQ(ClientCount(OleFunction(v, u"rCount").AsInteger()), 2950);
}

// Given up while its records come, a search delivers none of them, and still
// tells what the server found.
TEST(LendServerLargeFetch, AWaitHandlerThatGivesUpWhileRecordsComeEndsTheSearchGivenUpWithItsHitsTold) {
  ZTestServer z;
  const Variant v = NewServer(z.Port());
  bool gaveUp = false;
  Typed(v)->SetCallWaitHandler([&] {
    gaveUp = PresentsAnswered(z);
    return !gaveUp;
  });
  EXPECT_TRUE(Search(v, u"5000", 4, 5000).empty());
  EXPECT_TRUE(gaveUp);
  EXPECT_EQ(OlePropertyGet(v, u"zLastError").AsString(), FromUtf8(SearchGivenUpText));
  EXPECT_EQ(ClientCount(OleFunction(v, u"tReturned").AsInteger()), 5000);
  EXPECT_EQ(OleFunction(v, u"rCount").AsInteger(), 0);
}

TEST(LendServerLargeFetch, ALargeFetchAsksForItsRecordsInFewPresents) {
  ZTestServer z;
  const Variant v = NewServer(z.Port());
  EXPECT_FALSE(Search(v, u"5000", 4, 5000).empty());
  EXPECT_EQ(ClientCount(OleFunction(v, u"rCount").AsInteger()), 5000);
  // 5,000 records of about 370 bytes: pieces of a hundred kilobytes or more.
  const std::size_t presents = z.Requests("Present");
  EXPECT_GE(presents, 2u);
  EXPECT_LE(presents, 25u) << z.Log();
}

// The CPU time this thread spends in F, in seconds.
template <class F>
double ThreadCpuSeconds(F&& f) {
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  const double start = now();
  f();
  return now() - start;
}

TEST(LendServerLargeFetch, AFetchCostsInProportionToItsSize) {
  ZTestServer z;
  auto fetch = [&](std::size_t Records) {
    std::size_t delivered = 0;
    const double cpu = ThreadCpuSeconds(
        [&] { delivered = ZSearch(ZTestServer::Params(z.Port()), PqfUseQuery(4, "50000"), Records).Delivered; });
    EXPECT_EQ(delivered, Records);
    return cpu;
  };
  // This thread's CPU time, the server's left out, in turns, the median of
  // the rounds' ratios: a busy machine weighs on both alike. Five times the
  // records cost about five times as much (five and a half under the
  // sanitizers); a fetch whose cost grows with the square of its size, twelve
  // times and more.
  std::vector<double> ratios;
  for (int round = 0; round < 5; ++round) {
    const double small = fetch(10'000);
    ratios.push_back(fetch(50'000) / small);
  }
  std::sort(ratios.begin(), ratios.end());
  EXPECT_LT(ratios[2], 8) << "ratios " << ratios[0] << " .. " << ratios[4];
}

// Each fault: empty text, zero counts and the failure kept in zLastError;
// the same object then searches a good server again.
void ExpectFailureThenRecovery(const Variant& v, int goodPort, const char* expectedInError) {
  EXPECT_EQ(Search(v, u"5", 4, 10), u"");
  EXPECT_EQ(OleFunction(v, u"tReturned").AsInteger(), 0);
  EXPECT_EQ(OleFunction(v, u"rCount").AsInteger(), 0);
  const String error = OlePropertyGet(v, u"zLastError").AsString();
  EXPECT_NE(ToUtf8(error).find(expectedInError), std::string::npos) << ToUtf8(error);

  OlePropertySet(v, u"zPort", goodPort);
  OlePropertySet(v, u"zDatabase", u"Default");
  EXPECT_EQ(StringToAnsi(Search(v, u"2", 4, 10)).size(), 732u);
  EXPECT_EQ(OlePropertyGet(v, u"zLastError").AsString(), u"");
  EXPECT_EQ(ClientCount(OleFunction(v, u"rCount").AsInteger()), 2);
}

TEST(LendServerFaults, ConnectionRefused) {
  ZTestServer z;
  ExpectFailureThenRecovery(NewServer(ZTestServer::FreePort()), z.Port(), "Connect failed");
}

TEST(LendServerFaults, UnknownDatabase) {
  ZTestServer z;
  ExpectFailureThenRecovery(NewServer(z.Port(), u"Catalogue"), z.Port(), "109");
}

TEST(LendServerFaults, SlowAnswerPastTheTimeout) {
  ZTestServer z;
  const Variant v = NewServer(z.Port(), u"Slow3");  // answers after 3 s
  SetTimeout(v, 1);
  const auto start = std::chrono::steady_clock::now();
  ExpectFailureThenRecovery(v, z.Port(), "Timeout");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2800));
}

TEST(LendServerFaults, ARunGoesOnPastADeadServer) {
  ZTestServer z;
  const int deadPort = ZTestServer::FreePort();
  int delivered = 0;
  for (int port : {deadPort, z.Port(), deadPort, z.Port()}) {
    const Variant v = NewServer(port);  // one object per resource, as the client does
    if (!Search(v, u"3", 4, 10).empty()) delivered += ClientCount(OleFunction(v, u"rCount").AsInteger());
  }
  EXPECT_EQ(delivered, 6);
}

}  // namespace
