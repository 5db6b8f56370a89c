#include "lendsrv/ZSearch.h"

#include <yaz/zoom.h>
#include <yaz/oid_db.h>
#include <yaz/oid_util.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

struct TSyntaxName {
  const char* Name;
  const Odr_oid* Oid;
};

// The record syntaxes a catalogue entry may name. Several names can share an OID.
const TSyntaxName kSyntaxNames[] = {
    {"UNIMARC", yaz_oid_recsyn_unimarc},     {"INTERMARC", yaz_oid_recsyn_intermarc},
    {"CCF", yaz_oid_recsyn_ccf},             {"USMARC", yaz_oid_recsyn_usmarc},
    {"MARC21", yaz_oid_recsyn_marc21},       {"UKMARC", yaz_oid_recsyn_ukmarc},
    {"NORMARC", yaz_oid_recsyn_normarc},     {"LIBRISMARC", yaz_oid_recsyn_librismarc},
    {"DANMARC", yaz_oid_recsyn_danmarc},     {"FINMARC", yaz_oid_recsyn_finmarc},
    {"MAB", yaz_oid_recsyn_mab},             {"CANMARC", yaz_oid_recsyn_canmarc},
    {"SBN", yaz_oid_recsyn_sbn},             {"PICAMARC", yaz_oid_recsyn_picamarc},
    {"AUSMARC", yaz_oid_recsyn_ausmarc},     {"IBERMARC", yaz_oid_recsyn_ibermarc},
    {"CARMARC", yaz_oid_recsyn_carmarc},     {"MALMARC", yaz_oid_recsyn_malmarc},
    {"JPMARC", yaz_oid_recsyn_jpmarc},       {"SWEMARC", yaz_oid_recsyn_swemarc},
    {"SIGLEMARC", yaz_oid_recsyn_siglemarc}, {"ISDSMARC", yaz_oid_recsyn_isdsmarc},
    {"RUSMARC", yaz_oid_recsyn_rusmarc},     {"HUNMARC", yaz_oid_recsyn_hunmarc},
    {"NACSIS-CATP", yaz_oid_recsyn_nacsis_catp},
    {"FINMARC2000", yaz_oid_recsyn_finmarc2000},
    {"MARC21-FIN", yaz_oid_recsyn_marc21_fin},
    {"SUTRS", yaz_oid_recsyn_sutrs},         {"OPAC", yaz_oid_recsyn_opac},
    {"SUMMARY", yaz_oid_recsyn_summary},     {"GRS-1", yaz_oid_recsyn_grs_1},
    {"EXPLAIN", yaz_oid_recsyn_explain},     {"XML", yaz_oid_recsyn_xml},
    {"TEXT-XML", yaz_oid_recsyn_text_xml},   {"APPLICATION-XML", yaz_oid_recsyn_application_xml},
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
bool TakeConnectionError(ZOOM_connection c, TZSearchResult& r) {
  const char* msg = nullptr;
  const char* addinfo = nullptr;
  const char* diagset = nullptr;
  const int code = ZOOM_connection_error_x(c, &msg, &addinfo, &diagset);
  if (code == ZOOM_ERROR_NONE) return false;
  r = TZSearchResult{};
  r.Error = msg && *msg ? msg : "Z39.50 error";
  r.Error += " (";
  if (diagset && *diagset) r.Error += std::string(diagset) + " ";
  r.Error += std::to_string(code) + ")";
  if (addinfo && *addinfo) r.Error += std::string(": ") + addinfo;
  return true;
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

TZSearchResult ZSearch(const TZConnectionParams& p, const std::string& pqf, std::size_t limit) {
  TZSearchResult r;
  TOptions opts(ZOOM_options_create());
  ZOOM_options_set(opts.get(), "databaseName", p.Database.c_str());
  if (const char* oid = ResolveRecordSyntax(p.Syntax))
    ZOOM_options_set(opts.get(), "preferredRecordSyntax", oid);
  if (p.User) ZOOM_options_set(opts.get(), "user", p.User->c_str());
  if (p.Password) ZOOM_options_set(opts.get(), "password", p.Password->c_str());
  ZOOM_options_set_int(opts.get(), "timeout", std::max(1, p.TimeoutSeconds));
  // Asking for the records with the search lets ZOOM fetch them in a single
  // present right after it (or piggy-backed), with no round trip of our own.
  const int want = static_cast<int>(std::min<std::size_t>(limit, 1u << 30));
  ZOOM_options_set_int(opts.get(), "count", want);

  TConnection conn(ZOOM_connection_create(opts.get()));
  ZOOM_connection_connect(conn.get(), p.Host.c_str(), p.Port > 0 ? p.Port : 0);
  if (TakeConnectionError(conn.get(), r)) return r;

  TResultSet rs(ZOOM_connection_search_pqf(conn.get(), pqf.c_str()));
  if (TakeConnectionError(conn.get(), r)) return r;
  const std::size_t hits = ZOOM_resultset_size(rs.get());
  const std::size_t m = std::min(hits, static_cast<std::size_t>(want));

  std::vector<ZOOM_record> recs(m, nullptr);
  if (m > 0) ZOOM_resultset_records(rs.get(), recs.data(), 0, m);
  if (TakeConnectionError(conn.get(), r)) return r;

  r.Ok = true;
  r.Hits = hits;
  for (ZOOM_record rec : recs) {
    if (!rec || ZOOM_record_error(rec, nullptr, nullptr, nullptr) != 0) continue;
    int len = 0;
    const char* raw = ZOOM_record_get(rec, "raw", &len);
    if (!raw || len <= 0) continue;
    r.Records.append(raw, static_cast<std::size_t>(len));
    ++r.Delivered;
  }
  return r;
}
