#pragma once
// The library's thin layer over the platform's text and run-time services. Other
// units call these instead of the platform directly, so UTF-16 strings and
// Variants cross the platform boundary in one place. The decisions live in the
// locale-aware comparisons, the character-in-set test, the Variant casts and the
// memory stream's growth rule; the rest passes through.

#include "platform/core/Streams.h"
#include "platform/core/Strings.h"
#include "platform/core/Variant.h"
#include "platform/data/DBTypes.h"

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
