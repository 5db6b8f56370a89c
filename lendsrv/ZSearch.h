#pragma once
// One Z39.50 search on YAZ ZOOM, at the level of bytes: connect, search with a
// PQF query, fetch the first records, close. Failures are reported in the
// result, never thrown, so a caller walking a list of servers goes on past a
// dead one.
//
// The search runs on ZOOM's asynchronous interface with a poll loop of its
// own, so that its time limit ends a wait in which next to nothing comes (a
// silent server, or one that sends a byte now and then), never one that keeps
// sending, however slow its link, and the caller's Waiting runs while it
// waits. The hits are told as soon as the search is answered. The first
// records, up to ten, come with the search answer; the rest come in pieces
// sized for ZOOM's decoding and a distant server's round trips. A server that
// stops (falls silent, closes the connection, answers a present with fewer
// records than asked or with none) ends the fetch, keeping every record that
// came whole, those of the answer it broke off in too; so does an answer
// that is damaged, which is told as such ("Decoding failed (10003): ..."), as
// are bytes that are not a Z39.50 answer at all: "Connection lost (10004)" is
// told only when the server closed in the middle of an answer. Errors of
// ZOOM's own read "Text (code)", a server's diagnostic names its set too
// ("Text (Bib-1 code)"), and either is followed by ": addinfo" when there is
// one. Waiting runs between two pieces as well: a large fetch neither holds
// the caller's windows nor costs more than its size. Records are taken as the octets the server sent,
// never as ZOOM renders them (its rendering cuts an ISO 2709 record to the
// length its leader gives).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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
};

// A fetch that breaks off (the time limit, a closed connection, an answer that
// cannot be decoded, a present answered with fewer records than asked) after
// some records came whole is Ok: it delivers those. Before any record came it
// is a failure, which still tells the hits when the search was answered, as a
// search given up does. A search never throws: even a failure to get memory
// is a failure.
struct TZSearchResult {
  bool Ok = false;
  std::string Records;   // the delivered records' bytes as sent, joined unchanged
  std::size_t Hits = 0;  // hits the server reported; 0 when it did not answer
  std::size_t Delivered = 0;
  // Failure text when not Ok; when Ok, what was wrong with records that were
  // delivered all the same (not ISO 2709) or could not be (a diagnostic in a
  // record's place), the first ten named and the others counted, then which
  // records did not come when the fetch broke off, and why; else empty.
  std::string Error;
};

// "Search given up": the text of a search the caller's Waiting gave up.
inline constexpr char SearchGivenUpText[] = "Search given up";

// The dotted OID of a record syntax name (RUSMARC, UNIMARC, USMARC, MARC21,
// SUTRS, XML, ...), matched without regard to case; nullptr for an unknown name.
// Names are matched exactly: no wildcards, so "???" is unknown.
const char* ResolveRecordSyntax(std::string_view name);

// `@attr 1=<use> "<term>"` with backslash and double quote escaped.
std::string PqfUseQuery(int use, std::string_view termUtf8);

// True when Bytes is one ISO 2709 record as its leader describes it: at least
// a leader long, the record length of the leader is its size, and it ends with
// the record terminator.
bool IsIso2709Record(std::string_view Bytes);

// Runs the query and fetches min(hits, limit) records.
TZSearchResult ZSearch(const TZConnectionParams& params, const std::string& pqf, std::size_t limit);
