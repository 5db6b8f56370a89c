#pragma once
// A store with one column of each family the tests need, and a recorder of the
// notifications a notificator hears.

#include <string>
#include <vector>

#include "memtable/MemTableDataEh.h"

struct TestColumns {
  enum { ID, NAME, PRICE, BORN, PHOTO, FLAG, NOTE, COUNT };
};

inline TMTDataFieldEh* AddColumn(TMemTableDataEh& Store, TComponentClass Class, TFieldType Type, const String& Name) {
  TMTDataFieldEh* f = Store.GetDataStruct()->CreateField(Class);
  f->SetDataType(Type);
  f->SetFieldName(Name);
  return f;
}

// ID integer, NAME wide string, PRICE currency, BORN date-time, PHOTO blob,
// FLAG boolean, NOTE 8-bit string.
inline void BuildTestColumns(TMemTableDataEh& Store) {
  AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
  AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(100);
  AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftCurrency, u"PRICE");
  AddColumn(Store, TMTDateTimeDataFieldEh::StaticComponentClass(), ftDateTime, u"BORN");
  AddColumn(Store, TMTBlobDataFieldEh::StaticComponentClass(), ftBlob, u"PHOTO");
  AddColumn(Store, TMTBooleanDataFieldEh::StaticComponentClass(), ftBoolean, u"FLAG");
  AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftString, u"NOTE")->SetSize(20);
}

inline Variant Bytes(const std::string& s) {
  Variant v = VarArrayCreate(0, static_cast<Integer>(s.size()) - 1, varByte);
  for (size_t i = 0; i < s.size(); ++i) VarArrayPut(v, Variant(static_cast<Byte>(s[i])), static_cast<Integer>(i));
  return v;
}

// The message of the E that f throws, or "<no exception>".
template <class E, class F>
String MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return u"<no exception>";
}

// Appends a record with the given ID and name; other columns stay Null.
inline TMemoryRecordEh* AppendRecord(TMemTableDataEh& Store, Integer Id, const String& Name) {
  TMemoryRecordEh* r = Store.GetRecordsList()->NewRecord();
  r->SetValue(TestColumns::ID, rvvValueEh, Variant(Id));
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(Name));
  r->Post();
  return r;
}

// Notifications as "code:position" strings, in the order heard.
class NotificationLog {
public:
  explicit NotificationLog(TMemTableDataEh& Store) : FNotificator(nullptr) {
    FEvents.reserve(16);
    FNotificator.OnNotification = [this](TObject*, TMemoryRecordEh*, Integer Index, TRecordsListNotificationEh Action) {
      FEvents.push_back(std::to_string(static_cast<int>(Action)) + ":" + std::to_string(Index));
    };
    FNotificator.OnRecordMoved = [this](TObject*, TMemoryRecordEh*, Integer OldIndex, Integer NewIndex) {
      FEvents.push_back("moved:" + std::to_string(OldIndex) + ">" + std::to_string(NewIndex));
    };
    FNotificator.SetMemTableData(&Store);
    FEvents.clear();
  }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(FEvents);
    return out;
  }
  TRecordsListNotificatorEh& Notificator() { return FNotificator; }

private:
  // Declared first so it outlives the notificator, which reports its detachment.
  std::vector<std::string> FEvents;
  TRecordsListNotificatorEh FNotificator;
};
