// The property-storage interceptors of the grid's columns: a column's width and
// the order of a grid's columns, saved and restored by a property store.

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/StringList.h"

// ---- A column's width -----------------------------------------------------------------------------

void TColumnEhPropertyInterceptor::SetWidth(Integer Value) {
  auto* Column = dynamic_cast<TColumnEh*>(FTarget);
  if (!Column) return;
  TCustomDBGridEh* Grid = Column->GetGrid();
  if (Grid && Grid->GetAutoFitColWidths()) Column->SetInitWidth(Value);
  else Column->SetWidth(Value);
}

void TColumnEhPropertyInterceptor::GetPropInfos(std::vector<TPropInfo>& Props) {
  TStoragePropertyInterceptor::GetPropInfos(Props);
  // Write-only: the store restores a width it saved from the column itself.
  Props.push_back({u"Width", nullptr, [this](TReader* R) { SetWidth(R->ReadInteger()); }, [] { return false; }});
}

// ---- The order of the columns -------------------------------------------------------------------------

String TColumnsEhPropertyInterceptor::GetColumnsIndex() const {
  auto* Columns = dynamic_cast<TDBGridColumnsEh*>(FTarget);
  if (!Columns) return String();
  String Text;
  for (Integer I = 0; I < Columns->GetCount(); ++I) {
    if (I > 0) Text += u',';
    Text += u'"';
    for (char16_t C : Columns->Items(I)->GetFieldName()) {
      if (C == u'"') Text += u'"';
      Text += C;
    }
    Text += u'"';
  }
  return Text;
}

void TColumnsEhPropertyInterceptor::SetColumnsIndex(const String& Value) {
  auto* Columns = dynamic_cast<TDBGridColumnsEh*>(FTarget);
  if (!Columns) return;
  TStringList Names;
  Names.SetCommaText(Value);
  Columns->BeginUpdate();
  TScopeExitEh End([&] { Columns->EndUpdate(); });
  for (Integer I = 0; I < Names.GetCount(); ++I) {
    for (Integer J = 0; J < Columns->GetCount(); ++J) {
      TColumnEh* Column = Columns->Items(J);
      if (!AnsiSameText(Column->GetFieldName(), Names.Get(I))) continue;
      if (I < Columns->GetCount()) Column->SetIndex(I);
      break;
    }
  }
}

void TColumnsEhPropertyInterceptor::GetPropInfos(std::vector<TPropInfo>& Props) {
  TStoragePropertyInterceptor::GetPropInfos(Props);
  Props.push_back({u"ColumnsIndex", [this](TWriter* W) { W->WriteString(GetColumnsIndex()); },
                   [this](TReader* R) { SetColumnsIndex(R->ReadString()); }, nullptr});
}
