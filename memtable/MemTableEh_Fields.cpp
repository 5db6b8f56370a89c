// TCustomMemTableEh: which buffer a field reads, reading and writing field
// values (copy on write), aggregates, blob streams and the reference field.

#include <cstring>

#include "memtable/MemTableEh.h"
#include "platform/core/CodePage.h"
#include "platform/core/WithUpdate.h"
#include "platform/data/DBConsts.h"

// ---- the active buffer ----------------------------------------------------------

bool TCustomMemTableEh::GetActiveRecBuf(TRecBuf*& Buf, bool IgnoreInstantRead) {
  Buf = nullptr;
  if (!FInstantBuffers.empty() && !IgnoreInstantRead) {
    Buf = RecBuf(FInstantBuffers.back());
    return Buf != nullptr;
  }
  switch (GetState()) {
    case dsBrowse:
      if (!IsEmpty()) Buf = RecBuf(ActiveBuffer());
      break;
    case dsEdit:
    case dsInsert:
    case dsNewValue: Buf = RecBuf(ActiveBuffer()); break;
    case dsCalcFields: Buf = RecBuf(CalcBuffer()); break;
    case dsFilter: Buf = FFilterRecBuf.get(); break;
    case dsOldValue:
      if (FRecordPos >= 0 && FRecordPos < ViewCount() && ViewRecord(FRecordPos)->HasOldValues()) {
        FillBufferFromRow(TempBuffer(), FRecordPos);
        Buf = RecBuf(TempBuffer());
      } else {
        Buf = RecBuf(ActiveBuffer());
      }
      break;
    case dsCurValue: {
      TRecBuf* active = RecBuf(ActiveBuffer());
      if (active && active->BookmarkFlag == bfCurrent && FActiveRecordPos >= 0 && FActiveRecordPos < ViewCount()) {
        FillBufferFromRow(TempBuffer(), FActiveRecordPos);
        Buf = RecBuf(TempBuffer());
      }
      break;
    }
    default: break;
  }
  return Buf != nullptr;
}

// ---- reading --------------------------------------------------------------------

namespace {

bool IsDataField(const TField* Field) { return Field->GetFieldNo() > 0; }

bool IsCalcOrLookup(const TField* Field) {
  return Field->GetFieldKind() == fkCalculated || Field->GetFieldKind() == fkLookup;
}

}  // namespace

bool TCustomMemTableEh::GetFieldData(TField* Field, Variant& Value) {
  TRecBuf* b;
  if (!GetActiveRecBuf(b)) return false;
  if (Field->GetFieldKind() == fkAggregate) {
    Value = GetAggregateValue(Field);
  } else {
    bool through = b->UseMemRec && b->MemRec && IsDataField(Field);
    if (through) {
      // The old-values state shows what the record was before its pending change.
      TRecValueVersionEh version = GetState() == dsOldValue ? rvvOldOrValueEh : rvvValueEh;
      Value = b->MemRec->GetValue(Field->GetFieldNo() - 1, version);
    } else {
      Integer i = Field->GetIndex();
      Value = i >= 0 && static_cast<size_t>(i) < b->Values.size() ? b->Values[static_cast<size_t>(i)] : Variant();
    }
    if (OnGetFieldValue) OnGetFieldValue(this, Field, Value);
  }
  return !VarIsNullOrEmpty(Value);
}

bool TCustomMemTableEh::ReadFieldValue(TField* Field, Variant& Value) {
  TRecBuf* b;
  Value = Variant::Null();
  if (!GetActiveRecBuf(b)) return false;
  if (b->UseMemRec && b->MemRec && IsDataField(Field)) {
    Value = b->MemRec->GetValue(Field->GetFieldNo() - 1, rvvValueEh);
  } else {
    Integer i = Field->GetIndex();
    if (i >= 0 && static_cast<size_t>(i) < b->Values.size()) Value = b->Values[static_cast<size_t>(i)];
  }
  if (OnGetFieldValue) OnGetFieldValue(this, Field, Value);
  return !VarIsNullOrEmpty(Value);
}

// ---- writing --------------------------------------------------------------------

void TCustomMemTableEh::WriteFieldValue(TField* Field, const Variant& Value) { SetFieldData(Field, Value); }

void TCustomMemTableEh::SetFieldData(TField* Field, const Variant& Value) {
  TDataSetState state = GetState();
  if (!dsWriteModes.Contains(state)) DatabaseError(SNotEditing, this);
  TRecBuf* b;
  if (!GetActiveRecBuf(b, true)) return;
  // An unassigned value is stored as Null, whatever the field's type.
  Variant v = Value.IsEmpty() ? Variant::Null() : Value;
  if (OnSetFieldValue) OnSetFieldValue(this, Field, v);
  if (b->UseMemRec && b->MemRec && !IsCalcOrLookup(Field)) {
    // Copy on write: from now on the buffer holds its own data values.
    for (TField* f : *GetFields())
      if (IsDataField(f)) {
        Integer i = f->GetIndex();
        if (static_cast<size_t>(i) < b->Values.size())
          b->Values[static_cast<size_t>(i)] = b->MemRec->GetValue(f->GetFieldNo() - 1, rvvValueEh);
      }
    b->UseMemRec = false;
  }
  Integer i = Field->GetIndex();
  if (i >= 0) {
    if (static_cast<size_t>(i) >= b->Values.size()) b->Values.resize(static_cast<size_t>(i) + 1);
    b->Values[static_cast<size_t>(i)] = v.IsEmpty() ? Variant::Null() : v;
  }
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue && state != dsInternalCalc)
    DataEvent(deFieldChange, reinterpret_cast<TDataEventInfo>(Field));
}

void TCustomMemTableEh::CopyBufferToRecord(TRecBuf* Buffer, TMemoryRecordEh* Rec) {
  if (GetState() == dsFilter) DatabaseError(SNotEditing, this);
  for (TField* f : *GetFields()) {
    if (!IsDataField(f)) continue;
    Integer col = f->GetFieldNo() - 1;
    Variant v;
    if (Buffer->UseMemRec && Buffer->MemRec) v = Buffer->MemRec->GetValue(col, rvvValueEh);
    else v = Buffer->Values[static_cast<size_t>(f->GetIndex())];
    Rec->SetValue(col, rvvValueEh, v.IsEmpty() ? Variant::Null() : v);
  }
}

// ---- aggregates -----------------------------------------------------------------

Variant TCustomMemTableEh::GetAggregateValue(TField* Field) {
  TRecBuf* b;
  if (!GetAggregatesActive() || !GetActiveRecBuf(b)) return Variant();
  auto* f = dynamic_cast<TAggregateField*>(Field);
  auto* aggregate = f ? static_cast<TMTAggregateEh*>(f->GetHandle()) : nullptr;
  return aggregate ? aggregate->GetValue() : Variant();
}

void TCustomMemTableEh::ResetAggField(TField* Field) {
  auto* f = dynamic_cast<TAggregateField*>(Field);
  auto* aggregate = f ? static_cast<TMTAggregateEh*>(f->GetHandle()) : nullptr;
  if (!aggregate) return;
  TMTAggregatesEh* aggregates = FRecordsView->GetAggregates();
  WithUpdate(*aggregates, [&] { aggregate->SetExpression(f->GetExpression()); });
  aggregate->Prepare();
  aggregate->Recalc();
  if (GetActive()) DataEvent(deDataSetChange, 0);
}

// ---- blob streams -------------------------------------------------------------

namespace {

bool IsWideBlobType(TFieldType t) { return t == ftWideMemo || t == ftWideString || t == ftFixedWideChar; }

bool IsTextBlobType(TFieldType t) {
  return t == ftMemo || t == ftFmtMemo || t == ftOraClob || t == ftFixedChar || t == ftString;
}

}  // namespace

std::unique_ptr<TStream> TCustomMemTableEh::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  return std::make_unique<TMemBlobStreamEh>(Field, Mode);
}

TMemBlobStreamEh::TMemBlobStreamEh(TField* Field, TBlobStreamMode Mode)
    : FField(Field), FDataSet(dynamic_cast<TCustomMemTableEh*>(Field->GetDataSet())), FFieldNo(Field->GetFieldNo()) {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {Field->GetDisplayName()});
  TRecBuf* b;
  bool hasBuffer = FDataSet->GetActiveRecBuf(b);
  if (hasBuffer && Mode != bmRead) {
    if (Field->GetReadOnly()) DatabaseErrorFmt(SFieldReadOnly, {Field->GetDisplayName()});
    if (!dsEditModes.Contains(FDataSet->GetState())) DatabaseError(SNotEditing);
  }
  if (Mode == bmWrite) {
    FModified = true;
    return;
  }
  Variant v;
  if (!FDataSet->GetFieldData(Field, v)) return;
  TFieldType t = Field->GetDataType();
  std::vector<Byte> bytes;
  if (v.IsArray()) {
    Integer lo = VarArrayLowBound(v), hi = VarArrayHighBound(v);
    for (Integer i = lo; i <= hi; ++i) bytes.push_back(static_cast<Byte>(VarArrayGet(v, i).AsInteger()));
  } else if (IsWideBlobType(t)) {
    String s = VarToStr(v);
    bytes.resize(s.size() * sizeof(char16_t));
    if (!s.empty()) std::memcpy(bytes.data(), s.data(), bytes.size());
  } else {
    AnsiString a = StringToAnsi(VarToStr(v));
    bytes.assign(a.begin(), a.end());
  }
  if (!bytes.empty()) {
    TMemoryStream::Write(bytes.data(), static_cast<Integer>(bytes.size()));
    Seek(0, soBeginning);
  }
}

TMemBlobStreamEh::~TMemBlobStreamEh() {
  if (FModified && FDataSet && dsWriteModes.Contains(FDataSet->GetState())) {
    try {
      FDataSet->SetFieldData(FField, BytesToValue());
      FField->SetModified(true);
    } catch (...) {
      // A destructor cannot report; the field keeps its previous value.
    }
  }
  SetCapacity(0);
}

void* TMemBlobStreamEh::Realloc(Int64& NewCapacity) {
  FBlock.resize(static_cast<size_t>(NewCapacity));
  return NewCapacity == 0 ? nullptr : FBlock.data();
}

Integer TMemBlobStreamEh::Write(const void* Buffer, Integer Count) {
  FModified = true;
  return TMemoryStream::Write(Buffer, Count);
}

void TMemBlobStreamEh::Truncate() {
  SetSize(GetPosition());
  FModified = true;
}

Variant TMemBlobStreamEh::BytesToValue() const {
  Int64 size = const_cast<TMemBlobStreamEh*>(this)->GetSize();
  if (size == 0) return Variant::Null();
  const Byte* p = FBlock.data();
  TFieldType t = FField->GetDataType();
  if (IsWideBlobType(t)) {
    String s(static_cast<size_t>(size / 2), u'\0');
    std::memcpy(s.data(), p, s.size() * sizeof(char16_t));
    return Variant(s);
  }
  if (IsTextBlobType(t)) return Variant(AnsiToString(std::string_view(reinterpret_cast<const char*>(p), size_t(size))));
  Variant arr = VarArrayCreate(0, static_cast<Integer>(size) - 1, varByte);
  for (Integer i = 0; i < static_cast<Integer>(size); ++i) VarArrayPut(arr, Variant(static_cast<Integer>(p[i])), i);
  return arr;
}

// ---- the reference field ------------------------------------------------------

TRefObjectField::TRefObjectField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftUnknown); }
