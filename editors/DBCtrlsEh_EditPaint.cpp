// TCustomDBEditEh: the window, the edit buttons' controls and their layout, the
// flat border, the painting and the tool tips.
//
// Index of this file:
//   window        CreateParams, CreateWnd, the text rectangle
//   buttons       one control per button, laid out from the outermost (the last of
//                 EditButtons) in to the main button, a separator line before each
//                 in flat mode
//   border        the flat border drawn over the non-client area
//   painting      the window's own painting (left alignment, focus, word wrap) or
//                 the editor's (right and centred text), the image, the separators
//                 and the required-value mark
//   tool tips     the whole text as a hint when it does not fit

#include <algorithm>

#include "editors/DBCtrlsEh.h"
#include "platform/ui/ControlPaint.h"

// ---- window ----------------------------------------------------------------------------------------------

void TCustomDBEditEh::CreateParams(TCreateParams& Params) {
  // The edit control aligns wrapped text itself (mirrored right to left); a single
  // line it lays out from the side it reads from, and the editor paints other
  // alignments while it is not focused.
  const TAlignment alignment = GetEffectiveAlignment();
  FAlignment = FWordWrapEh ? alignment : LineAlignment();
  FMultiLine = FWordWrapEh;
  FWordWrap = FWordWrapEh;
  FWantReturns = FWantReturnsEh;
  FWantTabs = FWantTabsEh;
  TCustomMaskEdit::CreateParams(Params);
  if (FWordWrapEh) Params.Style &= ~ES_AUTOHSCROLL;
  // Right-to-left, a centred field is not mirrored; the link re-creates the
  // window when its field changes that.
  if (DBUseRightToLeftAlignment(this, GetField())) Params.ExStyle |= WS_EX_RIGHT;
  else Params.ExStyle &= ~DWORD(WS_EX_RIGHT);
}

void TCustomDBEditEh::CreateWnd() {
  TCustomMaskEdit::CreateWnd();
  UpdateHeight();
  UpdateBorderState();
  UpdateEditButtonControlList();
  const bool image = FEditImage->GetVisible() && FEditImage->GetImages();
  FImageWidth =
      image ? (FEditImage->GetWidth() >= 1 ? FEditImage->GetWidth() : FEditImage->GetImages()->GetWidth()) + 4 : 0;
  UpdateImageIndex();
  SetEditRect();
  Perform(EM_SCROLLCARET);
}

TRect TCustomDBEditEh::GetEditRect() {
  TRect r = GetClientRect();
  const bool rtl = UseRightToLeftAlignment();
  if (rtl) r.Left += FButtonWidth;
  else r.Right -= FButtonWidth;
  if (FEditImage->GetVisible() && FEditImage->GetImages()) {
    if (rtl) r.Right -= FImageWidth;
    else r.Left += FImageWidth;
  }
  if (r.Right < r.Left) r.Right = r.Left;
  return r;
}

void TCustomDBEditEh::SetEditRect() {
  if (!HandleAllocated()) return;
  TRect r = GetEditRect();
  SendMessage(FHandle, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

// ---- buttons ---------------------------------------------------------------------------------------------

Integer TCustomDBEditEh::ButtonWidthOf(const TEditButtonEh* Button) const {
  if (!Button || !Button->GetVisible()) return 0;
  if (Button->GetWidth() >= 1) return Button->GetWidth();
  return FFlat ? DefaultEditButtonWidthEh() : GetSystemMetrics(SM_CXVSCROLL);
}

void TCustomDBEditEh::UpdateEditButtonControlList() {
  if (FUpdatingButtons) return;
  FUpdatingButtons = true;
  const size_t count = 1 + size_t(FEditButtons->GetCount());
  while (FButtonControls.size() > count) {
    delete FButtonControls.back().Control;
    FButtonControls.pop_back();
  }
  while (FButtonControls.size() < count) {
    TButtonControlEntry entry;
    entry.Control = CreateEditButtonControl();
    entry.Control->OnClick = [this](TObject* Sender) { EditButtonClick(Sender); };
    entry.Control->OnDown = [this](TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) {
      EditButtonMouseDown(Sender, TopButton, AutoRepeat, Handled);
    };
    entry.Control->OnMouseMove = [this](TObject* Sender, TShiftState Shift, Integer X, Integer Y) {
      EditButtonMouseMove(Sender, Shift, X, Y);
    };
    entry.Control->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
      EditButtonMouseUp(Sender, Button, Shift, X, Y);
    };
    FButtonControls.push_back(entry);
  }
  for (size_t i = 0; i < FButtonControls.size(); ++i) {
    TButtonControlEntry& e = FButtonControls[i];
    // A button still being made is not one yet: its control stays empty until it is.
    e.Button = i == 0 ? FEditButton.get() : FEditButtons->Items(Integer(i) - 1);
    if (!e.Button) continue;
    e.Control->SetStyle(e.Button->GetStyle());
    e.Control->SetGlyph(e.Button->GetGlyph());
    e.Control->SetNumGlyphs(e.Button->GetNumGlyphs());
    e.Control->SetHint(e.Button->GetHint());
    e.Control->SetShowHint(!e.Button->GetHint().empty());
    e.Control->SetFlat(FFlat);
  }
  FUpdatingButtons = false;
  LayoutEditButtonControls();
  UpdateEditButtonControlsState();
}

void TCustomDBEditEh::LayoutEditButtonControls() {
  const TRect client = GetClientRect();
  const bool rtl = UseRightToLeftAlignment();
  const bool separators = FFlat && !ThemesEnabledEh();
  Integer edge = rtl ? client.Left : client.Right;
  FButtonWidth = 0;
  for (auto it = FButtonControls.rbegin(); it != FButtonControls.rend(); ++it) {
    const Integer w = ButtonWidthOf(it->Button);
    it->SeparatorWidth = separators && w > 0 ? 1 : 0;
    if (rtl) {
      it->Control->SetBounds(edge, client.Top, w, client.Height());
      edge += w + it->SeparatorWidth;
    } else {
      edge -= w;
      it->Control->SetBounds(edge, client.Top, w, client.Height());
      edge -= it->SeparatorWidth;
    }
    it->Control->SetVisible(w > 0);
    FButtonWidth += w + it->SeparatorWidth;
  }
}

void TCustomDBEditEh::UpdateEditButtonControlsState() {
  for (const TButtonControlEntry& e : FButtonControls) {
    if (!e.Button) continue;
    e.Control->SetEnabled(GetEnabled() && e.Button->GetEnabled());
    e.Control->SetActive(FBorderActive);
    e.Control->SetFlat(FFlat);
  }
  if (HandleAllocated() && FButtonWidth > 0) {
    const TRect client = GetClientRect();
    const TRect area = UseRightToLeftAlignment()
                           ? TRect(client.Left, client.Top, client.Left + FButtonWidth, client.Bottom)
                           : TRect(client.Right - FButtonWidth, client.Top, client.Right, client.Bottom);
    InvalidateRect(FHandle, &area, false);
  }
}

// ---- border ----------------------------------------------------------------------------------------------

void TCustomDBEditEh::UpdateBorderState() {
  const bool active = FFocused || FMouseInside || FAlwaysShowBorder;
  if (active == FBorderActive) return;
  FBorderActive = active;
  if (HandleAllocated() && FFlat && GetCtl3D() && GetBorderStyle() == bsSingle) PaintFlatBorder();
  UpdateEditButtonControlsState();
}

void TCustomDBEditEh::PaintFlatBorder() {
  if (!HandleAllocated()) return;
  HDC dc = GetWindowDC(FHandle);
  const TRect w = ::GetWindowRect(FHandle);
  TRect r(0, 0, w.Width(), w.Height());
  HBRUSH face = CreateSolidBrush(ColorToRGB(clBtnFace));
  if (FBorderActive) DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT);
  else FrameRect(dc, r, face);
  InflateRect(r, -1, -1);
  FrameRect(dc, r, face);
  DeleteObject(face);
  ReleaseDC(FHandle, dc);
}

// ---- painting --------------------------------------------------------------------------------------------

void TCustomDBEditEh::PaintSeparators(HDC DC) {
  for (const TButtonControlEntry& e : FButtonControls) {
    if (!e.SeparatorWidth) continue;
    const Integer x =
        UseRightToLeftAlignment() ? e.Control->GetLeft() + e.Control->GetWidth() : e.Control->GetLeft() - 1;
    FillWith(DC, TRect(x, e.Control->GetTop(), x + 1, e.Control->GetTop() + e.Control->GetHeight()),
             FBorderActive ? clBtnFace : GetColor());
  }
}

bool TCustomDBEditEh::WindowPaintsText() {
  return FFocused || FWordWrapEh || GetEffectiveAlignment() == LineAlignment();
}

void TCustomDBEditEh::PaintWindow(HDC DC) {
  if (!FControlCanvas) {
    FControlCanvas = std::make_unique<TControlCanvas>();
    FControlCanvas->SetControl(this);
  }
  TCanvas* canvas = FControlCanvas.get();
  const bool paintCopy = FControlState.Contains(csPaintCopy);
  const TAlignment alignment = GetEffectiveAlignment();
  if (WindowPaintsText() && !paintCopy) {
    TCustomMaskEdit::PaintWindow(DC);
    canvas->SetHandle(DC);
  } else {
    canvas->SetHandle(DC);
    const TRect client = GetClientRect();
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(client);
    canvas->SetFont(GetFont());
    if (!GetEnabled()) canvas->GetFont()->SetColor(clGrayText);
    String text = GetDisplayText();
    if (GetPasswordChar()) text = String(text.size(), GetPasswordChar());
    const TRect area = GetEditRect();
    const LRESULT margins = Perform(EM_GETMARGINS);
    const Integer extra = GetCtl3D() ? 1 : 2;
    const Integer leftMargin = LoWord(std::uintptr_t(margins)) + extra;
    const Integer rightMargin = HiWord(std::uintptr_t(margins)) + extra;
    const Integer width = canvas->TextWidth(text);
    Integer x = leftMargin;
    if (alignment == taRightJustify) x = area.Width() - width - rightMargin;
    else if (alignment == taCenter) x = (area.Width() - width) / 2;
    canvas->GetBrush()->SetStyle(bsClear);
    canvas->TextRect(area, area.Left + x, area.Top, text);
    canvas->GetBrush()->SetStyle(bsSolid);
  }
  PaintRequiredState(canvas);
  if (FImageWidth > 0 && FEditImage->GetImages() && FEditImage->GetImageIndex() >= 0) {
    const TRect client = GetClientRect();
    TRect imageArea = UseRightToLeftAlignment()
                          ? TRect(client.Right - FImageWidth, client.Top, client.Right, client.Bottom)
                          : TRect(client.Left, client.Top, client.Left + FImageWidth, client.Bottom);
    InflateRect(imageArea, -2, -1);
    DrawImageCenteredEh(canvas, imageArea, FEditImage->GetImages(), FEditImage->GetImageIndex(), false);
  }
  PaintSeparators(DC);
  canvas->SetHandle(nullptr);
}

void TCustomDBEditEh::PaintRequiredState(TCanvas* ACanvas) {
  bool draw = false;
  if (FHighlightRequired) {
    if (DataIndependent()) {
      draw = FDataLink->LinkActive() && (GetVariantValue().IsNull() || GetText().empty());
    } else {
      TField* field = GetField();
      TDataSet* ds = FDataLink->GetDataSet();
      draw = FDataLink->GetActive() && field && ds && (ds->GetState() == dsEdit || ds->GetState() == dsInsert) &&
             field->GetRequired() && field->GetIsNull();
    }
  }
  if (OnCheckDrawRequiredState) OnCheckDrawRequiredState(this, draw);
  if (!draw) return;
  const TRect area = GetEditRect();
  const Integer y = GetClientRect().Bottom - 1;
  ACanvas->GetPen()->SetStyle(psDot);
  ACanvas->GetPen()->SetColor(clRed);
  ACanvas->GetPen()->SetWidth(1);
  // Drawn from the reading side, so the dots fall mirrored right to left.
  if (UseRightToLeftAlignment()) {
    ACanvas->MoveTo(area.Right - 3, y);
    ACanvas->LineTo(area.Left + 2, y);
  } else {
    ACanvas->MoveTo(area.Left + 2, y);
    ACanvas->LineTo(area.Right - 3, y);
  }
  ACanvas->GetPen()->SetStyle(psSolid);
}

// ---- tool tips -------------------------------------------------------------------------------------------

TRect TToolTipsWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) {
  if (AData) GetFont()->Assign(static_cast<TFont*>(AData));
  return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
}

void TCustomDBEditEh::CMHintShow(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  if (FTooltips && info) {
    const TRect area = GetEditRect();
    const String text = GetText();
    TRect need(0, 0, area.Width(), 0);
    UINT flags = DT_CALCRECT | DT_NOPREFIX;
    if (FWordWrapEh) flags |= DT_WORDBREAK;
    if (UseRightToLeftReading()) flags |= DT_RTLREADING;
    if (!text.empty()) DrawText(TMeasureDC(GetFont()), text, -1, need, flags);
    const bool fits = need.Width() <= area.Width() - 2 && need.Height() <= area.Height();
    if (!fits) {
      const TRect window = ::GetWindowRect(FHandle);
      info->HintStr = text;
      info->HintPos = TPoint(window.Left, window.Bottom);
      info->HintWindowClass = TToolTipsWindow::StaticComponentClass();
      info->HintData = GetFont();
      info->CursorRect = GetClientRect();
      Message.Result = 0;
      return;
    }
  }
  if (!FShowHint) {
    Message.Result = 1;
    return;
  }
  TCustomMaskEdit::Dispatch(Message);
}
