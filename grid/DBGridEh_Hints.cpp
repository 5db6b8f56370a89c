// Tool tips: a title, data or footer cell whose ToolTips is on shows its whole
// text in a tip laid exactly over the cell's text, when the text does not fit.
//
// Index of this file:
//   the tip window's font: the cell's, in the window-text colour
//   CM_HINTSHOWPAUSE: tips of such cells come at once
//   CM_HINTSHOW: a title's own hint, then the title, data or footer tip
//   the fit rule and the tip's place
//
// The decision is kept in the hint record the application's hint manager
// passes (THintInfo): an empty HintStr shows nothing; HintPos, CursorRect and
// HintMaxWidth place the tip; HintData is the font the tip writes in.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/Forms.h"

namespace {

// The pause before any other hint.
Integer ApplicationHintPause() { return Application ? Application->GetHintPause() : 500; }

// Where the mouse is, in the grid's client coordinates: the hint manager asks
// before the grid has seen the move that brought the mouse here.
TPoint MouseAt(TCustomDBGridEh* Grid, TPoint Last) {
  return Grid->HandleAllocated() ? Grid->ScreenToClient(GetCursorPos()) : Last;
}

}  // namespace

// ---- The tip window --------------------------------------------------------------------------------------

TFont* TCustomDBGridEh::GetHintFont() {
  if (!FHintFont) FHintFont = std::make_unique<TFont>();
  return FHintFont.get();
}

// ---- The pause --------------------------------------------------------------------------------------------

void TCustomDBGridEh::CMHintShowPause(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  auto* Pause = reinterpret_cast<Integer*>(Message.LParam);
  const TPoint At = MouseAt(this, FLastMovePos);
  const TGridCoord Cell = MouseCoord(At.X, At.Y);
  const Integer DataCol = RawToDataColumn(Cell.X);
  if (!Pause || Cell.X < FIndicatorOffset || Cell.Y < 0 || DataCol >= FColumns->GetCount()) return;
  TColumnEh* Column = FColumns->Items(DataCol);
  *Pause = ApplicationHintPause();
  bool Processed = false;
  if (OnHintShowPause) OnHintShowPause(this, At, Cell, *Pause, Processed);
  if (!Processed && Column->OnHintShowPause) Column->OnHintShowPause(Column, At, Cell, *Pause, Processed);
  if (Processed) return;
  Integer AreaCol = 0, AreaRow = 0;
  const TCellAreaVertEh Area = GetCellType(Cell.X, Cell.Y, AreaCol, AreaRow).Vert;
  const bool Now = (Area == cavFooterEh && Column->GetFooterForRow(AreaRow)->GetToolTips()) ||
                   (Area == cavDataEh && FDataLink->GetActive() && Column->GetToolTips()) ||
                   (Area == cavTitleEh && Column->GetTitle()->GetToolTips() && Column->GetTitle()->GetHint().empty());
  if (Now) *Pause = 0;
}

// ---- The tip ----------------------------------------------------------------------------------------------

void TCustomDBGridEh::CMHintShow(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  auto* Info = reinterpret_cast<THintInfo*>(Message.LParam);
  const TPoint At = MouseAt(this, FLastMovePos);
  const TGridCoord Cell = MouseCoord(At.X, At.Y);
  const Integer DataCol = RawToDataColumn(Cell.X);
  if (Message.Result != 0 || !Info || Cell.X < FIndicatorOffset || Cell.Y < 0 || DataCol >= FColumns->GetCount())
    return;
  TColumnEh* Column = FColumns->Items(DataCol);
  Integer AreaCol = 0, AreaRow = 0;
  const TCellAreaVertEh Area = GetCellType(Cell.X, Cell.Y, AreaCol, AreaRow).Vert;
  // Each cell has its own tip, or none: leaving the cell asks again.
  Info->CursorRect = CellRect(Cell.X, Cell.Y);
  // Measured from the cell's leading edge (the mirror, right-to-left); the
  // tip is turned back at the end.
  TRect R = LogicalCellRect(Cell.X, Cell.Y);
  if (Area == cavTitleEh && !Column->GetTitle()->GetHint().empty()) {
    Info->HintStr = GetShortHint(Column->GetTitle()->GetHint());
    return;
  }
  const bool Tips = (Area == cavTitleEh && Column->GetTitle()->GetToolTips()) || Area == cavDataEh ||
                    (Area == cavFooterEh && Column->GetFooterForRow(AreaRow)->GetToolTips());
  if (!Tips) return;
  if (GetCaptureControl() || GetKeyState(VK_CONTROL) < 0) {
    Info->HintStr.clear();
    return;
  }
  const Integer TextRight = R.Left + Column->GetWidth();
  R.Right = std::min(R.Right, GetClientWidth());
  if (Area == cavTitleEh) TitleTip(*Info, Column, R, TextRight);
  else if (Area == cavDataEh) DataTip(*Info, Column, Cell, TPoint(LogicalX(At.X), At.Y), R, TextRight);
  else FooterTip(*Info, Column, AreaRow, R, TextRight);
}

bool TCustomDBGridEh::TitleTip(THintInfo& Info, TColumnEh* Column, TRect R, Integer TextRight) {
  TColumnTitleEh* Title = Column->GetTitle();
  const Integer Mark = Title->GetSortMarkerWidth() - 2;
  if (Mark > 2) R.Right -= Mark;
  const bool Vertical = Title->GetOrientation() == tohVertical;
  const bool WordWrap = !Vertical && (MultiTitleActive() || FTitleHeight > 0 || FTitleLines > 0);
  PlaceTip(Info, Title->GetCaption(), R, TextRight, Title->GetAlignment(), WordWrap, Title->GetFont());
  return true;
}

// A data cell's tip: the grid's and the column's OnDataHintShow may make it;
// otherwise, with the column's ToolTips, the grid measures the cell's text.
bool TCustomDBGridEh::DataTip(THintInfo& Info, TColumnEh* Column, TGridCoord Cell, TPoint At, TRect R,
                              Integer TextRight) {
  if (!FDataLink->GetActive() || !BeginReadRow(Cell.Y - GetTitleRowCount())) return false;
  TScopeExitEh Leave([this] { EndReadRow(); });
  if (OnDataHintShow || Column->OnDataHintShow) {
    TDBGridEhDataHintParams Params;
    Params.HintPos = ScreenToClient(Info.HintPos);
    Params.HintMaxWidth = Info.HintMaxWidth;
    Params.HintColor = Info.HintColor;
    Params.CursorRect = Info.CursorRect;
    Params.CursorPos = Info.CursorPos;
    Params.HideTimeout = Info.HideTimeout;
    Params.ReshowTimeout = Info.ReshowTimeout;
    Params.HintStr = Info.HintStr;
    Params.HintWindowClass = Info.HintWindowClass;
    Params.HintFont = GetHintFont();
    Params.Col = Cell.X;
    Params.Row = Cell.Y;
    bool Processed = false;
    if (OnDataHintShow) OnDataHintShow(this, Params.CursorPos, Cell, Params, Processed);
    if (!Processed && Column->OnDataHintShow) Column->OnDataHintShow(Column, Params.CursorPos, Cell, Params, Processed);
    if (Processed) {
      Info.HintPos = ClientToScreen(Params.HintPos);
      Info.HintMaxWidth = Params.HintMaxWidth;
      Info.HintColor = Params.HintColor;
      Info.CursorRect = Params.CursorRect;
      Info.HideTimeout = Params.HideTimeout;
      Info.ReshowTimeout = Params.ReshowTimeout;
      Info.HintStr = Params.HintStr;
      Info.HintWindowClass = Params.HintWindowClass;
      Info.HintData = Params.HintFont;
      return true;
    }
  }
  if (!Column->GetToolTips()) return false;
  const TColumnKindEh Kind = Column->GetColumnKind();
  if (Column->GetAlwaysShowEditButton()) {
    R.Right -= Column->EditButtonsWidth();
    if (At.X >= R.Right) {
      Info.HintStr.clear();
      return true;
    }
  }
  if (FVisibleColumns->IndexOf(Column) == 0) {
    R.Left += FirstColumnIndent() + (FRowDetailPanel->GetActive() ? GridTreeIndentEh : 0);
    if (FIntMemTable && FIntMemTable->IsTreeList())
      R.Left += GridTreeIndentEh * std::max(0, FIntMemTable->GetTreeNodeLevel());
  }
  if (Column->GetShowImageAndText() && Column->GetImageList()) R.Left += Column->GetImageList()->GetWidth() + 5;
  const bool Boxed = Kind == ckImageList || Kind == ckCheckBox;
  const bool WordWrap = Column->GetWordWrap() && Column->CanWrapInHeight(R.Height());
  PlaceTip(Info, ToolTipText(Column), R, TextRight, Boxed ? taLeftJustify : Column->GetAlignment(), WordWrap,
           Column->GetFont());
  return true;
}

// A footer's text and look as its cell shows them (OnGetFooterParams may change them).
bool TCustomDBGridEh::FooterTip(THintInfo& Info, TColumnEh* Column, Integer FooterRow, TRect R, Integer TextRight) {
  TColumnFooterEh* Footer = Column->GetFooterForRow(FooterRow);
  String Text;
  GetFooterValue(FooterRow, Column, Text);
  FInternalFont->Assign(Footer->GetFont());
  TColor Background = Footer->GetColor();
  TAlignment Alignment = Footer->GetAlignment();
  GetFooterParams(Column->GetIndex(), FooterRow, Column, FInternalFont.get(), Background, Alignment, TGridDrawState(),
                  Text);
  PlaceTip(Info, Text, R, TextRight, Alignment, Footer->GetWordWrap(), FInternalFont.get());
  return true;
}

String TCustomDBGridEh::ToolTipText(TColumnEh* Column) {
  const TColumnKindEh Kind = Column->GetColumnKind();
  if (Kind != ckImageList && Kind != ckCheckBox) return Column->GetDisplayText();
  Integer Index = -1;
  if (Kind == ckCheckBox) {
    Index = Column->GetCheckboxState();
  } else if (Column->HasKeyListItems()) {
    Index = Column->GetKeyList()->IndexOf(Column->GetEditFieldText());
  }
  if (!Column->HasPickListItems() || Index < 0 || Index >= Column->GetPickList()->GetCount()) return String();
  return Column->GetPickList()->GetStrings(Index);
}

// Text that fits in the cell shows no tip (a right-aligned text only when its
// right end is in view too). Otherwise the tip lies where the text is drawn.
void TCustomDBGridEh::PlaceTip(THintInfo& Info, const String& Text, TRect R, Integer TextRight, TAlignment Alignment,
                               bool WordWrap, TFont* Font) {
  TCanvas* Canvas = GetCanvas();
  TFontDataEh Saved;
  SaveFontDataEh(Canvas->GetFont(), Saved);
  Canvas->GetFont()->Assign(Font);
  Integer Width = 0, Height = 0;
  const bool Truncated =
      MeasureTextEh(WordWrap ? UINT(DT_WORDBREAK) : 0u, Canvas, FTextMargin, 2, Text, R, WordWrap, Width, Height);
  const Integer LineWidth = Canvas->TextWidth(Text);
  RestoreFontDataEh(Saved, Canvas->GetFont());
  const bool RightEndShown = TextRight <= R.Right;
  if (Text.empty() || (!Truncated && (Alignment != taRightJustify || RightEndShown))) {
    Info.HintStr.clear();
    return;
  }
  const Integer Lift = GetFlat() ? 2 : 1;
  TPoint At(R.Left - 1, R.Top - Lift);
  if (Alignment == taRightJustify) At.X = TextRight + 1 - Width - 7;
  else if (Alignment == taCenter) At.X = TextRight + 1 - Width - 6 + Width / 2 - (TextRight - R.Left - 4) / 2;
  if (UseRightToLeftAlignment()) {
    // At the mirror of its place: the tip as wide as the tip window makes it
    // (the text and 3 pixels of border and margin on each side).
    const Integer TipWidth = (WordWrap ? std::min(LineWidth, R.Width() - 4) : LineWidth) + 6;
    At.X = MirroredX(At.X) + 1 - TipWidth;
    R = MirroredRect(R);
  }
  Info.HintStr = Text;
  Info.HintPos = ClientToScreen(At);
  Info.CursorRect = R;
  if (WordWrap) Info.HintMaxWidth = R.Width() - 4;
  Info.HintWindowClass = TToolTipsWindow::StaticComponentClass();
  GetHintFont()->Assign(Font);
  // A tip reads as a tip whatever colour the cell writes in.
  GetHintFont()->SetColor(clWindowText);
  Info.HintData = GetHintFont();
}
