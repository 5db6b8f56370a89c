// What the grid benchmarks share: the headless display and an in-memory table of
// Count records open as an expanded tree of groups of 100 (a group record, then
// its 99 records), the shape of the program's resource tree.
#pragma once

#include "grid/DBGridEh.h"
#include "memtable/MemTableEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"

inline THeadlessDisplay& BenchDisplay() {
  static THeadlessDisplay display;
  return display;
}

inline void AddBenchColumn(TMemTableDataEh* Store, TComponentClass Class, TFieldType Type, const String& Name) {
  TMTDataFieldEh* Field = Store->GetDataStruct()->CreateField(Class);
  Field->SetDataType(Type);
  Field->SetFieldName(Name);
  Field->SetVisible(true);
  if (Type == ftWideString) Field->SetSize(40);
}

// Fills Table with ID_THIS, ID_PARENT, NPP and NAME_THIS, opens it as an expanded
// tree and links Source to it; the grid units are started first.
inline void OpenExpandedTree(TMemTableEh& Table, TDataSource& Source, Integer Count) {
  BenchDisplay();
  InitMemTableEhUnit();
  InitDBGridEhUnit();
  TMemTableDataEh* Store = Table.GetMemTableData();
  AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_THIS");
  AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_PARENT");
  AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"NPP");
  AddBenchColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME_THIS");
  const Integer Groups = Count / 100;
  TRecordsListEh* List = Store->GetRecordsList();
  List->BeginUpdate();
  for (Integer I = 0; I < Count; ++I) {
    TMemoryRecordEh* R = List->NewRecord();
    R->SetValue(0, rvvValueEh, Variant(I + 1));
    R->SetValue(1, rvvValueEh, I < Groups ? Null() : Variant(1 + I % Groups));
    R->SetValue(2, rvvValueEh, Variant(I % 100));
    R->SetValue(3, rvvValueEh, Variant(u"Ресурс " + IntToStr(I + 1)));
    List->LoadRecord(R);
  }
  List->EndUpdate();
  Table.GetIndexDefs()->Add(u"KEY", u"ID_THIS", {ixUnique});
  Table.GetIndexDefs()->Add(u"PARENT", u"ID_PARENT", {});
  Table.GetTreeList()->SetKeyFieldName(u"ID_THIS");
  Table.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  Table.GetTreeList()->SetDefaultNodeExpanded(true);
  Table.GetTreeList()->SetActive(true);
  Table.Open();
  Source.SetDataSet(&Table);
}

// A borderless window of Width x Height and a data grid filling it; the window
// owns the grid.
inline TDBGridEh* NewBenchGridWindow(TForm*& Form, Integer Width, Integer Height) {
  Form = new TForm(Application);
  Form->SetBorderStyle(bsNone);
  Form->SetBounds(0, 0, Width, Height);
  auto* Grid = new TDBGridEh(Form);
  Grid->SetParent(Form);
  Grid->SetBounds(0, 0, Width, Height);
  return Grid;
}
