#pragma once
// Grids over in-memory tables of books (ID, NAME in UTF-16, CITY in the ANSI
// code page, PRICE, DAY) for the export, import and clipboard tests: Russian
// locale settings fixed for the test, message boxes answered by a script.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "grid/DBGridEhImpExp.h"
#include "platform/core/DateTime.h"
#include "platform/core/FormatSettings.h"
#include "tests/grid/DBGridTestSupport.h"

inline std::string ReadFileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  return Bytes.str();
}

inline std::string ExpectedExport(const std::string& Name) {
  return ReadFileBytes(std::string(BORROW_SOURCE_DIR) + "/tests/grid/data/" + Name);
}

inline std::string BytesOf(TMemoryStream& Stream) {
  return std::string(static_cast<const char*>(Stream.GetMemory()), size_t(Stream.GetSize()));
}

// A table of books shown by a grid on a form.
class BookGrid {
public:
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;

  BookGrid() {
    TMemTableDataEh* Store = Table.GetMemTableData();
    AddTableColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddTableColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(60);
    AddTableColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftString, u"CITY")->SetSize(30);
    AddTableColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftFloat, u"PRICE");
    AddTableColumn(Store, TMTDateTimeDataFieldEh::StaticComponentClass(), ftDate, u"DAY");
    TMTDataStructEh* Struct = Store->GetDataStruct();
    for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
    Source.SetDataSet(&Table);
    Table.Open();
  }
  ~BookGrid() { delete Form; }
  BookGrid(const BookGrid&) = delete;
  BookGrid& operator=(const BookGrid&) = delete;

  // A null Variant leaves the field empty.
  void Add(const Variant& Id, const Variant& Name, const Variant& City, const Variant& Price, const Variant& Day) {
    Table.Append();
    const Variant Values[] = {Id, Name, City, Price, Day};
    const char16_t* Names[] = {u"ID", u"NAME", u"CITY", u"PRICE", u"DAY"};
    for (size_t I = 0; I < 5; ++I)
      if (!VarIsNull(Values[I])) Table.FieldByName(Names[I])->SetValue(Values[I]);
    Table.Post();
  }
  // Three books: Cyrillic and Latin names, an empty city and price, a quote.
  void AddSampleBooks() {
    Add(Variant(1), Variant(String(u"Война и мир")), Variant(String(u"Москва")), Variant(12.5),
        Variant(EncodeDate(2024, 2, 1)));
    Add(Variant(2), Variant(String(u"Say \"hi\"; {x}")), Null(), Null(), Variant(EncodeDate(1999, 12, 31)));
    Add(Variant(3), Variant(String(u"Ёлка")), Variant(String(u"Tver")), Variant(-3.25), Null());
  }
  TDBGridEh* Show() {
    Form = new TForm(Application);
    Form->SetBounds(10, 10, 600, 300);
    Grid = new TDBGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Form->Show();
    Grid->SetDataSource(&Source);
    // Fixed widths: the RTF table's cell edges must not follow the installed fonts.
    const Integer Widths[] = {50, 200, 120, 70, 90};
    for (Integer I = 0; I < Grid->GetColumns()->GetCount() && I < 5; ++I)
      Grid->GetColumns()->Items(I)->SetWidth(Widths[I]);
    return Grid;
  }
  TColumnEh* Column(const String& FieldName) { return Grid->FindColumnByFieldName(FieldName); }
  // Every record's values as text, "|" between fields and "null" for Null.
  std::vector<String> Rows() {
    std::vector<String> Out;
    TBookmark Saved = Table.GetBookmark();
    Table.First();
    while (!Table.Eof()) {
      String Row;
      for (Integer I = 0; I < Table.GetFieldCount(); ++I) {
        TField* F = Table.GetFields()->GetField(I);
        if (I > 0) Row += u"|";
        Row += F->GetIsNull() ? String(u"null") : F->GetAsString();
      }
      Out.push_back(Row);
      Table.Next();
    }
    if (!Saved.empty()) Table.GotoBookmark(Saved);
    return Out;
  }
};

// Fixed Russian settings and recorded message boxes for one test.
class ImpExpFixture : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  GridUnits Units;
  TFormatSettings SavedSettings;
  TMessageBoxHook SavedHook;
  std::vector<TMessageBoxRequest> Boxes;
  std::vector<Integer> Answers;  // given in order; the default button when used up

  void SetUp() override {
    SavedSettings = FormatSettings;
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.DateSeparator = u'.';
    FormatSettings.ShortDateFormat = u"dd.MM.yyyy";
    SavedHook = SetMessageBoxHook([this](const TMessageBoxRequest& Request) {
      Boxes.push_back(Request);
      if (Answers.empty()) return MessageBoxDefaultButton(Request.Flags);
      const Integer Answer = Answers.front();
      Answers.erase(Answers.begin());
      return Answer;
    });
  }
  void TearDown() override {
    SetMessageBoxHook(SavedHook);
    FormatSettings = SavedSettings;
  }

  static std::string Export(TDBGridEhExportClass Class, TCustomDBGridEh* Grid, bool All = true) {
    TMemoryStream Stream;
    RunGridExport(Class, Grid, &Stream, All);
    return BytesOf(Stream);
  }
  static void Import(TDBGridEhImportClass Class, TCustomDBGridEh* Grid, const std::string& Bytes, bool All = false) {
    TStringStream Stream(Bytes);
    RunGridImport(Class, Grid, &Stream, All);
  }
  static std::string TempPath(const std::string& Name) {
    return std::string(BORROW_BINARY_DIR) + "/" + Name;
  }
};

// UTF-16LE bytes of an ASCII or Cyrillic text.
inline std::string Utf16(const String& Text) {
  return std::string(reinterpret_cast<const char*>(Text.data()), Text.size() * 2);
}
