// The benchmarks' harness: a benchmark whose check fails makes its program
// exit non-zero (and `make bench` with it), and no figure of it is said to hold;
// `make bench` fails on a figure over its target when it is over again once
// measured alone, or not measured again at all.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/Occurrences.h"

namespace {

struct TProbeRun {
  int Exit = -1;
  std::string Output;
};

// Runs Command with the probe's check of Failing made to fail (none if empty),
// and the environment's assignments Settings before it.
TProbeRun RunWith(const std::string& Command, const std::string& Failing, const std::string& Settings = "") {
  const std::string command = Settings + " BENCH_PROBE_FAIL='" + Failing + "' " + Command + " 2>&1";
  FILE* out = popen(command.c_str(), "r");
  TProbeRun run;
  if (!out) return run;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, out)) > 0;) run.Output.append(buffer, n);
  const int status = pclose(out);
  run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return run;
}

// The summary line of a figure.
std::string FigureLine(const std::string& Output, const std::string& What) {
  const size_t at = Output.find("  " + What + ":");
  if (at == std::string::npos) return std::string();
  return Output.substr(at, Output.find('\n', at) - at);
}

TEST(BenchHarness, PassingChecksExitZeroAndTheFiguresHold) {
  const TProbeRun run = RunWith(BENCH_HARNESS_PROBE, "");
  EXPECT_EQ(run.Exit, 0) << run.Output;
  for (const char* probe : {"probe BM_First", "probe BM_Second", "probe BM_Averaged"})
    EXPECT_NE(FigureLine(run.Output, probe).find("holds"), std::string::npos) << probe << "\n" << run.Output;
  EXPECT_EQ(run.Output.find("check failed"), std::string::npos) << run.Output;
}

// A benchmark reported as averages over its repetitions: a check that fails in
// one repetition only, the first or a later one, still fails the program with
// its message, and the benchmark's figure does not hold.
TEST(BenchHarness, ACheckFailingInOneRepetitionOfAveragesFailsTheProgram) {
  for (const char* failing : {"BM_Averaged@0", "BM_Averaged@3"}) {
    SCOPED_TRACE(failing);
    const TProbeRun run = RunWith(BENCH_HARNESS_PROBE, failing);
    EXPECT_NE(run.Exit, 0) << run.Output;
    EXPECT_NE(run.Output.find("benchmark failed: BM_Averaged"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("the result differs from the baseline's"), std::string::npos) << run.Output;
    const std::string line = FigureLine(run.Output, "probe BM_Averaged");
    EXPECT_NE(line.find("CHECK FAILED"), std::string::npos) << run.Output;
    EXPECT_NE(FigureLine(run.Output, "probe BM_First").find("holds"), std::string::npos) << run.Output;
  }
}

TEST(BenchHarness, AFailedCheckFailsTheProgramAndItsFigureNeverHolds) {
  for (const char* failing : {"BM_First", "BM_Second"}) {
    SCOPED_TRACE(failing);
    const TProbeRun run = RunWith(BENCH_HARNESS_PROBE, failing);
    EXPECT_NE(run.Exit, 0) << run.Output;
    const std::string line = FigureLine(run.Output, std::string("probe ") + failing);
    ASSERT_FALSE(line.empty()) << run.Output;
    EXPECT_EQ(line.find("holds"), std::string::npos) << line;
    EXPECT_NE(line.find("CHECK FAILED"), std::string::npos) << line;
    // The other benchmark's figure is unharmed.
    const std::string other =
        FigureLine(run.Output, std::string("probe ") + (failing[3] == 'F' ? "BM_Second" : "BM_First"));
    EXPECT_NE(other.find("holds"), std::string::npos) << run.Output;
  }
}

// What `make bench` runs: every program of a folder (the probe alone here).
class BenchRun : public ::testing::Test {
protected:
  void SetUp() override {
    char folder[] = "/tmp/bench-harness-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Dir = folder;
    ASSERT_EQ(symlink(BENCH_HARNESS_PROBE, (Dir + "/bench_probe").c_str()), 0);
  }
  void TearDown() override { std::system(("rm -rf '" + Dir + "'").c_str()); }
  TProbeRun Run(const std::string& Failing, const std::string& Settings = "") {
    return RunWith(std::string("bash ") + BORROW_SOURCE_DIR + "/bench/run.sh " + Dir, Failing, Settings);
  }
  std::string Dir;
};

// The line `make bench` shows for a figure over the first time, as measured
// again; empty when there is none.
std::string AgainLine(const std::string& Output, const std::string& What) {
  const std::string shown = "make bench: bench_probe: over the first time, measured again: " + What + ":";
  const size_t at = Output.find(shown);
  if (at == std::string::npos) return std::string();
  return Output.substr(at, Output.find('\n', at) - at);
}

// Figures that hold pass, measured once; a failed check fails the run at once,
// a figure over its target beside it measured no more.
TEST_F(BenchRun, FailsWhenAProgramFailsAndPassesWhenEveryFigureHolds) {
  const TProbeRun passing = Run("");
  const TProbeRun failing = Run("BM_First", "BENCH_PROBE_OVER=BM_Second");
  EXPECT_EQ(passing.Exit, 0) << passing.Output;
  EXPECT_EQ(passing.Output.find("again"), std::string::npos) << passing.Output;
  EXPECT_EQ(Occurrences(passing.Output, "  probe BM_First:"), 1u) << passing.Output;
  EXPECT_NE(failing.Exit, 0) << failing.Output;
  EXPECT_NE(failing.Output.find("failed: bench_probe"), std::string::npos) << failing.Output;
  EXPECT_EQ(failing.Output.find("again"), std::string::npos) << failing.Output;
}

// Over once, then measured again: a figure the harness measured is measured
// with its benchmark alone, one the program prints itself with the whole
// program; over again, the run fails.
TEST_F(BenchRun, AFigureOverItsTargetTwiceFailsTheRun) {
  for (const char* over : {"BM_First", "own"}) {
    SCOPED_TRACE(over);
    const TProbeRun run = Run("", std::string("BENCH_PROBE_OVER=") + over);
    EXPECT_NE(run.Exit, 0) << run.Output;
    EXPECT_NE(run.Output.find("over the target again"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("failed: bench_probe"), std::string::npos) << run.Output;
    EXPECT_EQ(Occurrences(run.Output, "  probe BM_First:"), 2u) << run.Output;
    EXPECT_EQ(Occurrences(run.Output, "  probe BM_Second:"), std::string(over) == "own" ? 2u : 1u) << run.Output;
  }
}

TEST_F(BenchRun, AFigureOverOnceThatHoldsWhenMeasuredAgainPasses) {
  const TProbeRun run = Run("", "BENCH_PROBE_OVER=BM_First BENCH_PROBE_OVER_ONCE=" + Dir + "/measured");
  EXPECT_EQ(run.Exit, 0) << run.Output;
  EXPECT_NE(run.Output.find("bench_probe --benchmark_filter=^BM_First/iterations:1$"), std::string::npos) << run.Output;
  EXPECT_NE(run.Output.find("measured again, every figure holds"), std::string::npos) << run.Output;
  const size_t again = run.Output.rfind("  probe BM_First:");
  ASSERT_NE(again, std::string::npos) << run.Output;
  EXPECT_NE(FigureLine(run.Output.substr(again), "probe BM_First").find("holds"), std::string::npos) << run.Output;
}

// Measured again, each figure that was over is shown, and only those: with the
// values the second measure printed for it, whether it holds now or not.
TEST_F(BenchRun, EachFigureOverTheFirstTimeIsShownAsMeasuredAgain) {
  for (const bool once : {true, false}) {
    SCOPED_TRACE(once ? "over once" : "over twice");
    const TProbeRun run =
        Run("", "BENCH_PROBE_OVER=BM_First,BM_Second" + (once ? " BENCH_PROBE_OVER_ONCE=" + Dir + "/measured" : ""));
    EXPECT_EQ(run.Exit, once ? 0 : 1) << run.Output;
    for (const char* what : {"probe BM_First", "probe BM_Second"}) {
      SCOPED_TRACE(what);
      const std::string shown = AgainLine(run.Output, what);
      ASSERT_FALSE(shown.empty()) << run.Output;
      // The summary line of the second measure, after its first.
      const size_t second = run.Output.rfind(std::string("  ") + what + ":");
      ASSERT_NE(second, run.Output.find(std::string("  ") + what + ":")) << run.Output;
      const std::string measured = FigureLine(run.Output.substr(second), what);
      EXPECT_NE(shown.find(measured.substr(2)), std::string::npos) << shown << "\n" << run.Output;
      EXPECT_NE(shown.find(once ? ": holds" : ": OVER"), std::string::npos) << shown;
      EXPECT_GT(run.Output.find(shown), second) << run.Output;
    }
    EXPECT_EQ(Occurrences(run.Output, "over the first time"), 2u) << run.Output;
  }
}

// A figure over the first time that the second measure does not print, as
// when the filter misses its benchmark, fails the run, named, though every
// figure measured again holds.
TEST_F(BenchRun, AFigureOverTheFirstTimeThatIsNotMeasuredAgainFailsTheRun) {
  const TProbeRun run = Run("", "BENCH_PROBE_OVER=BM_First,BM_Second BENCH_PROBE_OVER_ONCE=" + Dir +
                                    "/measured BENCH_PROBE_FIRST_ONLY=BM_Second");
  EXPECT_NE(run.Exit, 0) << run.Output;
  EXPECT_NE(run.Output.find("make bench: bench_probe: over the first time, NOT measured again; the first measure "
                            "printed: probe BM_Second: "),
            std::string::npos)
      << run.Output;
  EXPECT_NE(run.Output.find("failed: bench_probe"), std::string::npos) << run.Output;
  EXPECT_NE(AgainLine(run.Output, "probe BM_First").find(": holds"), std::string::npos) << run.Output;
  EXPECT_EQ(run.Output.find("every figure holds"), std::string::npos) << run.Output;
}

}  // namespace
