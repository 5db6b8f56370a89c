#include "lendsrv/ZSearch.h"

#include <poll.h>
#include <yaz/proto.h>
#include <yaz/zoom.h>
#include <yaz/oid_db.h>
#include <yaz/oid_util.h>

#include <algorithm>
#include <array>
#include <chrono>
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
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

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
// The first comes with the search (no round trip of its own); each later one
// holds about kPieceBytes, judged by the records so far, unless:
//   - the server is slow: a piece holds what the speed it has shown brings in
//     a quarter of the time limit, so it comes well inside the limit;
//   - the server is distant: while the round trip outweighs ZOOM's decoding
//     of a piece, pieces double, so round trips do not dominate the fetch;
//     ZOOM's cost for one answer grows with the square of its records, so
//     they halve again when the decoding outweighs the round trip or the
//     budget, which keeps a piece's decoding a small pause.
class TPieceSizer {
public:
  explicit TPieceSizer(TClock::duration Limit) : FLimit(Limit) {}

  std::size_t Next() const { return FNext; }

  // A piece of Records records, Bytes long, came in a wait that took Times.
  void Came(std::size_t Records, std::size_t Bytes, const TWaitTimes& Times) {
    FRecords += Records;
    FBytes += Bytes;
    if (Records == 0 || FBytes == 0) return;
    std::size_t next = Records;
    if (Times.Decoding * 4 < Times.Latency && Times.Decoding * 2 < kDecodingBudget) next *= 2;
    else if (Times.Decoding > Times.Latency || Times.Decoding > kDecodingBudget) next /= 2;
    const double recordBytes = static_cast<double>(FBytes) / static_cast<double>(FRecords);
    next = std::max(next, static_cast<std::size_t>(kPieceBytes / recordBytes));
    const double seconds = std::max(std::chrono::duration<double>(Times.Whole).count(), 1e-3);
    const double inTime = static_cast<double>(Bytes) / seconds * std::chrono::duration<double>(FLimit).count() / 4;
    next = std::min(next, static_cast<std::size_t>(std::min(inTime, kMaxPieceBytes) / recordBytes));
    FNext = std::clamp<std::size_t>(next, 1, kMaxPiece);
  }

  static constexpr std::size_t kFirstPiece = 100;

private:
  static constexpr std::size_t kPieceBytes = 128 * 1024;
  static constexpr double kMaxPieceBytes = 16 << 20;
  static constexpr std::size_t kMaxPiece = 20000;
  static constexpr auto kDecodingBudget = std::chrono::milliseconds(100);

  TClock::duration FLimit;
  std::size_t FNext = kFirstPiece;
  std::size_t FRecords = 0, FBytes = 0;
};

enum class TWaitEnd { Answered, Broken, GivenUp };

// Runs the connection's queued work until it is idle, for at most Limit; Times
// tells how this wait went. Broken, with the reason in Why, when the limit
// passes or the answer is a failure (a closed connection, bytes that cannot be
// decoded, a diagnostic); GivenUp when the caller's Waiting gives the search up
// first.
TWaitEnd Await(ZOOM_connection C, TClock::duration Limit, const std::function<bool()>& Waiting, TWaitTimes& Times,
               std::string& Why) {
  Times = TWaitTimes{};
  const auto start = TClock::now();
  const auto deadline = start + Limit;
  auto lastWait = start;
  bool answering = false;
  // ZOOM's own work, timed: reading and decoding what came.
  auto inZoom = [&](auto Work) {
    const auto before = TClock::now();
    const auto result = Work();
    Times.Decoding += TClock::now() - before;
    return result;
  };
  for (;;) {
    while (inZoom([&] { return ZOOM_connection_process(C); })) {
    }
    const auto now = TClock::now();
    Times.Whole = now - start;
    if (ZOOM_connection_is_idle(C)) {
      Why = ConnectionError(C);
      return Why.empty() ? TWaitEnd::Answered : TWaitEnd::Broken;
    }
    if (now >= deadline) {
      Why = std::string(ZOOM_diag_str(ZOOM_ERROR_TIMEOUT)) + " (" + std::to_string(ZOOM_ERROR_TIMEOUT) + ")";
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

// Records First .. First + Count - 1 of M, from ZOOM's cache, appended to R
// as sent; what was wrong with any of them goes to Faults.
void TakeRecords(ZOOM_resultset Rs, std::size_t First, std::size_t Count, std::size_t M, bool Iso2709,
                 TZSearchResult& R, TFaults& Faults) {
  for (std::size_t i = First; i < First + Count; ++i) {
    auto number = [&] { return "Record " + std::to_string(i + 1) + " of " + std::to_string(M); };
    ZOOM_record rec = ZOOM_resultset_record_immediate(Rs, i);
    const char* msg = nullptr;
    const char* addinfo = nullptr;
    if (!rec) {
      Faults.Add(number() + " did not come");
      continue;
    }
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

// Room for the whole fetch, judged by the records of the first piece, so that
// the records do not move to ever larger strings as they come, each move
// holding the old and the new at once. A generous guess costs no memory until
// it is written; a fetch beyond kMostReserved grows as it goes.
void ReserveForFetch(TZSearchResult& R, std::size_t Records) {
  constexpr std::size_t kMostReserved = std::size_t(1) << 30;
  if (R.Delivered == 0 || Records <= R.Delivered) return;
  const double perRecord = static_cast<double>(R.Records.size()) / static_cast<double>(R.Delivered);
  const double guess = perRecord * static_cast<double>(Records) * 1.25;
  R.Records.reserve(static_cast<std::size_t>(std::min(guess, static_cast<double>(kMostReserved))));
}

}  // namespace

TZSearchResult ZSearch(const TZConnectionParams& p, const std::string& pqf, std::size_t limit) {
  const TClock::duration waitLimit = std::chrono::seconds(std::max(1, p.TimeoutSeconds));
  TOptions opts(ZOOM_options_create());
  ZOOM_options_set(opts.get(), "async", "1");
  ZOOM_options_set(opts.get(), "databaseName", p.Database.c_str());
  const char* oid = ResolveRecordSyntax(p.Syntax);
  if (oid) ZOOM_options_set(opts.get(), "preferredRecordSyntax", oid);
  if (p.User) ZOOM_options_set(opts.get(), "user", p.User->c_str());
  if (p.Password) ZOOM_options_set(opts.get(), "password", p.Password->c_str());
  ZOOM_options_set_int(opts.get(), "timeout", std::max(1, p.TimeoutSeconds));
  // The first piece is asked for with the search: ZOOM has it piggy-backed on
  // the answer, or fetches it in a present right after, with no round trip of
  // ours.
  const std::size_t want = std::min<std::size_t>(limit, 1u << 30);
  ZOOM_options_set_int(opts.get(), "count", static_cast<int>(std::min(want, TPieceSizer::kFirstPiece)));

  TConnection conn(ZOOM_connection_create(opts.get()));
  ZOOM_connection_connect(conn.get(), p.Host.c_str(), p.Port > 0 ? p.Port : 0);
  TResultSet rs(ZOOM_connection_search_pqf(conn.get(), pqf.c_str()));
  TWaitTimes times;
  std::string why;
  TWaitEnd end = Await(conn.get(), waitLimit, p.Waiting, times, why);
  // A search that ends with no record: only its failure.
  auto failed = [](std::string Why) {
    TZSearchResult f;
    f.Error = std::move(Why);
    return f;
  };
  if (end == TWaitEnd::GivenUp) return failed(SearchGivenUpText);
  const std::size_t hits = ZOOM_resultset_size(rs.get());
  if (end == TWaitEnd::Answered && p.Answered) p.Answered(hits);
  const std::size_t m = std::min(hits, want);

  const bool iso2709 = oid && std::none_of(std::begin(kNotIso2709), std::end(kNotIso2709),
                                           [&](const char* n) { return SameAsciiNoCase(n, p.Syntax); });
  TZSearchResult r;
  TFaults faults;
  TPieceSizer sizer(waitLimit);
  std::size_t first = 0;
  while (first < m) {
    const std::size_t piece = std::min(sizer.Next(), m - first);
    if (end == TWaitEnd::Answered) {
      // Between two pieces the caller's windows run, and it may give the search up.
      if (first > 0 && p.Waiting && !p.Waiting()) return failed(SearchGivenUpText);
      // Only the first piece can have come with the search answer: the cache
      // is emptied after each piece, so every later one is asked for.
      bool missing = first > 0;
      for (std::size_t i = first; i < first + piece && !missing; ++i)
        missing = !ZOOM_resultset_record_immediate(rs.get(), i);
      if (missing) {
        // No array to fill: ZOOM then queues the present instead of waiting for it.
        ZOOM_resultset_records(rs.get(), nullptr, first, piece);
        end = Await(conn.get(), waitLimit, p.Waiting, times, why);
        if (end == TWaitEnd::GivenUp) return failed(SearchGivenUpText);
      }
    }
    // A fetch that broke off keeps the records that came whole before it, in order.
    std::size_t came = piece;
    if (end != TWaitEnd::Answered) {
      came = 0;
      while (came < piece && ZOOM_resultset_record_immediate(rs.get(), first + came)) ++came;
    }
    const std::size_t bytesBefore = r.Records.size();
    TakeRecords(rs.get(), first, came, m, iso2709, r, faults);
    if (first == 0) ReserveForFetch(r, m);
    // The piece's records are taken: ZOOM's cache, searched for every record
    // of every piece, stays the size of one.
    ZOOM_resultset_cache_reset(rs.get());
    sizer.Came(came, r.Records.size() - bytesBefore, times);
    first += came;
    if (end != TWaitEnd::Answered) break;
  }
  // A failure before any record came leaves nothing.
  if (end != TWaitEnd::Answered && r.Delivered == 0) return failed(why);
  r.Ok = true;
  r.Hits = hits;
  r.Error = faults.Text();
  if (first < m) {
    if (!r.Error.empty()) r.Error += "; ";
    r.Error += (first + 1 == m ? "Record " + std::to_string(m)
                               : "Records " + std::to_string(first + 1) + "-" + std::to_string(m)) +
               " of " + std::to_string(m) + " did not come: " + why;
  }
  return r;
}
