// The global center through which every grid reaches the services that depend
// on its dataset, and the unit's start and end.
//
// Index of this file:
//   the unit's state        the global center and style, the sort-marker font, the
//                           key bindings, the shared filter-list items and the
//                           shared indicator-title menu
//   the center              forwarding to the dataset's features object
//   filter drop-down lists  the special items and the default value lists
//   indicator-title menu    the menu every grid's top-left cell opens
//   the grid's side         Find and the indicator-title press
//   the unit's start and end
//
// Call flow of a service: the grid asks its center's Do* operation; the center
// raises its event when one is assigned, otherwise runs its own operation, which
// hands the request to the features object registered for the class of the
// grid's dataset (DbUtilsEh), or falls back to built-in behaviour.

#include <algorithm>
#include <iterator>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhImpExp.h"
#include "grid/DBGridEhImpExp.h"
#include "grid/ScopeGuardEh.h"
#include "gridbase/DaVirConsts.h"
#include "platform/ui/Clipbrd.h"

TShortCut IncSearchShortCut = 0;
TShortCut IncSearchNextShortCut = 0;
TShortCut IncSearchPriorShortCut = 0;
TShortCut CopyFromPriorRowShortCut = 0;
TShortCut FindDialogShortCut = 0;
TShortCut FilterListShortCut = 0;
Integer IncSearchTimeOut = 0;
TColor IncSearchColor = clBlack;
TColor IncSearchTextColor = clBlack;

namespace {

TDBGridEhCenter* GlobalCenter = nullptr;
Integer UnitUsers = 0;
std::unique_ptr<TDBGridEhStyle> OwnedStyle;
std::unique_ptr<TDBGridEhCenter> OwnedCenter;
std::unique_ptr<TFont> SortMarkerFont;
std::unique_ptr<TColCellParamsEh> SharedCellParams;

// The height of the sort-marker glyph: the sort index beside it is one pixel shorter.
constexpr Integer SortMarkerGlyphHeight = 8;

// The objects the texts of every filter drop-down list carry.
struct TFilterListItems {
  TPopupListboxItemEhLine Line;
  TPopupListboxItemEhSort SortAsc{smDownEh};
  TPopupListboxItemEhSort SortDesc{smUpEh};
  std::array<TPopupListboxItemEhSpec, 6> Commands{
      TPopupListboxItemEhSpec(ptFilterSpecItemClearFilter), TPopupListboxItemEhSpec(ptFilterSpecItemSelectAll),
      TPopupListboxItemEhSpec(ptFilterSpecItemEmpties),     TPopupListboxItemEhSpec(ptFilterSpecItemNotEmpties),
      TPopupListboxItemEhSpec(ptFilterSpecItemDialog),      TPopupListboxItemEhSpec(ptFilterSpecItemApplyFilter)};
  TPopupListboxItemEhData Data;
};
std::unique_ptr<TFilterListItems> FilterListItems;

// The indicator-title menu, shared by every grid, and its six shared items.
// The action items act on the grid the menu was last built for.
enum TIndicatorMenuBitEh { imbVisibleColumns, imbCut, imbCopy, imbPaste, imbDelete, imbSelectAll, imbCount };
struct TIndicatorMenu {
  std::unique_ptr<TPopupMenu> Menu;
  std::array<std::unique_ptr<TMenuItem>, imbCount> Items;
  TCustomDBGridEh* Grid = nullptr;  // not owned; forgotten when the grid leaves its center
};
std::unique_ptr<TIndicatorMenu> IndicatorMenu;

}  // namespace

TDBGridEhCenter* GetDBGridEhCenter() { return GlobalCenter; }

TDBGridEhCenter* SetDBGridEhCenter(TDBGridEhCenter* Value) {
  TDBGridEhCenter* Old = GlobalCenter;
  GlobalCenter = Value;
  return Old;
}

TFont* SortMarkerFontEh() { return SortMarkerFont.get(); }

TPopupListboxItemEhLine* PopupListboxItemEhLine() { return FilterListItems ? &FilterListItems->Line : nullptr; }

TPopupListboxItemEhSort* PopupListboxItemEhSort(TSortMarkerEh SortMarker) {
  if (!FilterListItems) return nullptr;
  return SortMarker == smUpEh ? &FilterListItems->SortDesc : &FilterListItems->SortAsc;
}

TPopupListboxItemEhSpec* PopupListboxItemEhSpec(TPopupListboxItemEhSpecType Kind) {
  return FilterListItems ? &FilterListItems->Commands.at(size_t(Kind)) : nullptr;
}

TPopupListboxItemEhData* PopupListboxItemEhData() { return FilterListItems ? &FilterListItems->Data : nullptr; }

// ---- The center -----------------------------------------------------------------------------------------

TDBGridEhCenter::TDBGridEhCenter() {
  if (!GlobalCenter) GlobalCenter = this;
}

TDBGridEhCenter::~TDBGridEhCenter() {
  if (GlobalCenter == this) GlobalCenter = nullptr;
  while (!FGrids.empty()) {
    TCustomDBGridEh* Grid = FGrids.back();
    FGrids.pop_back();
    Grid->SetCenter(nullptr);
  }
}

void TDBGridEhCenter::AddGrid(TCustomDBGridEh* Grid) {
  if (!IsGridAttached(Grid)) FGrids.push_back(Grid);
}

void TDBGridEhCenter::RemoveGrid(TCustomDBGridEh* Grid) {
  std::erase(FGrids, Grid);
  if (IndicatorMenu && IndicatorMenu->Grid == Grid) IndicatorMenu->Grid = nullptr;
}

bool TDBGridEhCenter::IsGridAttached(const TCustomDBGridEh* Grid) const {
  return std::find(FGrids.begin(), FGrids.end(), Grid) != FGrids.end();
}

namespace {

TDataSet* GridDataSet(TCustomDBGridEh* Grid) {
  TDataSource* Source = Grid ? Grid->GetDataSource() : nullptr;
  return Source ? Source->GetDataSet() : nullptr;
}

TDatasetFeaturesEh* GridFeatures(TCustomDBGridEh* Grid) {
  TDataSet* DataSet = GridDataSet(Grid);
  return DataSet ? GetDatasetFeaturesForDataSet(DataSet) : nullptr;
}

}  // namespace

bool TDBGridEhCenter::LocateText(TCustomDBGridEh* Grid, const String& FieldName, const String& Text,
                                 TLocateTextOptionsEh Options, TLocateTextDirectionEh Direction,
                                 TLocateTextMatchingEh Matching, TLocateTextTreeFindRangeEh TreeFindRange) {
  if (TDatasetFeaturesEh* Features = GridFeatures(Grid))
    return Features->LocateText(Grid, FieldName, Text, Options, Direction, Matching, TreeFindRange);
  return LocateGridText(Grid, FieldName, Text, Matching, Direction, Options);
}

bool TDBGridEhCenter::MoveRecords(TCustomDBGridEh* Grid, TBMListEh* Bookmarks, Integer TargetRecNo, bool CheckOnly) {
  TDatasetFeaturesEh* Features = GridFeatures(Grid);
  return Features && Features->MoveRecords(Grid, Bookmarks, CheckOnly, TargetRecNo);
}

bool TDBGridEhCenter::DoLocateText(TCustomDBGridEh* Grid, const String& FieldName, const String& Text,
                                   TLocateTextOptionsEh Options, TLocateTextDirectionEh Direction,
                                   TLocateTextMatchingEh Matching, TLocateTextTreeFindRangeEh TreeFindRange) {
  if (OnLocateText) return OnLocateText(this, Grid, FieldName, Text, Options, Direction, Matching, TreeFindRange);
  return LocateText(Grid, FieldName, Text, Options, Direction, Matching, TreeFindRange);
}

bool TDBGridEhCenter::DoMoveRecords(TCustomDBGridEh* Grid, TBMListEh* Bookmarks, Integer TargetRecNo, bool CheckOnly) {
  return MoveRecords(Grid, Bookmarks, TargetRecNo, CheckOnly);
}

void TDBGridEhCenter::DoApplyFilter(TCustomDBGridEh* Grid, bool IsReopen) {
  if (OnApplyFilter) OnApplyFilter(this, Grid, IsReopen);
  else ApplyFilter(Grid, IsReopen);
}

void TDBGridEhCenter::DoApplySorting(TCustomDBGridEh* Grid, bool IsReopen) {
  if (OnApplySorting) OnApplySorting(this, Grid, IsReopen);
  else ApplySorting(Grid, IsReopen);
}

void TDBGridEhCenter::ExecuteFindDialog(TCustomDBGridEh* Grid, const String& Text, const String& FieldName,
                                        bool Modal) {
  if (TDatasetFeaturesEh* Features = GridFeatures(Grid)) Features->ExecuteFindDialog(Grid, Text, FieldName, Modal);
  else if (ExecuteFindDialogProc) ExecuteFindDialogProc(Grid, Text, TColumnFieldsArrEh(), Modal);
}

TSTFilterDefaultOperatorEh TDBGridEhCenter::GetDefaultOperator(TSTFilterValueTypeEh ValueType) const {
  switch (ValueType) {
    case stvtNumberEh: return FDefaultOperators[1];
    case stvtBooleanEh: return FDefaultOperators[2];
    case stvtDateTimeEh: return FDefaultOperators[3];
    default: return FDefaultOperators[0];
  }
}

void TDBGridEhCenter::SetDefaultOperator(TSTFilterValueTypeEh ValueType, TSTFilterDefaultOperatorEh Value) {
  switch (ValueType) {
    case stvtNumberEh: FDefaultOperators[1] = Value; break;
    case stvtBooleanEh: FDefaultOperators[2] = Value; break;
    case stvtDateTimeEh: FDefaultOperators[3] = Value; break;
    default: FDefaultOperators[0] = Value; break;
  }
}

void TDBGridEhCenter::DoIndicatorTitleMouseDown(TCustomDBGridEh* Grid, TMouseButton Button, TShiftState Shift,
                                                Integer X, Integer Y) {
  if (OnIndicatorTitleMouseDown) OnIndicatorTitleMouseDown(this, Grid, Button, Shift, X, Y);
  else IndicatorTitleMouseDown(Grid, Button, Shift, X, Y);
}

void TDBGridEhCenter::IndicatorTitleMouseDown(TCustomDBGridEh* Grid, TMouseButton Button, TShiftState Shift, Integer X,
                                              Integer Y) {
  if (Grid->OnIndicatorTitleMouseDown) Grid->OnIndicatorTitleMouseDown(Grid, Button, Shift, X, Y);
  else Grid->DefaultIndicatorTitleMouseDown(Button, Shift, X, Y);
}

void TDBGridEhCenter::DoIndicatorTitleNotify(TCustomDBGridEh* Grid, TGridCoord Cell, TMouseButton Button,
                                             TShiftState Shift, TPoint Point) {
  if (OnIndicatorTitleNotify) OnIndicatorTitleNotify(this, Grid, Cell, Button, Shift, Point);
  else IndicatorTitleNotify(Grid, Cell, Button, Shift, Point);
}

// The features object registered for the dataset's class does the work; without
// a data source, a dataset or such an object nothing happens.
void TDBGridEhCenter::ApplyFilter(TCustomDBGridEh* Grid, bool IsReopen) {
  if (TDatasetFeaturesEh* Features = GridFeatures(Grid)) Features->ApplyFilter(Grid, GridDataSet(Grid), IsReopen);
}

void TDBGridEhCenter::ApplySorting(TCustomDBGridEh* Grid, bool IsReopen) {
  if (TDatasetFeaturesEh* Features = GridFeatures(Grid)) Features->ApplySorting(Grid, GridDataSet(Grid), IsReopen);
}

// ---- Filter drop-down lists ----------------------------------------------------------------------------

void TDBGridEhCenter::FillSTFilterListSpecialItems(TCustomDBGridEh* Grid, TColumnEh* Column, TStrings* Items) {
  Items->BeginUpdate();
  TScopeExitEh End([Items] { Items->EndUpdate(); });
  if (Grid->GetOptionsEh().Contains(dghAutoSortMarking) && Column->GetTitle()->GetTitleButton()) {
    Items->AddObject(LoadResStringEh(SSortAscendingEh), PopupListboxItemEhSort(smDownEh));
    Items->AddObject(LoadResStringEh(SSortDescendingEh), PopupListboxItemEhSort(smUpEh));
    Items->AddObject(u"-", PopupListboxItemEhLine());
  }
  Items->AddObject(LoadResStringEh(SClearFilterEh), PopupListboxItemEhSpec(ptFilterSpecItemClearFilter));
  if (!Grid->GetSTFilter()->GetInstantApply())
    Items->AddObject(LoadResStringEh(SApplyFilterEh), PopupListboxItemEhSpec(ptFilterSpecItemApplyFilter));
  Items->AddObject(LoadResStringEh(SCustomFilterEh), PopupListboxItemEhSpec(ptFilterSpecItemDialog));
  Items->AddObject(LoadResStringEh(SAllEh), PopupListboxItemEhSpec(ptFilterSpecItemSelectAll));
  Items->AddObject(LoadResStringEh(SNotEmptiesEh), PopupListboxItemEhSpec(ptFilterSpecItemNotEmpties));
  Items->AddObject(LoadResStringEh(SEmptiesEh), PopupListboxItemEhSpec(ptFilterSpecItemEmpties));
}

void TDBGridEhCenter::FillSTFilterListValues(TCustomDBGridEh* Grid, TColumnEh* Column, TStrings* Items) {
  if (TDatasetFeaturesEh* Features = GridFeatures(Grid)) Features->FillSTFilterListValues(Grid, Column, Items);
  else FillSTFilterListValuesDefault(Grid, Column, Items);
}

void TDBGridEhCenter::FillSTFilterListValuesDefault(TCustomDBGridEh* Grid, TColumnEh* Column, TStrings* Items) {
  std::shared_ptr<IMemTableDataFieldValueListEh> ValueList = Column->GetFilterValueList();
  Items->BeginUpdate();
  TScopeExitEh End([Items] { Items->EndUpdate(); });
  if (ValueList) {
    // The values among the records that pass the other columns' filters: this
    // column's own condition is left out of the text for the moment.
    String Filter;
    {
      TSTColumnFilterEh* Own = Column->GetSTFilter();
      TTemporaryChangeEh<TSTFilterOperatorEh> NoOperator(Own->FExpression.Operator1, foNoneEh);
      TTemporaryChangeEh<TSTFilterOperatorEh> NoRelation(Own->FExpression.Relation, foNoneEh);
      BuildGridFilterText(Grid, &BuildDataSetFilterCondition, TDateValueToSQLStringEh(), Filter, true, false);
    }
    ValueList->SetFilter(Filter);
    TStringList* Values = ValueList->GetValues();
    for (Integer I = 0; I < Values->GetCount(); ++I) Items->AddObject(Values->Get(I), PopupListboxItemEhData());
  }
  if (Column->HasKeyListItems() && Column->HasPickListItems()) {
    TStrings* KeyList = Column->GetKeyList();
    TStrings* PickList = Column->GetPickList();
    for (Integer I = 0; I < Items->GetCount(); ++I) {
      const Integer Index = KeyList->IndexOf(Items->Get(I));
      if (Index >= 0 && Index < PickList->GetCount()) Items->Put(I, PickList->Get(Index));
    }
  }
}

// ---- The indicator-title menu --------------------------------------------------------------------------

namespace {

// The grid's capability tests for the edit actions the menu offers.
bool GridCanCopy(TCustomDBGridEh* Grid) { return Grid->GetDataLink()->GetActive(); }

bool GridCanDelete(TCustomDBGridEh* Grid) {
  TDataSet* DataSet = GridDataSet(Grid);
  if (!GridCanCopy(Grid) || Grid->GetReadOnly() || !DataSet || DataSet->IsEmpty() || !DataSet->CanModify())
    return false;
  switch (Grid->GetSelection()->GetSelectionType()) {
    case gstRectangle:
    case gstColumns: return Grid->GetAllowedOperations().Contains(alopUpdateEh);
    case gstRecordBookmarks:
    case gstAll: return Grid->GetAllowedOperations().Contains(alopDeleteEh);
    case gstNon: return false;
  }
  return false;
}

bool GridCanCut(TCustomDBGridEh* Grid) { return GridCanCopy(Grid) && GridCanDelete(Grid); }

bool GridCanPaste(TCustomDBGridEh* Grid) {
  TDataSet* DataSet = GridDataSet(Grid);
  if (!GridCanCopy(Grid) || Grid->GetReadOnly() || !DataSet || !DataSet->CanModify()) return false;
  if (!Clipboard()->HasFormat(CF_VCLDBIF()) && !Clipboard()->HasFormat(CF_TEXT)) return false;
  return DataSet->GetState() == dsInsert || Grid->GetAllowedOperations().Contains(alopUpdateEh);
}

bool GridCanSelectAll(TCustomDBGridEh* Grid) {
  TDataSet* DataSet = GridDataSet(Grid);
  return GridCanCopy(Grid) && DataSet && !DataSet->IsEmpty() && Grid->GetAllowedSelections().Contains(gstAll);
}

void SelectAllRows(TCustomDBGridEh* Grid) { Grid->GetSelection()->SelectAll(); }
void CutSelection(TCustomDBGridEh* Grid) { CutGridToClipboard(Grid, false); }
void CopySelection(TCustomDBGridEh* Grid) { CopyGridToClipboard(Grid, false); }
void PasteSelection(TCustomDBGridEh* Grid) { PasteGridFromClipboard(Grid, false); }
void DeleteSelection(TCustomDBGridEh* Grid) { ClearSelectedCells(Grid, false); }

// The five edit actions of the menu, by menu bit: the grid's selection through
// the clipboard formats of the grid's interchange unit, and selecting all.
struct TIndicatorMenuActionEh {
  TIndicatorMenuBitEh Bit;
  int Caption;
  TDBGridEhEditAction EditAction;
  bool (*Can)(TCustomDBGridEh* Grid);
  void (*Run)(TCustomDBGridEh* Grid);
};
constexpr TIndicatorMenuActionEh IndicatorMenuActions[] = {
    {imbCut, SCutEh, geaCutEh, &GridCanCut, &CutSelection},
    {imbCopy, SCopyEh, geaCopyEh, &GridCanCopy, &CopySelection},
    {imbPaste, SPasteEh, geaPasteEh, &GridCanPaste, &PasteSelection},
    {imbDelete, SDeleteEh, geaDeleteEh, &GridCanDelete, &DeleteSelection},
    {imbSelectAll, SSelectAllEh, geaSelectAllEh, &GridCanSelectAll, &SelectAllRows},
};
static_assert(std::size(IndicatorMenuActions) == imbCount - 1, "every action bit of the menu has its entry");

bool HasMenuBit(Integer Items, TIndicatorMenuBitEh Bit) { return (Items >> Integer(Bit)) & 1; }

TIndicatorMenu& SharedIndicatorMenu() {
  if (!IndicatorMenu) IndicatorMenu = std::make_unique<TIndicatorMenu>();
  TIndicatorMenu& M = *IndicatorMenu;
  if (!M.Menu) {
    M.Menu = std::make_unique<TPopupMenu>(nullptr);
    M.Menu->SetName(u"DBGridEhIndicatorTitlePopupMenu");
  }
  return M;
}

// Takes the shared items out of the menu and frees the rest.
void EmptyIndicatorMenu(TIndicatorMenu& M) {
  TMenuItem* Root = M.Menu->GetItems();
  for (const std::unique_ptr<TMenuItem>& Shared : M.Items)
    if (Shared) Root->Remove(Shared.get());
  Root->Clear();
}

TMenuItem* SharedMenuItem(TIndicatorMenu& M, TIndicatorMenuBitEh Bit) {
  std::unique_ptr<TMenuItem>& Item = M.Items[size_t(Bit)];
  if (!Item) Item = std::make_unique<TMenuItem>(nullptr);
  return Item.get();
}

void ToggleColumnVisible(TCustomDBGridEh* Grid, Integer Index) {
  if (!Grid || Index >= Grid->GetColumns()->GetCount()) return;
  TColumnEh* Column = Grid->GetColumns()->Items(Index);
  // The last visible column stays.
  if (Column->GetVisible() && Grid->GetVisibleColumns()->Count() < 2) return;
  Column->SetVisible(!Column->GetVisible());
}

void AddVisibleColumnsItem(TIndicatorMenu& M, TCustomDBGridEh* Grid) {
  TMenuItem* Item = SharedMenuItem(M, imbVisibleColumns);
  Item->SetCaption(LoadResStringEh(SVisibleColumnsEh));
  Item->Clear();
  TDBGridColumnsEh* Columns = Grid->GetColumns();
  for (Integer I = 0; I < Columns->GetCount(); ++I) {
    TColumnEh* Column = Columns->Items(I);
    if (Column->GetTitle()->GetCaption().empty()) continue;
    auto* Sub = new TMenuItem(nullptr);
    Sub->SetCaption(Column->GetTitle()->GetCaption());
    Sub->SetChecked(Column->GetVisible());
    Sub->OnClick = [I](TObject*) { ToggleColumnVisible(IndicatorMenu ? IndicatorMenu->Grid : nullptr, I); };
    Item->Add(Sub);
  }
  M.Menu->GetItems()->Add(Item);
}

void AddActionItem(TIndicatorMenu& M, TCustomDBGridEh* Grid, const TIndicatorMenuActionEh& Action) {
  TMenuItem* Item = SharedMenuItem(M, Action.Bit);
  Item->SetCaption(LoadResStringEh(Action.Caption));
  Item->SetEnabled(Action.Can(Grid) && Grid->GetEditActions().Contains(Action.EditAction));
  Item->OnClick = [Run = Action.Run](TObject*) {
    if (IndicatorMenu && IndicatorMenu->Grid) Run(IndicatorMenu->Grid);
  };
  M.Menu->GetItems()->Add(Item);
}

// A copy of one of the grid's own menu items, owned by the shared menu.
TMenuItem* CopyMenuItem(const TMenuItem* Source) {
  auto* Item = new TMenuItem(nullptr);
  Item->SetCaption(Source->GetCaption());
  Item->SetChecked(Source->GetChecked());
  Item->SetDefault(Source->GetDefault());
  Item->SetEnabled(Source->GetEnabled());
  Item->SetShortCut(Source->GetShortCut());
  Item->SetVisible(Source->GetVisible());
  Item->SetTag(Source->GetTag());
  Item->OnClick = Source->OnClick;
  return Item;
}

}  // namespace

void TDBGridEhCenter::BuildIndicatorTitleMenu(TCustomDBGridEh* Grid, TPopupMenu*& PopupMenu) {
  TIndicatorMenu& M = SharedIndicatorMenu();
  EmptyIndicatorMenu(M);
  PopupMenu = M.Menu.get();
  M.Grid = Grid;
  TMenuItem* Root = M.Menu->GetItems();
  if (Grid->GetIndicatorTitle()->GetUseGlobalMenu()) {
    if (HasMenuBit(FIndicatorTitleMenuItems, imbVisibleColumns)) AddVisibleColumnsItem(M, Grid);
    for (const TIndicatorMenuActionEh& Action : IndicatorMenuActions)
      if (HasMenuBit(FIndicatorTitleMenuItems, Action.Bit)) AddActionItem(M, Grid, Action);
  }
  if (TPopupMenu* Own = Grid->GetIndicatorTitle()->GetDropdownMenu()) {
    TMenuItem* OwnItems = Own->GetItems();
    if (Root->GetCount() > 0 && OwnItems->GetCount() > 0) {
      auto* Separator = new TMenuItem(nullptr);
      Separator->SetCaption(u"-");
      Root->Add(Separator);
    }
    for (Integer I = 0; I < OwnItems->GetCount(); ++I) Root->Add(CopyMenuItem(OwnItems->GetItem(I)));
  }
}

void TDBGridEhCenter::DoBuildIndicatorTitleMenu(TCustomDBGridEh* Grid, TPopupMenu*& PopupMenu) {
  if (OnBuildIndicatorTitleMenu) OnBuildIndicatorTitleMenu(this, Grid, PopupMenu);
  else BuildIndicatorTitleMenu(Grid, PopupMenu);
}

// ---- The grid's side -------------------------------------------------------------------------------------

bool TCustomDBGridEh::Find(const String& FieldName, const String& Text, TLocateTextOptionsEh Options,
                           TLocateTextDirectionEh Direction, TLocateTextMatchingEh Matching,
                           TLocateTextTreeFindRangeEh TreeFindRange) {
  if (!FCenter) return false;
  BeginWaitCursorEh();
  TScopeExitEh Stop([] { EndWaitCursorEh(); });
  return FCenter->DoLocateText(this, FieldName, Text, Options, Direction, Matching, TreeFindRange);
}

void TCustomDBGridEh::DefaultBuildIndicatorTitleMenu(TPopupMenu*& PopupMenu) {
  if (FCenter) FCenter->DoBuildIndicatorTitleMenu(this, PopupMenu);
}

void TCustomDBGridEh::DefaultIndicatorTitleMouseDown(TMouseButton, TShiftState, Integer, Integer) {
  if (FIndicatorTitle->GetShowDropDownSign()) {
    FIndicatorTitlePressed = true;
    InvalidateCell(0, 0);
    TScopeExitEh Release([this] {
      FIndicatorTitlePressed = false;
      InvalidateCell(0, 0);
    });
    TPopupMenu* Menu = nullptr;
    if (OnBuildIndicatorTitleMenu) OnBuildIndicatorTitleMenu(this, Menu);
    else DefaultBuildIndicatorTitleMenu(Menu);
    if (!Menu) return;
    const TRect Cell = CellRect(0, 0);
    const TPoint At = ClientToScreen(TPoint(Cell.Left, Cell.Bottom));
    Menu->SetPopupComponent(this);
    Menu->Popup(At.X, At.Y);
    return;
  }
  if (FOptions.Contains(dgMultiSelect) && FDataLink->GetActive() && FAllowedSelections.Contains(gstAll)) {
    if (FSelection->GetSelectionType() == gstNon) FSelection->SelectAll();
    else FSelection->Clear();
  }
}

// ---- The unit's start and end --------------------------------------------------------------------------

void InitDBGridEhUnit() {
  if (UnitUsers++ > 0) return;
  // The interchange unit's formats come first, as the units start in that order.
  RegisterDBGridEhClipboardFormats();
  OwnedStyle = std::make_unique<TDBGridEhStyle>();
  OwnedCenter = std::make_unique<TDBGridEhCenter>();
  SortMarkerFont = std::make_unique<TFont>();
  SortMarkerFont->SetHeight(1 - SortMarkerGlyphHeight);
  SortMarkerFont->SetName(u"Arial");
  IncSearchShortCut = ShortCut('F', TShiftState{ssCtrl});
  IncSearchNextShortCut = ShortCut(VK_RETURN, TShiftState{ssCtrl});
  IncSearchPriorShortCut = ShortCut(VK_RETURN, TShiftState{ssCtrl, ssShift});
  CopyFromPriorRowShortCut = ShortCut(222, TShiftState{ssCtrl});
  FindDialogShortCut = ShortCut('F', TShiftState{ssCtrl});
  FilterListShortCut = ShortCut('T', TShiftState{ssCtrl});
  IncSearchTimeOut = 1500;
  IncSearchColor = TColor(0x00FFFF);
  IncSearchTextColor = TColor(0);
  SharedCellParams = std::make_unique<TColCellParamsEh>();
  RegisterClass<TRowDetailPanelControlEh>();
  RegisterClass<TDBGridEh>();
  RegisterClassPropertyInterceptorEh(TColumnEh::StaticClass(), TColumnEhPropertyInterceptor::StaticInterceptorClass());
  RegisterClassPropertyInterceptorEh(TDBGridColumnsEh::StaticClass(),
                                     TColumnsEhPropertyInterceptor::StaticInterceptorClass());
  FilterListItems = std::make_unique<TFilterListItems>();
  LoadGridBitmaps();
}

void FinalDBGridEhUnit() {
  if (UnitUsers == 0 || --UnitUsers > 0) return;
  UnregisterClassPropertyInterceptorEh(TColumnEh::StaticClass(),
                                       TColumnEhPropertyInterceptor::StaticInterceptorClass());
  UnregisterClassPropertyInterceptorEh(TDBGridColumnsEh::StaticClass(),
                                       TColumnsEhPropertyInterceptor::StaticInterceptorClass());
  UnRegisterClass<TDBGridEh>();
  UnRegisterClass<TRowDetailPanelControlEh>();
  SortMarkerFont.reset();
  FreeGridBitmaps();
  OwnedCenter.reset();
  OwnedStyle.reset();
  SharedCellParams.reset();
  if (IndicatorMenu && IndicatorMenu->Menu) EmptyIndicatorMenu(*IndicatorMenu);
  IndicatorMenu.reset();
  FilterListItems.reset();
}
