// The tap between a socket that stands for ZOOM's and one that stands for the
// server's end, both socket pairs: what reaches ZOOM, when, and how much the
// tap holds on the way.
#include "lendsrv/AnswerTap.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "tests/support/BerBuild.h"

namespace {

// A connection whose one end stands for ZOOM's socket, with the tap put in,
// and whose other end the test writes as the server.
class TTappedLink {
public:
  TTappedLink() {
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, FLink), 0);
    ::fcntl(FLink[1], F_SETFL, ::fcntl(FLink[1], F_GETFL) | O_NONBLOCK);
    Tap.Follow(FLink[0]);
    Tap.Begin();
  }
  ~TTappedLink() {
    ::close(FLink[0]);
    ::close(FLink[1]);
  }
  // The server sends what its socket takes of B; returns how much.
  std::size_t Send(std::string_view B) {
    const ssize_t n = ::send(FLink[1], B.data(), B.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
  void Close() { ::shutdown(FLink[1], SHUT_WR); }
  // ZOOM sends a request through the tap, which the server then reads.
  void Request(std::string_view B) {
    ASSERT_EQ(::send(FLink[0], B.data(), B.size(), MSG_NOSIGNAL), static_cast<ssize_t>(B.size()));
    Tap.Pump();
    std::string read;
    char buf[4096];
    for (int idle = 0; read.size() < B.size() && idle < 100; ++idle) {
      const ssize_t n = ::recv(FLink[1], buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0) read.append(buf, static_cast<std::size_t>(n));
      Tap.Pump();
    }
    ASSERT_EQ(read, B);
  }
  // What has reached ZOOM's socket since the last call.
  std::string Received() {
    std::string got;
    char buf[64 * 1024];
    for (;;) {
      const ssize_t n = ::recv(FLink[0], buf, sizeof buf, MSG_DONTWAIT);
      if (n <= 0 && !(n < 0 && errno == EINTR)) break;
      if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

  TAnswerTap Tap{true};

private:
  int FLink[2] = {-1, -1};
};

using namespace ber;

// ZOOM's requests, as far as the tap reads them: their kinds.
const std::string kSearchRequest = Ber("\xB6", Ber("\x8D", "\x01"));
const std::string kPresentRequest = Ber("\xB8", Ber("\x9E", "\x01"));

std::string RecordElement(std::string_view Octets, std::string_view Descriptor = {}) {
  return OctetsRecord(Octets, Descriptor);
}
std::string PresentAnswer(const std::string& Records) { return ber::PresentAnswer(Records, 2, 3); }

TEST(AnswerTap, HoldsBackTheServersBytesWhileZoomReadsNoneAndPassesThemAllInOrderOnceItReads) {
  // One answer of 24 MB, which the server sends as fast as the tap takes it.
  std::string octets(24u << 20, 'r');
  for (std::size_t i = 0; i < octets.size(); i += 4093) octets[i] = static_cast<char>(i);
  const std::string answer = PresentAnswer(RecordElement(octets));
  TTappedLink link;
  link.Request(kPresentRequest);
  std::size_t sent = 0, taken = 0;
  for (int idle = 0; idle < 20;) {
    const std::size_t s = link.Send(std::string_view(answer).substr(sent));
    const std::size_t t = link.Tap.Pump();
    sent += s;
    taken += t;
    idle = s == 0 && t == 0 ? idle + 1 : 0;
  }
  // ZOOM reads nothing: the tap takes no more than it may hold and what
  // ZOOM's socket holds, and the server waits.
  EXPECT_LT(taken, TAnswerTap::kMostHeld + (4u << 20));
  EXPECT_LT(sent, answer.size());

  std::string received;
  for (int idle = 0; idle < 20 && received.size() < answer.size();) {
    sent += link.Send(std::string_view(answer).substr(sent));
    link.Tap.Pump();
    const std::string got = link.Received();
    received += got;
    idle = got.empty() ? idle + 1 : 0;
  }
  EXPECT_EQ(received.size(), answer.size());
  EXPECT_TRUE(received == answer);
  EXPECT_EQ(link.Tap.RecordsSent(), 1u);
}

TEST(AnswerTap, ZoomNeverGetsARefusedElementAndTheRecordsBeforeItAreRead) {
  const std::string sound = RecordElement("first record");
  const std::string damaged = RecordElement("second record", std::string("\x39\x00", 2));
  const std::string answer = PresentAnswer(sound + damaged);
  TTappedLink link;
  link.Request(kPresentRequest);
  std::string received;
  for (std::size_t at = 0; at < answer.size(); ++at) {
    ASSERT_EQ(link.Send(std::string_view(answer).substr(at, 1)), 1u);
    link.Tap.Pump();
    received += link.Received();
  }
  link.Close();
  link.Tap.Pump();
  received += link.Received();
  ASSERT_TRUE(link.Tap.Refused());
  EXPECT_EQ(link.Tap.Refused()->Why, TAnswerVerdict::Damaged);
  const std::size_t refused = answer.find(std::string("\x39\x00", 2), answer.find(damaged));
  EXPECT_LE(received.size(), refused);
  EXPECT_EQ(received, answer.substr(0, received.size()));
  // Not a lost connection: the answer was refused, whatever the server did after.
  EXPECT_FALSE(link.Tap.CutShort());
  const std::vector<std::string_view> records = link.Tap.WholeRecordsOfCutAnswer(10);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], sound);
}

TEST(AnswerTap, AnAnswerCutByTheServersCloseIsToldCutShortAndOneLeftOpenIsNot) {
  const std::string answer = PresentAnswer(RecordElement("first record") + RecordElement("second record"));
  const std::string cut = answer.substr(0, answer.size() - 5);
  TTappedLink link;
  link.Request(kPresentRequest);
  link.Send(cut);
  link.Tap.Pump();
  EXPECT_FALSE(link.Tap.CutShort());
  EXPECT_TRUE(link.Tap.AnswerOpen());
  link.Close();
  link.Tap.Pump();
  EXPECT_TRUE(link.Tap.CutShort());
  const std::vector<std::string_view> records = link.Tap.WholeRecordsOfCutAnswer(10);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], RecordElement("first record"));
  EXPECT_EQ(link.Received(), cut);
}

// The tap passes ZOOM's requests on and knows the answer each awaits: an
// answer of another kind, or one no request awaits, never reaches ZOOM.
TEST(AnswerTap, AnAnswerOutOfTurnNeverReachesZoom) {
  const std::string answer = PresentAnswer(RecordElement("record"));
  {
    TTappedLink link;
    link.Send(answer);
    link.Tap.Pump();
    ASSERT_TRUE(link.Tap.Refused());
    EXPECT_EQ(link.Tap.Refused()->Why, TAnswerVerdict::OutOfTurn);
    EXPECT_EQ(link.Tap.Refused()->Kind, 25u);
    EXPECT_EQ(link.Tap.Refused()->Awaited, std::nullopt);
    EXPECT_FALSE(link.Tap.Refused()->AfterRequests);
    EXPECT_EQ(link.Received(), "");
  }
  {
    TTappedLink link;
    link.Request(kSearchRequest);
    link.Send(answer);
    link.Tap.Pump();
    ASSERT_TRUE(link.Tap.Refused());
    EXPECT_EQ(link.Tap.Refused()->Why, TAnswerVerdict::OutOfTurn);
    EXPECT_EQ(link.Tap.Refused()->Awaited, 23u);
    EXPECT_EQ(link.Received(), "");
  }
  {
    // Each request awaits its own answer, in order; the second answer then
    // awaits no request.
    TTappedLink link;
    link.Request(kPresentRequest);
    link.Send(answer + answer);
    link.Tap.Pump();
    EXPECT_EQ(link.Received(), answer);
    ASSERT_TRUE(link.Tap.Refused());
    EXPECT_EQ(link.Tap.Refused()->Awaited, std::nullopt);
    EXPECT_TRUE(link.Tap.Refused()->AfterAnswers);
    EXPECT_TRUE(link.Tap.Refused()->AfterRequests);
  }
}

// What follows a whole answer cannot take it back: ZOOM gets the whole
// answer, and the tap tells the refusal only once ZOOM has read it all.
TEST(AnswerTap, AWholeAnswerFollowedByBytesThatAreNotAnAnswerReachesZoomWhole) {
  const std::string answer = PresentAnswer(RecordElement("first") + RecordElement("second"));
  TTappedLink link;
  link.Request(kPresentRequest);
  link.Send(answer + "\r\n");
  link.Tap.Pump();
  ASSERT_TRUE(link.Tap.Refused());
  EXPECT_EQ(link.Tap.Refused()->Why, TAnswerVerdict::NotZ3950);
  EXPECT_TRUE(link.Tap.Refused()->AfterAnswers);
  EXPECT_FALSE(link.Tap.Delivered());
  EXPECT_EQ(link.Received(), answer);
  EXPECT_TRUE(link.Tap.Delivered());
  EXPECT_EQ(link.Tap.RecordsSent(), 2u);
}

// The pair the tap stands on serves one connection after another: what a
// connection left in it never reaches the next, and a pair whose end was
// passed on is made anew.
TEST(TapLink, GivesEachConnectionAPairThatHoldsNothingOfTheOneBefore) {
  TTapLink link;
  int zoom = -1, tap = -1;
  ASSERT_TRUE(link.Take(zoom, tap));
  ASSERT_EQ(::send(tap, "stale answer", 12, 0), 12);
  ASSERT_EQ(::send(zoom, "stale request", 13, 0), 13);
  link.GiveBack(false);
  int zoom2 = -1, tap2 = -1;
  ASSERT_TRUE(link.Take(zoom2, tap2));
  EXPECT_EQ(zoom2, zoom);
  char buf[64];
  EXPECT_EQ(::recv(zoom2, buf, sizeof buf, MSG_DONTWAIT), -1);
  EXPECT_EQ(::recv(tap2, buf, sizeof buf, MSG_DONTWAIT), -1);
  ASSERT_EQ(::send(tap2, "fresh", 5, 0), 5);
  EXPECT_EQ(::recv(zoom2, buf, sizeof buf, MSG_DONTWAIT), 5);

  // An end shut is for good: the next connection gets a pair that works.
  ::shutdown(tap2, SHUT_WR);
  link.GiveBack(true);
  int zoom3 = -1, tap3 = -1;
  ASSERT_TRUE(link.Take(zoom3, tap3));
  ASSERT_EQ(::send(tap3, "again", 5, 0), 5);
  EXPECT_EQ(::recv(zoom3, buf, sizeof buf, MSG_DONTWAIT), 5);
}

}  // namespace
