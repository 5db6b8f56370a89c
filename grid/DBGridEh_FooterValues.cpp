// The text a footer cell shows: nothing, a sum or average from the grid's sum
// list, a record count, a field of the current record, or a fixed text; and the
// event that may change a footer cell's look.

#include <cmath>

#include "grid/DBGridEh.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"

namespace {

// The sum item of the grid's sum list for an operation and field name, or null.
TDBSum* SumItem(TCustomDBGridEh* Grid, TGroupOperation Operation, const String& FieldName) {
  TDBGridEhSumList* SumList = Grid->GetSumList();
  return SumList ? SumList->GetSumCollection()->GetSumByOpAndFName(Operation, FieldName) : nullptr;
}

String NumberFormat(TField* Field) {
  auto* Numeric = dynamic_cast<TNumericField*>(Field);
  return Numeric ? Numeric->GetDisplayFormat() : String();
}

// A sum or average V in the style of the field's type.
String AggregateText(TField* Field, const String& FooterFormat, Currency V) {
  const double Value = double(V.Raw) / double(Currency::Scale);
  const String Format = !FooterFormat.empty() ? FooterFormat : NumberFormat(Field);
  switch (Field->GetDataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
      if (!Format.empty()) return FormatFloat(Format, Value);
      return IntToStr(Int64(std::nearbyint(Value)));
    case ftFloat:
    case ftCurrency: {
      if (!Format.empty()) return FormatFloat(Format, Value);
      auto* Float = dynamic_cast<TFloatField*>(Field);
      const bool IsCurrency = Float && Float->GetCurrency();
      return FloatToStrF(Value, IsCurrency ? ffCurrency : ffGeneral, Float ? Float->GetPrecision() : 15,
                         IsCurrency ? FormatSettings.CurrencyDecimals : 0);
    }
    case ftBCD:
    case ftFMTBcd: {
      if (!FooterFormat.empty()) return FormatFloat(FooterFormat, Value);
      if (!Format.empty()) return FormatCurr(Format, V);
      bool IsCurrency = false;
      if (auto* Bcd = dynamic_cast<TBCDField*>(Field)) IsCurrency = Bcd->GetCurrency();
      if (auto* Fmt = dynamic_cast<TFMTBCDField*>(Field)) IsCurrency = Fmt->GetCurrency();
      return CurrToStrF(V, IsCurrency ? ffCurrency : ffGeneral, IsCurrency ? FormatSettings.CurrencyDecimals : 0);
    }
    default: return u"0";
  }
}

}  // namespace

void TCustomDBGridEh::GetFooterValue(Integer Row, TColumnEh* Column, String& Text) {
  Text.clear();
  TColumnFooterEh* Footer = Column ? Column->GetFooterForRow(Row) : nullptr;
  if (!Footer) return;
  TDataSet* DataSet = GetDataSource() ? GetDataSource()->GetDataSet() : nullptr;
  const String FieldName = Footer->GetFieldName().empty() ? Column->GetFieldName() : Footer->GetFieldName();
  switch (Footer->GetValueType()) {
    case fvtNon: return;
    case fvtSum:
    case fvtAvg: {
      Text = u"0";
      TField* Field = DataSet ? DataSet->FindField(FieldName) : nullptr;
      if (!Field) return;
      TDBSum* Sum = SumItem(this, Footer->GetValueType() == fvtSum ? goSum : goAvg, FieldName);
      Text = AggregateText(Field, Footer->GetDisplayFormat(), Sum ? Sum->GetSumValue() : Currency());
      return;
    }
    case fvtCount: {
      TDBSum* Sum = SumItem(this, goCount, String());
      const double Count = Sum ? double(Sum->GetSumValueRaw()) / double(Currency::Scale) : 0.0;
      Text = Footer->GetDisplayFormat().empty() ? FloatToStr(Count) : FormatFloat(Footer->GetDisplayFormat(), Count);
      return;
    }
    case fvtFieldValue: {
      if (!DataSet || !DataSet->GetActive() || Footer->GetFieldName().empty()) return;
      TField* Field = DataSet->FieldByName(Footer->GetFieldName());
      const String& Format = Footer->GetDisplayFormat();
      if (Format.empty()) Text = Field->GetDisplayText();
      else if (Field->GetIsNull()) Text.clear();
      else if (dynamic_cast<TNumericField*>(Field)) Text = FormatFloat(Format, Field->GetAsFloat());
      else if (dynamic_cast<TDateTimeField*>(Field)) DateTimeToString(Text, Format, Field->GetAsDateTime());
      else Text = Field->GetDisplayText();
      return;
    }
    case fvtStaticText: Text = Footer->GetValue(); return;
  }
}

void TCustomDBGridEh::GetFooterParams(Integer DataCol, Integer Row, TColumnEh* Column, TFont* AFont, TColor& Background,
                                      TAlignment& Alignment, TGridDrawState State, String& Text) {
  if (OnGetFooterParams) OnGetFooterParams(this, DataCol, Row, Column, AFont, Background, Alignment, State, Text);
}
