// The resource list file of 100,000 lines, each figure beside its baseline
// measured in turns with it in the same run (the medians count), each result
// checked against its baseline's off the clock; targets in bench/Targets.h:
//   - loaded into the resource table (read, parse, records posted, tree mode
//     opened) against a bare read and parse of the same bytes into UTF-16
//     strings split at TABs: a record for each line, holding the line's
//     fields;
//   - saved from the table (tree order, lines made on several threads, the
//     file written whole) against a bare write of the same bytes over a file
//     already there: the same bytes;
//   - a search list of 1,000,000 lines, 2 in 7 naming no resource, loaded
//     against the bare read and parse of its bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "bench/MemTableBench.h"
#include "client/ResourceTable.h"
#include "client/SearchList.h"
#include "platform/backend/Headless.h"
#include "platform/core/CodePage.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "bench/ResourceListBench.h"

namespace {

constexpr int kLines = 100000;

// A folder of its own holding "ListDB.txt": groups of 50 resources.
struct TListFolder {
  String Path;
  std::string Bytes;
  TListFolder() {
    char tmpl[] = "/tmp/bench-resourcelist-XXXXXX";
    Path = FromUtf8(std::string(mkdtemp(tmpl)) + "/");
    Bytes = GroupedResourceList(kLines);
    WriteFileAtomic(Path + u"ListDB.txt", Bytes);
  }
  ~TListFolder() { std::system(("rm -rf '" + ToUtf8(Path) + "'").c_str()); }
};

// Whether Records are the lines of the bare parse, one for each line of
// fields (the header, the ruler and the empty tail have none), holding the
// line's field strings; both trimmed, since the table holds a blank field as
// its placeholder.
bool HoldTheLines(const std::vector<TResourceRecord>& Records, const std::vector<std::vector<String>>& Lines) {
  std::unordered_map<Integer, const TResourceRecord*> byId;
  for (const TResourceRecord& r : Records)
    if (!byId.emplace(r.ID_THIS, &r).second) return false;
  size_t matched = 0;
  for (const std::vector<String>& fields : Lines) {
    if (fields.size() < 15) continue;
    const auto it = byId.find(StrToIntDef(Trim(fields[0]), -1));
    if (it == byId.end()) return false;
    const TResourceRecord& r = *it->second;
    const String held[15] = {IntToStr(r.ID_THIS),
                             IntToStr(r.ID_PARENT),
                             IntToStr(r.ID_TYPE),
                             IntToStr(r.NPP),
                             r.ItsActual,
                             r.ItsUse,
                             r.NAME_THIS,
                             r.Database,
                             r.URL,
                             IntToStr(r.PORT),
                             r.Syntax,
                             r.Encoding,
                             r.Username,
                             r.PSW,
                             r.Note};
    for (size_t i = 0; i < 15; ++i)
      if (Trim(fields[i]) != Trim(held[i])) return false;
    ++matched;
  }
  return matched == Records.size();
}

void BM_ResourceListLoad(benchmark::State& state) {
  THeadlessDisplay display;
  TListFolder folder;
  TResourceTable table;
  double ms = 0;
  Integer loaded = 0;
  size_t parsed = 0;
  for (auto _ : state) ms = Millis([&] { loaded = table.LoadResourceList(folder.Path); });
  const double baseMs = Millis([&] { parsed = BareParse(folder.Path + u"ListDB.txt"); });
  // What the parse made, again off the clock: its lines' fields.
  std::vector<std::vector<String>> lines;
  BareParse(folder.Path + u"ListDB.txt", &lines);
  if (loaded != kLines + 1 || lines.size() != parsed || !HoldTheLines(table.AllRecords(), lines))
    CheckFailed(state, "the load and the parse read different fields");
  Figure(state, "resource list of 100,000 lines loaded into the table", ms, "a bare read and parse into UTF-16 strings",
         baseMs, Targets::ResourceListLoad);
}
// Seven rounds, each the figure and then its baseline, so that a busy
// machine's pauses weigh on both alike; the medians count.
BENCHMARK(BM_ResourceListLoad)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);

void BM_ResourceListSave(benchmark::State& state) {
  THeadlessDisplay display;
  TListFolder folder;
  TResourceTable table;
  table.LoadResourceList(folder.Path);
  TTimes ms;
  bool saved = true;
  for (auto _ : state)
    ms = WallAndCpu([&] { saved = table.SaveResourceList(folder.Path, {}, [](const String&) { return true; }); });
  // The baseline replaces a file already there, as the save replaces the list,
  // with the bytes the save wrote.
  const std::string bytes = ReadFileBytes(folder.Path + u"ListDB.txt");
  WriteFileAtomic(folder.Path + u"copy.txt", bytes);
  const double baseMs = Millis([&] { WriteFileAtomic(folder.Path + u"copy.txt", bytes); });
  // What the save wrote loads back as the records it saved.
  TListFolder again;
  WriteFileAtomic(again.Path + u"ListDB.txt", bytes);
  TResourceTable reloaded;
  reloaded.LoadResourceList(again.Path);
  auto byId = [](std::vector<TResourceRecord> Records) {
    std::sort(Records.begin(), Records.end(),
              [](const TResourceRecord& a, const TResourceRecord& b) { return a.ID_THIS < b.ID_THIS; });
    return Records;
  };
  if (!saved || ReadFileBytes(folder.Path + u"copy.txt") != bytes ||
      byId(table.AllRecords()) != byId(reloaded.AllRecords()) ||
      table.AllRecords().size() != static_cast<size_t>(kLines) + 1)
    CheckFailed(state, "the save does not write the records it holds");
  Figure(state, "resource list of 100,000 lines saved from the table", ms, "a bare write of the same bytes", baseMs,
         Targets::ResourceListSave);
}
BENCHMARK(BM_ResourceListSave)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);

void BM_SearchListLoad1M(benchmark::State& state) {
  THeadlessDisplay display;
  TListFolder folder;
  TResourceTable table;
  table.LoadResourceList(folder.Path);
  std::string lines;
  for (int i = 0; i < 1000000; ++i)
    lines += (i % 7 < 2 ? std::to_string(kLines + 1 + i) : std::to_string(2 + i % (kLines - 1))) + "\r\n";
  WriteFileAtomic(folder.Path + u"search.txt", lines);
  auto* form = new TForm(Application);
  auto* names = new TCheckListBox(form);
  names->SetParent(form);
  auto* ids = new TListBox(form);
  ids->SetParent(form);
  TSearchList list(names, ids, &table);
  double ms = 0;
  Integer entries = 0;
  size_t parsed = 0;
  for (auto _ : state) ms = Millis([&] { entries = list.LoadSearchList(folder.Path + u"search.txt"); });
  const double baseMs = Millis([&] { parsed = BareParse(folder.Path + u"search.txt"); });
  // Every line read, those naming no resource left out of the list.
  if (parsed != 1000000 || entries <= 0 || entries > 1000000)
    CheckFailed(state, "the load and the parse read different lines");
  Figure(state, "search list of 1,000,000 lines loaded", ms, "a bare read and parse into UTF-16 strings", baseMs,
         NoTarget());
  delete form;
}
BENCHMARK(BM_SearchListLoad1M)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(1);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithFigures(argc, argv); }
