// The tap's reading of answers, over encodings built byte by byte: lengths in
// every form the library reads, answers fed whole and a byte at a time,
// records and diagnostics in their places, and what it refuses.
#include "lendsrv/AnswerScan.h"

#include <gtest/gtest.h>

#include <optional>

#include <string>
#include <string_view>
#include <vector>

namespace {

std::string Bytes(std::string_view S) { return std::string(S); }
// A literal's bytes, zero bytes too.
template <std::size_t N>
std::string B(const char (&S)[N]) {
  return std::string(S, N - 1);
}

// One BER element: Identifier, the length in the shortest definite form, then
// Contents.
std::string Ber(std::string_view Identifier, std::string_view Contents) {
  std::string length;
  for (std::size_t n = Contents.size(); n > 0; n >>= 8) length.insert(length.begin(), static_cast<char>(n & 0xFF));
  if (Contents.size() < 0x80) length = std::string(1, static_cast<char>(Contents.size()));
  else length.insert(length.begin(), static_cast<char>(0x80 | length.size()));
  return Bytes(Identifier) + length + Bytes(Contents);
}
// The same in the indefinite form.
std::string Indefinite(std::string_view Identifier, std::string_view Contents) {
  return Bytes(Identifier) + '\x80' + Bytes(Contents) + std::string(2, '\0');
}

const std::string kUsmarc = Ber("\x06", "\x2A\x86\x48\xCE\x13\x05\x0A");
const std::string kBib1 = Ber("\x06", "\x2A\x86\x48\xCE\x13\x04\x01");

std::string External(std::string_view Octets, std::string_view Descriptor = {}) {
  return Ber("\x28", kUsmarc + Bytes(Descriptor) + Ber("\x81", Octets));
}
std::string RecordElement(std::string_view Octets, std::string_view Descriptor = {}) {
  return Ber("\x30", Ber("\xA1", Ber("\xA1", External(Octets, Descriptor))));
}
std::string DiagnosticElement(char Condition, std::string_view Addinfo) {
  return Ber(
      "\x30",
      Ber("\xA1", Ber("\xA2", Ber("\x30", kBib1 + Ber("\x02", std::string(1, Condition)) + Ber("\x1A", Addinfo)))));
}
// The elements of a search answer of 300 hits before its records.
const std::string kSearchHead =
    Bytes("\x97\x02\x01\x2C") + Ber("\x98", "\x02") + Ber("\x99", "\x03") + Ber("\x96", "\x01");
std::string SearchAnswer(std::string_view Records) { return Ber("\xB7", kSearchHead + Ber("\xBC", Records)); }
const std::string kTwoRecords = RecordElement("first") + RecordElement("second");

struct TScanned {
  TAnswerVerdict Verdict;
  std::size_t Length;
  std::size_t Checked;
  std::size_t Records;
  std::optional<long long> Hits;
};

TScanned Scan(std::string_view B, bool ByteByByte) {
  TAnswerScan scan;
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
const std::string kConstructedDescriptor =
    SearchAnswer(RecordElement("first") + RecordElement("second", B("\x39\x00")));
const std::size_t kSecondRecord = kConstructedDescriptor.find(RecordElement("second", B("\x39\x00")));
const std::string kNamedInConstructedForm = SearchAnswer(Ber("\x30", B("\xA0\x00") + Ber("\xA1", "")));
const std::string kStringInPieces = SearchAnswer(Ber("\x30", Ber("\xA0", Ber("\x04", "ab"))));

// Depth elements, each inside the one before, of two-byte headers.
std::string Nested(int Depth) {
  std::string e = Ber("\x80", "x");
  for (int i = 1; i < Depth; ++i) e = Indefinite("\x30", e);
  return Indefinite("\xB7", e);
}

const std::string kDiagnosticAnswer =
    Ber("\xB7", Ber("\x97", B("\x00")) + Ber("\x98", B("\x00")) + Ber("\x99", "\x01") + Ber("\x96", B("\x00")) +
                    Ber("\xBF\x81\x02", kBib1 + Ber("\x02", "\x72") + Ber("\x1A", "9999")));
const std::string kPresentAnswer =
    Ber("\xB9", Ber("\x98", "\x02") + Ber("\x99", "\x03") + Ber("\x9B", B("\x00")) + Ber("\xBC", kTwoRecords));
const std::string kIndefiniteAnswer = Indefinite(
    "\xB7", kSearchHead + Indefinite("\xBC", Indefinite("\x30", Indefinite("\xA1", Ber("\xA1", External("first"))))));

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
    {"a surrogate diagnostic in a record's place", SearchAnswer(RecordElement("first") + DiagnosticElement(14, "x")),
     TAnswerVerdict::Whole, SearchAnswer(RecordElement("first") + DiagnosticElement(14, "x")).size(), 2, 300},
    {"a diagnostic in place of records", kDiagnosticAnswer, TAnswerVerdict::Whole, kDiagnosticAnswer.size(), 0, 0},
    {"a present answer", kPresentAnswer, TAnswerVerdict::Whole, kPresentAnswer.size(), 2},
    {"an answer cut short", SearchAnswer(kTwoRecords).substr(0, SearchAnswer(kTwoRecords).size() - 3),
     TAnswerVerdict::Following, SearchAnswer(kTwoRecords).size() - 3, 1, 300},
    {"a descriptor as an empty constructed string", kConstructedDescriptor, TAnswerVerdict::Damaged,
     kConstructedDescriptor.find(B("\x39\x00"), kSecondRecord), 1, 300},
    {"a string under an implicit tag, empty and constructed", kNamedInConstructedForm, TAnswerVerdict::Damaged,
     kNamedInConstructedForm.find("\xA0"), 0, 300},
    {"a string under an implicit tag, in pieces", kStringInPieces, TAnswerVerdict::Damaged,
     kStringInPieces.find("\xA0"), 0, 300},
    {"a length of the reserved form", B("\xB7\xFF\x00"), TAnswerVerdict::Damaged, 0},
    {"a length past the library's integer", B("\xB7\x84\xFF\xFF\xFF\xFF") + kLongContents, TAnswerVerdict::Damaged, 0},
    {"an element past the one that holds it", B("\xB7\x08\x97\x02\x01\x2C\x98\x05\x01\x01"), TAnswerVerdict::Damaged, 6,
     0, 300},
    {"a simple element of indefinite length", B("\xB7\x80\x97\x80\x01\x00\x00\x00\x00"), TAnswerVerdict::Damaged, 0},
    {"an end of contents where none is due", B("\xB7\x06\x00\x00\x97\x02\x01\x2C"), TAnswerVerdict::Damaged, 0},
    {"nesting no answer needs", Nested(200), TAnswerVerdict::Damaged, 200},
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

TEST(ReadRecordElement, ReadsARecordsOctetsOrTheDiagnosticInItsPlace) {
  const std::optional<TTapRecord> record = ReadRecordElement(RecordElement("octets as sent"));
  ASSERT_TRUE(record);
  EXPECT_FALSE(record->Diagnostic);
  EXPECT_EQ(record->Bytes, "octets as sent");
  // A database name before it, and indefinite lengths.
  const std::optional<TTapRecord> named = ReadRecordElement(
      Indefinite("\x30", Ber("\x80", "Default") + Indefinite("\xA1", Ber("\xA1", External("named")))));
  ASSERT_TRUE(named);
  EXPECT_EQ(named->Bytes, "named");

  const std::optional<TTapRecord> diagnostic = ReadRecordElement(DiagnosticElement(14, "too large"));
  ASSERT_TRUE(diagnostic);
  EXPECT_TRUE(diagnostic->Diagnostic);
  EXPECT_EQ(diagnostic->Code, 14);
  EXPECT_EQ(diagnostic->Message, "System error in presenting records");
  EXPECT_EQ(diagnostic->Addinfo, "too large");
}

TEST(ReadRecordElement, ReadsNoRecordInAnyOtherForm) {
  // Structured data instead of octets, no octets, a fragment, bytes that are
  // not an element.
  EXPECT_FALSE(
      ReadRecordElement(Ber("\x30", Ber("\xA1", Ber("\xA1", Ber("\x28", kUsmarc + Ber("\xA0", Ber("\x30", ""))))))));
  EXPECT_FALSE(ReadRecordElement(RecordElement("")));
  EXPECT_FALSE(ReadRecordElement(Ber("\x30", Ber("\xA1", Ber("\xA3", External("piece"))))));
  EXPECT_FALSE(ReadRecordElement(RecordElement("cut").substr(0, 10)));
  EXPECT_FALSE(ReadRecordElement("\x30\x80"));
}

}  // namespace
