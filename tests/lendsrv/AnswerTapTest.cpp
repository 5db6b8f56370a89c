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

std::string Ber(std::string_view Identifier, std::string_view Contents) {
  std::string length;
  for (std::size_t n = Contents.size(); n > 0; n >>= 8) length.insert(length.begin(), static_cast<char>(n & 0xFF));
  if (Contents.size() < 0x80) length = std::string(1, static_cast<char>(Contents.size()));
  else length.insert(length.begin(), static_cast<char>(0x80 | length.size()));
  return std::string(Identifier) + length + std::string(Contents);
}

std::string RecordElement(std::string_view Octets, std::string_view Descriptor = {}) {
  const std::string external =
      Ber("\x28", Ber("\x06", "\x2A\x86\x48\xCE\x13\x05\x0A") + std::string(Descriptor) + Ber("\x81", Octets));
  return Ber("\x30", Ber("\xA1", Ber("\xA1", external)));
}

std::string PresentAnswer(const std::string& Records) {
  return Ber("\xB9",
             Ber("\x98", "\x02") + Ber("\x99", "\x03") + Ber("\x9B", std::string(1, '\0')) + Ber("\xBC", Records));
}

TEST(AnswerTap, HoldsBackTheServersBytesWhileZoomReadsNoneAndPassesThemAllInOrderOnceItReads) {
  // One answer of 24 MB, which the server sends as fast as the tap takes it.
  std::string octets(24u << 20, 'r');
  for (std::size_t i = 0; i < octets.size(); i += 4093) octets[i] = static_cast<char>(i);
  const std::string answer = PresentAnswer(RecordElement(octets));
  TTappedLink link;
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
  std::string received;
  for (std::size_t at = 0; at < answer.size(); ++at) {
    ASSERT_EQ(link.Send(std::string_view(answer).substr(at, 1)), 1u);
    link.Tap.Pump();
    received += link.Received();
  }
  link.Close();
  link.Tap.Pump();
  received += link.Received();
  ASSERT_EQ(link.Tap.Refused(), TAnswerVerdict::Damaged);
  const std::size_t refused = answer.find(std::string("\x39\x00", 2), answer.find(damaged));
  EXPECT_LE(received.size(), refused);
  EXPECT_EQ(received, answer.substr(0, received.size()));
  // Not a lost connection: the answer was refused, whatever the server did after.
  EXPECT_FALSE(link.Tap.CutShort());
  const std::vector<TTapRecord> records = link.Tap.WholeRecordsOfCutAnswer(10);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Bytes, "first record");
}

TEST(AnswerTap, AnAnswerCutByTheServersCloseIsToldCutShortAndOneLeftOpenIsNot) {
  const std::string answer = PresentAnswer(RecordElement("first record") + RecordElement("second record"));
  const std::string cut = answer.substr(0, answer.size() - 5);
  TTappedLink link;
  link.Send(cut);
  link.Tap.Pump();
  EXPECT_FALSE(link.Tap.CutShort());
  EXPECT_TRUE(link.Tap.AnswerOpen());
  link.Close();
  link.Tap.Pump();
  EXPECT_TRUE(link.Tap.CutShort());
  const std::vector<TTapRecord> records = link.Tap.WholeRecordsOfCutAnswer(10);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Bytes, "first record");
  EXPECT_EQ(link.Received(), cut);
}

}  // namespace
