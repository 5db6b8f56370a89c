#include "lendsrv/ZSearch.h"

#include "lendsrv/AnswerTap.h"

#include <poll.h>
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
// diagnostic's additional information, which names the database or host; a
// server's diagnostic names its set too: "Unsupported use attribute (Bib-1
// 114): 9999". Empty when the connection has no error.
std::string ConnectionError(ZOOM_connection c) {
  const char* msg = nullptr;
  const char* addinfo = nullptr;
  const char* diagset = nullptr;
  const int code = ZOOM_connection_error_x(c, &msg, &addinfo, &diagset);
  if (code == ZOOM_ERROR_NONE) return std::string();
  std::string text = msg && *msg ? msg : "Z39.50 error";
  text += " (";
  if (diagset && *diagset && std::string_view(diagset) != "ZOOM") text += std::string(diagset) + " ";
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
// A wait goes on while at least this many bytes come within the limit: a link
// that carries a segment now and then is slow, one that brings less is silent.
constexpr std::size_t kProgressBytes = 256;
// The most records asked for with the search: a search of the default record
// limit then takes the initialisation and the search alone.
constexpr std::size_t kFirstPiece = 10;

// The texts of breaks this search tells in the library's own manner.
std::string ZoomErrorText(int Code) { return std::string(ZOOM_diag_str(Code)) + " (" + std::to_string(Code) + ")"; }
// An answer the tap stopped before ZOOM had it.
std::string RefusedText(TAnswerVerdict Why) {
  return ZoomErrorText(ZOOM_ERROR_DECODE) + (Why == TAnswerVerdict::NotZ3950
                                                 ? ": not a Z39.50 answer (check the server's address and port)"
                                                 : ": the server's answer is damaged");
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

// Runs the connection's queued work until it is idle; Times tells how this
// wait went. Broken, with the reason in Why, when the limit passes with next
// to nothing coming, or the answer is a failure (a closed connection, bytes
// that cannot be decoded, a diagnostic); GivenUp when the caller's Waiting
// gives the search up first. SearchAnswered runs as soon as a search
// answer's hit count has come, with the count when the tap read it, before
// ZOOM has the whole answer; the wait goes on for the records asked for with it.
TWaitEnd Await(ZOOM_connection C, TAnswerTap& Tap, TClock::duration Limit, const std::function<bool()>& Waiting,
               TWaitTimes& Times, std::string& Why,
               const std::function<void(std::optional<long long> Hits)>& SearchAnswered = {}) {
  Times = TWaitTimes{};
  Tap.Begin();
  const auto start = TClock::now();
  // The stretch since at least kProgressBytes last came.
  auto stretch = start;
  std::size_t stretchBytes = 0;
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
    while (inZoom([&] { return ZOOM_connection_process(C); }))
      if (SearchAnswered && ZOOM_connection_last_event(C) == ZOOM_EVENT_RECV_SEARCH) SearchAnswered(std::nullopt);
    const auto now = TClock::now();
    if (ZOOM_connection_is_idle(C)) {
      const int code = ZOOM_connection_error(C, nullptr, nullptr);
      // A connection closed in the middle of an answer leaves ZOOM a cut
      // answer, which it reports as undecodable: it is told as what it is.
      // An answer that came whole and cannot be decoded is told so, though
      // the server closed after it.
      if (code == ZOOM_ERROR_DECODE && Tap.CutShort()) Why = ZoomErrorText(ZOOM_ERROR_CONNECTION_LOST);
      else Why = ConnectionError(C);
      return Why.empty() ? TWaitEnd::Answered : TWaitEnd::Broken;
    }
    const auto deadline = stretch + Limit;
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
    std::vector<pollfd> fds{{fd, 0, 0}};
    if (mask & ZOOM_SELECT_READ) fds[0].events |= POLLIN;
    if (mask & ZOOM_SELECT_WRITE) fds[0].events |= POLLOUT;
    if (mask & ZOOM_SELECT_EXCEPT) fds[0].events |= POLLPRI;
    Tap.AddPollFds(fds);
    if (::poll(fds.data(), fds.size(), slice) <= 0) continue;
    // A connection that has just opened gets the tap before ZOOM uses it.
    Tap.Follow(fd);
    const short ready = fds[0].revents;
    int fired = 0;
    if (ready & (POLLIN | POLLHUP | POLLERR)) fired |= ZOOM_SELECT_READ;
    if (ready & (POLLOUT | POLLERR)) fired |= ZOOM_SELECT_WRITE;
    if (ready & POLLPRI) fired |= ZOOM_SELECT_EXCEPT;
    // What came, before ZOOM reads it.
    const std::size_t came = Tap.Pump() + ((fired & ZOOM_SELECT_READ) ? Tap.Unread() : 0);
    if (SearchAnswered && Tap.HitsTold()) SearchAnswered(Tap.HitsTold());
    // An answer the tap stopped never reaches ZOOM: the wait ends here.
    if (const std::optional<TAnswerVerdict> refused = Tap.Refused()) {
      Why = RefusedText(*refused);
      return TWaitEnd::Broken;
    }
    if (came > 0 && !std::exchange(answering, true)) Times.Latency = TClock::now() - start;
    stretchBytes += came;
    if (stretchBytes >= kProgressBytes) {
      stretch = TClock::now();
      stretchBytes = 0;
    }
    if (fired) inZoom([&] { return ZOOM_connection_fire_event_socket(C, fired); });
  }
}

// The bytes of a record as the server sent them: the octets of its EXTERNAL
// when it came as octets, else ZOOM's raw form. Empty when there are none.
std::string RecordBytes(ZOOM_record Rec) {
  int len = 0;
  const std::string_view octets =
      ExternalOctets(reinterpret_cast<const Z_External*>(ZOOM_record_get(Rec, "ext", &len)));
  if (!octets.empty()) return std::string(octets);
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

// The records of a fetch of M as they are taken, in order: each record's bytes
// appended to the result as sent, or what was wrong with it told.
class TRecordsTaken {
public:
  TRecordsTaken(TZSearchResult& R, std::size_t M, bool Iso2709) : FR(R), FM(M), FIso2709(Iso2709) {}

  // Record Index (0-based), as the server sent it.
  void Take(std::size_t Index, std::string_view Bytes) {
    if (Bytes.empty()) {
      FFaults.Add(Number(Index) + " is empty");
      return;
    }
    if (FIso2709 && !IsIso2709Record(Bytes)) FFaults.Add(Number(Index) + " is not ISO 2709 (kept as sent)");
    FR.Records += Bytes;
    ++FR.Delivered;
  }
  // The server's diagnostic in record Index's place.
  void Diagnostic(std::size_t Index, const char* Message, int Code, const char* Addinfo) {
    FFaults.Add(Number(Index) + ": " + (Message && *Message ? Message : "diagnostic") + " (" + std::to_string(Code) +
                ")" + (Addinfo && *Addinfo ? std::string(": ") + Addinfo : std::string()));
  }
  std::string Faults() const { return FFaults.Text(); }

private:
  std::string Number(std::size_t Index) const {
    return "Record " + std::to_string(Index + 1) + " of " + std::to_string(FM);
  }

  TZSearchResult& FR;
  std::size_t FM;
  bool FIso2709;
  TFaults FFaults;
};

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

// Records First .. First + Count - 1, from ZOOM's cache.
void TakeRecords(ZOOM_resultset Rs, std::size_t First, std::size_t Count, TRecordsTaken& Taken) {
  for (std::size_t i = First; i < First + Count; ++i) {
    ZOOM_record rec = ZOOM_resultset_record_immediate(Rs, i);
    const char* msg = nullptr;
    const char* addinfo = nullptr;
    if (const int code = ZOOM_record_error(rec, &msg, &addinfo, nullptr); code != 0)
      Taken.Diagnostic(i, msg, code, addinfo);
    else Taken.Take(i, RecordBytes(rec));
  }
}

// The records that came whole of an answer that broke off, as records First
// on; returns how many.
std::size_t TakeCutRecords(const std::vector<TTapRecord>& Records, std::size_t First, TRecordsTaken& Taken) {
  for (std::size_t i = 0; i < Records.size(); ++i) {
    const TTapRecord& r = Records[i];
    if (r.Diagnostic) Taken.Diagnostic(First + i, r.Message.c_str(), r.Code, r.Addinfo.c_str());
    else Taken.Take(First + i, r.Bytes);
  }
  return Records.size();
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
  // The first piece is asked for with the search: ZOOM has the server send it
  // with the answer, or fetches it in a present right after.
  const std::size_t firstPiece = std::min(Want, kFirstPiece);
  ZOOM_options_set_int(opts.get(), "count", static_cast<int>(firstPiece));

  TZSearchResult r;
  // A search given up still tells the hits when it was answered.
  auto givenUp = [&r] {
    TZSearchResult g;
    g.Hits = r.Hits;
    g.Error = SearchGivenUpText;
    return g;
  };
  // Before the connection: ZOOM's descriptor leads to the tap until ZOOM is
  // done. Over anything but plain TCP it could follow no answer, and only
  // watches.
  TAnswerTap tap(PlainZ3950OverTcp(p.Host));
  TConnection conn(ZOOM_connection_create(opts.get()));
  TWaitTimes times;
  std::string why;
  ZOOM_connection_connect(conn.get(), p.Host.c_str(), p.Port > 0 ? p.Port : 0);
  TWaitEnd end = Await(conn.get(), tap, waitLimit, p.Waiting, times, why);
  if (end == TWaitEnd::GivenUp) return givenUp();
  if (end == TWaitEnd::Broken) {
    r.Error = why;
    return r;
  }
  TResultSet rs(ZOOM_connection_search_pqf(conn.get(), pqf.c_str()));
  // The hits are told as soon as the search answer brings them, before its records.
  bool hitsKnown = false;
  std::string damaged;
  end = Await(conn.get(), tap, waitLimit, p.Waiting, times, why, [&](std::optional<long long> Told) {
    if (std::exchange(hitsKnown, true)) return;
    // ZOOM keeps the server's count signed and gives it unsigned: a negative
    // count, which only a damaged answer holds, comes as a huge one.
    const auto hits = Told ? *Told : static_cast<long long>(ZOOM_resultset_size(rs.get()));
    if (hits < 0) {
      damaged = "Damaged search answer: a hit count of " + std::to_string(hits);
      return;
    }
    r.Hits = static_cast<std::size_t>(hits);
    if (p.Answered) p.Answered(r.Hits);
  });
  if (end == TWaitEnd::GivenUp) return givenUp();
  const std::size_t m = std::min(r.Hits, Want);
  // Not answered, or answered with a failure (a diagnostic) and no records to
  // wait for: only the failure.
  if (!hitsKnown || !damaged.empty() || (end == TWaitEnd::Broken && m == 0)) {
    r.Error = damaged.empty() ? why : damaged;
    return r;
  }

  const bool iso2709 = oid && std::none_of(std::begin(kNotIso2709), std::end(kNotIso2709),
                                           [&](const char* n) { return SameAsciiNoCase(n, p.Syntax); });
  TRecordsTaken taken(r, m, iso2709);
  TPieceSizer sizer(firstPiece);
  std::size_t first = 0;
  while (first < m) {
    const std::size_t piece = std::min(sizer.Next(), m - first);
    // The first piece was asked for with the search.
    if (first > 0) {
      // Between two pieces the caller's windows run, and it may give the search up.
      if (p.Waiting && !p.Waiting()) return givenUp();
      // No array to fill: ZOOM then queues the present instead of waiting for it.
      ZOOM_resultset_records(rs.get(), nullptr, first, piece);
      end = Await(conn.get(), tap, waitLimit, p.Waiting, times, why);
      if (end == TWaitEnd::GivenUp) return givenUp();
    }
    // Where ZOOM found an answer whole that the tap could not follow, ZOOM's
    // records stand.
    const std::optional<std::size_t> sent =
        end == TWaitEnd::Answered && tap.AnswerOpen() ? std::nullopt : tap.RecordsSent();
    const std::size_t came = RecordsThatCame(rs.get(), first, piece, sent);
    const std::size_t bytesBefore = r.Records.size();
    TakeRecords(rs.get(), first, came, taken);
    std::size_t got = came;
    // A fetch that broke off keeps the records that came whole before it,
    // those of the answer it broke off in as well.
    if (end != TWaitEnd::Answered && sent == came)
      got += TakeCutRecords(tap.WholeRecordsOfCutAnswer(piece - came), first + came, taken);
    // The piece's records are taken: ZOOM's cache, searched for every record
    // of every piece, stays the size of one.
    ZOOM_resultset_cache_reset(rs.get());
    sizer.Came(got, r.Records.size() - bytesBefore, times);
    first += got;
    if (end != TWaitEnd::Answered) break;
    // Fewer records than asked, and ZOOM did not ask for the rest: asking
    // again would bring no more, one present after another.
    if (got < piece) {
      why = kNoRecordsText;
      break;
    }
    if (first < m) ReserveForFetch(r, m);
  }
  r.Error = taken.Faults();
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
