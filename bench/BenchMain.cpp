// The main of the benchmark programs that print no ratios of their own: it
// runs them with the ratio reporter, so a benchmark that reports an error
// makes the program fail.
#include "bench/RatioReporter.h"

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, TRatioReporter::CpuTime, [](const TRatioReporter&) {});
}
