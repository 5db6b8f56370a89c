#pragma once
// The search server "lendsrv.Application": connection properties, one search
// per SingleSearchIT call, and the counts of the last search. Z39.50 failures
// never raise: the search answers empty text and keeps the failure in
// zLastError, so a run over many catalogues goes on past a dead one: running
// out of memory too is told so. The object lives in the caller's process; its
// searches run in a search process apart from it, which alone reads a
// server's bytes and links the Z39.50 library, one process serving search
// after search while they end well (SearchProcess.h).
//
// Late-bound callers create it with CreateOleObject(LendServerProgID), which
// works in any program linking this library (it registers itself); C++ callers
// may use the typed members directly.

#include <cstddef>
#include <optional>

#include "lendsrv/LendServerNames.h"
#include "platform/automation/Automation.h"

class TLendServer final : public TLateBoundObject {
public:
  static constexpr int DefaultTimeoutSeconds = 30;

  TLendServer();

  String GetzHost() const { return FzHost; }
  void SetzHost(const String& v) { FzHost = v; }
  Integer GetzPort() const { return FzPort; }
  void SetzPort(Integer v) { FzPort = v; }
  String GetzDatabase() const { return FzDatabase; }
  void SetzDatabase(const String& v) { FzDatabase = v; }
  String GetzSyntax() const { return FzSyntax; }
  void SetzSyntax(const String& v) { FzSyntax = v; }
  String GetzUserName() const { return FzUserName.value_or(String()); }
  void SetzUserName(const String& v) { FzUserName = v; }
  String GetzPassword() const { return FzPassword.value_or(String()); }
  void SetzPassword(const String& v) { FzPassword = v; }
  // The failure text of the last search; after a search that delivered
  // records, what was wrong with some of them and which did not come when the
  // fetch broke off; empty when nothing was.
  String GetzLastError() const { return FzLastError; }

  // Seconds each wait for the server may take: for the search answer, for
  // each piece of records.
  int GetTimeoutSeconds() const { return FTimeoutSeconds; }
  void SetTimeoutSeconds(int v) { FTimeoutSeconds = v; }

  // Searches `@attr 1=<use> "<term>"` and returns the first min(hits, limit)
  // records as the bytes the server sent, joined, each byte one character of
  // the ANSI code page. Empty on a failure before any record came; a fetch
  // that broke off returns the records that came whole. The flag is not used.
  // While the server is waited for, and between two pieces of a large fetch,
  // the caller's call-wait handler runs; when it answers False the search is
  // given up.
  String SingleSearchIT(const String& term, bool flag, Integer use, Integer limit);

  // Hits and records delivered by the last search, each plus one when at
  // least one: the caller takes one off any count above one. During a search,
  // tReturned gives the hits as soon as the server has answered the search (0
  // before), so a caller waiting can tell that the records are coming; after
  // a fetch that broke off before any record came, the hits all the same.
  Integer tReturned() const { return Reported(FHits); }
  Integer rCount() const { return Reported(FDelivered); }

private:
  static Integer Reported(std::size_t n);

  String FzHost;
  Integer FzPort = 210;
  String FzDatabase;
  String FzSyntax;
  std::optional<String> FzUserName;
  std::optional<String> FzPassword;
  String FzLastError;
  int FTimeoutSeconds = DefaultTimeoutSeconds;
  std::size_t FHits = 0;
  std::size_t FDelivered = 0;
};

// A count as shown: the server's counts are one more than there are whenever there are any.
inline Integer ClientCount(Integer n) { return n > 1 ? n - 1 : n; }
