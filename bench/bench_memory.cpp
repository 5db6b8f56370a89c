// Peak memory, each figure beside its baseline, each side measured in a
// process of its own: the program runs itself once per side and round
// ("--side NAME FOLDER PORT", PORT the search server's). A side's peak is its
// own peak resident size added to that of each search process it started
// (the program's searches run in processes of their own): the side prints the
// sum once its work is done, while its search processes, which outlive a
// search that ended well, are still there to be read.
// The sides take turns, figure then baseline, so that a busy machine weighs
// on both alike; the medians count.
//   - an in-memory table of 1,000,000 records of five fields (the resource
//     tree's columns), filled into its store and opened, against a
//     std::vector of structs holding the same values;
//   - the resource list file of 1,000,000 lines loaded into the resource
//     table, against a plain read and parse of the file into UTF-16 field
//     strings;
//   - a search run over one resource of a yaz-ztest on loopback that fetches
//     500,000 records (the server, started by the parent, is not part of any
//     child), against the records' bytes held once: the record file the run
//     wrote, read whole;
//   - a fetch of one answer of 60 MB (ten records of 6 MB) from a server on
//     loopback through the search server object (the program's path, its
//     search process included), with the answer tap in, against the same
//     fetch with the tap only watching (the server reached through a local
//     socket): what the tap's reading costs a large fetch, with no target of
//     its own.
// Each side checks what it holds and fails its process when it is wrong; the
// targets are those of bench/Targets.h.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "client/ResourceTable.h"
#include "client/SearchRun.h"
#include "memtable/MemTableEh.h"
#include "platform/backend/Headless.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "bench/ResourceListBench.h"
#include "bench/SearchProcesses.h"
#include "bench/SelfProcess.h"
#include "bench/Targets.h"
#include "lendsrv/LendServer.h"
#include "tests/support/FaultServer.h"
#include "tests/support/ZTestServer.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr int kLines = 1000000;
constexpr int kRounds = 5;

// ---- the table of five fields ---------------------------------------------------

struct TRow {
  Integer Id, Parent, Type, Npp;
  String Name;
};

// Row I of the table: groups of 100 records under 10,000 groups, NPP 0..99,
// a Russian name with a shuffled number; the same rows for both sides.
class TRowSource {
public:
  TRowSource() : FNumbers(static_cast<size_t>(kRecords)) {
    for (Integer i = 0; i < kRecords; ++i) FNumbers[static_cast<size_t>(i)] = i + 1;
    std::shuffle(FNumbers.begin(), FNumbers.end(), FRng);
  }
  TRow Next(Integer I) {
    const Integer groups = kRecords / 100;
    TRow r;
    r.Id = I + 1;
    r.Parent = I < groups ? 0 : 1 + (I % groups);
    r.Type = I < groups ? 0 : static_cast<Integer>(FRng() % 3);
    r.Npp = static_cast<Integer>(FRng() % 100);
    r.Name = u"Ресурс " + IntToStr(FNumbers[static_cast<size_t>(I)]);
    return r;
  }
  // The shuffled numbers are scaffolding of both sides alike; they go before
  // the side's own work is done.
  void Drop() { std::vector<Integer>().swap(FNumbers); }

private:
  std::mt19937 FRng{4421};
  std::vector<Integer> FNumbers;
};

int TableSide() {
  TMemTableEh table(nullptr);
  TMemTableDataEh* store = table.GetMemTableData();
  auto add = [&](TComponentClass Class, TFieldType Type, const String& Name) {
    TMTDataFieldEh* f = store->GetDataStruct()->CreateField(Class);
    f->SetDataType(Type);
    f->SetFieldName(Name);
    if (Type == ftWideString) f->SetSize(40);
  };
  for (const char16_t* name : {u"ID_THIS", u"ID_PARENT", u"ID_TYPE", u"NPP"})
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, name);
  add(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME_THIS");
  TRowSource source;
  TRecordsListEh* list = store->GetRecordsList();
  list->BeginUpdate();
  for (Integer i = 0; i < kRecords; ++i) {
    TRow x = source.Next(i);
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(0, rvvValueEh, Variant(x.Id));
    r->SetValue(1, rvvValueEh, Variant(x.Parent));
    r->SetValue(2, rvvValueEh, Variant(x.Type));
    r->SetValue(3, rvvValueEh, Variant(x.Npp));
    r->SetValue(4, rvvValueEh, Variant(std::move(x.Name)));
    list->LoadRecord(r);
  }
  source.Drop();
  list->EndUpdate();
  table.Open();
  return table.RecordCount() == kRecords ? 0 : 1;
}

int RowsSide() {
  TRowSource source;
  std::vector<TRow> rows;
  for (Integer i = 0; i < kRecords; ++i) rows.push_back(source.Next(i));
  source.Drop();
  return rows.size() == static_cast<size_t>(kRecords) ? 0 : 1;
}

// ---- the resource list ----------------------------------------------------------

// "ListDB.txt" in Folder: groups of 50 resources, as the load benchmark has them.
void WriteResourceList(const String& Folder) { WriteFileAtomic(Folder + u"ListDB.txt", GroupedResourceList(kLines)); }

int LoadSide(const String& Folder) {
  TResourceTable table;
  return table.LoadResourceList(Folder) == kLines + 1 ? 0 : 1;
}

int ParseSide(const String& Folder) { return BareParse(Folder + u"ListDB.txt") > static_cast<size_t>(kLines) ? 0 : 1; }

// ---- a search run's records -----------------------------------------------------

constexpr int kFetched = 500000;

template <class T>
T* AddControl(TForm* Form) {
  auto* c = new T(Form);
  c->SetParent(Form);
  return c;
}

// One run over one resource of the server on Port, fetching kFetched records
// into Folder's "Import/", with the main window's controls that a run touches.
// The record memo is hidden, as the main window has it.
int SearchSide(const String& Folder, int Port) {
  THeadlessDisplay display;
  String dirSave = Folder + u"Import/";
  ForceDirectories(dirSave);
  WriteFileAtomic(
      Folder + u"ListDB.txt",
      std::string(kResourceListHead) + ResourceListLine(1, "R1", "Default", ZTestServer::Host(), Port, "usmarc"));
  WriteFileAtomic(Folder + u"s.vvv", std::string("1\r\n"));
  TResourceTable table;
  table.LoadResourceList(Folder);
  auto* form = new TForm(Application);
  TSearchList list(AddControl<TCheckListBox>(form), AddControl<TListBox>(form), &table);
  TSearchRunControls c;
  c.SearchList = &list;
  c.Edit_RecCount_FromDB = AddControl<TEdit>(form);
  c.Edit_RecCount_FromDB->SetText(IntToStr(kFetched));
  c.Edit_BibRec_Find = AddControl<TEdit>(form);
  c.Edit_BibRec_Load = AddControl<TEdit>(form);
  c.cb_Simple_Title = AddControl<TCheckBox>(form);
  c.cb_Simple_Title->SetState(cbChecked);
  c.Edit_Simple_Title = AddControl<TEdit>(form);
  c.Edit_Simple_Title->SetText(IntToStr(kFetched));
  c.ListBox_BR_Syntax = AddControl<TListBox>(form);
  c.RE_Find_Result = AddControl<TRichEdit>(form);
  c.RE_Find_Result->SetVisible(false);
  c.RE_LOG = AddControl<TRichEdit>(form);
  c.Timer_ScanDB = new TTimer(form);
  c.Timer_ScanDB->SetEnabled(false);
  c.sb_Stop = AddControl<TButton>(form);
  std::vector<String> shown;
  TSearchRun run(c, &table, &dirSave, [&](const String&, const String&, const String& T) { shown.push_back(T); });
  c.Timer_ScanDB->OnTimer = [&](TObject* S) { run.Timer_ScanDBTimer(S); };
  list.LoadSearchList(Folder + u"s.vvv");
  run.sb_StartClick(nullptr);
  for (int i = 0; i < 10 && c.Timer_ScanDB->GetEnabled(); ++i) display.AdvanceClock(ScanInterval);
  const bool ok = shown.size() == 1 && c.Edit_BibRec_Load->GetText() == IntToStr(kFetched);
  delete form;
  return ok ? 0 : 1;
}

// The record file the search side wrote, read whole: the records' bytes once,
// a leader's length at least for each record, the last one terminated.
int RecordBytesSide(const String& Folder) {
  for (const auto& e : std::filesystem::directory_iterator(ToUtf8(Folder + u"Import/"))) {
    if (e.path().extension() != ".iso") continue;
    const std::string bytes = ReadFileBytes(FromUtf8(e.path().string()));
    return bytes.size() >= 24u * kFetched && bytes.ends_with("\x1E\x1D") ? 0 : 1;
  }
  return 1;
}

// ---- a fetch of one large answer ------------------------------------------------

constexpr std::size_t kLargeRecords = 10;
constexpr std::size_t kLargeRecordBytes = 6u << 20;

// Fetches the large answer from the server at Host (and Port, 0 for a local
// socket) as the program does, checking that every record came whole.
int FetchSide(const String& Host, int Port) {
  TLendServer server;
  server.SetzHost(Host);
  server.SetzPort(Port);
  server.SetzDatabase(u"Default");
  server.SetzSyntax(u"USMARC");
  const String text = server.SingleSearchIT(u"any", false, 4, static_cast<Integer>(kLargeRecords));
  const bool ok = ClientCount(server.rCount()) == static_cast<Integer>(kLargeRecords) &&
                  text.size() == kLargeRecords * kLargeRecordBytes;
  return ok ? 0 : 1;
}

int RunSide(const std::string& Side, const String& Folder, int Port) {
  if (Side == "fetch") return FetchSide(Folder, Port);
  if (Side == "table") return TableSide();
  if (Side == "rows") return RowsSide();
  if (Side == "load") return LoadSide(Folder);
  if (Side == "parse") return ParseSide(Folder);
  if (Side == "search") return SearchSide(Folder, Port);
  if (Side == "recordbytes") return RecordBytesSide(Folder);
  if (Side == "write") {
    WriteResourceList(Folder);
    return 0;
  }
  std::fprintf(stderr, "unknown side %s\n", Side.c_str());
  return 2;
}

// ---- the parent -----------------------------------------------------------------

// What a side prints once its work is done, before its peak in kilobytes.
constexpr char kPeakWords[] = "peak with search processes, kB: ";

// The peak resident size of one run of a side, its search processes' added,
// in megabytes; negative when the child failed. A child's figure can read no
// lower than the parent's size when it started, which is why the parent
// leaves all work to children. Port is the search server's.
double PeakOf(const char* Side, const std::string& Folder, const std::string& Port) {
  std::string out;
  if (!RunSelf({"bench_memory", "--side", Side, Folder, Port}, &out)) return -1;
  const std::size_t at = out.rfind(kPeakWords);
  if (at == std::string::npos) return -1;
  return static_cast<double>(std::atol(out.c_str() + at + std::strlen(kPeakWords))) / 1024.0;
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V[V.size() / 2];
}

struct TFigure {
  const char* Name;
  const char* Side;
  const char* BaselineSide;
  const char* BaselineName;
  TTarget Target;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--side") == 0) {
    const int status = RunSide(argv[2], argc >= 4 ? FromUtf8(argv[3]) : String(), argc >= 5 ? std::atoi(argv[4]) : 0);
    if (status == 0) std::printf("%s%ld\n", kPeakWords, PeakWithSearchProcessesKb());
    return status;
  }

  char tmpl[] = "/tmp/bench-memory-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string folder = std::string(tmpl) + "/";
  const ZTestServer server;
  const std::string port = std::to_string(server.Port());
  if (PeakOf("write", folder, port) < 0) return 1;

  const TFigure figures[] = {
      {"table of 1,000,000 records of five fields, filled and opened", "table", "rows",
       "a std::vector of structs of the same values", Targets::TableMemory},
      {"resource list of 1,000,000 lines loaded into the table", "load", "parse",
       "a plain read and parse into UTF-16 field strings", Targets::ResourceListMemory},
      {"search run fetching 500,000 records of one resource", "search", "recordbytes",
       "the records' bytes, read from the run's record file", Targets::SearchRunMemory},
  };
  std::printf(
      "Peak memory beside its baseline, each in a process of its own (its search processes' peaks added), and its "
      "target (bench/README.md):\n");
  int failed = 0;
  for (const TFigure& f : figures) {
    std::vector<double> measured, baseline, ratios;
    for (int round = 0; round < kRounds; ++round) {
      measured.push_back(PeakOf(f.Side, folder, port));
      baseline.push_back(PeakOf(f.BaselineSide, folder, port));
      ratios.push_back(measured.back() / baseline.back());
    }
    if (*std::min_element(measured.begin(), measured.end()) < 0 ||
        *std::min_element(baseline.begin(), baseline.end()) < 0) {
      std::printf("  %s: a run failed\n", f.Name);
      ++failed;
      continue;
    }
    const double ratio = Median(ratios);
    std::printf("  %s: %.1f MB | %s: %.1f MB | ratio %.2f | %s (medians of %d)\n", f.Name, Median(measured),
                f.BaselineName, Median(baseline), ratio, TargetVerdict(f.Target, ratio, false).c_str(), kRounds);
    std::fflush(stdout);
  }
  std::vector<std::string> large;
  for (std::size_t i = 0; i < kLargeRecords; ++i) large.push_back(std::string(kLargeRecordBytes, char('a' + i)));
  const auto fault = TZFaultServer::Records(large);
  std::vector<double> tapped, watched;
  for (int round = 0; round < kRounds; ++round) {
    tapped.push_back(PeakOf("fetch", TZFaultServer::Host(), std::to_string(fault->Port())));
    watched.push_back(PeakOf("fetch", fault->UnixHost(), "0"));
  }
  if (*std::min_element(tapped.begin(), tapped.end()) < 0 || *std::min_element(watched.begin(), watched.end()) < 0) {
    std::printf("  a fetch of one 60 MB answer: a run failed\n");
    ++failed;
  } else {
    std::printf(
        "  a fetch of one 60 MB answer (ten 6 MB records), the tap in: %.1f MB | the tap only watching: %.1f MB | "
        "ratio %.2f | %s (medians of %d)\n",
        Median(tapped), Median(watched), Median(tapped) / Median(watched), TargetVerdict(NoTarget(), 0, false).c_str(),
        kRounds);
  }
  std::system(("rm -rf '" + folder + "'").c_str());
  return failed == 0 ? 0 : 1;
}
