#include "lendsrv/ZSearch.h"

#include "lendsrv/AnswerTap.h"
#include "lendsrv/ZConnect.h"
#include "platform/core/ScopeGuard.h"

#include <poll.h>
#include <yaz/diagbib1.h>
#include <yaz/oid_db.h>
#include <yaz/proto.h>
#include <yaz/record_render.h>
#include <yaz/wrbuf.h>
#include <yaz/zoom.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <new>
#include <memory>
#include <utility>
#include <span>
#include <vector>

namespace {

struct TOptionsDeleter {
  void operator()(ZOOM_options o) const { ZOOM_options_destroy(o); }
};
struct TConnectionDeleter {
  void operator()(ZOOM_connection c) const { ZOOM_connection_destroy(c); }
};
struct TResultSetDeleter {
  void operator()(ZOOM_resultset r) const { ZOOM_resultset_destroy(r); }
};
using TOptions = std::unique_ptr<std::remove_pointer_t<ZOOM_options>, TOptionsDeleter>;
using TConnection = std::unique_ptr<std::remove_pointer_t<ZOOM_connection>, TConnectionDeleter>;
using TResultSet = std::unique_ptr<std::remove_pointer_t<ZOOM_resultset>, TResultSetDeleter>;

// The options every search's connection is made with; the search's own are
// set on the connection.
TOptions NewOptions() {
  TOptions o(ZOOM_options_create());
  ZOOM_options_set(o.get(), "async", "1");
  return o;
}

// The connection's error in the one form of error texts: "Connect failed
// (10000): 127.0.0.1:5", a server's diagnostic with its set: "Unsupported use
// attribute (Bib-1 114): 9999". A lost connection is told without the
// address ZOOM adds, the server's reason following when its close gave one.
// Empty when the connection has no error.
std::string ConnectionError(ZOOM_connection c) {
  const char* msg = nullptr;
  const char* addinfo = nullptr;
  const char* diagset = nullptr;
  const int code = ZOOM_connection_error_x(c, &msg, &addinfo, &diagset);
  if (code == ZOOM_ERROR_NONE) return std::string();
  std::string_view added = addinfo ? addinfo : "";
  if (code == ZOOM_ERROR_CONNECTION_LOST) {
    const char* host = ZOOM_connection_option_get(c, "host");
    if (host && *host && added.starts_with(host)) {
      added.remove_prefix(std::string_view(host).size());
      if (added.starts_with(": ")) added.remove_prefix(2);
    }
  }
  const std::string_view set = diagset && std::string_view(diagset) != "ZOOM" ? diagset : "";
  return DiagnosticText(msg && *msg ? msg : "Z39.50 error", set, code, added);
}

}  // namespace

// ---- The search -----------------------------------------------------------------------

namespace {

using TClock = std::chrono::steady_clock;
constexpr auto kWaitSlice = std::chrono::milliseconds(50);
// A wait goes on while at least this many bytes come within the limit: a link
// that carries a segment now and then is slow, one that brings less is silent.
constexpr std::size_t kProgressBytes = 256;
// The most records asked for with the search: a search of the default record
// limit then takes the initialisation and the search alone.
constexpr std::size_t kFirstPiece = 10;
// Requests a wait may send beyond the most it can need before the search is
// ended: a server whose answers make the library ask again and again keeps
// sending, so no time limit would end it.
constexpr std::size_t kSpareRequests = 2;

// The texts of breaks this search tells in the library's own manner.
std::string ZoomErrorText(int Code) { return DiagnosticText(ZOOM_diag_str(Code), "", Code, ""); }

std::string Article(std::string_view Noun) {
  const bool vowel = !Noun.empty() && std::string_view("aeiou").find(Noun.front()) != std::string_view::npos;
  return std::string(vowel ? "an " : "a ") + std::string(Noun);
}

// An answer the tap stopped before ZOOM had it: why, as what it is.
std::string RefusedText(const TAnswerTap::TRefusal& R) {
  switch (R.Why) {
    case TAnswerVerdict::OutOfTurn: {
      const std::string sent = R.Kind ? Article(AnswerKindName(*R.Kind)) : std::string("an answer");
      // Requests were sent and all of them answered: this one answers none.
      if (!R.Awaited)
        return "The server answered out of turn: " + sent +
               (R.AfterRequests ? " where none was due" : " before any request");
      return "The server answered out of turn: " + sent + " where " + Article(AnswerKindName(*R.Awaited)) + " was due";
    }
    case TAnswerVerdict::NotZ3950:
      return ZoomErrorText(ZOOM_ERROR_DECODE) +
             (R.AfterAnswers ? ": the server sent bytes that are not a Z39.50 answer after its answers"
                             : ": not a Z39.50 answer (check the server's address and port)");
    default: return ZoomErrorText(ZOOM_ERROR_DECODE) + ": the server's answer is damaged";
  }
}

std::string TooManyRequestsText(std::size_t Sent, std::size_t Due) {
  return "The server's answers keep the search asking again: " + std::to_string(Sent) + " requests where " +
         std::to_string(Due) + " were due";
}

// Whether ZOOM's host string names a plain Z39.50 connection over TCP: a
// bare host or one of the "tcp:" scheme. Every other scheme ZOOM takes
// ("ssl:", "unix:", "http:", "https:", "connect:...") or options before the
// scheme ("name=value,...") bring bytes the tap cannot follow, or a socket it
// does not stand between.
bool PlainZ3950OverTcp(std::string_view Host) {
  if (Host.starts_with("tcp:")) return true;
  if (Host.find(',') != std::string_view::npos || Host.find("://") != std::string_view::npos) return false;
  for (std::string_view scheme : {"ssl:", "unix:", "http:", "https:", "connect:"})
    if (Host.starts_with(scheme)) return false;
  return true;
}
constexpr char kNoRecordsText[] = "No records in the server's answer";

// How one wait for the server went, for sizing the next piece.
struct TWaitTimes {
  // From the request to the answer's first bytes: the round trip and the
  // server's own time, which a larger piece shares among more records.
  TClock::duration Latency{};
  // Inside ZOOM, reading and decoding: its cost per record grows with the
  // records of the answer, which a smaller piece keeps down.
  TClock::duration Decoding{};
};

// Records come in pieces, so that the caller's Waiting runs between them and
// no piece costs much; the time limit has no say in their size, since it only
// ends a wait in which next to nothing comes. The first piece is asked for
// with the search. Each later one holds about kPieceBytes, judged by the
// records so far, unless the server is distant: while the round trip
// outweighs ZOOM's decoding of a piece, pieces double, so round trips do not
// dominate the fetch; ZOOM's cost for one answer grows with the square of its
// records, so they halve again when the decoding outweighs the round trip or
// the budget, which keeps a piece's decoding a short pause of the windows.
class TPieceSizer {
public:
  explicit TPieceSizer(std::size_t First) : FNext(std::max<std::size_t>(First, 1)) {}

  std::size_t Next() const { return FNext; }

  // A piece of Records records, Bytes long, came in a wait that took Times.
  void Came(std::size_t Records, std::size_t Bytes, const TWaitTimes& Times) {
    if (Records == 0 || Bytes == 0) return;
    FRecords += Records;
    FBytes += Bytes;
    std::size_t next = Records;
    if (Times.Decoding * 4 < Times.Latency && Times.Decoding * 2 < kDecodingBudget) next *= 2;
    else if (Times.Decoding > Times.Latency || Times.Decoding > kDecodingBudget) next /= 2;
    const double recordBytes = static_cast<double>(FBytes) / static_cast<double>(FRecords);
    next = std::max(next, static_cast<std::size_t>(kPieceBytes / recordBytes));
    next = std::min(next, static_cast<std::size_t>(kMaxPieceBytes / recordBytes));
    FNext = std::clamp<std::size_t>(next, 1, kMaxPiece);
  }

private:
  static constexpr double kPieceBytes = 128 * 1024;
  static constexpr double kMaxPieceBytes = 16 << 20;
  static constexpr std::size_t kMaxPiece = 20000;
  static constexpr auto kDecodingBudget = std::chrono::milliseconds(100);

  std::size_t FNext;
  std::size_t FRecords = 0, FBytes = 0;
};

enum class TWaitEnd { Answered, Broken, GivenUp };

// What a wait asks of its caller: whether it goes on (Waiting, about every
// 50 ms), whether the next request may go (MaySend), and where the server's
// bytes are told (Sink).
struct TWaitHooks {
  const std::function<bool()>& Waiting;
  const std::function<bool()>& MaySend;
  TZSearchSink& Sink;
};

// Runs the connection's queued work until it is idle; Times tells how this
// wait went. Broken, with the reason in Why, when the limit passes with next
// to nothing coming, the answer is a failure (a closed connection, bytes
// that cannot be decoded, a diagnostic), the tap refused what came after the
// answers it passed on, or the wait sent more requests than the most its
// records can need (Due) and a few more; GivenUp when the caller gives the
// search up first. The first request of the wait was allowed before it was
// queued; each one ZOOM sends after it (a present for records an answer
// lacked) is asked for before the tap passes it on. The time the caller
// takes (its Waiting, its answer, taking what is handed over) is no wait for
// the server: the limit counts only the time spent waiting for the server.
// SearchAnswered runs as soon as a search answer's hit count has come, with
// the count when the tap read it, before ZOOM has the whole answer; the wait
// goes on for the records asked for with it. AnswerTaken runs once ZOOM has
// taken an answer and the wait goes on for another.
TWaitEnd Await(ZOOM_connection C, TAnswerTap& Tap, TClock::duration Limit, std::size_t Due, const TWaitHooks& Hooks,
               TWaitTimes& Times, std::string& Why,
               const std::function<void(std::optional<long long> Hits)>& SearchAnswered = {},
               const std::function<void()>& AnswerTaken = {}) {
  Times = TWaitTimes{};
  Tap.Begin();
  const auto start = TClock::now();
  // The stretch since at least kProgressBytes last came.
  auto stretch = start;
  std::size_t stretchBytes = 0;
  std::size_t requests = 0;
  auto lastWait = start;
  bool answering = false;
  // Runs Work, adding the time it took to Into: ZOOM's own work (reading and
  // decoding what came) to Times.Decoding; the caller's, however long, to the
  // stretch, which it moves on.
  auto timed = [](auto& Into, auto&& Work) {
    const auto before = TClock::now();
    const TScopeExit add([&] { Into += TClock::now() - before; });
    return Work();
  };
  auto inZoom = [&](auto&& Work) { return timed(Times.Decoding, Work); };
  auto byCaller = [&](auto&& Work) { return timed(stretch, Work); };
  for (;;) {
    bool sent = false, taken = false;
    while (inZoom([&] { return ZOOM_connection_process(C); })) {
      const int event = ZOOM_connection_last_event(C);
      taken = taken || event == ZOOM_EVENT_RECV_APDU;
      if (event == ZOOM_EVENT_SEND_APDU) {
        sent = true;
        if (++requests > Due + kSpareRequests) {
          Why = TooManyRequestsText(requests, Due);
          return TWaitEnd::Broken;
        }
      }
      if (SearchAnswered && event == ZOOM_EVENT_RECV_SEARCH) byCaller([&] { SearchAnswered(std::nullopt); });
    }
    if (sent) {
      // A request of ZOOM's own beyond the one allowed is asked for first.
      if (requests > 1 && Hooks.MaySend && !byCaller(Hooks.MaySend)) return TWaitEnd::GivenUp;
      Tap.PassRequests();
    }
    const bool idle = ZOOM_connection_is_idle(C);
    // An answer taken while the wait goes on: its records go to the caller
    // before ZOOM decodes another.
    if (taken && !idle && AnswerTaken) byCaller(AnswerTaken);
    const auto now = TClock::now();
    if (idle) {
      const int code = ZOOM_connection_error(C, nullptr, nullptr);
      // A connection closed in the middle of an answer leaves ZOOM a cut
      // answer, which it reports as undecodable: it is told as what it is.
      // An answer that came whole and cannot be decoded is told so, though
      // the server closed after it.
      if (code == ZOOM_ERROR_DECODE && Tap.CutShort()) Why = ZoomErrorText(ZOOM_ERROR_CONNECTION_LOST);
      else Why = ConnectionError(C);
      return Why.empty() ? TWaitEnd::Answered : TWaitEnd::Broken;
    }
    // What the tap refused never reaches ZOOM: once ZOOM has everything
    // before it, and is still waiting, the wait ends here.
    if (const std::optional<TAnswerTap::TRefusal> refused = Tap.Refused(); refused && Tap.Delivered()) {
      Why = RefusedText(*refused);
      return TWaitEnd::Broken;
    }
    const auto deadline = stretch + Limit;
    if (now >= deadline) {
      Why = ZoomErrorText(ZOOM_ERROR_TIMEOUT);
      return TWaitEnd::Broken;
    }
    if (Hooks.Waiting && now - lastWait >= kWaitSlice) {
      lastWait = now;
      if (!byCaller(Hooks.Waiting)) return TWaitEnd::GivenUp;
    }
    const int slice = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::clamp<TClock::duration>(stretch + Limit - TClock::now(),
                                                                        TClock::duration::zero(), kWaitSlice))
                                           .count()) +
                      1;
    const int fd = ZOOM_connection_get_socket(C);
    const int mask = ZOOM_connection_get_mask(C);
    if (fd < 0 || mask == 0) {
      // Work queued with no socket to wait on: let it run, then wait a slice.
      if (!inZoom([&] { return ZOOM_connection_exec_task(C); })) ::poll(nullptr, 0, slice);
      continue;
    }
    std::array<pollfd, 1 + TAnswerTap::kMostPollFds> fds{};
    std::size_t count = 1;
    fds[0] = {fd, 0, 0};
    if (mask & ZOOM_SELECT_READ) fds[0].events |= POLLIN;
    if (mask & ZOOM_SELECT_WRITE) fds[0].events |= POLLOUT;
    if (mask & ZOOM_SELECT_EXCEPT) fds[0].events |= POLLPRI;
    count += Tap.AddPollFds(std::span(fds).subspan(1));
    // What is to be handed over goes before the wait, whose length no one knows.
    byCaller([&] { Hooks.Sink.Handed(); });
    if (::poll(fds.data(), count, slice) <= 0) continue;
    // A connection that has just opened gets the tap before ZOOM uses it.
    Tap.Follow(fd);
    const short ready = fds[0].revents;
    int fired = 0;
    if (ready & (POLLIN | POLLHUP | POLLERR)) fired |= ZOOM_SELECT_READ;
    if (ready & (POLLOUT | POLLERR)) fired |= ZOOM_SELECT_WRITE;
    if (ready & POLLPRI) fired |= ZOOM_SELECT_EXCEPT;
    // What came, before ZOOM reads it; what the tap gave ZOOM is read at once,
    // not a poll later.
    const std::size_t came = Tap.Pump(std::span(fds).first(count)) + ((fired & ZOOM_SELECT_READ) ? Tap.Unread() : 0);
    if (Tap.PassedToZoom() && (mask & ZOOM_SELECT_READ)) fired |= ZOOM_SELECT_READ;
    if (SearchAnswered && Tap.HitsTold()) byCaller([&] { SearchAnswered(Tap.HitsTold()); });
    if (came > 0 && !std::exchange(answering, true)) Times.Latency = TClock::now() - start;
    if (came > 0) Hooks.Sink.ServerBytes(came);
    stretchBytes += came;
    if (stretchBytes >= kProgressBytes) {
      stretch = TClock::now();
      stretchBytes = 0;
    }
    // A request ZOOM writes meanwhile goes on to the server as soon as its
    // event is taken, at the top of the loop.
    if (fired) inZoom([&] { return ZOOM_connection_fire_event_socket(C, fired); });
  }
}

// The octets of an EXTERNAL the library decoded; empty when it has none.
std::string_view ExternalOctets(const Z_External* External) {
  if (!External || External->which != Z_External_octet || !External->u.octet_aligned ||
      !External->u.octet_aligned->buf || External->u.octet_aligned->len <= 0)
    return {};
  return std::string_view(External->u.octet_aligned->buf, static_cast<std::size_t>(External->u.octet_aligned->len));
}

// Whether a record's EXTERNAL came as octets, which are taken as the server
// sent them, never rendered: octets that came in pieces, which the library
// leaves unset, are an empty record, since its rendering of octets reads them.
bool CameAsOctets(const Z_External* External) { return External && External->which == Z_External_octet; }

// The bytes of a record ZOOM holds, its EXTERNAL External: its octets when it
// came as octets, else ZOOM's raw form (its rendering of a record in a
// structured syntax). Empty when there are none.
std::string_view RecordBytes(ZOOM_record Rec, const Z_External* External) {
  if (CameAsOctets(External)) return ExternalOctets(External);
  int len = 0;
  const char* raw = ZOOM_record_get(Rec, "raw", &len);
  return raw && len > 0 ? std::string_view(raw, static_cast<std::size_t>(len)) : std::string_view();
}

// A record ZOOM made up for an answer that held no records: told by its text
// alone, where the tap cannot tell what the server sent.
bool MadeUpByZoom(ZOOM_record Rec) {
  const char* addinfo = nullptr;
  return ZOOM_record_error(Rec, nullptr, &addinfo, nullptr) == YAZ_BIB1_SYSTEM_ERROR_IN_PRESENTING_RECORDS && addinfo &&
         std::string_view(addinfo).starts_with("ZOOM C generated");
}

// How many of the Count records from First came, in order: up to the first
// that is not in ZOOM's cache, and no more than Sent, the records the
// server's answers held as the tap read them (the rest ZOOM made up itself);
// where the tap did not read them, a record ZOOM made up is told by its text.
// A record the server gave after such a gap is not counted: the records kept
// are the server's first ones.
std::size_t RecordsThatCame(ZOOM_resultset Rs, std::size_t First, std::size_t Count, std::optional<std::size_t> sent) {
  if (sent) Count = std::min(Count, *sent);
  std::size_t came = 0;
  for (; came < Count; ++came) {
    ZOOM_record rec = ZOOM_resultset_record_immediate(Rs, First + came);
    if (!rec || (!sent && MadeUpByZoom(rec))) break;
  }
  return came;
}

// Records First .. First + Count - 1, from ZOOM's cache, handed over;
// returns their bytes.
std::size_t TakeRecords(ZOOM_resultset Rs, std::size_t First, std::size_t Count, TZSearchSink& Sink) {
  std::size_t bytes = 0;
  for (std::size_t i = First; i < First + Count; ++i) {
    ZOOM_record rec = ZOOM_resultset_record_immediate(Rs, i);
    const char* msg = nullptr;
    const char* addinfo = nullptr;
    const char* set = nullptr;
    if (const int code = ZOOM_record_error(rec, &msg, &addinfo, &set); code != 0) {
      Sink.Diagnostic({code, msg ? msg : "", set ? set : "", addinfo ? addinfo : ""});
    } else {
      int len = 0;
      const auto* external = reinterpret_cast<const Z_External*>(ZOOM_record_get(rec, "ext", &len));
      // The records before one the library renders are the caller's first,
      // whatever the rendering does.
      if (!CameAsOctets(external)) Sink.Handed();
      const std::string_view record = RecordBytes(rec, external);
      bytes += record.size();
      Sink.Record(record);
    }
  }
  return bytes;
}

// The server's diagnostic in a record's place, as ZOOM tells it of a record.
TZDiagnostic RecordDiagnostic(const Z_DiagRec* D) {
  TZDiagnostic d;
  d.Code = YAZ_BIB1_UNSPECIFIED_ERROR;
  d.Set = "Bib-1";
  if (D && D->which == Z_DiagRec_defaultFormat && D->u.defaultFormat) {
    const Z_DefaultDiagFormat* f = D->u.defaultFormat;
    d.Code = f->condition ? static_cast<int>(*f->condition) : 0;
    const char* added = f->which == Z_DefaultDiagFormat_v2Addinfo   ? f->u.v2Addinfo
                        : f->which == Z_DefaultDiagFormat_v3Addinfo ? f->u.v3Addinfo
                                                                    : nullptr;
    d.Addinfo = added ? added : "";
    oid_class kind;
    const char* set = f->diagnosticSetId ? yaz_oid_to_string(yaz_oid_std(), f->diagnosticSetId, &kind) : nullptr;
    d.Set = set ? set : "";
  }
  const char* message = diagbib1_str(d.Code);
  d.Message = message ? message : "";
  return d;
}

// Room after an element decoded alone, as ZOOM's reading buffer keeps after
// the bytes it read.
constexpr std::size_t kDecodeRoom = 4096;

// The records that came whole, and checked, of an answer that broke off,
// each decoded and rendered by the library as it would have been in the
// whole answer, and handed over before the next is decoded: whatever the
// library does with one, the caller has those before it. Ends at one the
// library cannot decode. Returns the records taken and their bytes.
std::pair<std::size_t, std::size_t> TakeCutRecords(const std::vector<std::string_view>& Elements, TZSearchSink& Sink) {
  std::size_t taken = 0, bytes = 0;
  if (Elements.empty()) return {taken, bytes};
  Sink.Handed();
  const std::unique_ptr<std::remove_pointer_t<ODR>, decltype(&odr_destroy)> odr(odr_createmem(ODR_DECODE),
                                                                                &odr_destroy);
  const std::unique_ptr<std::remove_pointer_t<WRBUF>, decltype(&wrbuf_destroy)> rendered(wrbuf_alloc(), &wrbuf_destroy);
  std::string element;
  for (const std::string_view e : Elements) {
    if (e.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) - kDecodeRoom) break;
    // The decoder looks a little past an element for the end of the one it
    // is in.
    element.assign(e);
    element.append(kDecodeRoom, '\0');
    odr_reset(odr.get());
    odr_setbuf(odr.get(), element.data(), static_cast<int>(e.size()), 0);
    Z_NamePlusRecord* npr = nullptr;
    if (!z_NamePlusRecord(odr.get(), &npr, 0, nullptr) || !npr) break;
    if (npr->which == Z_NamePlusRecord_surrogateDiagnostic) {
      Sink.Diagnostic(RecordDiagnostic(npr->u.surrogateDiagnostic));
    } else {
      // As RecordBytes takes it: octets as sent, never rendered; any other
      // form as ZOOM renders it raw.
      const Z_External* external = npr->which == Z_NamePlusRecord_databaseRecord ? npr->u.databaseRecord : nullptr;
      std::string_view record;
      if (CameAsOctets(external)) {
        record = ExternalOctets(external);
      } else {
        int len = 0;
        wrbuf_rewind(rendered.get());
        const char* raw = yaz_record_render(npr, nullptr, rendered.get(), "raw", &len);
        if (raw && len > 0) record = std::string_view(raw, static_cast<std::size_t>(len));
      }
      bytes += record.size();
      Sink.Record(record);
    }
    ++taken;
    Sink.Handed();
  }
  return {taken, bytes};
}

// Connects, searches and fetches min(hits, Want) records in pieces.
TZSearchEnd Search(const TZConnectionParams& p, const std::string& pqf, std::size_t Want, TZSearchSink& Sink,
                   TTapLink* Link, TOptions opts, TConnection conn) {
  using TStage = TZSearchEnd::TStage;
  const TClock::duration waitLimit = std::chrono::seconds(std::max(1, p.TimeoutSeconds));
  // A connection made ready ahead, or one made now; the search's options set on it.
  if (!conn) {
    opts = NewOptions();
    conn.reset(ZOOM_connection_create(opts.get()));
  }
  auto set = [&](const char* Name, const char* Value) { ZOOM_connection_option_set(conn.get(), Name, Value); };
  set("databaseName", p.Database.c_str());
  const char* oid = ResolveRecordSyntax(p.Syntax);
  if (oid) set("preferredRecordSyntax", oid);
  if (p.User) set("user", p.User->c_str());
  if (p.Password) set("password", p.Password->c_str());
  // The first piece is asked for with the search: ZOOM has the server send it
  // with the answer, or fetches it in a present right after.
  const std::size_t firstPiece = std::min(Want, kFirstPiece);
  set("count", std::to_string(firstPiece).c_str());

  // Before the connection: ZOOM's descriptor leads to the tap until ZOOM is
  // done. Over anything but plain TCP it could follow no answer, and only
  // watches. Destroyed after the connection, which ZOOM closes first.
  TAnswerTap tap(PlainZ3950OverTcp(p.Host), Link);
  TConnection connection = std::move(conn);
  TWaitTimes times;
  std::string why;
  const TWaitHooks hooks{p.Waiting, p.MaySend, Sink};
  // The initialisation, allowed with the search itself; without ZOOM's lookup
  // thread where the host is a plain address over TCP.
  ZConnect(connection.get(), p.Host.c_str(), p.Port > 0 ? p.Port : 0);
  TWaitEnd end = Await(connection.get(), tap, waitLimit, 1, hooks, times, why);
  if (end == TWaitEnd::GivenUp) return {TStage::GivenUp, {}};
  if (end == TWaitEnd::Broken) return {TStage::Failed, why};
  // ZOOM sends the search as soon as it is queued.
  if (p.MaySend && !p.MaySend()) return {TStage::GivenUp, {}};
  TResultSet rs(ZOOM_connection_search_pqf(connection.get(), pqf.c_str()));
  // The hits are told as soon as the search answer brings them, before its records.
  bool hitsKnown = false;
  std::size_t m = 0;
  std::string damaged;
  // The records of the piece under way from First on, Piece of them; those
  // handed over so far, and their bytes. Each answer's records are handed
  // over as soon as ZOOM has it, when the piece waits for another answer:
  // whatever the next one does to the library, the caller has them. Those of
  // a piece's last answer go with the piece's end, or the search's.
  std::size_t first = 0, piece = 0, handed = 0, bytes = 0;
  auto handOver = [&](std::optional<std::size_t> Sent, bool Waiting) {
    const std::size_t came = RecordsThatCame(rs.get(), first, piece, Sent);
    if (first + came <= handed) return;
    bytes += TakeRecords(rs.get(), handed, first + came - handed, Sink);
    handed = first + came;
    if (Waiting) Sink.Handed();
  };
  auto handOverWhileWaiting = [&] {
    if (hitsKnown && damaged.empty()) handOver(tap.RecordsSent(), true);
  };
  // The search, and the presents ZOOM sends after it for the first piece's
  // records its answer lacks, one at least for each.
  end = Await(
      connection.get(), tap, waitLimit, 1 + firstPiece, hooks, times, why,
      [&](std::optional<long long> Told) {
        if (std::exchange(hitsKnown, true)) return;
        // ZOOM keeps the server's count signed and gives it unsigned: a
        // negative count, which only a damaged answer holds, comes as a huge one.
        const auto hits = Told ? *Told : static_cast<long long>(ZOOM_resultset_size(rs.get()));
        if (hits < 0) {
          damaged = "Damaged search answer: a hit count of " + std::to_string(hits);
          return;
        }
        m = std::min(static_cast<std::size_t>(hits), Want);
        piece = std::min(m, firstPiece);
        if (p.Answered) p.Answered(static_cast<std::size_t>(hits));
        Sink.Answered(static_cast<std::size_t>(hits), m);
      },
      handOverWhileWaiting);
  if (end == TWaitEnd::GivenUp) return {TStage::GivenUp, {}};
  // Not answered, or answered with a failure (a diagnostic) and no records to
  // wait for: only the failure.
  if (!damaged.empty()) return {TStage::Failed, damaged};
  if (!hitsKnown) return {TStage::Failed, why.empty() ? NoAnswerText : why};
  if (end == TWaitEnd::Broken && m == 0) return {TStage::Failed, why};

  TPieceSizer sizer(firstPiece);
  while (first < m) {
    // The first piece was asked for with the search.
    if (first > 0) {
      piece = std::min(sizer.Next(), m - first);
      // Before the piece's present the caller is asked, or its windows run,
      // and it may give the search up.
      if (p.MaySend ? !p.MaySend() : (p.Waiting && !p.Waiting())) return {TStage::GivenUp, {}};
      // No array to fill: ZOOM then queues the present instead of waiting for it.
      ZOOM_resultset_records(rs.get(), nullptr, first, piece);
      // A present for the piece, and one more for the rest each time an
      // answer brings only some.
      end = Await(connection.get(), tap, waitLimit, piece, hooks, times, why, {}, handOverWhileWaiting);
      if (end == TWaitEnd::GivenUp) return {TStage::GivenUp, {}};
    }
    // Where ZOOM found an answer whole that the tap could not follow, ZOOM's
    // records stand.
    const std::optional<std::size_t> sent =
        end == TWaitEnd::Answered && tap.AnswerOpen() ? std::nullopt : tap.RecordsSent();
    handOver(sent, false);
    std::size_t got = handed - first;
    // A fetch that broke off keeps the records that came whole before it,
    // those of the answer it broke off in as well.
    if (end != TWaitEnd::Answered && sent == got) {
      const auto [taken, cutBytes] = TakeCutRecords(tap.WholeRecordsOfCutAnswer(piece - got), Sink);
      bytes += cutBytes;
      got += taken;
    }
    // The piece's records are taken: ZOOM's cache, searched for every record
    // of every piece, stays the size of one.
    ZOOM_resultset_cache_reset(rs.get());
    sizer.Came(got, bytes, times);
    first += got;
    handed = first;
    bytes = 0;
    // Fewer records than asked, and ZOOM did not ask for the rest: asking
    // again would bring no more, one present after another.
    if (end == TWaitEnd::Answered && got < piece) why = kNoRecordsText;
    if (end != TWaitEnd::Answered || got < piece) break;
  }
  TZSearchEnd fetched{TStage::Fetched, first < m ? why : std::string()};
  Sink.Ended(fetched);
  return fetched;
}

}  // namespace

// ---- TZSearchReuse --------------------------------------------------------------------

struct TZSearchReuse::TReady {
  TOptions Options;
  TConnection Connection;
};

TZSearchReuse::TZSearchReuse() : FLink(std::make_unique<TTapLink>()) {}
TZSearchReuse::~TZSearchReuse() = default;

void TZSearchReuse::Prepare() {
  if (FReady) return;
  auto ready = std::make_unique<TReady>();
  ready->Options = NewOptions();
  ready->Connection.reset(ZOOM_connection_create(ready->Options.get()));
  if (ready->Connection) FReady = std::move(ready);
}

TZSearchEnd RunZSearch(const TZConnectionParams& p, const std::string& pqf, std::size_t limit, TZSearchSink& Sink,
                       TZSearchReuse* Reuse) {
  try {
    TOptions opts;
    TConnection conn;
    if (Reuse && Reuse->FReady) {
      opts = std::move(Reuse->FReady->Options);
      conn = std::move(Reuse->FReady->Connection);
      Reuse->FReady.reset();
    }
    return Search(p, pqf, std::min<std::size_t>(limit, 1u << 30), Sink, Reuse ? Reuse->FLink.get() : nullptr,
                  std::move(opts), std::move(conn));
  } catch (const std::bad_alloc&) {
    return {TZSearchEnd::TStage::Failed, OutOfMemoryText};
  }
}

TZSearchResult ZSearch(const TZConnectionParams& p, const std::string& pqf, std::size_t limit) {
  TZResultBuilder builder(ExpectsIso2709(p.Syntax));
  try {
    return builder.Finish(RunZSearch(p, pqf, limit, builder));
  } catch (const std::bad_alloc&) {
    TZSearchResult f;
    f.Error = OutOfMemoryText;
    return f;
  }
}
