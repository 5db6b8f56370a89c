#pragma once
// A data grid on a headless form over an in-memory table of resources
// (ID_THIS, ID_PARENT, ID_TYPE, NPP, NAME_THIS), with the grid units and the
// table unit started for the test and ended after it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/DBGridEh.h"
#include "grid/DaVirMTE.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "tests/memtable/MemTableTestUtil.h"

class GridUnits {
public:
  GridUnits() {
    InitMemTableEhUnit();
    InitDBGridEhUnit();
    InitDaVirMTEUnit();
  }
  ~GridUnits() {
    FinalDaVirMTEUnit();
    FinalDBGridEhUnit();
    FinalMemTableEhUnit();
    // The features registry ends with the grid services' unit: the next test
    // starts without the registrations of this one.
    FreeDatasetFeaturesRegistry();
  }
  GridUnits(const GridUnits&) = delete;
  GridUnits& operator=(const GridUnits&) = delete;
};

// The names of a grid's columns, in column order.
inline std::vector<String> FieldNamesOf(TCustomDBGridEh* Grid) {
  std::vector<String> Names;
  for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
    Names.push_back(Grid->GetColumns()->Items(I)->GetFieldName());
  return Names;
}

class GridFixture : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  GridUnits Units;
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;

  void SetUp() override {
    BuildResourceColumns(Table.GetMemTableData());
    // A new store field is hidden; the grid shows the table's visible fields only.
    TMTDataStructEh* Struct = Table.GetMemTableData()->GetDataStruct();
    for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
    Source.SetDataSet(&Table);
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
  }
  // The grid on a shown form, W x H pixels, without a data source yet.
  TDBGridEh* MakeGrid(Integer W = 400, Integer H = 300) {
    Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(10, 10, W, H);
    Grid = new TDBGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, W, H);
    Form->Show();
    Display.ProcessMessages();
    return Grid;
  }
  // Six resources, the table open and shown by the grid.
  void ShowResources() {
    AddResourceTree(Table);
    Table.Open();
    if (!Grid) MakeGrid();
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
  }
};
