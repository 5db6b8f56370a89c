// Text output and window pass-throughs of the library's platform layer.

#include "editors/DaVirVCL.h"

#include "platform/core/Strings.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageQueue.h"

namespace {

// Len -1 (or past the end) takes the whole text.
Integer Span(const String& Text, Integer Len) {
  return (Len < 0 || static_cast<size_t>(Len) > Text.size()) ? static_cast<Integer>(Text.size()) : Len;
}

}  // namespace

Integer DrawTextEh(HDC DC, const String& Text, Integer Len, TRect& Rect, UINT Format) {
  return DrawTextW(DC, Text, Span(Text, Len), Rect, Format);
}

Integer DrawTextExEh(HDC DC, const String& Text, Integer Len, TRect& Rect, UINT Format,
                     const TDrawTextParams* DTParams) {
  if (!DTParams) return DrawTextExW(DC, Text, Span(Text, Len), Rect, Format, nullptr);
  TDrawTextParams copy = *DTParams;
  return DrawTextExW(DC, Text, Span(Text, Len), Rect, Format, &copy);
}

bool ExtTextOutEh(HDC DC, Integer X, Integer Y, UINT Options, const TRect* Rect, const String& Text, Integer Len) {
  return ExtTextOutW(DC, X, Y, Options, Rect, Text, Span(Text, Len), nullptr);
}

UINT GetOutlineTextMetricsEh(HDC DC, UINT Size, TOutlineTextMetric* OTMetricStructs) {
  return GetOutlineTextMetricsW(DC, Size, OTMetricStructs);
}

LRESULT SendStructMessageEh(HWND Wnd, UINT Msg, WPARAM WParam, const void* Data) {
  return SendMessage(Wnd, Msg, WParam, reinterpret_cast<LPARAM>(Data));
}

LRESULT SendTextMessageEh(HWND Wnd, UINT Msg, WPARAM WParam, const String& Text) {
  return SendMessage(Wnd, Msg, WParam, reinterpret_cast<LPARAM>(&Text));
}

bool SystemParametersInfoEh(UINT Action, UINT Param, void* PvParam, UINT WinIni) {
  return SystemParametersInfo(Action, Param, PvParam, WinIni);
}

bool WindowsInvalidateRectEh(HWND Wnd, const TRect* Rect, bool Erase) { return InvalidateRect(Wnd, Rect, Erase); }

bool WindowsValidateRectEh(HWND Wnd, const TRect* Rect) { return ValidateRect(Wnd, Rect); }

Integer WindowsScrollWindowExEh(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip,
                                HRGN UpdateRgn, UINT Flags) {
  return ScrollWindowEx(Wnd, DX, DY, Scroll, Clip, UpdateRgn, nullptr, Flags);
}

bool WindowsScrollWindowEh(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip) {
  return ScrollWindow(Wnd, DX, DY, Scroll, Clip);
}

bool WindowsLPtoDPEh(HDC DC, TRect& Rect) {
  TPoint corners[2] = {Rect.TopLeft(), Rect.BottomRight()};
  if (!LPtoDP(DC, corners, 2)) return false;
  Rect = TRect(corners[0].X, corners[0].Y, corners[1].X, corners[1].Y);
  return true;
}

void SetEditSelectionEh(HWND Handle, Integer Start, Integer End) {
  SendMessage(Handle, EM_SETSEL, static_cast<WPARAM>(Start), static_cast<LPARAM>(End));
}

HRGN CreatePolygonRgnEh(const std::vector<TPoint>& Points, Integer FillMode) {
  return CreatePolygonRgn(Points.data(), static_cast<Integer>(Points.size()), FillMode);
}

bool LoadBitmapFromResourceNameEh(TBitmap* Bitmap, HINSTANCE Instance, const String& ResName) {
  return LoadBitmapResource(Bitmap, Instance, ResName);
}

HBITMAP LoadBitmapEh(HINSTANCE Instance, const String& BitmapName) { return LoadBitmap(Instance, BitmapName); }

HBITMAP LoadBitmapEh(HINSTANCE Instance, Integer BitmapId) { return LoadBitmap(Instance, u"#" + IntToStr(BitmapId)); }
