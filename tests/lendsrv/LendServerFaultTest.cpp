// The server against servers that misbehave: one that trickles its answer a
// byte at a time, one that delivers damaged records or damaged answers, and a
// service on the port that is not Z39.50.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/BerBuild.h"
#include "tests/support/FaultServer.h"
#include "lendsrv/LendServer.h"
#include "lendsrv/ZSearch.h"
#include "platform/core/CodePage.h"

namespace {

using namespace std::chrono_literals;

std::shared_ptr<TLendServer> NewServer(int Port) {
  auto s = std::make_shared<TLendServer>();
  s->SetzHost(u"127.0.0.1");
  s->SetzPort(Port);
  s->SetzDatabase(u"Default");
  s->SetzSyntax(u"USMARC");
  return s;
}

TEST(LendServerDamagedRecords, RecordsReachTheCallerAsTheServerSentThem) {
  const std::string good = MarcRecord({{"001", "1"},
                                       {"245",
                                        "10\x1F"
                                        "aTitle"}});
  std::string overlong = MarcRecord({{"001", "2"},
                                     {"245",
                                      "10\x1F"
                                      "aLonger"}});
  overlong.insert(overlong.size() - 1, "more bytes than the leader says");
  std::string scrambled = MarcRecord({{"001", "3"},
                                      {"245",
                                       "10\x1F"
                                       "aScrambled"}});
  scrambled.replace(0, 5, "x9?!0");
  const std::vector<std::string> records{good, overlong, scrambled};
  auto server = TZFaultServer::Records(records);
  auto s = NewServer(server->Port());
  const String result = s->SingleSearchIT(u"any", false, 4, 10);
  EXPECT_EQ(StringToAnsi(result), good + overlong + scrambled);
  // Kept, and told: the records are not what their leaders say.
  EXPECT_EQ(s->GetzLastError(),
            u"Record 2 of 3 is not ISO 2709 (kept as sent); Record 3 of 3 is not ISO 2709 (kept as sent)");
  EXPECT_EQ(s->tReturned(), 4);
  EXPECT_EQ(s->rCount(), 4);
}

TEST(LendServerDamagedRecords, ManyDamagedRecordsAreToldByTheFirstTenAndACount) {
  // A server that damages every record of a large fetch: the text, a line of
  // the run's log, names ten and counts the rest.
  std::vector<std::string> records;
  std::string sent;
  for (int i = 1; i <= 250; ++i) {
    std::string r = MarcRecord({{"001", std::to_string(i)}});
    r.insert(r.size() - 1, "x");  // one byte more than its leader says
    sent += r;
    records.push_back(std::move(r));
  }
  auto server = TZFaultServer::Records(records);
  auto s = NewServer(server->Port());
  EXPECT_EQ(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 250)), sent);
  std::string told;
  for (int i = 1; i <= 10; ++i) told += "Record " + std::to_string(i) + " of 250 is not ISO 2709 (kept as sent); ";
  EXPECT_EQ(ToUtf8(s->GetzLastError()), told + "240 more records with faults");
  EXPECT_EQ(s->rCount(), 251);
}

TEST(LendServerDamagedRecords, ARecordOfNulBytesIsKeptToo) {
  const std::string good = MarcRecord({{"001", "1"}});
  const std::string nul(300, '\0');
  auto server = TZFaultServer::Records({good, nul});
  auto s = NewServer(server->Port());
  const String result = s->SingleSearchIT(u"any", false, 4, 10);
  EXPECT_EQ(StringToAnsi(result), good + nul);
  EXPECT_EQ(s->GetzLastError(), u"Record 2 of 2 is not ISO 2709 (kept as sent)");
  EXPECT_EQ(s->rCount(), 3);
}

TEST(LendServerDamagedRecords, WellFormedRecordsLeaveNoErrorText) {
  const std::string a = MarcRecord({{"001", "1"}}), b = MarcRecord({{"001", "2"},
                                                                    {"245",
                                                                     "00\x1F"
                                                                     "aB"}});
  auto server = TZFaultServer::Records({a, b});
  auto s = NewServer(server->Port());
  EXPECT_EQ(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 10)), a + b);
  EXPECT_EQ(s->GetzLastError(), u"");
  EXPECT_TRUE(IsIso2709Record(a));
  EXPECT_FALSE(IsIso2709Record(a.substr(0, a.size() - 1)));
  EXPECT_FALSE(IsIso2709Record(std::string(30, '\0')));
}

// An answer that came whole and cannot be decoded is told so, though the
// service closed after it; only an answer cut short by the close is a lost
// connection.
TEST(LendServerDamagedAnswers, AnUndecodableAnswerIsToldSoAndOnlyOneCutShortAsALostConnection) {
  auto whole = TZFaultServer::Answers(std::string("\x30\x03\x02\x01\x05", 5));  // no Z39.50 answer
  auto s = NewServer(whole->Port());
  EXPECT_EQ(s->SingleSearchIT(u"any", false, 4, 10), u"");
  EXPECT_TRUE(ToUtf8(s->GetzLastError()).starts_with("Decoding failed (10003)")) << ToUtf8(s->GetzLastError());
  auto cut = TZFaultServer::Answers(std::string("\xB5\x59\x83\x02\x00\xE0", 6));  // an init answer's start
  auto t = NewServer(cut->Port());
  EXPECT_EQ(t->SingleSearchIT(u"any", false, 4, 10), u"");
  EXPECT_EQ(ToUtf8(t->GetzLastError()), "Connection lost (10004)");
}

// ---- Answers built byte by byte ------------------------------------------------

using namespace ber;

// A record element of the record as the octets of an EXTERNAL of USMARC,
// whose descriptor, when Descriptor is given, comes before them.
std::string RecordElement(const std::string& Record, std::string_view Descriptor = {}) {
  return OctetsRecord(Record, Descriptor);
}

// A search answer of Hits hits that carries Records, its length in the given
// form (definite and shortest when Length is empty: else the octets after
// the identifier, the contents then follow).
std::string SearchAnswer(long Hits, const std::vector<std::string>& Records, std::string_view Length = {}) {
  std::string list;
  for (const std::string& r : Records) list += r;
  const std::string whole = ber::SearchAnswer(Hits, list, Records.size());
  if (Length.empty()) return whole;
  const auto first = static_cast<unsigned char>(whole[1]);
  const std::size_t header = first < 0x80 ? 2 : 2 + (first & 0x7F);
  return "\xB7" + std::string(Length) + whole.substr(header);
}

// A search answer of 300 hits whose one record's
// EXTERNAL carries its descriptor as an empty constructed GraphicString (39
// 00), which the library's decoder cannot survive; left open (its two ends
// of contents missing).
const std::string kRecordOfAnEmptyConstructedDescriptor = MarcRecord({{"001", "1"}});
std::string AnswerTheDecoderCannotSurvive(std::string_view Head = "\xB7\x80") {
  return std::string(Head) + std::string("\x97\x02\x01\x2C\x98\x01\x01\x99\x01\x02\x96\x01\x01\xBC\x80", 15) +
         RecordElement(kRecordOfAnEmptyConstructedDescriptor, std::string("\x39\x00", 2));
}

constexpr char kDamaged[] = "Decoding failed (10003): the server's answer is damaged";

// None of them ends the program: the tap stops the answer before the
// library's decoder has it, however it breaks off, and tells it damaged.
TEST(LendServerDamagedAnswers, AnAnswerTheDecoderCannotSurviveIsStoppedAndToldDamagedHoweverItEnds) {
  const std::string open = AnswerTheDecoderCannotSurvive();
  const struct {
    const char* Trace;
    std::string Answer;
    bool Close;
    std::string Told;
  } cases[] = {
      {"whole", open + std::string(4, '\0'), false, std::string("Records 1-10 of 10 did not come: ") + kDamaged},
      {"cut by silence", open, false, std::string("Records 1-10 of 10 did not come: ") + kDamaged},
      {"cut by a close", open, true, std::string("Records 1-10 of 10 did not come: ") + kDamaged},
      // Not even the hits are told: the answer is refused at its first element.
      {"behind a damaged length", AnswerTheDecoderCannotSurvive(std::string("\xB7\x84\xFF\xFF\xFF\xFF", 6)), false,
       kDamaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Trace);
    auto server = TZFaultServer::Scripted({c.Answer}, c.Close);
    auto s = NewServer(server->Port());
    s->SetTimeoutSeconds(20);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s->SingleSearchIT(u"any", false, 4, 10), u"");
    EXPECT_EQ(ToUtf8(s->GetzLastError()), c.Told);
    EXPECT_EQ(s->rCount(), 0);
    // Told at once, not at the limit.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  }
}

TEST(LendServerDamagedAnswers, TheSoundRecordsBeforeAnElementTheDecoderCannotSurviveAreKept) {
  const std::string a = MarcRecord({{"001", "1"}}), b = MarcRecord({{"001", "2"}}), c = MarcRecord({{"001", "3"}});
  const std::string answer =
      SearchAnswer(3, {RecordElement(a), RecordElement(b), RecordElement(c, std::string("\x39\x00", 2))});
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close ? "then closed" : "left open");
    auto server = TZFaultServer::Scripted({answer}, close);
    auto s = NewServer(server->Port());
    EXPECT_EQ(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 10)), a + b);
    EXPECT_EQ(ToUtf8(s->GetzLastError()), std::string("Record 3 of 3 did not come: ") + kDamaged);
    EXPECT_EQ(s->rCount(), 3);
  }
}

TEST(LendServerDamagedAnswers, AnAnswerDamagedOnAConnectionLeftOpenIsToldDamagedAtOnceNotLost) {
  // The hit count's element runs past the answer that holds it.
  auto server = TZFaultServer::Scripted({std::string("\xB7\x08\x97\x02\x01\x2C\x98\x05\x01\x01", 10)}, false);
  auto s = NewServer(server->Port());
  s->SetTimeoutSeconds(20);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(s->SingleSearchIT(u"any", false, 4, 10), u"");
  EXPECT_EQ(ToUtf8(s->GetzLastError()), std::string("Records 1-10 of 10 did not come: ") + kDamaged);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

// Another service on the port (its greeting, then a close) is told as what
// it is, so that the librarian checks the address instead of trying again.
TEST(LendServerDamagedAnswers, AServiceThatIsNotZ3950IsToldSoNotAsALostConnection) {
  for (const std::string& greeting : {std::string("SSH-2.0-Server\r\n"), std::string("220 mail.example.org ESMTP\r\n"),
                                      std::string("\x15\x03\x03\x00\x02\x02\x46", 7)}) {
    SCOPED_TRACE(greeting);
    auto server = TZFaultServer::Greets(greeting);
    auto s = NewServer(server->Port());
    EXPECT_EQ(s->SingleSearchIT(u"any", false, 4, 10), u"");
    EXPECT_EQ(ToUtf8(s->GetzLastError()),
              "Decoding failed (10003): not a Z39.50 answer (check the server's address and port)");
  }
}

// A length in the long form with more octets than it needs, which BER allows
// and the library reads: the tap reads it as well, and every record counts.
TEST(LendServerDamagedAnswers, ALengthOfFiveOctetsIsReadAndEveryRecordDelivered) {
  const std::string a = MarcRecord({{"001", "1"}}), b = MarcRecord({{"001", "2"}}), c = MarcRecord({{"001", "3"}});
  const std::string definite = SearchAnswer(3, {RecordElement(a), RecordElement(b), RecordElement(c)});
  ASSERT_EQ(definite[1], '\x81');  // one length octet
  const std::string fiveOctets = std::string("\x85\x00\x00\x00\x00", 5) + definite[2];
  auto server = TZFaultServer::Scripted(
      {SearchAnswer(3, {RecordElement(a), RecordElement(b), RecordElement(c)}, fiveOctets)}, false);
  auto s = NewServer(server->Port());
  EXPECT_EQ(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 10)), a + b + c);
  EXPECT_EQ(s->GetzLastError(), u"");
  EXPECT_EQ(s->rCount(), 4);
}

// Over a local socket the tap only watches and reads no answer: a record ZOOM
// made up for a present answered without records is told by its text, and
// never taken for one of the server's.
TEST(LendServerWatchedOnly, RecordsZoomMadeUpAreToldByTheirTextAndNeverTaken) {
  std::vector<std::string> records;
  for (int i = 1; i <= 100; ++i) records.push_back(MarcRecord({{"001", std::to_string(i)}}));
  std::string sent;
  for (const std::string& r : records) sent += r;
  auto server = TZFaultServer::Records(records, {.Hits = 300, .NoEmptyList = true});
  auto s = NewServer(0);
  s->SetzHost(AsciiToString(server->UnixHost()));
  EXPECT_TRUE(StringToAnsi(s->SingleSearchIT(u"any", false, 4, 300)) == sent);
  EXPECT_EQ(ToUtf8(s->GetzLastError()), "Records 101-300 of 300 did not come: No records in the server's answer");
  EXPECT_EQ(s->rCount(), 101);
}

TEST(LendServerTrickle, ASearchEndsWithinItsTimeWhateverTheServerSends) {
  auto server = TZFaultServer::Trickle(100ms);  // a byte every 100 ms, each well within the timeout
  auto s = NewServer(server->Port());
  s->SetTimeoutSeconds(1);
  const auto start = std::chrono::steady_clock::now();
  const String result = s->SingleSearchIT(u"any", false, 4, 10);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result, u"");
  EXPECT_NE(s->GetzLastError().find(u"Timeout"), String::npos) << ToUtf8(s->GetzLastError());
  EXPECT_LT(took, 2500ms);
  EXPECT_GT(server->Sent(), 3);  // the server did keep sending
}

}  // namespace
