// The grid-wide defaults that every column, title and footer shows for a
// property it has not assigned itself. Setting a default changes no column: the
// columns read it when they need it, so the grid only repaints or re-lays out.

#include "grid/DBGridEh.h"

namespace {

void InvalidateOf(TCustomDBGridEh* Grid) {
  if (Grid) Grid->Invalidate();
}

void LayoutOf(TCustomDBGridEh* Grid) {
  if (Grid) Grid->LayoutChanged();
}

}  // namespace

// ---- Title defaults ------------------------------------------------------------------------------------

TCustomDBGridEh* TColumnTitleDefValuesEh::Grid() const { return FOwner ? FOwner->GetGrid() : nullptr; }

TAlignment TColumnTitleDefValuesEh::DefaultAlignment() const {
  TCustomDBGridEh* G = Grid();
  return G && G->GetUseMultiTitle() ? taCenter : taLeftJustify;
}

TColor TColumnTitleDefValuesEh::DefaultColor() const {
  TCustomDBGridEh* G = Grid();
  return G ? G->GetFixedColor() : clBtnFace;
}

TAlignment TColumnTitleDefValuesEh::GetAlignment() const {
  return FAlignmentAssigned ? FAlignment : DefaultAlignment();
}

TColor TColumnTitleDefValuesEh::GetColor() const { return FColorAssigned ? FColor : DefaultColor(); }

void TColumnTitleDefValuesEh::SetAlignment(TAlignment Value) {
  if (FAlignmentAssigned && FAlignment == Value) return;
  FAlignment = Value;
  FAlignmentAssigned = true;
  LayoutOf(Grid());
}

void TColumnTitleDefValuesEh::SetColor(TColor Value) {
  if (FColorAssigned && FColor == Value) return;
  FColor = Value;
  FColorAssigned = true;
  InvalidateOf(Grid());
}

void TColumnTitleDefValuesEh::SetEndEllipsis(bool Value) {
  if (FEndEllipsis == Value) return;
  FEndEllipsis = Value;
  InvalidateOf(Grid());
}

void TColumnTitleDefValuesEh::SetOrientation(TTextOrientationEh Value) {
  if (FOrientation == Value) return;
  FOrientation = Value;
  LayoutOf(Grid());
}

void TColumnTitleDefValuesEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TColumnTitleDefValuesEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  if (S->FAlignmentAssigned) SetAlignment(S->FAlignment);
  if (S->FColorAssigned) SetColor(S->FColor);
  SetEndEllipsis(S->FEndEllipsis);
  FTitleButton = S->FTitleButton;
  FToolTips = S->FToolTips;
  SetOrientation(S->FOrientation);
}

void TColumnFooterDefValuesEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TColumnFooterDefValuesEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FToolTips = S->FToolTips;
}

// ---- Column defaults ----------------------------------------------------------------------------------

TColumnDefValuesEh::TColumnDefValuesEh(TCustomDBGridEh* Grid)
    : FGrid(Grid),
      FTitle(std::make_unique<TColumnTitleDefValuesEh>(this)),
      FFooter(std::make_unique<TColumnFooterDefValuesEh>()) {}

TColumnDefValuesEh::~TColumnDefValuesEh() = default;

void TColumnDefValuesEh::SetAlwaysShowEditButton(bool Value) {
  if (FAlwaysShowEditButton == Value) return;
  FAlwaysShowEditButton = Value;
  InvalidateOf(FGrid);
}

void TColumnDefValuesEh::SetEndEllipsis(bool Value) {
  if (FEndEllipsis == Value) return;
  FEndEllipsis = Value;
  InvalidateOf(FGrid);
}

void TColumnDefValuesEh::SetLayout(TTextLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  InvalidateOf(FGrid);
}

void TColumnDefValuesEh::SetHighlightRequired(bool Value) {
  if (FHighlightRequired == Value) return;
  FHighlightRequired = Value;
  InvalidateOf(FGrid);
}

// Layout, HighlightRequired and Footer are not copied.
void TColumnDefValuesEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TColumnDefValuesEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FTitle->Assign(S->FTitle.get());
  SetAlwaysShowEditButton(S->FAlwaysShowEditButton);
  SetEndEllipsis(S->FEndEllipsis);
  FAutoDropDown = S->FAutoDropDown;
  FDblClickNextVal = S->FDblClickNextVal;
  FToolTips = S->FToolTips;
  FDropDownSizing = S->FDropDownSizing;
  FDropDownShowTitles = S->FDropDownShowTitles;
}
