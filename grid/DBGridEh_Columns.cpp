// A column of the data grid: which field it shows and how. Most appearance
// properties follow a live default (the grid's colour and font, the bound
// field, ColumnDefValues) until their setter runs once and sets the property's
// assigned flag. Every change ends in the collection item's change notice,
// which the column collection turns into base-grid widths and layout passes.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"
#include "platform/core/Filer.h"

namespace {

// The layout bracket of a column's construction opens before the collection
// hears of the new item, so the collection's update waits for the whole column.
TCollection* OpenColumnLayout(TCollection* Collection) {
  if (auto* Columns = dynamic_cast<TDBGridColumnsEh*>(Collection))
    if (TCustomDBGridEh* Grid = Columns->GetGrid()) Grid->BeginLayout();
  return Collection;
}

TCustomDBGridEh* GridOf(TCollection* Collection) {
  auto* Columns = dynamic_cast<TDBGridColumnsEh*>(Collection);
  return Columns ? Columns->GetGrid() : nullptr;
}

}  // namespace

// ---- Construction and destruction --------------------------------------------------------------------

TColumnEh::TColumnEh(TCollection* Collection) : TCollectionItem(OpenColumnLayout(Collection)) {
  TCustomDBGridEh* Grid = GridOf(Collection);
  // The item's constructor put the column in its collection before this class
  // could hear of it.
  FGrid = GridOf(GetCollection());
  try {
    FDropDownRows = 7;
    FButtonStyle = cbsAuto;
    FFont = std::make_unique<TFont>();
    ++FFontCopying;
    FFont->Assign(DefaultFont());
    --FFontCopying;
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
    FImeMode = imDontCare;
    FTitle = CreateTitle();
    FFooter = CreateFooter();
    FFooters = CreateFooters();
    FAutoFitColWidth = true;
    FInitWidth = GetWidth();
    FVisible = true;
    FNotInKeyListIndex = -1;
    FIncrement = 1.0;
    FPersistent = true;
    FEditButtons = CreateEditButtons();
    FEditButtons->OnChanged = [this](TObject* Sender) { EditButtonsChanged(Sender); };
    FDropDownSpecRow = std::make_unique<TSpecRowEh>(Grid);
    FDropDownSpecRow->OnChanged = [this](TObject* Sender) { DropDownSpecRowChanged(Sender); };
    FDropDownBox = std::make_unique<TColumnDropDownBoxEh>(this);
    FMRUList = std::make_unique<TMRUListEh>(this);
    FSTFilter = CreateSTFilter();
    FShowImageAndText = false;
    FImageChangeLink = std::make_unique<TChangeLink>();
    FImageChangeLink->OnChange = [this](TObject* Sender) {
      if (Sender && Sender == FImageList) InvalidateGrid();
    };
  } catch (...) {
    if (Grid) Grid->CancelLayout();
    throw;
  }
  if (Grid) Grid->EndLayout();
}

TColumnEh::~TColumnEh() {
  if (TCustomDBGridEh* Grid = GetGrid()) {
    Grid->GetSortMarkedColumns()->Remove(this);
    Grid->GetVisibleColumns()->Remove(this);
    Grid->GetSelection()->GetColumns()->Remove(this);
    Grid->FilterColumnGoing(this);
  }
  if (auto* Columns = dynamic_cast<TDBGridColumnsEh*>(GetCollection())) Columns->ColumnDestroying(this);
  SetCollection(nullptr);
  if (FFont) FFont->OnChange = nullptr;
  if (FEditButtons) FEditButtons->OnChanged = nullptr;
  if (FDropDownSpecRow) FDropDownSpecRow->OnChanged = nullptr;
}

std::unique_ptr<TEditButtonsEh> TColumnEh::CreateEditButtons() {
  return std::make_unique<TEditButtonsEh>(nullptr, TVisibleEditButtonEh::StaticItemClass());
}
std::unique_ptr<TColumnFooterEh> TColumnEh::CreateFooter() { return std::make_unique<TColumnFooterEh>(this); }
std::unique_ptr<TColumnFootersEh> TColumnEh::CreateFooters() {
  return std::make_unique<TColumnFootersEh>(this, TColumnFooterEh::StaticItemClass());
}
std::unique_ptr<TSTColumnFilterEh> TColumnEh::CreateSTFilter() { return std::make_unique<TSTColumnFilterEh>(this); }
std::unique_ptr<TColumnTitleEh> TColumnEh::CreateTitle() { return std::make_unique<TColumnTitleEh>(this); }

// ---- Links ------------------------------------------------------------------------------------------

TCustomDBGridEh* TColumnEh::GetGrid() const { return FGrid; }

void TColumnEh::SetCollection(TCollection* Value) {
  TCollectionItem::SetCollection(Value);
  FGrid = GridOf(GetCollection());
}

bool TColumnEh::GridLoading() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetComponentState().Contains(csLoading);
}

bool TColumnEh::DataLinkActive() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetDataLink()->GetActive();
}

void TColumnEh::InvalidateGrid() const {
  if (TCustomDBGridEh* Grid = GetGrid()) Grid->Invalidate();
}

TField* TColumnEh::GetField() const {
  TCustomDBGridEh* Grid = GetGrid();
  if (!FField && !FFieldName.empty() && Grid) {
    TDataSet* DataSet = Grid->GetDataLink()->GetDataSet();
    if (DataSet && (DataSet->GetActive() || !DataSet->GetDefaultFields())) {
      TField* Found = DataSet->FindField(FFieldName);
      if (Found != FField) {
        FField = Found;
        if (Found) {
          // The grid hears when the field goes, so the cache never dangles.
          Found->FreeNotification(Grid);
          const_cast<TColumnEh*>(this)->FFieldName = Found->GetFieldName();
        }
        const_cast<TColumnEh*>(this)->RefreshFootersSumItems();
      }
    }
  }
  return FField;
}

void TColumnEh::ClearFieldBinding() {
  FField = nullptr;
  FFilterValueList.reset();
}

void TColumnEh::SetField(TField* Value) {
  if (FField == Value) return;
  FField = Value;
  if (Value) {
    if (TCustomDBGridEh* Grid = GetGrid()) Value->FreeNotification(Grid);
    FFieldName = Value->GetFieldName();
  } else if (IsDefaultColumn()) {
    FFieldName.clear();
  }
  if (IsDefaultColumn()) {
    RestoreDefaults();
    FInitWidth = GetWidth();
  }
  RefreshFootersSumItems();
  Changed(false);
}

void TColumnEh::SetFieldName(const String& Value) {
  TField* AField = nullptr;
  TCustomDBGridEh* Grid = GetGrid();
  if (Grid && !GridLoading() && !Value.empty())
    if (TDataSet* DataSet = Grid->GetDataLink()->GetDataSet()) AField = DataSet->FindField(Value);
  FFieldName = Value;
  SetField(AField);
  FInitWidth = GetWidth();
  Changed(false);
}

TColumnKindEh TColumnEh::GetColumnKind() const {
  TField* Field = GetField();
  if (!Field) return ckPlain;
  if (GetCheckboxes()) return ckCheckBox;
  TCustomDBGridEh* Grid = GetGrid();
  if (Field->IsBlob() && Field->GetDataType() == ftGraphic && Grid && Grid->GetDrawGraphicData()) return ckGraphic;
  if (Field->GetFieldKind() == fkLookup) return ckLookup;
  if (HasPickListItems() && !HasKeyListItems()) return ckPickList;
  if (FImageList && !FShowImageAndText) return ckImageList;
  if (HasKeyListItems() && HasPickListItems()) return ckKeyPickList;
  return ckPlain;
}

TInplaceEditStyleEh TColumnEh::GetEditStyle() const {
  TField* Field = GetField();
  const bool DateField = Field && (Field->GetDataType() == ftDate || Field->GetDataType() == ftDateTime ||
                                   Field->GetDataType() == ftTimeStamp);
  switch (FButtonStyle) {
    case cbsEllipsis: return esEllipsisEh;
    case cbsNone: return esSimpleEh;
    case cbsUpDown: return esUpDownEh;
    case cbsDropDown: return esDropDownEh;
    case cbsAltUpDown: return esAltUpDownEh;
    case cbsAltDropDown: return DateField ? esDateAltDropDownEh : esAltDropDownEh;
    case cbsAuto: break;
  }
  if (!Field) return esSimpleEh;
  if (Field->GetFieldKind() != fkLookup) {
    if (HasPickListItems() && !GetReadOnly()) return esPickListEh;
    if (DateField && !GetReadOnly()) return esDateCalendarEh;
    return esSimpleEh;
  }
  TCustomDBGridEh* Grid = GetGrid();
  std::vector<TField*> Keys;
  if (Field->GetDataSet() && !Field->GetKeyFields().empty())
    Field->GetDataSet()->GetFieldList(Keys, Field->GetKeyFields());
  const bool ReadOnlyAssigned = FAssignedValues.Contains(cvReadOnly) && FReadOnly;
  if (!Keys.empty() && AllFieldsCanModify(Keys) && !ReadOnlyAssigned && Grid && !Grid->GetReadOnly() &&
      Grid->GetDataLink()->GetActive() && !Grid->GetDataLink()->GetReadOnly())
    return esDataListEh;
  return esSimpleEh;
}

// ---- Defaults ---------------------------------------------------------------------------------------

TAlignment TColumnEh::DefaultAlignment() const {
  TField* Field = GetField();
  return Field ? Field->GetAlignment() : taLeftJustify;
}

bool TColumnEh::DefaultAlwaysShowEditButton() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetAlwaysShowEditButton();
}

bool TColumnEh::DefaultAutoDropDown() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetAutoDropDown();
}

TBiDiMode TColumnEh::DefaultBiDiMode() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid ? Grid->GetBiDiMode() : FBiDiMode;
}

bool TColumnEh::DefaultCheckboxes() const {
  TField* Field = GetField();
  return Field && Field->GetDataType() == ftBoolean;
}

TColor TColumnEh::DefaultColor() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid ? Grid->GetColor() : clWindow;
}

bool TColumnEh::DefaultDblClickNextVal() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetDblClickNextVal();
}

bool TColumnEh::DefaultDropDownShowTitles() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetDropDownShowTitles();
}

bool TColumnEh::DefaultDropDownSizing() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetDropDownSizing();
}

bool TColumnEh::DefaultEndEllipsis() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetEndEllipsis();
}

TFont* TColumnEh::DefaultFont() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid ? Grid->GetFont() : FFont.get();
}

bool TColumnEh::DefaultHighlightRequired() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetHighlightRequired();
}

TImeMode TColumnEh::DefaultImeMode() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid ? Grid->GetImeMode() : FImeMode;
}

TImeName TColumnEh::DefaultImeName() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid ? Grid->GetImeName() : FImeName;
}

TTextLayout TColumnEh::DefaultLayout() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid ? Grid->GetColumnDefValues()->GetLayout() : tlTop;
}

String TColumnEh::DefaultLookupDisplayFields() const {
  TField* Field = GetField();
  return Field ? Field->GetLookupResultField() : String();
}

bool TColumnEh::DefaultReadOnly() const {
  TCustomDBGridEh* Grid = GetGrid();
  if (Grid && Grid->GetReadOnly()) return true;
  TField* Field = GetField();
  return Field && Field->GetReadOnly();
}

bool TColumnEh::DefaultTextEditing() const {
  const TColumnKindEh Kind = GetColumnKind();
  return Kind != ckImageList && Kind != ckCheckBox;
}

bool TColumnEh::DefaultToolTips() const {
  TCustomDBGridEh* Grid = GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetToolTips();
}

Integer TColumnEh::DefaultWidth() const {
  TCustomDBGridEh* Grid = GetGrid();
  if (!Grid) return 64;
  TField* Field = GetField();
  if (!Field) return Grid->GetDefaultColWidth();
  TFont* Font = GetFont();
  const TTextMetric TM = FontTextMetricsEh(Font);
  const Integer ZeroWidth = FontTextWidthEh(Font, u"0");
  return (ZeroWidth - TM.tmOverhang) * Field->GetDisplayWidth() + TM.tmOverhang + 4;
}

bool TColumnEh::DefaultWordWrap() const {
  TField* Field = GetField();
  if (!GetGrid() || !Field) return false;
  switch (Field->GetDataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftWideString:
    case ftOraClob:
    case ftWideMemo: return true;
    default: return false;
  }
}

// ---- Getters ------------------------------------------------------------------------------------------

TAlignment TColumnEh::GetAlignment() const {
  return FAssignedValues.Contains(cvAlignment) ? FAlignment : DefaultAlignment();
}
bool TColumnEh::GetAlwaysShowEditButton() const {
  return FAssignedValues.Contains(cvAlwaysShowEditButton) ? FAlwaysShowEditButton : DefaultAlwaysShowEditButton();
}
bool TColumnEh::GetAutoDropDown() const {
  return FAssignedValues.Contains(cvAutoDropDown) ? FAutoDropDown : DefaultAutoDropDown();
}
TBiDiMode TColumnEh::GetBiDiMode() const {
  return FAssignedValues.Contains(cvBiDiMode) ? FBiDiMode : DefaultBiDiMode();
}
bool TColumnEh::GetCheckboxes() const {
  return FAssignedValues.Contains(cvCheckboxes) ? FCheckboxes : DefaultCheckboxes();
}
TColor TColumnEh::GetColor() const { return FAssignedValues.Contains(cvColor) ? FColor : DefaultColor(); }
bool TColumnEh::GetDblClickNextVal() const {
  return FAssignedValues.Contains(cvDblClickNextVal) ? FDblClickNextVal : DefaultDblClickNextVal();
}
bool TColumnEh::GetDropDownShowTitles() const {
  return FAssignedValues.Contains(cvDropDownShowTitles) ? FDropDownShowTitles : DefaultDropDownShowTitles();
}
bool TColumnEh::GetDropDownSizing() const {
  return FAssignedValues.Contains(cvDropDownSizing) ? FDropDownSizing : DefaultDropDownSizing();
}
bool TColumnEh::GetEndEllipsis() const {
  return FAssignedValues.Contains(cvEndEllipsis) ? FEndEllipsis : DefaultEndEllipsis();
}
bool TColumnEh::GetHighlightRequired() const {
  return FAssignedValues.Contains(cvHighlightRequired) ? FHighlightRequired : DefaultHighlightRequired();
}
TImeMode TColumnEh::GetImeMode() const { return FAssignedValues.Contains(cvImeMode) ? FImeMode : DefaultImeMode(); }
TImeName TColumnEh::GetImeName() const { return FAssignedValues.Contains(cvImeName) ? FImeName : DefaultImeName(); }
TTextLayout TColumnEh::GetLayout() const { return FAssignedValues.Contains(cvLayout) ? FLayout : DefaultLayout(); }
String TColumnEh::GetLookupDisplayFields() const {
  return FAssignedValues.Contains(cvLookupDisplayFields) ? FLookupDisplayFields : DefaultLookupDisplayFields();
}
bool TColumnEh::GetReadOnly() const { return FAssignedValues.Contains(cvReadOnly) ? FReadOnly : DefaultReadOnly(); }
bool TColumnEh::GetTextEditing() const {
  return FAssignedValues.Contains(cvTextEditing) ? FTextEditing : DefaultTextEditing();
}
bool TColumnEh::GetToolTips() const { return FAssignedValues.Contains(cvToolTips) ? FToolTips : DefaultToolTips(); }
Integer TColumnEh::GetWidth() const { return FAssignedValues.Contains(cvWidth) ? FWidth : DefaultWidth(); }
bool TColumnEh::GetWordWrap() const { return FAssignedValues.Contains(cvWordWrap) ? FWordWrap : DefaultWordWrap(); }

void TColumnEh::RefreshDefaultFont() const {
  if (FAssignedValues.Contains(cvFont) || !FFont) return;
  TFont* Default = DefaultFont();
  if (!Default || Default == FFont.get() ||
      (FFont->Data() == Default->Data() && FFont->GetColor() == Default->GetColor()))
    return;
  ++FFontCopying;
  FFont->Assign(Default);
  --FFontCopying;
}

TFont* TColumnEh::GetFont() const {
  RefreshDefaultFont();
  return FFont.get();
}

TStrings* TColumnEh::GetKeyList() const {
  if (!FKeyList) FKeyList = std::make_unique<TStringList>();
  return FKeyList.get();
}

TStrings* TColumnEh::GetPickList() const {
  if (!FPickList) FPickList = std::make_unique<TStringList>();
  return FPickList.get();
}

TColumnFooterEh* TColumnEh::GetFooterForRow(Integer Row) const {
  if (Row >= 0 && Row < FFooters->GetCount()) return FFooters->Items(Row);
  return FFooter.get();
}

// ---- Stored predicates --------------------------------------------------------------------------------

bool TColumnEh::IsAlignmentStored() const {
  return FAssignedValues.Contains(cvAlignment) && FAlignment != DefaultAlignment();
}
bool TColumnEh::IsAlwaysShowEditButtonStored() const {
  return FAssignedValues.Contains(cvAlwaysShowEditButton) && FAlwaysShowEditButton != DefaultAlwaysShowEditButton();
}
bool TColumnEh::IsAutoDropDownStored() const {
  return FAssignedValues.Contains(cvAutoDropDown) && FAutoDropDown != DefaultAutoDropDown();
}
bool TColumnEh::IsColorStored() const { return FAssignedValues.Contains(cvColor) && FColor != DefaultColor(); }
bool TColumnEh::IsDblClickNextValStored() const {
  return FAssignedValues.Contains(cvDblClickNextVal) && FDblClickNextVal != DefaultDblClickNextVal();
}
bool TColumnEh::IsDropDownShowTitlesStored() const {
  return FAssignedValues.Contains(cvDropDownShowTitles) && FDropDownShowTitles != DefaultDropDownShowTitles();
}
bool TColumnEh::IsDropDownSizingStored() const {
  return FAssignedValues.Contains(cvDropDownSizing) && FDropDownSizing != DefaultDropDownSizing();
}
bool TColumnEh::IsEndEllipsisStored() const {
  return FAssignedValues.Contains(cvEndEllipsis) && FEndEllipsis != DefaultEndEllipsis();
}
bool TColumnEh::IsHighlightRequiredStored() const {
  return FAssignedValues.Contains(cvHighlightRequired) && FHighlightRequired != DefaultHighlightRequired();
}
bool TColumnEh::IsImeModeStored() const { return FAssignedValues.Contains(cvImeMode) && FImeMode != DefaultImeMode(); }
bool TColumnEh::IsImeNameStored() const { return FAssignedValues.Contains(cvImeName) && FImeName != DefaultImeName(); }
bool TColumnEh::IsLayoutStored() const { return FAssignedValues.Contains(cvLayout) && FLayout != DefaultLayout(); }
bool TColumnEh::IsLookupDisplayFieldsStored() const {
  return FAssignedValues.Contains(cvLookupDisplayFields) && FLookupDisplayFields != DefaultLookupDisplayFields();
}
bool TColumnEh::IsReadOnlyStored() const {
  return FAssignedValues.Contains(cvReadOnly) && FReadOnly != DefaultReadOnly();
}
bool TColumnEh::IsTextEditingStored() const {
  return FAssignedValues.Contains(cvTextEditing) && FTextEditing != DefaultTextEditing();
}
bool TColumnEh::IsToolTipsStored() const {
  return FAssignedValues.Contains(cvToolTips) && FToolTips != DefaultToolTips();
}
bool TColumnEh::IsWidthStored() const { return FAssignedValues.Contains(cvWidth) && FWidth != DefaultWidth(); }
bool TColumnEh::IsWordWrapStored() const {
  return FAssignedValues.Contains(cvWordWrap) && FWordWrap != DefaultWordWrap();
}

// ---- Setters --------------------------------------------------------------------------------------------

template <class T>
void TColumnEh::SetAssigned(T& Field, const T& Value, TColumnEhValue Flag, bool Notify) {
  if (FAssignedValues.Contains(Flag) && Field == Value) return;
  Field = Value;
  FAssignedValues.Include(Flag);
  if (Notify) Changed(false);
}

template <class T>
void TColumnEh::SetComparing(T& Field, const T& Value, const T& Default, TColumnEhValue Flag, bool Loading) {
  if (!Loading && !FAssignedValues.Contains(Flag) && Value == Default) {
    Changed(false);
    return;
  }
  Field = Value;
  FAssignedValues.Include(Flag);
  Changed(false);
}
// The lookup settings in DBGridEh_ColumnEdit.cpp set their texts through it.
template void TColumnEh::SetComparing<String>(String&, const String&, const String&, TColumnEhValue, bool);

void TColumnEh::SetAlignment(TAlignment Value) {
  if (IsDefaultColumn() && DataLinkActive())
    if (TField* Field = GetField()) {
      // A column the grid made for a field keeps its look in the field.
      Field->SetAlignment(Value);
      return;
    }
  SetAssigned(FAlignment, Value, cvAlignment, true);
}

void TColumnEh::SetReadOnly(bool Value) {
  if (IsDefaultColumn() && DataLinkActive())
    if (TField* Field = GetField()) {
      Field->SetReadOnly(Value);
      return;
    }
  SetAssigned(FReadOnly, Value, cvReadOnly, true);
}

void TColumnEh::SetColor(TColor Value) { SetAssigned(FColor, Value, cvColor, true); }
void TColumnEh::SetCheckboxes(bool Value) { SetAssigned(FCheckboxes, Value, cvCheckboxes, true); }
void TColumnEh::SetEndEllipsis(bool Value) { SetAssigned(FEndEllipsis, Value, cvEndEllipsis, true); }
void TColumnEh::SetAlwaysShowEditButton(bool Value) {
  SetAssigned(FAlwaysShowEditButton, Value, cvAlwaysShowEditButton, true);
}
void TColumnEh::SetLayout(TTextLayout Value) { SetAssigned(FLayout, Value, cvLayout, true); }
void TColumnEh::SetHighlightRequired(bool Value) { SetAssigned(FHighlightRequired, Value, cvHighlightRequired, true); }
void TColumnEh::SetBiDiMode(TBiDiMode Value) { SetAssigned(FBiDiMode, Value, cvBiDiMode, true); }
void TColumnEh::SetAutoDropDown(bool Value) { SetAssigned(FAutoDropDown, Value, cvAutoDropDown, false); }
void TColumnEh::SetDblClickNextVal(bool Value) { SetAssigned(FDblClickNextVal, Value, cvDblClickNextVal, false); }
void TColumnEh::SetToolTips(bool Value) { SetAssigned(FToolTips, Value, cvToolTips, false); }
void TColumnEh::SetDropDownSizing(bool Value) { SetAssigned(FDropDownSizing, Value, cvDropDownSizing, false); }
void TColumnEh::SetDropDownShowTitles(bool Value) {
  SetAssigned(FDropDownShowTitles, Value, cvDropDownShowTitles, false);
}

void TColumnEh::SetImeMode(TImeMode Value) { SetComparing(FImeMode, Value, DefaultImeMode(), cvImeMode, false); }
void TColumnEh::SetImeName(const TImeName& Value) { SetComparing(FImeName, Value, DefaultImeName(), cvImeName, false); }

void TColumnEh::SetWordWrap(bool Value) {
  SetComparing(FWordWrap, Value, DefaultWordWrap(), cvWordWrap, GridLoading());
}
void TColumnEh::SetTextEditing(bool Value) {
  SetComparing(FTextEditing, Value, DefaultTextEditing(), cvTextEditing, GridLoading());
}

void TColumnEh::SetButtonStyle(TColumnButtonStyleEh Value) {
  if (FButtonStyle == Value) return;
  FButtonStyle = Value;
  Changed(false);
}

void TColumnEh::SetDropDownWidth(Integer Value) {
  if (FDropDownWidth == Value) return;
  FDropDownWidth = Value;
  Changed(false);
}

void TColumnEh::SetShowImageAndText(bool Value) {
  if (FShowImageAndText == Value) return;
  FShowImageAndText = Value;
  Changed(false);
}

void TColumnEh::SetHideDuplicates(bool Value) {
  if (FHideDuplicates == Value) return;
  FHideDuplicates = Value;
  Changed(false);
}

void TColumnEh::SetDisplayFormat(const String& Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  Changed(false);
}

void TColumnEh::SetEditMask(const String& Value) {
  if (FEditMask == Value) return;
  FEditMask = Value;
  Changed(false);
}

void TColumnEh::SetNotInKeyListIndex(Integer Value) {
  if (FNotInKeyListIndex == Value) return;
  FNotInKeyListIndex = Value;
  InvalidateGrid();
}

void TColumnEh::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed(true);
}

void TColumnEh::SetInRowLinePos(Integer Value) {
  FInRowLinePos = Value;
  Changed(true);
}

void TColumnEh::SetInRowLineHeight(Integer Value) {
  FInRowLineHeight = Value;
  Changed(true);
}

void TColumnEh::SetFont(const TFont* Value) {
  FFont->Assign(Value);
  FAssignedValues.Include(cvFont);
}

void TColumnEh::SetKeyList(const TStrings* Value) {
  if (!Value) {
    FKeyList.reset();
  } else {
    GetKeyList()->Assign(const_cast<TStrings*>(Value));
  }
  InvalidateGrid();
}

void TColumnEh::SetPickList(const TStrings* Value) {
  if (!Value) {
    FPickList.reset();
    return;
  }
  GetPickList()->Assign(const_cast<TStrings*>(Value));
}

void TColumnEh::SetPopupMenu(TPopupMenu* Value) {
  FPopupMenu = Value;
  if (Value)
    if (TCustomDBGridEh* Grid = GetGrid()) Value->FreeNotification(Grid);
}

void TColumnEh::SetImageList(TCustomImageList* Value) {
  if (FImageList == Value) return;
  // A list that is going has already let go of the link.
  if (TCustomImageList* Old = FImageChangeLink->GetSender()) Old->UnRegisterChanges(FImageChangeLink.get());
  FImageList = Value;
  if (Value) {
    Value->RegisterChanges(FImageChangeLink.get());
    if (TCustomDBGridEh* Grid = GetGrid()) Value->FreeNotification(Grid);
  }
  InvalidateGrid();
}

void TColumnEh::SetMaxWidth(Integer Value) {
  FMaxWidth = Value;
  if (Value > 0 && GetWidth() > Value) SetWidth(Value);
}

void TColumnEh::SetMinWidth(Integer Value) {
  FMinWidth = Value;
  if (Value > 0 && GetWidth() < Value) SetWidth(Value);
}

void TColumnEh::SetOnGetCellParams(const TGetColCellParamsEventEh& Value) {
  // Handlers cannot be compared: every assignment counts as a change.
  FOnGetCellParams = Value;
  InvalidateGrid();
}

void TColumnEh::SetWidth(Integer Value) {
  TCustomDBGridEh* Grid = GetGrid();
  bool Store = true;
  if (IsDefaultColumn() && Grid) {
    TField* Field = GetField();
    if (Grid->HandleAllocated() && Field && Grid->GetUpdateFieldsFromWidths()) {
      TFont* Font = GetFont();
      const TTextMetric TM = FontTextMetricsEh(Font);
      const Integer ZeroWidth = std::max(1, FontTextWidthEh(Font, u"0"));
      Field->SetDisplayWidth((TM.tmAveCharWidth / 2 + Value - TM.tmOverhang - 3) / ZeroWidth);
    }
    Store = !Grid->GetLayoutFromDataLink() || FAssignedValues.Contains(cvWidth);
  }
  if (Store && !(!FAssignedValues.Contains(cvWidth) && Value == DefaultWidth()) && Value != -1) {
    FWidth = Value;
    FAssignedValues.Include(cvWidth);
    if (FMaxWidth >= 1 && FMaxWidth < FWidth) FWidth = FMaxWidth;
    if (FMinWidth > FWidth) FWidth = FMinWidth;
  }
  Changed(Grid && Grid->GetRowPanel()->GetActive());
}

void TColumnEh::SetAutoFitColWidth(bool Value) {
  if (FAutoFitColWidth == Value) return;
  FAutoFitColWidth = Value;
  TCustomDBGridEh* Grid = GetGrid();
  if (Grid && Grid->GetAutoFitColWidths() && !GridLoading() && !Grid->GetComponentState().Contains(csDesigning))
    SetWidth(FInitWidth);
  Changed(false);
}

void TColumnEh::FontChanged(TObject*) {
  if (FFontCopying > 0) return;
  FAssignedValues.Include(cvFont);
  FTitle->RefreshDefaultFont();
  Changed(false);
}

void TColumnEh::EditButtonsChanged(TObject*) { Changed(false); }

void TColumnEh::RefreshFootersSumItems() {
  if (FFooter) FFooter->RefreshSumItem();
  if (FFooters)
    for (Integer I = 0; I < FFooters->GetCount(); ++I) FFooters->Items(I)->RefreshSumItem();
}

// ---- Other operations -----------------------------------------------------------------------------

String TColumnEh::GetDisplayName() const { return FFieldName.empty() ? TCollectionItem::GetDisplayName() : FFieldName; }

void TColumnEh::SetIndex(Integer Value) {
  TCustomDBGridEh* Grid = GetGrid();
  if (IsDefaultColumn() && Grid && Value >= 0 && Value < GetCollection()->GetCount()) {
    // A column the grid made for a field keeps the dataset's order: the field moves first.
    TField* Field = GetField();
    TColumnEh* Target = dynamic_cast<TColumnEh*>(GetCollection()->GetItem(Value));
    TField* TargetField = Target ? Target->GetField() : nullptr;
    if (Field && TargetField) Field->SetIndex(TargetField->GetIndex());
  }
  TCollectionItem::SetIndex(Value);
}

String TColumnEh::GetEditMask() const {
  if (!DataLinkActive()) return String();
  if (!FEditMask.empty()) return FEditMask;
  if (HasKeyListItems()) return String();
  TField* Field = GetField();
  return Field ? Field->GetEditMask() : String();
}

Integer TColumnEh::ClampWidth(Integer W) const {
  if (FMinWidth > 0 && FMinWidth > W) return FMinWidth;
  if (FMaxWidth > 0 && FMaxWidth < W) return FMaxWidth;
  return W;
}

Integer TColumnEh::EditButtonsWidth() const {
  TCustomDBGridEh* Grid = GetGrid();
  const bool Flat = Grid && Grid->GetFlat();
  const Integer FlatExtra = Flat && !ThemesEnabledEh() ? 1 : 0;
  const Integer DefaultButtonWidth =
      Flat ? ToolCtrlsMetricsEh().DefaultEditButtonWidth + FlatExtra : GetSystemMetrics(SM_CXVSCROLL);
  Integer Result = GetEditStyle() != esSimpleEh ? DefaultButtonWidth : 0;
  for (Integer I = 0; I < FEditButtons->GetCount(); ++I) {
    TEditButtonEh* Button = FEditButtons->Items(I);
    if (!Button->GetVisible()) continue;
    Result += (Button->GetWidth() > 0 ? Button->GetWidth() : DefaultButtonWidth) + FlatExtra;
  }
  return Result;
}

Integer TColumnEh::GetVisibleWidth() const {
  Integer W = GetWidth();
  TCustomDBGridEh* Grid = GetGrid();
  if (Grid && Grid->GetVisibleColumns()->Count() > 0 && Grid->GetVisibleColumns()->Items(0) == this)
    W += Grid->FirstColumnIndent();
  return W;
}

String TColumnEh::GetDefaultName() const { return u"Column_" + IntToStr(GetIndex()) + u"_" + FFieldName; }

TDataSet* TColumnEh::GetLookupListDataSet() const {
  if (FDropDownBox->GetListSource()) return FDropDownBox->GetListSource()->GetDataSet();
  TField* Field = GetField();
  return Field ? Field->GetLookupDataSet() : nullptr;
}

bool TColumnEh::UseRightToLeftAlignment() const {
  return GetBiDiMode() == bdRightToLeft && FieldAlignmentMirrors(GetField());
}

void TColumnEh::GetColCellParams(bool EditMode, TColCellParamsEh* Params) {
  if (FOnGetCellParams) FOnGetCellParams(this, EditMode, Params);
}

void TColumnEh::RestoreDefaults() {
  const bool FontAssigned = FAssignedValues.Contains(cvFont);
  FTitle->RestoreDefaults();
  FAssignedValues = TColumnEhValues();
  RefreshDefaultFont();
  FPickList.reset();
  FButtonStyle = cbsAuto;
  Changed(FontAssigned);
  FKeyList.reset();
}

void TColumnEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TColumnEh*>(Source);
  if (!S) return TCollectionItem::Assign(Source);
  TCollection* Owner = GetCollection();
  if (Owner) Owner->BeginUpdate();
  try {
    const TColumnEhValues From = S->FAssignedValues;
    RestoreDefaults();
    SetFieldName(S->FFieldName);
    if (From.Contains(cvColor)) SetColor(S->FColor);
    if (From.Contains(cvWidth)) SetWidth(S->FWidth);
    if (From.Contains(cvFont)) SetFont(S->GetFont());
    if (From.Contains(cvImeMode)) SetImeMode(S->FImeMode);
    if (From.Contains(cvImeName)) SetImeName(S->FImeName);
    if (From.Contains(cvAlignment)) SetAlignment(S->FAlignment);
    if (From.Contains(cvReadOnly)) SetReadOnly(S->FReadOnly);
    FTitle->Assign(S->FTitle.get());
    SetDropDownRows(S->FDropDownRows);
    SetButtonStyle(S->FButtonStyle);
    SetPickList(S->FPickList.get());
    SetPopupMenu(S->FPopupMenu);
    FInitWidth = S->FInitWidth;
    SetAutoFitColWidth(S->FAutoFitColWidth);
    if (From.Contains(cvWordWrap)) SetWordWrap(S->FWordWrap);
    SetEndEllipsis(S->GetEndEllipsis());
    SetDropDownWidth(S->FDropDownWidth);
    if (From.Contains(cvLookupDisplayFields)) SetLookupDisplayFields(S->FLookupDisplayFields);
    SetAutoDropDown(S->GetAutoDropDown());
    SetAlwaysShowEditButton(S->GetAlwaysShowEditButton());
    SetWordWrap(S->GetWordWrap());
    FFooter->Assign(S->FFooter.get());
    SetKeyList(S->FKeyList.get());
    if (From.Contains(cvCheckboxes)) SetCheckboxes(S->FCheckboxes);
    SetIncrement(S->FIncrement);
    SetToolTips(S->GetToolTips());
    FFooters->Assign(S->FFooters.get());
    SetTag(S->FTag);
    SetVisible(S->FVisible);
    SetImageList(S->FImageList);
    SetNotInKeyListIndex(S->FNotInKeyListIndex);
    SetMinWidth(S->FMinWidth);
    SetMaxWidth(S->FMaxWidth);
    SetDblClickNextVal(S->GetDblClickNextVal());
    SetDropDownSizing(S->GetDropDownSizing());
    SetDropDownShowTitles(S->GetDropDownShowTitles());
    SetOnGetCellParams(S->FOnGetCellParams);
    OnNotInList = S->OnNotInList;
    OnUpdateData = S->OnUpdateData;
    OnEditButtonClick = S->OnEditButtonClick;
    OnEditButtonDown = S->OnEditButtonDown;
    FEditButtons->Assign(S->FEditButtons.get());
    FDropDownBox->Assign(S->FDropDownBox.get());
    FMRUList->Assign(S->FMRUList.get());
    SetDisplayFormat(S->FDisplayFormat);
    SetEditMask(S->FEditMask);
    SetShowImageAndText(S->FShowImageAndText);
    SetHideDuplicates(S->FHideDuplicates);
    SetLayout(S->GetLayout());
  } catch (...) {
    if (Owner) Owner->EndUpdate();
    throw;
  }
  if (Owner) Owner->EndUpdate();
}
