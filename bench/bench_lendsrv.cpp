// A search through the lendsrv stand-in against a bare asynchronous ZOOM
// search (the stand-in's own path), both on a new connection to a yaz-ztest
// on loopback, fetching the same ten records. The stand-in's own cost is the
// difference; the target is in bench/Targets.h. The synchronous bare search is
// printed for reference.
#include <cstdio>

#include "bench/ZoomBench.h"
#include "lendsrv/LendServer.h"

namespace {

void BM_LendServerSearch(benchmark::State& state) {
  const int port = BenchServer->Port();
  for (auto _ : state) {
    // What the client does per resource: create, put, search, read the counts, release.
    Variant v = CreateOleObject(LendServerProgID);
    OlePropertySet(v, u"zDatabase", u"Default");
    OlePropertySet(v, u"zHost", u"127.0.0.1");
    OlePropertySet(v, u"zSyntax", u"USMARC");
    OlePropertySet(v, u"zPort", port);
    const String text = OleFunction(v, u"SingleSearchIT", u"10", false, 4, 10).AsString();
    const int found = OleFunction(v, u"tReturned").AsInteger() + OleFunction(v, u"rCount").AsInteger();
    if (text.empty() || found != 22) CheckFailed(state, "stand-in search failed");
    benchmark::DoNotOptimize(text.data());
    v = Variant();
  }
}

// Repetitions of the three interleaved at random (see main): the server shares
// the machine, and a busy moment then weighs on each alike.
BENCHMARK(BM_AsyncZoomSearch)->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareZoomSearch)->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_LendServerSearch)->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args = Interleaved(argc, argv);
  return RunWithBenchServer(static_cast<int>(args.size()) - 1, args.data(), [](const TRatioReporter& reporter) {
    const double bare = reporter.Of("BM_AsyncZoomSearch");
    const double sync = reporter.Of("BM_BareZoomSearch");
    const double ours = reporter.Of("BM_LendServerSearch");
    if (bare > 0 && ours > 0)
      std::printf(
          "stand-in search %.3f ms vs asynchronous ZOOM search %.3f ms (medians): ratio %.2f; %s; "
          "synchronous ZOOM search %.3f ms\n",
          ours * 1e3, bare * 1e3, ours / bare,
          TargetVerdict(Targets::SearchPerResource, ours / bare, !reporter.Failed.empty()).c_str(), sync * 1e3);
  });
}
