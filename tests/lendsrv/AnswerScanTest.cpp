// The tap's reading of answers, over encodings built byte by byte: lengths in
// every form the library reads, answers fed whole and a byte at a time,
// records and diagnostics in their places, and what it refuses.
#include "lendsrv/AnswerScan.h"

#include <gtest/gtest.h>

#include <optional>

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/BerBuild.h"

namespace {

using namespace ber;

std::string Bytes(std::string_view S) { return std::string(S); }
const std::string kUsmarcOid = Ber("\x06", kUsmarc);
const std::string kBib1Oid = Ber("\x06", kBib1);

std::string External(std::string_view Octets, std::string_view Descriptor = {}) {
  return OctetsExternal(Octets, Descriptor);
}
std::string RecordElement(std::string_view Octets, std::string_view Descriptor = {}) {
  return OctetsRecord(Octets, Descriptor);
}
// The elements of a search answer of 300 hits before its records.
const std::string kSearchHead =
    Bytes("\x97\x02\x01\x2C") + Ber("\x98", "\x02") + Ber("\x99", "\x03") + Ber("\x96", "\x01");
std::string SearchAnswer(std::string_view Records, std::string_view After = {}) {
  return Ber("\xB7", kSearchHead + Ber("\xBC", Records) + Bytes(After));
}
const std::string kTwoRecords = RecordElement("first") + RecordElement("second");

struct TScanned {
  TAnswerVerdict Verdict;
  std::size_t Length;
  std::size_t Checked;
  std::size_t Records;
  std::optional<long long> Hits;
};

TScanned Scan(std::string_view B, bool ByteByByte, TAnswerScan scan = TAnswerScan()) {
  if (ByteByByte)
    for (std::size_t n = 1; n <= B.size(); ++n) scan.Advance(B.substr(0, n));
  else scan.Advance(B);
  return {scan.Verdict(), scan.Length(), scan.Checked(), scan.Records().size(), scan.ResultCount()};
}

struct TCase {
  const char* Name;
  std::string Answer;
  TAnswerVerdict Verdict;
  std::size_t Checked;  // of a whole answer: its length
  std::size_t Records = 0;
  std::optional<long long> Hits{};
};

const std::string kLongContents = kSearchHead + Ber("\xBC", kTwoRecords);

// Depth elements, each of indefinite length inside the one before, the last
// holding a simple element.
std::string Nested(int Depth) {
  std::string e = Ber("\x80", "x");
  for (int i = 1; i < Depth; ++i) e = Indefinite("\x30", e);
  return Indefinite("\xB7", e);
}

const std::string kDiagnosticAnswer =
    Ber("\xB7", Ber("\x97", B("\x00")) + Ber("\x98", B("\x00")) + Ber("\x99", "\x01") + Ber("\x96", B("\x00")) +
                    Ber("\xBF\x81\x02", kBib1Oid + Ber("\x02", "\x72") + Ber("\x1A", "9999")));
const std::string kPresentAnswer =
    Ber("\xB9", Ber("\x98", "\x02") + Ber("\x99", "\x03") + Ber("\x9B", B("\x00")) + Ber("\xBC", kTwoRecords));
const std::string kIndefiniteAnswer = Indefinite(
    "\xB7", kSearchHead + Indefinite("\xBC", Indefinite("\x30", Indefinite("\xA1", Ber("\xA1", External("first"))))));

// GRS-1: a tagged element whose value is octets under an explicit tag, its
// tag a string, its metadata empty; the same holding a record of its own,
// Depth deep.
const std::string kGrs1Element = Ber("\x30", Ber("\x81", "\x02") + Ber("\xA2", Ber("\x81", "title")) +
                                                 Ber("\xA4", Ber("\x04", "octets!")) + B("\xA5\x00"));
std::string Grs1Nested(int Depth) {
  std::string record = Ber("\x30", kGrs1Element);
  for (int i = 1; i < Depth; ++i)
    record = Ber("\x30", Ber("\x30", Ber("\x81", "\x02") + Ber("\xA4", Ber("\xA6", record))));
  return record;
}
std::string Grs1Record(std::string_view GenericRecord) {
  return ber::RecordElement(ValueExternal(kGrs1, GenericRecord));
}
// OPAC: a bibliographic record, then holdings with empty lists of volumes and
// of circulation, and an empty list of holdings.
const std::string kOpacRecord = ber::RecordElement(
    ValueExternal(kOpac, Ber("\x30", Ber("\xA1", Ber("\x06", kUsmarc) + Ber("\x81", "marc")) +
                                         Ber("\xA2", Ber("\xA2", Ber("\x81", "book") + B("\xB2\x00\xB3\x00"))))));
const std::string kOpacNoHoldings = ber::RecordElement(
    ValueExternal(kOpac, Ber("\x30", Ber("\xA1", Ber("\x06", kUsmarc) + Ber("\x81", "m")) + B("\xA2\x00"))));
// A record of a syntax the library keeps as bytes: whatever its value holds.
const std::string kKeptValue = ber::RecordElement(ValueExternal(kUsmarc, Indefinite("\x24", Ber("\x04", "ab"))));
const std::string kFragment = Ber("\x30", Ber("\xA1", Ber("\xA3", External("piece"))));

const std::string kConstructedDescriptor =
    SearchAnswer(RecordElement("first") + RecordElement("second", B("\x39\x00")));
const std::size_t kSecondRecord = kConstructedDescriptor.find(RecordElement("second", B("\x39\x00")));
const std::string kNamedInConstructedForm = SearchAnswer(Ber("\x30", B("\xA0\x00") + Ber("\xA1", "")));
const std::string kNameInPieces =
    SearchAnswer(RecordElement("first") + ber::RecordElement(OctetsExternal("second"), Hex("a0 05 04 03") + "Def"));
const std::string kGrs1TagInPieces =
    SearchAnswer(Grs1Record(Ber("\x30", Ber("\x30", Ber("\x81", "\x02") + Ber("\xA2", Ber("\xA1", Ber("\x04", "T"))) +
                                                        Ber("\xA4", B("\x05\x00"))))));
const std::string kCountInPieces = B("\xB7\x05\xB7\x03\x02\x01\x05");

// A GRS-1 tagged element holding Value, then Extra (its metadata, variant).
std::string Grs1Tagged(std::string_view Value, std::string_view Extra = {}) {
  return Ber("\x30", Ber("\x81", "\x02") + Ber("\xA2", Ber("\x81", "title")) + Ber("\xA4", Value) + Bytes(Extra));
}
std::string Grs1Of(std::string_view Value, std::string_view Extra = {}) {
  return SearchAnswer(Grs1Record(Ber("\x30", Grs1Tagged(Value, Extra))));
}
// Octets and bits in pieces, which the library reads as no value and survives.
const std::string kGrs1OctetsInPieces = Grs1Of(Pieces("\x24", {"A ti", "tle"}));
const std::string kVariantValueInPieces =
    Grs1Of(Ber("\x1B", "text"),
           Ber("\xA6", Ber("\xA2", Ber("\x30", Hex("81 01 01 82 01 01") + Ber("\xA3", Pieces("\x24", {"ab", "c"}))))));
const std::string kGrs1ExternalInPieces = Grs1Of(Ber("\x28", kUsmarcOid + Pieces("\xA1", {"ab", "cd"})));
const std::string kOctetsInPieces = SearchAnswer(
    RecordElement("first") + ber::RecordElement(Ber("\x28", kUsmarcOid + Pieces("\xA1", {"00026", "nam"}))));
const std::string kSutrsTextInPieces =
    SearchAnswer(ber::RecordElement(ValueExternal(kSutrs, Ber("\x1B", "Sutrs 1"))) +
                 ber::RecordElement(ValueExternal(kSutrs, Pieces("\x3B", {"Sutrs", " 2"}))));
const std::string kXmlInPieces =
    SearchAnswer(ber::RecordElement(Ber("\x28", Ber("\x06", kXml) + Pieces("\xA1", {"<a", "/>"}))));
const std::string kArbitraryInPieces =
    SearchAnswer(ber::RecordElement(Ber("\x28", Ber("\x06", kXml) + Indefinite("\xA2", Ber("\x03", B("\x00\x61"))))));
const std::string kInitUserInfoInPieces =
    Hex("b52e830205e0840206c0850301000086030100008c0101ab17281506072a8648ce130a03a18004026162040263640000");
const std::string kInitOptionsInPieces =
    Ber("\xB5", Hex("83 02 05 e0") + Indefinite("\xA4", Ber("\x03", B("\x06\xC0"))) +
                    Hex("85 03 01 00 00 86 03 01 00 00 8c 01 01"));
// What the library cannot take in pieces: a character string, and the
// octets of an EXTERNAL inside an OPAC record, which its rendering reads.
const std::string kGrs1TextInPieces = Grs1Of(Indefinite("\x3B", Ber("\x1B", "ab")));
const std::string kOpacOctetsInPieces = SearchAnswer(ber::RecordElement(
    ValueExternal(kOpac, Ber("\x30", Ber("\xA1", kUsmarcOid + Pieces("\xA1", {"00026", "nam"})) + B("\xA2\x00")))));
// A GRS-1 record Depth deep, every element in the indefinite form.
std::string Grs1NestedIndefinite(int Depth) {
  std::string record =
      Indefinite("\x30", Indefinite("\x30", Ber("\x81", "\x02") + Indefinite("\xA4", Ber("\x04", "leaf"))));
  for (int i = 1; i < Depth; ++i)
    record =
        Indefinite("\x30", Indefinite("\x30", Ber("\x81", "\x02") + Indefinite("\xA4", Indefinite("\xA6", record))));
  return Indefinite(
      "\xB7",
      kSearchHead +
          Indefinite(
              "\xBC",
              Indefinite("\x30",
                         Indefinite("\xA1", Indefinite("\xA1", Indefinite("\x28", Ber("\x06", kGrs1) +
                                                                                      Indefinite("\xA0", record)))))));
}

std::string DefiniteNesting(int Depth) {
  std::string e = Ber("\x80", "x");
  for (int i = 1; i < Depth; ++i) e = Ber("\x30", e);
  return Ber("\xB7", e);
}

const std::vector<TCase> kCases = {
    {"definite lengths", SearchAnswer(kTwoRecords), TAnswerVerdict::Whole, SearchAnswer(kTwoRecords).size(), 2, 300},
    {"indefinite lengths", kIndefiniteAnswer, TAnswerVerdict::Whole, kIndefiniteAnswer.size(), 1, 300},
    {"a length of two octets", B("\xB7\x82\x00") + char(kLongContents.size()) + kLongContents, TAnswerVerdict::Whole,
     4 + kLongContents.size(), 2, 300},
    {"a length of five octets, the first zero",
     B("\xB7\x85\x00\x00\x00\x00") + char(kLongContents.size()) + kLongContents, TAnswerVerdict::Whole,
     7 + kLongContents.size(), 2, 300},
    // The library keeps the last four octets of a length.
    {"a length of five octets, the first shifted out",
     B("\xB7\x85\x01\x00\x00\x00") + char(kLongContents.size()) + kLongContents, TAnswerVerdict::Whole,
     7 + kLongContents.size(), 2, 300},
    {"an empty list of records", SearchAnswer(""), TAnswerVerdict::Whole, SearchAnswer("").size(), 0, 300},
    {"a surrogate diagnostic in a record's place", SearchAnswer(RecordElement("first") + DiagnosticRecord(14, "x")),
     TAnswerVerdict::Whole, SearchAnswer(RecordElement("first") + DiagnosticRecord(14, "x")).size(), 2, 300},
    {"a diagnostic in place of records", kDiagnosticAnswer, TAnswerVerdict::Whole, kDiagnosticAnswer.size(), 0, 0},
    {"a present answer", kPresentAnswer, TAnswerVerdict::Whole, kPresentAnswer.size(), 2},
    {"empty other information after the records", SearchAnswer(kTwoRecords, kEmptyOtherInfo), TAnswerVerdict::Whole,
     SearchAnswer(kTwoRecords, kEmptyOtherInfo).size(), 2, 300},
    {"empty additional search information", Hex("b710970100980100990100960101bf814b00"), TAnswerVerdict::Whole, 18, 0,
     0},
    {"a database's name before the record", SearchAnswer(ber::RecordElement(External("first"), Ber("\x80", "Default"))),
     TAnswerVerdict::Whole, SearchAnswer(ber::RecordElement(External("first"), Ber("\x80", "Default"))).size(), 1, 300},
    {"a GRS-1 record of octets under an explicit tag and empty metadata", SearchAnswer(Grs1Record(Grs1Nested(1))),
     TAnswerVerdict::Whole, SearchAnswer(Grs1Record(Grs1Nested(1))).size(), 1, 300},
    {"a GRS-1 record nested 30 deep", SearchAnswer(Grs1Record(Grs1Nested(30))), TAnswerVerdict::Whole,
     SearchAnswer(Grs1Record(Grs1Nested(30))).size(), 1, 300},
    {"OPAC records with empty lists", SearchAnswer(kOpacRecord + kOpacNoHoldings), TAnswerVerdict::Whole,
     SearchAnswer(kOpacRecord + kOpacNoHoldings).size(), 2, 300},
    {"a value the library keeps as bytes", SearchAnswer(kKeptValue), TAnswerVerdict::Whole,
     SearchAnswer(kKeptValue).size(), 1, 300},
    {"a record as a fragment", SearchAnswer(kFragment), TAnswerVerdict::Whole, SearchAnswer(kFragment).size(), 1, 300},
    {"elements of indefinite length nested as deep as the library reads", Nested(1000), TAnswerVerdict::Whole,
     Nested(1000).size()},
    {"elements of definite length nested deeper", DefiniteNesting(5000), TAnswerVerdict::Whole,
     DefiniteNesting(5000).size()},
    {"an answer cut short", SearchAnswer(kTwoRecords).substr(0, SearchAnswer(kTwoRecords).size() - 3),
     TAnswerVerdict::Following, SearchAnswer(kTwoRecords).size() - 3, 1, 300},
    {"a descriptor as an empty constructed string", kConstructedDescriptor, TAnswerVerdict::Damaged,
     kConstructedDescriptor.find(B("\x39\x00"), kSecondRecord), 1, 300},
    {"a database's name, empty and constructed", kNamedInConstructedForm, TAnswerVerdict::Damaged,
     kNamedInConstructedForm.find("\xA0"), 0, 300},
    {"a database's name in pieces", kNameInPieces, TAnswerVerdict::Damaged, kNameInPieces.find("\xA0\x05"), 1, 300},
    {"a GRS-1 tag's string in pieces", kGrs1TagInPieces, TAnswerVerdict::Damaged,
     kGrs1TagInPieces.find(Hex("a2 05 a1 03 04")), 0, 300},
    {"a hit count in the constructed form", kCountInPieces, TAnswerVerdict::Damaged, 0},
    {"a length of the reserved form", B("\xB7\xFF\x00"), TAnswerVerdict::Damaged, 0},
    {"a length past the library's integer", B("\xB7\x84\xFF\xFF\xFF\xFF") + kLongContents, TAnswerVerdict::Damaged, 0},
    {"an element past the one that holds it", B("\xB7\x08\x97\x02\x01\x2C\x98\x05\x01\x01"), TAnswerVerdict::Damaged, 6,
     0, 300},
    {"a header past the element that holds it", Hex("b7 07 97 02 01 2c 98 84 00"), TAnswerVerdict::Damaged, 6, 0, 300},
    {"a header that cannot fit, its first bytes come", Hex("b7 07 97 02 01 2c 98 84"), TAnswerVerdict::Damaged, 6, 0,
     300},
    {"a simple element of indefinite length", B("\xB7\x80\x97\x80\x01\x00\x00\x00\x00"), TAnswerVerdict::Damaged, 0},
    {"an end of contents where none is due", B("\xB7\x06\x00\x00\x97\x02\x01\x2C"), TAnswerVerdict::Damaged, 0},
    // Deeper than the library's framing follows: nothing from there before
    // the answer is whole, which its decoder reads.
    {"elements of indefinite length nested deeper than the library's framing follows", Nested(1001),
     TAnswerVerdict::Whole, Nested(1001).size()},
    {"elements nested deeper than the library's framing follows, cut short", Nested(1001).substr(0, 2 * 1001 + 3),
     TAnswerVerdict::Following, 2 * 1001},
    {"a GRS-1 record nested 300 deep in indefinite lengths", Grs1NestedIndefinite(300), TAnswerVerdict::Whole,
     Grs1NestedIndefinite(300).size(), 1, 300},
    {"a GRS-1 element's octets in pieces", kGrs1OctetsInPieces, TAnswerVerdict::Whole, kGrs1OctetsInPieces.size(), 1,
     300},
    {"a variant's value in pieces", kVariantValueInPieces, TAnswerVerdict::Whole, kVariantValueInPieces.size(), 1, 300},
    {"an EXTERNAL in a GRS-1 record, its octets in pieces", kGrs1ExternalInPieces, TAnswerVerdict::Whole,
     kGrs1ExternalInPieces.size(), 1, 300},
    {"a record's octets in pieces", kOctetsInPieces, TAnswerVerdict::Whole, kOctetsInPieces.size(), 2, 300},
    {"a SUTRS record's text in pieces", kSutrsTextInPieces, TAnswerVerdict::Whole, kSutrsTextInPieces.size(), 2, 300},
    {"an XML record's octets in pieces", kXmlInPieces, TAnswerVerdict::Whole, kXmlInPieces.size(), 1, 300},
    {"an EXTERNAL's bits in pieces", kArbitraryInPieces, TAnswerVerdict::Whole, kArbitraryInPieces.size(), 1, 300},
    {"octets in pieces in the initialisation answer's user information", kInitUserInfoInPieces, TAnswerVerdict::Whole,
     kInitUserInfoInPieces.size()},
    {"the initialisation answer's options in pieces", kInitOptionsInPieces, TAnswerVerdict::Whole,
     kInitOptionsInPieces.size()},
    // Its explicit tag is held back with it.
    {"a GRS-1 element's text in pieces", kGrs1TextInPieces, TAnswerVerdict::Damaged,
     kGrs1TextInPieces.find(Ber("\xA4", Indefinite("\x3B", Ber("\x1B", "ab")))), 0, 300},
    {"an EXTERNAL's octets in pieces inside an OPAC record", kOpacOctetsInPieces, TAnswerVerdict::Damaged,
     kOpacOctetsInPieces.find("\xA1\x80"), 0, 300},
    {"a text greeting", "SSH-2.0-Server\r\n", TAnswerVerdict::NotZ3950, 0},
    {"a TLS alert", B("\x15\x03\x03\x00\x02\x02\x46"), TAnswerVerdict::NotZ3950, 0},
    {"a universal sequence", B("\x30\x03\x02\x01\x05"), TAnswerVerdict::NotZ3950, 0},
};

TEST(AnswerScan, ReadsEachEncodingTheSameWhetherItComesWholeOrAByteAtATime) {
  for (const TCase& c : kCases) {
    for (const bool byteByByte : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (byteByByte ? ", a byte at a time" : ", whole"));
      const TScanned s = Scan(c.Answer, byteByByte);
      EXPECT_EQ(s.Verdict, c.Verdict);
      EXPECT_EQ(s.Checked, c.Checked);
      EXPECT_EQ(s.Length, c.Verdict == TAnswerVerdict::Whole ? c.Checked : 0);
      EXPECT_EQ(s.Records, c.Records);
      EXPECT_EQ(s.Hits, c.Hits);
    }
  }
}

// An answer of another kind than the one awaited, or with none awaited, is
// refused at its first header, before a byte of it is checked; a close is
// in turn whenever it comes.
TEST(AnswerScan, RefusesAnAnswerOutOfTurnBeforeAnyOfItsBytes) {
  const std::string search = SearchAnswer(kTwoRecords);
  const std::string init = InitAnswer();
  const std::string close = Ber("\xBF\x30", Ber("\x9F\x81\x53", "\x01"));
  const struct {
    const char* Name;
    std::string Answer;
    std::optional<std::uint32_t> Awaited;
    TAnswerVerdict Verdict;
  } cases[] = {
      {"a search answer awaited", search, 23, TAnswerVerdict::Whole},
      {"an initialisation answer where a search answer is due", init, 23, TAnswerVerdict::OutOfTurn},
      {"a search answer where an initialisation answer is due", search, 21, TAnswerVerdict::OutOfTurn},
      {"a search answer before any request", search, std::nullopt, TAnswerVerdict::OutOfTurn},
      {"a close where a search answer is due", close, 23, TAnswerVerdict::Whole},
      {"a close before any request", close, std::nullopt, TAnswerVerdict::Whole},
  };
  for (const auto& c : cases) {
    for (const bool byteByByte : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (byteByByte ? ", a byte at a time" : ", whole"));
      const TScanned s = Scan(c.Answer, byteByByte, TAnswerScan(TAnswerTurn{c.Awaited}));
      EXPECT_EQ(s.Verdict, c.Verdict);
      EXPECT_EQ(s.Checked, c.Verdict == TAnswerVerdict::Whole ? c.Answer.size() : 0);
    }
  }
}

TEST(AnswerScan, EndsAnAnswerWhereItsLengthSaysAndLeavesTheNextOneAfterIt) {
  const std::string first = SearchAnswer(kTwoRecords);
  TAnswerScan scan;
  scan.Advance(first + SearchAnswer(""));
  EXPECT_EQ(scan.Verdict(), TAnswerVerdict::Whole);
  EXPECT_EQ(scan.Length(), first.size());
}

TEST(AnswerScan, HoldsBackAConstructedElementOfAContextTagUntilItsFirstElementShowsWhatItIs) {
  const std::string answer = SearchAnswer(kTwoRecords);
  const std::size_t list = answer.find('\xBC');
  TAnswerScan scan;
  scan.Advance(std::string_view(answer).substr(0, list + 2));
  EXPECT_EQ(scan.Checked(), list);
  scan.Advance(std::string_view(answer).substr(0, list + 4));
  EXPECT_EQ(scan.Checked(), list + 4);

  // Nor goes on while its first element is one such, held back itself.
  const std::string nested = Indefinite(
      "\xB7", kSearchHead + Indefinite("\xBC", Indefinite("\x30", Indefinite("\xA0", Indefinite("\xA1", "")))));
  const std::size_t named = nested.find('\xA0');
  TAnswerScan other;
  other.Advance(std::string_view(nested).substr(0, named + 4));
  EXPECT_EQ(other.Checked(), named);
}

}  // namespace
