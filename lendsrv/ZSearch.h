#pragma once
// One Z39.50 search on YAZ ZOOM, at the level of bytes: connect, search with a
// PQF query, fetch the first records in one present request, close. Failures
// are reported in the result, never thrown, so a caller walking a list of
// servers goes on past a dead one.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct TZConnectionParams {
  std::string Host;                     // host name or address, as ZOOM takes it
  int Port = 210;                       // 0 or less: ZOOM's default
  std::string Database;
  std::string Syntax;                   // record syntax name; see ResolveRecordSyntax
  std::optional<std::string> User;      // sent only when set
  std::optional<std::string> Password;  // sent only when set
  int TimeoutSeconds = 30;
};

struct TZSearchResult {
  bool Ok = false;
  std::string Records;     // the delivered records' raw bytes, joined unchanged
  std::size_t Hits = 0;    // hits the server reported
  std::size_t Delivered = 0;
  std::string Error;       // failure text when not Ok
};

// The dotted OID of a record syntax name (RUSMARC, UNIMARC, USMARC, MARC21,
// SUTRS, XML, ...), matched without regard to case; nullptr for an unknown name.
// Names are matched exactly: no wildcards, so "???" is unknown.
const char* ResolveRecordSyntax(std::string_view name);

// `@attr 1=<use> "<term>"` with backslash and double quote escaped.
std::string PqfUseQuery(int use, std::string_view termUtf8);

// Runs the query and fetches min(hits, limit) records.
TZSearchResult ZSearch(const TZConnectionParams& params, const std::string& pqf, std::size_t limit);
