#include "editors/DaVirVCL.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/core/CodePage.h"
#include "platform/core/Locale.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"

namespace {

// A length limit cuts both strings; a string shorter than the limit is taken whole.
StringView Limit(StringView S, int CmpLen) {
  if (CmpLen > 0 && static_cast<size_t>(CmpLen) < S.size()) return S.substr(0, static_cast<size_t>(CmpLen));
  return S;
}

}  // namespace

int CompareWideStrEh(StringView S1, StringView S2, int CmpLen, bool IgnoreCase) {
  return CompareStringLocale(Limit(S1, CmpLen), Limit(S2, CmpLen), IgnoreCase);
}

int CompareUStrEh(StringView S1, StringView S2, int CmpLen, bool IgnoreCase) {
  return CompareWideStrEh(S1, S2, CmpLen, IgnoreCase);
}

int CompareStrUserLocaleEh(StringView S1, StringView S2) { return CompareStringLocale(S1, S2, false); }

int CompareTextUserLocaleEh(StringView S1, StringView S2) { return CompareStringLocale(S1, S2, true); }

bool CharInSetEh(Char C, const TSysCharSet& CharSet) { return CharSet.Contains(C); }

AnsiString VarToAnsiStrEh(const Variant& V) { return StringToAnsi(VarToStr(V)); }

Char* WideStrCopyEh(Char* Dest, const Char* Source) {
  Char* d = Dest;
  while ((*d++ = *Source++) != 0) {
  }
  return Dest;
}

String WideUpperCaseEh(StringView S) { return AnsiUpperCase(S); }
String WideLowerCaseEh(StringView S) { return AnsiLowerCase(S); }

void CastVariantEh(Variant& Dest, const Variant& V, TVarType VarType) {
  if (V.IsNull()) Dest = Null();
  else if (VarType == varVariant) Dest = V;
  else VarCast(Dest, V, VarType);
}

void CopyVariantEh(Variant& Dest, const Variant& V) { CastVariantEh(Dest, V, varVariant); }

Variant RefObjectToVariantEh(TObject* Obj) { return Variant(static_cast<Int64>(reinterpret_cast<std::intptr_t>(Obj))); }

TObject* VariantToRefObjectEh(const Variant& V) {
  if (V.IsNull() || V.IsEmpty()) return nullptr;
  return reinterpret_cast<TObject*>(static_cast<std::intptr_t>(V.AsInt64()));
}

void VarArrayRedimEh(Variant& A, Integer HighBound) { VarArrayRedim(A, HighBound); }

const TTypeInfo* PropInfoTypeEh(const TPropInfo& PropInfo) { return PropInfoType(PropInfo); }

TTypeKind TypeInfoKindEh(const TTypeInfo* TypeInfo) { return TypeInfoKind(TypeInfo); }

TDataSet* GetDataSourcePropDataSetEh(TObject* /*Instance*/, const TPropInfo& PropInfo) {
  if (TypeInfoKindEh(PropInfoTypeEh(PropInfo)) != tkClass || !PropInfo.GetObject) return nullptr;
  auto* source = dynamic_cast<TDataSource*>(PropInfo.GetObject());
  return source ? source->GetDataSet() : nullptr;
}

Integer DataSetCompareBookmarksEh(TDataSet* DataSet, const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
  return DataSet->CompareBookmarks(Bookmark1, Bookmark2);
}

// ---- TMemoryStreamEh

TMemoryStreamEh::~TMemoryStreamEh() { SetCapacity(0); }

void* TMemoryStreamEh::Realloc(Int64& NewCapacity) {
  const Int64 step2 = 2 * static_cast<Int64>(FGrowStep);
  if (NewCapacity > 0 && NewCapacity != GetSize()) {
    if (NewCapacity > std::numeric_limits<Int64>::max() - step2)
      throw EStreamError(u"Out of memory while expanding memory stream");
    NewCapacity = (NewCapacity + step2 - 1) & ~(step2 - 1);
  }
  void* block = GetMemory();
  if (NewCapacity == GetCapacity()) return block;
  if (NewCapacity == 0) {
    std::free(block);
    return nullptr;
  }
  // On failure the stream keeps its former block.
  void* grown = (GetCapacity() == 0 || !block) ? std::malloc(static_cast<size_t>(NewCapacity))
                                               : std::realloc(block, static_cast<size_t>(NewCapacity));
  if (!grown) throw EStreamError(u"Out of memory while expanding memory stream");
  return grown;
}
