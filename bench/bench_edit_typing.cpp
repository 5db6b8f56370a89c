// Typing into an edit field: what a character costs after a long text (20,000
// characters) beside what it costs after a short one (2,000), in time and in memory held, for a one-line
// field (the main window's title, the resource editor's values) and for a
// wrapped memo. Each character goes through the window driver as a key press,
// with the repaint it causes. The target is the same cost whatever the text
// before it.
//
// Time: CPU medians of turns of 100 characters, turns of both sides taken in
// alternation. Memory: the heap held after a turn beside before it (glibc's
// count of bytes in use), so what typing keeps shows and what it frees does not.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

namespace {

constexpr int kTurns = 9;
constexpr int kPerTurn = 100;
// Both texts fill the window, so both turns paint as much text.
constexpr Integer kShort = 2000, kLong = 20000;

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

const String kWords = u"Заглавие книги / Автор; под ред. Иванова. - Москва, 1999. 240 ";

String TextOf(Integer Length) {
  String s;
  while (Integer(s.size()) < Length) s += kWords;
  s.resize(size_t(Length));
  return s;
}

struct TFigures {
  double ShortUs = 0, LongUs = 0;        // per character
  double ShortBytes = 0, LongBytes = 0;  // heap kept per character
  double KeptAfterClose = 0;             // heap held once the window is closed, beside before it opened
  bool Typed = true;                     // every turn left the text it typed after the text before it
};

// One edit of each kind on a form, and turns of typing at the end of a text of
// kShort and of kLong characters.
TFigures MeasureTyping(bool Memo) {
  THeadlessDisplay display;
  const double opened = double(mallinfo2().uordblks);
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 640, 480);
  TCustomEdit* edit = Memo ? static_cast<TCustomEdit*>(new TMemo(form)) : static_cast<TCustomEdit*>(new TEdit(form));
  edit->SetParent(form);
  edit->SetBounds(10, 10, 400, Memo ? 300 : 21);
  form->Show();
  display.ProcessMessages();
  edit->SetFocus();
  std::vector<double> timeShort, timeLong, heapShort, heapLong;
  bool typed = true;
  String expected;
  for (int i = 0; i < kPerTurn; ++i) expected += kWords[size_t(i) % kWords.size()];
  auto turn = [&](Integer Before, std::vector<double>& Time, std::vector<double>& Heap) {
    edit->SetText(TextOf(Before));
    edit->SetSelStart(Before);
    display.ProcessMessages();
    const double heap0 = double(mallinfo2().uordblks);
    const double t0 = CpuMs();
    for (int i = 0; i < kPerTurn; ++i) display.TypeText(String(1, kWords[size_t(i) % kWords.size()]));
    Time.push_back((CpuMs() - t0) * 1e3 / kPerTurn);
    Heap.push_back((double(mallinfo2().uordblks) - heap0) / kPerTurn);
    typed = typed && edit->GetText() == TextOf(Before) + expected;
  };
  for (int t = 0; t < kTurns; ++t) {
    turn(kShort, timeShort, heapShort);
    turn(kLong, timeLong, heapLong);
  }
  delete form;
  display.ProcessMessages();
  return {Median(timeShort),
          Median(timeLong),
          Median(heapShort),
          Median(heapLong),
          double(mallinfo2().uordblks) - opened,
          typed};
}

TFigures& Figures(bool Memo) {
  static TFigures edit, memo;
  return Memo ? memo : edit;
}

void Run(benchmark::State& state, bool Memo) {
  for (auto _ : state) Figures(Memo) = MeasureTyping(Memo);
  const TFigures& f = Figures(Memo);
  if (!f.Typed) CheckFailed(state, "the field does not hold the text typed");
  state.counters["us_per_char_short"] = f.ShortUs;
  state.counters["us_per_char_long"] = f.LongUs;
  state.counters["ratio"] = f.ShortUs > 0 ? f.LongUs / f.ShortUs : 0;
}

void BM_TypingIntoOneLineField(benchmark::State& state) { Run(state, false); }
BENCHMARK(BM_TypingIntoOneLineField)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TypingIntoWrappedMemo(benchmark::State& state) { Run(state, true); }
BENCHMARK(BM_TypingIntoWrappedMemo)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, TRatioReporter::CpuTime, [](const TRatioReporter& reporter) {
    for (bool memo : {false, true}) {
      const TFigures& f = Figures(memo);
      if (f.ShortUs <= 0) continue;
      std::printf(
          "typing into a %s: %.1f us a character after %d characters, %.1f us after %d (CPU medians); "
          "ratio %.2f (%s: the same whatever the text before it); heap kept %.0f bytes a "
          "character after %d, %.0f after %d; %.0f KB held after the window closed\n",
          memo ? "wrapped memo" : "one-line field", f.LongUs, kLong, f.ShortUs, kShort, f.LongUs / f.ShortUs,
          TargetVerdict(Targets::TypingAfterLongText, f.LongUs / f.ShortUs, !reporter.Failed.empty()).c_str(),
          f.LongBytes, kLong, f.ShortBytes, kShort, f.KeptAfterClose / 1024);
    }
  });
}
