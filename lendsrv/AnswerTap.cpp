#include "lendsrv/AnswerTap.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <tuple>

namespace {

bool Connected(int Fd) {
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  return ::getpeername(Fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
}

// Sent bytes at the front of a passage are dropped once they are this many,
// so that it keeps about what is unsent, without moving its bytes at every
// write.
constexpr std::size_t kDropSentAt = 256u << 10;
// Room is made ahead for an answer of at most this length, once this much of
// it has come.
constexpr std::size_t kMostReserved = std::size_t(1) << 30;
constexpr std::size_t kReserveFrom = 1u << 20;

}  // namespace

// ---- TTapLink -------------------------------------------------------------------

bool TTapLink::Take(int& ZoomEnd, int& TapEnd) {
  if (FPair[0] < 0) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, FPair) != 0) {
      FPair[0] = FPair[1] = -1;
      return false;
    }
    // Room for a large piece at a time, so that ZOOM reads it in few turns.
    const int room = 1 << 20;
    ::setsockopt(FPair[1], SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
  }
  ZoomEnd = FPair[0];
  TapEnd = FPair[1];
  return true;
}

void TTapLink::GiveBack(bool Shut) {
  if (Shut) return Drop();
  char buf[64 * 1024];
  for (const int end : FPair) {
    if (end < 0) continue;
    for (;;) {
      const ssize_t n = ::recv(end, buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0 || (n < 0 && errno == EINTR)) continue;
      if (n == 0) return Drop();  // an end is gone: the pair is of no more use
      break;
    }
  }
}

void TTapLink::Drop() {
  for (int& end : FPair) {
    if (end >= 0) ::close(end);
    end = -1;
  }
}

// ---- TAnswerTap -----------------------------------------------------------------

TAnswerTap::~TAnswerTap() { Close(); }

void TAnswerTap::Close() {
  if (FServer >= 0) ::close(FServer);
  if (FZoom >= 0) FLink->GiveBack(FDown.Shut);
  FServer = FZoom = FZoomFd = -1;
  FZoomInode = 0;
  FAwaitingConnect = false;
  FDown = TPassage();
  FUp = TPassage();
  FAnswer.clear();
  FPassed = 0;
  FScan = TAnswerScan();
  FScanning = false;
  FAnswersWhole = 0;
  FRequest.clear();
  FAwaited.clear();
  FRequestsPassed = false;
  Begin();
}

bool TAnswerTap::Insert(int Fd) {
  Close();
  int zoomEnd = -1, tapEnd = -1;
  if (Fd < 0 || !FLink->Take(zoomEnd, tapEnd)) return false;
  const int server = ::fcntl(Fd, F_DUPFD_CLOEXEC, 0);
  // ZOOM's descriptor number now leads to the pair's other end.
  if (server < 0 || ::dup3(zoomEnd, Fd, O_CLOEXEC) < 0) {
    if (server >= 0) ::close(server);
    FLink->GiveBack(false);
    return false;
  }
  FServer = server;
  FZoom = tapEnd;
  FZoomFd = Fd;
  if (const int flags = ::fcntl(FServer, F_GETFL); flags >= 0 && !(flags & O_NONBLOCK))
    ::fcntl(FServer, F_SETFL, flags | O_NONBLOCK);
  struct stat s {};
  if (::fstat(Fd, &s) == 0) FZoomInode = s.st_ino;
  return true;
}

void TAnswerTap::Follow(int Fd) {
  struct stat s {};
  // Before its socket, ZOOM waits on the pipe of its name lookup: nothing to follow.
  if (Fd < 0 || ::fstat(Fd, &s) != 0 || !S_ISSOCK(s.st_mode)) return;
  if (FServer >= 0 && s.st_ino == FZoomInode) {
    if (FAwaitingConnect && Connected(Fd)) Insert(Fd);
    return;
  }
  // A socket ZOOM has just made. ZOOM reads one only when told to, after it
  // has been followed: nothing has been read from it, and the tap, put in
  // once it is connected, sees every byte of the server's.
  Close();
  if (FInsertable && Connected(Fd) && Insert(Fd)) return;
  FServer = ::fcntl(Fd, F_DUPFD_CLOEXEC, 0);
  FZoomInode = s.st_ino;
  FAwaitingConnect = FInsertable && FServer >= 0;
}

void TAnswerTap::Begin() {
  FRecordsSent = 0;
  FHitsTold.reset();
}

std::size_t TAnswerTap::AddPollFds(std::span<pollfd> Fds) const {
  std::size_t n = 0;
  if (FZoom < 0) return n;
  for (const auto& [from, to, p] : {std::tuple(FServer, FZoom, &FDown), std::tuple(FZoom, FServer, &FUp)}) {
    if (!p->Ended && p->Unsent() < kMostHeld && !(p == &FDown && Refused())) Fds[n++] = {from, POLLIN, 0};
    if (p->Unsent() > 0) Fds[n++] = {to, POLLOUT, 0};
  }
  return n;
}

std::size_t TAnswerTap::Read(int From, TPassage& P, bool Tapped) {
  std::size_t came = 0;
  char buf[64 * 1024];
  // A refused answer is stopped: nothing after it is read. A read short of
  // the room took what there was: what comes later, the next poll tells.
  while (!P.Ended && P.Unsent() < kMostHeld && !(Tapped && Refused())) {
    const ssize_t n = ::recv(From, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) {
      came += static_cast<std::size_t>(n);
      if (Tapped) TakeServerBytes(std::string_view(buf, static_cast<std::size_t>(n)));
      else P.Held.append(buf, static_cast<std::size_t>(n));
      if (static_cast<std::size_t>(n) < sizeof buf) break;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    P.Ended = true;  // its end, or a failed connection: the other end sees the end
  }
  return came;
}

std::size_t TAnswerTap::Write(int To, TPassage& P) {
  std::size_t written = 0;
  while (P.Unsent() > 0) {
    const ssize_t n = ::send(To, P.Held.data() + P.Sent, P.Unsent(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (n < 0) {
      P.Ended = true;  // the reader has gone: nothing more can reach it
      P.Held.clear();
      P.Sent = 0;
      break;
    }
    P.Sent += static_cast<std::size_t>(n);
    written += static_cast<std::size_t>(n);
  }
  if (P.Unsent() == 0) {
    P.Held.clear();
    P.Sent = 0;
  } else if (P.Sent >= kDropSentAt) {
    P.Held.erase(0, P.Sent);
    P.Sent = 0;
  }
  if (P.Ended && P.Unsent() == 0 && !P.Shut) {
    ::shutdown(To, SHUT_WR);
    P.Shut = true;
  }
  return written;
}

std::size_t TAnswerTap::Pump(std::span<const pollfd> Polled) {
  FPassedToZoom = false;
  if (FZoom < 0) return 0;
  // Only the ends the poll found ready are read.
  auto ready = [&](int Fd) {
    return std::any_of(Polled.begin(), Polled.end(),
                       [&](const pollfd& p) { return p.fd == Fd && (p.revents & (POLLIN | POLLHUP | POLLERR)); });
  };
  // ZOOM's requests first: an answer to one never comes before the tap has
  // passed it on.
  if (ready(FZoom)) PassRequests();
  Write(FServer, FUp);
  const std::size_t came = ready(FServer) ? Read(FServer, FDown, true) : 0;
  FPassedToZoom = Write(FZoom, FDown) > 0;
  return came;
}

std::size_t TAnswerTap::Pump() {
  std::array<pollfd, kMostPollFds> fds{};
  const std::size_t n = AddPollFds(fds);
  ::poll(fds.data(), n, 0);
  return Pump(std::span(fds).first(n));
}

void TAnswerTap::PassRequests() {
  if (FZoom < 0) return;
  const std::size_t before = FUp.Held.size();
  Read(FZoom, FUp, false);
  TakeRequestBytes(std::string_view(FUp.Held).substr(before));
  Write(FServer, FUp);
}

void TAnswerTap::TakeRequestBytes(std::string_view Bytes) {
  FRequest.append(Bytes);
  while (!FRequest.empty()) {
    const std::optional<std::size_t> whole = BerElementLength(FRequest);
    if (!whole) return;
    TBerHeader h;
    if (ReadBerHeader(FRequest, h) == THeaderRead::Whole)
      if (const std::optional<std::uint32_t> awaited = AnswerAwaited(h.Tag)) FAwaited.push_back(*awaited);
    FRequestsPassed = true;
    FRequest.erase(0, *whole);
  }
}

void TAnswerTap::TakeServerBytes(std::string_view Bytes) {
  // An answer begun in an earlier read is followed in its copy; one that
  // begins in this read is read where it came, and copied only when it does
  // not end in it.
  std::string_view rest = Bytes;
  if (!FAnswer.empty()) {
    FAnswer.append(Bytes);
    rest = {};
  }
  for (;;) {
    const bool copied = !FAnswer.empty();
    const std::string_view answer = copied ? std::string_view(FAnswer) : rest;
    if (answer.empty()) break;
    // An answer begins: it must be the one the oldest open request awaits.
    if (!std::exchange(FScanning, true))
      FScan = TAnswerScan(TAnswerTurn{FAwaited.empty() ? std::nullopt : std::optional(FAwaited.front())});
    FScan.Advance(answer);
    if (FScan.ResultCount()) FHitsTold = FScan.ResultCount();
    // Only what the scan checked goes on to ZOOM.
    if (FScan.Checked() > FPassed) {
      FDown.Held.append(answer.data() + FPassed, FScan.Checked() - FPassed);
      FPassed = FScan.Checked();
    }
    if (FScan.Verdict() != TAnswerVerdict::Whole) {
      if (!copied) FAnswer.assign(rest);
      // Room for the rest of a large answer at once, as its length says: a
      // copy that grows step by step holds the old bytes and the new at each
      // step. Pages not yet written cost nothing; a small answer claiming a
      // large length is not believed until its bytes show it large.
      if (const std::optional<std::size_t> length = FScan.DeclaredLength())
        if (FAnswer.size() >= kReserveFrom && *length > FAnswer.capacity() && *length <= kMostReserved)
          FAnswer.reserve(*length);
      break;
    }
    FRecordsSent += FScan.Records().size();
    ++FAnswersWhole;
    if (!FAwaited.empty() && FScan.Tag() == FAwaited.front()) FAwaited.pop_front();
    if (copied) {
      FAnswer.erase(0, FScan.Length());
      // The copy of a large answer is given back once it is whole, before
      // ZOOM decodes the answer and the search copies its records.
      if (FAnswer.capacity() > kMostHeld && FAnswer.size() < FAnswer.capacity() / 4) FAnswer.shrink_to_fit();
    } else {
      rest.remove_prefix(FScan.Length());
    }
    FPassed = 0;
    FScanning = false;
  }
}

std::size_t TAnswerTap::Unread() const {
  int unread = 0;
  if (FZoom >= 0 || FServer < 0 || ::ioctl(FServer, FIONREAD, &unread) != 0) return 0;
  return static_cast<std::size_t>(std::max(unread, 0));
}

bool TAnswerTap::CutShort() const {
  if (FZoom >= 0) return FDown.Ended && AnswerOpen();
  pollfd p{FServer, POLLRDHUP, 0};
  return FServer >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

std::optional<TAnswerTap::TRefusal> TAnswerTap::Refused() const {
  const TAnswerVerdict v = FScan.Verdict();
  if (FZoom < 0 || !FScanning || v == TAnswerVerdict::Following || v == TAnswerVerdict::Whole) return std::nullopt;
  return TRefusal{v, FScan.Tag(), FScan.Turn().Awaited, FAnswersWhole > 0, FRequestsPassed};
}

bool TAnswerTap::Delivered() const {
  if (FZoom < 0) return true;
  int unread = 0;
  return FDown.Unsent() == 0 && (FZoomFd < 0 || ::ioctl(FZoomFd, FIONREAD, &unread) != 0 || unread <= 0);
}

bool TAnswerTap::AnswerOpen() const {
  return FZoom >= 0 && FScanning && !FAnswer.empty() && FScan.Begun() && FScan.Verdict() == TAnswerVerdict::Following;
}

std::optional<std::size_t> TAnswerTap::RecordsSent() const {
  if (FZoom < 0) return std::nullopt;
  return FRecordsSent;
}

std::vector<std::string_view> TAnswerTap::WholeRecordsOfCutAnswer(std::size_t Most) const {
  // The records of the answer not yet whole (none when the tap only watches).
  std::vector<std::string_view> records;
  if (FZoom < 0 || !FScanning) return records;
  for (const auto& [at, length] : FScan.Records()) {
    if (records.size() == Most) break;
    records.push_back(std::string_view(FAnswer).substr(at, length));
  }
  return records;
}
