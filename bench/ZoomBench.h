#pragma once
// What the benchmarks of a search against a yaz-ztest on loopback share: the
// server, the bare ZOOM searches (synchronous and asynchronous) the figures
// are set against, and a reporter that keeps each benchmark's time so that
// main can print ratios.
// Included by one bench program each; the yaz-ztest fixture comes from the
// test-support library.
#include <benchmark/benchmark.h>
#include <yaz/proto.h>
#include <yaz/zoom.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "tests/support/ZTestServer.h"

inline std::unique_ptr<ZTestServer> BenchServer;

// Whether a search gave records, after which its objects are let go.
inline bool EndSearch(ZOOM_options o, ZOOM_connection c, ZOOM_resultset rs, std::size_t bytes) {
  const bool ok = !ZOOM_connection_errcode(c) && bytes > 0;
  benchmark::DoNotOptimize(bytes);
  ZOOM_resultset_destroy(rs);
  ZOOM_connection_destroy(c);
  ZOOM_options_destroy(o);
  return ok;
}

// Ten records of the local server on a new connection, as lendsrv fetches
// them; false when the search failed.
inline bool BareZoomSearch(int port) {
  ZOOM_options o = ZOOM_options_create();
  ZOOM_options_set(o, "databaseName", "Default");
  ZOOM_options_set(o, "preferredRecordSyntax", "usmarc");
  ZOOM_connection c = ZOOM_connection_create(o);
  ZOOM_connection_connect(c, ZTestServer::Host(), port);
  ZOOM_resultset rs = ZOOM_connection_search_pqf(c, "@attr 1=4 \"10\"");
  ZOOM_record recs[10] = {};
  ZOOM_resultset_records(rs, recs, 0, 10);
  std::size_t bytes = 0;
  for (ZOOM_record r : recs) {
    int len = 0;
    if (r && ZOOM_record_get(r, "raw", &len)) bytes += static_cast<std::size_t>(len);
  }
  return EndSearch(o, c, rs, bytes);
}

// The same ten records on a new connection through ZOOM's asynchronous
// interface, all asked for with the search, as a plain client would: the
// baseline of a search's own cost (lendsrv's ZSearch asks for one with the
// search and the rest in a present, a round trip more). False when the search
// failed.
inline bool AsyncZoomSearch(int port) {
  ZOOM_options o = ZOOM_options_create();
  ZOOM_options_set(o, "async", "1");
  ZOOM_options_set(o, "databaseName", "Default");
  ZOOM_options_set(o, "preferredRecordSyntax", "usmarc");
  ZOOM_options_set_int(o, "count", 10);
  ZOOM_connection c = ZOOM_connection_create(o);
  ZOOM_connection_connect(c, ZTestServer::Host(), port);
  ZOOM_resultset rs = ZOOM_connection_search_pqf(c, "@attr 1=4 \"10\"");
  while (ZOOM_event(1, &c) > 0) {
  }
  // The records' octets as the server sent them, as lendsrv takes them.
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < 10; ++i) {
    int len = 0;
    ZOOM_record r = ZOOM_resultset_record_immediate(rs, i);
    const auto* ext = r ? reinterpret_cast<const Z_External*>(ZOOM_record_get(r, "ext", &len)) : nullptr;
    if (ext && ext->which == Z_External_octet && ext->u.octet_aligned)
      bytes += static_cast<std::size_t>(ext->u.octet_aligned->len);
  }
  return EndSearch(o, c, rs, bytes);
}

inline void BM_AsyncZoomSearch(benchmark::State& state) {
  const int port = BenchServer->Port();
  for (auto _ : state)
    if (!AsyncZoomSearch(port)) CheckFailed(state, "asynchronous ZOOM search failed");
}

inline void BM_BareZoomSearch(benchmark::State& state) {
  const int port = BenchServer->Port();
  for (auto _ : state)
    if (!BareZoomSearch(port)) CheckFailed(state, "bare ZOOM search failed");
}

// Starts the server, runs the benchmarks, stops the server; Report gets the
// reporter's times.
template <class TReport>
int RunWithBenchServer(int argc, char** argv, TReport Report) {
  BenchServer = std::make_unique<ZTestServer>();
  // The server's own time is part of every figure, so wall time is what compares.
  return RunWithRatios(argc, argv, TRatioReporter::WallTime, [&](const TRatioReporter& reporter) {
    BenchServer.reset();
    Report(reporter);
  });
}
