#pragma once
// One Z39.50 search on YAZ ZOOM, at the level of bytes: connect, search with a
// PQF query, fetch the first records, close. Failures are reported in the
// result, never thrown, so a caller walking a list of servers goes on past a
// dead one. The program runs it in a search process of its own
// (SearchProcess.h), where nothing the library does with a server's bytes can
// end the program; ZSearch itself runs it where it is called.
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
// came whole, those of the answer it broke off in too; so does an answer that
// is damaged, which is told as such ("Decoding failed (10003): ..."), one
// out of turn ("The server answered out of turn: ..."), bytes that are not a
// Z39.50 answer at all, and answers that make the library ask again and
// again, which the search counts. The records of an answer that came whole
// stand whatever follows it. "Connection lost (10004)" is told when the
// server closed the connection, in the middle of an answer or between two;
// the reason a server gives in a close of its own follows it. Errors of
// ZOOM's own read "Text (code)", a server's diagnostic names its set too
// ("Text (Bib-1 code)"), and either is followed by ": addinfo" when there is
// one; a record's diagnostic is told in the same form. Waiting runs between
// two pieces as well (where the caller gives MaySend, that is asked before
// each request instead): a large fetch neither holds the caller's windows nor
// costs more than its size. The time the caller takes is never counted as a
// wait for the server.

#include <cstddef>
#include <memory>
#include <string>

#include "lendsrv/SearchResult.h"

class TTapLink;

// What a process that runs one search after another keeps between them: the
// local socket pair the answers' tap stands on (AnswerTap.h), and a ZOOM
// connection made ready while no search waited, for the next search.
class TZSearchReuse {
public:
  TZSearchReuse();
  ~TZSearchReuse();
  TZSearchReuse(const TZSearchReuse&) = delete;
  TZSearchReuse& operator=(const TZSearchReuse&) = delete;

  // Makes the next search's connection ready; for a moment nothing waits.
  void Prepare();

  struct TReady;

private:
  friend TZSearchEnd RunZSearch(const TZConnectionParams&, const std::string&, std::size_t, TZSearchSink&,
                                TZSearchReuse*);
  std::unique_ptr<TTapLink> FLink;
  std::unique_ptr<TReady> FReady;
};

// Runs the query and hands over min(hits, limit) records to Sink as they come;
// Waiting gives the search up only where params has one. Reuse, when given,
// serves this search with what the ones before kept.
TZSearchEnd RunZSearch(const TZConnectionParams& params, const std::string& pqf, std::size_t limit, TZSearchSink& Sink,
                       TZSearchReuse* Reuse = nullptr);

// Runs the query here and fetches min(hits, limit) records.
TZSearchResult ZSearch(const TZConnectionParams& params, const std::string& pqf, std::size_t limit);
