// Exporting 100,000 records from a data grid to CSV and to the binary
// interchange format, beside a loop that reads the same values from the store
// and writes the same bytes the same way (the floor without the cursor, the
// columns and the cell events); target in bench/Targets.h. The two take turns,
// the medians count, and the two outputs are compared off the clock.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "bench/GridTreeBench.h"
#include "bench/MemTableBench.h"
#include "grid/DBGridEhImpExp.h"
#include "memtable/MemTableEh.h"
#include "platform/backend/Headless.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/core/Files.h"
#include "platform/core/FormatSettings.h"
#include "platform/ui/Forms.h"

namespace {

constexpr Integer kRecords = 100000;

struct TExportTable {
  THeadlessDisplay Display;
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;

  TExportTable() {
    InitMemTableEhUnit();
    InitDBGridEhUnit();
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ShortDateFormat = u"dd.MM.yyyy";
    TMemTableDataEh* Store = Table.GetMemTableData();
    AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddBenchColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME");
    AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftFloat, u"PRICE");
    AddBenchColumn(Store, TMTDateTimeDataFieldEh::StaticComponentClass(), ftDate, u"DAY");
    TRecordsListEh* list = Table.GetRecordsData()->GetRecordsList();
    const TDateTime Base = EncodeDate(2000, 1, 1);
    for (Integer id = 1; id <= kRecords; ++id) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetDataValues(u"ID;NAME;PRICE;DAY", rvvValueEh,
                       VarArrayOf({Variant(id), Variant(u"Книга " + IntToStr(id)), Variant(id * 0.25),
                                   Variant::FromDate(Base + id % 3650)}));
      r->Post();
    }
    Source.SetDataSet(&Table);
    Table.Open();
    Form = new TForm(Application);
    Form->SetBounds(0, 0, 800, 600);
    Grid = new TDBGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 800, 600);
    Grid->SetDataSource(&Source);
  }
  // The grid goes before the units end: the global style would lay out a grid left behind.
  ~TExportTable() {
    delete Form;
    FinalDBGridEhUnit();
    FinalMemTableEhUnit();
  }
  static TExportTable& Get() {
    static TExportTable t;  // lives for the whole run
    return t;
  }
  const std::vector<TMemoryRecordEh*>& Rows() { return Table.GetRecordsData()->GetRecordsList()->GetActiveList(); }
};

// Bytes go to the stream 64 KB at a time, as the exporter writes them.
class TBufferedOut {
public:
  explicit TBufferedOut(TStream* Stream) : FStream(Stream) {}
  ~TBufferedOut() { Flush(); }
  void Add(const char* Data, size_t Size) {
    FBuffer.append(Data, Size);
    if (FBuffer.size() >= 65536) Flush();
  }
  void Add(const std::string& S) { Add(S.data(), S.size()); }
  void Flush() {
    if (!FBuffer.empty()) FStream->WriteBuffer(FBuffer.data(), Integer(FBuffer.size()));
    FBuffer.clear();
  }

private:
  TStream* FStream;
  std::string FBuffer;
};

std::string Quoted(const String& Text) { return "\"" + std::string(StringToAnsi(Text)) + "\""; }

void DirectCsv(TExportTable& T, TMemoryStream& Stream) {
  TBufferedOut Out(&Stream);
  Out.Add("\"ID\";\"NAME\";\"PRICE\";\"DAY\"");
  for (TMemoryRecordEh* r : T.Rows()) {
    const auto& v = r->GetData();
    Out.Add("\r\n" + Quoted(IntToStr(v[0].AsInteger())) + ";" + Quoted(v[1].AsString()) + ";" +
            Quoted(FloatToStr(v[2].AsDouble())) + ";" + Quoted(DateToStr(v[3].Real())));
  }
}

void DirectText(TExportTable& T, TMemoryStream& Stream) {
  TBufferedOut Out(&Stream);
  Out.Add("ID\tNAME\tPRICE\tDAY");
  for (TMemoryRecordEh* r : T.Rows()) {
    const auto& v = r->GetData();
    Out.Add("\r\n" + std::string(StringToAnsi(IntToStr(v[0].AsInteger()))) + "\t" +
            std::string(StringToAnsi(v[1].AsString())) + "\t" + std::string(StringToAnsi(FloatToStr(v[2].AsDouble()))) +
            "\t" + std::string(StringToAnsi(DateToStr(v[3].Real()))));
  }
}

template <class T>
void AddLE(std::string& Out, T Value) {
  char Bytes[sizeof(T)];
  std::memcpy(Bytes, &Value, sizeof(T));
  Out.append(Bytes, sizeof(T));
}

void DirectBinary(TExportTable& T, TMemoryStream& Stream) {
  TBufferedOut Out(&Stream);
  std::string Head("VCLDBIF\x01\x04\x00\x00\x00\x01\x00\x01\x00\x01\x00\x01\x00", 20);
  Out.Add(Head);
  std::string Cell;
  for (TMemoryRecordEh* r : T.Rows()) {
    const auto& v = r->GetData();
    Cell.clear();
    Cell.push_back(char(vtIntegerEh));
    AddLE<int32_t>(Cell, v[0].AsInteger());
    const String Name = v[1].AsString();
    Cell.push_back(char(vtWideTextEh));
    AddLE<int32_t>(Cell, int32_t(Name.size() * 2));
    Cell.append(reinterpret_cast<const char*>(Name.data()), Name.size() * 2);
    Cell.push_back(char(vtFloatEh));
    AddLE<double>(Cell, v[2].AsDouble());
    Cell.push_back(char(vtFloatEh));
    AddLE<double>(Cell, v[3].Real());
    Out.Add(Cell);
  }
  Out.Add("\0", 1);
}

void Compare(benchmark::State& state, TMemoryStream& A, TMemoryStream& B) {
  if (A.GetSize() != B.GetSize() || std::memcmp(A.GetMemory(), B.GetMemory(), size_t(A.GetSize())) != 0)
    CheckFailed(state, "the export and the direct writing give different bytes");
}

void RunExportBenchmark(benchmark::State& state, const char* What, TDBGridEhExportClass Exporter,
                        void (*Direct)(TExportTable&, TMemoryStream&)) {
  TExportTable& T = TExportTable::Get();
  TMemoryStream Exported, Written;
  auto exportRun = [&] {
    Exported.Clear();
    RunGridExport(Exporter, T.Grid, &Exported, true);
  };
  auto directRun = [&] {
    Written.Clear();
    Direct(T, Written);
  };
  for (auto _ : state) exportRun();
  // The two take turns, so that a busy machine's pauses fall on neither side
  // alone; each turn's bytes are compared.
  for (int Round = 0; Round < 7; ++Round) {
    const double Exported_ms = Millis(exportRun);
    const double Written_ms = Millis(directRun);
    Compare(state, Exported, Written);
    Figure(state, What, Exported_ms, "writing the same bytes directly", Written_ms, Targets::Export);
  }
}

void BM_ExportCsv(benchmark::State& state) {
  RunExportBenchmark(state, "export of 100,000 records to CSV", TDBGridEhExportAsCSV::StaticClass(), &DirectCsv);
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportText(benchmark::State& state) {
  RunExportBenchmark(state, "export of 100,000 records to tab-separated text", TDBGridEhExportAsText::StaticClass(),
                     &DirectText);
}
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond)->Iterations(3);

// To a file: the export gathers its bytes and puts them whole in place of the
// file; the baseline writes the same bytes in place of the file the same way.
void BM_ExportCsvToFile(benchmark::State& state) {
  TExportTable& T = TExportTable::Get();
  const String Name = GetTempFolder() + u"bench_grid_export.csv";
  TDBGridEhExportAsCSV Exporter;
  Exporter.SetDBGridEh(T.Grid);
  TMemoryStream Written;
  auto exportRun = [&] { Exporter.ExportToFile(Name, true); };
  auto directRun = [&] {
    Written.Clear();
    DirectCsv(T, Written);
    WriteFileAtomic(Name, std::string_view(static_cast<const char*>(Written.GetMemory()), size_t(Written.GetSize())));
  };
  for (auto _ : state) exportRun();
  bool Same = true;
  for (int Round = 0; Round < 7; ++Round) {
    const double Exported_ms = Millis(exportRun);
    const std::string Exported = ReadFileBytes(Name);
    const double Written_ms = Millis(directRun);
    Same = Same && Exported == ReadFileBytes(Name);
    Figure(state, "export of 100,000 records to a CSV file", Exported_ms, "writing the same bytes to the file directly",
           Written_ms, Targets::Export);
  }
  DeleteFile(Name);
  if (!Same) CheckFailed(state, "the export and the direct writing give different bytes");
}
BENCHMARK(BM_ExportCsvToFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportBinary(benchmark::State& state) {
  RunExportBenchmark(state, "export of 100,000 records to the binary interchange format",
                     TDBGridEhExportAsVCLDBIF::StaticClass(), &DirectBinary);
}
BENCHMARK(BM_ExportBinary)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithFigures(argc, argv); }
