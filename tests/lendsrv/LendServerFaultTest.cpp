// The server against servers that misbehave: one that trickles its answer a
// byte at a time, one that delivers damaged records, and a service on the
// port that is not Z39.50.
#include <gtest/gtest.h>

#include <chrono>

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
  EXPECT_TRUE(ToUtf8(s->GetzLastError()).starts_with("Decoding failed (ZOOM 10003)")) << ToUtf8(s->GetzLastError());
  auto cut = TZFaultServer::Answers(std::string("\xB5\x59\x83\x02\x00\xE0", 6));  // an init answer's start
  auto t = NewServer(cut->Port());
  EXPECT_EQ(t->SingleSearchIT(u"any", false, 4, 10), u"");
  EXPECT_EQ(ToUtf8(t->GetzLastError()), "Connection lost (10004)");
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
