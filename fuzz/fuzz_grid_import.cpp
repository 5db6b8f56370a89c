// Feeds arbitrary bytes to the grid's importers (tab-separated ANSI text,
// UTF-16 text and the binary interchange format) over a grid on an in-memory
// table of every common field type. Each input must import or raise the
// library's own error; a refused binary input must leave the table as it was.
//
// The first byte picks the importer and whether the grid may append rows; the
// rest is the data.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "grid/DBGridEhImpExp.h"
#include "memtable/MemTableEh.h"
#include "platform/backend/Headless.h"
#include "platform/core/Exceptions.h"
#include "platform/ui/Forms.h"

namespace {

struct TFuzzGrid {
  THeadlessDisplay Display;
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TDBGridEh* Grid = nullptr;

  TFuzzGrid() {
    InitMemTableEhUnit();
    InitDBGridEhUnit();
    SetMessageBoxHook([](const TMessageBoxRequest&) { return IDALL; });
    struct TColumnDef {
      TComponentClass Class;
      TFieldType Type;
      const char16_t* Name;
    } Defs[] = {
        {TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID"},
        {TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME"},
        {TMTStringDataFieldEh::StaticComponentClass(), ftString, u"CITY"},
        {TMTNumericDataFieldEh::StaticComponentClass(), ftFloat, u"PRICE"},
        {TMTDateTimeDataFieldEh::StaticComponentClass(), ftDate, u"DAY"},
        {TMTBooleanDataFieldEh::StaticComponentClass(), ftBoolean, u"OK"},
        {TMTBlobDataFieldEh::StaticComponentClass(), ftBlob, u"DATA"},
        {TMTNumericDataFieldEh::StaticComponentClass(), ftLargeint, u"BIG"},
    };
    TMTDataStructEh* Struct = Table.GetMemTableData()->GetDataStruct();
    for (const TColumnDef& Def : Defs) {
      TMTDataFieldEh* Field = Struct->CreateField(Def.Class);
      Field->SetDataType(Def.Type);
      Field->SetFieldName(Def.Name);
      if (Def.Type == ftWideString || Def.Type == ftString) Field->SetSize(40);
      Field->SetVisible(true);
    }
    Source.SetDataSet(&Table);
    Table.Open();
    Grid = new TDBGridEh(nullptr);
    Grid->SetDataSource(&Source);
  }
};

TFuzzGrid* FuzzGrid = nullptr;

// At the end of the run the grid goes before the units' global objects do.
void EndRun() {
  delete FuzzGrid->Grid;
  delete FuzzGrid;
  FinalDBGridEhUnit();
  FinalMemTableEhUnit();
}

void Reset(TFuzzGrid& G) {
  G.Table.EmptyTable();
  for (Integer I = 1; I <= 2; ++I) {
    G.Table.Append();
    G.Table.FieldByName(u"ID")->SetAsInteger(I);
    G.Table.FieldByName(u"NAME")->SetAsString(u"Книга");
    G.Table.Post();
  }
  G.Table.First();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!FuzzGrid) {
    FuzzGrid = new TFuzzGrid();
    std::atexit(&EndRun);
  }
  TFuzzGrid* G = FuzzGrid;
  if (size < 1 || size > 8192) return 0;
  const uint8_t setup = data[0];
  Reset(*G);
  G->Grid->SetAllowedOperations(setup & 4 ? AllAllowedOperationsEh
                                          : TDBGridEhAllowedOperations{alopUpdateEh, alopInsertEh});
  const TDBGridEhImportClass Importers[] = {TDBGridEhImportAsText::StaticClass(),
                                            TDBGridEhImportAsUnicodeText::StaticClass(),
                                            TDBGridEhImportAsVCLDBIF::StaticClass()};
  const TDBGridEhImportClass Importer = Importers[(setup & 3) % 3];
  TStringStream Stream(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  const Integer Before = G->Table.GetRecordCount();
  try {
    RunGridImport(Importer, G->Grid, &Stream, (setup & 8) != 0);
  } catch (const EAbort&) {
    std::abort();  // every fault is passed over ("All"): nothing may abandon the import
  } catch (const Exception& E) {
    // A refused input leaves the table's records as they were.
    if (G->Table.GetState() != dsBrowse) G->Table.Cancel();
    if (G->Table.GetRecordCount() != Before) {
      std::fprintf(stderr, "refused input changed the record count: %s\n", E.what());
      std::abort();
    }
  }
  if (G->Table.GetState() != dsBrowse) G->Table.Cancel();
  return 0;
}
