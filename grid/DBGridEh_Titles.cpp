// A column's title: its look follows the grid's title defaults until assigned
// (the flags live in the column's set, bits 5 to 12), and its sort marker keeps
// the grid's list of sort-marked columns in step.

#include "grid/DBGridEh.h"

// ---- Construction -------------------------------------------------------------------------------

TColumnTitleEh::TColumnTitleEh(TColumnEh* Column) : FColumn(Column), FFont(std::make_unique<TFont>()) {
  {
    ++FFontCopying;
    FFont->Assign(DefaultFont());
    --FFontCopying;
  }
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
  FTitleButton = false;
  SetSortMarker(smNoneEh);
  FImageIndex = -1;
}

TColumnTitleEh::~TColumnTitleEh() { FFont->OnChange = nullptr; }

bool TColumnTitleEh::Assigned(TColumnEhValue Flag) const { return FColumn->FAssignedValues.Contains(Flag); }

void TColumnTitleEh::SetFlag(TColumnEhValue Flag) { FColumn->FAssignedValues.Include(Flag); }

void TColumnTitleEh::ColumnChanged(bool AllItems) { FColumn->Changed(AllItems); }

void TColumnTitleEh::FontChanged(TObject*) {
  if (FFontCopying > 0) return;
  SetFlag(cvTitleFont);
  ColumnChanged(true);
}

// ---- Defaults -----------------------------------------------------------------------------------------

TAlignment TColumnTitleEh::DefaultAlignment() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetColumnDefValues()->GetTitle()->GetAlignment() : taLeftJustify;
}

String TColumnTitleEh::DefaultCaption() const {
  if (TField* Field = FColumn->GetField()) return Field->GetDisplayLabel();
  return FColumn->GetFieldName();
}

TColor TColumnTitleEh::DefaultColor() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetColumnDefValues()->GetTitle()->GetColor() : clBtnFace;
}

bool TColumnTitleEh::DefaultEndEllipsis() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetTitle()->GetEndEllipsis();
}

TFont* TColumnTitleEh::DefaultFont() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetTitleFont() : FColumn->GetFont();
}

TTextOrientationEh TColumnTitleEh::DefaultOrientation() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetColumnDefValues()->GetTitle()->GetOrientation() : tohHorizontal;
}

bool TColumnTitleEh::DefaultTitleButton() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetTitle()->GetTitleButton();
}

bool TColumnTitleEh::DefaultToolTips() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetTitle()->GetToolTips();
}

// ---- Getters and stored predicates ----------------------------------------------------------------

TAlignment TColumnTitleEh::GetAlignment() const { return Assigned(cvTitleAlignment) ? FAlignment : DefaultAlignment(); }
String TColumnTitleEh::GetCaption() const { return Assigned(cvTitleCaption) ? FCaption : DefaultCaption(); }
TColor TColumnTitleEh::GetColor() const { return Assigned(cvTitleColor) ? FColor : DefaultColor(); }
bool TColumnTitleEh::GetEndEllipsis() const {
  return Assigned(cvTitleEndEllipsis) ? FEndEllipsis : DefaultEndEllipsis();
}
TTextOrientationEh TColumnTitleEh::GetOrientation() const {
  return Assigned(cvTitleOrientation) ? FOrientation : DefaultOrientation();
}
bool TColumnTitleEh::GetTitleButton() const { return Assigned(cvTitleButton) ? FTitleButton : DefaultTitleButton(); }
bool TColumnTitleEh::GetToolTips() const { return Assigned(cvTitleToolTips) ? FToolTips : DefaultToolTips(); }

void TColumnTitleEh::RefreshDefaultFont() const {
  if (Assigned(cvTitleFont)) return;
  TFont* Default = DefaultFont();
  if (!Default || (FFont->Data() == Default->Data() && FFont->GetColor() == Default->GetColor())) return;
  ++FFontCopying;
  FFont->Assign(Default);
  --FFontCopying;
}

TFont* TColumnTitleEh::GetFont() const {
  RefreshDefaultFont();
  return FFont.get();
}

bool TColumnTitleEh::IsAlignmentStored() const {
  return Assigned(cvTitleAlignment) && FAlignment != DefaultAlignment();
}
bool TColumnTitleEh::IsCaptionStored() const { return Assigned(cvTitleCaption) && FCaption != DefaultCaption(); }
bool TColumnTitleEh::IsColorStored() const { return Assigned(cvTitleColor) && FColor != DefaultColor(); }
bool TColumnTitleEh::IsEndEllipsisStored() const {
  return Assigned(cvTitleEndEllipsis) && FEndEllipsis != DefaultEndEllipsis();
}
bool TColumnTitleEh::IsFontStored() const { return Assigned(cvTitleFont); }
bool TColumnTitleEh::IsOrientationStored() const {
  return Assigned(cvTitleOrientation) && FOrientation != DefaultOrientation();
}
bool TColumnTitleEh::IsTitleButtonStored() const {
  return Assigned(cvTitleButton) && FTitleButton != DefaultTitleButton();
}
bool TColumnTitleEh::IsToolTipsStored() const { return Assigned(cvTitleToolTips) && FToolTips != DefaultToolTips(); }

// ---- Setters ------------------------------------------------------------------------------------------

void TColumnTitleEh::SetAlignment(TAlignment Value) {
  if (Assigned(cvTitleAlignment) && FAlignment == Value) return;
  FAlignment = Value;
  SetFlag(cvTitleAlignment);
  ColumnChanged(false);
}

void TColumnTitleEh::SetColor(TColor Value) {
  if (Assigned(cvTitleColor) && FColor == Value) return;
  FColor = Value;
  SetFlag(cvTitleColor);
  ColumnChanged(false);
}

void TColumnTitleEh::SetEndEllipsis(bool Value) {
  if (Assigned(cvTitleEndEllipsis) && FEndEllipsis == Value) return;
  FEndEllipsis = Value;
  SetFlag(cvTitleEndEllipsis);
  ColumnChanged(false);
}

void TColumnTitleEh::SetOrientation(TTextOrientationEh Value) {
  if (Assigned(cvTitleOrientation) && FOrientation == Value) return;
  FOrientation = Value;
  SetFlag(cvTitleOrientation);
  ColumnChanged(false);
}

void TColumnTitleEh::SetTitleButton(bool Value) {
  if (Assigned(cvTitleButton) && FTitleButton == Value) return;
  FTitleButton = Value;
  SetFlag(cvTitleButton);
  ColumnChanged(false);
}

void TColumnTitleEh::SetToolTips(bool Value) {
  if (Assigned(cvTitleToolTips) && FToolTips == Value) return;
  FToolTips = Value;
  SetFlag(cvTitleToolTips);
}

void TColumnTitleEh::SetFont(const TFont* Value) { FFont->Assign(Value); }

void TColumnTitleEh::SetCaption(const String& Value) {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  if (FColumn->IsDefaultColumn() && Grid && Grid->GetDataLink()->GetActive()) {
    if (TField* Field = FColumn->GetField()) {
      // A column the grid made for a field shows the field's label: the label changes.
      Field->SetDisplayLabel(Value);
      return;
    }
  }
  if (Assigned(cvTitleCaption) && FCaption == Value) return;
  FCaption = Value;
  SetFlag(cvTitleCaption);
  ColumnChanged(false);
}

void TColumnTitleEh::SetImageIndex(Integer Value) {
  FImageIndex = Value;
  if (TCustomDBGridEh* Grid = FColumn->GetGrid()) Grid->LayoutChanged();
}

void TColumnTitleEh::RestoreDefaults() {
  const bool FontAssigned = Assigned(cvTitleFont);
  FColumn->FAssignedValues = FColumn->FAssignedValues - ColumnEhTitleValues;
  FCaption.clear();
  RefreshDefaultFont();
  ColumnChanged(FontAssigned);
}

void TColumnTitleEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TColumnTitleEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  if (S->Assigned(cvTitleAlignment)) SetAlignment(S->FAlignment);
  if (S->Assigned(cvTitleColor)) SetColor(S->FColor);
  if (S->Assigned(cvTitleCaption)) SetCaption(S->FCaption);
  if (S->Assigned(cvTitleFont)) SetFont(S->GetFont());
  SetHint(S->GetHint());
  SetImageIndex(S->GetImageIndex());
  SetOrientation(S->GetOrientation());
  SetSortIndex(S->GetSortIndex());
  SetSortMarker(S->GetSortMarker());
  SetTitleButton(S->GetTitleButton());
  SetEndEllipsis(S->GetEndEllipsis());
  SetToolTips(S->GetToolTips());
}

// ---- Sort marking ---------------------------------------------------------------------------------

void TColumnTitleEh::SetSortMarker(TSortMarkerEh Value) {
  if (FSortMarker == Value) return;
  FSortMarker = Value;
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  TDBGridColumnsEh* Columns = Grid ? Grid->GetColumns() : nullptr;
  // Inside a collection update (streaming, Assign) the list is rebuilt afterwards.
  if (!Columns || Columns->GetUpdateCount() > 0) {
    ColumnChanged(false);
    return;
  }
  TColumnsEhList* Sorted = Grid->GetSortMarkedColumns();
  if (!Grid->GetOptionsEh().Contains(dghMultiSortMarking)) {
    if (Value != smNoneEh) {
      for (Integer I = 0; I < Columns->GetCount(); ++I)
        if (Columns->Items(I) != FColumn) Columns->Items(I)->GetTitle()->SetSortMarker(smNoneEh);
      FSortIndex = 1;
      Sorted->Clear();
      Sorted->Add(FColumn);
    } else {
      FSortIndex = 0;
      Sorted->Clear();
    }
  } else if (Value != smNoneEh) {
    if (FSortIndex == 0) {
      Integer Marked = 0;
      for (Integer I = 0; I < Columns->GetCount(); ++I)
        if (Columns->Items(I)->GetTitle()->FSortIndex != 0) ++Marked;
      FSortIndex = Marked + 1;
      Sorted->Add(FColumn);
    }
  } else if (FSortIndex != 0) {
    for (Integer I = 0; I < Columns->GetCount(); ++I) {
      TColumnTitleEh* Other = Columns->Items(I)->GetTitle();
      if (Other->FSortIndex > FSortIndex) --Other->FSortIndex;
    }
    Sorted->Remove(FColumn);
    FSortIndex = 0;
  }
  ColumnChanged(false);
}

void TColumnTitleEh::SetSortIndex(Integer Value) {
  if (Value < 0) Value = 0;
  if (Value == FSortIndex) return;
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  TDBGridColumnsEh* Columns = Grid ? Grid->GetColumns() : nullptr;
  if (!Columns || Columns->GetUpdateCount() > 0) {
    FSortIndex = Value;
    return;
  }
  if (FSortMarker == smNoneEh || Value == 0) return;
  TColumnTitleEh* Other = nullptr;
  for (Integer I = 0; I < Columns->GetCount() && !Other; ++I) {
    TColumnTitleEh* T = Columns->Items(I)->GetTitle();
    if (T != this && T->FSortIndex == Value) Other = T;
  }
  // Indexes stay 1..n in the order of the list: the only reordering is a swap.
  if (!Other) return;
  TColumnsEhList* Sorted = Grid->GetSortMarkedColumns();
  const Integer Mine = Sorted->IndexOf(FColumn), Theirs = Sorted->IndexOf(Other->FColumn);
  if (Mine >= 0 && Theirs >= 0) Sorted->Exchange(Mine, Theirs);
  std::swap(FSortIndex, Other->FSortIndex);
  ColumnChanged(false);
}

void TColumnTitleEh::SetNextSortMarkerValue(bool KeepMulti) {
  if (!KeepMulti)
    if (TCustomDBGridEh* Grid = FColumn->GetGrid())
      for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
        if (Grid->GetColumns()->Items(I) != FColumn) Grid->GetColumns()->Items(I)->GetTitle()->SetSortMarker(smNoneEh);
  switch (FSortMarker) {
    case smNoneEh: SetSortMarker(smDownEh); break;
    case smDownEh: SetSortMarker(smUpEh); break;
    case smUpEh: SetSortMarker(KeepMulti ? smNoneEh : smDownEh); break;
  }
}

Integer TColumnTitleEh::GetSortMarkerWidth() const {
  if (FSortIndex == 0) return 0;
  Integer Width = 16, NumberWidth = 0;
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  Integer Marked = 0;
  if (Grid)
    for (Integer I = 0; I < Grid->GetSortMarkedColumns()->Count(); ++I)
      if (Grid->GetSortMarkedColumns()->Items(I)) ++Marked;
  if (Marked >= 2 && SortMarkerFontEh()) {
    NumberWidth = FontTextWidthEh(SortMarkerFontEh(), IntToStr(FSortIndex));
    Width += NumberWidth;
  }
  const Integer Room = FColumn->GetWidth() - 4;
  if (Width > Room) Width -= 14;
  if (Width > Room) Width -= NumberWidth + 2;
  return Width;
}

Integer TColumnTitleEh::GetFilterButtonWidth() const {
  TCustomDBGridEh* Grid = FColumn->GetGrid();
  if (!Grid || !Grid->GetSTFilter()->GetVisible() || Grid->GetSTFilter()->GetLocation() != stflInTitleFilterEh)
    return 0;
  if (Grid->GetFlat()) return ToolCtrlsMetricsEh().DefaultEditButtonWidth + (ThemesEnabledEh() ? 0 : 1);
  return GetSystemMetrics(SM_CXVSCROLL);
}
