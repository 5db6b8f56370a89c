#pragma once
// A focused grid over an in-memory table of numbered records, driven by real
// mouse and key messages through the headless display: records 1..N with
// ID_THIS = N's number, NPP counting down, NAME_THIS "Запись N"; columns
// ID_THIS, NPP and NAME_THIS, 100 pixels each; exact font metrics, so rows
// are 18 pixels apart.

#include <vector>

#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

class GridInput : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;

  // Count records shown by a grid of W x H pixels; RowMode uses the table's rows.
  TDBGridEh* ShowRecords(Integer Count, bool RowMode = true, Integer W = 400, Integer H = 18 + 20 * 18) {
    for (Integer I = 1; I <= Count; ++I) AddResource(Table, I, 0, 0, Count + 1 - I, u"Запись " + IntToStr(I));
    Table.Open();
    MakeGrid(W, H);
    Grid->SetBorderStyle(bsNone);
    Grid->SetBounds(0, 0, W, H);
    for (const char16_t* Name : {u"ID_THIS", u"NPP", u"NAME_THIS"}) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
      Column->SetWidth(100);
    }
    Grid->SetMemTableSupportIntf(RowMode);
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
    Grid->SetFocus();
    Display.ProcessMessages();
    return Grid;
  }
  TPoint CellCenter(Integer Col, Integer Row) const {
    const TRect R = Grid->CellRect(Col, Row);
    return TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  }
  // Lets the double-click time pass, so that the next press is a click of its own.
  void Pause() { Display.AdvanceClock(GetDoubleClickTime() + 1); }
  void ClickCell(Integer Col, Integer Row, THeadlessShift Shift = THeadlessShift::None) {
    Pause();
    const TPoint P = CellCenter(Col, Row);
    Display.Click(Grid->GetHandle(), P.X, P.Y, mbLeft, Shift);
  }
  void Key(Word VirtKey, THeadlessShift Shift = THeadlessShift::None) { Display.Key(VirtKey, Shift); }
  void Keys(Word VirtKey, Integer Times, THeadlessShift Shift = THeadlessShift::None) {
    for (Integer I = 0; I < Times; ++I) Display.Key(VirtKey, Shift);
  }
  Integer CurrentId() { return IdOf(Table); }
  // The ID_THIS values of the selected rows (a record's view position is its number).
  std::vector<Integer> SelectedIds() {
    std::vector<Integer> Ids;
    TBookmarkListEh* Rows = Grid->GetSelectedRows();
    for (Integer I = 0; I < Rows->GetCount(); ++I)
      Ids.push_back(Table.InstantReadIndexOfBookmark(Rows->GetItem(I)) + 1);
    std::sort(Ids.begin(), Ids.end());
    return Ids;
  }
  TColumnEh* Column(Integer Index) const { return Grid->GetColumns()->Items(Index); }
};
