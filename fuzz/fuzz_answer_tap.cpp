// Passes a server's bytes through the answer tap as a connection brings them,
// in pieces whose sizes the input's first byte decides, after up to three
// requests of ZOOM's that its second byte decides, two bits each from the
// lowest, up to the first zero (1 an initialisation, 2 a search, 3 a present),
// so that the answers are in turn or out of it; then it gives what
// the tap let through to ZOOM to the library's decoder of a whole answer: each
// answer that came whole, and the rest as ZOOM decodes it when the server
// closes there, taking their records as the search does (octets as they are,
// the rest rendered). Neither the tap's own reading nor the library, given
// only what the tap let through, may crash, whatever the bytes. The record
// elements the tap read whole of a cut answer are decoded and taken too.

#include <sys/socket.h>
#include <unistd.h>
#include <yaz/odr.h>
#include <yaz/proto.h>
#include <yaz/record_render.h>
#include <yaz/wrbuf.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "lendsrv/AnswerTap.h"

namespace {

// Takes a record as the search does: octets as they are, any other form
// rendered raw by the library.
void TakeRecord(Z_NamePlusRecord* Npr) {
  if (!Npr) return;
  if (Npr->which == Z_NamePlusRecord_databaseRecord && Npr->u.databaseRecord &&
      Npr->u.databaseRecord->which == Z_External_octet)
    return;
  WRBUF w = wrbuf_alloc();
  int len = 0;
  (void)yaz_record_render(Npr, nullptr, w, "raw", &len);
  wrbuf_destroy(w);
}

// The room ZOOM's reading buffer always has after the bytes it read, when it
// decodes them: the library's decoder, given a cut answer, reads a little
// past its end looking for the ends of the elements it is in.
constexpr std::size_t kReadRoom = 4096;

// Decodes B as the library decodes an answer, with a fresh decode stream, and
// takes its records.
void DecodeAnswer(std::string_view B) {
  if (B.empty() || B.size() > static_cast<std::size_t>(INT_MAX)) return;
  // The library's call takes a writable buffer; zeros after it, which read
  // as ends of elements, take the decoder furthest.
  std::string copy(B);
  copy.append(kReadRoom, '\0');
  ODR o = odr_createmem(ODR_DECODE);
  odr_setbuf(o, copy.data(), static_cast<int>(B.size()), 0);
  Z_APDU* apdu = nullptr;
  if (z_APDU(o, &apdu, 0, nullptr) && apdu) {
    Z_Records* records = apdu->which == Z_APDU_searchResponse    ? apdu->u.searchResponse->records
                         : apdu->which == Z_APDU_presentResponse ? apdu->u.presentResponse->records
                                                                 : nullptr;
    if (records && records->which == Z_Records_DBOSD && records->u.databaseOrSurDiagnostics)
      for (int i = 0; i < records->u.databaseOrSurDiagnostics->num_records; ++i)
        TakeRecord(records->u.databaseOrSurDiagnostics->records[i]);
  }
  odr_destroy(o);
}

// Decodes a record element the tap read whole of a cut answer, as the search
// does, and takes it.
void DecodeRecord(std::string_view B) {
  if (B.empty() || B.size() > static_cast<std::size_t>(INT_MAX)) return;
  std::string copy(B);
  ODR o = odr_createmem(ODR_DECODE);
  odr_setbuf(o, copy.data(), static_cast<int>(copy.size()), 0);
  Z_NamePlusRecord* npr = nullptr;
  if (z_NamePlusRecord(o, &npr, 0, nullptr)) TakeRecord(npr);
  odr_destroy(o);
}

// What ZOOM decodes of the bytes it was given: every answer its framing finds
// whole, and, Closed, the rest as it stands.
void DecodeAsZoom(std::string_view Given, bool Closed) {
  while (!Given.empty()) {
    const int whole = completeBER(Given.data(), static_cast<int>(Given.size()));
    if (whole <= 0) break;
    // The library's framing never takes a part of an answer for the whole:
    // the tap passes none that it would. (Past the depth it follows, it takes
    // what follows a whole answer with it, which loses no byte of the answer.)
    const std::optional<std::size_t> ours = BerElementLength(Given);
    if (!ours || *ours > static_cast<std::size_t>(whole)) std::abort();
    DecodeAnswer(Given.substr(0, static_cast<std::size_t>(whole)));
    Given.remove_prefix(static_cast<std::size_t>(whole));
  }
  if (Closed) DecodeAnswer(Given);
}

// Takes what has reached ZOOM's socket.
void TakeGiven(int Zoom, std::string& Given) {
  char buf[64 * 1024];
  for (;;) {
    const ssize_t n = ::recv(Zoom, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) Given.append(buf, static_cast<std::size_t>(n));
    else if (!(n < 0 && errno == EINTR)) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const unsigned pieces = data[0], requests = data[1];
  const std::string_view sent(reinterpret_cast<const char*>(data + 2), size - 2);
  // link[0] stands for ZOOM's connected socket, link[1] for the server's end.
  int link[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, link) != 0) std::abort();
  std::string given;
  {
    TAnswerTap tap(true);
    tap.Follow(link[0]);
    tap.Begin();
    // ZOOM's requests, which the tap passes on to the server's end, all at
    // once as ZOOM pipelines them. Each a whole empty element of two bytes,
    // its length octet zero: sized by hand, since a C string would end there.
    static constexpr std::string_view kRequests[] = {
        {}, std::string_view("\xB4\x00", 2), std::string_view("\xB6\x00", 2), std::string_view("\xB8\x00", 2)};
    for (unsigned k = 0; k < 3; ++k) {
      const std::string_view request = kRequests[(requests >> (2 * k)) & 3];
      if (request.empty()) break;
      if (::send(link[0], request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
        std::abort();
    }
    tap.Pump();
    std::size_t at = 0;
    for (unsigned k = 1; at < sent.size() && !tap.Refused(); ++k) {
      // Piece sizes from 1 to 64 bytes, or the rest at once.
      const unsigned step = (pieces * 131u + k * 29u) % 67u;
      const std::size_t n = step >= 64 ? sent.size() - at : std::min<std::size_t>(step + 1, sent.size() - at);
      if (::send(link[1], sent.data() + at, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) std::abort();
      at += n;
      tap.Pump();
      TakeGiven(link[0], given);
      DecodeAsZoom(given, false);
    }
    // The server closes: ZOOM then decodes what it has as it stands.
    ::shutdown(link[1], SHUT_WR);
    tap.Pump();
    tap.Pump();
    TakeGiven(link[0], given);
    DecodeAsZoom(given, true);
    (void)tap.CutShort();
    (void)tap.RecordsSent();
    for (const std::string_view record : tap.WholeRecordsOfCutAnswer(1000)) DecodeRecord(record);
    // Nothing reaches ZOOM that the tap refused.
    if (given.size() > sent.size() || std::string_view(given) != sent.substr(0, given.size())) std::abort();
  }
  ::close(link[0]);
  ::close(link[1]);
  return 0;
}
