#include "lendsrv/ZSearch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaz/diagbib1.h>
#include <yaz/proto.h>
#include <yaz/zoom.h>
#include <yaz/oid_db.h>
#include <yaz/oid_util.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <new>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct TSyntaxName {
  const char* Name;
  const Odr_oid* Oid;
};

// Syntaxes whose records are not ISO 2709.
const char* const kNotIso2709[] = {"SUTRS",   "OPAC", "SUMMARY",  "GRS-1",
                                   "EXPLAIN", "XML",  "TEXT-XML", "APPLICATION-XML"};

// The record syntaxes a catalogue entry may name. Several names can share an OID.
const TSyntaxName kSyntaxNames[] = {
    {"UNIMARC", yaz_oid_recsyn_unimarc},
    {"INTERMARC", yaz_oid_recsyn_intermarc},
    {"CCF", yaz_oid_recsyn_ccf},
    {"USMARC", yaz_oid_recsyn_usmarc},
    {"MARC21", yaz_oid_recsyn_marc21},
    {"UKMARC", yaz_oid_recsyn_ukmarc},
    {"NORMARC", yaz_oid_recsyn_normarc},
    {"LIBRISMARC", yaz_oid_recsyn_librismarc},
    {"DANMARC", yaz_oid_recsyn_danmarc},
    {"FINMARC", yaz_oid_recsyn_finmarc},
    {"MAB", yaz_oid_recsyn_mab},
    {"CANMARC", yaz_oid_recsyn_canmarc},
    {"SBN", yaz_oid_recsyn_sbn},
    {"PICAMARC", yaz_oid_recsyn_picamarc},
    {"AUSMARC", yaz_oid_recsyn_ausmarc},
    {"IBERMARC", yaz_oid_recsyn_ibermarc},
    {"CARMARC", yaz_oid_recsyn_carmarc},
    {"MALMARC", yaz_oid_recsyn_malmarc},
    {"JPMARC", yaz_oid_recsyn_jpmarc},
    {"SWEMARC", yaz_oid_recsyn_swemarc},
    {"SIGLEMARC", yaz_oid_recsyn_siglemarc},
    {"ISDSMARC", yaz_oid_recsyn_isdsmarc},
    {"RUSMARC", yaz_oid_recsyn_rusmarc},
    {"HUNMARC", yaz_oid_recsyn_hunmarc},
    {"NACSIS-CATP", yaz_oid_recsyn_nacsis_catp},
    {"FINMARC2000", yaz_oid_recsyn_finmarc2000},
    {"MARC21-FIN", yaz_oid_recsyn_marc21_fin},
    {"SUTRS", yaz_oid_recsyn_sutrs},
    {"OPAC", yaz_oid_recsyn_opac},
    {"SUMMARY", yaz_oid_recsyn_summary},
    {"GRS-1", yaz_oid_recsyn_grs_1},
    {"EXPLAIN", yaz_oid_recsyn_explain},
    {"XML", yaz_oid_recsyn_xml},
    {"TEXT-XML", yaz_oid_recsyn_text_xml},
    {"APPLICATION-XML", yaz_oid_recsyn_application_xml},
};

// Dotted forms, computed once: the table above is constant.
struct TSyntaxTable {
  std::vector<std::pair<std::string, std::string>> Entries;  // upper-case name, dotted OID
  TSyntaxTable() {
    for (const TSyntaxName& s : kSyntaxNames) {
      char buf[OID_STR_MAX];
      Entries.emplace_back(s.Name, oid_oid_to_dotstring(s.Oid, buf));
    }
  }
};

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAsciiNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

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

// "Connect failed (10000): 127.0.0.1:5" — the message, the code and the
// diagnostic's additional information, which names the database or host.
// Empty when the connection has no error.
std::string ConnectionError(ZOOM_connection c) {
  const char* msg = nullptr;
  const char* addinfo = nullptr;
  const char* diagset = nullptr;
  const int code = ZOOM_connection_error_x(c, &msg, &addinfo, &diagset);
  if (code == ZOOM_ERROR_NONE) return std::string();
  std::string text = msg && *msg ? msg : "Z39.50 error";
  text += " (";
  if (diagset && *diagset) text += std::string(diagset) + " ";
  text += std::to_string(code) + ")";
  if (addinfo && *addinfo) text += std::string(": ") + addinfo;
  return text;
}

}  // namespace

const char* ResolveRecordSyntax(std::string_view name) {
  static const TSyntaxTable table;
  for (const auto& [n, oid] : table.Entries)
    if (SameAsciiNoCase(n, name)) return oid.c_str();
  return nullptr;
}

std::string PqfUseQuery(int use, std::string_view termUtf8) {
  std::string q = "@attr 1=" + std::to_string(use) + " \"";
  q.reserve(q.size() + termUtf8.size() + 1);
  for (char c : termUtf8) {
    if (c == '\\' || c == '"') q += '\\';
    q += c;
  }
  q += '"';
  return q;
}

bool IsIso2709Record(std::string_view Bytes) {
  if (Bytes.size() < 24 || Bytes.back() != '\x1D') return false;
  std::size_t length = 0;
  for (int i = 0; i < 5; ++i) {
    if (Bytes[static_cast<std::size_t>(i)] < '0' || Bytes[static_cast<std::size_t>(i)] > '9') return false;
    length = length * 10 + static_cast<std::size_t>(Bytes[static_cast<std::size_t>(i)] - '0');
  }
  return length == Bytes.size();
}

namespace {

using TClock = std::chrono::steady_clock;
using TSeconds = std::chrono::duration<double>;
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

// The texts of breaks this search tells in the library's own manner.
std::string ZoomErrorText(int Code) { return std::string(ZOOM_diag_str(Code)) + " (" + std::to_string(Code) + ")"; }
constexpr char kNoRecordsText[] = "No records in the server's answer";

// How one wait for the server went, for sizing the next piece.
struct TWaitTimes {
  TClock::duration Whole{};
  // From the request to the answer's first bytes: the round trip and the
  // server's own time, which a larger piece shares among more records.
  TClock::duration Latency{};
  // Inside ZOOM, reading and decoding: its cost per record grows with the
  // records of the answer, which a smaller piece keeps down.
  TClock::duration Decoding{};
};

// Records come in pieces, so that the caller's Waiting runs between them, a
// piece that does not come in time ends the fetch, and no piece costs much.
// Nothing is known of the link before the first record, so the first piece is
// one record: it comes within the limit whenever one record can. Each later
// piece holds about kPieceBytes, judged by the records so far, unless:
//   - the records are slow to come: a piece holds what comes, at the speed
//     the last one came, in a quarter of the limit. That speed is taken from
//     the time the records took beyond the shortest answer yet (the search's
//     included), which is the round trip and the server's fixed cost: the
//     round trip of a distant server does not make its pieces ever smaller;
//   - the server is distant: while the round trip outweighs ZOOM's decoding
//     of a piece, pieces double, so round trips do not dominate the fetch;
//     ZOOM's cost for one answer grows with the square of its records, so
//     they halve again when the decoding outweighs the round trip or the
//     budget, which keeps a piece's decoding a small pause.
class TPieceSizer {
public:
  // RoundTrip: how long the search's answer took to begin coming.
  TPieceSizer(TClock::duration Limit, TClock::duration RoundTrip) : FLimit(Limit), FRoundTrip(RoundTrip) {}

  std::size_t Next() const { return FNext; }

  // A piece of Records records, Bytes long, came in a wait that took Times.
  void Came(std::size_t Records, std::size_t Bytes, const TWaitTimes& Times) {
    if (Records == 0 || Bytes == 0) return;
    FRecords += Records;
    FBytes += Bytes;
    FRoundTrip = std::min(FRoundTrip, Times.Latency);
    std::size_t next = Records;
    if (Times.Decoding * 4 < Times.Latency && Times.Decoding * 2 < kDecodingBudget) next *= 2;
    else if (Times.Decoding > Times.Latency || Times.Decoding > kDecodingBudget) next /= 2;
    const double recordBytes = static_cast<double>(FBytes) / static_cast<double>(FRecords);
    next = std::max(next, static_cast<std::size_t>(kPieceBytes / recordBytes));
    // The speed of the records' own time, outside the shortest answer yet
    // and outside ZOOM; records that came in a single read show only that the
    // link is fast. At that speed the next piece's records come in a quarter
    // of the limit: larger records than those so far, or a link that slows,
    // still come in time.
    const TSeconds own = std::max<TClock::duration>(Times.Whole - FRoundTrip - Times.Decoding, kShortest);
    const double inTime = static_cast<double>(Bytes) / own.count() * TSeconds(FLimit).count() / 4;
    next = std::min(next, static_cast<std::size_t>(std::min(inTime, kMaxPieceBytes) / recordBytes));
    FNext = std::clamp<std::size_t>(next, 1, kMaxPiece);
  }

private:
  static constexpr std::size_t kPieceBytes = 128 * 1024;
  static constexpr double kMaxPieceBytes = 16 << 20;
  static constexpr std::size_t kMaxPiece = 20000;
  static constexpr auto kDecodingBudget = std::chrono::milliseconds(100);
  static constexpr auto kShortest = std::chrono::milliseconds(1);

  TClock::duration FLimit;
  TClock::duration FRoundTrip;
  std::size_t FNext = 1;
  std::size_t FRecords = 0, FBytes = 0;
};

// A second descriptor of the connection's socket. ZOOM closes its own when an
// answer fails; this one still tells whether the server had closed the
// connection, as a cut answer then fails to decode.
class TSocketWatch {
public:
  TSocketWatch() = default;
  TSocketWatch(const TSocketWatch&) = delete;
  TSocketWatch& operator=(const TSocketWatch&) = delete;
  ~TSocketWatch() { Drop(); }

  void Follow(int Fd) {
    struct stat s {};
    if (Fd < 0 || ::fstat(Fd, &s) != 0 || (FDup >= 0 && s.st_ino == FInode)) return;
    Drop();
    FDup = ::fcntl(Fd, F_DUPFD_CLOEXEC, 0);
    FInode = s.st_ino;
  }
  bool PeerClosed() const {
    pollfd p{FDup, POLLRDHUP, 0};
    return FDup >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
  }

private:
  void Drop() {
    if (FDup >= 0) ::close(FDup);
    FDup = -1;
  }
  int FDup = -1;
  ino_t FInode = 0;
};

enum class TWaitEnd { Answered, Broken, GivenUp };

// Runs the connection's queued work until it is idle, for at most Limit; Times
// tells how this wait went. Broken, with the reason in Why, when the limit
// passes or the answer is a failure (a closed connection, bytes that cannot be
// decoded, a diagnostic); GivenUp when the caller's Waiting gives the search up
// first. SearchAnswered runs as soon as a search answer is taken, though the
// wait goes on for the records asked for with it.
TWaitEnd Await(ZOOM_connection C, TClock::duration Limit, const std::function<bool()>& Waiting, TWaitTimes& Times,
               std::string& Why, const std::function<void()>& SearchAnswered = {}) {
  Times = TWaitTimes{};
  const auto start = TClock::now();
  const auto deadline = start + Limit;
  auto lastWait = start;
  bool answering = false;
  TSocketWatch watch;
  // ZOOM's own work, timed: reading and decoding what came.
  auto inZoom = [&](auto Work) {
    const auto before = TClock::now();
    const auto result = Work();
    Times.Decoding += TClock::now() - before;
    return result;
  };
  for (;;) {
    while (inZoom([&] { return ZOOM_connection_process(C); }))
      if (SearchAnswered && ZOOM_connection_last_event(C) == ZOOM_EVENT_RECV_SEARCH) SearchAnswered();
    const auto now = TClock::now();
    Times.Whole = now - start;
    if (ZOOM_connection_is_idle(C)) {
      const int code = ZOOM_connection_error(C, nullptr, nullptr);
      // A connection closed in the middle of an answer leaves ZOOM a cut
      // answer, which it reports as undecodable: it is told as what it is.
      if (code == ZOOM_ERROR_CONNECTION_LOST || (code == ZOOM_ERROR_DECODE && watch.PeerClosed()))
        Why = ZoomErrorText(ZOOM_ERROR_CONNECTION_LOST);
      else Why = ConnectionError(C);
      return Why.empty() ? TWaitEnd::Answered : TWaitEnd::Broken;
    }
    if (now >= deadline) {
      Why = ZoomErrorText(ZOOM_ERROR_TIMEOUT);
      return TWaitEnd::Broken;
    }
    if (Waiting && now - lastWait >= kWaitSlice) {
      lastWait = now;
      if (!Waiting()) return TWaitEnd::GivenUp;
    }
    const int slice = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::min<TClock::duration>(kWaitSlice, deadline - now))
                                           .count()) +
                      1;
    const int fd = ZOOM_connection_get_socket(C);
    const int mask = ZOOM_connection_get_mask(C);
    if (fd < 0 || mask == 0) {
      // Work queued with no socket to wait on: let it run, then wait a slice.
      if (!inZoom([&] { return ZOOM_connection_exec_task(C); })) ::poll(nullptr, 0, slice);
      continue;
    }
    watch.Follow(fd);
    pollfd p{fd, 0, 0};
    if (mask & ZOOM_SELECT_READ) p.events |= POLLIN;
    if (mask & ZOOM_SELECT_WRITE) p.events |= POLLOUT;
    if (mask & ZOOM_SELECT_EXCEPT) p.events |= POLLPRI;
    const int n = ::poll(&p, 1, slice);
    if (n > 0) {
      int fired = 0;
      if (p.revents & (POLLIN | POLLHUP | POLLERR)) fired |= ZOOM_SELECT_READ;
      if (p.revents & (POLLOUT | POLLERR)) fired |= ZOOM_SELECT_WRITE;
      if (p.revents & POLLPRI) fired |= ZOOM_SELECT_EXCEPT;
      if ((fired & ZOOM_SELECT_READ) && !std::exchange(answering, true)) Times.Latency = TClock::now() - start;
      inZoom([&] { return ZOOM_connection_fire_event_socket(C, fired); });
    }
  }
}

// The bytes of a record as the server sent them: the octets of its EXTERNAL
// when it came as octets, else ZOOM's raw form. Empty when there are none.
std::string RecordBytes(ZOOM_record Rec) {
  int len = 0;
  const auto* ext = reinterpret_cast<const Z_External*>(ZOOM_record_get(Rec, "ext", &len));
  if (ext && ext->which == Z_External_octet && ext->u.octet_aligned && ext->u.octet_aligned->len > 0)
    return std::string(ext->u.octet_aligned->buf, static_cast<std::size_t>(ext->u.octet_aligned->len));
  len = 0;
  const char* raw = ZOOM_record_get(Rec, "raw", &len);
  return raw && len > 0 ? std::string(raw, static_cast<std::size_t>(len)) : std::string();
}

// What was wrong with the records delivered. The first few are named, the
// rest counted: a server that damages every record of a large fetch would
// otherwise make one text, and one log line, of megabytes.
class TFaults {
public:
  void Add(const std::string& Text) {
    if (FNamed == kNamed) {
      ++FMore;
      return;
    }
    if (!FText.empty()) FText += "; ";
    FText += Text;
    ++FNamed;
  }
  std::string Text() const {
    return FMore == 0 ? FText : FText + "; " + std::to_string(FMore) + " more records with faults";
  }

private:
  static constexpr std::size_t kNamed = 10;
  std::string FText;
  std::size_t FNamed = 0, FMore = 0;
};

// How many of the Count records from First came, in order: up to the first
// that is not in ZOOM's cache, or that ZOOM made up itself because the
// server's answer held no records for it. A record the server gave after such
// a gap is not counted: the records kept are the server's first ones.
std::size_t RecordsThatCame(ZOOM_resultset Rs, std::size_t First, std::size_t Count) {
  std::size_t came = 0;
  for (; came < Count; ++came) {
    ZOOM_record rec = ZOOM_resultset_record_immediate(Rs, First + came);
    if (!rec) break;
    const char* addinfo = nullptr;
    if (ZOOM_record_error(rec, nullptr, &addinfo, nullptr) == YAZ_BIB1_SYSTEM_ERROR_IN_PRESENTING_RECORDS && addinfo &&
        std::string_view(addinfo).find("Present phase and no records") != std::string_view::npos)
      break;
  }
  return came;
}

// Records First .. First + Count - 1 of M, from ZOOM's cache, appended to R
// as sent; what was wrong with any of them goes to Faults.
void TakeRecords(ZOOM_resultset Rs, std::size_t First, std::size_t Count, std::size_t M, bool Iso2709,
                 TZSearchResult& R, TFaults& Faults) {
  for (std::size_t i = First; i < First + Count; ++i) {
    auto number = [&] { return "Record " + std::to_string(i + 1) + " of " + std::to_string(M); };
    ZOOM_record rec = ZOOM_resultset_record_immediate(Rs, i);
    const char* msg = nullptr;
    const char* addinfo = nullptr;
    if (const int code = ZOOM_record_error(rec, &msg, &addinfo, nullptr); code != 0) {
      Faults.Add(number() + ": " + (msg && *msg ? msg : "diagnostic") + " (" + std::to_string(code) + ")" +
                 (addinfo && *addinfo ? std::string(": ") + addinfo : std::string()));
      continue;
    }
    const std::string bytes = RecordBytes(rec);
    if (bytes.empty()) {
      Faults.Add(number() + " is empty");
      continue;
    }
    if (Iso2709 && !IsIso2709Record(bytes)) Faults.Add(number() + " is not ISO 2709 (kept as sent)");
    R.Records += bytes;
    ++R.Delivered;
  }
}

// Room for the whole fetch, judged by the records so far, so that the records
// do not move to ever larger strings as they come, each move holding the old
// and the new at once. Called only while more records are to come: a fetch
// that ended holds no room for records that will not. A generous guess costs
// no memory until it is written; a fetch beyond kMostReserved grows as it goes.
void ReserveForFetch(TZSearchResult& R, std::size_t Records) {
  constexpr std::size_t kMostReserved = std::size_t(1) << 30;
  if (R.Delivered == 0 || Records <= R.Delivered) return;
  const double perRecord = static_cast<double>(R.Records.size()) / static_cast<double>(R.Delivered);
  const auto guess = static_cast<std::size_t>(
      std::min(perRecord * static_cast<double>(Records) * 1.25, static_cast<double>(kMostReserved)));
  if (guess > R.Records.capacity()) R.Records.reserve(guess);
}

// Connects, searches and fetches min(hits, Want) records in pieces.
TZSearchResult Search(const TZConnectionParams& p, const std::string& pqf, std::size_t Want) {
  const TClock::duration waitLimit = std::chrono::seconds(std::max(1, p.TimeoutSeconds));
  TOptions opts(ZOOM_options_create());
  ZOOM_options_set(opts.get(), "async", "1");
  ZOOM_options_set(opts.get(), "databaseName", p.Database.c_str());
  const char* oid = ResolveRecordSyntax(p.Syntax);
  if (oid) ZOOM_options_set(opts.get(), "preferredRecordSyntax", oid);
  if (p.User) ZOOM_options_set(opts.get(), "user", p.User->c_str());
  if (p.Password) ZOOM_options_set(opts.get(), "password", p.Password->c_str());
  ZOOM_options_set_int(opts.get(), "timeout", std::max(1, p.TimeoutSeconds));
  // The first piece, one record, is asked for with the search: ZOOM has it
  // piggy-backed on the answer, or fetches it in a present right after.
  ZOOM_options_set_int(opts.get(), "count", Want > 0 ? 1 : 0);

  TZSearchResult r;
  auto givenUp = [] {
    TZSearchResult g;
    g.Error = SearchGivenUpText;
    return g;
  };
  TConnection conn(ZOOM_connection_create(opts.get()));
  TWaitTimes times;
  std::string why;
  // The connection on its own first: the search's wait then times the round
  // trip that every piece pays.
  ZOOM_connection_connect(conn.get(), p.Host.c_str(), p.Port > 0 ? p.Port : 0);
  TWaitEnd end = Await(conn.get(), waitLimit, p.Waiting, times, why);
  if (end == TWaitEnd::GivenUp) return givenUp();
  if (end == TWaitEnd::Broken) {
    r.Error = why;
    return r;
  }
  TResultSet rs(ZOOM_connection_search_pqf(conn.get(), pqf.c_str()));
  // The hits are told as soon as the search is answered, before its record comes.
  bool answered = false;
  std::string damaged;
  end = Await(conn.get(), waitLimit, p.Waiting, times, why, [&] {
    if (std::exchange(answered, true)) return;
    const std::size_t hits = ZOOM_resultset_size(rs.get());
    // ZOOM keeps the server's count signed and gives it unsigned: a negative
    // count, which only a damaged answer holds, comes as a huge one.
    if (hits > static_cast<std::size_t>(std::numeric_limits<long long>::max())) {
      damaged = "Damaged search answer: a hit count of " + std::to_string(static_cast<long long>(hits));
      return;
    }
    r.Hits = hits;
    if (p.Answered) p.Answered(hits);
  });
  if (end == TWaitEnd::GivenUp) return givenUp();
  const std::size_t m = std::min(r.Hits, Want);
  // Not answered, or answered with a failure (a diagnostic) and no records to
  // wait for: only the failure.
  if (!answered || !damaged.empty() || (end == TWaitEnd::Broken && m == 0)) {
    r.Error = damaged.empty() ? why : damaged;
    return r;
  }

  const bool iso2709 = oid && std::none_of(std::begin(kNotIso2709), std::end(kNotIso2709),
                                           [&](const char* n) { return SameAsciiNoCase(n, p.Syntax); });
  TFaults faults;
  TPieceSizer sizer(waitLimit, times.Latency);
  std::size_t first = 0;
  while (first < m) {
    const std::size_t piece = std::min(sizer.Next(), m - first);
    // The first piece was asked for with the search.
    if (first > 0) {
      // Between two pieces the caller's windows run, and it may give the search up.
      if (p.Waiting && !p.Waiting()) return givenUp();
      // No array to fill: ZOOM then queues the present instead of waiting for it.
      ZOOM_resultset_records(rs.get(), nullptr, first, piece);
      end = Await(conn.get(), waitLimit, p.Waiting, times, why);
      if (end == TWaitEnd::GivenUp) return givenUp();
    }
    // A fetch that broke off keeps the records that came whole before it.
    const std::size_t came = RecordsThatCame(rs.get(), first, piece);
    const std::size_t bytesBefore = r.Records.size();
    TakeRecords(rs.get(), first, came, m, iso2709, r, faults);
    // The piece's records are taken: ZOOM's cache, searched for every record
    // of every piece, stays the size of one.
    ZOOM_resultset_cache_reset(rs.get());
    sizer.Came(came, r.Records.size() - bytesBefore, times);
    first += came;
    if (end != TWaitEnd::Answered) break;
    // Fewer records than asked, and ZOOM did not ask for the rest: asking
    // again would bring no more, one present after another.
    if (came < piece) {
      why = kNoRecordsText;
      break;
    }
    if (first < m) ReserveForFetch(r, m);
  }
  r.Error = faults.Text();
  if (first < m) {
    if (!r.Error.empty()) r.Error += "; ";
    r.Error += (first + 1 == m ? "Record " + std::to_string(m)
                               : "Records " + std::to_string(first + 1) + "-" + std::to_string(m)) +
               " of " + std::to_string(m) + " did not come: " + why;
  }
  // A fetch that broke off before any record came whole is a failure; its
  // hits stay told.
  r.Ok = first == m || r.Delivered > 0;
  return r;
}

}  // namespace

TZSearchResult ZSearch(const TZConnectionParams& p, const std::string& pqf, std::size_t limit) {
  try {
    return Search(p, pqf, std::min<std::size_t>(limit, 1u << 30));
  } catch (const std::bad_alloc&) {
    TZSearchResult f;
    f.Error = ZoomErrorText(ZOOM_ERROR_MEMORY);
    return f;
  }
}
