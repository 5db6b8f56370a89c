// Variant comparison, the bookmark list, the forwarding data link, distinct
// field values, field-list resolution, and the input tools (shift state, pending
// clicks, double clicks).

#include "editors/ToolCtrlsEh.h"

#include <cstdlib>

#include "editors/DaVirVCL.h"
#include "platform/core/Lists.h"
#include "platform/core/QuickSort.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Fields.h"
#include "platform/ui/MessageQueue.h"

// ---------------------------------------------------------------------------
// Variant comparison

namespace {

// Both arrays of one shape: same dimension count, same first-dimension bounds.
bool SameShape(const Variant& A, const Variant& B) {
  return VarArrayDimCount(A) == VarArrayDimCount(B) && VarArrayLowBound(A) == VarArrayLowBound(B) &&
         VarArrayHighBound(A) == VarArrayHighBound(B);
}

Integer CompareScalar(const Variant& A, const Variant& B) {
  const bool an = A.IsNull(), bn = B.IsNull();
  if (an || bn) return an && bn ? 0 : an ? 1 : 2;
  const bool ae = A.IsEmpty(), be = B.IsEmpty();
  if (ae || be) return ae && be ? 0 : 3;
  switch (VarCompareValue(A, B)) {
    case TVarCompareResult::vrEqual: return 0;
    case TVarCompareResult::vrLessThan: return 1;
    case TVarCompareResult::vrGreaterThan: return 2;
    case TVarCompareResult::vrNotEqual: break;
  }
  return 3;
}

}  // namespace

bool VarEqualsEh(const Variant& A, const Variant& B) {
  const bool aa = A.IsArray(), ba = B.IsArray();
  if (aa != ba) return false;
  if (aa && SameShape(A, B)) {
    const Integer lo = VarArrayLowBound(A), hi = VarArrayHighBound(A);
    if (hi < lo) return false;
    for (Integer i = lo; i <= hi; ++i)
      if (!VarSameValue(VarArrayGet(A, i), VarArrayGet(B, i))) return false;
    return true;
  }
  if (A.IsEmpty() != B.IsEmpty()) return false;
  return VarSameValue(A, B);
}

Integer VarCompareEh(const Variant& A, const Variant& B) {
  const bool aa = A.IsArray(), ba = B.IsArray();
  if (aa != ba) return 3;
  if (aa && SameShape(A, B)) {
    const Integer lo = VarArrayLowBound(A), hi = VarArrayHighBound(A);
    if (hi < lo) return 3;
    for (Integer i = lo; i <= hi; ++i) {
      const Integer c = CompareScalar(VarArrayGet(A, i), VarArrayGet(B, i));
      if (c != 0) return c;
    }
    return 0;
  }
  return CompareScalar(A, B);
}

// ---------------------------------------------------------------------------
// TBMListEh

TBMListEh::~TBMListEh() {
  // No virtual dispatch from here on: the descendant part is gone.
  FItems.clear();
}

void TBMListEh::RaiseError(const String& Msg) { throw Exception(Msg); }

const TBookmark& TBMListEh::GetItem(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) TList::Error(u"List index out of bounds (%d)", Index);
  return FItems[static_cast<size_t>(Index)];
}

void TBMListEh::SetItem(Integer Index, const TBookmark& Item) {
  if (Index < 0 || Index >= GetCount()) TList::Error(u"List index out of bounds (%d)", Index);
  FItems[static_cast<size_t>(Index)] = Item;
  ForgetCache();
}

TBookmark TBMListEh::GetCurrentBookmark() const {
  if (!FLinkActive) const_cast<TBMListEh*>(this)->RaiseError(SDataSetClosed);
  return GetDataSet()->GetBookmark();
}

Integer TBMListEh::Compare(const TBookmark& Item1, const TBookmark& Item2) const {
  return DataSetCompareBookmarksEh(GetDataSet(), Item1, Item2);
}

bool TBMListEh::Find(const TBookmark& Item, Integer& Index) const {
  if (FCacheIndex >= 0 && Item == FCacheItem) {
    Index = FCacheIndex;
    return FCacheFound;
  }
  bool found = false;
  Integer low = 0, high = GetCount() - 1;
  while (low <= high) {
    const Integer middle = (low + high) / 2;
    const Integer c = Compare(FItems[static_cast<size_t>(middle)], Item);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) {
        found = true;
        low = middle;
      }
    }
  }
  Index = low;
  FCacheItem = Item;
  FCacheIndex = low;
  FCacheFound = found;
  return found;
}

Integer TBMListEh::IndexOf(const TBookmark& Item) const {
  Integer Index;
  return Find(Item, Index) ? Index : -1;
}

bool TBMListEh::GetCurrentRowSelected() const {
  Integer Index;
  return Find(GetCurrentBookmark(), Index);
}

void TBMListEh::SetCurrentRowSelected(bool Value) {
  Integer Index;
  const TBookmark current = GetCurrentBookmark();
  if (Find(current, Index) == Value) return;
  if (Value) Insert(Index, current);
  else Delete(Index);
}

void TBMListEh::ItemsChanged(const TBookmark&) { ForgetCache(); }

void TBMListEh::Insert(Integer Index, const TBookmark& Item) {
  if (Index < 0 || Index > GetCount()) TList::Error(u"List index out of bounds (%d)", Index);
  FItems.insert(FItems.begin() + Index, Item);
  ItemsChanged(Item);
}

void TBMListEh::Delete(Integer Index) {
  if (Index < 0 || Index >= GetCount()) TList::Error(u"List index out of bounds (%d)", Index);
  const TBookmark removed = FItems[static_cast<size_t>(Index)];
  FItems.erase(FItems.begin() + Index);
  ItemsChanged(removed);
}

void TBMListEh::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  // A cached index would point past the end of the empty list.
  ForgetCache();
  Changed();
  Invalidate();
}

void TBMListEh::DeleteRecords() {
  TDataSet* ds = GetDataSet();
  if (!ds) {
    Changed();
    return;
  }
  ds->DisableControls();
  try {
    for (Integer i = GetCount() - 1; i >= 0; --i) {
      ds->GotoBookmark(FItems[static_cast<size_t>(i)]);
      ds->Delete();
      Delete(i);
    }
  } catch (...) {
    ds->EnableControls();
    Changed();
    throw;
  }
  ds->EnableControls();
  Changed();
}

void TBMListEh::SetLinkActive(bool Value) {
  Clear();
  Changed();
  FLinkActive = Value;
}

void TBMListEh::CustomSort(void* Param, const TBMListSortCompareEh& Compare) {
  if (GetCount() < 2) return;
  // By places, because the compare routine reads the list by index: the pivot
  // is a place that follows its bookmark.
  QuickSortRange(TSortByIndex([&](Integer A, Integer B) { return Compare(this, Param, A, B); },
                              [this](Integer A, Integer B) {
                                std::swap(FItems[static_cast<size_t>(A)], FItems[static_cast<size_t>(B)]);
                              }),
                 0, GetCount() - 1);
  ForgetCache();
}

// ---------------------------------------------------------------------------
// TDataLinkEh

void TDataLinkEh::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  TDataLink::DataEvent(Event, Info);
  if (OnDataEvent) OnDataEvent(this, Event, Info);
}

// ---------------------------------------------------------------------------
// TDatasetFieldValueListEh

TDatasetFieldValueListEh::TDatasetFieldValueListEh()
    : FValues(std::make_unique<TStringList>()),
      FDataSource(std::make_unique<TDataSource>(nullptr)),
      FDataLink(std::make_unique<TDataLinkEh>()) {
  FValues->SetSorted(true);
  FValues->SetDuplicates(dupIgnore);
  FDataLink->OnDataEvent = [this](TObject*, TDataEvent Event, TDataEventInfo) {
    if (Event == deDataSetChange || Event == dePropertyChange || Event == deFieldListChange) FNeedRefresh = true;
  };
  FDataLink->SetDataSource(FDataSource.get());
}

TDatasetFieldValueListEh::~TDatasetFieldValueListEh() {
  FDataLink->SetDataSource(nullptr);
  FDataLink->OnDataEvent = nullptr;
}

void TDatasetFieldValueListEh::SetDataSet(TDataSet* Value) {
  if (FDataLink->GetDataSource() != FDataSource.get()) FDataLink->SetDataSource(FDataSource.get());
  if (FDataSource->GetDataSet() != Value) {
    FDataSource->SetDataSet(Value);
    FNeedRefresh = true;
  }
}

void TDatasetFieldValueListEh::SetDataSource(TDataSource* Value) {
  if (FDataLink->GetDataSource() == Value) return;
  FDataLink->SetDataSource(Value);
  FNeedRefresh = true;
}

void TDatasetFieldValueListEh::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  FNeedRefresh = true;
}

TStringList* TDatasetFieldValueListEh::GetValues() {
  if (FNeedRefresh) RefreshValues();
  return FValues.get();
}

void TDatasetFieldValueListEh::RefreshValues() {
  FValues->Clear();
  TDataSet* ds = FDataLink->GetDataSet();
  TField* field = FDataLink->GetActive() && ds ? ds->FindField(FFieldName) : nullptr;
  if (field) {
    ds->DisableControls();
    try {
      ds->First();
      while (!ds->Eof()) {
        FValues->Add(field->GetAsString());
        ds->Next();
      }
    } catch (...) {
      ds->EnableControls();
      throw;
    }
    ds->EnableControls();
  }
  FNeedRefresh = false;
}

// ---------------------------------------------------------------------------
// Field lists

void GetFieldListEh(std::vector<TField*>* List, TDataSet* DataSet, TComponent* Component, const String& FieldNames) {
  Integer pos = 1;
  while (pos <= static_cast<Integer>(FieldNames.size())) {
    const String name = ExtractFieldName(FieldNames, pos);
    TField* field = DataSet->FindField(name);
    if (!field) DatabaseErrorFmt(SFieldNotFound, {name}, Component);
    if (List) List->push_back(field);
  }
}

void GetFieldsArrEh(TDataSet* DataSet, TComponent* Component, const String& FieldNames, TFieldsArrEh& Fields) {
  Fields.clear();
  GetFieldListEh(&Fields, DataSet, Component, FieldNames);
}

void AssignFieldsValuesEh(TDataSet* DataSet, const String& FieldNames, const Variant& Value) {
  std::vector<TField*> fields;
  GetFieldListEh(&fields, DataSet, nullptr, FieldNames);
  if (VarEqualsEh(Value, Null())) {
    for (TField* f : fields) f->Clear();
    return;
  }
  DataSet->SetFieldValues(FieldNames, Value);
}

bool IsNumberFieldTypeEh(TFieldType DataType) {
  switch (DataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: return true;
    default: return false;
  }
}

// ---------------------------------------------------------------------------
// Input tools

TShiftState GetShiftStateEh() {
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  return shift;
}

namespace {

// The next pending left press or double click on Control (InClient: inside its
// client rectangle) is taken off the queue.
bool RemovePendingClick(TControl* Control, bool InClient) {
  if (!Control) return false;
  auto* windowed = dynamic_cast<TWinControl*>(Control);
  TWinControl* host = windowed ? windowed : Control->GetParent();
  if (!host || !host->HandleAllocated()) return false;
  const HWND wnd = host->GetHandle();
  TMsg msg;
  if (!PeekMessage(msg, wnd, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_NOREMOVE)) return false;
  if (msg.message != WM_LBUTTONDOWN && msg.message != WM_LBUTTONDBLCLK) return false;
  const TPoint inHost(GetXLParam(msg.lParam), GetYLParam(msg.lParam));
  if (!windowed && host->ControlAtPos(inHost, true) != Control) return false;
  if (InClient) {
    const TPoint inControl = windowed ? inHost : TPoint(inHost.X - Control->GetLeft(), inHost.Y - Control->GetTop());
    if (!Control->GetClientRect().Contains(inControl)) return false;
  }
  return PeekMessage(msg, wnd, msg.message, msg.message, PM_REMOVE);
}

}  // namespace

bool RemovePendingClickOnControlEh(TControl* Control) { return RemovePendingClick(Control, false); }

bool RemovePendingClickInClientRectEh(TControl* Control) { return RemovePendingClick(Control, true); }

bool CheckDoubleClickEh(TPoint P1, TPoint P2, DWORD ElapsedMs) {
  return ElapsedMs <= GetDoubleClickTime() && std::abs(P1.X - P2.X) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
         std::abs(P1.Y - P2.Y) <= GetSystemMetrics(SM_CYDOUBLECLK);
}
