// The dataset-features classes and the registry that maps dataset classes to
// features objects.
//
// The registry is a list of (dataset class name, features object) pairs in
// registration order, created on first use (the unit's start registers
// nothing itself) and freed at the unit's end. A lookup walks it for entries
// whose class is the dataset's class or one of its ancestors and keeps the
// nearest; of two equally near entries the first registered wins.

#include <climits>
#include <memory>

#include "editors/ToolCtrlsEh.h"
#include "grid/DataGridIntfEh.h"
#include "grid/DbUtilsEh.h"
#include "grid/DbUtilsEh_Internal.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"
#include "platform/data/DataSet.h"
#include "platform/data/Fields.h"

TExecuteFindDialogProcEh ExecuteFindDialogProc = nullptr;

// ---------------------------------------------------------------------------
// TDatasetFeaturesEh

bool TDatasetFeaturesEh::LocateText(TComponent* Grid, const String& FieldName, const String& Text,
                                    TLocateTextOptionsEh Options, TLocateTextDirectionEh Direction,
                                    TLocateTextMatchingEh Matching, TLocateTextTreeFindRangeEh) {
  return LocateGridText(dynamic_cast<IDataGridEh*>(Grid), FieldName, Text, Matching, Direction, Options);
}

namespace {

// One record taken out of its place: its field values and its selection mark.
struct TMovedRecord {
  std::vector<Variant> Values;
  bool Selected = false;
};

}  // namespace

bool TDatasetFeaturesEh::MoveRecords(TComponent* Grid, TBMListEh* Bookmarks, bool CheckOnly, Integer TargetRecNo) {
  auto* grid = dynamic_cast<IDataGridEh*>(Grid);
  TDataSet* dataSet = GridDataSetEh(grid);
  if (!grid || !dataSet) return false;
  const bool result = dataSet->CanModify();
  if (CheckOnly || !result || !Bookmarks) return result;

  TControlsDisabledScopeEh controls(dataSet);
  // The bookmarks last first: deleting from the back keeps the earlier ones valid.
  std::vector<TBookmark> copy;
  for (Integer i = Bookmarks->GetCount() - 1; i >= 0; --i) copy.push_back(Bookmarks->GetItem(i));
  const bool appendMode = TargetRecNo >= dataSet->RecordCount();
  TBMListEh* selection = grid->GetSelectedRows();

  std::vector<TMovedRecord> moved;
  for (size_t i = 0; i < copy.size(); ++i) {
    dataSet->GotoBookmark(copy[i]);
    TMovedRecord rec;
    TFields* fields = dataSet->GetFields();
    for (Integer f = 0; f < fields->Count(); ++f) rec.Values.push_back(fields->GetField(f)->GetValue());
    if (i > 0 && dataSet->RecNo() < TargetRecNo) --TargetRecNo;
    if (selection) {
      rec.Selected = selection->GetCurrentRowSelected();
      selection->SetCurrentRowSelected(false);
    }
    moved.push_back(std::move(rec));
  }
  for (const TBookmark& b : copy) {
    dataSet->GotoBookmark(b);
    dataSet->Delete();
  }
  // Back in the order of the given list.
  for (size_t k = moved.size(); k-- > 0;) {
    if (appendMode) {
      dataSet->Append();
    } else {
      if (k + 1 == moved.size()) dataSet->SetRecNo(TargetRecNo);
      else dataSet->Next();
      dataSet->Insert();
    }
    TFields* fields = dataSet->GetFields();
    for (Integer f = 0; f < fields->Count() && f < static_cast<Integer>(moved[k].Values.size()); ++f) {
      TField* field = fields->GetField(f);
      if (field->GetCanModify()) field->SetValue(moved[k].Values[static_cast<size_t>(f)]);
    }
    dataSet->Post();
    if (selection) selection->SetCurrentRowSelected(moved[k].Selected);
  }
  return result;
}

void TDatasetFeaturesEh::ApplySorting(TComponent*, TDataSet*, bool) {}

void TDatasetFeaturesEh::ApplyFilter(TComponent*, TDataSet*, bool) {}

void TDatasetFeaturesEh::ExecuteFindDialog(TComponent* Grid, const String& Text, const String&, bool Modal) {
  auto* grid = dynamic_cast<IDataGridEh*>(Grid);
  if (grid && ExecuteFindDialogProc) ExecuteFindDialogProc(grid, Text, TColumnFieldsArrEh(), Modal);
}

void TDatasetFeaturesEh::FillSTFilterListValues(TComponent*, TColumnEh*, TStrings*) {}

// ---------------------------------------------------------------------------
// TSQLDatasetFeaturesEh

TSQLDatasetFeaturesEh::TSQLDatasetFeaturesEh() : FSQLPropName(u"SQL") {}

void TSQLDatasetFeaturesEh::ApplySorting(TComponent* Grid, TDataSet* DataSet, bool IsReopen) {
  auto* grid = dynamic_cast<IDataGridEh*>(Grid);
  if (!grid || !DataSet) return;
  if (grid->GetSortLocal())
    throw Exception(
        Format(u"TSQLDatasetFeaturesEh can not sort data in dataset \"%s\" in local mode", {DataSet->GetName()}));
  ApplySortingToSQL(grid, DataSet, GetSortUsingFieldName(), FSQLPropName, IsReopen);
}

void TSQLDatasetFeaturesEh::ApplyFilter(TComponent* Grid, TDataSet* DataSet, bool IsReopen) {
  auto* grid = dynamic_cast<IDataGridEh*>(Grid);
  if (!grid || !DataSet) return;
  if (grid->GetSTFilterLocal()) {
    String filter;
    BuildGridFilterText(grid, &BuildDataSetFilterCondition, TDateValueToSQLStringEh(), filter, FSupportsLocalLike,
                        false);
    DataSet->SetFilter(filter);
    DataSet->SetFiltered(true);
  } else {
    ApplyFilterToSQL(grid, DateValueToSQLString, IsReopen, FSQLPropName);
  }
}

// ---------------------------------------------------------------------------
// The registry

namespace {

struct TFeaturesEntry {
  String ClassName;
  TDatasetFeaturesEh* Features;
};

struct TFeaturesRegistry {
  std::vector<TFeaturesEntry> Entries;
  // Every object ever registered; one replaced by a later registration stays
  // until the end, so a caller still holding it is never left dangling.
  std::vector<std::unique_ptr<TDatasetFeaturesEh>> Owned;
};

std::unique_ptr<TFeaturesRegistry>& RegistryHolder() {
  static std::unique_ptr<TFeaturesRegistry> registry;
  return registry;
}

TFeaturesRegistry& Registry() {
  std::unique_ptr<TFeaturesRegistry>& holder = RegistryHolder();
  if (!holder) holder = std::make_unique<TFeaturesRegistry>();
  return *holder;
}

// The unit's start creates the registry and its end frees it.
struct TDbUtilsEhUnit {
  TDbUtilsEhUnit() { Registry(); }
  ~TDbUtilsEhUnit() { FreeDatasetFeaturesRegistry(); }
} const DbUtilsEhUnit;

}  // namespace

void RegisterDatasetFeaturesEh(TClass FeaturesClass, TClass DataSetClass) {
  if (!FeaturesClass || !FeaturesClass->Create ||
      !TObject::ClassInheritsFrom(FeaturesClass, TDatasetFeaturesEh::StaticClass()))
    throw Exception(u"RegisterDatasetFeaturesEh: the class is not a dataset-features class.");
  std::unique_ptr<TDatasetFeaturesEh> features(static_cast<TDatasetFeaturesEh*>(FeaturesClass->Create()));
  features->SetDataSetClass(DataSetClass);
  if (!DataSetClass) return;
  TFeaturesRegistry& registry = Registry();
  const String name = DataSetClass->Name;
  TDatasetFeaturesEh* object = features.get();
  registry.Owned.push_back(std::move(features));
  for (TFeaturesEntry& e : registry.Entries)
    if (SameText(e.ClassName, name)) {
      e.Features = object;
      return;
    }
  registry.Entries.push_back({name, object});
}

Integer ClassDistanceByName(TClass AClass, const String& AncestorName) {
  Integer distance = 0;
  for (TClass k = AClass; k; k = k->Parent, ++distance)
    if (SameText(k->Name, AncestorName)) return distance;
  return INT_MAX;
}

TDatasetFeaturesEh* GetDatasetFeaturesForDataSetClass(TClass DataSetClass) {
  const std::unique_ptr<TFeaturesRegistry>& registry = RegistryHolder();
  if (!registry || !DataSetClass) return nullptr;
  Integer best = INT_MAX;
  TDatasetFeaturesEh* result = nullptr;
  for (const TFeaturesEntry& e : registry->Entries) {
    TClass registered = e.Features->GetDataSetClass();
    if (!registered || !TObject::ClassInheritsFrom(DataSetClass, registered)) continue;
    const Integer distance = ClassDistanceByName(DataSetClass, registered->Name);
    if (distance < best) {
      best = distance;
      result = e.Features;
    }
  }
  return result;
}

TDatasetFeaturesEh* GetDatasetFeaturesForDataSet(TDataSet* DataSet) {
  return DataSet ? GetDatasetFeaturesForDataSetClass(DataSet->ClassType()) : nullptr;
}

void FreeDatasetFeaturesRegistry() { RegistryHolder().reset(); }
