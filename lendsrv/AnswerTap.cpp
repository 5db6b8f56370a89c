#include "lendsrv/AnswerTap.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaz/diagbib1.h>
#include <yaz/odr.h>
#include <yaz/oid_db.h>
#include <yaz/oid_util.h>
#include <yaz/proto.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <memory>
#include <tuple>

namespace {

// ---- BER, as far as the answers' records need it ----------------------------

struct TBerHeader {
  unsigned Class = 0;  // 2: context-specific
  bool Constructed = false;
  std::uint32_t Tag = 0;
  std::size_t HeaderLength = 0;
  std::optional<std::size_t> Length;  // of the contents; unset: indefinite, ended by two zero bytes
};

constexpr unsigned kContext = 2;
// The tags of the answers that carry records, and of their list of records.
constexpr std::uint32_t kSearchResponse = 23, kPresentResponse = 25, kResponseRecords = 28;
// A search answer's hit count.
constexpr std::uint32_t kResultCount = 23;

// The header at the start of B. False when B does not hold it whole, or when
// it is one no answer has (a tag or length too large).
bool ReadHeader(std::string_view B, TBerHeader& H) {
  std::size_t at = 0;
  if (B.empty()) return false;
  const auto first = static_cast<unsigned char>(B[at++]);
  H.Class = first >> 6;
  H.Constructed = (first & 0x20) != 0;
  H.Tag = first & 0x1F;
  if (H.Tag == 0x1F) {
    H.Tag = 0;
    for (int i = 0;; ++i) {
      if (at >= B.size() || i == 4) return false;
      const auto b = static_cast<unsigned char>(B[at++]);
      H.Tag = (H.Tag << 7) | (b & 0x7Fu);
      if (!(b & 0x80)) break;
    }
  }
  if (at >= B.size()) return false;
  const auto l = static_cast<unsigned char>(B[at++]);
  H.Length = l;
  if (l == 0x80) {
    H.Length.reset();
  } else if (l > 0x80) {
    const unsigned n = l & 0x7Fu;
    if (n > 4) return false;
    std::size_t length = 0;
    for (unsigned i = 0; i < n; ++i) {
      if (at >= B.size()) return false;
      length = (length << 8) | static_cast<unsigned char>(B[at++]);
    }
    H.Length = length;
  }
  H.HeaderLength = at;
  return true;
}

// The length of the element at the start of B when B holds it whole, else 0.
std::size_t WholeElement(std::string_view B) {
  if (B.size() < 2 || (B[0] == 0 && B[1] == 0)) return 0;  // none, or the end of an indefinite length
  const int n = completeBER(B.data(), static_cast<int>(std::min<std::size_t>(B.size(), INT_MAX)));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

struct TOdrDeleter {
  void operator()(ODR o) const { odr_destroy(o); }
};

// One record element of an answer, decoded; unset when it is not a record
// as plain octets or a diagnostic.
std::optional<TTapRecord> DecodeRecord(std::string_view B) {
  if (B.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  std::unique_ptr<std::remove_pointer_t<ODR>, TOdrDeleter> o(odr_createmem(ODR_DECODE));
  // Only read, though the library's call takes the buffer as writable.
  odr_setbuf(o.get(), const_cast<char*>(B.data()), static_cast<int>(B.size()), 0);
  Z_NamePlusRecord* npr = nullptr;
  if (!z_NamePlusRecord(o.get(), &npr, 0, nullptr) || !npr) return std::nullopt;
  TTapRecord r;
  if (npr->which == Z_NamePlusRecord_databaseRecord) {
    const Z_External* ext = npr->u.databaseRecord;
    if (!ext || ext->which != Z_External_octet || !ext->u.octet_aligned || ext->u.octet_aligned->len <= 0)
      return std::nullopt;
    r.Bytes.assign(ext->u.octet_aligned->buf, static_cast<std::size_t>(ext->u.octet_aligned->len));
    return r;
  }
  if (npr->which != Z_NamePlusRecord_surrogateDiagnostic || !npr->u.surrogateDiagnostic ||
      npr->u.surrogateDiagnostic->which != Z_DiagRec_defaultFormat)
    return std::nullopt;
  const Z_DefaultDiagFormat* d = npr->u.surrogateDiagnostic->u.defaultFormat;
  r.Diagnostic = true;
  r.Code = d->condition ? static_cast<int>(*d->condition) : 0;
  const bool bib1 = !d->diagnosticSetId || !oid_oidcmp(d->diagnosticSetId, yaz_oid_diagset_bib_1);
  r.Message = bib1 ? diagbib1_str(r.Code) : "diagnostic";
  const char* addinfo = d->which == Z_DefaultDiagFormat_v2Addinfo ? d->u.v2Addinfo : d->u.v3Addinfo;
  if (addinfo) r.Addinfo = addinfo;
  return r;
}

// Bytes of the server's held for ZOOM before the tap stops reading: ZOOM
// reads slower than the link brings them only while it decodes.
constexpr std::size_t kMostHeld = 4u << 20;

// A BER integer's contents, two's complement, at most eight bytes.
long long BerInteger(std::string_view B) {
  std::uint64_t v = static_cast<unsigned char>(B[0]) & 0x80 ? ~std::uint64_t(0) : 0;
  for (char c : B) v = (v << 8) | static_cast<unsigned char>(c);
  return static_cast<long long>(v);
}

// An end of an element of indefinite length: two zero bytes at At. Unknown
// (false) while B does not reach that far.
bool EndOfContents(std::string_view B, std::size_t At) { return B.size() >= At + 2 && B[At] == 0 && B[At + 1] == 0; }

bool Connected(int Fd) {
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  return ::getpeername(Fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
}

}  // namespace

// ---- TAnswerScan ----------------------------------------------------------------

std::size_t TAnswerScan::Advance(std::string_view B) {
  for (;;) {
    TBerHeader h;
    switch (FStage) {
      case TStage::Head:
        if (!ReadHeader(B, h)) return 0;
        if (h.Class != kContext || !h.Constructed || (h.Tag != kSearchResponse && h.Tag != kPresentResponse)) {
          FStage = TStage::Other;  // an answer without records: small
          continue;
        }
        FStage = TStage::Body;
        FSearchAnswer = h.Tag == kSearchResponse;
        FAt = h.HeaderLength;
        if (h.Length) FBodyEnd = h.HeaderLength + *h.Length;
        continue;
      case TStage::Other: return WholeElement(B);
      case TStage::Body: {
        if (FBodyEnd && FAt >= *FBodyEnd) return *FBodyEnd;
        if (!FBodyEnd && EndOfContents(B, FAt)) return FAt + 2;
        if (!ReadHeader(B.substr(FAt), h)) return 0;
        if (h.Class == kContext && h.Constructed && h.Tag == kResponseRecords) {
          FStage = TStage::List;
          if (h.Length) FListEnd = FAt + h.HeaderLength + *h.Length;
          FAt += h.HeaderLength;
          continue;
        }
        const std::size_t n = WholeElement(B.substr(FAt));
        if (n == 0) return 0;
        if (FSearchAnswer && h.Class == kContext && !h.Constructed && h.Tag == kResultCount && h.Length &&
            *h.Length >= 1 && *h.Length <= 8)
          FResultCount = BerInteger(B.substr(FAt + h.HeaderLength, *h.Length));
        FAt += n;
        continue;
      }
      case TStage::List: {
        if ((FListEnd && FAt >= *FListEnd) || (!FListEnd && EndOfContents(B, FAt))) {
          if (!FListEnd) FAt += 2;
          FStage = TStage::Body;
          continue;
        }
        const std::size_t n = WholeElement(B.substr(FAt));
        if (n == 0) return 0;
        FRecords.emplace_back(FAt, n);
        FAt += n;
        continue;
      }
    }
  }
}

// ---- TAnswerTap -----------------------------------------------------------------

TAnswerTap::~TAnswerTap() { Close(); }

void TAnswerTap::Close() {
  if (FServer >= 0) ::close(FServer);
  if (FZoom >= 0) ::close(FZoom);
  FServer = FZoom = -1;
  FZoomInode = 0;
  FAwaitingConnect = false;
  FDown = TPassage();
  FUp = TPassage();
  Begin();
}

bool TAnswerTap::Insert(int Fd) {
  Close();
  int pair[2];
  if (Fd < 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0) return false;
  const int server = ::fcntl(Fd, F_DUPFD_CLOEXEC, 0);
  // ZOOM's descriptor number now leads to the pair's other end.
  if (server < 0 || ::dup3(pair[0], Fd, O_CLOEXEC) < 0) {
    ::close(pair[0]);
    ::close(pair[1]);
    if (server >= 0) ::close(server);
    return false;
  }
  ::close(pair[0]);
  FServer = server;
  FZoom = pair[1];
  ::fcntl(FServer, F_SETFL, ::fcntl(FServer, F_GETFL) | O_NONBLOCK);
  // Room for a large piece at a time, so that ZOOM reads it in few turns.
  const int room = 1 << 20;
  ::setsockopt(FZoom, SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
  struct stat s {};
  if (::fstat(Fd, &s) == 0) FZoomInode = s.st_ino;
  return true;
}

void TAnswerTap::Follow(int Fd) {
  struct stat s {};
  if (Fd < 0 || ::fstat(Fd, &s) != 0) return;
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
  FAnswer.clear();
  FScan = TAnswerScan();
}

void TAnswerTap::AddPollFds(std::vector<pollfd>& Fds) const {
  if (FZoom < 0) return;
  for (const auto& [from, to, p] : {std::tuple(FServer, FZoom, &FDown), std::tuple(FZoom, FServer, &FUp)}) {
    if (!p->Ended && p->Held.size() - p->Sent < kMostHeld) Fds.push_back({from, POLLIN, 0});
    if (p->Sent < p->Held.size()) Fds.push_back({to, POLLOUT, 0});
  }
}

std::size_t TAnswerTap::Move(int From, int To, TPassage& P, bool Tapped) {
  std::size_t came = 0;
  char buf[64 * 1024];
  while (!P.Ended && P.Held.size() - P.Sent < kMostHeld) {
    const ssize_t n = ::recv(From, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) {
      came += static_cast<std::size_t>(n);
      P.Held.append(buf, static_cast<std::size_t>(n));
      if (Tapped) TakeServerBytes(std::string_view(buf, static_cast<std::size_t>(n)));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    P.Ended = true;  // its end, or a failed connection: the other end sees the end
  }
  while (P.Sent < P.Held.size()) {
    const ssize_t n = ::send(To, P.Held.data() + P.Sent, P.Held.size() - P.Sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return came;
    if (n < 0) {
      P.Ended = true;  // the reader has gone: nothing more can reach it
      break;
    }
    P.Sent += static_cast<std::size_t>(n);
  }
  P.Held.clear();
  P.Sent = 0;
  if (P.Ended && !P.Shut) {
    ::shutdown(To, SHUT_WR);
    P.Shut = true;
  }
  return came;
}

std::size_t TAnswerTap::Pump() {
  if (FZoom < 0) return 0;
  const std::size_t came = Move(FServer, FZoom, FDown, true);
  Move(FZoom, FServer, FUp, false);
  return came;
}

void TAnswerTap::TakeServerBytes(std::string_view Bytes) {
  FAnswer.append(Bytes);
  for (;;) {
    const std::size_t whole = FScan.Advance(FAnswer);
    if (FScan.ResultCount()) FHitsTold = FScan.ResultCount();
    if (whole == 0) break;
    FRecordsSent += FScan.Records().size();
    FAnswer.erase(0, whole);
    FScan = TAnswerScan();
  }
}

std::size_t TAnswerTap::Unread() const {
  int unread = 0;
  if (FZoom >= 0 || FServer < 0 || ::ioctl(FServer, FIONREAD, &unread) != 0) return 0;
  return static_cast<std::size_t>(std::max(unread, 0));
}

bool TAnswerTap::CutShort() const {
  if (FZoom >= 0) return !FAnswer.empty();
  pollfd p{FServer, POLLRDHUP, 0};
  return FServer >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

std::optional<std::size_t> TAnswerTap::RecordsSent() const {
  if (FZoom < 0) return std::nullopt;
  return FRecordsSent;
}

std::vector<TTapRecord> TAnswerTap::WholeRecordsOfCutAnswer(std::size_t Most) const {
  // The records of the answer not yet whole (none when the tap only watches).
  std::vector<TTapRecord> records;
  for (const auto& [at, length] : FScan.Records()) {
    if (records.size() == Most) break;
    std::optional<TTapRecord> r = DecodeRecord(std::string_view(FAnswer).substr(at, length));
    if (!r) break;
    records.push_back(std::move(*r));
  }
  return records;
}
