#pragma once
// A small dataset for the framework's tests: records are rows of Variants in a
// vector, each with a fixed identity that its bookmark carries. It implements
// the buffered-cursor hooks the simplest correct way, so the tests exercise
// TDataSet's own window, states and events.

#include <cstring>
#include <memory>
#include <vector>

#include "platform/data/DB.h"

class TTestDataSet : public TDataSet {
public:
  explicit TTestDataSet(TComponent* AOwner = nullptr) : TDataSet(AOwner) {}
  ~TTestDataSet() override {
    Destroying();
    Close();
    DestroyFields();
  }

  // Rows to start with (set before opening, or any time for raw test access).
  void AddRow(std::vector<Variant> values) { FRows.push_back({FNextId++, std::move(values)}); }
  Integer RowCount() const { return static_cast<Integer>(FRows.size()); }
  const Variant& Cell(Integer row, Integer col) const { return FRows[row].Values[col]; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  bool CanModify() const override { return !FReadOnly; }
  Integer AllocatedBuffers() const { return static_cast<Integer>(FPool.size()); }
  using TDataSet::BufferCount;

  Integer GetRecordCount() const override {
    CheckActive();
    return RowCount();
  }
  Integer GetRecNo() const override {
    if (IsEmpty() || GetState() == dsInactive) return -1;
    const Buf& b = At(ActiveBuffer());
    return b.Flag == bfCurrent ? IndexOfId(b.Id) + 1 : -1;
  }
  void SetRecNo(Integer Value) override {
    CheckBrowseMode();
    if (Value < 1 || Value > RowCount()) return;
    DoBeforeScroll();
    FCursor = Value - 1;
    Resync({});
    DoAfterScroll();
  }
  bool IsCursorOpen() const override { return FCursorOpen; }
  bool BookmarkValid(const TBookmark& B) const override {
    return FCursorOpen && B.size() == 4 && IndexOfId(IdOf(B)) >= 0;
  }
  Integer CompareBookmarks(const TBookmark& A, const TBookmark& B) const override {
    if (A.IsNil() || B.IsNil()) return A.IsNil() == B.IsNil() ? 0 : (A.IsNil() ? -1 : 1);
    Integer a = IndexOfId(IdOf(A)), b = IndexOfId(IdOf(B));
    return a < b ? -1 : a > b ? 1 : 0;
  }

  bool GetFieldData(TField* Field, Variant& Value) override {
    Buf* b = CurrentBuf();
    if (!b) return false;
    if (GetState() == dsOldValue && b->Flag == bfCurrent && Field->GetFieldNo() > 0) {
      Integer i = IndexOfId(b->Id);
      if (i >= 0) Value = FRows[i].Values[Field->GetFieldNo() - 1];
    } else {
      Value = Slot(*b, Field);
    }
    return !VarIsNullOrEmpty(Value);
  }

  void SetFieldData(TField* Field, const Variant& Value) override {
    if (!dsWriteModes.Contains(GetState())) DatabaseError(SNotEditing, this);
    Buf* b = CurrentBuf();
    if (!b) return;
    Field->Validate(Value);
    Slot(*b, Field) = Value;
    TDataSetState s = GetState();
    if (s != dsCalcFields && s != dsFilter && s != dsNewValue && s != dsInternalCalc)
      DataEvent(deFieldChange, reinterpret_cast<TDataEventInfo>(Field));
  }

protected:
  struct Buf {
    bool InUse = false;
    Integer Id = 0;
    TBookmarkFlag Flag = bfCurrent;
    std::vector<Variant> Data;  // by column
    std::vector<Variant> Calc;  // by field index
  };
  struct Row {
    Integer Id;
    std::vector<Variant> Values;
  };

  TRecordBuffer AllocRecordBuffer() override {
    for (size_t i = 0; i < FPool.size(); ++i)
      if (!FPool[i].InUse) {
        FPool[i].InUse = true;
        return static_cast<TRecordBuffer>(i + 1);
      }
    FPool.push_back(Buf{});
    FPool.back().InUse = true;
    return static_cast<TRecordBuffer>(FPool.size());
  }
  void FreeRecordBuffer(TRecordBuffer& B) override {
    FPool[B - 1] = Buf{};
    B = 0;
  }
  void InternalInitRecord(TRecordBuffer B) override {
    Buf& b = At(B);
    b.Id = 0;
    b.Data.assign(FieldDefCount(), Variant::Null());
    b.Calc.assign(GetFieldCount(), Variant::Null());
  }
  void ClearCalcFields(TRecordBuffer B) override { At(B).Calc.assign(GetFieldCount(), Variant::Null()); }
  void GetBookmarkData(TRecordBuffer B, TBookmark& Data) const override { Data.Assign(&At(B).Id, 4); }
  void SetBookmarkData(TRecordBuffer B, const TBookmark& Data) override {
    if (Data.size() == 4) std::memcpy(&At(B).Id, Data.data(), 4);
  }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer B) const override { return At(B).Flag; }
  void SetBookmarkFlag(TRecordBuffer B, TBookmarkFlag Value) override { At(B).Flag = Value; }

  TGetResult GetRecord(TRecordBuffer B, TGetMode GetMode, bool) override {
    Integer n = RowCount();
    switch (GetMode) {
      case gmCurrent:
        if (FCursor < 0 || FCursor >= n) return grError;
        break;
      case gmNext:
        if (FCursor >= n - 1) {
          FCursor = n;
          return grEOF;
        }
        ++FCursor;
        break;
      case gmPrior:
        if (FCursor <= 0) {
          FCursor = -1;
          return grBOF;
        }
        --FCursor;
        break;
    }
    Buf& b = At(B);
    b.Id = FRows[FCursor].Id;
    b.Flag = bfCurrent;
    b.Data = FRows[FCursor].Values;
    b.Data.resize(FieldDefCount(), Variant::Null());
    b.Calc.assign(GetFieldCount(), Variant::Null());
    GetCalcFields(B);
    return grOK;
  }

  void InternalFirst() override { FCursor = -1; }
  void InternalLast() override { FCursor = RowCount(); }
  void InternalGotoBookmark(const TBookmark& B) override {
    Integer i = B.size() == 4 ? IndexOfId(IdOf(B)) : -1;
    if (i < 0) DatabaseError(SRecordNotFound, this);
    FCursor = i;
  }
  void InternalSetToRecord(TRecordBuffer B) override {
    Integer i = IndexOfId(At(B).Id);
    if (i >= 0) FCursor = i;
  }
  void InternalInitFieldDefs() override {}
  void InternalOpen() override {
    SetBookmarkSize(4);
    if (GetDefaultFields()) CreateFields();
    BindFields(true);
    if (GetFieldCount() == 0) DatabaseError(SNoFieldsDefined);
    FCursor = -1;
    FCursorOpen = true;
  }
  void InternalClose() override {
    BindFields(false);
    if (GetDefaultFields()) DestroyFields();
    FCursorOpen = false;
  }
  void InternalPost() override {
    TDataSet::InternalPost();
    const Buf& b = At(ActiveBuffer());
    if (GetState() == dsInsert) {
      InternalAddRecord(ActiveBuffer(), b.Flag == bfEOF);
    } else {
      FRows[FCursor].Values = b.Data;
    }
  }
  void InternalAddRecord(TRecordBuffer B, bool Append) override {
    Row r{FNextId++, At(B).Data};
    Integer at = Append ? RowCount() : std::max(FCursor, 0);
    at = std::min(at, RowCount());
    FRows.insert(FRows.begin() + at, std::move(r));
    FCursor = at;
  }
  void InternalDelete() override {
    FRows.erase(FRows.begin() + FCursor);
    if (FCursor >= RowCount()) FCursor = RowCount() - 1;
  }

private:
  Buf& At(TRecordBuffer B) { return FPool[B - 1]; }
  const Buf& At(TRecordBuffer B) const { return FPool[B - 1]; }
  static Integer IdOf(const TBookmark& B) {
    Integer id;
    std::memcpy(&id, B.data(), 4);
    return id;
  }
  Integer IndexOfId(Integer id) const {
    for (size_t i = 0; i < FRows.size(); ++i)
      if (FRows[i].Id == id) return static_cast<Integer>(i);
    return -1;
  }
  Integer FieldDefCount() const { return GetFieldDefs()->Count(); }
  Buf* CurrentBuf() {
    switch (GetState()) {
      case dsBrowse:
      case dsOldValue:
      case dsCurValue: return IsEmpty() ? nullptr : &At(ActiveBuffer());
      case dsEdit:
      case dsInsert:
      case dsNewValue: return &At(ActiveBuffer());
      case dsCalcFields:
      case dsInternalCalc: return &At(CalcBuffer());
      case dsFilter: return &At(TempBuffer());
      default: return nullptr;
    }
  }
  Variant& Slot(Buf& b, TField* f) {
    if (f->GetFieldNo() > 0) return b.Data[f->GetFieldNo() - 1];
    Integer i = f->GetIndex();
    if (static_cast<Integer>(b.Calc.size()) <= i) b.Calc.resize(i + 1, Variant::Null());
    return b.Calc[i];
  }

  std::vector<Row> FRows;
  std::vector<Buf> FPool;
  Integer FNextId = 1;
  Integer FCursor = -1;
  bool FCursorOpen = false;
  bool FReadOnly = false;
};

// A link that writes down what it hears, in order.
class TRecordingLink : public TDataLink {
public:
  std::vector<std::string> Log;
  void Clear() { Log.clear(); }
  using TDataLink::SetBufferCount;

protected:
  void ActiveChanged() override { Log.push_back(GetActive() ? "active" : "inactive"); }
  void DataSetChanged() override { Log.push_back("changed"); }
  void DataSetScrolled(Integer Distance) override { Log.push_back("scrolled " + std::to_string(Distance)); }
  void EditingChanged() override { Log.push_back(GetEditing() ? "editing" : "not editing"); }
  void LayoutChanged() override { Log.push_back("layout"); }
  void RecordChanged(TField* Field) override {
    Log.push_back(Field ? "record " + ToUtf8(Field->GetFieldName()) : "record");
  }
  void UpdateData() override { Log.push_back("update data"); }
  void CheckBrowseMode() override { Log.push_back("check browse"); }
  void FocusControl(TField** Field) override { Log.push_back("focus " + ToUtf8((*Field)->GetFieldName())); }
};
