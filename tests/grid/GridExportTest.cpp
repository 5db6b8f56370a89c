// Exporting a data grid: the bytes each format writes (kept on disk beside the
// tests), which records and columns each kind of selection covers, footers, and
// real readers (Python's csv module, unrtf) reading what was written.

#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "tests/grid/ImpExpTestSupport.h"
#include "tests/support/FileSizeLimit.h"

namespace {

class GridExport : public ImpExpFixture {
protected:
  BookGrid Books;
  void SetUp() override {
    ImpExpFixture::SetUp();
    Books.AddSampleBooks();
    Books.Show();
    Display.ProcessMessages();
  }
  TDBGridEh* Grid() { return Books.Grid; }
};

// Runs a command and gives what it printed; the exit status goes to Status.
std::string RunCommand(const std::string& Command, int& Status) {
  std::string Out;
  FILE* Pipe = popen(Command.c_str(), "r");
  if (!Pipe) {
    Status = -1;
    return Out;
  }
  char Buffer[4096];
  size_t N;
  while ((N = fread(Buffer, 1, sizeof(Buffer), Pipe)) > 0) Out.append(Buffer, N);
  Status = pclose(Pipe);
  return Out;
}

// HTML text with its character references resolved, in UTF-8.
std::string HtmlToText(const std::string& Html) {
  String Out;
  const String In = FromUtf8(Html);
  for (size_t I = 0; I < In.size(); ++I) {
    if (In[I] == u'&') {
      const size_t End = In.find(u';', I);
      if (End != String::npos) {
        const String Name = In.substr(I + 1, End - I - 1);
        if (!Name.empty() && Name[0] == u'#') {
          Out.push_back(Char(std::stoi(ToUtf8(Name.substr(1)))));
          I = End;
          continue;
        }
        const std::pair<const char16_t*, Char> Named[] = {
            {u"quot", u'"'}, {u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}};
        bool Found = false;
        for (const auto& [Key, Value] : Named)
          if (Name == Key) {
            Out.push_back(Value);
            Found = true;
          }
        if (Found) {
          I = End;
          continue;
        }
      }
    }
    Out.push_back(In[I]);
  }
  return ToUtf8(Out);
}

TEST_F(GridExport, EveryFormatWritesTheExpectedBytesToAFile) {
  struct TCase {
    TDBGridEhExportClass Class;
    const char* File;
  } Cases[] = {
      {TDBGridEhExportAsText::StaticClass(), "books.txt"},
      {TDBGridEhExportAsUnicodeText::StaticClass(), "books.utf16.txt"},
      {TDBGridEhExportAsCSV::StaticClass(), "books.csv"},
      {TDBGridEhExportAsRTF::StaticClass(), "books.rtf"},
      {TDBGridEhExportAsVCLDBIF::StaticClass(), "books.vcldbif"},
  };
  for (const TCase& Case : Cases) {
    const std::string Path = TempPath(std::string("export_") + Case.File);
    std::unique_ptr<TObject> Object(Case.Class->Create());
    auto* Exporter = dynamic_cast<TDBGridEhExport*>(Object.get());
    ASSERT_NE(Exporter, nullptr);
    Exporter->SetDBGridEh(Grid());
    Exporter->ExportToFile(FromUtf8(Path), true);
    // BORROW_WRITE_EXPECTED=1 writes the expected files anew, to be read and committed.
    if (std::getenv("BORROW_WRITE_EXPECTED"))
      std::ofstream(std::string(BORROW_SOURCE_DIR) + "/tests/grid/data/" + Case.File, std::ios::binary)
          << ReadFileBytes(Path);
    EXPECT_EQ(ReadFileBytes(Path), ExpectedExport(Case.File)) << Case.File;
    std::remove(Path.c_str());
  }
}

TEST_F(GridExport, AFullDiskKeepsTheOldFileWholeInEveryFormat) {
  for (Integer I = 0; I < 40; ++I)
    Books.Add(Variant(100 + I), Variant(String(u"Книга с длинным названием")), Variant(String(u"Москва")),
              Variant(I * 1.25), Null());
  namespace fs = std::filesystem;
  const fs::path Folder = fs::path(BORROW_BINARY_DIR) / "export_full_disk";
  fs::remove_all(Folder);
  fs::create_directories(Folder);
  const std::string Path = (Folder / "books.out").string();
  const std::string Old(600, 'o');
  for (TDBGridEhExportClass Class : {TDBGridEhExportAsText::StaticClass(), TDBGridEhExportAsUnicodeText::StaticClass(),
                                     TDBGridEhExportAsCSV::StaticClass(), TDBGridEhExportAsRTF::StaticClass(),
                                     TDBGridEhExportAsVCLDBIF::StaticClass()}) {
    std::ofstream(Path, std::ios::binary) << Old;
    std::unique_ptr<TObject> Object(Class->Create());
    auto* Exporter = dynamic_cast<TDBGridEhExport*>(Object.get());
    ASSERT_NE(Exporter, nullptr);
    Exporter->SetDBGridEh(Grid());
    {
      TFileSizeLimit Disk(1024);
      EXPECT_THROW(Exporter->ExportToFile(FromUtf8(Path), true), Exception) << ToUtf8(Class->Name);
    }
    EXPECT_EQ(ReadFileBytes(Path), Old) << ToUtf8(Class->Name);
    std::vector<std::string> Entries;
    for (const auto& Entry : fs::directory_iterator(Folder)) Entries.push_back(Entry.path().filename().string());
    EXPECT_EQ(Entries, std::vector<std::string>{"books.out"}) << ToUtf8(Class->Name);
    // With room on the disk the file is replaced whole.
    Exporter->ExportToFile(FromUtf8(Path), true);
    const std::string Written = ReadFileBytes(Path);
    EXPECT_GT(Written.size(), 1024u) << ToUtf8(Class->Name);
    EXPECT_EQ(Written, Export(Class, Grid())) << ToUtf8(Class->Name);
  }
  fs::remove_all(Folder);
}

TEST_F(GridExport, TextOfTwoColumnsAndTwoRecordsHasTitlesAndNoLineBreakAtTheEnd) {
  BookGrid Small;
  Small.Add(Variant(1), Variant(String(u"2")), Null(), Null(), Null());
  Small.Add(Variant(3), Variant(String(u"4")), Null(), Null(), Null());
  TDBGridEh* G = Small.Show();
  for (const char16_t* Hidden : {u"CITY", u"PRICE", u"DAY"}) Small.Column(Hidden)->SetVisible(false);
  Small.Column(u"ID")->GetTitle()->SetCaption(u"A");
  Small.Column(u"NAME")->GetTitle()->SetCaption(u"B");
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), G), "A\tB\r\n1\t2\r\n3\t4");
  EXPECT_EQ(Export(TDBGridEhExportAsUnicodeText::StaticClass(), G), Utf16(u"A\tB\r\n1\t2\r\n3\t4"));

  G->SetOptions(G->GetOptions() - TDBGridOptions{dgTitles});
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), G), "1\t2\r\n3\t4");
  EXPECT_EQ(Export(TDBGridEhExportAsCSV::StaticClass(), G), "\"1\";\"2\"\r\n\"3\";\"4\"");
}

TEST_F(GridExport, CsvDoublesQuotesAndWritesAnEmptyCellAsTwoQuotes) {
  const std::string Csv = Export(TDBGridEhExportAsCSV::StaticClass(), Grid());
  EXPECT_NE(Csv.find("\"2\";\"Say \"\"hi\"\"; {x}\";\"\";\"\";\"31.12.1999\""), std::string::npos) << Csv;
}

TEST_F(GridExport, CsvReadBackByPythonsCsvModuleGivesTheSameCells) {
  const std::string Path = TempPath("export_books_read.csv");
  TDBGridEhExportAsCSV Exporter;
  Exporter.SetDBGridEh(Grid());
  Exporter.ExportToFile(FromUtf8(Path), true);
  const std::string Script =
      "import csv,sys\n"
      "with open(sys.argv[1], newline='', encoding='cp1251') as f:\n"
      "  for row in csv.reader(f, delimiter=';'):\n"
      "    sys.stdout.buffer.write(('|'.join(row) + '\\n').encode('utf-8'))\n";
  const std::string ScriptPath = TempPath("read_csv.py");
  std::ofstream(ScriptPath) << Script;
  int Status = 0;
  const std::string Out = RunCommand("python3 '" + ScriptPath + "' '" + Path + "'", Status);
  std::remove(ScriptPath.c_str());
  ASSERT_EQ(Status, 0) << "python3 is needed (tools/install-deps.sh installs it)";
  EXPECT_EQ(Out,
            "ID|NAME|CITY|PRICE|DAY\n"
            "1|Война и мир|Москва|12,5|01.02.2024\n"
            "2|Say \"hi\"; {x}|||31.12.1999\n"
            "3|Ёлка|Tver|-3,25|\n");
  std::remove(Path.c_str());
}

TEST_F(GridExport, RtfReadByARealRtfReaderShowsTheCellsCyrillicIncluded) {
  const std::string Path = TempPath("export_books_read.rtf");
  TDBGridEhExportAsRTF Exporter;
  Exporter.SetDBGridEh(Grid());
  Exporter.ExportToFile(FromUtf8(Path), true);
  int Status = 0;
  // The HTML output keeps every character (as a numeric reference); the text output cannot.
  const std::string Out = HtmlToText(RunCommand("unrtf --html --nopict '" + Path + "' 2>/dev/null", Status));
  ASSERT_EQ(Status, 0) << "unrtf is needed (tools/install-deps.sh installs it)";
  for (const char* Cell : {"NAME", "Война и мир", "Москва", "12,5", "01.02.2024", "Say \"hi\"; {x}", "Ёлка", "Tver",
                           "-3,25", "31.12.1999"})
    EXPECT_NE(Out.find(Cell), std::string::npos) << Cell << " in:\n" << Out;
  std::remove(Path.c_str());
}

TEST_F(GridExport, RtfEscapesBracesAndBackslashesAndWritesOtherCharactersAsUnicodeEscapes) {
  const std::string Rtf = Export(TDBGridEhExportAsRTF::StaticClass(), Grid());
  EXPECT_NE(Rtf.find("Say \"hi\"; \\{x\\}\\cell}"), std::string::npos);
  // "Ёлка": U+0401 U+043B U+043A U+0430.
  EXPECT_NE(Rtf.find("\\u1025?\\u1083?\\u1082?\\u1072?\\cell}"), std::string::npos);
  EXPECT_EQ(Rtf.rfind("{\\rtf0\\ansi\r\n{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;", 0), 0u);
  EXPECT_EQ(Rtf.back(), '}');
}

TEST_F(GridExport, NoSelectionExportsTheCurrentCellAloneWithoutTitlesOrFooters) {
  Books.Table.First();
  Books.Table.Next();
  Grid()->SetSelectedIndex(Books.Column(u"NAME")->GetIndex());
  Grid()->SetFooterRowCount(1);
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), Grid(), false), "Say \"hi\"; {x}");
  EXPECT_EQ(Export(TDBGridEhExportAsCSV::StaticClass(), Grid(), false), "\"Say \"\"hi\"\"; {x}\"");
  // The grid stays where it was.
  EXPECT_EQ(Books.Table.FieldByName(u"ID")->GetAsInteger(), 2);
}

TEST_F(GridExport, ARectangleCoversItsColumnsAndTheRecordsBetweenItsRowsInDatasetOrder) {
  Books.Table.Last();
  const TBookmark Last = Books.Table.GetBookmark();
  Books.Table.First();
  Books.Table.Next();
  const TBookmark Second = Books.Table.GetBookmark();
  // Drawn upward: from the last record's DAY back to the second record's NAME.
  TDBGridEhSelectionRect* Rect = Grid()->GetSelection()->GetRect();
  Rect->Select(4, Last, false);
  Rect->Select(1, Second, true);
  ASSERT_EQ(Grid()->GetSelection()->GetSelectionType(), gstRectangle);
  Grid()->SetOptions(Grid()->GetOptions() - TDBGridOptions{dgTitles});
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), Grid(), false),
            "Say \"hi\"; {x}\t\t\t31.12.1999\r\n\xA8\xEB\xEA\xE0\tTver\t-3,25\t");
}

TEST_F(GridExport, SelectedRecordsAndSelectedColumnsAreWhatIsExported) {
  Grid()->SetOptions(Grid()->GetOptions() - TDBGridOptions{dgTitles});
  Books.Table.First();
  Grid()->GetSelectedRows()->SetCurrentRowSelected(true);
  Books.Table.Last();
  Grid()->GetSelectedRows()->SetCurrentRowSelected(true);
  ASSERT_EQ(Grid()->GetSelection()->GetSelectionType(), gstRecordBookmarks);
  const std::string Records = Export(TDBGridEhExportAsText::StaticClass(), Grid(), false);
  EXPECT_EQ(Records.substr(0, 2), "1\t");
  EXPECT_NE(Records.find("\r\n3\t"), std::string::npos);
  EXPECT_EQ(Records.find("\r\n2\t"), std::string::npos);

  Grid()->GetSelection()->GetColumns()->Add(Books.Column(u"PRICE"), false);
  Grid()->GetSelection()->GetColumns()->Add(Books.Column(u"ID"), true);
  ASSERT_EQ(Grid()->GetSelection()->GetSelectionType(), gstColumns);
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), Grid(), false), "1\t12,5\r\n2\t\r\n3\t-3,25");
}

TEST_F(GridExport, TheBinaryExportWritesWhatTheFieldsReadWhateverPathItTakes) {
  const std::string Plain = Export(TDBGridEhExportAsVCLDBIF::StaticClass(), Grid());
  const auto Has = [](const std::string& Bytes, const String& Text) {
    return Bytes.find(std::string(reinterpret_cast<const char*>(Text.data()), Text.size() * 2)) != std::string::npos;
  };
  // The table's value event is heard.
  Books.Table.OnGetFieldValue = [](TCustomMemTableEh*, TField* Field, Variant& Value) {
    if (Field->GetFieldName() == u"NAME" && !VarIsNull(Value)) Value = Variant(u"№" + VarToStr(Value));
  };
  const std::string Heard = Export(TDBGridEhExportAsVCLDBIF::StaticClass(), Grid());
  EXPECT_TRUE(Has(Heard, u"№"));
  EXPECT_FALSE(Has(Plain, u"№"));
  Books.Table.OnGetFieldValue = nullptr;
  EXPECT_EQ(Export(TDBGridEhExportAsVCLDBIF::StaticClass(), Grid()), Plain);

  // A filter leaves the hidden records out, as the grid shows them.
  Books.Table.SetFilter(u"ID <> 2");
  Books.Table.SetFiltered(true);
  const std::string Filtered = Export(TDBGridEhExportAsVCLDBIF::StaticClass(), Grid());
  EXPECT_LT(Filtered.size(), Plain.size());
  Books.Table.SetFiltered(false);

  // A record being edited is written as edited, and the edit is kept.
  Books.Table.First();
  Books.Table.Edit();
  Books.Table.FieldByName(u"NAME")->SetAsString(u"Правка");
  EXPECT_TRUE(Has(Export(TDBGridEhExportAsVCLDBIF::StaticClass(), Grid()), u"Правка"));
  EXPECT_EQ(Books.Table.FieldByName(u"NAME")->GetAsString(), u"Правка");
}

TEST_F(GridExport, SumAndCountFootersCoverTheExportedRecordsAndOtherFootersAreTheGridsText) {
  Grid()->SetOptions(Grid()->GetOptions() - TDBGridOptions{dgTitles});
  Grid()->SetFooterRowCount(2);
  for (Integer I = 0; I < Grid()->GetColumns()->GetCount(); ++I) Grid()->GetColumns()->Items(I)->SetVisible(false);
  TColumnEh* Price = Books.Column(u"PRICE");
  TColumnEh* Id = Books.Column(u"ID");
  Price->SetVisible(true);
  Id->SetVisible(true);
  Id->GetFooters()->Add()->SetValueType(fvtCount);
  Id->GetFooters()->Add()->SetValueType(fvtStaticText);
  Id->GetFooters()->Items(1)->SetValue(u"Итого");
  Price->GetFooters()->Add()->SetValueType(fvtSum);
  Price->GetFooters()->Add()->SetValueType(fvtAvg);
  String AvgText;
  Grid()->GetFooterValue(1, Price, AvgText);
  // Only the first and the last record.
  Books.Table.First();
  Grid()->GetSelectedRows()->SetCurrentRowSelected(true);
  Books.Table.Last();
  Grid()->GetSelectedRows()->SetCurrentRowSelected(true);
  const std::string Text = Export(TDBGridEhExportAsText::StaticClass(), Grid(), false);
  EXPECT_EQ(Text, "1\t12,5\r\n3\t-3,25\r\n2\t9,25\r\n\xC8\xF2\xEE\xE3\xEE\t" + std::string(StringToAnsi(AvgText)));
}

TEST_F(GridExport, TheCellParameterEventsChangeTheTextButTheColumnsEventCannotChangeTheBackground) {
  Grid()->SetOptions(Grid()->GetOptions() - TDBGridOptions{dgTitles});
  for (const char16_t* Hidden : {u"NAME", u"CITY", u"PRICE", u"DAY"}) Books.Column(Hidden)->SetVisible(false);
  Grid()->OnGetCellParams = [](TObject*, TColumnEh*, TFont*, TColor& Background, TGridDrawState) {
    Background = clYellow;
  };
  Books.Column(u"ID")->SetOnGetCellParams([](TObject*, bool, TColCellParamsEh* Params) {
    Params->SetText(u"#" + Params->GetText());
    Params->SetBackground(clRed);
  });
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), Grid()), "#1\r\n#2\r\n#3");
  const std::string Rtf = Export(TDBGridEhExportAsRTF::StaticClass(), Grid());
  // Yellow is the fourth colour; red never enters the table.
  EXPECT_NE(Rtf.find("\\red255\\green255\\blue0;"), std::string::npos);
  EXPECT_EQ(Rtf.find("\\red255\\green0\\blue0;"), std::string::npos);
}

TEST_F(GridExport, TheNumberSwitchOfTheCenterWritesNumbersWithoutTheirDisplayFormat) {
  Grid()->SetOptions(Grid()->GetOptions() - TDBGridOptions{dgTitles});
  for (const char16_t* Hidden : {u"ID", u"NAME", u"CITY", u"DAY"}) Books.Column(Hidden)->SetVisible(false);
  Books.Column(u"PRICE")->SetDisplayFormat(u"0.00");
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), Grid()), "12,50\r\n\r\n-3,25");
  GetDBGridEhCenter()->SetUseExtendedDataFormats(true);
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), Grid()), "12,5\r\n\r\n-3,25");
  GetDBGridEhCenter()->SetUseExtendedDataFormats(false);
}

TEST_F(GridExport, MultiLevelTitlesShareACellAboveTheirColumnsInRtf) {
  for (const char16_t* Hidden : {u"ID", u"CITY", u"DAY"}) Books.Column(Hidden)->SetVisible(false);
  Books.Column(u"NAME")->GetTitle()->SetCaption(u"Книга|Название");
  Books.Column(u"PRICE")->GetTitle()->SetCaption(u"Книга|Цена");
  Grid()->SetUseMultiTitle(true);
  const std::string Rtf = Export(TDBGridEhExportAsRTF::StaticClass(), Grid());
  // The upper row: one cell with "Книга" and an empty one, no border between them.
  const size_t Upper = Rtf.find("\\trowd");
  const size_t Lower = Rtf.find("\\trowd", Upper + 1);
  const std::string UpperRow = Rtf.substr(Upper, Lower - Upper);
  EXPECT_NE(UpperRow.find("\\u1050?\\u1085?\\u1080?\\u1075?\\u1072?\\cell}"), std::string::npos);
  EXPECT_EQ(UpperRow.find("\\clbrdrr"), UpperRow.rfind("\\clbrdrr"));
  EXPECT_NE(UpperRow.find("\\qc"), std::string::npos);
}

}  // namespace
