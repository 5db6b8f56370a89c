// Building the query and naming the record syntax; the searches themselves are
// checked end to end in LendServerTest.cpp.
#include "lendsrv/ZSearch.h"

#include <gtest/gtest.h>
#include <yaz/oid_db.h>
#include <yaz/zoom.h>

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

// The program names syntaxes without the library: every name it knows is the
// library's own, with the same identifier, and its memory failure is the
// library's text.
TEST(ResolveRecordSyntax, EveryNameIsTheLibrarysWithTheLibrarysIdentifier) {
  const std::vector<std::string_view> names = RecordSyntaxNames();
  EXPECT_EQ(names.size(), 35u);
  for (std::string_view name : names) {
    SCOPED_TRACE(name);
    char dotted[OID_STR_MAX];
    const Odr_oid* oid = yaz_string_to_oid(yaz_oid_std(), CLASS_RECSYN, std::string(name).c_str());
    ASSERT_NE(oid, nullptr);
    EXPECT_STREQ(ResolveRecordSyntax(name), oid_oid_to_dotstring(oid, dotted));
  }
  EXPECT_EQ(std::string(OutOfMemoryText), DiagnosticText(ZOOM_diag_str(ZOOM_ERROR_MEMORY), "", ZOOM_ERROR_MEMORY, ""));
}

TEST(ResolveRecordSyntax, UnknownNamesAndWildcardsAreNotResolved) {
  EXPECT_EQ(ResolveRecordSyntax("???"), nullptr);
  EXPECT_EQ(ResolveRecordSyntax("UNI/MARC"), nullptr);
  EXPECT_EQ(ResolveRecordSyntax("RUSMARC "), nullptr);
  EXPECT_EQ(ResolveRecordSyntax(""), nullptr);
}

}  // namespace
