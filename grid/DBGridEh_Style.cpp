// The unit's small routines (fonts, colours, mirroring, measuring, the wait
// cursor, pending messages) and the global style object that decides the
// colours of highlighted cells for every grid.

#include <algorithm>
#include <cmath>

#include "grid/DBGridEh.h"
#include "platform/ui/Forms.h"
#include "platform/ui/GDI.h"
#include "platform/ui/MessageQueue.h"

namespace {

Byte ClampChannel(double V) {
  const double R = std::nearbyint(V);  // halves to the even neighbour
  return static_cast<Byte>(std::clamp(R, 0.0, 255.0));
}

template <class F>
TColor PerChannel(TColor Color1, TColor Color2, F Mix) {
  const COLORREF C1 = COLORREF(ColorToRGB(Color1)), C2 = COLORREF(ColorToRGB(Color2));
  return RGB(ClampChannel(Mix(GetRValue(C1), GetRValue(C2))), ClampChannel(Mix(GetGValue(C1), GetGValue(C2))),
             ClampChannel(Mix(GetBValue(C1), GetBValue(C2))));
}

Integer WaitCursorCount = 0;
TCursor SavedCursor = crDefault;
Integer NumColors = -1;
TDBGridEhStyle* GlobalStyle = nullptr;

}  // namespace

// ---- Fonts, mirroring, fields ---------------------------------------------------------------------

void SaveFontInfo(TFont* Font, TFontDataEh& Info) {
  Info.Height = Font->GetHeight();
  Info.Pitch = Font->GetPitch();
  Info.Style = Font->GetStyle();
  Info.Charset = Font->GetCharset();
  Info.Name = Font->GetName();
  Info.Color = Font->GetColor();
}

void ApplyFontInfo(const TFontDataEh& Info, TFont* Font) {
  if (Font->GetHeight() != Info.Height) Font->SetHeight(Info.Height);
  if (Font->GetPitch() != Info.Pitch) Font->SetPitch(Info.Pitch);
  if (!(Font->GetStyle() == Info.Style)) Font->SetStyle(Info.Style);
  if (Font->GetCharset() != Info.Charset) Font->SetCharset(Info.Charset);
  if (Font->GetName() != Info.Name) Font->SetName(Info.Name);
  if (Font->GetColor() != Info.Color) Font->SetColor(Info.Color);
}

void SetCanvasMirror(TCanvas* Canvas, bool Mirror, Integer Width, Integer Height) {
  HDC DC = Canvas->GetHandle();
  SetMapMode(DC, MM_ANISOTROPIC);
  SetViewportExtEx(DC, Width, Height, nullptr);
  if (Mirror) {
    SetWindowOrgEx(DC, Width, 0, nullptr);
    SetWindowExtEx(DC, -Width, Height, nullptr);
  } else {
    SetWindowOrgEx(DC, 0, 0, nullptr);
    SetWindowExtEx(DC, Width, Height, nullptr);
  }
}

Integer FieldAsIntegerEh(TField* Field, Integer Default) {
  if (!Field) return Default;
  constexpr double Lo = -2147483648.0, Hi = 2147483647.0;
  switch (Field->GetDataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord: return Field->GetAsInteger();
    case ftLargeint: {
      const Int64 V = Field->GetAsLargeInt();
      return V >= Int64(Lo) && V <= Int64(Hi) ? Integer(V) : Default;
    }
    case ftFloat:
    case ftCurrency: {
      const double V = Field->GetAsFloat();
      return V >= Lo && V <= Hi ? Field->GetAsInteger() : Default;
    }
    case ftBCD:
    case ftFMTBcd: {
      if (Field->GetIsNull()) return Default;
      const double V = Field->GetAsFloat();
      return V >= Lo && V <= Hi ? Field->GetAsInteger() : Default;
    }
    default: return Default;
  }
}

bool AllFieldsCanModify(const std::vector<TField*>& List) {
  return std::all_of(List.begin(), List.end(), [](TField* F) { return F->GetCanModify(); });
}

bool IsFieldReadOnlyEh(TField* Field) {
  if (Field->GetReadOnly()) return true;
  if (Field->GetFieldKind() != fkLookup || Field->GetKeyFields().empty() || !Field->GetDataSet()) return false;
  std::vector<TField*> Keys;
  Field->GetDataSet()->GetFieldList(Keys, Field->GetKeyFields());
  return !Keys.empty() && std::all_of(Keys.begin(), Keys.end(), [](TField* F) { return F->GetReadOnly(); });
}

// ---- Colours ----------------------------------------------------------------------------------------

TColor MixColors(TColor Color1, TColor Color2, double Amount) {
  return PerChannel(Color1, Color2, [Amount](double C1, double C2) { return C1 + (C2 - C1) / 255.0 * Amount; });
}

TColor LuminateColor(TColor Color, TColor Base, bool Darker) {
  return PerChannel(Color, Base, [Darker](double C, double B) {
    double M = C + (B - C) * 0.5;
    M = M + (225 - M) * 0.6;
    if (Darker) M = M - (122 - M) * 0.25;
    return M;
  });
}

// ---- Errors, messages, cursor -------------------------------------------------------------------

void RaiseGridError(const String& Message) { throw EInvalidGridOperationEh(Message); }

void KillMessageEh(HWND Window, UINT Msg) {
  TMsg M;
  if (PeekMessage(M, Window, Msg, Msg, PM_REMOVE) && M.message == WM_QUIT) PostQuitMessage(Integer(M.wParam));
}

void StartWaitCursor() {
  if (WaitCursorCount++ == 0 && Screen) {
    SavedCursor = Screen->GetCursor();
    Screen->SetCursor(crHourGlass);
  }
}

void StopWaitCursor() {
  if (WaitCursorCount == 0) return;
  if (--WaitCursorCount == 0 && Screen) Screen->SetCursor(SavedCursor);
}

// ---- Geometry and measuring ---------------------------------------------------------------------------

void InvalidateGridRow(TCustomGridEh* Grid, Integer ARow) {
  for (Integer Col = 0; Col < Grid->GetFullColCount(); ++Col) Grid->InvalidateCell(Col, ARow);
}

void TransposeRect(TRect& Rect) {
  const Integer W = Rect.Width(), H = Rect.Height();
  Rect.Right = Rect.Left + H;
  Rect.Bottom = Rect.Top + W;
}

bool IsTextTruncated(TCanvas* Canvas, const TRect& Rect, const String& Text, bool WordWrap, Integer Margin,
                     Integer VertMargin, Integer& TextWidth, Integer& TextHeight, UINT Flags) {
  const Integer Room = Rect.Width() - 2 - Margin;
  TRect Calc(0, 0, std::max(Room, 1), 0);
  Flags |= DT_CALCRECT | DT_NOPREFIX | (WordWrap ? DT_WORDBREAK : DT_SINGLELINE);
  DrawText(Canvas->GetHandle(), Text, Integer(Text.size()), Calc, Flags);
  TextWidth = Calc.Width();
  TextHeight = Calc.Height();
  return TextWidth > Room || TextHeight > Rect.Height() - VertMargin + 1;
}

Integer TextWidthEh(TCanvas* Canvas, const String& Text) {
  TRect Calc(0, 0, 0, 0);
  DrawText(Canvas->GetHandle(), Text, Integer(Text.size()), Calc, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  return Calc.Width();
}

// ---- The style object -------------------------------------------------------------------------------

Integer GetScreenNumColors() { return NumColors; }
void SetScreenNumColors(Integer Value) { NumColors = Value; }
TDBGridEhStyle* DBGridEhStyle() { return GlobalStyle; }

TDBGridEhStyle::TDBGridEhStyle() {
  if (!GlobalStyle) GlobalStyle = this;
  // A hidden window of its own hears the system's colour changes.
  FHandle = CreateWindowEx(0, u"TDBGridEhStyleWindow", u"", WS_POPUP, 0, 0, 0, 0, nullptr,
                           [this](HWND, TMessage& M) { StyleWndProc(M); });
  UpdateColorDepth();
}

TDBGridEhStyle::~TDBGridEhStyle() {
  if (GlobalStyle == this) GlobalStyle = nullptr;
  // Only links change here: the global style goes with a process that ends
  // by exit() while its forms live, after the window and font layers.
  while (!FGrids.empty()) {
    TCustomDBGridEh* Grid = FGrids.back();
    FGrids.pop_back();
    Grid->StyleDestroyed();
  }
  if (FHandle && IsWindow(FHandle)) DestroyWindow(FHandle);
}

void TDBGridEhStyle::RegisterGrid(TCustomDBGridEh* Grid) {
  if (!IsGridRegistered(Grid)) FGrids.push_back(Grid);
}

void TDBGridEhStyle::UnregisterGrid(TCustomDBGridEh* Grid) { std::erase(FGrids, Grid); }

bool TDBGridEhStyle::IsGridRegistered(const TCustomDBGridEh* Grid) const {
  return std::find(FGrids.begin(), FGrids.end(), Grid) != FGrids.end();
}

void TDBGridEhStyle::StyleWndProc(TMessage& Message) {
  if (Message.Msg == WM_SYSCOLORCHANGE) {
    UpdateColorDepth();
    Message.Result = 0;
    return;
  }
  DefaultWindowProc(FHandle, Message);
}

void TDBGridEhStyle::UpdateColorDepth() {
  HDC DC = CreateCompatibleDC(nullptr);
  NumColors = GetDeviceCaps(DC, NUMCOLORS);
  DeleteDC(DC);
}

bool TDBGridEhStyle::TrueColor() const { return NumColors < 0 || NumColors > 256; }

TColor TDBGridEhStyle::Luminated(TCustomDBGridEh*, TColor Color, TColor Base, bool Darker) const {
  // Taken through the nearest colour the canvas shows: on a true-colour surface the colour itself.
  return GetNearestColor(LuminateColor(Color, Base, Darker));
}

bool TDBGridEhStyle::HighlightDataCell(TCustomDBGridEh* Grid, Integer GridCol, TFont* AFont, TColor& Background,
                                       bool /*IsSelected*/, TGridDrawState DrawState, Integer /*DataRow*/,
                                       Integer DataCol, Integer GridRow) {
  const TDBGridOptions Options = Grid->GetOptions();
  const TDBGridEhOptions OptionsEh = Grid->GetOptionsEh();
  const bool RowSelect = Options.Contains(dgRowSelect);
  const bool AlwaysShow = Options.Contains(dgAlwaysShowSelection);
  const bool Focused = Grid->GridFocused();
  const TGridCoord Hot = Grid->GetHotTrackCell();
  const bool OnCurrentRow = GridRow == Grid->GetRow();
  const bool InSelectedColumn = DataCol == Grid->GetSelectedIndex();

  bool Selected = false;
  TDataSet* DataSet = Grid->GetDataLink()->GetDataSet();
  if (Grid->GetDataLink()->GetActive() && DataSet && Grid->GetSelection()->GetSelectionType() != gstNon)
    Selected = Grid->IsCellSelected(DataCol, DataSet->GetBookmark());

  bool FocusHighlight = false;
  bool Highlighted = Selected;
  if (!Selected) {
    FocusHighlight = Focused && OptionsEh.Contains(dghHighlightFocus);
    if (OptionsEh.Contains(dghRowHighlight) && OnCurrentRow && !InSelectedColumn &&
        Grid->GetSelection()->GetSelectionType() == gstNon && (AlwaysShow || FocusHighlight)) {
      DrawState.Include(gdSelected);
      FocusHighlight = true;
    }
    if (!DrawState.Contains(gdSelected) && (!OnCurrentRow || !RowSelect)) Highlighted = false;
    else Highlighted = (AlwaysShow || FocusHighlight) && (Grid->GetLayoutLock() == 0 || RowSelect);
  }

  const bool HotRowMix = OptionsEh.Contains(dghHotTrack) && GridRow == Hot.Y;
  const bool CurrentCell = OnCurrentRow && (InSelectedColumn || RowSelect);
  if (Highlighted && Focused) {
    if (CurrentCell) {
      Background = clHighlight;
      AFont->SetColor(clHighlightText);
    } else if (FLuminateSelection && TrueColor()) {
      Background = Luminated(Grid, Background, clHighlight, true);
      if (OptionsEh.Contains(dghHotTrack) && OptionsEh.Contains(dghRowHighlight) && GridRow == Hot.Y &&
          (RowSelect || (GridCol == Hot.X && Hot.X != Grid->GetCol())))
        Background = MixColors(Background, clHighlight, 255.0 / 3);
    } else {
      Background = clHighlight;
      AFont->SetColor(clHighlightText);
    }
  } else if (Highlighted) {
    const bool InHotCell = HotRowMix && (GridCol == Hot.X || RowSelect);
    if (CurrentCell && (AlwaysShow || FocusHighlight)) {
      Background = clBtnShadow;
      AFont->SetColor(clHighlightText);
      if (InHotCell) Background = MixColors(Background, Luminated(Grid, Background, clHighlight, true), 510.0 / 3);
    } else if (TrueColor()) {
      Background = Luminated(Grid, Background, clBtnShadow, false);
      if (InHotCell) Background = MixColors(Background, Luminated(Grid, Background, clHighlight, true), 510.0 / 3);
    } else {
      Background = clBtnFace;
    }
  } else if (TrueColor() && HotRowMix && Grid->CanCellHotTrack(GridCol, GridRow) &&
             Hot.X >= Grid->GetIndicatorOffset()) {
    if (OptionsEh.Contains(dghRowHighlight) || RowSelect) {
      const TColor Before = Background;
      Background = Luminated(Grid, Background, clHighlight, true);
      if (GridCol != Hot.X || RowSelect) Background = MixColors(Background, Before, 510.0 / 3);
    } else if (GridCol == Hot.X) {
      Background = Luminated(Grid, Background, clHighlight, true);
    }
  }
  return Highlighted;
}

bool TDBGridEhStyle::HighlightNonDataCell(TCustomDBGridEh* Grid, TFont* AFont, TColor& Background, bool Highlighted,
                                          Integer CellKind) {
  if (!Highlighted) return false;
  const Integer Flag = CellKind & 0xFF, Kind = (CellKind >> 8) & 0xFF;
  const bool Dark = (Flag == 0 && Kind != 3) || (Flag != 0 && Kind < 2) ||
                    (Flag != 0 && Kind == 4 && Grid->GetFooterColor() == Grid->GetFixedColor());
  if (Dark) {
    Background = RGB(64, 64, 64);
    AFont->SetColor(clWhite);
  } else if (!Grid->GridFocused()) {
    Background = TrueColor() ? Luminated(Grid, Background, clBtnShadow, false) : clBtnFace;
  } else if (FLuminateSelection && TrueColor()) {
    Background = Luminated(Grid, Background, clHighlight, true);
  } else {
    Background = clHighlight;
    AFont->SetColor(clHighlightText);
  }
  return true;
}

bool TDBGridEhStyle::GetCellParams(TCustomDBGridEh* Grid, TFont* AFont, TColor& Background, bool Highlighted,
                                   bool DataRow) {
  if (!Highlighted) return false;
  if (!DataRow) {
    Background = RGB(64, 64, 64);
    AFont->SetColor(clWhite);
  } else if (Grid->GridFocused()) {
    if (FLuminateSelection && TrueColor()) {
      Background = Luminated(Grid, Background, clHighlight, true);
    } else {
      Background = clHighlight;
      AFont->SetColor(clHighlightText);
    }
  } else {
    Background = TrueColor() ? Luminated(Grid, Background, clBtnShadow, false) : clBtnFace;
  }
  return true;
}

// ---- Measuring without a window -------------------------------------------------------------------

namespace {

template <class F>
auto WithFontDC(TFont* Font, F Body) {
  HDC DC = CreateCompatibleDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Font->GetHandle());
  auto Result = Body(DC);
  SelectObject(DC, Old);
  DeleteDC(DC);
  return Result;
}

}  // namespace

Integer FontTextWidthEh(TFont* Font, const String& Text) {
  return WithFontDC(Font, [&](HDC DC) {
    TRect Calc(0, 0, 0, 0);
    DrawText(DC, Text, Integer(Text.size()), Calc, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    return Calc.Width();
  });
}

Integer FontTextHeightEh(TFont* Font, const String& Text) {
  return WithFontDC(Font, [&](HDC DC) {
    TSize Size;
    GetTextExtentPoint32(DC, Text, Integer(Text.size()), Size);
    return Size.cy;
  });
}

TTextMetric FontTextMetricsEh(TFont* Font) {
  return WithFontDC(Font, [](HDC DC) {
    TTextMetric TM;
    GetTextMetrics(DC, TM);
    return TM;
  });
}
