#include <benchmark/benchmark.h>

#include "platform/core/Types.h"

// UTF-8 conversion sits on every edge (file names, drawing, the Z39.50 bridge).
static void BM_Utf8RoundTrip(benchmark::State& state) {
  String line;
  for (int i = 0; i < 100; ++i) line += u"Библиотека Library ";
  for (auto _ : state) {
    std::string u8 = ToUtf8(line);
    benchmark::DoNotOptimize(FromUtf8(u8));
  }
  state.SetBytesProcessed(state.iterations() * line.size() * 2);
}
BENCHMARK(BM_Utf8RoundTrip);
