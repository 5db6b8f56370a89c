// The byte-level search against a live yaz-ztest.
#include "lendsrv/ZSearch.h"

#include <gtest/gtest.h>

#include "DirectZoom.h"
#include "ZTestServer.h"

namespace {

TZConnectionParams Params(const ZTestServer& s, const char* db = "Default") {
  TZConnectionParams p;
  p.Host = ZTestServer::Host();
  p.Port = s.Port();
  p.Database = db;
  p.Syntax = "USMARC";
  p.TimeoutSeconds = 10;
  return p;
}

TEST(PqfUseQuery, QuotesTheTermAndEscapesBackslashAndQuote) {
  EXPECT_EQ(PqfUseQuery(4, "war and peace"), "@attr 1=4 \"war and peace\"");
  EXPECT_EQ(PqfUseQuery(1003, "a\"b\\c"), "@attr 1=1003 \"a\\\"b\\\\c\"");
  EXPECT_EQ(PqfUseQuery(21, "\xD0\x9C\xD0\xB8\xD1\x80"), "@attr 1=21 \"\xD0\x9C\xD0\xB8\xD1\x80\"");
}

TEST(ResolveRecordSyntax, KnownNamesWithoutRegardToCase) {
  ASSERT_NE(ResolveRecordSyntax("RUSMARC"), nullptr);
  EXPECT_STREQ(ResolveRecordSyntax("rusmarc"), "1.2.840.10003.5.28");
  EXPECT_STREQ(ResolveRecordSyntax("RusMarc"), "1.2.840.10003.5.28");
  EXPECT_STREQ(ResolveRecordSyntax("unimarc"), "1.2.840.10003.5.1");
  EXPECT_STREQ(ResolveRecordSyntax("USMARC"), "1.2.840.10003.5.10");
  EXPECT_STREQ(ResolveRecordSyntax("marc21"), "1.2.840.10003.5.10");
  EXPECT_STREQ(ResolveRecordSyntax("sutrs"), "1.2.840.10003.5.101");
}

TEST(ResolveRecordSyntax, UnknownNamesAndWildcardsAreNotResolved) {
  EXPECT_EQ(ResolveRecordSyntax("???"), nullptr);
  EXPECT_EQ(ResolveRecordSyntax("UNI/MARC"), nullptr);
  EXPECT_EQ(ResolveRecordSyntax("RUSMARC "), nullptr);
  EXPECT_EQ(ResolveRecordSyntax(""), nullptr);
}

TEST(ZSearchLive, DeliversTheServersBytesForTheFirstRecords) {
  ZTestServer server;
  const TZSearchResult r = ZSearch(Params(server), PqfUseQuery(4, "3"), 10);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Hits, 3u);
  EXPECT_EQ(r.Delivered, 3u);
  const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), server.Port(), "Default", "@attr 1=4 3", 3);
  EXPECT_EQ(r.Records, ref.Joined());
  EXPECT_EQ(r.Records.size(), 2101u);
  EXPECT_EQ(MarcDumpCount(r.Records), 3);
}

TEST(ZSearchLive, LargeRangeArrivesWhole) {
  ZTestServer server;
  const TZSearchResult r = ZSearch(Params(server), PqfUseQuery(21, "60"), 60);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Delivered, 60u);
  EXPECT_EQ(MarcDumpCount(r.Records), 60);
  const DirectFetch ref = DirectZoomFetch(ZTestServer::Host(), server.Port(), "Default", "@attr 1=21 60", 60);
  EXPECT_EQ(r.Records, ref.Joined());
}

TEST(ZSearchLive, NoHitsIsSuccessWithNothingDelivered) {
  ZTestServer server;
  const TZSearchResult r = ZSearch(Params(server), PqfUseQuery(4, "0"), 10);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Hits, 0u);
  EXPECT_EQ(r.Delivered, 0u);
  EXPECT_TRUE(r.Records.empty());
}

TEST(ZSearchLive, UserAndPasswordAreSentOnlyWhenGiven) {
  ZTestServer server;
  TZConnectionParams p = Params(server);
  ASSERT_TRUE(ZSearch(p, PqfUseQuery(4, "1"), 1).Ok);
  EXPECT_EQ(server.Log().find("Auth idPass"), std::string::npos);
  p.User = "reader";
  p.Password = "secret";
  ASSERT_TRUE(ZSearch(p, PqfUseQuery(4, "1"), 1).Ok);
  EXPECT_NE(server.Log().find("Auth idPass reader"), std::string::npos) << server.Log();
}

TEST(ZSearchFaults, UnknownDatabaseIsReportedWithTheDiagnostic) {
  ZTestServer server;
  const TZSearchResult r = ZSearch(Params(server, "NoSuchBase"), PqfUseQuery(4, "5"), 10);
  EXPECT_FALSE(r.Ok);
  EXPECT_TRUE(r.Records.empty());
  EXPECT_EQ(r.Hits, 0u);
  EXPECT_NE(r.Error.find("109"), std::string::npos) << r.Error;
  EXPECT_NE(r.Error.find("NoSuchBase"), std::string::npos) << r.Error;
}

TEST(ZSearchFaults, NothingListening) {
  TZConnectionParams p;
  p.Host = "127.0.0.1";
  p.Port = ZTestServer::FreePort();
  p.Database = "Default";
  const TZSearchResult r = ZSearch(p, PqfUseQuery(4, "5"), 10);
  EXPECT_FALSE(r.Ok);
  EXPECT_TRUE(r.Records.empty());
  EXPECT_FALSE(r.Error.empty());
}

}  // namespace
