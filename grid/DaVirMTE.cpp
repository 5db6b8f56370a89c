// The in-memory table's dataset features: sorting, filtering, the tree-aware
// text search and the filter drop-down values.
//
// The tree search walks nodes, not rows: a collapsed branch has no rows, yet
// its records are searched. Each node is read through the table's instant
// read, so the table's cursor stays until a match is found; the match's
// ancestors are then expanded and the table moves to it.

#include "grid/DaVirMTE.h"

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "grid/DBGridEhGrouping.h"
#include "grid/DbUtilsEh_Internal.h"
#include "grid/ScopeGuardEh.h"
#include "memtable/DataDriverEh.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"

namespace {

constexpr const char16_t* SDataDriverIsEmptyEh = u"MemTableEh.DataDriver is empty";

Integer DaVirMTEUsers = 0;

TDataDriverEh* RequireDataDriver(TCustomMemTableEh* Table) {
  if (!Table->GetDataDriver()) throw Exception(SDataDriverIsEmptyEh);
  return Table->GetDataDriver();
}

void Reopen(TDataSet* DataSet) {
  DataSet->Close();
  DataSet->Open();
}

// The driver's select text with its ORDER BY line made from the grid's sort markers.
String OrderBySelectText(const String& SelectText, TCustomDBGridEh* Grid, bool SortUsingFieldName) {
  TStringList Lines;
  Lines.SetText(SelectText);
  String Order;
  for (IDataGridColumnEh* Column : Grid->GetSortMarkedGridColumns()) {
    TField* Field = Column->GetField();
    Order += SortUsingFieldName || !Field ? Column->GetFieldName()
                                          : (Field->GetOrigin().empty() ? Field->GetFieldName() : Field->GetOrigin());
    Order += Column->GetTitleSortMarker() == smUpEh ? u" DESC, " : u", ";
  }
  if (!Order.empty()) Order = u"ORDER BY " + Order.substr(0, Order.size() - 2);
  Integer Line = -1;
  for (Integer I = 0; I < Lines.GetCount() && Line < 0; ++I)
    if (WideUpperCaseEh(Copy(Lines.Get(I), 1, 8)) == u"ORDER BY") Line = I;
  if (Line < 0) Line = Lines.Add(String());
  Lines.Put(Line, Order);
  return Lines.GetText();
}

// The driver's select text with the grid's filter in its marker line; the text
// as it was when it has no marker line.
String FilteredSelectText(const String& SelectText, TCustomDBGridEh* Grid, const TDateValueToSQLStringEh& DateWriter) {
  TStringList Lines;
  Lines.SetText(SelectText);
  const String Marker = STFilterSQLMarkerEh;
  const String UpperMarker = WideUpperCaseEh(Marker);
  for (Integer I = 0; I < Lines.GetCount(); ++I) {
    if (WideUpperCaseEh(Copy(Lines.Get(I), 1, Length(UpperMarker))) != UpperMarker) continue;
    String Condition;
    BuildGridFilterText(Grid, &BuildSQLCondition, DateWriter, Condition, false, true);
    if (Condition.empty()) Condition = u"1=1";
    Lines.Put(I, Marker + u" (" + Condition + u")");
    return Lines.GetText();
  }
  return SelectText;
}

// ---- The tree walk -------------------------------------------------------------------------------------
//
// Nodes a filter hides are not walked; whether a branch is expanded does not matter.

TBaseTreeNodeEh* LastDescendant(TBaseTreeNodeEh* Node) {
  while (Node->GetVisibleCount() > 0) Node = Node->VisibleItems(Node->GetVisibleCount() - 1);
  return Node;
}

// The nodes one search visits, in display order: every node, the children of
// one parent, or one node and everything below it.
class TTreeRange {
public:
  enum TKind { AllNodes, Level, Branch };
  TTreeRange(TKind Kind, TBaseTreeNodeEh* Anchor) : FKind(Kind), FAnchor(Anchor) {}

  TBaseTreeNodeEh* First() const {
    switch (FKind) {
      case Branch: return FAnchor;
      default: return FAnchor->GetVisibleCount() > 0 ? FAnchor->VisibleItems(0) : nullptr;
    }
  }
  TBaseTreeNodeEh* Last() const {
    switch (FKind) {
      case Branch: return LastDescendant(FAnchor);
      case Level:
        return FAnchor->GetVisibleCount() > 0 ? FAnchor->VisibleItems(FAnchor->GetVisibleCount() - 1) : nullptr;
      default: return FAnchor->GetVisibleCount() > 0 ? LastDescendant(FAnchor) : nullptr;
    }
  }
  bool Contains(TBaseTreeNodeEh* Node) const {
    if (!Node->GetVisible()) return false;
    switch (FKind) {
      case Level: return Node->GetParent() == FAnchor;
      case Branch:
        for (TBaseTreeNodeEh* N = Node; N; N = N->GetParent())
          if (N == FAnchor) return true;
        return false;
      default: return true;
    }
  }
  TBaseTreeNodeEh* Next(TBaseTreeNodeEh* Node) const {
    if (FKind == Level) return NextSibling(Node);
    if (Node->GetVisibleCount() > 0) return Node->VisibleItems(0);
    // Up to the first ancestor with a following sibling, never past the range's top.
    const TBaseTreeNodeEh* Top = FKind == Branch ? FAnchor : nullptr;
    for (TBaseTreeNodeEh* N = Node; N != Top && N->GetParent(); N = N->GetParent())
      if (TBaseTreeNodeEh* Sibling = NextSibling(N)) return Sibling;
    return nullptr;
  }
  TBaseTreeNodeEh* Prior(TBaseTreeNodeEh* Node) const {
    if (FKind == Branch && Node == FAnchor) return nullptr;
    const Integer Index = Node->GetVisibleIndex();
    TBaseTreeNodeEh* Parent = Node->GetParent();
    if (FKind == Level) return Index > 0 ? Parent->VisibleItems(Index - 1) : nullptr;
    if (Index > 0) return LastDescendant(Parent->VisibleItems(Index - 1));
    return Parent->GetParent() ? Parent : nullptr;
  }

private:
  static TBaseTreeNodeEh* NextSibling(TBaseTreeNodeEh* Node) {
    TBaseTreeNodeEh* Parent = Node->GetParent();
    const Integer Index = Node->GetVisibleIndex();
    return Index + 1 < Parent->GetVisibleCount() ? Parent->VisibleItems(Index + 1) : nullptr;
  }

  TKind FKind;
  TBaseTreeNodeEh* FAnchor;  // the root, the parent of a level, or the top of a branch
};

// The search position: a node and, when every column is searched, a column.
struct TTreeWalk {
  const TTreeRange& Range;
  TBaseTreeNodeEh* Node;
  Integer Column;
  Integer ColumnCount;
  bool AllColumns;
  bool Up;

  void Step() {
    if (AllColumns) {
      if (!Up && Column + 1 < ColumnCount) {
        ++Column;
        return;
      }
      if (Up && Column > 0) {
        --Column;
        return;
      }
      Column = Up ? ColumnCount - 1 : 0;
    }
    Node = Up ? Range.Prior(Node) : Range.Next(Node);
  }
};

Integer IndexOfColumn(const std::vector<IDataGridColumnEh*>& Columns, IDataGridColumnEh* Column) {
  for (size_t I = 0; I < Columns.size(); ++I)
    if (Columns[I] == Column) return Integer(I);
  return -1;
}

// Opens every collapsed ancestor of the record's node and makes the record current.
// Each opening updates the row counts of the node's ancestors alone, so the
// reveal costs the path, not the table: the table resyncs once, at the end.
void RevealAndGoTo(TCustomMemTableEh* Table, TMemRecViewEh* Node) {
  {
    TControlsDisabledScopeEh Controls(Table);
    for (TBaseTreeNodeEh* P = Node->GetParent(); P && P->GetParent(); P = P->GetParent())
      if (!P->GetExpanded()) P->SetExpanded(true);
  }
  Table->GotoRecord(Node->GetRec());
}

}  // namespace

String BracketFieldNameEh(const String& FieldName) {
  if (FieldName.find_first_of(u" ,;") != String::npos) return u"[" + FieldName + u"]";
  return FieldName;
}

String BuildMTEOrderTextEh(TCustomDBGridEh* Grid) {
  String Text;
  // Grouping levels always sort first, so the groups' records come together.
  TDBGridEhDataGroupsEh* Groups = Grid->GetDataGrouping();
  if (Groups->IsGroupingWorks())
    for (Integer I = 0; I < Groups->GetActiveGroupLevelsCount(); ++I) {
      TGridDataGroupLevelEh* Level = Groups->GetActiveGroupLevel(I);
      Text += BracketFieldNameEh(Level->GetColumn()->GetFieldName()) + u" ";
      if (Level->GetSortOrder() == soDescEh) Text += u" DESC";
      Text += u",";
    }
  TColumnsEhList* Marked = Grid->GetSortMarkedColumns();
  for (Integer I = 0; I < Marked->Count(); ++I) {
    TColumnEh* Column = Marked->Items(I);
    if (!Column) continue;
    Text += BracketFieldNameEh(Column->GetFieldName()) + u" ";
    if (Column->GetTitle()->GetSortMarker() == smUpEh) Text += u" DESC";
    Text += u",";
  }
  if (!Text.empty()) Text.pop_back();
  return Text;
}

// ---- The features ---------------------------------------------------------------------------------------

TMTEDatasetFeaturesEh::TMTEDatasetFeaturesEh() { SetSupportsLocalLike(true); }

void TMTEDatasetFeaturesEh::ApplySorting(TComponent* Grid, TDataSet* DataSet, bool) {
  auto* GridEh = dynamic_cast<TCustomDBGridEh*>(Grid);
  if (!GridEh) return;
  auto* Table = dynamic_cast<TCustomMemTableEh*>(DataSet);
  // A table without a data driver has no server to sort on: it sorts itself.
  if (GridEh->GetSortLocal() || (Table && !Table->GetDataDriver())) {
    const String Order = BuildMTEOrderTextEh(GridEh);
    // Sorting by nothing would only shuffle records that compare equal.
    if (Table && !Order.empty()) Table->SortByFields(Order);
    return;
  }
  if (!Table) return;
  TDataDriverEh* Driver = RequireDataDriver(Table);
  if (TDataSet* Provider = Driver->GetProviderDataSet()) {
    if (TDatasetFeaturesEh* Features = GetDatasetFeaturesForDataSet(Provider))
      Features->ApplySorting(Grid, Provider, false);
    Reopen(Table);
  } else if (Driver->HasDriverSelectCommand()) {
    Driver->SetDriverSelectText(OrderBySelectText(Driver->GetDriverSelectText(), GridEh, GetSortUsingFieldName()));
    Reopen(Table);
  }
}

void TMTEDatasetFeaturesEh::ApplyFilter(TComponent* Grid, TDataSet* DataSet, bool IsReopen) {
  auto* GridEh = dynamic_cast<TCustomDBGridEh*>(Grid);
  if (!GridEh || !DataSet) return;
  if (GridEh->GetSTFilter()->GetLocal()) {
    TSQLDatasetFeaturesEh::ApplyFilter(Grid, DataSet, IsReopen);
    return;
  }
  auto* Table = dynamic_cast<TCustomMemTableEh*>(DataSet);
  if (!Table) return;
  TDataDriverEh* Driver = RequireDataDriver(Table);
  if (TDataSet* Provider = Driver->GetProviderDataSet()) {
    if (TDatasetFeaturesEh* Features = GetDatasetFeaturesForDataSet(Provider))
      Features->ApplyFilter(Grid, Provider, false);
    Reopen(Table);
  } else if (Driver->HasDriverSelectCommand()) {
    Driver->SetDriverSelectText(FilteredSelectText(Driver->GetDriverSelectText(), GridEh, DateValueToSQLString));
  }
}

void TMTEDatasetFeaturesEh::ExecuteFindDialog(TComponent* Grid, const String& Text, const String& FieldName,
                                              bool Modal) {
  auto* GridEh = dynamic_cast<TCustomDBGridEh*>(Grid);
  TDataSet* DataSet = GridEh && GridEh->GetDataSource() ? GridEh->GetDataSource()->GetDataSet() : nullptr;
  if (!DataSet || !DataSet->GetActive()) return;
  FFindDialogTable = nullptr;
  FFindDialogRec = nullptr;
  auto* Table = dynamic_cast<TCustomMemTableEh*>(DataSet);
  if (Table && Table->GetTreeList()->GetActive())
    if (TMemRecViewEh* Node = Table->GetCurrentTreeNode()) {
      FFindDialogTable = Table;
      FFindDialogRec = Node->GetRec();
    }
  TSQLDatasetFeaturesEh::ExecuteFindDialog(Grid, Text, FieldName, Modal);
}

void TMTEDatasetFeaturesEh::FillSTFilterListValues(TComponent* Grid, TColumnEh* Column, TStrings* Items) {
  auto* GridEh = dynamic_cast<TCustomDBGridEh*>(Grid);
  if (GridEh && GridEh->GetCenter()) GridEh->GetCenter()->FillSTFilterListValuesDefault(GridEh, Column, Items);
}

bool TMTEDatasetFeaturesEh::LocateText(TComponent* Grid, const String& FieldName, const String& Text,
                                       TLocateTextOptionsEh Options, TLocateTextDirectionEh Direction,
                                       TLocateTextMatchingEh Matching, TLocateTextTreeFindRangeEh TreeFindRange) {
  auto* GridIntf = dynamic_cast<IDataGridEh*>(Grid);
  TDataSet* DataSet = GridIntf ? GridDataSetEh(GridIntf) : nullptr;
  if (!DataSet || !DataSet->GetActive()) return false;
  auto* Table = dynamic_cast<TCustomMemTableEh*>(DataSet);
  if (!Table || !Table->GetTreeList()->GetActive() || TreeFindRange == lttExpandedBranchesEh)
    return TSQLDatasetFeaturesEh::LocateText(Grid, FieldName, Text, Options, Direction, Matching, TreeFindRange);

  Table->CheckBrowseMode();
  if (Table->Bof() && Table->Eof()) return false;
  TMemRecViewEh* Current = Table->GetCurrentTreeNode();
  const std::vector<IDataGridColumnEh*> Visible = GridIntf->GetVisibleGridColumns();
  IDataGridColumnEh* Start = LocateStartColumnEh(GridIntf, FieldName, Visible);
  if (Visible.empty() || !Current) return false;
  const bool AllColumns = (Options & ltoAllColumnsEh) != 0;
  if (!AllColumns && !Start) return false;

  // The level and the branch are those of the node current when the find
  // dialog opened, or of the current node when it is gone.
  TMemoryTreeListEh* Tree = Table->GetRecordsView()->GetTreeList();
  TBaseTreeNodeEh* Remembered = FFindDialogTable == Table ? Tree->NodeOfRecord(FFindDialogRec) : nullptr;
  if (!Remembered || !Remembered->GetVisible()) Remembered = Current;
  const TTreeRange Range = TreeFindRange == lttCurrentLevelEh ? TTreeRange(TTreeRange::Level, Remembered->GetParent())
                           : TreeFindRange == lttCurrentBranchEh ? TTreeRange(TTreeRange::Branch, Remembered)
                                                                 : TTreeRange(TTreeRange::AllNodes, Tree->GetRoot());

  const bool Up = Direction == ltdUpEh;
  Integer Column = IndexOfColumn(Visible, Start);
  if (AllColumns && (Column < 0 || Direction == ltdAllEh)) Column = 0;
  TTreeWalk Walk{Range, Current, Column, Integer(Visible.size()), AllColumns, Up};
  if (Direction == ltdAllEh) {
    Walk.Node = Range.First();
  } else if (!Range.Contains(Current)) {
    // Searching a range the current record lies outside starts at its end nearest the direction.
    Walk.Node = Up ? Range.Last() : Range.First();
    if (AllColumns) Walk.Column = Up ? Walk.ColumnCount - 1 : 0;
  } else {
    Walk.Step();
  }

  const bool IgnoreCase = (Options & ltoIgnoreCaseEh) != 0;
  const String Wanted = IgnoreCase ? WideUpperCaseEh(Text) : Text;
  TEscapeWatchEh Escape(GridIntf);
  TMemRecViewEh* Found = nullptr;
  IDataGridColumnEh* FoundColumn = nullptr;
  {
    TControlsDisabledScopeEh Controls(Table);
    for (; Walk.Node; Walk.Step()) {
      IDataGridColumnEh* CellColumn = AllColumns ? Visible[size_t(Walk.Column)] : Start;
      auto* Node = static_cast<TMemRecViewEh*>(Walk.Node);
      Table->InstantReadEnterTreeNode(Node, -1);
      String Cell;
      {
        TScopeExitEh Leave([Table] { Table->InstantReadLeave(); });
        Cell = LocateCellTextEh(CellColumn, Options);
      }
      if (LocateTextMatchesEh(IgnoreCase ? WideUpperCaseEh(Cell) : Cell, Wanted, Matching)) {
        Found = Node;
        FoundColumn = CellColumn;
        break;
      }
      if ((Options & ltoEscapeStopsEh) && Escape.Pressed()) break;
    }
  }
  if (!Found) return false;
  const Integer Index = IndexOfColumn(GridIntf->GetGridColumns(), FoundColumn);
  if (Index >= 0) GridIntf->SetSelectedIndex(Index);
  RevealAndGoTo(Table, Found);
  return true;
}

// ---- The unit's start and end --------------------------------------------------------------------------

void InitDaVirMTEUnit() {
  if (DaVirMTEUsers++ > 0) return;
  RegisterDatasetFeaturesEh(TMTEDatasetFeaturesEh::StaticClass(), TCustomMemTableEh::StaticClass());
}

// The registration stays: the registry frees its objects at its own end.
void FinalDaVirMTEUnit() {
  if (DaVirMTEUsers > 0) --DaVirMTEUsers;
}
