// A column's footers and the grid's sum list. A footer of an aggregate kind
// (sum, average, count) owns one sum item in the grid's sum list, which the
// footer keeps in step with its kind and field.

#include "grid/DBGridEh.h"

namespace {

TGroupOperation OperationOf(TFooterValueType Kind) {
  return Kind == fvtAvg ? goAvg : Kind == fvtCount ? goCount : goSum;
}

bool IsAggregate(TFooterValueType Kind) { return Kind == fvtSum || Kind == fvtAvg || Kind == fvtCount; }

}  // namespace

// ---- Construction ------------------------------------------------------------------------------------

TColumnFooterEh::TColumnFooterEh(TCollection* Collection) : TCollectionItem(Collection) {
  if (auto* Footers = dynamic_cast<TColumnFootersEh*>(Collection)) FColumn = Footers->GetColumn();
  Init();
  if (FColumn)
    if (TCustomDBGridEh* Grid = FColumn->GetGrid()) Grid->InvalidateFooter();
}

TColumnFooterEh::TColumnFooterEh(TColumnEh* Column) : TCollectionItem(nullptr), FColumn(Column) { Init(); }

void TColumnFooterEh::Init() {
  FFont = std::make_unique<TFont>();
  if (TFont* Default = FColumn ? DefaultFont() : nullptr) {
    ++FFontCopying;
    FFont->Assign(Default);
    --FFontCopying;
  }
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TColumnFooterEh::~TColumnFooterEh() {
  if (FColumn)
    if (TCustomDBGridEh* Grid = FColumn->GetGrid()) Grid->InvalidateFooter();
  FFont->OnChange = nullptr;
  delete FDBSum;
}

TDBGridEhSumList* TColumnFooterEh::SumList() const {
  TCustomDBGridEh* Grid = FColumn ? FColumn->GetGrid() : nullptr;
  return Grid ? Grid->GetSumList() : nullptr;
}

void TColumnFooterEh::ColumnChanged(bool AllItems) {
  if (FColumn) FColumn->Changed(AllItems);
}

void TColumnFooterEh::FontChanged(TObject*) {
  if (FFontCopying > 0) return;
  FAssignedValues.Include(fvFont);
  ColumnChanged(true);
}

// ---- Defaults ----------------------------------------------------------------------------------------

TAlignment TColumnFooterEh::DefaultAlignment() const {
  TField* Field = FColumn ? FColumn->GetField() : nullptr;
  return Field ? Field->GetAlignment() : taLeftJustify;
}

TColor TColumnFooterEh::DefaultColor() const {
  TCustomDBGridEh* Grid = FColumn ? FColumn->GetGrid() : nullptr;
  return Grid ? Grid->GetFooterColor() : clWindow;
}

TFont* TColumnFooterEh::DefaultFont() const {
  if (!FColumn) return nullptr;
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetFooterFont() : FColumn->GetFont();
}

bool TColumnFooterEh::DefaultToolTips() const {
  TCustomDBGridEh* Grid = FColumn ? FColumn->GetGrid() : nullptr;
  return Grid && Grid->GetColumnDefValues()->GetFooter()->GetToolTips();
}

TAlignment TColumnFooterEh::GetAlignment() const {
  return FAssignedValues.Contains(fvAlignment) ? FAlignment : DefaultAlignment();
}
TColor TColumnFooterEh::GetColor() const { return FAssignedValues.Contains(fvColor) ? FColor : DefaultColor(); }
bool TColumnFooterEh::GetToolTips() const {
  return FAssignedValues.Contains(fvToolTips) ? FToolTips : DefaultToolTips();
}

void TColumnFooterEh::RefreshDefaultFont() const {
  if (FAssignedValues.Contains(fvFont)) return;
  TFont* Default = DefaultFont();
  if (!Default || (FFont->Data() == Default->Data() && FFont->GetColor() == Default->GetColor())) return;
  ++FFontCopying;
  FFont->Assign(Default);
  --FFontCopying;
}

TFont* TColumnFooterEh::GetFont() const {
  RefreshDefaultFont();
  return FFont.get();
}

bool TColumnFooterEh::IsAlignmentStored() const {
  return FAssignedValues.Contains(fvAlignment) && FAlignment != DefaultAlignment();
}
bool TColumnFooterEh::IsColorStored() const { return FAssignedValues.Contains(fvColor) && FColor != DefaultColor(); }
bool TColumnFooterEh::IsFontStored() const { return FAssignedValues.Contains(fvFont); }
bool TColumnFooterEh::IsToolTipsStored() const { return FAssignedValues.Contains(fvToolTips) && FToolTips; }

// ---- Setters ------------------------------------------------------------------------------------------

void TColumnFooterEh::SetAlignment(TAlignment Value) {
  if (FAssignedValues.Contains(fvAlignment) && FAlignment == Value) return;
  FAlignment = Value;
  FAssignedValues.Include(fvAlignment);
  ColumnChanged(false);
}

void TColumnFooterEh::SetColor(TColor Value) {
  if (FAssignedValues.Contains(fvColor) && FColor == Value) return;
  FColor = Value;
  FAssignedValues.Include(fvColor);
  ColumnChanged(false);
}

void TColumnFooterEh::SetToolTips(bool Value) {
  if (FAssignedValues.Contains(fvToolTips) && FToolTips == Value) return;
  FToolTips = Value;
  FAssignedValues.Include(fvToolTips);
}

void TColumnFooterEh::SetEndEllipsis(bool Value) {
  FEndEllipsis = Value;
  ColumnChanged(false);
}

void TColumnFooterEh::SetWordWrap(bool Value) {
  FWordWrap = Value;
  ColumnChanged(false);
}

void TColumnFooterEh::SetValue(const String& Value) {
  FValue = Value;
  ColumnChanged(false);
}

void TColumnFooterEh::SetDisplayFormat(const String& Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  ColumnChanged(false);
}

void TColumnFooterEh::SetFieldName(const String& Value) {
  FFieldName = Value;
  if (FColumn) {
    FColumn->GetFooter()->RefreshSumItem();
    for (Integer I = 0; I < FColumn->GetFooters()->GetCount(); ++I) FColumn->GetFooters()->Items(I)->RefreshSumItem();
  } else {
    RefreshSumItem();
  }
  ColumnChanged(false);
}

void TColumnFooterEh::SetValueType(TFooterValueType Value) {
  if (FValueType == Value) return;
  FValueType = Value;
  if (FColumn) {
    FColumn->GetFooter()->RefreshSumItem();
    for (Integer I = 0; I < FColumn->GetFooters()->GetCount(); ++I) FColumn->GetFooters()->Items(I)->RefreshSumItem();
  }
  ColumnChanged(false);
}

void TColumnFooterEh::SetFont(const TFont* Value) { FFont->Assign(Value); }

void TColumnFooterEh::RestoreDefaults() {
  const bool FontAssigned = FAssignedValues.Contains(fvFont);
  FAssignedValues = {};
  RefreshDefaultFont();
  ColumnChanged(FontAssigned);
}

void TColumnFooterEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TColumnFooterEh*>(Source);
  if (!S) return TCollectionItem::Assign(Source);
  if (S->FAssignedValues.Contains(fvAlignment)) SetAlignment(S->FAlignment);
  if (S->FAssignedValues.Contains(fvColor)) SetColor(S->FColor);
  if (S->FAssignedValues.Contains(fvFont)) SetFont(S->GetFont());
  SetEndEllipsis(S->FEndEllipsis);
  SetValueType(S->FValueType);
  SetFieldName(S->FFieldName);
  SetValue(S->FValue);
  SetWordWrap(S->FWordWrap);
  SetDisplayFormat(S->FDisplayFormat);
  SetToolTips(S->GetToolTips());
}

void TColumnFooterEh::RefreshSumItem() {
  TDBGridEhSumList* List = SumList();
  if (!List) return;
  const String Name = FFieldName.empty() ? FColumn->GetFieldName() : FFieldName;
  auto Configure = [&](TDBSum* Sum) {
    Sum->SetGroupOperation(OperationOf(FValueType));
    Sum->SetFieldName(FValueType == fvtCount ? String() : Name);
  };
  if (FDBSum) {
    if (IsAggregate(FValueType)) {
      Configure(FDBSum);
    } else {
      delete FDBSum;
      FDBSum = nullptr;
    }
  } else if (IsAggregate(FValueType)) {
    TDBSumCollection* Sums = List->GetSumCollection();
    Sums->BeginUpdate();
    try {
      FDBSum = Sums->Add();
      Configure(FDBSum);
    } catch (...) {
      Sums->EndUpdate();
      throw;
    }
    Sums->EndUpdate();
  }
}

// ---- The footers collection ------------------------------------------------------------------------

TColumnFootersEh::TColumnFootersEh(TColumnEh* Column, TCollectionItemClass FooterClass)
    : TCollection(FooterClass), FColumn(Column) {}

TPersistent* TColumnFootersEh::GetOwner() const { return FColumn; }

void TColumnFootersEh::Update(TCollectionItem*) {
  if (TCustomDBGridEh* Grid = FColumn->GetGrid()) Grid->InvalidateFooter();
}

// ---- The grid's sum list ----------------------------------------------------------------------------

TDBGridEhSumList::TDBGridEhSumList(TCustomDBGridEh* Grid) : TDBSumListProducer(Grid), FGrid(Grid) { SetActive(false); }

void TDBGridEhSumList::SetDataSetEvents() {
  if (FGrid->GetComponentState().Contains(csDesigning)) {
    FHooked = true;
    return;
  }
  TDBSumListProducer::SetDataSetEvents();
}

void TDBGridEhSumList::ResetDataSetEvents() {
  if (FGrid->GetComponentState().Contains(csDesigning)) {
    FHooked = false;
    return;
  }
  TDBSumListProducer::ResetDataSetEvents();
}
