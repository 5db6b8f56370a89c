#pragma once
// What a search is asked with and what it gives, on both sides of the search
// process: the connection's parameters, the records and how the search ended
// as they are handed over (TZSearchSink), and the result made of them
// (TZResultBuilder), with the texts every search tells in one form. Nothing
// here reads a server's bytes or links the Z39.50 library: the program uses
// it to take what its search process hands over (SearchProcess.h), the
// search process to hand it over (ZSearch.h).
//
// A record that came as octets (an ISO 2709 record, say) is taken as the
// octets the server sent, never as the Z39.50 library renders them (its
// rendering cuts an ISO 2709 record to the length its leader gives); a record
// in a structured syntax (GRS-1, OPAC, ...) is the library's rendering of it.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TZConnectionParams {
  std::string Host;  // host name or address, as ZOOM takes it
  int Port = 210;    // 0 or less: ZOOM's default
  std::string Database;
  std::string Syntax;                   // record syntax name; see ResolveRecordSyntax
  std::optional<std::string> User;      // sent only when set
  std::optional<std::string> Password;  // sent only when set
  int TimeoutSeconds = 30;              // the longest stretch of a wait in which next to nothing comes
  // Called about every 50 ms while the search waits, and between two pieces of
  // records; False gives the search up.
  std::function<bool()> Waiting;
  // Called as soon as the search has been answered, with the hits, before any
  // record has come.
  std::function<void(std::size_t Hits)> Answered;
  // Asked before each request the search sends its server (the first, the
  // initialisation, excepted: it goes with the search); False gives the
  // search up before the request goes. Unset: Waiting runs between two pieces
  // of records instead. The time an answer takes is no wait for the server.
  std::function<bool()> MaySend;
};

// A fetch that breaks off (the time limit, a closed connection, an answer that
// cannot be decoded, a present answered with fewer records than asked) after
// some records came whole is Ok: it delivers those. Before any record came it
// is a failure, which still tells the hits when the search was answered, as a
// search given up does. A search never throws: even a failure to get memory
// is a failure. A failure always has a text.
struct TZSearchResult {
  bool Ok = false;
  std::string Records;   // the delivered records' bytes as taken, joined unchanged
  std::size_t Hits = 0;  // hits the server reported; 0 when it did not answer
  std::size_t Delivered = 0;
  // Failure text when not Ok; when Ok, what was wrong with records that were
  // delivered all the same (not ISO 2709) or could not be (a diagnostic in a
  // record's place), the first ten named and the others counted, then which
  // records did not come when the fetch broke off, and why; else empty.
  std::string Error;
};

// The server's diagnostic in a record's place.
struct TZDiagnostic {
  int Code = 0;
  std::string Message;  // the condition's text
  std::string Set;      // the diagnostic set's name ("Bib-1"); empty when not known
  std::string Addinfo;
};

// "Text (Set Code): Addinfo", the set and the added information left out when
// empty: the one form of every error text that carries a code.
std::string DiagnosticText(std::string_view Message, std::string_view Set, int Code, std::string_view Addinfo);

// What a search hands over as it goes, in order: the hits once the search is
// answered, then each record of the fetch.
struct TZSearchEnd;

class TZSearchSink {
public:
  virtual ~TZSearchSink() = default;
  // The search was answered with Hits; Wanted records will be fetched.
  virtual void Answered(std::size_t Hits, std::size_t Wanted) = 0;
  // The next record: its bytes as taken (empty: the server sent none).
  virtual void Record(std::string_view Bytes) = 0;
  // The next record's place holds the server's diagnostic instead.
  virtual void Diagnostic(const TZDiagnostic& D) = 0;
  // What was handed over so far is to reach the caller now: the search is
  // about to wait, and whatever comes next, the caller is to have it.
  virtual void Handed() {}
  // Bytes more of the server's have come.
  virtual void ServerBytes(std::size_t Bytes) { (void)Bytes; }
  // How a fetch ended, as soon as it is known, before the connection is let
  // go: the caller need not wait for that.
  virtual void Ended(const TZSearchEnd& End) { (void)End; }
};

// How a search ended.
struct TZSearchEnd {
  enum class TStage {
    Failed,   // no records were to come: not connected, the search not answered, or answered with a failure
    GivenUp,  // the caller's Waiting gave it up
    Fetched,  // the fetch ran: complete, or broken off where Why tells
  };
  TStage Stage = TStage::Failed;
  std::string Why;  // Failed: the failure; Fetched: why it broke off (empty: it did not)
};

// The result of a search, made of what it hands over and how it ended: the
// records joined, what was wrong with some, and which did not come.
class TZResultBuilder final : public TZSearchSink {
public:
  // Iso2709: the records are to be ISO 2709 (see ExpectsIso2709).
  explicit TZResultBuilder(bool Iso2709) : FIso2709(Iso2709) {}

  void Answered(std::size_t Hits, std::size_t Wanted) override;
  void Record(std::string_view Bytes) override;
  void Diagnostic(const TZDiagnostic& D) override;

  // Whether the search was answered: the records then count.
  bool IsAnswered() const { return FAnswered; }
  // The result, once the search has ended so.
  TZSearchResult Finish(TZSearchEnd End);
  // Room for the result's records, so that a large fetch is not copied into
  // ever larger strings as it grows.
  void Reserve(std::size_t Bytes) { FResult.Records.reserve(Bytes); }

private:
  std::string Number() const;
  void Fault(const std::string& Text);

  bool FIso2709;
  bool FAnswered = false;
  std::size_t FWanted = 0;
  std::size_t FTaken = 0;  // records handed over, diagnostics in their places too
  TZSearchResult FResult;
  std::string FFaults;
  std::size_t FFaultsNamed = 0, FFaultsMore = 0;
};

// "Search given up": the text of a search the caller's Waiting gave up.
inline constexpr char SearchGivenUpText[] = "Search given up";
// The text of a failure that came without one of its own.
inline constexpr char NoAnswerText[] = "The server did not answer the search";
// The text of a search that could not get the memory it needed: the Z39.50
// library's own, with its code.
inline constexpr char OutOfMemoryText[] = "Out of memory (10001)";

// The dotted OID of a record syntax name (RUSMARC, UNIMARC, USMARC, MARC21,
// SUTRS, XML, ...), matched without regard to case; nullptr for an unknown name.
// Names are matched exactly: no wildcards, so "???" is unknown.
const char* ResolveRecordSyntax(std::string_view name);

// Every name ResolveRecordSyntax knows, in its table's order.
std::vector<std::string_view> RecordSyntaxNames();

// Whether records of the named syntax are ISO 2709: a known syntax that is not
// one of the text or structured ones.
bool ExpectsIso2709(std::string_view Syntax);

// `@attr 1=<use> "<term>"` with backslash and double quote escaped.
std::string PqfUseQuery(int use, std::string_view termUtf8);

// True when Bytes is one ISO 2709 record as its leader describes it: at least
// a leader long, the record length of the leader is its size, and it ends with
// the record terminator.
bool IsIso2709Record(std::string_view Bytes);
