// A search run over 200 resources on a yaz-ztest on loopback, per resource,
// ten records each, against a bare asynchronous ZOOM search of the same ten
// records on a new connection (the program's own path, without the program),
// measured in the same run. The scan timer's 55 ms run on the headless
// display's clock. The program rests for that interval between resources, and
// writes each record file and the log behind the run on a thread of their own
// while it rests; so the figure rests between ticks too, and sets the time
// spent in the ticks (server object, properties, search, counts, log) against
// bare searches that rest as long between them (target in bench/Targets.h). The same
// run back to back, every file written included, is printed beside bare
// searches back to back: that figure follows the disk's pace more than the
// program's. Runs and 200 bare searches take turns, seven rounds, and each
// side's median counts: the server shares the machine, and a busy moment then
// weighs on both alike. The synchronous bare search is printed for reference.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "bench/MemTableBench.h"
#include "bench/ZoomBench.h"
#include "client/SearchRun.h"
#include "platform/backend/Headless.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "tests/client/ResourceListText.h"

namespace {

constexpr int kResources = 200;
// The rest between ticks: a tenth of the program's scan interval, ample for
// the two files a resource leaves to be written behind the run.
constexpr std::chrono::milliseconds kRest{5};

// The main window's part that a run touches, over a resource list of 200
// resources on the local server.
class TRunBench {
public:
  TRunBench() {
    char tmpl[] = "/tmp/bench-searchrun-XXXXXX";
    FFolder = FromUtf8(std::string(mkdtemp(tmpl)) + "/");
    DirSave = FFolder + u"Import/";
    ForceDirectories(DirSave);
    std::string list = kResourceListHead;
    for (int id = 1; id <= kResources; ++id) {
      std::string name = "R";
      name += std::to_string(id);
      list += ResourceListLine(id, name, "Default", "127.0.0.1", BenchServer->Port(), "usmarc");
    }
    WriteFileAtomic(FFolder + u"ListDB.txt", list);
    Table.LoadResourceList(FFolder);

    Form = new TForm(Application);
    Names = Add<TCheckListBox>();
    Ids = Add<TListBox>();
    List = std::make_unique<TSearchList>(Names, Ids, &Table);
    C.SearchList = List.get();
    C.Edit_RecCount_FromDB = Add<TEdit>();
    C.Edit_RecCount_FromDB->SetText(u"10");
    C.Edit_BibRec_Find = Add<TEdit>();
    C.Edit_BibRec_Load = Add<TEdit>();
    C.cb_Simple_Title = Add<TCheckBox>();
    C.cb_Simple_Title->SetState(cbChecked);
    C.Edit_Simple_Title = Add<TEdit>();
    C.Edit_Simple_Title->SetText(u"10");
    C.CB_Search_First = Add<TCheckBox>();
    C.CB_Search_First->SetState(cbChecked);
    C.ListBox_BR_Syntax = Add<TListBox>();
    C.RE_Find_Result = Add<TRichEdit>();
    // The log box where the main window has it: alone in a group box on a
    // 406x212 panel, with both scroll bars, so lines wrap as they do there.
    auto* panel = Add<TPanel>();
    panel->SetBounds(294, 240, 406, 212);
    auto* group = new TGroupBox(Form);
    group->SetParent(panel);
    group->SetAlign(alClient);
    auto* log = new TRichEdit(Form);
    log->SetParent(group);
    log->SetAlign(alClient);
    log->SetReadOnly(true);
    log->SetPlainText(true);
    log->SetScrollBars(ssBoth);
    C.RE_LOG = log;
    C.Timer_ScanDB = new TTimer(Form);
    C.Timer_ScanDB->SetEnabled(false);
    C.sb_Stop = Add<TButton>();
    Run = std::make_unique<TSearchRun>(
        C, &Table, &DirSave, [this](const String&, const String&, const String& T) { Messages.push_back(T); });
    C.Timer_ScanDB->OnTimer = [this](TObject* S) { Run->Timer_ScanDBTimer(S); };
  }
  ~TRunBench() {
    delete Form;
    std::filesystem::remove_all(ToUtf8(FFolder));
  }

  // One whole run; false unless every resource gave its file.
  // With a Gap, the run rests that long between ticks, as the program rests
  // for the scan interval, and the files written behind the run are written
  // then; TickMs gets the time spent in the start and the ticks alone.
  bool RunAll(std::chrono::milliseconds Gap = {}, double* TickMs = nullptr) {
    std::string ids;
    for (int id = 1; id <= kResources; ++id) ids += std::to_string(id) + "\r\n";
    WriteFileAtomic(FFolder + u"s.vvv", ids);
    List->LoadSearchList(FFolder + u"s.vvv");
    Messages.clear();
    double ticks = Millis([&] { Run->sb_StartClick(nullptr); });
    for (int i = 0; i <= kResources + 1 && C.Timer_ScanDB->GetEnabled(); ++i) {
      if (Gap.count() > 0) std::this_thread::sleep_for(Gap);
      ticks += Millis([&] { Display.AdvanceClock(ScanInterval); });
    }
    if (TickMs) *TickMs = ticks;
    return Messages.size() == 1 && C.Edit_BibRec_Load->GetText() == IntToStr(10 * kResources);
  }

private:
  template <class T>
  T* Add() {
    auto* c = new T(Form);
    c->SetParent(Form);
    return c;
  }

  THeadlessDisplay Display;
  String FFolder;
  String DirSave;
  TResourceTable Table;
  TForm* Form = nullptr;
  TCheckListBox* Names = nullptr;
  TListBox* Ids = nullptr;
  std::unique_ptr<TSearchList> List;
  TSearchRunControls C;
  std::unique_ptr<TSearchRun> Run;
  std::vector<String> Messages;
};

// Milliseconds per resource of the run and of a bare search, medians of
// rounds taken in turns.
struct TTurns {
  double Run = 0;             // the ticks alone, each after a rest, the files written in the rests
  double Bare = 0;            // asynchronous, each after the same rest
  double RunBackToBack = 0;   // the whole run with no rest, every file written included
  double BareBackToBack = 0;  // asynchronous, with no rest
  double Sync = 0;            // synchronous, with no rest
};
TTurns Turns;

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V[V.size() / 2];
}

// Milliseconds per search of kResources bare searches; with Rested, each
// search after a rest of kRest, which is not counted.
template <class TSearch>
double BareSearches(benchmark::State& State, TSearch Search, bool Rested) {
  if (!Rested)
    return Millis([&] {
             for (int k = 0; k < kResources; ++k)
               if (!Search(BenchServer->Port())) CheckFailed(State, "bare ZOOM search failed");
           }) /
           kResources;
  double total = 0;
  for (int k = 0; k < kResources; ++k) {
    std::this_thread::sleep_for(kRest);
    total += Millis([&] {
      if (!Search(BenchServer->Port())) CheckFailed(State, "bare ZOOM search failed");
    });
  }
  return total / kResources;
}

void BM_SearchRunPerResource(benchmark::State& state) {
  TRunBench bench;
  if (!bench.RunAll()) return FailBeforeRunning(state, "search run failed");  // the files exist from here on
  std::vector<double> run, bare, runB2B, bareB2B, sync;
  for (auto _ : state) {
    for (int round = 0; round < 7; ++round) {
      bare.push_back(BareSearches(state, AsyncZoomSearch, true));
      double ticks = 0;
      if (!bench.RunAll(kRest, &ticks)) CheckFailed(state, "search run failed");
      run.push_back(ticks / kResources);
      bareB2B.push_back(BareSearches(state, AsyncZoomSearch, false));
      runB2B.push_back(Millis([&] {
                         if (!bench.RunAll()) CheckFailed(state, "search run failed");
                       }) /
                       kResources);
      sync.push_back(BareSearches(state, BareZoomSearch, false));
    }
  }
  Turns = {Median(run), Median(bare), Median(runB2B), Median(bareB2B), Median(sync)};
  state.counters["run_ms"] = Turns.Run;
  state.counters["async_ms"] = Turns.Bare;
  state.counters["run_b2b_ms"] = Turns.RunBackToBack;
  state.counters["async_b2b_ms"] = Turns.BareBackToBack;
  state.counters["sync_b2b_ms"] = Turns.Sync;
}

BENCHMARK(BM_SearchRunPerResource)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return RunWithBenchServer(argc, argv, [](const TRatioReporter& reporter) {
    if (Turns.Run <= 0 || Turns.Bare <= 0) return;
    std::printf(
        "search run %.3f ms per resource in its ticks (own cost %.3f ms beyond the server's) vs "
        "asynchronous ZOOM search %.3f ms, each after a rest: ratio %.2f; %s\n",
        Turns.Run, Turns.Run - Turns.Bare, Turns.Bare, Turns.Run / Turns.Bare,
        TargetVerdict(Targets::SearchPerResource, Turns.Run / Turns.Bare, !reporter.Failed.empty()).c_str());
    std::printf(
        "  back to back, the files written behind the run included: %.3f ms per resource vs %.3f ms, "
        "ratio %.2f; synchronous ZOOM search %.3f ms\n",
        Turns.RunBackToBack, Turns.BareBackToBack, Turns.RunBackToBack / Turns.BareBackToBack, Turns.Sync);
  });
}
