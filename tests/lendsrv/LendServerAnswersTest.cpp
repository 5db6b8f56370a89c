// Answers a server may send, legal and not, through the whole search: each
// legal answer gives the same records and text through the tap as with the
// tap only watching (over a local socket); an answer out of turn ends the
// search at once with a text that says so, and never reaches the library;
// what follows a whole answer never takes its records back.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lendsrv/LendServer.h"
#include "platform/core/CodePage.h"
#include "tests/support/BerBuild.h"
#include "tests/support/FaultServer.h"

namespace {

using namespace std::chrono_literals;
using namespace ber;

// What a search gave the caller.
struct TFetch {
  std::string Records;
  std::string Error;
  Integer Hits = 0;
  Integer Count = 0;
  bool operator==(const TFetch&) const = default;
};

std::ostream& operator<<(std::ostream& Out, const TFetch& F) {
  return Out << F.Records.size() << " bytes, hits " << F.Hits << ", count " << F.Count << ", error \"" << F.Error
             << "\"";
}

TFetch Fetch(const std::string& Host, int Port, const char16_t* Syntax, Integer Limit, int Timeout = 20) {
  TLendServer s;
  s.SetzHost(AsciiToString(Host));
  s.SetzPort(Port);
  s.SetzDatabase(u"Default");
  s.SetzSyntax(Syntax);
  s.SetTimeoutSeconds(Timeout);
  TFetch f;
  f.Records = StringToAnsi(s.SingleSearchIT(u"any", false, 4, Limit));
  f.Error = ToUtf8(s.GetzLastError());
  f.Hits = s.tReturned();
  f.Count = s.rCount();
  return f;
}

// The same search through the tap (plain TCP) and with the tap only watching
// (a local socket).
struct TBothWays {
  TFetch Tapped, Watched;
};
TBothWays FetchBothWays(const TZFaultServer& Server, const char16_t* Syntax, Integer Limit) {
  return {Fetch(TZFaultServer::Host(), Server.Port(), Syntax, Limit), Fetch(Server.UnixHost(), 0, Syntax, Limit)};
}

std::string Records(const std::vector<std::string>& Elements) {
  std::string all;
  for (const std::string& e : Elements) all += e;
  return all;
}

// ---- Legal answers ---------------------------------------------------------------

const std::string kMarc1 = "00026nam a2200025   4500\x1E\x1D", kMarc2 = "00027nam a2200025   4500x\x1E\x1D",
                  kMarc3 = "00028nam a2200025   4500xy\x1E\x1D";

// GRS-1 records: a tagged element of a string tag whose value is octets under
// an explicit tag, with empty metadata; one whose applied variant's value is
// octets; one nested Depth deep.
std::string Grs1Element(std::string_view Value, std::string_view Extra = {}) {
  return Ber("\x30", Ber("\x81", "\x02") + Ber("\xA2", Ber("\x81", "title")) + Ber("\xA4", Value) + std::string(Extra));
}
std::string Grs1(std::string_view GenericRecord) { return RecordElement(ValueExternal(kGrs1, GenericRecord)); }
std::string Grs1Nested(int Depth) {
  std::string record = Ber("\x30", Grs1Element(Ber("\x04", "leaf")));
  for (int i = 1; i < Depth; ++i) record = Ber("\x30", Grs1Element(Ber("\xA6", record)));
  return Grs1(record);
}
const std::string kGrs1Octets = Grs1(Ber("\x30", Grs1Element(Ber("\x04", "octets!"), B("\xA5\x00"))));
const std::string kGrs1Variant = Grs1(Ber(
    "\x30",
    Grs1Element(Ber("\x1B", "text"),
                Ber("\xA6", Ber("\xA2", Ber("\x30", Hex("81 01 01 82 01 01") + Ber("\xA3", Ber("\x04", "abc"))))))));
// OPAC records: holdings with empty lists of volumes and of circulation, and
// an empty list of holdings.
std::string Opac(std::string_view Holdings) {
  return RecordElement(ValueExternal(
      kOpac, Ber("\x30", Ber("\xA1", Ber("\x06", kUsmarc) + Ber("\x81", kMarc1)) + std::string(Holdings))));
}
const std::string kOpacEmptyLists = Opac(Ber("\xA2", Ber("\xA2", Ber("\x81", "book") + B("\xB2\x00\xB3\x00"))));
const std::string kOpacNoHoldings = Opac(B("\xA2\x00"));

// Strings in pieces the library reads: octets as a GRS-1 element's content,
// as a variant's value, as an EXTERNAL's inside GRS-1; a SUTRS text, XML
// octets, a record's octets (each an empty record).
const std::string kGrs1OctetsInPieces = Grs1(Ber("\x30", Grs1Element(Pieces("\x24", {"A ti", "tle"}))));
const std::string kGrs1VariantInPieces =
    Grs1(Ber("\x30", Grs1Element(Ber("\x1B", "text"),
                                 Ber("\xA6", Ber("\xA2", Ber("\x30", Hex("81 01 01 82 01 01") +
                                                                         Ber("\xA3", Pieces("\x24", {"ab", "c"}))))))));
const std::string kGrs1ExternalInPieces =
    Grs1(Ber("\x30", Grs1Element(Ber("\x28", Ber("\x06", kUsmarc) + Pieces("\xA1", {"ab", "cd"})))));
std::string Sutrs(std::string_view Value) { return RecordElement(ValueExternal(kSutrs, Value)); }
const std::string kSutrsInPieces = Sutrs(Pieces("\x3B", {"Sutrs", " 2"}));
const std::string kXmlInPieces = RecordElement(Ber("\x28", Ber("\x06", kXml) + Pieces("\xA1", {"<a", "/>"})));
const std::string kOctetsInPieces =
    RecordElement(Ber("\x28", Ber("\x06", kUsmarc) + Pieces("\xA1", {kMarc1.substr(0, 9), kMarc1.substr(9)})));
// A GRS-1 record Depth deep, every element in the indefinite form, in a
// search answer of indefinite lengths.
std::string Grs1NestedIndefinite(int Depth) {
  auto element = [](std::string_view Value) {
    return Indefinite("\x30",
                      Ber("\x81", "\x02") + Indefinite("\xA2", Ber("\x81", "title")) + Indefinite("\xA4", Value));
  };
  std::string record = Indefinite("\x30", element(Ber("\x04", "leaf")));
  for (int i = 1; i < Depth; ++i) record = Indefinite("\x30", element(Indefinite("\xA6", record)));
  const std::string npr = Indefinite(
      "\x30",
      Indefinite("\xA1", Indefinite("\xA1", Indefinite("\x28", Ber("\x06", kGrs1) + Indefinite("\xA0", record)))));
  return Indefinite("\xB7", Hex("97 01 01 98 01 01 99 01 02 96 01 01") + Indefinite("\xBC", npr));
}

struct TLegal {
  const char* Name;
  TFaultScript Script;
  const char16_t* Syntax;
  Integer Limit;
  Integer Delivered;  // records with bytes; a value the library does not render has none
};

TFaultScript Answers(std::vector<std::string> A) {
  TFaultScript s;
  s.Answers = std::move(A);
  return s;
}

std::vector<TLegal> LegalAnswers() {
  const std::string three = Records({OctetsRecord(kMarc1), OctetsRecord(kMarc2), OctetsRecord(kMarc3)});
  const std::string rest = PresentAnswer(three, 3, 7);
  TFaultScript initWithOtherInfo = Answers({InitAnswer(kEmptyOtherInfo), SearchAnswer(3, three, 3)});
  initWithOtherInfo.AnswerInit = false;
  const std::string two = Records({OctetsRecord(kMarc1), OctetsRecord(kMarc2)});
  TFaultScript initWithUserInfoInPieces =
      Answers({Hex("b52e830205e0840206c0850301000086030100008c0101ab17281506072a8648ce130a03a18004026162040263640000"),
               SearchAnswer(2, two, 2)});
  initWithUserInfoInPieces.AnswerInit = false;
  return {
      {"empty other information after the records", Answers({SearchAnswer(6, three, 3, kEmptyOtherInfo), rest}),
       u"USMARC", 6, 6},
      {"empty additional search information", Answers({SearchAnswer(6, three, 3, kEmptyAdditionalSearchInfo), rest}),
       u"USMARC", 6, 6},
      {"empty other information in the initialisation answer", initWithOtherInfo, u"USMARC", 3, 3},
      {"GRS-1 records of octets, of a variant in octets, nested",
       Answers({SearchAnswer(3, kGrs1Octets + kGrs1Variant + Grs1Nested(30), 3)}), u"GRS-1", 3, 3},
      {"OPAC records with empty lists", Answers({SearchAnswer(2, kOpacEmptyLists + kOpacNoHoldings, 2)}), u"OPAC", 2,
       2},
      {"a GRS-1 element's octets in pieces, as sent in one answer",
       Answers({Hex("b740970101980101990102960101bc323030a12ea12c282a06072a8648ce130569a01f301d301b810102a207810574"
                    "69746c65a40d240b0404412074690403746c65")}),
       u"GRS-1", 1, 1},
      {"GRS-1 records of octets in pieces: content, a variant's value, an EXTERNAL's octets",
       Answers({SearchAnswer(3, kGrs1OctetsInPieces + kGrs1VariantInPieces + kGrs1ExternalInPieces, 3)}), u"GRS-1", 3,
       3},
      // Over a thousand elements of indefinite length, in an answer the library
      // takes in one read: deeper chains, split across its reads, it misframes
      // itself, tapped or not.
      {"a GRS-1 record nested 220 deep in indefinite lengths", Answers({Grs1NestedIndefinite(220)}), u"GRS-1", 1, 1},
      {"octets in pieces in the initialisation answer's user information", initWithUserInfoInPieces, u"USMARC", 2, 2},
      {"a SUTRS record's text in pieces between two sound ones",
       Answers({SearchAnswer(3, Sutrs(Ber("\x1B", "Sutrs 1")) + kSutrsInPieces + Sutrs(Ber("\x1B", "Sutrs 3")), 3)}),
       u"SUTRS", 3, 2},
      {"an XML record's octets in pieces after a sound one",
       Answers({SearchAnswer(2, RecordElement(OctetsExternal("<a/>", {}, kXml)) + kXmlInPieces, 2)}), u"XML", 2, 1},
      {"two sound records, then one whose octets come in pieces", Answers({SearchAnswer(3, two + kOctetsInPieces, 3)}),
       u"USMARC", 3, 2},
      {"a record as a fragment, and one value of a syntax kept as bytes",
       Answers({SearchAnswer(2,
                             Ber("\x30", Ber("\xA1", Ber("\xA3", OctetsExternal(kMarc1)))) +
                                 RecordElement(ValueExternal(kUsmarc, Ber("\x04", kMarc2))),
                             2)}),
       u"USMARC", 2, 0},
  };
}

TEST(LendServerLegalAnswers, GiveTheSameRecordsAndTextThroughTheTapAsWithTheTapOnlyWatching) {
  for (const TLegal& c : LegalAnswers()) {
    SCOPED_TRACE(c.Name);
    auto server = TZFaultServer::Scripted(c.Script);
    const TBothWays both = FetchBothWays(*server, c.Syntax, c.Limit);
    EXPECT_EQ(both.Tapped, both.Watched);
    // Every record came, none told lost; a record without bytes is told empty.
    EXPECT_EQ(ClientCount(both.Tapped.Count), c.Delivered);
    EXPECT_EQ(both.Tapped.Error.find("did not come"), std::string::npos) << both.Tapped.Error;
    EXPECT_EQ(both.Tapped.Error.find("is empty") != std::string::npos, c.Delivered < c.Limit) << both.Tapped.Error;
  }
}

// With the tap only watching, the library renders what it decoded: a record
// whose rendering ends the search process (an OPAC record whose bibliographic
// octets came in pieces) takes none of the records before it with it. The
// tap refuses that record.
TEST(LendServerWatchedOnly, ARecordTheLibraryCannotRenderKeepsTheRecordsBeforeIt) {
  const std::string opac = RecordElement(ValueExternal(
      kOpac, Ber("\x30", Ber("\xA1", Ber("\x06", kUsmarc) + Pieces("\xA1", {"00026", "nam"})) + B("\xA2\x00"))));
  auto server = TZFaultServer::Scripted(
      Answers({SearchAnswer(3, Records({OctetsRecord(kMarc1), OctetsRecord(kMarc2), opac}), 3)}));
  const TBothWays both = FetchBothWays(*server, u"USMARC", 10);
  EXPECT_EQ(both.Tapped.Records, kMarc1 + kMarc2);
  EXPECT_EQ(both.Tapped.Error, "Record 3 of 3 did not come: Decoding failed (10003): the server's answer is damaged");
  EXPECT_EQ(both.Watched.Records, kMarc1 + kMarc2);
  EXPECT_TRUE(both.Watched.Error.starts_with("Record 3 of 3 did not come: The search process ended"))
      << both.Watched.Error;
}

// ---- Records before a break ----------------------------------------------------------

// Records of each syntax, and an answer's end that breaks it: other
// information whose text comes in pieces (refused), a close.
struct TBroken {
  const char* Name;
  std::vector<std::string> Records;  // the record elements
  const char16_t* Syntax;
  std::string Break;  // after the records in the answer; empty: the server closes there
  std::size_t Whole;  // of the records, those that came whole
  std::string Told;   // the error text
};

const std::string kTextInPieces = Hex("bf8149073005a203040178");

std::vector<TBroken> BrokenAnswers() {
  const std::vector<std::string> sutrs = {Sutrs(Ber("\x1B", "Sutrs record 1")), Sutrs(Ber("\x1B", "Sutrs record 2"))};
  const std::vector<std::string> grs1 = {kGrs1Octets, kGrs1Variant, Grs1Nested(5)};
  const std::vector<std::string> opac = {kOpacEmptyLists, kOpacNoHoldings};
  // A diagnostic of the default form, and one defined elsewhere (an EXTERNAL).
  const std::vector<std::string> mixed = {OctetsRecord(kMarc1), DiagnosticRecord(14, "too large"),
                                          Ber("\x30", Ber("\xA1", Ber("\xA2", OctetsExternal("x", {}, kBib1)))),
                                          OctetsRecord(kMarc2)};
  return {
      {"two SUTRS records, then other information whose text comes in pieces", sutrs, u"SUTRS", kTextInPieces, 2, ""},
      {"three GRS-1 records, then the same", grs1, u"GRS-1", kTextInPieces, 3, ""},
      {"two OPAC records, then the same", opac, u"OPAC", kTextInPieces, 2, ""},
      {"a SUTRS answer closing after its first whole record", sutrs, u"SUTRS", "", 1,
       "Record 2 of 2 did not come: Connection lost (10004)"},
      {"a GRS-1 answer closing after its second whole record", grs1, u"GRS-1", "", 2,
       "Record 3 of 3 did not come: Connection lost (10004)"},
      {"octets and diagnostics, then the same text in pieces", mixed, u"USMARC", kTextInPieces, 4,
       "Record 2 of 4: System error in presenting records (Bib-1 14): too large; Record 3 of 4: Unspecified error "
       "(Bib-1 100)"},
  };
}

// The records that came whole before a refusal or a cut stand, whatever their
// syntax: the same bytes the whole answer gives, where the library alone
// loses the answer and them with it.
TEST(LendServerRecordsBeforeABreak, StandWhateverTheirSyntaxAsTheWholeAnswerGivesThem) {
  for (const TBroken& c : BrokenAnswers()) {
    SCOPED_TRACE(c.Name);
    const std::size_t n = c.Records.size();
    auto whole = TZFaultServer::Scripted(Answers({SearchAnswer(long(n), Records(c.Records), n)}));
    const TFetch expected = Fetch(whole->UnixHost(), 0, c.Syntax, 10);
    ASSERT_EQ(expected.Error.find("did not come"), std::string::npos) << expected;

    std::string answer = SearchAnswer(long(n), Records(c.Records), n, c.Break);
    TFaultScript script = Answers({});
    if (c.Break.empty()) {
      // Cut right after the record elements that came whole.
      const std::vector<std::string> came(c.Records.begin(), c.Records.begin() + long(c.Whole));
      answer = answer.substr(0, answer.find(Records(came)) + Records(came).size());
      script.After = TFaultScript::TAfter::Close;
    }
    script.Answers = {answer};
    auto broken = TZFaultServer::Scripted(script);
    const TFetch tapped = Fetch(TZFaultServer::Host(), broken->Port(), c.Syntax, 10);
    const std::vector<std::string> came(c.Records.begin(), c.Records.begin() + long(c.Whole));
    auto prefix = TZFaultServer::Scripted(Answers({SearchAnswer(long(c.Whole), Records(came), c.Whole)}));
    EXPECT_EQ(tapped.Records, Fetch(prefix->UnixHost(), 0, c.Syntax, 10).Records);
    EXPECT_EQ(tapped.Records, expected.Records.substr(0, tapped.Records.size()));
    EXPECT_EQ(tapped.Error, c.Told);
    EXPECT_EQ(ClientCount(tapped.Hits), Integer(n));
  }
}

// The link closes inside the answer's last end-of-contents, after every
// record came whole: they stand as the whole answer gives them, where the
// library alone loses them.
TEST(LendServerRecordsBeforeABreak, AnAnswerCutInItsLastEndOfContentsKeepsEveryRecord) {
  std::string records;
  for (int i = 1; i <= 3; ++i)
    records += Indefinite(
        "\x30",
        Indefinite(
            "\xA1",
            Indefinite("\xA1",
                       ValueExternal(kGrs1, Ber("\x30", Grs1Element(Ber("\x04", "record " + std::to_string(i))))))));
  const std::string answer =
      Indefinite("\xB7", Hex("97 01 03 98 01 03 99 01 04 96 01 01") + Indefinite("\xBC", records));
  auto whole = TZFaultServer::Scripted(Answers({answer}));
  const TFetch expected = Fetch(whole->UnixHost(), 0, u"GRS-1", 10);
  ASSERT_EQ(ClientCount(expected.Count), 3) << expected;
  TFaultScript script = Answers({answer.substr(0, answer.size() - 1)});
  script.After = TFaultScript::TAfter::Close;
  auto cut = TZFaultServer::Scripted(script);
  EXPECT_EQ(Fetch(TZFaultServer::Host(), cut->Port(), u"GRS-1", 10), expected);
}

// ---- Answers out of turn ------------------------------------------------------------

const std::string kSearchAnswer = Hex("b70e970100980100990101960101bc00");
const std::string kInitAnswer = Hex("b515830205e0840206c0850301000086030100008c0101");
const std::string kPresentAnswer = PresentAnswer("", 0, 1);
const std::string kSortAnswer = Hex("bf2c03830100");
const std::string kServicesAnswer = Hex("bf2f03830101");
const std::string kScanAnswer = Hex("bf2406840100850100");

struct TOutOfTurn {
  const char* Name;
  TFaultScript Script;
  std::string Told;  // the text, or the start of it
};

TFaultScript InitAnsweredWith(std::string Answer) {
  TFaultScript s;
  s.Answers = {std::move(Answer)};
  s.AnswerInit = false;
  return s;
}
TFaultScript AtConnect(std::string Bytes) {
  TFaultScript s;
  s.AtConnect = std::move(Bytes);
  return s;
}
TFaultScript SearchAnsweredWith(std::string Answer, bool Always = false) {
  TFaultScript s;
  s.Answers = {std::move(Answer)};
  if (Always) s.After = TFaultScript::TAfter::RepeatLast;
  return s;
}

std::vector<TOutOfTurn> AnswersOutOfTurn() {
  const std::string turn = "The server answered out of turn: ";
  const std::string init = " where an initialisation answer was due";
  const std::string search = " where a search answer was due";
  return {
      {"the init answered with a search answer", InitAnsweredWith(kSearchAnswer), turn + "a search answer" + init},
      {"the init answered with a present answer", InitAnsweredWith(kPresentAnswer), turn + "a present answer" + init},
      {"the init answered with a sort answer", InitAnsweredWith(kSortAnswer), turn + "a sort answer" + init},
      {"the init answered with an extended-services answer", InitAnsweredWith(kServicesAnswer),
       turn + "an extended-services answer" + init},
      // Before the init goes, or as it goes.
      {"a search answer at connect", AtConnect(kSearchAnswer), turn + "a search answer "},
      {"a present answer at connect", AtConnect(kPresentAnswer), turn + "a present answer "},
      {"the search answered with an init answer", SearchAnsweredWith(kInitAnswer),
       turn + "an initialisation answer" + search},
      {"the init answered twice in one send", InitAnsweredWith(kInitAnswer + kInitAnswer),
       turn + "an initialisation answer where none was due"},
      {"the search answered with sort answers", SearchAnsweredWith(kSortAnswer, true), turn + "a sort answer" + search},
      {"the search answered with present answers", SearchAnsweredWith(kPresentAnswer, true),
       turn + "a present answer" + search},
      {"the search answered with a scan answer", SearchAnsweredWith(kScanAnswer), turn + "a scan answer" + search},
  };
}

// None of them reaches the library: the search ends at once with its text,
// asks nothing more of the server, and the next search goes on.
TEST(LendServerAnswersOutOfTurn, EndTheSearchAtOnceWithATextThatSaysSo) {
  for (const TOutOfTurn& c : AnswersOutOfTurn()) {
    SCOPED_TRACE(c.Name);
    auto server = TZFaultServer::Scripted(c.Script);
    const auto start = std::chrono::steady_clock::now();
    const TFetch f = Fetch(TZFaultServer::Host(), server->Port(), u"USMARC", 10);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(f.Error.starts_with(c.Told)) << f.Error;
    EXPECT_EQ(f.Records, "");
    EXPECT_LE(server->Requests(), 2);
  }
}

// With the tap only watching, the library has them: whatever it does with
// them, the search ends with a text, bounded in its requests and its time,
// and the caller goes on.
TEST(LendServerAnswersOutOfTurn, WithTheTapOnlyWatchingEndWithATextAndFewRequests) {
  for (const TOutOfTurn& c : AnswersOutOfTurn()) {
    SCOPED_TRACE(c.Name);
    auto server = TZFaultServer::Scripted(c.Script);
    const auto start = std::chrono::steady_clock::now();
    const TFetch f = Fetch(server->UnixHost(), 0, u"USMARC", 10, 5);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_FALSE(f.Error.empty());
    EXPECT_LE(server->Requests(), 20);
  }
}

// ---- What follows a whole answer ----------------------------------------------------

TEST(LendServerTrailingBytes, AWholeAnswerKeepsItsRecordsWhateverFollowsIt) {
  const std::string three = Records({OctetsRecord(kMarc1), OctetsRecord(kMarc2), OctetsRecord(kMarc3)});
  for (const std::string& after : {std::string("\r\n"), std::string(2, '\0'), std::string("SSH-2.0-Server\r\n")}) {
    SCOPED_TRACE(testing::PrintToString(after));
    auto whole = TZFaultServer::Scripted(SearchAnsweredWith(SearchAnswer(3, three, 3) + after));
    const TFetch all = Fetch(TZFaultServer::Host(), whole->Port(), u"USMARC", 10);
    EXPECT_EQ(all.Records, kMarc1 + kMarc2 + kMarc3);
    EXPECT_EQ(all.Error, "");
    // More records were due: what followed is told as what it is.
    auto more = TZFaultServer::Scripted(SearchAnsweredWith(SearchAnswer(6, three, 3) + after));
    const TFetch some = Fetch(TZFaultServer::Host(), more->Port(), u"USMARC", 10);
    EXPECT_EQ(some.Records, kMarc1 + kMarc2 + kMarc3);
    EXPECT_EQ(some.Error,
              "Records 4-6 of 6 did not come: Decoding failed (10003): the server sent bytes that are not a Z39.50 "
              "answer after its answers");
  }
}

// A present answer of megabytes reaches the library over many reads, long
// after the tap has read it and refused what follows it: the wait ends only
// once the library has had every byte before the refused ones.
TEST(LendServerTrailingBytes, ALargeAnswerReadOverManyTurnsKeepsItsRecordsWhateverFollowsIt) {
  std::vector<std::string> elements;
  std::string sent;
  for (char c = 'a'; c < 'a' + 10; ++c) {
    const std::string record(240 * 1024, c);
    elements.push_back(OctetsRecord(record));
    sent += record;
  }
  for (const std::string& after : {std::string("\r\n"), std::string(2, '\0')}) {
    SCOPED_TRACE(testing::PrintToString(after));
    auto server =
        TZFaultServer::Scripted(Answers({SearchAnswer(10, "", 0), PresentAnswer(Records(elements), 10, 11) + after}));
    const TFetch f = Fetch(TZFaultServer::Host(), server->Port(), u"XML", 10);
    EXPECT_EQ(f.Records.size(), sent.size());
    EXPECT_TRUE(f.Records == sent);
    EXPECT_EQ(f.Error, "");
    EXPECT_EQ(ClientCount(f.Count), 10);
  }
}

// A header that cannot end inside the element holding it is damaged at once,
// as an element that runs past it is, never waited for.
TEST(LendServerDamagedHeaders, AHeaderPastTheElementHoldingItIsToldDamagedAtOnce) {
  auto server = TZFaultServer::Scripted(SearchAnsweredWith(Hex("b7 07 97 02 01 2c 98 84 00")));
  const auto start = std::chrono::steady_clock::now();
  const TFetch f = Fetch(TZFaultServer::Host(), server->Port(), u"USMARC", 10, 20);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_EQ(f.Error, "Records 1-10 of 10 did not come: Decoding failed (10003): the server's answer is damaged");
  EXPECT_EQ(ClientCount(f.Hits), 300);
}

// ---- One form of each text ------------------------------------------------------------

TEST(LendServerErrorTexts, ALostConnectionAndARecordsDiagnosticAreToldInOneFormEach) {
  const std::string three = Records({OctetsRecord(kMarc1), DiagnosticRecord(14, "too large"), OctetsRecord(kMarc3)});
  TFaultScript closes = SearchAnsweredWith(SearchAnswer(6, three, 3));
  closes.After = TFaultScript::TAfter::Close;
  auto server = TZFaultServer::Scripted(closes);
  const std::string told =
      "Record 2 of 6: System error in presenting records (Bib-1 14): too large; Records 4-6 of 6 did not come: "
      "Connection lost (10004)";
  // The close comes between two answers: through the tap and watched alike.
  const TBothWays both = FetchBothWays(*server, u"USMARC", 10);
  EXPECT_EQ(both.Tapped.Error, told);
  EXPECT_EQ(both.Watched.Error, told);
  // The close comes in the middle of an answer.
  TFaultScript cutShort = Answers({SearchAnswer(6, three, 3), PresentAnswer(OctetsRecord(kMarc1), 1, 5).substr(0, 12)});
  cutShort.After = TFaultScript::TAfter::Close;
  auto cut = TZFaultServer::Scripted(cutShort);
  EXPECT_EQ(Fetch(TZFaultServer::Host(), cut->Port(), u"USMARC", 10).Error, told);
}

}  // namespace
