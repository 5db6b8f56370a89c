// The resource tree editor over a resource list of 100,000 lines, each figure
// beside the load of the same list into the resource table alone, measured in
// the same run:
//   - the window opening in editor mode until its grid has painted
//     (target: within 3x of the load);
//   - ten pages scrolled down in the grid;
//   - a name typed into the filter row and applied, then cleared.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "bench/MemTableBench.h"
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
#include "tests/client/ResourceListText.h"

namespace {

constexpr int kLines = 100000;

// A program folder whose "Settings/ListDB.txt" holds groups of 50 resources.
struct TProgramFolder {
  String Path;
  TProgramFolder() {
    char tmpl[] = "/tmp/bench-treeeditor-XXXXXX";
    Path = FromUtf8(std::string(mkdtemp(tmpl)) + "/");
    std::string bytes = kResourceListHead;
    for (int id = 1; id <= kLines; ++id) {
      if (id % 50 == 1) {
        bytes += std::to_string(id) + "\t0\t0\t" + std::to_string(id) + "\t+\t+\tГруппа " + std::to_string(id) +
                 "\t \t \t0\t \t \t \t \t \t\r\n";
        continue;
      }
      const int group = id - (id - 1) % 50;
      bytes += std::to_string(id) + "\t" + std::to_string(group) + "\t1\t" + std::to_string(id % 97) +
               "\t+\t" + (id % 3 ? "+" : " ") + "\tКаталог " + std::to_string(id) + "\tDefault\thost" +
               std::to_string(id % 13) + ".example\t210\tRUSMARC\tutf-8\t \t \t \t\r\n";
    }
    ForceDirectories(Path + u"Settings/");
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
    SetParamStr0(Folder.Path + FromUtf8("borrowline-bench-" + std::to_string(::getpid()) + "-" +
                                        std::to_string(serial++)));
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

double LoadAlone(const TProgramFolder& Folder) {
  TResourceTable table;
  return Millis([&] { benchmark::DoNotOptimize(table.LoadResourceList(Folder.Path + u"Settings/")); });
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
  if (!program.Started) return state.SkipWithError("the program did not start");
  double ms = 0;
  for (auto _ : state) {
    ms = Millis([&] {
      program.Display.WhenIdle([] { Dlg_ListDB->SetModalResult(mrCancel); });
      Dlg_ListDB->EditResourceList();
    });
  }
  Report(state, ms, LoadAlone(folder));
}
BENCHMARK(BM_TreeEditorOpens)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_TreeEditorScrollsTenPages(benchmark::State& state) {
  TProgramFolder folder;
  TProgram program(folder);
  if (!program.Started) return state.SkipWithError("the program did not start");
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
  Report(state, ms, LoadAlone(folder));
}
BENCHMARK(BM_TreeEditorScrollsTenPages)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_TreeEditorFiltersByName(benchmark::State& state) {
  TProgramFolder folder;
  TProgram program(folder);
  if (!program.Started) return state.SkipWithError("the program did not start");
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
  Report(state, ms, LoadAlone(folder));
}
BENCHMARK(BM_TreeEditorFiltersByName)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
