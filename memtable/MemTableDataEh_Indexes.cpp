// The index collection of a records list. It holds no indexes yet: it is the
// place where the records list tells indexes of each change before the views.

#include "memtable/MemTableDataEh.h"

TMTIndexesEh::~TMTIndexesEh() = default;

void TMTIndexesEh::RecordsListNotification(TMemoryRecordEh*, Integer, TRecordsListNotificationEh) {}

void TMTIndexesEh::RecordMoved(TMemoryRecordEh*, Integer, Integer) {}

void TMTIndexesEh::ClearIndexesData() {}

void TMTIndexesEh::Clear() {}
