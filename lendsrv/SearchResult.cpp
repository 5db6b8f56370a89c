#include "lendsrv/SearchResult.h"

#include <algorithm>
#include <iterator>

namespace {

struct TSyntaxName {
  const char* Name;
  const char* Oid;  // dotted
};

// Syntaxes whose records are not ISO 2709.
const char* const kNotIso2709[] = {"SUTRS",   "OPAC", "SUMMARY",  "GRS-1",
                                   "EXPLAIN", "XML",  "TEXT-XML", "APPLICATION-XML"};

// The record syntaxes a catalogue entry may name, with their object
// identifiers as the Z39.50 library knows them (a test of the search's side
// holds the two together). Several names can share an identifier.
constexpr TSyntaxName kSyntaxNames[] = {
    {"UNIMARC", "1.2.840.10003.5.1"},
    {"INTERMARC", "1.2.840.10003.5.2"},
    {"CCF", "1.2.840.10003.5.3"},
    {"USMARC", "1.2.840.10003.5.10"},
    {"MARC21", "1.2.840.10003.5.10"},
    {"UKMARC", "1.2.840.10003.5.11"},
    {"NORMARC", "1.2.840.10003.5.12"},
    {"LIBRISMARC", "1.2.840.10003.5.13"},
    {"DANMARC", "1.2.840.10003.5.14"},
    {"FINMARC", "1.2.840.10003.5.15"},
    {"MAB", "1.2.840.10003.5.16"},
    {"CANMARC", "1.2.840.10003.5.17"},
    {"SBN", "1.2.840.10003.5.18"},
    {"PICAMARC", "1.2.840.10003.5.19"},
    {"AUSMARC", "1.2.840.10003.5.20"},
    {"IBERMARC", "1.2.840.10003.5.21"},
    {"CARMARC", "1.2.840.10003.5.22"},
    {"MALMARC", "1.2.840.10003.5.23"},
    {"JPMARC", "1.2.840.10003.5.24"},
    {"SWEMARC", "1.2.840.10003.5.25"},
    {"SIGLEMARC", "1.2.840.10003.5.26"},
    {"ISDSMARC", "1.2.840.10003.5.27"},
    {"RUSMARC", "1.2.840.10003.5.28"},
    {"HUNMARC", "1.2.840.10003.5.29"},
    {"NACSIS-CATP", "1.2.840.10003.5.30"},
    {"FINMARC2000", "1.2.840.10003.5.31"},
    {"MARC21-FIN", "1.2.840.10003.5.32"},
    {"SUTRS", "1.2.840.10003.5.101"},
    {"OPAC", "1.2.840.10003.5.102"},
    {"SUMMARY", "1.2.840.10003.5.103"},
    {"GRS-1", "1.2.840.10003.5.105"},
    {"EXPLAIN", "1.2.840.10003.5.100"},
    {"XML", "1.2.840.10003.5.109.10"},
    {"TEXT-XML", "1.2.840.10003.5.109.10"},
    {"APPLICATION-XML", "1.2.840.10003.5.109.11"},
};

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAsciiNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

}  // namespace

const char* ResolveRecordSyntax(std::string_view name) {
  for (const TSyntaxName& s : kSyntaxNames)
    if (SameAsciiNoCase(s.Name, name)) return s.Oid;
  return nullptr;
}

std::vector<std::string_view> RecordSyntaxNames() {
  std::vector<std::string_view> names;
  for (const TSyntaxName& s : kSyntaxNames) names.push_back(s.Name);
  return names;
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

bool ExpectsIso2709(std::string_view Syntax) {
  return ResolveRecordSyntax(Syntax) && std::none_of(std::begin(kNotIso2709), std::end(kNotIso2709),
                                                     [&](const char* n) { return SameAsciiNoCase(n, Syntax); });
}

std::string DiagnosticText(std::string_view Message, std::string_view Set, int Code, std::string_view Addinfo) {
  std::string text(Message);
  text += " (";
  if (!Set.empty()) (text += Set) += ' ';
  text += std::to_string(Code) + ")";
  if (!Addinfo.empty()) (text += ": ") += Addinfo;
  return text;
}
// ---- TZResultBuilder ----------------------------------------------------------------

namespace {

// What was wrong with the records delivered: the first few are named, the
// rest counted, since a server that damages every record of a large fetch
// would otherwise make one text, and one log line, of megabytes.
constexpr std::size_t kFaultsNamed = 10;
// Room is made ahead for at most this much of a fetch's records.
constexpr std::size_t kMostReserved = std::size_t(1) << 30;
// Room made for the first records at once: a search of the default limit's.
constexpr std::size_t kFirstRecordsRoom = 10, kCommonRecordBytes = 2048;

}  // namespace

void TZResultBuilder::Answered(std::size_t Hits, std::size_t Wanted) {
  FAnswered = true;
  FResult.Hits = Hits;
  FWanted = Wanted;
  // Room for the first records, of a size most records have, so that they do
  // not move from string to string as they come.
  FResult.Records.reserve(std::min<std::size_t>(Wanted, kFirstRecordsRoom) * kCommonRecordBytes);
}

std::string TZResultBuilder::Number() const {
  return "Record " + std::to_string(FTaken + 1) + " of " + std::to_string(FWanted);
}

void TZResultBuilder::Fault(const std::string& Text) {
  if (FFaultsNamed == kFaultsNamed) {
    ++FFaultsMore;
    return;
  }
  if (!FFaults.empty()) FFaults += "; ";
  FFaults += Text;
  ++FFaultsNamed;
}

void TZResultBuilder::Record(std::string_view Bytes) {
  if (Bytes.empty()) {
    Fault(Number() + " is empty");
  } else {
    if (FIso2709 && !IsIso2709Record(Bytes)) Fault(Number() + " is not ISO 2709 (kept as sent)");
    // Room for the whole fetch, judged by the records so far: the records do
    // not move to ever larger strings as they come, each move holding the old
    // and the new at once. A generous guess costs no memory until it is
    // written.
    std::string& records = FResult.Records;
    if (records.size() + Bytes.size() > records.capacity() && FResult.Delivered > 0 && FTaken + 1 < FWanted) {
      const double perRecord = static_cast<double>(records.size()) / static_cast<double>(FResult.Delivered);
      const double guess = std::min(perRecord * static_cast<double>(FWanted) * 1.25, double(kMostReserved));
      if (guess > static_cast<double>(records.size() + Bytes.size())) records.reserve(static_cast<std::size_t>(guess));
    }
    records += Bytes;
    ++FResult.Delivered;
  }
  ++FTaken;
}

void TZResultBuilder::Diagnostic(const TZDiagnostic& D) {
  Fault(Number() + ": " + DiagnosticText(D.Message.empty() ? "Diagnostic" : D.Message, D.Set, D.Code, D.Addinfo));
  ++FTaken;
}

TZSearchResult TZResultBuilder::Finish(TZSearchEnd End) {
  TZSearchResult r = std::move(FResult);
  FResult = TZSearchResult();
  switch (End.Stage) {
    case TZSearchEnd::TStage::GivenUp:
      r.Records.clear();
      r.Delivered = 0;
      r.Error = SearchGivenUpText;
      return r;
    case TZSearchEnd::TStage::Failed:
      r.Records.clear();
      r.Delivered = 0;
      r.Error = End.Why.empty() ? NoAnswerText : End.Why;
      return r;
    case TZSearchEnd::TStage::Fetched: break;
  }
  r.Error = FFaults;
  if (FFaultsMore > 0) r.Error += "; " + std::to_string(FFaultsMore) + " more records with faults";
  if (FTaken < FWanted) {
    if (!r.Error.empty()) r.Error += "; ";
    r.Error += (FTaken + 1 == FWanted ? "Record " + std::to_string(FWanted)
                                      : "Records " + std::to_string(FTaken + 1) + "-" + std::to_string(FWanted)) +
               " of " + std::to_string(FWanted) + " did not come: " + (End.Why.empty() ? NoAnswerText : End.Why);
  }
  // A fetch that broke off before any record came whole is a failure; its
  // hits stay told.
  r.Ok = FTaken == FWanted || r.Delivered > 0;
  if (!r.Ok) r.Records.clear();
  return r;
}
