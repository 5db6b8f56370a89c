#pragma once
// The date-time and number editors on a headless form under the Russian format
// settings (dates "dd.MM.yyyy", decimal ",", a no-break space between digit groups),
// bound to the editors' table with three more columns:
//   ADDED  date and time      PRICE  a float      COPIES  an integer from 0 to 100
// Record 1: "Библиотеки", 15.03.2024 10:30:00, 12,5, 3. Record 2: "Первая", Null in
// the three. Record 3: Null in every field.

#include "DBEditorsTestSupport.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"

class DBDateNumberFixture : public DBEditorsFixture {
protected:
  TFormatSettings SavedSettings = FormatSettings;

  DBDateNumberFixture() {
    FormatSettings = TFormatSettings();
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ThousandSeparator = u'\u00A0';
    FormatSettings.DateSeparator = u'.';
    FormatSettings.TimeSeparator = u':';
    FormatSettings.ShortDateFormat = u"dd.MM.yyyy";
    FormatSettings.LongTimeFormat = u"H:mm:ss";
    FormatSettings.TwoDigitYearCenturyWindow = 50;
    FormatSettings.CurrencyString = u"р.";
    FormatSettings.CurrencyFormat = 3;
    FormatSettings.CurrencyDecimals = 2;
  }
  ~DBDateNumberFixture() override { FormatSettings = SavedSettings; }

  void SetUp() override {
    DBEditorsFixture::SetUp();
    AddColumn(TMTDateTimeDataFieldEh::StaticComponentClass(), ftDateTime, u"ADDED");
    AddColumn(TMTNumericDataFieldEh::StaticComponentClass(), ftFloat, u"PRICE");
    AddColumn(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"COPIES");
  }

  static TDateTime Added() { return EncodeDateTime(2024, 3, 15, 10, 30, 0, 0); }

  void OpenDates() {
    Table.Open();
    Table.AppendRecord({Variant(u"Библиотеки"), Variant(1), Variant(0), Variant(u"RUSMARC"), Variant(true),
                        Variant(u"Y"), Variant::FromDate(Added()), Variant(12.5), Variant(3)});
    Table.AppendRecord({Variant(u"Первая"), Variant(2), Variant(1), Variant(u"UNIMARC"), Variant(false), Variant(u"N"),
                        Null(), Null(), Null()});
    Table.AppendRecord({Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null()});
    auto* copies = dynamic_cast<TIntegerField*>(Table.FieldByName(u"COPIES"));
    copies->SetMinValue(0);
    copies->SetMaxValue(100);
    Table.First();
  }

  // The value of the current record's date-time field, or -1 for Null.
  TDateTime FieldDate(const String& Name) {
    TField* f = Table.FieldByName(Name);
    return f->GetIsNull() ? -1 : f->GetAsDateTime();
  }

  static TDateTime Day(Word Y, Word M, Word D) { return EncodeDate(Y, M, D); }

  static Word ThisYear() {
    Word y, m, d;
    DecodeDate(Date(), y, m, d);
    return y;
  }

  // The editor's value as a date-time, or -1 for Null.
  static TDateTime ValueDate(TCustomDBEditEh* Edit) {
    const Variant v = Edit->GetValue();
    return v.IsNull() ? -1 : v.AsDateTime();
  }

  void Type(TWinControl* Edit, const String& Text) {
    Focus(Edit);
    Display.TypeText(Text);
  }

private:
  void AddColumn(TComponentClass Class, TFieldType Type, const String& Name) {
    TMTDataFieldEh* f = Table.GetMemTableData()->GetDataStruct()->CreateField(Class);
    f->SetDataType(Type);
    f->SetFieldName(Name);
  }
};
