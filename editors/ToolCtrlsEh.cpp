// Edit buttons and the shared button-drawing routines: the face painter and its
// cache, the glyphs, metrics, the button items and the button control with its
// auto-repeat.

#include "editors/ToolCtrlsEh.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/core/Streams.h"
#include "platform/core/TypInfo.h"
#include "platform/ui/GDI.h"
#include "platform/ui/Input.h"
#include "platform/ui/Menus.h"

// ---- Colours and lines ----------------------------------------------------------------------------
bool ThemesEnabledEh() { return false; }

Integer EnlargeByHalfEh(Integer Size, bool Flag) {
  // Half to even, as the platform rounds: 3 -> 4, 5 -> 8, 7 -> 10.
  return Flag ? Integer(std::nearbyint(Size * 3.0 / 2.0)) : Size;
}

namespace {

Integer Channel(TColor C, Integer Shift) { return (ColorToRGB(C) >> Shift) & 0xFF; }

Integer Lerp(Integer A, Integer B, double T) { return std::clamp(Integer(std::nearbyint(A + (B - A) * T)), 0, 255); }

TColor Between(TColor C1, TColor C2, double T) {
  return RGB(Byte(Lerp(Channel(C1, 0), Channel(C2, 0), T)), Byte(Lerp(Channel(C1, 8), Channel(C2, 8), T)),
             Byte(Lerp(Channel(C1, 16), Channel(C2, 16), T)));
}

void Fill(TCanvas* Canvas, const TRect& R, TColor Color) {
  if (R.IsEmpty()) return;
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(Color);
  Canvas->FillRect(R);
}

// A glyph drawn by Draw(offset, colour): in the text colour when enabled, else
// embossed (a highlight copy one pixel down and right, under a shadow copy).
template <class DrawGlyph>
void GlyphInState(bool Enabled, DrawGlyph Draw) {
  if (Enabled) {
    Draw(0, clBtnText);
  } else {
    Draw(1, clBtnHighlight);
    Draw(0, clBtnShadow);
  }
}

}  // namespace

TColor MixColorsEh(TColor Color1, TColor Color2, Integer Percent) { return Between(Color1, Color2, Percent / 100.0); }

void DrawShadedRectEh(TCanvas* Canvas, const TRect& ARect, TColor Color1, TColor Color2) {
  const Integer H = ARect.Height();
  if (H < 2) return;
  TBrush* Brush = Canvas->GetBrush();
  const TColor SavedColor = Brush->GetColor();
  const TBrushStyle SavedStyle = Brush->GetStyle();
  for (Integer Y = 0; Y < H; ++Y)
    Fill(Canvas, TRect(ARect.Left, ARect.Top + Y, ARect.Right, ARect.Top + Y + 1),
         Between(Color1, Color2, double(Y) / double(H - 1)));
  Brush->SetColor(SavedColor);
  Brush->SetStyle(SavedStyle);
}

void DrawGradientLinesEh(TCanvas* Canvas, TPoint Origin, const std::vector<TPoint>& Segments, Integer Count,
                         TColor Color1, TColor Color2) {
  Count = std::min<Integer>(Count, Integer(Segments.size() / 2));
  for (Integer I = 0; I < Count; ++I) {
    Canvas->GetPen()->SetColor(Between(Color1, Color2, Count > 1 ? double(I) / double(Count - 1) : 0.0));
    const TPoint A = Segments[size_t(2 * I)] + Origin, B = Segments[size_t(2 * I + 1)] + Origin;
    Canvas->MoveTo(A.X, A.Y);
    Canvas->LineTo(B.X, B.Y);
  }
}

void DrawDottedLineEh(TCanvas* Canvas, TPoint Start, Integer Length, bool Horizontal, bool Phase) {
  if ((((Start.X ^ Start.Y) & 1) != 0) != Phase) {
    Horizontal ? ++Start.X : ++Start.Y;
    --Length;
  }
  if (Length <= 0) return;
  // The dots are gathered on the stack: a tree draws a few such lines in every
  // row it paints. A line longer than a batch goes out in several calls.
  constexpr Integer Batch = 256;
  std::array<TPoint, 2 * Batch> Points;
  std::array<DWORD, Batch> Counts;
  Counts.fill(2);
  HDC DC = Canvas->GetHandle();
  for (Integer From = 0; From < Length; From += 2 * Batch) {
    Integer N = 0;
    for (Integer I = From; I < Length && N < Batch; I += 2, ++N) {
      const TPoint P = Horizontal ? TPoint(Start.X + I, Start.Y) : TPoint(Start.X, Start.Y + I);
      Points[size_t(2 * N)] = P;
      Points[size_t(2 * N + 1)] = Horizontal ? TPoint(P.X + 1, P.Y) : TPoint(P.X, P.Y + 1);
    }
    PolyPolyline(DC, Points.data(), Counts.data(), DWORD(N));
  }
}

void DrawTreeElementEh(TCanvas* Canvas, const TRect& ARect, Integer Kind, bool DotPhase, double ScaleX, double ScaleY,
                       bool BoxShift) {
  // Kind -> box (0 minus, 1 plus, 2 none) and lines (up, down, right, full height).
  struct TElement {
    Integer Box;
    bool Up, Down, Right, Full;
  };
  static constexpr TElement Elements[12] = {
      {0, true, true, true, false},    {0, true, false, true, false},   {0, false, true, true, false},
      {0, false, false, false, false}, {1, true, true, true, false},    {1, true, false, true, false},
      {1, false, true, true, false},   {1, false, false, false, false}, {2, false, false, true, true},
      {2, true, false, true, false},   {2, false, true, true, false},   {2, false, false, false, true}};
  const TElement& E = Elements[std::clamp(Kind, 0, 11)];
  const Integer CX = (ARect.Left + ARect.Right) / 2, CY = (ARect.Top + ARect.Bottom) / 2;
  const Integer HX = Integer(std::lround(4 * ScaleX)), HY = Integer(std::lround(4 * ScaleY));
  const bool HasBox = E.Box != 2;
  Canvas->GetPen()->SetColor(clBtnShadow);
  Canvas->GetPen()->SetStyle(psSolid);
  const Integer BoxTop = HasBox ? CY - HY : CY, BoxBottom = HasBox ? CY + HY + 1 : CY;
  const Integer BoxRight = HasBox ? CX + HX + 1 : CX;
  if (E.Full) DrawDottedLineEh(Canvas, TPoint(CX, ARect.Top), ARect.Height(), false, DotPhase);
  if (E.Up && !E.Full) DrawDottedLineEh(Canvas, TPoint(CX, ARect.Top), BoxTop - ARect.Top, false, DotPhase);
  if (E.Down && !E.Full) DrawDottedLineEh(Canvas, TPoint(CX, BoxBottom), ARect.Bottom - BoxBottom, false, DotPhase);
  if (E.Right) DrawDottedLineEh(Canvas, TPoint(BoxRight, CY), ARect.Right - BoxRight, true, DotPhase);
  if (!HasBox) return;
  TRect Box(CX - HX, CY - HY, CX + HX + 1, CY + HY + 1);
  if (BoxShift) OffsetRect(Box, 1, 0);
  Fill(Canvas, Box, clWindow);
  Canvas->GetBrush()->SetColor(clBtnShadow);
  Canvas->FrameRect(Box);
  const Integer Arm = Integer(std::lround(2 * ScaleX));
  const Integer MX = (Box.Left + Box.Right) / 2, MY = (Box.Top + Box.Bottom) / 2;
  Fill(Canvas, TRect(Box.Left + Arm, MY, Box.Right - Arm, MY + 1), clWindowText);
  if (E.Box == 1) {
    const Integer ArmY = Integer(std::lround(2 * ScaleY));
    Fill(Canvas, TRect(MX, Box.Top + ArmY, MX + 1, Box.Bottom - ArmY), clWindowText);
  }
}

// ---- The face cache ----------------------------------------------------------------------------------
TBitmap* TButtonsBitmapCache::GetButtonBitmap(const TButtonBitmapInfoEh& Key,
                                              const std::function<void(TCanvas*)>& Draw) {
  for (auto& Item : FItems)
    if (Item->Key == Key) return Item->Bitmap.get();
  auto Entry = std::make_unique<TButtonBitmapInfoBitmapEh>();
  Entry->Key = Key;
  Entry->Bitmap = std::make_unique<TBitmap>();
  Entry->Bitmap->SetSize(Key.Width, Key.Height);
  if (Key.Width > 0 && Key.Height > 0) Draw(Entry->Bitmap->GetCanvas());
  FItems.push_back(std::move(Entry));
  return FItems.back()->Bitmap.get();
}

namespace {

// The process-wide face cache and its switch (unit start-up to unit end).
struct TButtonCacheState {
  TButtonsBitmapCache Cache;
  bool Use = true;
};

TButtonCacheState& CacheState() {
  static TButtonCacheState State;
  return State;
}

}  // namespace

TButtonsBitmapCache* ButtonsBitmapCache() { return &CacheState().Cache; }
bool GetUseButtonsBitmapCacheEh() { return CacheState().Use; }
void SetUseButtonsBitmapCacheEh(bool Value) { CacheState().Use = Value; }
void ClearButtonsBitmapCacheEh() { CacheState().Cache.Clear(); }

// ---- Faces and glyphs -----------------------------------------------------------------------------------
TDrawButtonControlStyleEh ButtonStyleToPainterKindEh(TEditButtonStyleEh Style) {
  static constexpr TDrawButtonControlStyleEh Kinds[8] = {0, 1, 2, 2, 4, 5, 6, 7};
  return Kinds[Style];
}

namespace {

void DrawEllipsis(TCanvas* C, const TRect& R, bool Enabled) {
  const Integer W = R.Width();
  const Integer Dot = W < 8 ? 1 : 2, Gap = W < 12 ? 1 : 2;
  const Integer Total = 3 * Dot + 2 * Gap;
  const Integer X = (R.Left + R.Right - Total) / 2, Y = (R.Top + R.Bottom - Dot) / 2;
  GlyphInState(Enabled, [&](Integer DX, TColor Color) {
    for (Integer I = 0; I < 3; ++I) Fill(C, Bounds(X + DX + I * (Dot + Gap), Y + DX, Dot, Dot), Color);
  });
}

void DrawPlusMinus(TCanvas* C, const TRect& R, bool Plus, bool Flat, bool Enabled) {
  const Integer S = std::min(R.Width(), R.Height());
  Integer L = std::max(1, S * 4 / 7);
  if (Flat) --L;
  if ((L & 1) != (S & 1)) ++L;
  const Integer T = std::max(1, L / 3);
  if (Plus && (L & 1) != (T & 1)) L += S >= 12 ? -1 : 1;
  GlyphInState(Enabled, [&](Integer D, TColor Color) {
    Fill(C, Bounds((R.Left + R.Right - L) / 2 + D, (R.Top + R.Bottom - T) / 2 + D, L, T), Color);
    if (Plus) Fill(C, Bounds((R.Left + R.Right - T) / 2 + D, (R.Top + R.Bottom - L) / 2 + D, T, L), Color);
  });
}

void DrawArrow(TCanvas* C, const TRect& R, bool Down, bool Enabled) {
  const Integer S = std::min(R.Width(), R.Height());
  const Integer A = S >= 19 ? 9 : S >= 16 ? 7 : S >= 12 ? 5 : 3;
  const Integer Rows = A / 2 + 1;
  const Integer X = (R.Left + R.Right - A) / 2, Y = (R.Top + R.Bottom - Rows) / 2;
  const TColor Color = Enabled ? clWindowText : clGrayText;
  for (Integer I = 0; I < Rows; ++I) {
    const Integer Row = Down ? I : Rows - 1 - I;
    Fill(C, TRect(X + I, Y + Row, X + A - I, Y + Row + 1), Color);
  }
}

// One classic face (kinds 1, 4..7) with its glyph, into R.
void DrawPushFace(TCanvas* C, TRect R, TDrawButtonControlStyleEh Kind, bool Pressed, bool Flat, bool Active,
                  bool Enabled, Integer Half) {
  HDC DC = C->GetHandle();
  const TRect Face = R;
  if (Flat) {
    Fill(C, R, clBtnFace);
    if (Active) {
      TRect E = R;
      DrawEdge(DC, E, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
  } else {
    TRect E = R;
    DrawEdge(DC, E, Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  TRect G = Face;
  InflateRect(G, Flat ? -1 : -2, Flat ? -1 : -2);
  if (Pressed) OffsetRect(G, 1, 1);
  switch (Kind) {
    case bcsEllipsisEh: DrawEllipsis(C, G, Enabled); break;
    case bcsPlusEh: DrawPlusMinus(C, G, true, Flat, Enabled); break;
    case bcsMinusEh: DrawPlusMinus(C, G, false, Flat, Enabled); break;
    case bcsAltDropDownEh: DrawArrow(C, G, true, Enabled); break;
    case bcsAltUpDownEh: DrawArrow(C, G, Half == 1, Enabled); break;
    default: break;
  }
}

void DrawFrameFace(TCanvas* C, TRect R, UINT Type, UINT State, bool Flat, bool Active, bool Pressed) {
  HDC DC = C->GetHandle();
  if (Flat && Type != DFC_BUTTON) {
    // The face drawn larger and clipped, so that its own edge falls outside: one
    // pixel larger under a flat edge when hot, two pixels larger with no edge when not.
    const Integer Grow = Active ? 1 : 2, Inset = Active ? 1 : 0;
    TRect Big = R;
    InflateRect(Big, Grow, Grow);
    const Integer Saved = SaveDC(DC);
    IntersectClipRect(DC, R.Left + Inset, R.Top + Inset, R.Right - Inset, R.Bottom - Inset);
    DrawFrameControl(DC, Big, Type, State);
    RestoreDC(DC, Saved);
    if (Active) {
      TRect E = R;
      DrawEdge(DC, E, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    return;
  }
  DrawFrameControl(DC, R, Type, State);
}

// One face of any kind but the check box at R (a part of the button for spins).
void DrawOneFace(TCanvas* C, const TRect& R, TDrawButtonControlStyleEh Kind, bool Pressed, bool Flat, bool Active,
                 bool Enabled, Integer Half) {
  UINT Flags = 0;
  if (Pressed) Flags |= DFCS_PUSHED;
  if (Flat) Flags |= DFCS_FLAT;
  if (!Enabled) Flags |= DFCS_INACTIVE;
  switch (Kind) {
    case bcsDropDownEh: DrawFrameFace(C, R, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | Flags, Flat, Active, Pressed); break;
    case bcsUpDownEh:
      DrawFrameFace(C, R, DFC_SCROLL, (Half == 0 ? DFCS_SCROLLUP : DFCS_SCROLLDOWN) | Flags, Flat, Active, Pressed);
      break;
    default: DrawPushFace(C, R, Kind, Pressed, Flat, Active, Enabled, Half); break;
  }
}

// Draws through the cache when it is on: the face at the origin of a bitmap of its
// size, then copied onto the canvas.
void FaceThroughCache(TCanvas* C, const TRect& R, const TButtonBitmapInfoEh& Key,
                      const std::function<void(TCanvas*, const TRect&)>& Draw) {
  if (!GetUseButtonsBitmapCacheEh()) {
    Draw(C, R);
    return;
  }
  TButtonBitmapInfoEh K = Key;
  K.Width = std::max(0, R.Width());
  K.Height = std::max(0, R.Height());
  TBitmap* B = ButtonsBitmapCache()->GetButtonBitmap(K, [&](TCanvas* BC) { Draw(BC, TRect(0, 0, K.Width, K.Height)); });
  if (K.Width > 0 && K.Height > 0)
    BitBlt(C->GetHandle(), R.Left, R.Top, K.Width, K.Height, B->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
}

}  // namespace

void PaintButtonControlEh(TCanvas* Canvas, TRect ARect, TColor ParentColor, TDrawButtonControlStyleEh Style,
                          Integer PressedPart, bool Flat, bool Active, bool Enabled, TCheckBoxStateEh State) {
  TButtonBitmapInfoEh Key;
  Key.Kind = Byte(Style);
  Key.Flat = Flat;
  Key.Active = Active;
  Key.Enabled = Enabled;
  Key.CheckState = Byte(State);
  if (Style == bcsCheckboxEh) {
    // The largest centred square; the odd pixel goes to the far end.
    const Integer W = ARect.Width(), H = ARect.Height();
    if (W > H) {
      ARect.Left += (W - H) / 2;
      ARect.Right = ARect.Left + H;
    } else if (H > W) {
      ARect.Top += (H - W) / 2;
      ARect.Bottom = ARect.Top + W;
    }
    if (Flat) InflateRect(ARect, -1, -1);
    Key.Pressed = PressedPart != 0;
    FaceThroughCache(Canvas, ARect, Key, [&](TCanvas* C, const TRect& R) {
      UINT S = DFCS_BUTTONCHECK;
      if (State == cbsCheckedEh) S |= DFCS_CHECKED;
      if (State == cbsGrayedEh) S = DFCS_BUTTON3STATE | DFCS_CHECKED;
      if (!Enabled) S |= DFCS_INACTIVE;
      if (PressedPart != 0) S |= DFCS_PUSHED;
      if (Flat) S |= DFCS_FLAT;
      TRect RR = R;
      DrawFrameControl(C->GetHandle(), RR, DFC_BUTTON, S);
    });
    if (Flat) {
      TRect Outer = ARect;
      InflateRect(Outer, 1, 1);
      if (Active) {
        DrawEdge(Canvas->GetHandle(), Outer, BDR_SUNKENOUTER, BF_RECT);
      } else {
        Canvas->GetBrush()->SetColor(ParentColor);
        Canvas->FrameRect(Outer);
      }
    }
    return;
  }
  // A flat, inactive button is framed in the background colour.
  const bool Framed = Flat && !Active;
  TRect Face = ARect;
  if (Framed) InflateRect(Face, -1, -1);
  auto Half = [&](const TRect& R, Integer Part, bool Pressed) {
    TButtonBitmapInfoEh K = Key;
    K.Pressed = Pressed;
    K.Half = Byte(Part);
    FaceThroughCache(Canvas, R, K, [&](TCanvas* C, const TRect& RR) {
      DrawOneFace(C, RR, Style, Pressed, Flat, Active, Enabled, Part);
    });
  };
  if (Style == bcsUpDownEh || Style == bcsAltUpDownEh) {
    const Integer HalfH = Face.Height() / 2;
    Half(TRect(Face.Left, Face.Top, Face.Right, Face.Top + HalfH), 0, PressedPart == 1);
    Half(TRect(Face.Left, Face.Bottom - HalfH, Face.Right, Face.Bottom), 1, PressedPart == 2);
    if (Face.Height() % 2 == 1 || Framed)
      Fill(Canvas, TRect(Face.Left, Face.Top + HalfH, Face.Right, Face.Bottom - HalfH), ParentColor);
  } else {
    Half(Face, 0, PressedPart != 0);
  }
  if (Framed) {
    Canvas->GetBrush()->SetColor(ParentColor);
    Canvas->FrameRect(ARect);
  }
}

// ---- Metrics ---------------------------------------------------------------------------------------------
Integer GetDefaultEditButtonWidthEh() {
  // The screen device context with the font it starts with.
  HDC DC = GetDC(nullptr);
  TTextMetric TM;
  const bool Measured = DC && GetTextMetrics(DC, TM);
  if (DC) ReleaseDC(nullptr, DC);
  const Integer Height = Measured ? TM.tmHeight : 16;
  Integer W = Integer(std::nearbyint(Height / 3.0 * 2.0));
  if (ThemesEnabledEh()) {
    if (W % 2 == 1) ++W;
  } else if (W % 2 == 0) {
    ++W;
  }
  return std::min(W, GetSystemMetrics(SM_CXVSCROLL));
}

namespace {

// The classic check-box bitmap holds 4 x 3 boxes of 13 x 13 pixels.
constexpr Integer CheckBoxesBitmapWidth = 52, CheckBoxesBitmapHeight = 39;

void SetCheckBoxSize(TToolCtrlsMetricsEh& M) {
  M.CheckBoxSize = TSize(CheckBoxesBitmapWidth / 4, CheckBoxesBitmapHeight / 3);
  M.CheckBoxSizeLessOne = TSize(M.CheckBoxSize.cx - 1, M.CheckBoxSize.cy - 1);
}

TToolCtrlsMetricsEh& Metrics() {
  static TToolCtrlsMetricsEh M = [] {
    TToolCtrlsMetricsEh m;
    m.DefaultEditButtonWidth = GetDefaultEditButtonWidthEh();
    SetCheckBoxSize(m);
    return m;
  }();
  return M;
}

}  // namespace

const TToolCtrlsMetricsEh& ToolCtrlsMetricsEh() { return Metrics(); }

void InitCheckBoxSizeEh() { SetCheckBoxSize(Metrics()); }

TSize GetCheckBoxSizeEh() { return Metrics().CheckBoxSize; }

TRect CheckBoxRectEh(const TRect& Cell, TCheckBoxAlignmentEh Alignment, TCheckBoxLayoutEh Layout) {
  const TSize Box = GetCheckBoxSizeEh();
  const Integer BW = std::min(Box.cx, Cell.Width()), BH = std::min(Box.cy, Cell.Height());
  Integer L = Cell.Left, T = Cell.Top;
  if (Cell.Width() > BW) {
    if (Alignment == cbaRightEh) L = Cell.Right - BW;
    else if (Alignment == cbaCenterEh) L = Cell.Left + Cell.Width() / 2 - BW / 2;
  }
  if (Cell.Height() > BH) {
    if (Layout == cblCenterEh) T = Cell.Top + Cell.Height() / 2 - BH / 2;
    else if (Layout == cblBottomEh) T = Cell.Bottom - BH;
  }
  return Bounds(L, T, BW, BH);
}

// ---- TEditButtonEh ------------------------------------------------------------------------------------------
TEditButtonEh::TEditButtonEh(TCollection* Collection)
    : TCollectionItem(Collection), FGlyph(std::make_unique<TBitmap>()) {
  if (auto* Buttons = dynamic_cast<TEditButtonsEh*>(Collection)) FEditControl = Buttons->GetEditControl();
}

TEditButtonEh::TEditButtonEh(TWinControl* AEditControl)
    : TCollectionItem(nullptr), FGlyph(std::make_unique<TBitmap>()), FEditControl(AEditControl) {}

TEditButtonEh::~TEditButtonEh() = default;

void TEditButtonEh::ButtonChanged() {
  if (OnChanged) OnChanged(this);
  else if (GetCollection()) Changed(false);
}

void TEditButtonEh::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TEditButtonEh*>(Source)) {
    SetAction(S->GetAction());
    FDropdownMenu = S->FDropdownMenu;
    FEnabled = S->FEnabled;
    FGlyph->Assign(S->FGlyph.get());
    FHint = S->FHint;
    FNumGlyphs = S->FNumGlyphs;
    FShortCut = S->FShortCut;
    FStyle = S->FStyle;
    FVisible = S->FVisible;
    FWidth = S->FWidth;
    OnClick = S->OnClick;
    OnDown = S->OnDown;
    ButtonChanged();
    return;
  }
  TCollectionItem::Assign(Source);
}

TEditButtonControlEh* TEditButtonEh::CreateEditButtonControl() {
  auto* Control = new TEditButtonControlEh(FEditControl);
  Control->SetParent(FEditControl);
  Control->SetBounds(0, 0, 10, 17);
  Control->SetVisible(true);
  Control->SetTransparent(false);
  return Control;
}

void TEditButtonEh::Click(TObject* Sender, bool& Handled) {
  if (OnClick) {
    OnClick(Sender, Handled);
    return;
  }
  if (!GetAction()) return;
  TComponent* target = FEditControl;
  if (!target && GetCollection()) target = dynamic_cast<TComponent*>(GetCollection()->Owner());
  FActionLink->Execute(target);
  Handled = true;
}

void TEditButtonEh::InitiateAction() {
  if (FActionLink) FActionLink->Update();
}

TBasicAction* TEditButtonEh::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

void TEditButtonEh::SetAction(TBasicAction* Value) {
  AssignActionLink(FActionLink, this, Value, [this](TBasicAction* Action) { ActionChange(Action, false); });
  if (!Value) return;
  ActionChange(Value, Value->GetComponentState().Contains(csLoading));
}

void TEditButtonEh::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action) return;
  // While loading, a value the stream set stays; one still at its default gives way
  // (the default of Visible is the class's, so an action shows a hidden-by-default
  // button that its stream, leaving the linked value out, never made visible).
  if (!CheckDefaults || FEnabled) SetEnabled(action->GetEnabled());
  if (!CheckDefaults || FHint.empty()) SetHint(action->GetHint());
  if (!CheckDefaults || FShortCut == FDefaultShortCut) SetShortCut(action->GetShortCut());
  if (!CheckDefaults || FVisible == FDefaultVisible) SetVisible(action->GetVisible());
}

bool TEditButtonEh::IsEnabledStored() const { return !(FActionLink && FActionLink->IsEnabledLinked()) && !FEnabled; }

bool TEditButtonEh::IsHintStored() const { return !(FActionLink && FActionLink->IsHintLinked()) && !FHint.empty(); }

bool TEditButtonEh::IsShortCutStored() const {
  return !(FActionLink && FActionLink->IsShortCutLinked()) && FShortCut != FDefaultShortCut;
}

bool TEditButtonEh::IsVisibleStored() const {
  return !(FActionLink && FActionLink->IsVisibleLinked()) && FVisible != FDefaultVisible;
}

namespace {

constexpr std::array<const char16_t*, 8> EditButtonStyleNames{u"ebsDropDownEh",    u"ebsEllipsisEh", u"ebsGlyphEh",
                                                              u"ebsUpDownEh",      u"ebsPlusEh",     u"ebsMinusEh",
                                                              u"ebsAltDropDownEh", u"ebsAltUpDownEh"};
static_assert(EditButtonStyleNames.size() == ebsAltUpDownEh + 1);

}  // namespace

void TEditButtonEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCollectionItem::GetPropInfos(Props);
  Props.push_back(ComponentPropInfo<TBasicAction>(
      u"Action", [this] { return GetAction(); }, [this](TBasicAction* V) { SetAction(V); }));
  Props.push_back(ComponentPropInfo<TPopupMenu>(
      u"DropdownMenu", [this] { return FDropdownMenu; }, [this](TPopupMenu* V) { SetDropdownMenu(V); }));
  Props.push_back(BooleanPropInfo(
      u"Enabled", [this] { return FEnabled; }, [this](bool V) { SetEnabled(V); },
      [this] { return IsEnabledStored(); }));
  TPropInfo glyph;
  glyph.Name = u"Glyph";
  glyph.Write = [this](TWriter* W) {
    TMemoryStream bytes;
    FGlyph->SaveToStream(&bytes);
    W->WriteBinary(std::string(static_cast<const char*>(bytes.GetMemory()), size_t(bytes.GetSize())));
  };
  glyph.Read = [this](TReader* R) {
    const std::string data = R->ReadBinary();
    TMemoryStream bytes;
    if (!data.empty()) bytes.WriteBuffer(data.data(), Integer(data.size()));
    bytes.SetPosition(0);
    TBitmap glyphRead;
    glyphRead.LoadFromStream(&bytes);
    SetGlyph(&glyphRead);
  };
  glyph.Stored = [this] { return FGlyph->GetWidth() > 0 && FGlyph->GetHeight() > 0; };
  glyph.PropType = ClassTypeInfo<TBitmap>();
  glyph.GetObject = [this]() -> TObject* { return FGlyph.get(); };
  Props.push_back(std::move(glyph));
  Props.push_back(StringPropInfo(
      u"Hint", [this] { return FHint; }, [this](const String& V) { SetHint(V); }, [this] { return IsHintStored(); }));
  Props.push_back(IntegerPropInfo(
      u"NumGlyphs", [this] { return Int64(FNumGlyphs); }, [this](Int64 V) { SetNumGlyphs(Integer(V)); },
      [this] { return FNumGlyphs != 1; }));
  Props.push_back(IntegerPropInfo(
      u"ShortCut", [this] { return Int64(FShortCut); }, [this](Int64 V) { SetShortCut(TShortCut(V)); },
      [this] { return IsShortCutStored(); }));
  Props.push_back(EnumPropInfo<TEditButtonStyleEh>(
      u"Style", EditButtonStyleNames, [this] { return FStyle; }, [this](TEditButtonStyleEh V) { SetStyle(V); },
      [this] { return FStyle != ebsDropDownEh; }));
  Props.push_back(BooleanPropInfo(
      u"Visible", [this] { return FVisible; }, [this](bool V) { SetVisible(V); },
      [this] { return IsVisibleStored(); }));
  Props.push_back(IntegerPropInfo(
      u"Width", [this] { return Int64(FWidth); }, [this](Int64 V) { SetWidth(Integer(V)); },
      [this] { return FWidth != 0; }));
}

// ---- TEditButtonActionLinkEh

bool TEditButtonActionLinkEh::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && FClient->GetEnabled() == GetCustomAction()->GetEnabled();
}

bool TEditButtonActionLinkEh::IsHintLinked() {
  return TActionLink::IsHintLinked() && FClient->GetHint() == GetCustomAction()->GetHint();
}

bool TEditButtonActionLinkEh::IsShortCutLinked() {
  return TActionLink::IsShortCutLinked() && FClient->GetShortCut() == GetCustomAction()->GetShortCut();
}

bool TEditButtonActionLinkEh::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && FClient->GetVisible() == GetCustomAction()->GetVisible();
}

void TEditButtonActionLinkEh::SetEnabled(bool Value) {
  if (IsEnabledLinked()) FClient->SetEnabled(Value);
}

void TEditButtonActionLinkEh::SetHint(const String& Value) {
  if (IsHintLinked()) FClient->SetHint(Value);
}

void TEditButtonActionLinkEh::SetShortCut(TShortCut Value) {
  if (IsShortCutLinked()) FClient->SetShortCut(Value);
}

void TEditButtonActionLinkEh::SetVisible(bool Value) {
  if (IsVisibleLinked()) FClient->SetVisible(Value);
}

void TEditButtonEh::SetDropdownMenu(TPopupMenu* Value) {
  if (Value == FDropdownMenu) return;
  FDropdownMenu = Value;
  ButtonChanged();
}

void TEditButtonEh::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  ButtonChanged();
}

void TEditButtonEh::SetGlyph(const TBitmap* Value) {
  FGlyph->Assign(Value);
  ButtonChanged();
}

void TEditButtonEh::SetHint(const String& Value) {
  if (Value == FHint) return;
  FHint = Value;
  ButtonChanged();
}

void TEditButtonEh::SetNumGlyphs(Integer Value) {
  Value = std::clamp(Value, 1, 4);
  if (Value == FNumGlyphs) return;
  FNumGlyphs = Value;
  ButtonChanged();
}

void TEditButtonEh::SetShortCut(TShortCut Value) {
  if (Value == FShortCut) return;
  FShortCut = Value;
  ButtonChanged();
}

void TEditButtonEh::SetStyle(TEditButtonStyleEh Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  ButtonChanged();
}

void TEditButtonEh::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  ButtonChanged();
}

void TEditButtonEh::SetWidth(Integer Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  ButtonChanged();
}

TDropDownEditButtonEh::TDropDownEditButtonEh(TCollection* Collection) : TEditButtonEh(Collection) {
  FShortCut = FDefaultShortCut = DefaultDropDownShortCutEh;
}

TDropDownEditButtonEh::TDropDownEditButtonEh(TWinControl* AEditControl) : TEditButtonEh(AEditControl) {
  FShortCut = FDefaultShortCut = DefaultDropDownShortCutEh;
}

TVisibleEditButtonEh::TVisibleEditButtonEh(TCollection* Collection) : TEditButtonEh(Collection) {
  FShortCut = FDefaultShortCut = DefaultDropDownShortCutEh;
  FVisible = FDefaultVisible = true;
}

TVisibleEditButtonEh::TVisibleEditButtonEh(TWinControl* AEditControl) : TEditButtonEh(AEditControl) {
  FShortCut = FDefaultShortCut = DefaultDropDownShortCutEh;
  FVisible = FDefaultVisible = true;
}

TEditButtonsEh::TEditButtonsEh(TWinControl* AEditControl, TCollectionItemClass ItemClass)
    : TCollection(ItemClass), FEditControl(AEditControl) {}

void TEditButtonsEh::Update(TCollectionItem* Item) {
  TCollection::Update(Item);
  if (OnChanged) OnChanged(this);
}

// ---- TEditButtonControlEh ------------------------------------------------------------------------------------
namespace {

constexpr Cardinal FirstRepeatDelay = 400;
constexpr Cardinal RepeatInterval = 100;

}  // namespace

TEditButtonControlEh::TEditButtonControlEh(TComponent* AOwner) : TSpeedButton(AOwner) {}

TEditButtonControlEh::~TEditButtonControlEh() = default;

void TEditButtonControlEh::SetStyle(TEditButtonStyleEh Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Invalidate();
}

void TEditButtonControlEh::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  Invalidate();
}

void TEditButtonControlEh::SetAlwaysDown(bool Value) {
  FAlwaysDown = Value;
  if (Value) {
    SetGroupIndex(1);
    SetDown(true);
    SetAllowAllUp(false);
    FPressedPart = 1;
  } else {
    SetAllowAllUp(true);
    SetDown(false);
    SetGroupIndex(0);
    FPressedPart = 0;
  }
  Invalidate();
}

Integer TEditButtonControlEh::PartAt(Integer Y) const {
  const Integer H = GetHeight();
  if (Y < H / 2) return 1;
  if (Y > H - H / 2) return 2;
  return 0;
}

bool TEditButtonControlEh::DoDown() {
  bool AutoRepeat = IsSpin();
  bool Handled = false;
  if (OnDown) OnDown(this, FPressedPart == 1, AutoRepeat, Handled);
  return AutoRepeat;
}

void TEditButtonControlEh::StopTimer() {
  if (FTimer) FTimer->SetEnabled(false);
}

void TEditButtonControlEh::TimerTick(TObject*) {
  if (!IsPressed() || FPressedPart == 0) {
    StopTimer();
    return;
  }
  if (FTimer->GetInterval() == FirstRepeatDelay) FTimer->SetInterval(RepeatInterval);
  if (!DoDown()) StopTimer();
}

void TEditButtonControlEh::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TSpeedButton::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !GetEnabled()) return;
  FNoClick = false;
  FPressedPart = IsSpin() ? PartAt(Y) : (IsPressed() ? 1 : 0);
  Invalidate();
  if (FPressedPart == 0) return;
  if (DoDown()) {
    if (!FTimer) {
      FTimer = std::make_unique<TTimer>(nullptr);
      FTimer->OnTimer = [this](TObject* Sender) { TimerTick(Sender); };
    }
    FTimer->SetEnabled(false);
    FTimer->SetInterval(FirstRepeatDelay);
    FTimer->SetEnabled(true);
  }
}

void TEditButtonControlEh::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TSpeedButton::MouseMove(Shift, X, Y);
  if (!IsSpin() || !FDragging || !IsPressed()) return;
  const Integer Part = PartAt(Y);
  if ((FPressedPart == 2 && Part == 1) || (FPressedPart == 1 && Part == 2)) {
    // Sliding onto the other half lets the button go.
    FState = bsUp;
    FDragging = false;
    FNoClick = true;
    FPressedPart = 0;
    StopTimer();
    Invalidate();
  }
}

void TEditButtonControlEh::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (IsSpin() && !IsPressed()) FNoClick = true;
  TSpeedButton::MouseUp(Button, Shift, X, Y);
  FPressedPart = FAlwaysDown ? 1 : 0;
  StopTimer();
  Invalidate();
}

void TEditButtonControlEh::Click() {
  if (FNoClick) {
    FNoClick = false;
    return;
  }
  TSpeedButton::Click();
}

void TEditButtonControlEh::Paint() {
  const TColor ParentColor = GetParent() ? GetParent()->GetColor() : clBtnFace;
  if (FStyle == ebsGlyphEh) {
    TSpeedButton::Paint();
    if (GetFlat()) {
      TRect R = GetClientRect();
      if (FActive) {
        DrawEdge(GetCanvas()->GetHandle(), R, IsPressed() ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      } else {
        GetCanvas()->GetBrush()->SetColor(ParentColor);
        GetCanvas()->FrameRect(R);
      }
    }
    return;
  }
  PaintButtonControlEh(GetCanvas(), GetClientRect(), ParentColor, ButtonStyleToPainterKindEh(FStyle),
                       IsPressed() ? FPressedPart : 0, GetFlat(), FActive, GetEnabled(), cbsUncheckedEh);
}
