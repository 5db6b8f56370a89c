#include "platform/core/StringList.h"

#include <algorithm>
#include <string>

#include "platform/core/CodePage.h"
#include "platform/core/Files.h"
#include "platform/core/Locale.h"
#include "platform/core/QuickSort.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Streams.h"
#include "platform/core/WithUpdate.h"

namespace {

const char16_t* const SDuplicateString = u"String list does not allow duplicates";
const char16_t* const SSortedListError = u"Operation not allowed on sorted list";

[[noreturn]] void IndexError(Integer Index) {
  const std::string num = std::to_string(Index);
  throw EStringListError(u"List index out of bounds (" + String(num.begin(), num.end()) + u")");
}

int LocaleCompare(const String& a, const String& b, bool ignoreCase) {
  const int r = CompareStringLocale(a, b, ignoreCase);
  if (r == -2) return a < b ? -1 : (a == b ? 0 : 1);  // no collator: code-unit order
  // Collation-equal but different texts (only when case counts) still order by code units,
  // so a case-sensitive list tells them apart.
  if (r == 0 && !ignoreCase && a != b) return a < b ? -1 : 1;
  return r;
}

}  // namespace

// ---- TStrings

void TStrings::Put(Integer Index, const String& S) {
  TObject* obj = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, obj);
}

TObject* TStrings::GetObject(Integer) const { return nullptr; }
void TStrings::PutObject(Integer, TObject*) {}

Integer TStrings::Add(const String& S) {
  const Integer i = GetCount();
  Insert(i, S);
  return i;
}

Integer TStrings::AddObject(const String& S, TObject* AObject) {
  const Integer i = Add(S);
  PutObject(i, AObject);
  return i;
}

void TStrings::InsertObject(Integer Index, const String& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::AddStrings(const TStrings* Strings) {
  if (!Strings) return;
  WithUpdate(*this, [&] {
    for (Integer i = 0; i < Strings->GetCount(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  });
}

void TStrings::Exchange(Integer Index1, Integer Index2) {
  WithUpdate(*this, [&] {
    const String s = Get(Index1);
    TObject* o = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, o);
  });
}

void TStrings::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  WithUpdate(*this, [&] {
    const String s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
  });
}

Integer TStrings::IndexOf(const String& S) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

Integer TStrings::IndexOfName(const String& Name) const {
  for (Integer i = 0; i < GetCount(); ++i) {
    const String s = Get(i);
    const auto p = s.find(FNameValueSeparator);
    if (p != String::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

Integer TStrings::IndexOfObject(TObject* AObject) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

bool TStrings::Equals(const TStrings* Strings) const {
  if (!Strings || Strings->GetCount() != GetCount()) return false;
  for (Integer i = 0; i < GetCount(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TStrings*>(Source)) {
    if (src == this) return;
    WithUpdate(*this, [&] {
      Clear();
      FNameValueSeparator = src->FNameValueSeparator;
      FDelimiter = src->FDelimiter;
      FQuoteChar = src->FQuoteChar;
      FStrictDelimiter = src->FStrictDelimiter;
      AddStrings(src);
    });
    return;
  }
  TPersistent::Assign(Source);
}

String TStrings::GetName(Integer Index) const {
  const String s = Get(Index);
  const auto p = s.find(FNameValueSeparator);
  return p == String::npos ? String() : s.substr(0, p);
}

String TStrings::GetValue(const String& Name) const {
  const Integer i = IndexOfName(Name);
  return i < 0 ? String() : GetValueFromIndex(i);
}

void TStrings::SetValue(const String& Name, const String& Value) {
  const Integer i = IndexOfName(Name);
  if (!Value.empty()) {
    const String line = Name + FNameValueSeparator + Value;
    if (i < 0) Add(line);
    else Put(i, line);
  } else if (i >= 0) {
    Delete(i);
  }
}

String TStrings::GetValueFromIndex(Integer Index) const {
  const String s = Get(Index);
  const auto p = s.find(FNameValueSeparator);
  return p == String::npos ? String() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(Integer Index, const String& Value) {
  if (!Value.empty()) {
    Put(Index, GetName(Index) + FNameValueSeparator + Value);
  } else {
    Delete(Index);
  }
}

String TStrings::GetText() const {
  String r;
  for (Integer i = 0; i < GetCount(); ++i) {
    r += Get(i);
    r += u"\r\n";
  }
  return r;
}

void TStrings::SetText(const String& Value) {
  WithUpdate(*this, [&] {
    Clear();
    size_t start = 0;
    const size_t n = Value.size();
    while (start < n) {
      size_t p = start;
      while (p < n && Value[p] != u'\r' && Value[p] != u'\n') ++p;
      Add(Value.substr(start, p - start));
      if (p < n && Value[p] == u'\r') ++p;
      if (p < n && Value[p] == u'\n') ++p;
      start = p;
    }
  });
}

String TStrings::QuotedItem(const String& S) const {
  bool quote = false;
  for (Char c : S)
    if (c == FQuoteChar || c == FDelimiter || (!FStrictDelimiter && c <= u' ')) {
      quote = true;
      break;
    }
  if (!quote) return S;
  String r(1, FQuoteChar);
  for (Char c : S) {
    r += c;
    if (c == FQuoteChar) r += c;
  }
  r += FQuoteChar;
  return r;
}

String TStrings::GetDelimitedText() const {
  // A single empty line reads back as itself only when quoted.
  if (GetCount() == 1 && Get(0).empty()) return String(2, FQuoteChar);
  String r;
  for (Integer i = 0; i < GetCount(); ++i) {
    if (i) r += FDelimiter;
    r += QuotedItem(Get(i));
  }
  return r;
}

void TStrings::SetDelimitedText(const String& Value) {
  WithUpdate(*this, [&] {
    Clear();
    const size_t n = Value.size();
    size_t p = 0;
    auto skipBlanks = [&] {
      if (!FStrictDelimiter)
        while (p < n && Value[p] >= 1 && Value[p] <= u' ') ++p;
    };
    skipBlanks();
    while (p < n) {
      String item;
      if (Value[p] == FQuoteChar) {
        ++p;
        while (p < n) {
          if (Value[p] == FQuoteChar) {
            if (p + 1 < n && Value[p + 1] == FQuoteChar) {
              item += FQuoteChar;
              p += 2;
              continue;
            }
            ++p;
            break;
          }
          item += Value[p++];
        }
      } else {
        while (p < n && Value[p] != FDelimiter && (FStrictDelimiter || Value[p] > u' ')) item += Value[p++];
      }
      Add(item);
      skipBlanks();
      if (p < n && Value[p] == FDelimiter) {
        ++p;
        if (p == n) Add(String());  // a trailing delimiter ends with an empty item
        skipBlanks();
      }
    }
  });
}

String TStrings::GetCommaText() const {
  TStringList tmp;
  tmp.AddStrings(this);
  tmp.SetDelimiter(u',');
  tmp.SetQuoteChar(u'"');
  tmp.SetStrictDelimiter(false);
  return tmp.GetDelimitedText();
}

void TStrings::SetCommaText(const String& Value) {
  const Char d = FDelimiter, q = FQuoteChar;
  const bool strict = FStrictDelimiter;
  FDelimiter = u',';
  FQuoteChar = u'"';
  FStrictDelimiter = false;
  TScopeExit Restore([&] { FDelimiter = d, FQuoteChar = q, FStrictDelimiter = strict; });
  SetDelimitedText(Value);
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount <= 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TStrings::LoadFromStream(TStream* Stream) {
  const Int64 size = Stream->GetSize() - Stream->GetPosition();
  std::string bytes(static_cast<size_t>(std::max<Int64>(size, 0)), '\0');
  if (!bytes.empty()) Stream->ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  SetText(DecodeText(bytes));
}

void TStrings::SaveToFile(const String& FileName) const {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

void TStrings::SaveToStream(TStream* Stream) const {
  const AnsiString bytes = StringToAnsi(GetText());
  if (!bytes.empty()) Stream->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
}

int TStrings::CompareStrings(const String& S1, const String& S2) const { return LocaleCompare(S1, S2, true); }

// ---- TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (FOwnsObjects)
    for (auto& item : FList) delete item.FObject;
}

void TStringList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
}

void TStringList::Changed() {
  if (GetUpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (GetUpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    if (OnChanging) OnChanging(this);
  } else if (OnChange) {
    OnChange(this);
  }
}

String TStringList::Get(Integer Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FString;
}

void TStringList::Put(Integer Index, const String& S) {
  if (FSorted) throw EStringListError(SSortedListError);
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FString = S;
  Changed();
}

TObject* TStringList::GetObject(Integer Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FObject;
}

void TStringList::PutObject(Integer Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FObject = AObject;
  Changed();
}

Integer TStringList::Add(const String& S) { return AddObject(S, nullptr); }

Integer TStringList::AddObject(const String& S, TObject* AObject) {
  Integer i = GetCount();
  if (FSorted && Find(S, i)) {
    if (FDuplicates == dupIgnore) return i;
    if (FDuplicates == dupError) throw EStringListError(SDuplicateString);
  }
  InsertItem(i, S, AObject);
  return i;
}

void TStringList::Insert(Integer Index, const String& S) {
  if (FSorted) throw EStringListError(SSortedListError);
  if (Index < 0 || Index > GetCount()) IndexError(Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::InsertItem(Integer Index, const String& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Delete(Integer Index) {
  CheckIndex(Index);
  Changing();
  TObject* obj = FList[static_cast<size_t>(Index)].FObject;
  FList.erase(FList.begin() + Index);
  if (FOwnsObjects) delete obj;
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<TStringItem> old;
  old.swap(FList);
  if (FOwnsObjects)
    for (auto& item : old) delete item.FObject;
  Changed();
}

void TStringList::ExchangeItems(Integer Index1, Integer Index2) {
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

void TStringList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  ExchangeItems(Index1, Index2);
  Changed();
}

Integer TStringList::IndexOf(const String& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  Integer i = 0;
  return Find(S, i) ? i : -1;
}

void TStringList::SetText(const String& Value) { TStrings::SetText(Value); }

bool TStringList::Find(const String& S, Integer& Index) const {
  Integer lo = 0, hi = GetCount() - 1;
  bool found = false;
  while (lo <= hi) {
    const Integer mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(FList[static_cast<size_t>(mid)].FString, S);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != dupAccept) lo = mid;
      }
    }
  }
  Index = lo;
  return found;
}

void TStringList::QuickSort(Integer L, Integer R, const TStringListSortCompare& Compare) {
  // By places, because the compare routine reads the list by index: the pivot
  // is a place that follows its string.
  QuickSortRange(TSortByIndex([&](Integer A, Integer B) { return Compare(this, A, B); },
                              [this](Integer A, Integer B) { ExchangeItems(A, B); }),
                 L, R);
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || GetCount() < 2 || !Compare) return;
  Changing();
  QuickSort(0, GetCount() - 1, Compare);
  Changed();
}

void TStringList::Sort() {
  if (GetCount() < 2) return;
  Changing();
  QuickSort(0, GetCount() - 1, [](TStringList* List, Integer A, Integer B) {
    return List->CompareStrings(List->FList[static_cast<size_t>(A)].FString,
                                List->FList[static_cast<size_t>(B)].FString);
  });
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) Sort();
}

int TStringList::CompareStrings(const String& S1, const String& S2) const {
  return LocaleCompare(S1, S2, !FCaseSensitive);
}
