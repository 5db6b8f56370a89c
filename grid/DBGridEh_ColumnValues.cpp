// A column's value logic: the text a cell shows (key and pick lists, memo text,
// display formats), the text without formatting, the image index, the check
// state, whether the cell may be changed, and the cell parameters handed to the
// cell-parameter events.

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"

namespace {

// Line breaks as CR LF, whatever the text had (LF, CR or CR LF).
String WithCrLfBreaks(const String& Text) {
  String Result;
  Result.reserve(Text.size());
  for (size_t I = 0; I < Text.size(); ++I) {
    const Char C = Text[I];
    if (C == u'\r' || C == u'\n') {
      Result += u"\r\n";
      if (C == u'\r' && I + 1 < Text.size() && Text[I + 1] == u'\n') ++I;
    } else {
      Result.push_back(C);
    }
  }
  return Result;
}

// Whether Text is one of the ';'-separated values of Line (blanks around a value
// are not part of it; case aside). An empty line, and a line ending in ';',
// hold the empty text.
bool LineHolds(const String& Line, const String& Text) {
  size_t Start = 0;
  while (true) {
    const size_t End = Line.find(u';', Start);
    const String Value = Trim(Line.substr(Start, End == String::npos ? String::npos : End - Start));
    if (CompareTextUserLocaleEh(Value, Text) == 0) return true;
    if (End == String::npos) return false;
    Start = End + 1;
  }
}

String FormattedText(TField* Field, const String& DisplayFormat) {
  if (DisplayFormat.empty()) return Field->GetDisplayText();
  if (Field->GetIsNull()) return String();
  if (dynamic_cast<TNumericField*>(Field)) return FormatFloat(DisplayFormat, Field->GetAsFloat());
  if (dynamic_cast<TDateTimeField*>(Field)) {
    String Text;
    DateTimeToString(Text, DisplayFormat, Field->GetAsDateTime());
    return Text;
  }
  if (auto* Aggregate = dynamic_cast<TAggregateField*>(Field)) {
    const Variant Value = Aggregate->GetValue();
    if (Aggregate->GetResultType() == ftFloat || Aggregate->GetResultType() == ftCurrency)
      return FormatFloat(DisplayFormat, Value.AsDouble());
    if (Aggregate->GetResultType() == ftDate || Aggregate->GetResultType() == ftTime ||
        Aggregate->GetResultType() == ftDateTime) {
      String Text;
      DateTimeToString(Text, DisplayFormat, Value.AsDateTime());
      return Text;
    }
  }
  return String();
}

}  // namespace

// ---- Texts ----------------------------------------------------------------------------------------------

String TColumnEh::GetDisplayText() const {
  TField* Field = GetField();
  if (!Field) return String();
  const TColumnKindEh Kind = GetColumnKind();
  if (Kind == ckImageList) return String();
  if (HasKeyListItems()) {
    const Integer Index = FKeyList->IndexOf(Field->GetText());
    const Integer PickCount = FPickList ? FPickList->GetCount() : 0;
    if (Index >= 0 && Index < PickCount) return FPickList->Get(Index);
    if (FNotInKeyListIndex >= 0 && FNotInKeyListIndex < PickCount) return FPickList->Get(FNotInKeyListIndex);
    return String();
  }
  TCustomDBGridEh* Grid = GetGrid();
  if (Grid && Grid->DrawsMemoTextOf(Field)) return Field->GetAsString();
  if (Kind == ckLookup && FDropDownSpecRow->GetVisible() && ShowsSpecRow(Field)) return FDropDownSpecRow->CellText(0);
  return FormattedText(Field, FDisplayFormat);
}

// A lookup cell shows the special row when its keys are the row's value, or, with
// ShowIfNotInKeyList, when nothing is looked up.
bool TColumnEh::ShowsSpecRow(TField* Field) const {
  TDataSet* DataSet = Field->GetDataSet();
  if (DataSet && !Field->GetKeyFields().empty() &&
      VarEqualsEh(DataSet->GetFieldValues(Field->GetKeyFields()), FDropDownSpecRow->GetValue()))
    return true;
  TDataSet* LookupData = Field->GetLookupDataSet();
  return FDropDownSpecRow->GetShowIfNotInKeyList() && (Field->GetIsNull() || !LookupData || !LookupData->GetActive());
}

String TColumnEh::GetDataText() const {
  TField* Field = GetField();
  if (!Field) return String();
  const TColumnKindEh Kind = GetColumnKind();
  if (Kind == ckImageList) return String();
  if (HasKeyListItems()) return GetDisplayText();
  TCustomDBGridEh* Grid = GetGrid();
  if (Grid && Grid->DrawsMemoTextOf(Field)) return Field->GetAsString();
  if (Field->GetFieldKind() == fkLookup) return GetDisplayText();
  return Field->GetText();
}

String TColumnEh::GetEditFieldText() const {
  TField* Field = GetField();
  if (!Field || !DataLinkActive()) return String();
  if (HasKeyListItems()) {
    const Integer Index = FKeyList->IndexOf(Field->GetText());
    return Index >= 0 && FPickList && Index < FPickList->GetCount() ? FPickList->Get(Index) : String();
  }
  TCustomDBGridEh* Grid = GetGrid();
  if (Grid && Grid->DrawsMemoTextOf(Field)) return WithCrLfBreaks(Field->GetAsString());
  return Field->GetText();
}

// ---- Image index and check state --------------------------------------------------------------------

Integer TColumnEh::GetImageIndex() const {
  TField* Field = GetField();
  if (!Field) return -1;
  Integer Index = -1;
  if (HasKeyListItems()) Index = FKeyList->IndexOf(Field->GetText());
  else if (HasPickListItems()) Index = FPickList->IndexOf(Field->GetText());
  else if (IsNumberFieldTypeEh(Field->GetDataType())) Index = FieldAsIntegerDefEh(Field, -1);
  return Index == -1 ? FNotInKeyListIndex : Index;
}

Integer TColumnEh::GetCheckboxState() const {
  TField* Field = GetField();
  if (!Field) return 0;
  const bool NoKeys = !HasKeyListItems();
  switch (Field->GetDataType()) {
    case ftBoolean:
      if (NoKeys) return Field->GetIsNull() ? 2 : Field->GetAsBoolean() ? 1 : 0;
      break;
    case ftSmallint:
    case ftInteger:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      if (NoKeys) return Field->GetIsNull() ? 2 : Field->GetAsFloat() == 1.0 ? 1 : 0;
      break;
    default: break;
  }
  const String Text = Field->GetText();
  if (!NoKeys && LineHolds(FKeyList->Get(0), Text)) return 1;
  if (!FKeyList || FKeyList->GetCount() < 2) return 2;
  if (LineHolds(FKeyList->Get(1), Text)) return 0;
  return 2;
}

// ---- May the cell change ----------------------------------------------------------------------------

TField* TColumnEh::FieldToModify() const {
  TField* Field = GetField();
  if (!Field || Field->GetFieldKind() != fkLookup) return Field;
  if (Field->GetKeyFields().empty() || !Field->GetDataSet()) return nullptr;
  std::vector<TField*> Keys;
  Field->GetDataSet()->GetFieldList(Keys, Field->GetKeyFields());
  return Keys.empty() || !AllFieldsCanModify(Keys) ? nullptr : Keys.front();
}

bool TCustomDBGridEh::DrawsMemoTextOf(const TField* Field) const {
  if (!FDrawMemoText || !Field) return false;
  const TFieldType Type = Field->GetDataType();
  return Type == ftMemo || Type == ftOraClob || Type == ftWideMemo;
}

bool TColumnEh::CanModify(bool TryEdit, bool AsText) {
  TCustomDBGridEh* Grid = GetGrid();
  TGridDataLinkEh* Link = Grid ? Grid->GetDataLink() : nullptr;
  if (Grid && (Grid->GetReadOnly() || !Link->GetActive() || Link->GetReadOnly())) return false;
  if (GetReadOnly()) return false;
  TField* Tested = FieldToModify();
  if (!Tested || !Tested->GetCanModify()) return false;
  if (AsText && Tested->IsBlob() && !Tested->OnSetText && !(Grid && Grid->DrawsMemoTextOf(Tested))) return false;
  if (Grid) {
    TDataSet* DataSet = Link->GetDataSet();
    const TDBGridEhAllowedOperations Allowed = Grid->GetAllowedOperations();
    if (!Allowed.Contains(alopUpdateEh) && DataSet->GetState() != dsInsert) return false;
    if (DataSet->IsEmpty() && !Allowed.Contains(alopInsertEh) && !Allowed.Contains(alopAppendEh)) return false;
  }
  bool Result = true;
  if (Grid) {
    TColCellParamsEh* Params = Grid->GetCellParamsObject();
    Params->SetReadOnly(GetReadOnly());
    GetColCellParams(true, Params);
    Result = !Params->GetReadOnly();
  }
  if (TryEdit && Result && Link) {
    Link->Edit();
    Result = Link->GetEditing();
    if (Result) Link->Modified();
  }
  return Result;
}

bool TColumnEh::CanEditColumn() const {
  if (!FVisible || GetReadOnly() || !DataLinkActive()) return false;
  TField* Field = GetField();
  if (!Field || Field->GetCalculated()) return false;
  return !IsFieldReadOnlyEh(Field);
}

// ---- Cell parameters and characters -------------------------------------------------------------------

void TColumnEh::FillColCellParams(TColCellParamsEh* Params) const {
  Params->SetBackground(GetColor());
  Params->SetAlignment(GetAlignment());
  Params->SetImageIndex(GetImageIndex());
  Params->SetText(GetDisplayText());
  Params->SetCheckboxState(GetCheckboxState());
  Params->SetReadOnly(GetReadOnly());
  Params->SetTextEditing(GetTextEditing());
  if (TCustomDBGridEh* Grid = GetGrid()) Params->SetFont(Grid->GetCellFont());
  Params->SetCol(-1);
  Params->SetRow(-1);
  Params->SetState(TGridDrawState());
  Params->SetSuppressActiveCellColor(false);
}

bool TColumnEh::AllowsTextEditing() {
  TCustomDBGridEh* Grid = GetGrid();
  if (!Grid) return GetTextEditing();
  TColCellParamsEh* Params = Grid->GetCellParamsObject();
  FillColCellParams(Params);
  if (!GridLoading()) GetColCellParams(false, Params);
  return Params->GetTextEditing();
}

bool TColumnEh::IsValidChar(Char Ch) const {
  if (TField* Field = GetField()) return HasKeyListItems() || Field->IsValidChar(Ch);
  return bool(OnUpdateData);
}

String TColumnEh::FilterValidChars(const String& Text) const {
  String Result;
  for (Char Ch : Text)
    if (IsValidChar(Ch)) Result.push_back(Ch);
  return Result;
}

bool TColumnEh::CanWrapInHeight(Integer Height) const {
  TCustomDBGridEh* Grid = GetGrid();
  const TTextMetric TM = FontTextMetricsEh(GetFont());
  return Height > (Grid ? Grid->GetTextMargin() : 4) + TM.tmHeight + TM.tmInternalLeading + TM.tmExternalLeading;
}

std::shared_ptr<IMemTableDataFieldValueListEh> TColumnEh::GetFilterValueList() {
  if (FFilterValueList) return FFilterValueList;
  TCustomDBGridEh* Grid = GetGrid();
  if (!Grid) return nullptr;
  if (FSTFilter->GetListSource()) FFilterValueList = FSTFilter->CreateListSourceValueList();
  else if (IMemTableEh* Table = Grid->GetMemTableIntf()) FFilterValueList = Table->GetFieldValueList(FFieldName);
  return FFilterValueList;
}
