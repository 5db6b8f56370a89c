// Building the query and naming the record syntax; the searches themselves are
// checked end to end in LendServerTest.cpp.
#include "lendsrv/ZSearch.h"

#include <gtest/gtest.h>

namespace {

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

}  // namespace
