// TCustomMemTableEh: the record-buffer pool, bookmarks and navigation.
//
// A framework buffer handle is the position of a TRecBuf in the pool + 1. A
// filled buffer reads its data fields through to the memory record it shows;
// the first write copies them (see MemTableEh_Fields.cpp).

#include <algorithm>
#include <cstring>

#include "memtable/DataDriverEh.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Assert.h"
#include "platform/core/ResStrings.h"
#include "platform/data/DBConsts.h"

// ---- the pool ---------------------------------------------------------------

TRecBuf* TCustomMemTableEh::RecBuf(TRecordBuffer Buffer) const {
  if (Buffer <= 0 || static_cast<size_t>(Buffer) > FBufferPool.size()) return nullptr;
  return FBufferPool[static_cast<size_t>(Buffer - 1)].get();
}

namespace {
// Empties the values; an entry that is empty already is left alone (a buffer
// taken and given back for every row of a read would otherwise rebuild them all).
void ClearValues(std::vector<Variant>& Values) {
  for (Variant& v : Values)
    if (!v.IsEmpty()) v = Variant();
}
}  // namespace

TRecordBuffer TCustomMemTableEh::AllocRecordBuffer() {
  size_t i = 0;
  while (i < FBufferPool.size() && FBufferPool[i]->InUse) ++i;
  if (i == FBufferPool.size()) FBufferPool.push_back(std::make_unique<TRecBuf>());
  TRecBuf* b = FBufferPool[i].get();
  b->InUse = true;
  b->RecView = -2;
  const size_t Count = static_cast<size_t>(GetFieldCount());
  if (b->Values.size() == Count) ClearValues(b->Values);
  else b->Values.assign(Count, Variant());
  return static_cast<TRecordBuffer>(i + 1);
}

void TCustomMemTableEh::ClearRecBuf(TRecBuf* Buf) {
  Buf->InUse = false;
  Buf->RecView = -1;
  ClearValues(Buf->Values);
  Buf->TreeNode = nullptr;
  Buf->MemRec = nullptr;
  Buf->UseMemRec = false;
}

void TCustomMemTableEh::FreeRecordBuffer(TRecordBuffer& Buffer) {
  TRecBuf* b = RecBuf(Buffer);
  if (b) {
    // The pool shrinks only from its end and keeps a few spare entries.
    if (static_cast<size_t>(Buffer) == FBufferPool.size() &&
        static_cast<Integer>(FBufferPool.size()) > GetBufferCount() + 2)
      FBufferPool.pop_back();
    else ClearRecBuf(b);
  }
  Buffer = 0;
}

void TCustomMemTableEh::InitRecord(TRecordBuffer Buffer) {
  TDataSet::InitRecord(Buffer);
  TRecBuf* b = RecBuf(Buffer);
  b->Bookmark = TRecBuf::NoBookmark;
  b->BookmarkFlag = bfInserted;
  b->RecView = -1;
}

void TCustomMemTableEh::InternalInitRecord(TRecordBuffer Buffer) {
  TRecBuf* b = RecBuf(Buffer);
  b->Values.assign(static_cast<size_t>(GetFieldCount()), Variant());
  b->TreeNode = nullptr;
  b->MemRec = nullptr;
  b->UseMemRec = false;
}

void TCustomMemTableEh::ClearCalcFields(TRecordBuffer Buffer) {
  if (!HasCalcFields()) return;
  TRecBuf* b = RecBuf(Buffer);
  if (!b) return;
  for (size_t i = 0; i < FFieldPositions.size() && i < b->Values.size(); ++i)
    if (FFieldPositions[i] >= 0) b->Values[i] = Variant();
}

void TCustomMemTableEh::FillBufferFromRow(TRecordBuffer Buffer, Integer Row) {
  TRecBuf* Buf = RecBuf(Buffer);
  BORROW_ASSERT(Buf && Buf->InUse);  // a buffer of the pool, handed out and not yet freed
  Buf->Bookmark = Row + 1;
  Buf->RecView = Row;
  Buf->BookmarkFlag = bfCurrent;
  Buf->MemRec = ViewRecord(Row);
  Buf->UseMemRec = true;
  Buf->TreeNode = TreeMode() ? ViewNode(Row) : nullptr;
  Buf->Values.resize(static_cast<size_t>(GetFieldCount()));
  GetCalcFields(Buffer);
}

// ---- bookmarks --------------------------------------------------------------

void TCustomMemTableEh::GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) const {
  Integer b = RecBuf(Buffer)->Bookmark;
  Data.Assign(&b, sizeof(b));
}

void TCustomMemTableEh::SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) {
  Integer b = TRecBuf::NoBookmark;
  if (Data.size() >= static_cast<int>(sizeof(b))) std::memcpy(&b, Data.data(), sizeof(b));
  RecBuf(Buffer)->Bookmark = b;
}

TBookmarkFlag TCustomMemTableEh::GetBookmarkFlag(TRecordBuffer Buffer) const { return RecBuf(Buffer)->BookmarkFlag; }

void TCustomMemTableEh::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {
  RecBuf(Buffer)->BookmarkFlag = Value;
}

namespace {
Integer BookmarkInt(const TBookmark& B) {
  Integer v = 0;
  if (B.size() >= static_cast<int>(sizeof(v))) std::memcpy(&v, B.data(), sizeof(v));
  return v;
}
}  // namespace

TBookmark TCustomMemTableEh::GetBookmark() const {
  if (!FInstantBuffers.empty()) {
    TBookmark b;
    Integer v = RecBuf(FInstantBuffers.back())->Bookmark;
    b.Assign(&v, sizeof(v));
    return b;
  }
  return TDataSet::GetBookmark();
}

TBookmarkStr TCustomMemTableEh::GetBookmarkStr() const {
  TBookmark b = GetBookmark();
  return TBookmarkStr(reinterpret_cast<const char*>(b.data()), static_cast<size_t>(b.size()));
}

bool TCustomMemTableEh::BookmarkValid(const TBookmark& Bookmark) const {
  if (!FCursorOpen || Bookmark.size() < 4) return false;
  Integer b = BookmarkInt(Bookmark);
  return b >= 1 && b <= ViewCount();
}

Integer TCustomMemTableEh::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const {
  bool nil1 = Bookmark1.IsNil(), nil2 = Bookmark2.IsNil();
  if (nil1 && nil2) return 0;
  if (nil1) return -1;
  if (nil2) return 1;
  Integer a = BookmarkInt(Bookmark1), b = BookmarkInt(Bookmark2);
  return a < b ? -1 : (a > b ? 1 : 0);
}

void TCustomMemTableEh::InternalGotoBookmark(const TBookmark& Bookmark) {
  Integer b = BookmarkInt(Bookmark);
  if (Bookmark.size() < 4 || b < 1 || b > ViewCount()) DatabaseError(SRecordNotFound, this);
  FRecordPos = b - 1;
  FActiveRecordPos = FRecordPos;
}

void TCustomMemTableEh::InternalSetToRecord(TRecordBuffer Buffer) {
  TRecBuf* b = RecBuf(Buffer);
  // An inserted buffer carries the bookmark of the row it was inserted before.
  if (b->Bookmark >= 1 && b->Bookmark <= ViewCount()) {
    FRecordPos = b->Bookmark - 1;
    FActiveRecordPos = FRecordPos;
  }
}

// ---- navigation -----------------------------------------------------------------

void TCustomMemTableEh::ReleaseResync(bool DoResync) {
  if (FResyncHold > 0) --FResyncHold;
  if (DoResync && FResyncHold == 0 && FResyncPending) {
    FResyncPending = false;
    if (GetActive()) Resync({});
  }
}

void TCustomMemTableEh::Resync(TResyncMode Mode) {
  if (FResyncHold > 0) {
    FResyncPending = true;
    return;
  }
  FResyncPending = false;
  TDataSet::Resync(Mode);
}

Integer TCustomMemTableEh::FetchFromDriver(Integer Count) {
  if (!FDataDriver || !FCursorOpen) return 0;
  Integer target = ViewCount() + Count;
  Integer total = FDataDriver->ReadRecords(GetRecordsData(), Count);
  if (Count < 0) return total;
  // Records the filter hides do not count towards the rows asked for.
  while (ViewCount() < target && !FDataDriver->GetProviderEOF()) {
    Integer n = FDataDriver->ReadRecords(GetRecordsData(), 1);
    if (n == 0) break;
    total += n;
  }
  return total;
}

TGetResult TCustomMemTableEh::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
  TGetResult result = grOK;
  switch (GetMode) {
    case gmCurrent:
      if (FRecordPos < 0 || FRecordPos >= ViewCount()) result = grError;
      break;
    case gmNext:
      if (FRecordPos >= ViewCount() - 1 && FDataDriver) {
        const TResyncHold Hold(*this);
        FetchFromDriver(FFetchAllOnOpen ? -1 : 1);
      }
      if (FRecordPos >= ViewCount() - 1) {
        FRecordPos = ViewCount();
        result = grEOF;
      } else {
        ++FRecordPos;
      }
      break;
    case gmPrior:
      if (FRecordPos < 1) {
        FRecordPos = -1;
        FActiveRecordPos = 0;
        result = grBOF;
      } else {
        --FRecordPos;
      }
      break;
  }
  if (FRecordPos >= 0) FActiveRecordPos = FRecordPos;
  if (result == grOK) FillBufferFromRow(Buffer, FRecordPos);
  else if (result == grError && DoCheck) DatabaseError(LoadResString(SNoDataFoundEh));
  return result;
}

void TCustomMemTableEh::InternalFirst() {
  FRecordPos = -1;
  FActiveRecordPos = 0;
}

void TCustomMemTableEh::InternalLast() {
  {
    const TResyncHold Hold(*this);
    FetchFromDriver(-1);
  }
  FRecordPos = ViewCount();
  if (dsEditModes.Contains(GetState())) FActiveRecordPos = ViewCount();
  else FActiveRecordPos = ViewCount() - 1;
}

Integer TCustomMemTableEh::GetRecordCount() const {
  CheckActive();
  return ViewCount();
}

Integer TCustomMemTableEh::GetRecNo() const {
  CheckActive();
  TRecBuf* b = nullptr;
  if (!FInstantBuffers.empty()) b = RecBuf(FInstantBuffers.back());
  else if (!IsEmpty() || GetState() == dsInsert) b = RecBuf(ActiveBuffer());
  if (!b) return -1;
  return b->RecView + 1;
}

void TCustomMemTableEh::SetRecNo(Integer Value) {
  if (Value < 1 || Value > ViewCount()) return;
  DoBeforeScroll();
  FRecordPos = Value - 1;
  Resync({});
  DoAfterScroll();
}
