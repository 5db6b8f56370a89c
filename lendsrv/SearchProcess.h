#pragma once
// The program's side of its search processes: a search is carried out by a
// search process (the executable "lendsrv", built with the program and
// installed beside it), so that nothing a server sends, nor any fault of the
// Z39.50 library on it, ends the program. The process hands over the hits,
// each record and how the search ended as they come, while the caller's
// Waiting runs here about every 50 ms; and before each request the search
// sends its server, it asks, and is answered once Waiting has run: a search
// the caller gives up (Waiting answers False) asks the server for nothing
// more, and its process is ended at once, wherever it is. No signal ever
// holds a process, so the time the caller takes is never a wait of the
// search's for its server.
//
// Nothing a process says is taken on trust: its messages are checked as the
// hostile bytes they may be, and a search ends when its process makes no
// progress (no hits, records or question, nor more of the server's bytes)
// for the search's time limit and some seconds more, whatever else it says.
// A process that ends without finishing a search (a signal, an exit, its
// socket closed) ends the search at once with a text that says how, keeping
// every record handed over and telling those that did not come. Running out
// of memory is the search's failure, told as such: a search never throws.
//
// A process that finished its search well serves the next one, so that a run
// over many catalogues starts one process, not one a catalogue; after any
// other search it is ended, and the next search starts a fresh one. A fresh
// process and the program first tell each other which messages they speak: a
// search process of another build is told as not matching the program. A
// process lives as long as the program, whichever thread started it.
//
// The process is found beside the running program, else where the build made
// it (the build's tests and benchmarks run from folders of their own).

#include <cstddef>
#include <string>

#include "lendsrv/SearchResult.h"

// Runs the query in a search process and fetches min(hits, limit) records:
// the records and texts are those the search gives where it runs (ZSearch.h).
TZSearchResult SearchInSearchProcess(const TZConnectionParams& Params, const std::string& Pqf, std::size_t Limit);

// The search process's executable: beside the running program when it is
// there, else the build's own.
std::string SearchProcessPath();
