// The global center through which every grid reaches the services that depend on
// its dataset, and the unit's start and end, which make the global style, the
// center and the shared fonts and free them again.

#include <algorithm>

#include "grid/DBGridEh.h"

namespace {

TDBGridEhCenter* GlobalCenter = nullptr;
Integer UnitUsers = 0;
std::unique_ptr<TDBGridEhStyle> OwnedStyle;
std::unique_ptr<TDBGridEhCenter> OwnedCenter;
std::unique_ptr<TFont> SortMarkerFont;

// The height of the sort-marker glyph: the sort index beside it is one pixel shorter.
constexpr Integer SortMarkerGlyphHeight = 8;

}  // namespace

TDBGridEhCenter* GetDBGridEhCenter() { return GlobalCenter; }

TDBGridEhCenter* SetDBGridEhCenter(TDBGridEhCenter* Value) {
  TDBGridEhCenter* Old = GlobalCenter;
  GlobalCenter = Value;
  return Old;
}

TDBGridEhCenter::TDBGridEhCenter() {
  if (!GlobalCenter) GlobalCenter = this;
}

TDBGridEhCenter::~TDBGridEhCenter() {
  if (GlobalCenter == this) GlobalCenter = nullptr;
  while (!FGrids.empty()) {
    TCustomDBGridEh* Grid = FGrids.back();
    FGrids.pop_back();
    Grid->SetCenter(nullptr);
  }
}

void TDBGridEhCenter::AddGrid(TCustomDBGridEh* Grid) {
  if (!IsGridAttached(Grid)) FGrids.push_back(Grid);
}

void TDBGridEhCenter::RemoveGrid(TCustomDBGridEh* Grid) { std::erase(FGrids, Grid); }

bool TDBGridEhCenter::IsGridAttached(const TCustomDBGridEh* Grid) const {
  return std::find(FGrids.begin(), FGrids.end(), Grid) != FGrids.end();
}

void TDBGridEhCenter::DoApplyFilter(TCustomDBGridEh* Grid, bool IsReopen) {
  if (OnApplyFilter) OnApplyFilter(this, Grid, IsReopen);
  else ApplyFilter(Grid, IsReopen);
}

void TDBGridEhCenter::DoApplySorting(TCustomDBGridEh* Grid, bool IsReopen) {
  if (OnApplySorting) OnApplySorting(this, Grid, IsReopen);
  else ApplySorting(Grid, IsReopen);
}

// The features object registered for the dataset's class does the work; without
// a data source, a dataset or such an object nothing happens.
void TDBGridEhCenter::ApplyFilter(TCustomDBGridEh* Grid, bool IsReopen) {
  TDataSet* DataSet = Grid->GetDataSource() ? Grid->GetDataSource()->GetDataSet() : nullptr;
  if (TDatasetFeaturesEh* Features = DataSet ? GetDatasetFeaturesForDataSet(DataSet) : nullptr)
    Features->ApplyFilter(Grid, DataSet, IsReopen);
}

void TDBGridEhCenter::ApplySorting(TCustomDBGridEh* Grid, bool IsReopen) {
  TDataSet* DataSet = Grid->GetDataSource() ? Grid->GetDataSource()->GetDataSet() : nullptr;
  if (TDatasetFeaturesEh* Features = DataSet ? GetDatasetFeaturesForDataSet(DataSet) : nullptr)
    Features->ApplySorting(Grid, DataSet, IsReopen);
}

TSTFilterDefaultOperatorEh TDBGridEhCenter::GetDefaultOperator(TSTFilterValueTypeEh ValueType) const {
  switch (ValueType) {
    case stvtNumberEh: return FDefaultOperators[1];
    case stvtBooleanEh: return FDefaultOperators[2];
    case stvtDateTimeEh: return FDefaultOperators[3];
    default: return FDefaultOperators[0];
  }
}

void TDBGridEhCenter::SetDefaultOperator(TSTFilterValueTypeEh ValueType, TSTFilterDefaultOperatorEh Value) {
  switch (ValueType) {
    case stvtNumberEh: FDefaultOperators[1] = Value; break;
    case stvtBooleanEh: FDefaultOperators[2] = Value; break;
    case stvtDateTimeEh: FDefaultOperators[3] = Value; break;
    default: FDefaultOperators[0] = Value; break;
  }
}

// ---- The unit's start and end --------------------------------------------------------------------

TFont* SortMarkerFontEh() { return SortMarkerFont.get(); }

void InitDBGridEhUnit() {
  if (UnitUsers++ > 0) return;
  OwnedStyle = std::make_unique<TDBGridEhStyle>();
  OwnedCenter = std::make_unique<TDBGridEhCenter>();
  SortMarkerFont = std::make_unique<TFont>();
  SortMarkerFont->SetHeight(1 - SortMarkerGlyphHeight);
  SortMarkerFont->SetName(u"Arial");
  RegisterClass<TRowDetailPanelControlEh>();
  RegisterClass<TDBGridEh>();
}

void FinalDBGridEhUnit() {
  if (UnitUsers == 0 || --UnitUsers > 0) return;
  UnRegisterClass<TDBGridEh>();
  UnRegisterClass<TRowDetailPanelControlEh>();
  SortMarkerFont.reset();
  OwnedCenter.reset();
  OwnedStyle.reset();
}
