#pragma once
// The program's side of its search process: each search is carried out by a
// process of its own (the executable "lendsrv", built with the program and
// installed beside it), so that nothing a server sends, nor any fault of the
// Z39.50 library on it, ends the program. The process hands over the hits,
// each record and how the search ended as they come, while the caller's
// Waiting runs here.
//
// A process that ends without finishing a search (a signal, an exit, its
// socket closed) ends the search at once with a text that says how, keeping
// every record handed over and telling those that did not come; one that
// stops answering (no word for the search's time limit and half a minute
// more) is ended so. While the caller's Waiting runs, the process is held
// where it is, so that a search the caller gives up (Waiting answers False)
// asks the server for nothing after, and its process ends at once, wherever
// it is. A process that finished its search well
// serves the next one, so that a run over many catalogues starts one process,
// not one a catalogue; any other search starts a fresh one.
//
// The process is found beside the running program, else where the build made
// it (the build's tests and benchmarks run from folders of their own).

#include <cstddef>
#include <string>

#include "lendsrv/ZSearch.h"

// Runs the query in a search process and fetches min(hits, limit) records, as
// ZSearch does here; Waiting runs about every 50 ms meanwhile, and between
// two pieces of records.
TZSearchResult SearchInProcess(const TZConnectionParams& Params, const std::string& Pqf, std::size_t Limit);

// The search process's executable: beside the running program when it is
// there, else the build's own.
std::string SearchProcessPath();
