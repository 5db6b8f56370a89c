#pragma once
// The non-visual tools the editors, the in-memory dataset and the grids share:
//
//   VarEqualsEh / VarCompareEh   equality and four-way comparison of Variants
//                                (0 equal, 1 less, 2 greater, 3 not comparable;
//                                Null sorts first); keys of several fields are
//                                one-dimensional arrays compared element by element.
//   TBMListEh                    a list of dataset bookmarks kept in the dataset's
//                                bookmark order (selected rows, footer bookmarks).
//   TDataLinkEh                  a data link that hands every data event on.
//   TDatasetFieldValueListEh     the distinct texts of one field, for filter lists.
//   GetFieldListEh & co.         ';'-separated field lists resolved against a dataset.

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/core/Variant.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"

// ---------------------------------------------------------------------------
// Variant comparison.

bool VarEqualsEh(const Variant& A, const Variant& B);
// 0 equal, 1 A less than B, 2 A greater than B, 3 not comparable. Never raises.
Integer VarCompareEh(const Variant& A, const Variant& B);

// ---------------------------------------------------------------------------
// Bookmark list.

class TBMListEh;
// Compares the entries at two indexes: below 0, 0 or above 0.
using TBMListSortCompareEh = std::function<Integer(TBMListEh* List, void* Param, Integer Index1, Integer Index2)>;

class TBMListEh : public TObject {
public:
  BORROW_CLASS(TBMListEh, TObject)
  TBMListEh() = default;
  ~TBMListEh() override;
  TBMListEh(const TBMListEh&) = delete;
  TBMListEh& operator=(const TBMListEh&) = delete;

  virtual TDataSet* GetDataSet() const { return nullptr; }
  virtual void Invalidate() {}
  [[noreturn]] virtual void RaiseError(const String& Msg);
  virtual void SetCurrentRowSelected(bool Value);
  // After each insert and delete; forgets the search cache.
  virtual void ItemsChanged(const TBookmark& Item);
  virtual void Changed() {}
  virtual void Clear();
  virtual void CustomSort(void* Param, const TBMListSortCompareEh& Compare);

  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  Integer Count() const { return GetCount(); }
  // EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
  const TBookmark& GetItem(Integer Index) const;
  // Replaces the entry without re-sorting.
  void SetItem(Integer Index, const TBookmark& Item);
  const TBookmark& operator[](Integer Index) const { return GetItem(Index); }

  TBookmark GetCurrentBookmark() const;
  Integer Compare(const TBookmark& Item1, const TBookmark& Item2) const;
  // Index is the bookmark's position, or where it would be inserted.
  bool Find(const TBookmark& Item, Integer& Index) const;
  Integer IndexOf(const TBookmark& Item) const;
  bool GetCurrentRowSelected() const;
  void Insert(Integer Index, const TBookmark& Item);
  void Append(const TBookmark& Item) { Insert(GetCount(), Item); }
  void Delete(Integer Index);
  void DeleteRecords();
  bool GetLinkActive() const { return FLinkActive; }
  void SetLinkActive(bool Value);

private:
  void ForgetCache() const { FCacheIndex = -1; }

  std::vector<TBookmark> FItems;
  bool FLinkActive = false;
  // The last search: equal bytes and an unchanged list give the same answer.
  mutable TBookmark FCacheItem;
  mutable Integer FCacheIndex = -1;
  mutable bool FCacheFound = false;
};

// ---------------------------------------------------------------------------
// Data link that forwards its events.

using TDataLinkEventEh = std::function<void(TObject* Sender, TDataEvent Event, TDataEventInfo Info)>;

class TDataLinkEh : public TDataLink {
public:
  BORROW_CLASS(TDataLinkEh, TDataLink)
  TDataLinkEh() = default;
  void DataEvent(TDataEvent Event, TDataEventInfo Info) override;
  TDataLinkEventEh OnDataEvent;
};

// ---------------------------------------------------------------------------
// Distinct field values for filter drop-downs.

class IMemTableDataFieldValueListEh {
public:
  virtual ~IMemTableDataFieldValueListEh() = default;
  virtual TStringList* GetValues() = 0;
  // Restricts the records whose values are listed (dataset filter syntax).
  virtual void SetFilter(const String& Filter) = 0;
};

class TDatasetFieldValueListEh : public TObject, public IMemTableDataFieldValueListEh {
public:
  BORROW_CLASS(TDatasetFieldValueListEh, TObject)
  TDatasetFieldValueListEh();
  ~TDatasetFieldValueListEh() override;

  TDataSet* GetDataSet() const { return FDataLink->GetDataSet(); }
  void SetDataSet(TDataSet* Value);
  TDataSource* GetDataSource() const { return FDataLink->GetDataSource(); }
  void SetDataSource(TDataSource* Value);
  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);

  TStringList* GetValues() override;
  // The list always holds the values of every record.
  void SetFilter(const String&) override {}

private:
  void RefreshValues();

  std::unique_ptr<TStringList> FValues;
  bool FNeedRefresh = true;
  String FFieldName;
  std::unique_ptr<TDataSource> FDataSource;
  std::unique_ptr<TDataLinkEh> FDataLink;
};

// ---------------------------------------------------------------------------
// Field lists and small tests.

using TFieldsArrEh = std::vector<TField*>;

// Resolves ';'-separated names; an unknown one raises "Field '%s' not found"
// naming Component. List may be null (check only).
void GetFieldListEh(std::vector<TField*>* List, TDataSet* DataSet, TComponent* Component, const String& FieldNames);
void GetFieldsArrEh(TDataSet* DataSet, TComponent* Component, const String& FieldNames, TFieldsArrEh& Fields);
// Null clears every named field; else one value for one field, an array for several.
void AssignFieldsValuesEh(TDataSet* DataSet, const String& FieldNames, const Variant& Value);
bool IsNumberFieldTypeEh(TFieldType DataType);
