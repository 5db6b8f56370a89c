// The filter row's model: a column's filter cell (TSTColumnFilterEh), the grid's
// filter-row switches (TSTDBGridEhFilter), and the grid's applying of the row.
//
// A column filter keeps what the user typed or picked twice: as the text
// (ExpressionStr) and as the condition the parser read from it (Expression).
// For a lookup column, or one whose filter names a list data set, the shown
// texts and the stored keys differ: the condition is stored in keys, and the
// drop-down and the simple-filter dialog show texts. Applying the filter row
// goes from the grid to its center and on to the dataset's features object.

#include <exception>

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "grid/DbUtilsEh_Internal.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"
#include "platform/data/Fields.h"

// The list data set's end of a column filter: every change of its data refills
// the filter's lists of shown texts and keys.
class TSTFilterListLinkEh : public TDataLink {
public:
  explicit TSTFilterListLinkEh(TSTColumnFilterEh* Filter) : FFilter(Filter) {}

protected:
  void ActiveChanged() override { FFilter->ListDataChanged(); }
  void RecordChanged(TField*) override { FFilter->ListDataChanged(); }

private:
  TSTColumnFilterEh* FFilter;
};

namespace {

// The elements of an operand: each element of an array, else the operand itself.
std::vector<Variant> OperandValues(const Variant& Operand) {
  std::vector<Variant> Values;
  if (!Operand.IsArray()) {
    Values.push_back(Operand);
    return Values;
  }
  for (Integer I = VarArrayLowBound(Operand); I <= VarArrayHighBound(Operand); ++I)
    Values.push_back(VarArrayGet(Operand, I));
  return Values;
}

// Applies Map to a single operand or to each element of an array operand.
template <class F>
void MapOperand(Variant& Operand, F&& Map) {
  if (!Operand.IsArray()) {
    Operand = Map(Operand);
    return;
  }
  for (Integer I = VarArrayLowBound(Operand); I <= VarArrayHighBound(Operand); ++I)
    VarArrayPut(Operand, Map(VarArrayGet(Operand, I)), I);
}

bool ComparesValues(TSTFilterOperatorEh Operator) { return Operator >= foEqualEh && Operator <= foNotInEh; }

String FormatOperand(const Variant& Operand) {
  switch (Operand.VarType()) {
    case varDouble: return FloatToStr(Operand.AsDouble());
    case varDate: {
      String Text;
      DateTimeToString(Text, FormatSettings.ShortDateFormat, Operand.AsDateTime());
      return Text;
    }
    default: return QuotedStr(VarToStr(Operand));
  }
}

String ConditionText(TSTFilterOperatorEh Operator, const Variant& Operand) {
  switch (Operator) {
    case foNullEh: return u"=Null";
    case foNotNullEh: return u"<>Null";
    case foInEh:
    case foNotInEh: {
      String List;
      for (const Variant& Value : OperandValues(Operand)) List += FormatOperand(Value) + u",";
      if (!List.empty()) List.pop_back();
      return String(STFilterOperatorTextsEh[Operator]) + u" (" + List + u")";
    }
    default: return String(STFilterOperatorTextsEh[Operator]) + u" " + FormatOperand(Operand);
  }
}

// Whether a shown text needs quotes to be read back as one value.
bool NeedsQuotes(const String& Text, bool InList) {
  if (Text.empty()) return false;
  const String Upper = WideUpperCaseEh(Text);
  return (InList && Pos(u",", Text) > 0) || Text.front() == u' ' || Text.front() == u'\'' || Text.back() == u' ' ||
         (Upper.size() >= 3 && Upper.compare(Upper.size() - 3, 3, u" OR") == 0) ||
         (Upper.size() >= 4 && Upper.compare(Upper.size() - 4, 4, u" AND") == 0) || Upper == u"OR" || Upper == u"AND";
}

}  // namespace

// ---- A column's filter cell -------------------------------------------------------------------------

TSTColumnFilterEh::TSTColumnFilterEh(TColumnEh* Column)
    : FColumn(Column),
      FKeyValues(std::make_unique<TStringList>()),
      FListValues(std::make_unique<TStringList>()),
      FListLink(std::make_unique<TSTFilterListLinkEh>(this)) {
  ClearSTFilterExpression(FExpression);
}

TSTColumnFilterEh::~TSTColumnFilterEh() {
  // The link may still hear its data source while it goes: it must not refill then.
  FRefilling = true;
  FListLink.reset();
}

void TSTColumnFilterEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TSTColumnFilterEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FDataField = S->FDataField;
  SetVisible(S->FVisible);
  FKeyField = S->FKeyField;
  FListField = S->FListField;
  SetListSource(S->GetListSource());
}

TDataSource* TSTColumnFilterEh::GetListSource() const { return FListLink->GetDataSource(); }

void TSTColumnFilterEh::SetListSource(TDataSource* Value) {
  if (Value)
    if (TCustomDBGridEh* Grid = FColumn->GetGrid()) Value->FreeNotification(Grid);
  if (FListLink->GetDataSource() == Value) {
    FColumn->ReleaseFilterValueList();
    return;
  }
  FListLink->SetDataSource(Value);
  ListDataChanged();
}

void TSTColumnFilterEh::SetKeyField(const String& Value) {
  if (FKeyField == Value) return;
  FKeyField = Value;
  ListDataChanged();
}

void TSTColumnFilterEh::SetListField(const String& Value) {
  if (FListField == Value) return;
  FListField = Value;
  ListDataChanged();
}

void TSTColumnFilterEh::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  FColumn->Changed(false);
}

bool TSTColumnFilterEh::LookupFieldInEffect() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  TDataSet* DataSet = Grid ? Grid->GetDataLink()->GetDataSet() : nullptr;
  TField* Field = FColumn->GetField();
  return DataSet && DataSet->GetActive() && Field && Field->GetFieldKind() == fkLookup;
}

String TSTColumnFilterEh::GetDataField() const {
  if (!FDataField.empty()) return FDataField;
  if (LookupFieldInEffect()) return FColumn->GetField()->GetKeyFields();
  return FColumn->GetFieldName();
}

String TSTColumnFilterEh::GetKeyField() const {
  if (!FKeyField.empty()) return FKeyField;
  if (LookupFieldInEffect()) return FColumn->GetField()->GetLookupKeyFields();
  return String();
}

String TSTColumnFilterEh::GetListField() const {
  if (!FListField.empty()) return FListField;
  if (LookupFieldInEffect()) return FColumn->GetField()->GetLookupResultField();
  return String();
}

TDataSet* TSTColumnFilterEh::GetListDataSet() const {
  if (TDataSource* Source = GetListSource()) return Source->GetDataSet();
  if (LookupFieldInEffect()) return FColumn->GetField()->GetLookupDataSet();
  return nullptr;
}

Variant TSTColumnFilterEh::GetValue() const { return GetKeyField().empty() ? FExpression.Operand1 : FKeyValue; }

// Shown texts and keys are looked up in the list data set only while it is open.
bool TSTColumnFilterEh::ListLookupInEffect() const {
  TDataSet* ListData = GetListDataSet();
  return !GetKeyField().empty() && ListData && ListData->GetActive() && !GetListField().empty();
}

Variant TSTColumnFilterEh::KeyToListText(const Variant& Key) const {
  return GetListDataSet()->Lookup(GetKeyField(), Key, GetListField());
}

Variant TSTColumnFilterEh::ListTextToKey(const Variant& Text) const {
  return GetListDataSet()->Lookup(GetListField(), Text, GetKeyField());
}

void TSTColumnFilterEh::SetExpressionStr(const String& Text) {
  TSTFilterValueTypeEh Type = stvtNoneEh;
  if (TField* Field = FColumn->GetField()) Type = STFilterValueTypeOfFieldTypeEh(Field->GetDataType());
  // Conditions on pick-list or list data set columns are typed in the shown texts.
  if ((FColumn->HasKeyListItems() && FColumn->HasPickListItems()) || ListLookupInEffect()) Type = stvtStringEh;
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  const TSTFilterDefaultOperatorEh Default =
      Grid && Grid->GetCenter() ? Grid->GetCenter()->GetDefaultOperator(Type) : fdoNoneEh;
  // A text refused part-way leaves the column's condition as it was.
  TSTFilterExpressionEh Expression;
  Expression.ExpressionType = Type;
  ParseFilterExpression(Text, Expression, Default);
  ConvertPickListOperands(Expression);
  FExpression = std::move(Expression);
  FExpressionStr = Text;
  if (!ListLookupInEffect()) return;
  // The user names shown texts; the dataset stores their keys.
  if (FExpression.Operator1 != foNoneEh)
    MapOperand(FExpression.Operand1, [this](const Variant& V) { return ListTextToKey(V); });
  if (FExpression.Operator2 != foNoneEh)
    MapOperand(FExpression.Operand2, [this](const Variant& V) { return ListTextToKey(V); });
}

void TSTColumnFilterEh::ConvertPickListOperands(TSTFilterExpressionEh& Expression) const {
  if (!FColumn->HasKeyListItems() || !FColumn->HasPickListItems()) return;
  TStrings* KeyList = FColumn->GetKeyList();
  TStrings* PickList = FColumn->GetPickList();
  auto ToKey = [&](const Variant& Value) {
    const Integer Index = PickList->IndexOf(VarToStr(Value));
    return Index >= 0 && Index < KeyList->GetCount() ? Variant(KeyList->Get(Index)) : Value;
  };
  if (ComparesValues(Expression.Operator1)) MapOperand(Expression.Operand1, ToKey);
  if (ComparesValues(Expression.Operator2)) MapOperand(Expression.Operand2, ToKey);
}

String TSTColumnFilterEh::GetExpressionAsText() const {
  if (FExpression.ExpressionType == stvtNoneEh || FExpression.Operator1 == foNoneEh) return String();
  if (GetListSource()) {
    // A list filter shows the values alone.
    if (!FExpression.Operand1.IsArray()) return VarToStr(FExpression.Operand1);
    String Text;
    for (const Variant& Value : OperandValues(FExpression.Operand1)) Text += QuotedStr(VarToStr(Value)) + u",";
    if (!Text.empty()) Text.pop_back();
    return Text;
  }
  String Text = ConditionText(FExpression.Operator1, FExpression.Operand1);
  if (FExpression.Relation != foNoneEh)
    Text += u" " + String(STFilterOperatorTextsEh[FExpression.Relation]) + u" " +
            ConditionText(FExpression.Operator2, FExpression.Operand2);
  return Text;
}

void TSTColumnFilterEh::Clear() {
  FKeyValue = Variant();
  SetExpressionStrAndRefresh(String());
}

void TSTColumnFilterEh::SetExpressionStrAndRefresh(const String& Text) {
  SetExpressionStr(Text);
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  if (!Grid) return;
  Grid->Invalidate();
  TInplaceFilterEditEh* Editor = Grid->GetFilterEditor();
  if (Editor && Editor->GetVisible() && Editor->GetColumn() == FColumn) Editor->SetText(FExpressionStr);
}

std::shared_ptr<IMemTableDataFieldValueListEh> TSTColumnFilterEh::CreateListSourceValueList() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  TDataSource* ListSource = GetListSource();
  TDataSet* ListData = ListSource ? ListSource->GetDataSet() : nullptr;
  TDataSet* DataSet = Grid ? Grid->GetDataLink()->GetDataSet() : nullptr;
  if (!DataSet || !DataSet->GetActive() || !ListData || !ListData->GetActive()) return nullptr;
  const String Name = FListField.empty() ? FColumn->GetFieldName() : FListField;
  if (!ListData->FindField(Name)) return nullptr;
  auto List = std::make_shared<TDatasetFieldValueListEh>();
  List->SetFieldName(Name);
  List->SetDataSource(ListSource);
  return List;
}

String TSTColumnFilterEh::ValueToDisplayText(const Variant& Operand, TSTFilterOperatorEh Operator) const {
  const bool InList = Operator == foInEh || Operator == foNotInEh;
  auto Shown = [&](const Variant& Value) {
    const String Text = VarToStr(ListLookupInEffect() ? KeyToListText(Value) : Value);
    return NeedsQuotes(Text, InList) ? QuotedStr(Text) : Text;
  };
  if (!Operand.IsArray()) return Shown(Operand);
  String Text;
  for (const Variant& Value : OperandValues(Operand)) Text += Shown(Value) + u",";
  if (!Text.empty()) Text.pop_back();
  return Text;
}

void TSTColumnFilterEh::SetCheckStatesFromExpression(TStrings* Items) {
  std::vector<Variant> Values;
  if (FExpression.Operator1 == foInEh) {
    Values = OperandValues(FExpression.Operand1);
  } else if (FExpression.Operator1 == foEqualEh) {
    Values.push_back(FExpression.Operand1);
    if (FExpression.Relation == foOrEh && FExpression.Operator2 == foEqualEh) Values.push_back(FExpression.Operand2);
  }
  const bool Mapped = ListLookupInEffect();
  const Integer Count = std::min(Items->GetCount(), Integer(FItemCheckStates.size()));
  for (const Variant& Value : Values) {
    const String Text = VarToStr(Mapped ? KeyToListText(Value) : Value);
    for (Integer I = 0; I < Count; ++I)
      if (dynamic_cast<TPopupListboxItemEhData*>(Items->GetObject(I)) && Items->Get(I) == Text)
        FItemCheckStates[size_t(I)] = 1;
  }
}

void TSTColumnFilterEh::ApplyCheckedItems(TStrings* Items) {
  String List;
  Integer Ticked = 0;
  for (Integer I = 0; I < Integer(FItemCheckStates.size()) && I < Items->GetCount(); ++I)
    if (FItemCheckStates[size_t(I)] == 1 && dynamic_cast<TPopupListboxItemEhData*>(Items->GetObject(I))) {
      if (Ticked++ > 0) List += u",";
      List += QuotedStr(Items->Get(I));
    }
  const String Text = Ticked == 0 ? String() : Ticked == 1 ? u"=" + List : u"in (" + List + u")";
  SetExpressionStr(Text);
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  if (!Grid) return;
  if (TInplaceFilterEditEh* Editor = Grid->GetFilterEditor(); Editor && Editor->GetVisible()) Editor->SetText(Text);
  // A tick applies at once only where the filter row applies instantly; else the
  // list's close-up (or Enter) applies what was ticked.
  if (Grid->GetSTFilter()->GetInstantApply()) Grid->ApplyFilterRow();
}

void TSTColumnFilterEh::ListDataChanged() {
  if (FRefilling) return;
  FColumn->ReleaseFilterValueList();
  TDataSet* ListData = FListLink->GetDataSet();
  if (!FListLink->GetActive() || !ListData || FListField.empty() || FKeyField.empty()) return;
  // Walking the list data set makes it tell its links again: ignore that.
  TTemporaryChangeEh<bool> Refilling(FRefilling, true);
  FListValues->Clear();
  FKeyValues->Clear();
  TControlsDisabledScopeEh Controls(ListData);
  TField* ListField = ListData->FieldByName(FListField);
  TField* KeyField = ListData->FieldByName(FKeyField);
  ListData->First();
  while (!ListData->Eof()) {
    FListValues->Add(ListField->GetAsString());
    FKeyValues->Add(KeyField->GetAsString());
    ListData->Next();
  }
  ListData->First();
}

// ---- The grid's filter-row switches ----------------------------------------------------------------

void TSTDBGridEhFilter::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TSTDBGridEhFilter*>(Source);
  if (!S) return TPersistent::Assign(Source);
  SetVisible(S->FVisible);
  SetLocal(S->FLocal);
}

void TSTDBGridEhFilter::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  if (!Value && FUpdateCount == 0) FGrid->HideFilterEditor();
  FGrid->LayoutChanged();
}

void TSTDBGridEhFilter::SetInstantApply(bool Value) {
  FInstantApply = Value;
  FInstantApplyAssigned = true;
}

void TSTDBGridEhFilter::SetLocation(TSTFilterLocationEh Value) {
  if (FLocation == Value) return;
  FLocation = Value;
  FGrid->LayoutChanged();
}

// ---- Applying the filter row ------------------------------------------------------------------------

void TCustomDBGridEh::ApplyFilterRow() {
  ++FFilterApplyCount;
  // What is typed in the open filter cell counts too.
  if (FFilterEditor && FFilterEditor->GetVisible() && FFilterRowColumn >= 0) ApplyFilterEditorText(FFilterRowColumn);
  const Integer OldLeftCol = GetLeftCol();
  // The grid comes back to its columns and repaints even when applying fails;
  // the failure is passed on after that.
  std::exception_ptr Failure;
  try {
    if (OnApplyFilter) OnApplyFilter(this);
    else ApplyFilterDefault();
  } catch (...) {
    Failure = std::current_exception();
  }
  if (GetColCount() > OldLeftCol && OldLeftCol >= GetFixedCols()) SetLeftCol(OldLeftCol);
  UpdateFilterEditor(true);
  if (FSumList->GetActive()) FSumList->RecalcAll();
  Invalidate();
  if (Failure) std::rethrow_exception(Failure);
}

void TCustomDBGridEh::ApplyFilterDefault() {
  LockPaint();
  TScopeExitEh Unlock([this] { UnlockPaint(); });
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (FCenter) FCenter->DoApplyFilter(this, DataSet && DataSet->GetActive());
}
