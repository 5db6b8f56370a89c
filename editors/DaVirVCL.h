#pragma once
// The library's thin layer over the platform's text, painting, window and run-time
// services. Other units call these instead of the platform directly, so UTF-16
// strings, rectangles and Variants cross the platform boundary in one place. The
// decisions live in the locale-aware comparisons, the character-in-set test, the
// Variant casts and the memory stream's growth rule; the rest passes through
// (DaVirVCL_Window.cpp holds the text-output and window pass-throughs).

#include "platform/core/Streams.h"
#include "platform/core/TypInfo.h"
#include "platform/core/Strings.h"
#include "platform/core/Variant.h"
#include "platform/data/DBTypes.h"
#include "platform/ui/GDI.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Windows.h"

class TDataSet;

// ---- String comparison -------------------------------------------------------
// In the user's default locale: -1 less, 0 equal, 1 greater, -2 when the
// comparison itself failed. A CmpLen of 0 compares the whole strings; otherwise
// at most CmpLen characters of each.
int CompareWideStrEh(StringView S1, StringView S2, int CmpLen, bool IgnoreCase);
int CompareUStrEh(StringView S1, StringView S2, int CmpLen, bool IgnoreCase);
int CompareStrUserLocaleEh(StringView S1, StringView S2);
int CompareTextUserLocaleEh(StringView S1, StringView S2);

// ---- Characters and strings ----------------------------------------------------
// False for a code of 256 or more; else the bit of the code in the set.
bool CharInSetEh(Char C, const TSysCharSet& CharSet);
// The 8-bit (ANSI code page) text of a Variant; Null and Unassigned give "".
AnsiString VarToAnsiStrEh(const Variant& V);
// Copies a zero-terminated UTF-16 string with its terminator; returns Dest.
Char* WideStrCopyEh(Char* Dest, const Char* Source);
// Whole-string case mapping, one character for one, over all of Unicode.
String WideUpperCaseEh(StringView S);
String WideLowerCaseEh(StringView S);

// ---- Variants --------------------------------------------------------------------
// Null stays Null, varVariant copies, any other type is a Variant cast
// (EVariantTypeCastError when the value cannot become the type).
void CastVariantEh(Variant& Dest, const Variant& V, TVarType VarType);
void CopyVariantEh(Variant& Dest, const Variant& V);
// An object reference as a Variant and back. The reference is held in 64 bits,
// so it survives on a 64-bit system; Null and Unassigned give nullptr.
Variant RefObjectToVariantEh(TObject* Obj);
TObject* VariantToRefObjectEh(const Variant& V);
void VarArrayRedimEh(Variant& A, Integer HighBound);

// ---- Property information ------------------------------------------------------------
// The type record of a published property (null when its table does not say) and a
// type record's kind byte (tkUnknown for none).
const TTypeInfo* PropInfoTypeEh(const TPropInfo& PropInfo);
TTypeKind TypeInfoKindEh(const TTypeInfo* TypeInfo);
// The dataset of the data source a class-typed property holds (PropInfo from
// Instance's property table, whose entries read their own instance); null when the
// property holds nothing, is not class-typed or holds another class. Never raises.
TDataSet* GetDataSourcePropDataSetEh(TObject* Instance, const TPropInfo& PropInfo);

// The dataset's own comparison of two bookmarks: below 0, 0 or above 0.
Integer DataSetCompareBookmarksEh(TDataSet* DataSet, const TBookmark& Bookmark1, const TBookmark& Bookmark2);

// ---- Memory stream ------------------------------------------------------------------
// A memory stream that grows its block in steps of twice GrowStep bytes (8192
// with the default step of 4096), from the heap.
class TMemoryStreamEh : public TMemoryStream {
public:
  BORROW_CLASS(TMemoryStreamEh, TMemoryStream)
  TMemoryStreamEh() = default;
  ~TMemoryStreamEh() override;
  Integer GetGrowStep() const { return FGrowStep; }

protected:
  void* Realloc(Int64& NewCapacity) override;

private:
  Integer FGrowStep = 4096;
};

// ---- Text output -------------------------------------------------------------------
// DrawText over Len characters of Text (-1: all); with DT_CALCRECT the rectangle
// grows to the text and the result is the text height.
Integer DrawTextEh(HDC DC, const String& Text, Integer Len, TRect& Rect, UINT Format);
// DrawTextEx with a copy of the parameters (null: none), so the caller's record stays as it was.
Integer DrawTextExEh(HDC DC, const String& Text, Integer Len, TRect& Rect, UINT Format,
                     const TDrawTextParams* DTParams);
// ExtTextOut over Len characters, with no spacing array.
bool ExtTextOutEh(HDC DC, Integer X, Integer Y, UINT Options, const TRect* Rect, const String& Text, Integer Len);
UINT GetOutlineTextMetricsEh(HDC DC, UINT Size, TOutlineTextMetric* OTMetricStructs);

// ---- Messages and windows ---------------------------------------------------------------
// SendMessage with a pointer to a record as LParam.
LRESULT SendStructMessageEh(HWND Wnd, UINT Msg, WPARAM WParam, const void* Data);
// SendMessage whose LParam is a text (the platform passes texts by pointer).
LRESULT SendTextMessageEh(HWND Wnd, UINT Msg, WPARAM WParam, const String& Text);
bool SystemParametersInfoEh(UINT Action, UINT Param, void* PvParam, UINT WinIni);
bool WindowsInvalidateRectEh(HWND Wnd, const TRect* Rect, bool Erase);
bool WindowsValidateRectEh(HWND Wnd, const TRect* Rect);
// ScrollWindowEx without the update rectangle.
Integer WindowsScrollWindowExEh(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip,
                                HRGN UpdateRgn, UINT Flags);
bool WindowsScrollWindowEh(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip);
// Converts both corners of a rectangle from logical to device units.
bool WindowsLPtoDPEh(HDC DC, TRect& Rect);
// Selects characters Start .. End of an edit window (EM_SETSEL).
void SetEditSelectionEh(HWND Handle, Integer Start, Integer End);
HRGN CreatePolygonRgnEh(const std::vector<TPoint>& Points, Integer FillMode);
// Loads a module's named bitmap resource into Bitmap, whose size becomes the
// resource's; false when the module has no such resource.
bool LoadBitmapFromResourceNameEh(TBitmap* Bitmap, HINSTANCE Instance, const String& ResName);
// A bitmap object of a module's bitmap resource, by name or by number ("#n"); null when absent.
HBITMAP LoadBitmapEh(HINSTANCE Instance, const String& BitmapName);
HBITMAP LoadBitmapEh(HINSTANCE Instance, Integer BitmapId);

// ---- Rectangles and message parameters ---------------------------------------------------------
inline TRect CopyRectEh(const TRect& Rect) { return Rect; }
inline void CopyRectEh(TRect& Dest, const TRect& Source) { Dest = Source; }
inline TRect EmptyRectEh() { return TRect(0, 0, 0, 0); }
// An object, point or handle passed as a message parameter, unchanged.
inline LPARAM CastToLParamEh(const void* Value) { return reinterpret_cast<LPARAM>(Value); }
inline LPARAM CastPointToLParamEh(TPoint P) { return MakeLParam(P.X, P.Y); }
inline LPARAM CastHandleToLParamEh(HWND Handle) { return reinterpret_cast<LPARAM>(Handle); }

// Called by the grid's buffered paint just before the background is erased into
// the memory context: a place for a platform that needs it; nothing here.
inline void BufferedPaintHookEh(HDC /*MemDC*/) {}
// A second such place, taking nothing, for a platform that needs one; nothing here either.
inline void EmptyHookEh() {}
