// Group rows and the group panel of a data grid.
//
// While grouping works (an active grouping over an in-memory table, with at
// least one level bound to a column) a data row of the grid is an index into
// the group tree's flat list of visible nodes: a group row (a level's key and
// the number of its items) or a record row. The grid keeps the current group
// node while a group row is current; a record row is current through the table.
//
// Index of this file:
//   the grid's levels and groups   TDBGridEhDataGroupLevelEh, TDBGridEhDataGroupsEh
//   rows                           GroupedRows, GroupNodeOfRow, CurrentFlatIndex, moving
//   painting                       DrawGroupDataRow, DrawGroupIndent, GetGroupRowColors
//   the group panel                layout, painting, pressing, dragging and dropping
//   keys and clicks on group rows  HandleGroupRowKey, GroupRowMouseDown

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "gridbase/DaVirConsts.h"

namespace {

constexpr Integer GroupLevelIndent = 18;
// A pressed level box becomes a drag after the mouse left the press by more than this.
constexpr Integer GroupPanelDragThreshold = 3;
// Rows of each head of the insertion arrow.
constexpr Integer GroupPanelArrowHead = 4;
// The right end of a level box where its sort marker stands.
constexpr Integer GroupPanelDropDownWidth = 16;

}  // namespace

// ---- The grid's levels and groups -----------------------------------------------------------------

void TDBGridEhDataGroupLevelEh::GridLayoutChanged() {
  TColumnEh* Column = GetColumn();
  if (TCustomDBGridEh* Grid = Column ? Column->GetGrid() : nullptr) {
    Grid->Invalidate();
    Grid->LayoutChanged();
    // The level's font sets the height of its group rows.
    if (Grid->GroupedRows()) Grid->DataRowHeightsChanged();
  }
}

String TDBGridEhDataGroupLevelEh::GetColumnName() const { return GetColumn() ? GetColumn()->GetFieldName() : String(); }

// A level of another grid binds this grid's column of the same field.
void TDBGridEhDataGroupLevelEh::Assign(TPersistent* Source) {
  TGridDataGroupLevelEh::Assign(Source);
  auto* S = dynamic_cast<TDBGridEhDataGroupLevelEh*>(Source);
  if (!S || (S->GetColumn() && S->GetColumn()->GetGrid() == GetGrid())) return;
  SetColumnName(S->GetColumn() ? S->GetColumnName() : S->FStoredColumnName);
}

void TDBGridEhDataGroupLevelEh::SetColumnName(const String& Value) {
  TCustomDBGridEh* Grid = GetGrid();
  if (!Grid || Grid->GetComponentState().Contains(csLoading)) {
    FStoredColumnName = Value;
    return;
  }
  SetColumn(Grid->FindColumnByFieldName(Value));
}

void TDBGridEhDataGroupLevelEh::GetKeyValueAsText(TGroupDataTreeNodeEh* GroupNode, String& Text) {
  const Variant& Key = GroupNode->GetKeyValue();
  Text = VarIsNull(Key) || VarIsEmpty(Key) ? String() : Key.AsString();
  TColumnEh* Column = GetColumn();
  TCustomDBGridEh* Grid = GetGrid();
  if (Column && Column->OnGroupGetKeyValueAsText) Column->OnGroupGetKeyValueAsText(Grid, GroupNode, Key, Text);
  if (OnGetKeyValueAsText && Column) OnGetKeyValueAsText(Grid, GroupNode, Key, Text);
}

void TDBGridEhDataGroupLevelEh::GetGroupRowText(TGroupDataTreeNodeEh* GroupNode, String& Text) {
  TColumnEh* Column = GetColumn();
  TCustomDBGridEh* Grid = GetGrid();
  Text.clear();
  if (Column) Text = Column->GetTitle()->GetCaption() + u": ";
  String Key;
  GetKeyValueAsText(GroupNode, Key);
  Text += Key + u" (" + IntToStr(GroupNode->Count()) + u")";
  if (Grid && Grid->OnDataGroupGetRowText) Grid->OnDataGroupGetRowText(Grid, GroupNode, Text);
  if (OnGetGroupRowText && Column) OnGetGroupRowText(Grid, GroupNode, Text);
}

void TDBGridEhDataGroupLevelEh::GetKeyValue(Variant& Value) {
  TGridDataGroupLevelEh::GetKeyValue(Value);
  TColumnEh* Column = GetColumn();
  TCustomDBGridEh* Grid = GetGrid();
  if (Column && Column->OnGroupGetKeyValue) Column->OnGroupGetKeyValue(Grid, Column, Value);
  if (OnGetKeyValue && Column) OnGetKeyValue(Grid, this, Value);
}

std::unique_ptr<TGridDataGroupLevelsEh> TDBGridEhDataGroupsEh::CreateGroupLevels() {
  return std::make_unique<TGridDataGroupLevelsEh>(this, TDBGridEhDataGroupLevelEh::StaticItemClass());
}

bool TDBGridEhDataGroupsEh::IsGroupingWorks() const {
  return GetActive() && GetMemTable() && GetGrid()->GetDataLink()->GetActive() && GetActiveGroupLevelsCount() > 0;
}

void TDBGridEhDataGroupsEh::ActiveChanged() { RegroupData(); }

void TDBGridEhDataGroupsEh::RegroupData() {
  if (GridGone()) return;
  if (IsGroupingWorks()) GetGroupDataTree()->RebuildDataTree(GetMemTable());
  else GetGroupDataTree()->ClearFromLevel(1);
  GetGrid()->GroupPanelVisibleChanged();
  GetGrid()->UpdateRowCount();
  GetGrid()->Invalidate();
  if (GetGrid()->OnActiveGroupingStructChanged) GetGrid()->OnActiveGroupingStructChanged(GetGrid());
}

void TDBGridEhDataGroupsEh::GridLayoutChanged() {
  if (GridGone()) return;
  GetGrid()->Invalidate();
  GetGrid()->LayoutChanged();
  if (GetGrid()->GroupedRows()) GetGrid()->DataRowHeightsChanged();
}

void TDBGridEhDataGroupsEh::RebuildActiveGroupLevels() {
  TGridDataGroupsEh::RebuildActiveGroupLevels();
  FHotLevel = FHotLevelButton = -1;
  // The table sorts by the levels first, so each group's records stand together.
  if (!GridGone() && GetGrid()->GetDataLink()->GetActive()) GetGrid()->SortMarkingChanged();
}

void TDBGridEhDataGroupsEh::SortLevel(Integer LevelIndex, TSortOrderEh SortOrder) {
  TGridDataGroupsEh::SortLevel(LevelIndex, SortOrder);
  if (!GridGone() && GetGrid()->GetDataLink()->GetActive()) GetGrid()->SortMarkingChanged();
}

void TDBGridEhDataGroupsEh::Loaded() {
  for (Integer I = 0; I < GetGroupLevels()->GetCount(); ++I)
    if (TDBGridEhDataGroupLevelEh* L = Level(I)) L->SetColumnName(L->GetStoredColumnName());
}

// ---- Rows ------------------------------------------------------------------------------------------

bool TCustomDBGridEh::GroupedRows() const { return FIntMemTable && FDataGrouping && FDataGrouping->IsGroupingWorks(); }

TGroupDataTreeNodeEh* TCustomDBGridEh::GroupNodeOfRow(Integer DataRow) const {
  if (!GroupedRows()) return nullptr;
  return FDataGrouping->GetGroupDataTree()->GetFlatNode(DataRow);
}

Integer TCustomDBGridEh::CurrentFlatIndex() const {
  if (!GroupedRows()) return -1;
  TGridGroupDataTreeEh* Tree = FDataGrouping->GetGroupDataTree();
  if (FCurrentGroupNode) {
    // Compared by address only: a node freed by regrouping is simply not found.
    for (Integer I = 0; I < Tree->GetFlatCount(); ++I)
      if (Tree->GetFlatNode(I) == FCurrentGroupNode) return I;
  }
  const Integer RecIndex = FIntMemTable->GetCurrentRowIndex();
  const Integer Flat = Tree->IndexOfRecordInFlatList(RecIndex);
  if (Flat >= 0) return Flat;
  // A record inside a collapsed group: its nearest visible group row stands for it.
  for (TGroupDataTreeNodeEh* Node = Tree->FindRecordNode(RecIndex); Node; Node = Node->GetParentNode()) {
    const Integer I = Tree->IndexOfFlatNode(Node);
    if (I >= 0) return I;
  }
  return -1;
}

void TCustomDBGridEh::SetCurrentFlatIndex(Integer FlatIndex) {
  TGridGroupDataTreeEh* Tree = FDataGrouping->GetGroupDataTree();
  if (Tree->GetFlatCount() == 0) return;
  FlatIndex = std::clamp(FlatIndex, 0, Tree->GetFlatCount() - 1);
  TGroupDataTreeNodeEh* Node = Tree->GetFlatNode(FlatIndex);
  const Integer OldRow = GetRow();
  if (Node->IsGroup()) {
    FDataLink->GetDataSet()->CheckBrowseMode();
    FCurrentGroupNode = Node;
    FCurrentGroupRecIndex = FIntMemTable->GetCurrentRowIndex();
    HideEditor();
  } else {
    FCurrentGroupNode = nullptr;
    const Integer Delta = Node->GetRecIndex() - FIntMemTable->GetCurrentRowIndex();
    if (Delta != 0) FDataLink->GetDataSet()->MoveBy(Delta);
  }
  const Integer Row = FlatIndex + GetTitleRowCount();
  if (Row != GetRow() && Row < GetRowCount()) MoveColRow(CurrentColumnOrFixed(), Row, true, false, true);
  InvalidateRow(OldRow);
  InvalidateRow(GetRow());
}

// The groups on the way from the root to the current row: a group row's own
// path, or the groups that hold the current record (even inside a collapsed group).
void TCustomDBGridEh::StoreGroupInsertKeyValues() {
  if (!GroupedRows()) return;
  TGridGroupDataTreeEh* Tree = FDataGrouping->GetGroupDataTree();
  TGroupDataTreeNodeEh* Node = Tree->GetFlatNode(CurrentFlatIndex());
  if (Node && Node->IsGroup() && Node != FCurrentGroupNode)
    Node = Tree->FindRecordNode(FIntMemTable->GetCurrentRowIndex());
  if (Node && !Node->IsGroup()) Node = Node->GetParentNode();
  std::vector<Variant> Keys;
  for (; Node && Node != Tree->GetRootNode(); Node = Node->GetParentNode())
    Keys.insert(Keys.begin(), Node->GetKeyValue());
  if (Keys.empty()) return;
  Variant Path = VarArrayCreate(0, Integer(Keys.size()) - 1, varVariant);
  for (size_t I = 0; I < Keys.size(); ++I) VarArrayPut(Path, Keys[I], Integer(I));
  FDataGrouping->SetDefaultKeyValues(Path);
}

void TCustomDBGridEh::MoveGroupedBy(Integer Delta) {
  const Integer Here = CurrentFlatIndex();
  SetCurrentFlatIndex((Here < 0 ? 0 : Here) + Delta);
}

void TCustomDBGridEh::GroupRowsChanged() {
  if (GetComponentState().Contains(csDestroying)) return;
  UpdateRowCount();
  UpdateVisibleRowHeights();
  Invalidate();
}

// ---- Painting ------------------------------------------------------------------------------------------

bool TCustomDBGridEh::GetGroupRowColors(TGroupDataTreeNodeEh* Node, bool IsCurrent, bool IsSelected, TColor& Background,
                                        TColor& TextColor) {
  const bool Highlighted = (IsCurrent || IsSelected) && (FOptions.Contains(dgAlwaysShowSelection) ||
                                                         (Focused() && FOptionsEh.Contains(dghHighlightFocus)));
  if (!Highlighted) {
    TGridDataGroupLevelEh* Level = Node->GetDataGroupLevel();
    Background = Level ? Level->GetColor() : FDataGrouping->GetColor();
    TextColor = Level ? Level->GetFont()->GetColor() : FDataGrouping->GetFont()->GetColor();
    return false;
  }
  if (Focused()) {
    Background = clHighlight;
    TextColor = clHighlightText;
  } else {
    Background = IsCurrent ? clBtnShadow : clBtnFace;
    TextColor = clHighlightText;
  }
  return true;
}

bool TCustomDBGridEh::DrawGroupDataRow(const TRect& ARect, Integer DataRow, TGridDrawState State) {
  TGroupDataTreeNodeEh* Node = GroupNodeOfRow(DataRow);
  if (!Node || !Node->IsGroup()) return false;
  TCanvas* Canvas = GetCanvas();
  HDC DC = Canvas->GetHandle();
  const Integer Row = DataRow + GetTitleRowCount();
  // The group row spans the data columns; each cell paints its own part of it.
  TRect RowRect = BoxRect(FIndicatorOffset, Row, GetColCount() - 1, Row);
  RowRect.Top = ARect.Top;
  RowRect.Bottom = ARect.Bottom;
  const Integer Saved = SaveDC(DC);
  TScopeExitEh Restore([&] { RestoreDC(DC, Saved); });
  IntersectClipRect(DC, ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);

  const Integer Level = Node->GetLevel();
  const bool IsCurrent = DataRow == CurrentFlatIndex();
  // Every row is among the selected ones when the whole grid is.
  const bool IsSelected = State.Contains(gdSelected) || FSelection->GetSelectionType() == gstAll;
  TColor Background, TextColor;
  GetGroupRowColors(Node, IsCurrent, IsSelected, Background, TextColor);
  const TColor LineColor = GetGridLineColors()->GetDarkColor();
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetPen()->SetWidth(1);

  // The outer levels' indent boxes, in their own colours.
  TGridGroupDataTreeEh* Tree = FDataGrouping->GetGroupDataTree();
  TGroupDataTreeNodeEh* NextNode = Tree->GetFlatNode(DataRow + 1);
  for (Integer K = 1; K < Level; ++K) {
    TRect Box(RowRect.Left + (K - 1) * GroupLevelIndent, RowRect.Top, RowRect.Left + K * GroupLevelIndent,
              RowRect.Bottom);
    Canvas->GetBrush()->SetColor(FDataGrouping->GetActiveGroupLevel(K - 1)->GetColor());
    Canvas->FillRect(Box);
    Canvas->GetPen()->SetColor(LineColor);
    Canvas->MoveTo(Box.Right - 1, Box.Top);
    Canvas->LineTo(Box.Right - 1, Box.Bottom);
    if (NextNode && NextNode->GetLevel() <= K + 1 && NextNode->IsGroup()) {
      Canvas->MoveTo(Box.Left, Box.Bottom - 1);
      Canvas->LineTo(Box.Right, Box.Bottom - 1);
    }
  }
  const Integer ButtonLeft = RowRect.Left + (Level - 1) * GroupLevelIndent;
  TRect Body(ButtonLeft, RowRect.Top, RowRect.Right, RowRect.Bottom);
  Canvas->GetBrush()->SetColor(Background);
  Canvas->FillRect(Body);

  TGridDataGroupLevelEh* GroupLevel = Node->GetDataGroupLevel();
  Canvas->GetFont()->Assign(GroupLevel ? GroupLevel->GetFont() : FDataGrouping->GetFont());
  Canvas->GetFont()->SetColor(TextColor);
  String Text;
  if (GroupLevel) GroupLevel->GetGroupRowText(Node, Text);
  TRect TextRect(ButtonLeft + GroupLevelIndent, RowRect.Top, RowRect.Right, RowRect.Bottom - 1);
  Canvas->GetBrush()->SetStyle(bsClear);
  WriteTextEh(Canvas, TextRect, false, 2, 1, Text, taLeftJustify, tlCenter, false, false, 0, 0, false);
  Canvas->GetBrush()->SetStyle(bsSolid);

  // The expand button: minus while expanded, plus while collapsed.
  TRect ButtonBox(ButtonLeft, RowRect.Top, ButtonLeft + GroupLevelIndent, RowRect.Bottom);
  DrawTreeElementEh(Canvas, ButtonBox, Node->GetExpanded() ? 3 : 7, false, 1.0, 1.0, false);

  Canvas->GetPen()->SetColor(Node->GetExpanded() ? LineColor : (GroupLevel ? GroupLevel->GetColor() : LineColor));
  Canvas->MoveTo(ButtonLeft, RowRect.Bottom - 1);
  Canvas->LineTo(RowRect.Right, RowRect.Bottom - 1);
  if (IsCurrent && Focused() && State.Contains(gdFocused) && RowFocusRectVisible()) {
    TRect Focus = Body;
    --Focus.Bottom;
    Canvas->DrawFocusRect(Focus);
  }
  return true;
}

Integer TCustomDBGridEh::GroupIndentWidth() const {
  return GroupedRows() ? FDataGrouping->GetActiveGroupLevelsCount() * GroupLevelIndent : 0;
}

Integer TCustomDBGridEh::DrawGroupIndent(const TRect& ARect, Integer DataRow) {
  TGroupDataTreeNodeEh* Node = GroupNodeOfRow(DataRow);
  if (!Node || Node->IsGroup()) return 0;
  TCanvas* Canvas = GetCanvas();
  const Integer Levels = FDataGrouping->GetActiveGroupLevelsCount();
  const TColor LineColor = GetGridLineColors()->GetDarkColor();
  TGroupDataTreeNodeEh* NextNode = FDataGrouping->GetGroupDataTree()->GetFlatNode(DataRow + 1);
  for (Integer K = 1; K <= Levels; ++K) {
    TRect Box(ARect.Left + (K - 1) * GroupLevelIndent, ARect.Top, ARect.Left + K * GroupLevelIndent, ARect.Bottom);
    Canvas->GetBrush()->SetColor(FDataGrouping->GetActiveGroupLevel(K - 1)->GetColor());
    Canvas->FillRect(Box);
    Canvas->GetPen()->SetColor(LineColor);
    Canvas->MoveTo(Box.Right - 1, Box.Top);
    Canvas->LineTo(Box.Right - 1, Box.Bottom);
    // The last record of a group closes the boxes of the groups that end with it.
    if (!NextNode || (NextNode->IsGroup() && NextNode->GetLevel() <= K)) {
      Canvas->MoveTo(Box.Left, Box.Bottom - 1);
      Canvas->LineTo(Box.Right, Box.Bottom - 1);
    }
  }
  return Levels * GroupLevelIndent;
}

// ---- The group panel --------------------------------------------------------------------------------------

void TCustomDBGridEh::GroupPanelVisibleChanged() {
  FGroupPanelRects.clear();
  Integer Height = 0;
  if (FDataGrouping->GetGroupPanelVisible()) {
    TFont* Font = GetFont();
    const Integer O = FontTextWidthEh(Font, u"o");
    const Integer H = O * 2 / 3;
    Integer X = O, Y = H;
    for (Integer I = 0; I < FDataGrouping->GetActiveGroupLevelsCount(); ++I) {
      TColumnTitleEh* Title = FDataGrouping->GetActiveGroupLevel(I)->GetColumn()->GetTitle();
      const Integer Width = FontTextWidthEh(Title->GetFont(), Title->GetCaption()) + 3 + 16 + 16;
      const Integer BoxHeight = FontTextHeightEh(Title->GetFont(), u"Wg") + 3 + 4;
      FGroupPanelRects.emplace_back(X, Y, X + Width, Y + BoxHeight);
      X += Width + H;
      Y += BoxHeight / 2;
    }
    Height = FGroupPanelRects.empty() ? 30 : FGroupPanelRects.back().Bottom + 5;
  }
  FGroupPanelHeight = Height;
  GetOutBoundaryData()->SetTopIndent(Height);
  LayoutChanged();
  Invalidate();
}

TRect TCustomDBGridEh::GetGroupLevelBoxRect(Integer Index) const {
  return Index >= 0 && Index < Integer(FGroupPanelRects.size()) ? FGroupPanelRects[size_t(Index)] : TRect();
}

Integer TCustomDBGridEh::GroupLevelBoxAt(Integer X, Integer Y) const {
  for (size_t I = 0; I < FGroupPanelRects.size(); ++I)
    if (FGroupPanelRects[I].Contains(TPoint(X, Y))) return Integer(I);
  return -1;
}

Integer TCustomDBGridEh::GroupPanelInsertIndex(Integer X) const {
  Integer Index = 0;
  for (size_t I = 0; I < FGroupPanelRects.size(); ++I)
    if ((FGroupPanelRects[I].Left + FGroupPanelRects[I].Right) / 2 < X) Index = Integer(I) + 1;
  return Index;
}

void TCustomDBGridEh::DrawOutBoundaryArea(const TRect& ARect) {
  if (FGroupPanelHeight > 0 && ARect.Top == 0 && ARect.Height() == FGroupPanelHeight) return DrawGroupPanel(ARect);
  TCustomGridEh::DrawOutBoundaryArea(ARect);
}

void TCustomDBGridEh::DrawGroupPanel(const TRect& ARect) {
  TCanvas* Canvas = GetCanvas();
  const TColor Dark = GetGridLineColors()->GetDarkColor();
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(BlendColorsEh(ColorToRGB(GetFixedColor()), ColorToRGB(Dark), 85));
  Canvas->FillRect(ARect);
  Canvas->GetPen()->SetColor(Dark);
  Canvas->GetPen()->SetWidth(1);
  Canvas->MoveTo(ARect.Left, ARect.Bottom - 1);
  Canvas->LineTo(ARect.Right, ARect.Bottom - 1);
  if (FGroupPanelRects.empty()) {
    Canvas->GetFont()->Assign(GetFont());
    Canvas->GetFont()->SetColor(cl3DDkShadow);
    Canvas->GetBrush()->SetStyle(bsClear);
    Canvas->TextOut(FGroupPanelHeight / 6, FGroupPanelHeight / 6, LoadResStringEh(SGroupingPanelTextEh));
    Canvas->GetBrush()->SetStyle(bsSolid);
  }
  DrawGroupPanelBoxes();
  if (FGroupPanelArrowIndex >= 0) DrawGroupPanelArrow(FGroupPanelArrowIndex);
}

void TCustomDBGridEh::DrawGroupPanelBoxes() {
  TCanvas* Canvas = GetCanvas();
  const TColor Dark = GetGridLineColors()->GetDarkColor();
  TImageList* Markers = GetDBGridEhSortMarkerImages();
  for (size_t I = 0; I < FGroupPanelRects.size(); ++I) {
    const TRect Box = FGroupPanelRects[I];
    TGridDataGroupLevelEh* Level = FDataGrouping->GetActiveGroupLevel(Integer(I));
    TColumnTitleEh* Title = Level->GetColumn()->GetTitle();
    // The connector from this box to the next one's left side.
    if (I + 1 < FGroupPanelRects.size()) {
      const TRect Next = FGroupPanelRects[I + 1];
      const Integer X = (Box.Left + Box.Right) / 2 + 8;
      Canvas->GetPen()->SetColor(Dark);
      Canvas->MoveTo(X, Box.Bottom);
      Canvas->LineTo(X, (Next.Top + Next.Bottom) / 2);
      Canvas->LineTo(Next.Left, (Next.Top + Next.Bottom) / 2);
    }
    const bool Pressed = FGroupPanelPressed == Integer(I);
    Canvas->GetBrush()->SetColor(Title->GetColor());
    Canvas->FillRect(Box);
    ::DrawFixedCellFrame(this, Canvas, Box, Pressed, false, true, true);
    Canvas->GetFont()->Assign(Title->GetFont());
    TRect TextRect(Box.Left + 3, Box.Top, Box.Right - 16, Box.Bottom);
    if (Pressed) OffsetRect(TextRect, 1, 1);
    Canvas->GetBrush()->SetStyle(bsClear);
    WriteTextEh(Canvas, TextRect, false, 1, 1, Title->GetCaption(), taLeftJustify, tlCenter, false, false, 0, 0, false);
    Canvas->GetBrush()->SetStyle(bsSolid);
    if (Markers)
      Markers->Draw(Canvas, Box.Right - Markers->GetWidth() - 4 + (Pressed ? 1 : 0),
                    (Box.Top + Box.Bottom - Markers->GetHeight()) / 2 + (Pressed ? 1 : 0),
                    Level->GetSortOrder() == soAscEh ? 0 : 1);
  }
}

TRect TCustomDBGridEh::GroupPanelArrowRect(Integer Index) const {
  const Integer Count = Integer(FGroupPanelRects.size());
  if (Index < 0 || FGroupPanelHeight <= 0) return TRect();
  const Integer O = FontTextWidthEh(GetFont(), u"o");
  const Integer HalfGap = std::max(1, O * 2 / 3 / 2);
  if (Count == 0) return TRect(O, 4, O + 1, std::max(5, FGroupPanelHeight - 5));
  Index = std::min(Index, Count);
  // The gap in front of box Index (after the last box when Index is the count).
  const TRect Beside = FGroupPanelRects[size_t(std::min(Index, Count - 1))];
  const Integer X = Index < Count ? Beside.Left - HalfGap - 1 : Beside.Right + HalfGap;
  return TRect(X, Beside.Top, X + 1, Beside.Bottom);
}

// A line through the gap with an arrow head at each end pointing at it.
void TCustomDBGridEh::DrawGroupPanelArrow(Integer Index) {
  const TRect Mark = GroupPanelArrowRect(Index);
  if (Mark.IsEmpty()) return;
  TCanvas* Canvas = GetCanvas();
  Canvas->GetPen()->SetColor(clWindowText);
  Canvas->GetPen()->SetWidth(1);
  Canvas->MoveTo(Mark.Left, Mark.Top);
  Canvas->LineTo(Mark.Left, Mark.Bottom);
  for (Integer I = 0; I < GroupPanelArrowHead; ++I) {
    const Integer Half = GroupPanelArrowHead - 1 - I;
    Canvas->MoveTo(Mark.Left - Half, Mark.Top - GroupPanelArrowHead + I);
    Canvas->LineTo(Mark.Left + Half + 1, Mark.Top - GroupPanelArrowHead + I);
    Canvas->MoveTo(Mark.Left - Half, Mark.Bottom + GroupPanelArrowHead - 1 - I);
    Canvas->LineTo(Mark.Left + Half + 1, Mark.Bottom + GroupPanelArrowHead - 1 - I);
  }
}

void TCustomDBGridEh::InvalidateGroupPanel() {
  if (FGroupPanelHeight <= 0 || !HandleAllocated()) return;
  const TRect Panel(0, 0, GetClientWidth(), FGroupPanelHeight);
  ::InvalidateRect(GetHandle(), &Panel, false);
}

void TCustomDBGridEh::GroupPanelDragOver(Integer X, Integer Y) {
  Integer Arrow = -1;
  const bool OverPanel = Y >= 0 && Y < FGroupPanelHeight && X >= 0 && X < GetClientWidth();
  // A pressed box only shows where it would go once it is really dragged.
  const bool Dragging = FGroupPanelDragColumn >= 0 || std::abs(X - FDownPos.X) > GroupPanelDragThreshold ||
                        std::abs(Y - FDownPos.Y) > GroupPanelDragThreshold;
  if (OverPanel && Dragging) Arrow = GroupPanelInsertIndex(X);
  if (Arrow == FGroupPanelArrowIndex) return;
  FGroupPanelArrowIndex = Arrow;
  InvalidateGroupPanel();
}

bool TCustomDBGridEh::ColumnMoveOntoGroupPanel(Integer X, Integer Y) {
  if (GetGridState() != gsColMoving || Y < 0 || Y >= FGroupPanelHeight || !FDataGrouping->GetMemTable()) return false;
  const Integer DataCol = RawToDataColumn(GetMoveIndex());
  if (DataCol < 0 || DataCol >= FColumns->GetCount()) return false;
  TCustomGridEh::CancelMode();
  FGroupPanelDragColumn = DataCol;
  FMouseTrackState = gmtsGroupPanelDragEh;
  SetMouseCapture(true);
  GroupPanelDragOver(X, Y);
  return true;
}

void TCustomDBGridEh::EndGroupPanelDrag() {
  if (FGroupPanelPressed >= 0 || FGroupPanelArrowIndex >= 0) InvalidateGroupPanel();
  FGroupPanelPressed = FGroupPanelDragColumn = FGroupPanelArrowIndex = -1;
}

TGridDataGroupLevelEh* TCustomDBGridEh::GetGroupSortDropDownLevel() const {
  if (!FGroupSortDropDownLevel) return nullptr;
  TGridDataGroupLevelsEh* Levels = FDataGrouping->GetGroupLevels();
  for (Integer I = 0; I < Levels->GetCount(); ++I)
    if (Levels->Items(I) == FGroupSortDropDownLevel) return FGroupSortDropDownLevel;
  return nullptr;
}

// The two sort items under the box; choosing one sets the level's order.
void TCustomDBGridEh::GroupLevelSortDropDown(Integer ActiveIndex) {
  if (ActiveIndex < 0 || ActiveIndex >= FDataGrouping->GetActiveGroupLevelsCount()) return;
  if (FTitleFilterListVisible) CloseUpTitleFilterList(false);
  TPopupListboxEh* List = TitleFilterList();
  SetTitleFilterListColumn(nullptr);
  FGroupSortDropDownLevel = FDataGrouping->GetActiveGroupLevel(ActiveIndex);
  TStrings* Items = List->GetItems();
  Items->BeginUpdate();
  {
    TScopeExitEh End([Items] { Items->EndUpdate(); });
    Items->Clear();
    Items->AddObject(LoadResStringEh(SSortAscendingEh), PopupListboxItemEhSort(smDownEh));
    Items->AddObject(LoadResStringEh(SSortDescendingEh), PopupListboxItemEhSort(smUpEh));
  }
  List->SetColor(GetColor());
  List->SetFont(GetFont());
  List->SetItemHeight(List->GetTextHeight());
  Integer Width = 0;
  for (Integer I = 0; I < Items->GetCount(); ++I) Width = std::max(Width, FontTextWidthEh(GetFont(), Items->Get(I)));
  const TRect Box = FGroupPanelRects[size_t(ActiveIndex)];
  List->SetWidth(std::max(Box.Width(), Width + DefaultEditButtonWidthEh() + 12));
  List->SetRowCount(Items->GetCount());
  List->SetItemIndex(-1);
  ShowTitleFilterListUnder(Box);
  InvalidateGroupPanel();
}

void TCustomDBGridEh::DropColumnOnGroupPanel(TColumnEh* Column, Integer X) {
  if (!Column) return;
  const Integer Position = GroupPanelInsertIndex(X);
  TGridDataGroupLevelsEh* Levels = FDataGrouping->GetGroupLevels();
  // The new level goes in front of the level now active at that position.
  Integer CollectionIndex = Levels->GetCount();
  if (Position < FDataGrouping->GetActiveGroupLevelsCount())
    CollectionIndex = FDataGrouping->GetActiveGroupLevel(Position)->GetIndex();
  Levels->BeginUpdate();
  TScopeExitEh End([&] { Levels->EndUpdate(); });
  TGridDataGroupLevelEh* Level = Levels->Add();
  Level->SetIndex(CollectionIndex);
  Level->SetColumn(Column);
  Column->SetVisible(false);
}

void TCustomDBGridEh::DropGroupLevelBox(Integer ActiveIndex, Integer X, Integer Y) {
  if (ActiveIndex < 0 || ActiveIndex >= FDataGrouping->GetActiveGroupLevelsCount()) return;
  TGridDataGroupLevelEh* Level = FDataGrouping->GetActiveGroupLevel(ActiveIndex);
  // Dropped out of the panel, the level goes and its column shows again.
  if (Y < 0 || Y >= FGroupPanelHeight || X < 0 || X >= GetClientWidth()) {
    TColumnEh* Column = Level->GetColumn();
    delete Level;
    if (Column) Column->SetVisible(true);
    return;
  }
  Integer Position = GroupPanelInsertIndex(X);
  if (Position > ActiveIndex) --Position;
  if (Position == ActiveIndex) return;
  Level->SetIndex(FDataGrouping->GetActiveGroupLevel(Position)->GetIndex());
}

bool TCustomDBGridEh::GroupPanelMouseDown(TMouseButton Button, Integer X, Integer Y) {
  if (FGroupPanelHeight <= 0 || Y >= FGroupPanelHeight || Button != mbLeft) return false;
  const Integer Box = GroupLevelBoxAt(X, Y);
  if (Box < 0) return true;
  // With the filter row in the titles, the end of a box drops the level's sort list.
  if (FSTFilter->GetVisible() && FSTFilter->GetLocation() == stflInTitleFilterEh &&
      X >= FGroupPanelRects[size_t(Box)].Right - GroupPanelDropDownWidth) {
    const bool Open = FTitleFilterListVisible && GetGroupSortDropDownLevel() == FDataGrouping->GetActiveGroupLevel(Box);
    if (FTitleFilterListVisible) CloseUpTitleFilterList(false);
    if (!Open) GroupLevelSortDropDown(Box);
    return true;
  }
  TColumnEh* Column = FDataGrouping->GetActiveGroupLevel(Box)->GetColumn();
  if (!Column || !Column->GetTitle()->GetTitleButton()) return true;
  FGroupPanelPressed = Box;
  FMouseTrackState = gmtsGroupPanelDragEh;
  SetMouseCapture(true);
  Invalidate();
  return true;
}

bool TCustomDBGridEh::GroupPanelMouseUp(Integer X, Integer Y) {
  if (FMouseTrackState != gmtsGroupPanelDragEh) return false;
  FMouseTrackState = gmtsNoneEh;
  SetMouseCapture(false);
  const Integer Pressed = FGroupPanelPressed, DragColumn = FGroupPanelDragColumn;
  EndGroupPanelDrag();
  Invalidate();
  if (DragColumn >= 0) {
    // A column title carried onto the panel.
    if (Y >= 0 && Y < FGroupPanelHeight && DragColumn < FColumns->GetCount())
      DropColumnOnGroupPanel(FColumns->Items(DragColumn), X);
    return true;
  }
  if (Pressed < 0) return true;
  if (GroupLevelBoxAt(X, Y) == Pressed) {
    // A click on a box turns its level's order round and keeps the current group row.
    TGroupDataTreeNodeEh* Current = FCurrentGroupNode;
    TGridDataGroupLevelEh* Level = FDataGrouping->GetActiveGroupLevel(Pressed);
    Level->SetSortOrder(Level->GetSortOrder() == soAscEh ? soDescEh : soAscEh);
    FCurrentGroupNode = Current;
    return true;
  }
  DropGroupLevelBox(Pressed, X, Y);
  return true;
}

// ---- Keys and clicks on group rows -------------------------------------------------------------------------

bool TCustomDBGridEh::HandleGroupRowKey(Word& Key, TShiftState Shift) {
  if (!GroupedRows() || Shift.Contains(ssShift) || Shift.Contains(ssAlt) || Shift.Contains(ssCtrl)) return false;
  const Integer Page = std::max(1, VisibleDataRows());
  switch (Key) {
    case VK_UP: MoveGroupedBy(-1); break;
    case VK_DOWN: MoveGroupedBy(1); break;
    case VK_PRIOR: MoveGroupedBy(-Page); break;
    case VK_NEXT: MoveGroupedBy(Page); break;
    default: {
      TGroupDataTreeNodeEh* Node = GroupNodeOfRow(CurrentFlatIndex());
      if (!Node || !Node->IsGroup() || Node != FCurrentGroupNode) return false;
      if (Key == VK_ADD) Node->SetExpanded(true);
      else if (Key == VK_SUBTRACT) Node->SetExpanded(false);
      else if (Key == VK_MULTIPLY) Node->SetExpanded(!Node->GetExpanded());
      else if (Key == VK_LEFT && Node->GetExpanded()) Node->SetExpanded(false);
      else if (Key == VK_RIGHT && !Node->GetExpanded()) Node->SetExpanded(true);
      else if (Key == VK_ESCAPE) {
        if (FDataLink->GetDataSet()->GetState() != dsBrowse) FDataLink->GetDataSet()->Cancel();
        HideEditor();
      } else return false;
      SyncActiveRow();
      break;
    }
  }
  Key = 0;
  return true;
}

bool TCustomDBGridEh::GroupRowMouseDown(TMouseButton Button, TShiftState, Integer X, Integer Y) {
  if (!GroupedRows()) return false;
  const TGridCoord Cell = MouseCoord(X, Y);
  const Integer DataRow = Cell.Y - GetTitleRowCount();
  TGroupDataTreeNodeEh* Node = GroupNodeOfRow(DataRow);
  if (!Node || !Node->IsGroup() || Cell.X < FIndicatorOffset) return false;
  SetCurrentFlatIndex(DataRow);
  if (Button != mbLeft) return true;
  const TRect RowRect = BoxRect(FIndicatorOffset, Cell.Y, GetColCount() - 1, Cell.Y);
  const Integer ButtonLeft = RowRect.Left + (Node->GetLevel() - 1) * GroupLevelIndent;
  if (X >= ButtonLeft && X < ButtonLeft + GroupLevelIndent) {
    Node->SetExpanded(!Node->GetExpanded());
    SyncActiveRow();
  }
  return true;
}
