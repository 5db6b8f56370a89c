// A search through the lendsrv stand-in against a bare ZOOM search, both on a
// new connection to a yaz-ztest on loopback, fetching the same ten records.
// The stand-in's own cost is the difference; the target is a ratio within 2.
#include <benchmark/benchmark.h>
#include <yaz/zoom.h>

#include <cstdio>
#include <map>
#include <memory>

#include "lendsrv/LendServer.h"
// The bench is built from this one file; it shares the tests' yaz-ztest fixture.
#include "tests/lendsrv/ZTestServer.cpp"

namespace {

std::unique_ptr<ZTestServer> Server;

void BM_BareZoomSearch(benchmark::State& state) {
  const int port = Server->Port();
  for (auto _ : state) {
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
    if (ZOOM_connection_errcode(c) || bytes == 0) state.SkipWithError("bare ZOOM search failed");
    benchmark::DoNotOptimize(bytes);
    ZOOM_resultset_destroy(rs);
    ZOOM_connection_destroy(c);
    ZOOM_options_destroy(o);
  }
}

void BM_LendServerSearch(benchmark::State& state) {
  const int port = Server->Port();
  for (auto _ : state) {
    // What the client does per resource: create, put, search, read the counts, release.
    Variant v = CreateOleObject(LendServerProgID);
    OlePropertySet(v, u"zDatabase", u"Default");
    OlePropertySet(v, u"zHost", u"127.0.0.1");
    OlePropertySet(v, u"zSyntax", u"USMARC");
    OlePropertySet(v, u"zPort", port);
    const String text = OleFunction(v, u"SingleSearchIT", u"10", false, 4, 10).AsString();
    const int found = OleFunction(v, u"tReturned").AsInteger() + OleFunction(v, u"rCount").AsInteger();
    if (text.empty() || found != 22) state.SkipWithError("stand-in search failed");
    benchmark::DoNotOptimize(text.data());
    v = Variant();
  }
}

BENCHMARK(BM_BareZoomSearch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LendServerSearch)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Prints the usual table and keeps each benchmark's time per iteration.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> Seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.iterations > 0) Seconds[r.run_name.function_name] = r.real_accumulated_time / static_cast<double>(r.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Server = std::make_unique<ZTestServer>();
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Server.reset();
  const auto bare = reporter.Seconds.find("BM_BareZoomSearch");
  const auto ours = reporter.Seconds.find("BM_LendServerSearch");
  if (bare != reporter.Seconds.end() && ours != reporter.Seconds.end() && bare->second > 0)
    std::printf("stand-in search %.3f ms vs bare ZOOM search %.3f ms: ratio %.2f (target <= 2)\n",
                ours->second * 1e3, bare->second * 1e3, ours->second / bare->second);
  benchmark::Shutdown();
  return 0;
}
