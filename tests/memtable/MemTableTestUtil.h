#pragma once
// Tables for the dataset tests: the resource-tree columns the search client
// keeps (ID_THIS, ID_PARENT, ID_TYPE, NPP, NAME_THIS), records added the way
// the client adds them, and a recorder of linked-component notifications.

#include <string>
#include <vector>

#include "memtable/DataDriverEh.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Strings.h"
#include "tests/memtable/MemTestUtil.h"

// AddColumn on a table's store (the name the grid tests use).
inline TMTDataFieldEh* AddTableColumn(TMemTableDataEh* Store, TComponentClass Class, TFieldType Type,
                                      const String& Name) {
  return AddColumn(*Store, Class, Type, Name);
}

inline void BuildResourceColumns(TMemTableDataEh* Store) {
  AddColumn(*Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_THIS");
  AddColumn(*Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_PARENT");
  AddColumn(*Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_TYPE");
  AddColumn(*Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"NPP");
  AddColumn(*Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME_THIS")->SetSize(100);
}

// A record posted straight into the store, as the client's loader does.
inline TMemoryRecordEh* AddResource(TCustomMemTableEh& Table, Integer Id, Integer Parent, Integer Type, Integer Npp,
                                    const String& Name) {
  TMemoryRecordEh* r = Table.GetRecordsData()->GetRecordsList()->NewRecord();
  r->SetDataValues(u"ID_THIS;ID_PARENT;ID_TYPE;NPP;NAME_THIS", rvvValueEh,
                   VarArrayOf({Variant(Id), Variant(Parent), Variant(Type), Variant(Npp), Variant(Name)}));
  r->Post();
  return r;
}

// Six resources in two groups, posted in this order:
// 10 Библиотеки
//   11 Первая (NPP 2)
//   12 Вторая (NPP 1)
// 20 Архивы
//   21 Архив
//     22 Фонд
inline void AddResourceTree(TCustomMemTableEh& Table) {
  AddResource(Table, 10, 0, 0, 1, u"Библиотеки");
  AddResource(Table, 11, 10, 1, 2, u"Первая");
  AddResource(Table, 12, 10, 1, 1, u"Вторая");
  AddResource(Table, 20, 0, 0, 2, u"Архивы");
  AddResource(Table, 21, 20, 0, 1, u"Архив");
  AddResource(Table, 22, 21, 1, 1, u"Фонд");
}

// Tree mode on ID_THIS and ID_PARENT, every node expanded.
inline void ShowAsExpandedTree(TCustomMemTableEh& Table) {
  Table.GetTreeList()->SetKeyFieldName(u"ID_THIS");
  Table.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  Table.GetTreeList()->SetDefaultNodeExpanded(true);
  Table.GetTreeList()->SetActive(true);
}

inline Integer IdOf(TDataSet& T) { return T.FieldByName(u"ID_THIS")->GetAsInteger(); }

// The ID_THIS values of every row, from the first.
inline std::vector<Integer> Ids(TDataSet& T) {
  std::vector<Integer> ids;
  T.First();
  while (!T.Eof()) {
    ids.push_back(IdOf(T));
    T.Next();
  }
  return ids;
}

// A component that records what the table tells its linked components.
class ChangeRecorder : public TComponent, public IMemTableLinkedComponentEh {
public:
  ChangeRecorder() : TComponent(nullptr) {}
  void MTDataChanged(Integer Row, Integer Kind, Integer Index) override {
    Calls.push_back(std::to_string(Row) + "/" + std::to_string(Kind) + "/" + std::to_string(Index));
  }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(Calls);
    return out;
  }
  std::vector<std::string> Calls;
};
