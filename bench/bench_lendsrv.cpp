// A search through the lendsrv stand-in against a bare asynchronous ZOOM
// search (the stand-in's own path), both on a new connection to a yaz-ztest
// on loopback, fetching the same ten records. The stand-in's own cost is the
// difference; the target is in bench/Targets.h. The synchronous bare search is
// printed for reference.
//
// The fetches below go the program's way: through the search server object,
// whose search runs in a search process of its own, and whose text is what
// the caller gets.
//
// How a large fetch grows: 50,000 records of one result set against the same
// fetch of its first 10,000, in turns. Five times the records may cost at
// most the growth Targets::FetchGrowth allows; a fetch whose cost grows with
// the square of its size is far over.
//
// What the search process costs a large fetch: 53,000 records through it
// against the same fetch run here, in the benchmark's own process (ZSearch),
// its records made the same text, in turns. The process's messages, the
// copies on their way and the wake-ups they take may cost at most what
// Targets::FetchThroughSearchProcess allows; the CPU time of both processes is
// printed beside that of the one.
//
// And how a distant server's fetch goes: 53,000 records through a relay that
// delays each direction by 100 ms, against the same fetch near, in turns. The
// round trip may add at most what Targets::DistantFetch allows; a fetch in
// pieces of fixed size is dominated by their round trips.
#include <cstdio>

#include "bench/MemTableBench.h"
#include "bench/SearchProcesses.h"
#include "bench/ZoomBench.h"
#include "lendsrv/LendServer.h"
#include "lendsrv/ZSearch.h"
#include "platform/core/CodePage.h"
#include "tests/support/LinkRelay.h"

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

// What a fetch gave its caller.
struct TFetch {
  String Text;                // what the caller gets: the records, a character a byte
  std::size_t Delivered = 0;  // records delivered
  bool Ok = false;            // no failure, every record asked for delivered
};
// A fetch as the program makes it: the first Limit records of a result set
// of Hits from the server at Port (the bench server's by default), through
// the search server object and its search process.
TFetch FetchThroughProcess(std::size_t Limit, std::size_t Hits = 50000, int Port = 0) {
  TLendServer server;
  server.SetzHost(FromUtf8(ZTestServer::Host()));
  server.SetzPort(Port > 0 ? Port : BenchServer->Port());
  server.SetzDatabase(u"Default");
  server.SetzSyntax(u"USMARC");
  TFetch f;
  f.Text = server.SingleSearchIT(FromUtf8(std::to_string(Hits)), false, 4, static_cast<Integer>(Limit));
  f.Delivered = static_cast<std::size_t>(ClientCount(server.rCount()));
  f.Ok = f.Delivered == Limit && server.GetzLastError().empty();
  return f;
}

// The same fetch run in this process: ZSearch, its records made the text the
// caller gets, as the search server object makes it.
TFetch FetchHere(std::size_t Limit, std::size_t Hits) {
  const TZSearchResult r =
      ZSearch(ZTestServer::Params(BenchServer->Port()), PqfUseQuery(4, std::to_string(Hits)), Limit);
  TFetch f;
  f.Text = AnsiToString(r.Records, 2);
  f.Delivered = r.Delivered;
  f.Ok = r.Ok && r.Delivered == Limit && r.Error.empty();
  return f;
}

void BM_FetchGrowth(benchmark::State& state) {
  constexpr std::size_t kSmall = 10000, kLarge = 50000;
  for (auto _ : state) {
    for (int round = 0; round < 5; ++round) {
      TFetch small, large;
      const double smallMs = Millis([&] { small = FetchThroughProcess(kSmall); });
      const double largeMs = Millis([&] { large = FetchThroughProcess(kLarge); });
      // The same records, whole and in order: the small fetch is the large one's start.
      if (!small.Ok || !large.Ok || large.Text.compare(0, small.Text.size(), small.Text) != 0)
        CheckFailed(state, "the fetches did not give the same records");
      Figure(state, "fetch of 50,000 records through the search process", largeMs, "the same fetch of 10,000", smallMs,
             Targets::FetchGrowth);
    }
  }
}
BENCHMARK(BM_FetchGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FetchThroughSearchProcess(benchmark::State& state) {
  constexpr std::size_t kRecords = 53000;
  for (auto _ : state) {
    AlternatedRounds(15, [&](bool Counted, bool FigureFirst) {
      TFetch through, here;
      TTimes throughTimes, hereTimes;
      BothInOrder(
          FigureFirst,
          [&] {
            const double searchCpu = SearchProcessesCpuMs();
            throughTimes = WallAndCpu([&] { through = FetchThroughProcess(kRecords, kRecords); });
            throughTimes.CpuMs += SearchProcessesCpuMs() - searchCpu;
          },
          [&] { hereTimes = WallAndCpu([&] { here = FetchHere(kRecords, kRecords); }); });
      if (!through.Ok || !here.Ok || through.Text != here.Text)
        CheckFailed(state, "the fetch through the search process did not give the records of the one here");
      if (!Counted) return;
      Figure(state, "fetch of 53,000 records through the search process", throughTimes,
             "the same fetch in this process", hereTimes.Ms, Targets::FetchThroughSearchProcess);
      Figure(state, "CPU time of that fetch, both processes'", throughTimes.CpuMs,
             "CPU time of the fetch in this process", hereTimes.CpuMs, NoTarget(), "cpu");
    });
  }
}
BENCHMARK(BM_FetchThroughSearchProcess)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DistantFetch(benchmark::State& state) {
  constexpr std::size_t kRecords = 53000;
  TLinkRelay relay(ZTestServer::Host(), BenchServer->Port(), {.RoundTrip = std::chrono::milliseconds(200)});
  for (auto _ : state) {
    for (int round = 0; round < 3; ++round) {
      TFetch nearby, distant;
      const double nearMs = Millis([&] { nearby = FetchThroughProcess(kRecords, kRecords); });
      const double distantMs = Millis([&] { distant = FetchThroughProcess(kRecords, kRecords, relay.Port()); });
      if (!nearby.Ok || !distant.Ok || distant.Text != nearby.Text)
        CheckFailed(state, "the distant fetch did not give the records of the near one");
      Figure(state, "fetch of 53,000 records through the search process over a 200 ms round trip",
             TTimes{distantMs, -1}, "the same fetch near", nearMs, NoTarget(), "distant");
      Figure(state, "time a 200 ms round trip adds to that fetch", distantMs - nearMs, "the same fetch near", nearMs,
             Targets::DistantFetch);
    }
  }
}
BENCHMARK(BM_DistantFetch)->Unit(benchmark::kMillisecond)->Iterations(1);

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
