// The resource tree editor over a resource list of 100,000 lines, each figure
// beside the load of the same list into the resource table alone, measured
// right after it in the same run (no target: the load is a reference):
//   - the window opening in editor mode until its grid has painted;
//   - ten pages scrolled down in the grid;
//   - a name typed into the filter row and applied, then cleared;
// and, on its own, a group holding 50,000 records deleted with everything
// below it (target in bench/Targets.h).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/MemTableBench.h"
#include "bench/RatioReporter.h"
#include "client/Borrowline.h"
#include "client/ResourceTable.h"
#include "client/__sys.h"
#include "client/z39_00_func.h"
#include "client/z39_01_main.h"
#include "client/z39_02_ListDB.h"
#include "grid/DBGridEh.h"
#include "platform/backend/Headless.h"
#include "platform/core/Files.h"
#include "platform/ui/Forms.h"
#include "bench/ResourceListBench.h"
#include "tests/client/ResourceListText.h"

namespace {

constexpr int kLines = 100000;

// A program folder whose "Settings/ListDB.txt" holds groups of 50 resources,
// or the list Bytes.
struct TProgramFolder {
  String Path;
  explicit TProgramFolder(std::string Bytes = std::string()) {
    char tmpl[] = "/tmp/bench-treeeditor-XXXXXX";
    Path = FromUtf8(std::string(mkdtemp(tmpl)) + "/");
    ForceDirectories(Path + u"Settings/");
    if (!Bytes.empty()) {
      WriteFileAtomic(Path + u"Settings/ListDB.txt", Bytes);
      return;
    }
    const std::string bytes = GroupedResourceList(kLines, true);
    WriteFileAtomic(Path + u"Settings/ListDB.txt", bytes);
  }
  ~TProgramFolder() { std::system(("rm -rf '" + ToUtf8(Path) + "'").c_str()); }
};

// The program started in the folder, its first tick run (the list loaded).
class TProgram {
public:
  explicit TProgram(const TProgramFolder& Folder) {
    // Each start its own program file name: the single-instance guard of an
    // earlier start lasts as long as the process.
    static int serial = 0;
    SetParamStr0(Folder.Path +
                 FromUtf8("borrowline-bench-" + std::to_string(::getpid()) + "-" + std::to_string(serial++)));
    Started = ProgramStart();
    if (!Started) return;
    Form_Main->Show();
    Display.ProcessMessages();
    Display.AdvanceClock(100);
  }
  ~TProgram() {
    if (Started) {
      FinalizeForms();
      FinalProgramUnits();
    }
    SetParamStr0(String());
  }
  THeadlessDisplay Display;
  bool Started = false;
};

// The load of the folder's list into a resource table alone; Count gets the
// records it holds.
double LoadAlone(const TProgramFolder& Folder, Integer& Count) {
  TResourceTable table;
  return Millis([&] { Count = table.LoadResourceList(Folder.Path + u"Settings/"); });
}

// The editor's figure beside the load alone, taken right after it; the editor
// must hold the records the load holds.
void EditorFigure(benchmark::State& state, const char* What, double Ms, const TProgramFolder& Folder) {
  Integer loaded = 0;
  const double baseMs = LoadAlone(Folder, loaded);
  if (Dlg_ListDB->MemTableEh_Tree->GetRecordsData()->GetRecordsList()->GetCount() != loaded)
    CheckFailed(state, "the editor and the load hold different records");
  Figure(state, What, Ms, "the resource list loaded into the table alone", baseMs, NoTarget());
}

// Runs Action inside the open editor window, after its first paint, and closes it.
void InOpenEditor(TProgram& P, const std::function<void()>& Action) {
  P.Display.WhenIdle([&] {
    Action();
    Dlg_ListDB->SetModalResult(mrCancel);
  });
  Dlg_ListDB->EditResourceList();
}

void BM_TreeEditorOpens(benchmark::State& state) {
  TProgramFolder folder;
  TProgram program(folder);
  if (!program.Started) return FailBeforeRunning(state, "the program did not start");
  double ms = 0;
  for (auto _ : state) {
    ms = Millis([&] {
      program.Display.WhenIdle([] { Dlg_ListDB->SetModalResult(mrCancel); });
      Dlg_ListDB->EditResourceList();
    });
  }
  EditorFigure(state, "tree editor opened over 100,000 lines, until painted", ms, folder);
}
BENCHMARK(BM_TreeEditorOpens)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_TreeEditorScrollsTenPages(benchmark::State& state) {
  TProgramFolder folder;
  TProgram program(folder);
  if (!program.Started) return FailBeforeRunning(state, "the program did not start");
  double ms = 0;
  for (auto _ : state) {
    InOpenEditor(program, [&] {
      Dlg_ListDB->DBGridEh_TreeDB->SetFocus();
      ms = Millis([&] {
        for (int i = 0; i < 10; ++i) {
          program.Display.Key(VK_NEXT);
          Dlg_ListDB->DBGridEh_TreeDB->Update();
        }
      });
    });
  }
  EditorFigure(state, "tree editor: ten pages scrolled", ms, folder);
}
BENCHMARK(BM_TreeEditorScrollsTenPages)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_TreeEditorFiltersByName(benchmark::State& state) {
  TProgramFolder folder;
  TProgram program(folder);
  if (!program.Started) return FailBeforeRunning(state, "the program did not start");
  double ms = 0;
  for (auto _ : state) {
    InOpenEditor(program, [&] {
      TDBGridEh* grid = Dlg_ListDB->DBGridEh_TreeDB;
      TSTColumnFilterEh* filter = grid->FindColumnByFieldName(u"NAME_THIS")->GetSTFilter();
      ms = Millis([&] {
        filter->SetExpressionStr(u"Каталог 4242");
        grid->ApplyFilterRow();
        grid->Update();
        filter->SetExpressionStr(String());
        grid->ApplyFilterRow();
        grid->Update();
      });
    });
  }
  EditorFigure(state, "tree editor: a name filtered and the filter cleared", ms, folder);
}
BENCHMARK(BM_TreeEditorFiltersByName)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// 100,000 records: group 1 at the top holds 1,000 groups of 49 resources, its
// 50,000 records; the other half hangs in groups of 50 beside it.
std::string SubtreeList() {
  std::string bytes = kResourceListHead;
  auto group = [&](int Id, int Parent) {
    bytes += std::to_string(Id) + "\t" + std::to_string(Parent) + "\t0\t" + std::to_string(Id) + "\t+\t+\tГруппа " +
             std::to_string(Id) + "\t \t \t0\t \t \t \t \t \t\r\n";
  };
  auto resource = [&](int Id, int Parent) {
    bytes += std::to_string(Id) + "\t" + std::to_string(Parent) + "\t1\t" + std::to_string(Id % 97) +
             "\t+\t+\tКаталог " + std::to_string(Id) + "\tDefault\thost.example\t210\tRUSMARC\tutf-8\t \t \t \t\r\n";
  };
  group(1, 0);
  int id = 2;
  for (int g = 0; g < 1000; ++g) {
    const int sub = id++;
    group(sub, 1);
    for (int r = 0; r < 49; ++r) resource(id++, sub);
  }
  while (id <= kLines) {
    const int other = id++;
    group(other, 0);
    for (int r = 0; r < 49 && id <= kLines; ++r) resource(id++, other);
  }
  return bytes;
}

std::vector<double> SubtreeDeletions;

void BM_TreeEditorDeletesA50000RecordSubtree(benchmark::State& state) {
  TProgramFolder folder(SubtreeList());
  for (auto _ : state) {
    state.PauseTiming();
    TProgram program(folder);
    if (!program.Started) {
      CheckFailed(state, "the program did not start");
      state.ResumeTiming();
      continue;
    }
    double ms = 0;
    InOpenEditor(program, [&] {
      Dlg_ListDB->MemTableEh_Tree->Locate(u"ID_THIS", Variant(1), {});
      // The confirmation is answered as soon as it is open.
      program.Display.WhenIdle([] {
        for (Integer i = Screen->GetFormCount() - 1; i >= 0; --i)
          if (Screen->GetForms(i)->GetFormState().Contains(fsModal) && Screen->GetForms(i) != Dlg_ListDB) {
            Screen->GetForms(i)->SetModalResult(mrOk);
            return;
          }
      });
      state.ResumeTiming();
      ms = Millis([] { Dlg_ListDB->SB_N_DelClick(Dlg_ListDB->SB_N_Del); });
      state.PauseTiming();
    });
    const Integer left = Dlg_ListDB->MemTableEh_Tree->GetRecordsData()->GetRecordsList()->GetCount();
    if (left != kLines + 1 - 50001) CheckFailed(state, "the subtree was not deleted");
    SubtreeDeletions.push_back(ms);
    state.counters["measured_ms"] = ms;
    state.counters["target_ms"] = Targets::SubtreeDelete.Value;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TreeEditorDeletesA50000RecordSubtree)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, TRatioReporter::WallTime, [](const TRatioReporter& reporter) {
    if (SubtreeDeletions.empty()) return;
    const double median = MedianOf(SubtreeDeletions);
    std::printf(
        "deleting a group with a 50,000-record subtree: %.1f ms median of %zu; %s\n", median, SubtreeDeletions.size(),
        TargetVerdict(Targets::SubtreeDelete, median, reporter.FailedRun("BM_TreeEditorDeletesA50000RecordSubtree"))
            .c_str());
  });
}
