#pragma once
// Grids over in-memory tables of books (ID, NAME in UTF-16, CITY in the ANSI
// code page, PRICE, DAY) and of scanned pages (a blob and a memo) for the
// export, import and clipboard tests: Russian locale settings fixed for the
// test, message boxes answered by a script.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "grid/DBGridEhImpExp.h"
#include "platform/core/CodePage.h"
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

// An in-memory table shown by a grid on a form.
class TableGrid {
public:
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;

  TableGrid() = default;
  ~TableGrid() { delete Form; }
  TableGrid(const TableGrid&) = delete;
  TableGrid& operator=(const TableGrid&) = delete;

  // Opens the table over the columns added to its store, every one visible.
  void Open() {
    TMTDataStructEh* Struct = Table.GetMemTableData()->GetDataStruct();
    for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
    Source.SetDataSet(&Table);
    Table.Open();
  }
  // Appends a record; a null Variant leaves its field empty.
  void AddValues(const std::vector<Variant>& Values) {
    Table.Append();
    for (size_t I = 0; I < Values.size(); ++I)
      if (!VarIsNull(Values[I])) Table.GetFields()->GetField(Integer(I))->SetValue(Values[I]);
    Table.Post();
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

// A table of books: ID, NAME in UTF-16, CITY in the ANSI code page, PRICE, DAY.
class BookGrid : public TableGrid {
public:
  BookGrid() {
    TMemTableDataEh* Store = Table.GetMemTableData();
    AddTableColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddTableColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(60);
    AddTableColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftString, u"CITY")->SetSize(30);
    AddTableColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftFloat, u"PRICE");
    AddTableColumn(Store, TMTDateTimeDataFieldEh::StaticComponentClass(), ftDate, u"DAY");
    Open();
  }
  void Add(const Variant& Id, const Variant& Name, const Variant& City, const Variant& Price, const Variant& Day) {
    AddValues({Id, Name, City, Price, Day});
  }
  // Three books: Cyrillic and Latin names, an empty city and price, a quote.
  void AddSampleBooks() {
    Add(Variant(1), Variant(String(u"Война и мир")), Variant(String(u"Москва")), Variant(12.5),
        Variant(EncodeDate(2024, 2, 1)));
    Add(Variant(2), Variant(String(u"Say \"hi\"; {x}")), Null(), Null(), Variant(EncodeDate(1999, 12, 31)));
    Add(Variant(3), Variant(String(u"Ёлка")), Variant(String(u"Tver")), Variant(-3.25), Null());
  }
};

// Scanned pages: ID, PAGE a blob of bytes, NOTE a memo; the grid draws neither as text.
class ScanGrid : public TableGrid {
public:
  ScanGrid() {
    TMemTableDataEh* Store = Table.GetMemTableData();
    AddTableColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddTableColumn(Store, TMTBlobDataFieldEh::StaticComponentClass(), ftBlob, u"PAGE");
    AddTableColumn(Store, TMTBlobDataFieldEh::StaticComponentClass(), ftMemo, u"NOTE");
    Open();
  }
  void AddSampleScans() {
    AddValues({Variant(1), Variant::FromAnsiStr(AnsiToString(std::string("\x00\x01\xFF\x1E\x1D\x0D\x0A", 7))),
               Variant::FromAnsiStr(String(u"Заметка\r\nв две строки"))});
    AddValues({Variant(2), Null(), Variant::FromAnsiStr(String(u"x"))});
  }
};

// The binary interchange format written by hand: a header for Columns columns,
// then cells in order.
class VclDbifBytes {
public:
  explicit VclDbifBytes(uint32_t Columns, char Version = 1) {
    FBytes.assign("VCLDBIF", 7);
    FBytes.push_back(Version);
    FBytes.append(reinterpret_cast<const char*>(&Columns), 4);
    for (uint32_t I = 0; I < Columns; ++I) FBytes.append("\x01\x00", 2);
  }
  VclDbifBytes& Int(int32_t Value) {
    FBytes.push_back('\x03');
    FBytes.append(reinterpret_cast<const char*>(&Value), 4);
    return *this;
  }
  VclDbifBytes& Ansi(const std::string& Value) { return Sized('\x05', Value); }
  VclDbifBytes& Wide(const String& Value) {
    return Sized('\x07', std::string(reinterpret_cast<const char*>(Value.data()), Value.size() * 2));
  }
  std::string End() const { return FBytes + '\0'; }

private:
  VclDbifBytes& Sized(char Tag, const std::string& Value) {
    FBytes.push_back(Tag);
    const int32_t Length = int32_t(Value.size());
    FBytes.append(reinterpret_cast<const char*>(&Length), 4);
    FBytes += Value;
    return *this;
  }
  std::string FBytes;
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
  static std::string TempPath(const std::string& Name) { return std::string(BORROW_BINARY_DIR) + "/" + Name; }
};

// UTF-16LE bytes of an ASCII or Cyrillic text.
inline std::string Utf16(const String& Text) {
  return std::string(reinterpret_cast<const char*>(Text.data()), Text.size() * 2);
}
