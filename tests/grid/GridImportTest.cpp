// Importing into a data grid: round trips through every importable format,
// the text reader's states, damaged input refused before anything changes,
// and failed field writes asked about.

#include <random>

#include "platform/core/CodePage.h"
#include "tests/grid/ImpExpTestSupport.h"

namespace {

class GridImport : public ImpExpFixture {
protected:
  BookGrid From;
  BookGrid To;
  void SetUp() override {
    ImpExpFixture::SetUp();
    From.AddSampleBooks();
    From.Show();
    To.Show();
    Display.ProcessMessages();
  }
  // Export everything from the first grid; import into the empty second one,
  // which appends the rows past its end.
  void RoundTrip(TDBGridEhExportClass Exporter, TDBGridEhImportClass Importer) {
    From.Grid->SetOptions(From.Grid->GetOptions() - TDBGridOptions{dgTitles});
    const std::string Bytes = Export(Exporter, From.Grid);
    Import(Importer, To.Grid, Bytes);
  }
};

TEST_F(GridImport, TextRoundTripsGiveEqualRecordsWithCyrillicNullsDatesAndNumbers) {
  RoundTrip(TDBGridEhExportAsText::StaticClass(), TDBGridEhImportAsText::StaticClass());
  EXPECT_EQ(To.Rows(), From.Rows());
  EXPECT_EQ(To.Rows()[1], u"2|Say \"hi\"; {x}|null|null|31.12.1999");
}

TEST_F(GridImport, UnicodeTextRoundTripsGiveEqualRecords) {
  RoundTrip(TDBGridEhExportAsUnicodeText::StaticClass(), TDBGridEhImportAsUnicodeText::StaticClass());
  EXPECT_EQ(To.Rows(), From.Rows());
}

TEST_F(GridImport, BinaryRoundTripsGiveEqualRecordsAndValues) {
  RoundTrip(TDBGridEhExportAsVCLDBIF::StaticClass(), TDBGridEhImportAsVCLDBIF::StaticClass());
  EXPECT_EQ(To.Rows(), From.Rows());
  To.Table.First();
  EXPECT_DOUBLE_EQ(To.Table.FieldByName(u"PRICE")->GetAsFloat(), 12.5);
  EXPECT_EQ(To.Table.FieldByName(u"DAY")->GetAsDateTime(), EncodeDate(2024, 2, 1));
  To.Table.Next();
  EXPECT_TRUE(To.Table.FieldByName(u"CITY")->GetIsNull());
  EXPECT_TRUE(To.Table.FieldByName(u"PRICE")->GetIsNull());
}

TEST_F(GridImport, TheExpectedFilesOnDiskImportBackToTheSampleBooks) {
  Import(TDBGridEhImportAsVCLDBIF::StaticClass(), To.Grid, ExpectedExport("books.vcldbif"));
  EXPECT_EQ(To.Rows(), From.Rows());
  BookGrid Third;
  Third.Show();
  // The text files begin with their title row, which imports as a row of its own.
  Import(TDBGridEhImportAsUnicodeText::StaticClass(), Third.Grid, ExpectedExport("books.utf16.txt"));
  std::vector<String> Rows = Third.Rows();
  ASSERT_EQ(Rows.size(), 4u);
  Rows.erase(Rows.begin());
  EXPECT_EQ(Rows, From.Rows());
}

TEST_F(GridImport, ATextFilesLastCharacterIsRead) {
  To.Column(u"ID")->SetVisible(false);
  Import(TDBGridEhImportAsText::StaticClass(), To.Grid, "ab\tc\r\nd\te");
  EXPECT_EQ(To.Rows(), (std::vector<String>{u"null|ab|c|null|null", u"null|d|e|null|null"}));
}

TEST_F(GridImport, AnEmptyTextCellImportsAsNull) {
  From.Table.First();
  From.Grid->SetSelectedIndex(From.Column(u"NAME")->GetIndex());
  // The first record's NAME, CITY and PRICE from "a", "" and "c".
  Import(TDBGridEhImportAsText::StaticClass(), From.Grid, std::string("a\t\t1,5\r\n"));
  From.Table.First();
  EXPECT_EQ(From.Table.FieldByName(u"NAME")->GetAsString(), u"a");
  EXPECT_TRUE(From.Table.FieldByName(u"CITY")->GetIsNull());
  EXPECT_DOUBLE_EQ(From.Table.FieldByName(u"PRICE")->GetAsFloat(), 1.5);
  EXPECT_EQ(From.Table.FieldByName(u"ID")->GetAsInteger(), 1);
}

TEST_F(GridImport, ACrWithoutLfIsRefusedWithAClearErrorAndNothingChanges) {
  const std::vector<String> Before = From.Rows();
  From.Table.First();
  From.Grid->SetSelectedIndex(From.Column(u"NAME")->GetIndex());
  try {
    Import(TDBGridEhImportAsText::StaticClass(), From.Grid, "x\r\ny\rz");
    FAIL() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"TDBGridEhImportAsText.CheckState: Неверный формат текста");
  }
  EXPECT_EQ(From.Rows(), Before);
  try {
    Import(TDBGridEhImportAsUnicodeText::StaticClass(), From.Grid, Utf16(u"x\ry"));
    FAIL() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"TDBGridEhImportAsUnicodeText.CheckState: Неверный формат текста");
  }
  EXPECT_EQ(From.Rows(), Before);
}

TEST_F(GridImport, ABadOrTruncatedOrCorruptBinaryFileRaisesAClearErrorAndImportsNothing) {
  From.Grid->SetOptions(From.Grid->GetOptions() - TDBGridOptions{dgTitles});
  const std::string Good = Export(TDBGridEhExportAsVCLDBIF::StaticClass(), From.Grid);
  const String Error = u"TDBGridEhImportAsVCLDBIF.ReadPrefix: Неверный формат VCLDBIF";
  auto Refused = [&](const std::string& Bytes, const char* What) {
    BookGrid Target;
    Target.Show();
    try {
      Import(TDBGridEhImportAsVCLDBIF::StaticClass(), Target.Grid, Bytes);
      ADD_FAILURE() << "no error for " << What;
    } catch (const Exception& E) {
      EXPECT_EQ(E.Message(), Error) << What;
    }
    EXPECT_TRUE(Target.Rows().empty()) << What;
  };
  Refused("VCLDBI", "shorter than the header");
  Refused("XCLDBIF\x01\x00\x00\x00\x00\x00", "another magic");
  // Cut at every length short of the whole.
  for (size_t Length = 0; Length < Good.size(); ++Length) Refused(Good.substr(0, Length), "truncated");
  // A text length past the end, and a negative one.
  std::string Corrupt = Good;
  const size_t Text = Corrupt.find('\x07');
  ASSERT_NE(Text, std::string::npos);
  Corrupt[Text + 4] = '\x7f';
  Refused(Corrupt, "length past the end");
  Corrupt[Text + 4] = '\xff';
  Refused(Corrupt, "negative length");
  // Cells with no column to take them.
  Refused(std::string("VCLDBIF\x01\x00\x00\x00\x00\x02\x02\x00", 15), "cells without columns");
}

TEST_F(GridImport, ABinaryVersionOtherThanOneIsRefusedBeforeAnythingChangesAndNamesAreKept) {
  std::string Bytes("VCLDBIF\x07\x01\x00\x00\x00\x01ID\x00\x03\x2a\x00\x00\x00\x00", 22);
  try {
    Import(TDBGridEhImportAsVCLDBIF::StaticClass(), To.Grid, Bytes);
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"TDBGridEhImportAsVCLDBIF.ReadPrefix: Неверный формат VCLDBIF");
  }
  EXPECT_TRUE(To.Rows().empty());
  Bytes[7] = '\x01';
  TStringStream Stream(Bytes);
  TDBGridEhImportAsVCLDBIF Importer;
  Importer.SetDBGridEh(To.Grid);
  Importer.ImportFromStream(&Stream, false);
  EXPECT_EQ(To.Rows(), (std::vector<String>{u"42|null|null|null|null"}));
  ASSERT_EQ(Importer.GetColumnNames().size(), 1u);
  EXPECT_EQ(Importer.GetColumnNames()[0].first, u"ID");
  EXPECT_TRUE(Importer.GetHasNames());
}

TEST_F(GridImport, BlobsAndMemosComeBackThroughTheBinaryFormat) {
  ScanGrid Scans, Copy;
  Scans.AddSampleScans();
  Scans.Show();
  Copy.Show();
  ASSERT_FALSE(Scans.Grid->DrawsMemoTextOf(Scans.Table.FieldByName(u"NOTE")));
  Import(TDBGridEhImportAsVCLDBIF::StaticClass(), Copy.Grid,
         Export(TDBGridEhExportAsVCLDBIF::StaticClass(), Scans.Grid));
  EXPECT_EQ(Copy.Rows(), Scans.Rows());
  Copy.Table.First();
  EXPECT_EQ(StringToAnsi(Copy.Table.FieldByName(u"PAGE")->GetAsString()), std::string("\x00\x01\xFF\x1E\x1D\r\n", 7));
  // A text import still leaves them alone: the cells hold "(BLOB)" and "(MEMO)", not their values.
  Copy.Table.First();
  Copy.Grid->SetSelectedIndex(Copy.Column(u"PAGE")->GetIndex());
  Import(TDBGridEhImportAsText::StaticClass(), Copy.Grid, "(BLOB)\t(MEMO)");
  EXPECT_EQ(Copy.Rows(), Scans.Rows());
}

TEST_F(GridImport, CellsWithTabsLineBreaksOrALeadingQuoteComeBackWholeThroughBothTextFormats) {
  BookGrid Odd, Back, UnicodeBack;
  const String Names[] = {u"a\tb", u"two\r\nlines", u"cr\ronly",   u"lf\nonly", u"\"quoted\" first",
                          u"\"",   u"end\t",        u"say \"hi\"", u"\"\"",     u"\r\n"};
  Integer Id = 1;
  for (const String& Name : Names)
    Odd.Add(Variant(Id++), Variant(Name), Variant(String(u"\"") + Name), Variant(1.5), Null());
  Odd.Show();
  Odd.Grid->SetOptions(Odd.Grid->GetOptions() - TDBGridOptions{dgTitles});
  Back.Show();
  UnicodeBack.Show();
  const std::string Text = Export(TDBGridEhExportAsText::StaticClass(), Odd.Grid);
  // Such cells between quotes, quotes doubled; an ordinary cell as it stands.
  const std::string Head = "1\t\"a\tb\"\t\"\"\"a\tb\"\t1,5\t\r\n2\t";
  EXPECT_EQ(Text.substr(0, Head.size()), Head);
  EXPECT_NE(Text.find("\r\n8\tsay \"hi\"\t"), std::string::npos);
  Import(TDBGridEhImportAsText::StaticClass(), Back.Grid, Text);
  EXPECT_EQ(Back.Rows(), Odd.Rows());
  const std::string Wide = Export(TDBGridEhExportAsUnicodeText::StaticClass(), Odd.Grid);
  EXPECT_EQ(Wide, Utf16(AnsiToString(Text)));
  Import(TDBGridEhImportAsUnicodeText::StaticClass(), UnicodeBack.Grid, Wide);
  EXPECT_EQ(UnicodeBack.Rows(), Odd.Rows());
}

TEST_F(GridImport, TextAfterAClosingQuoteAndAQuoteThatIsNeverClosedAreReadAsTheyStand) {
  To.Column(u"ID")->SetVisible(false);
  Import(TDBGridEhImportAsText::StaticClass(), To.Grid, "\"a\"\"b\"c\t\"\"\r\n\"open\tx");
  EXPECT_EQ(To.Rows(), (std::vector<String>{u"null|a\"bc|null|null|null", u"null|\"open|x|null|null"}));
}

TEST_F(GridImport, AnImportThatStopsLeavesTheTableAsItWasInEveryFormatAndMode) {
  struct TCase {
    const char* Name;
    TDBGridEhImportClass Importer;
    std::string TwoRows;    // the second row's ID is refused
    std::string ThreeRows;  // the third row's ID is refused
  };
  const TCase Cases[] = {
      {"text", TDBGridEhImportAsText::StaticClass(), "7\tSeven\r\n1-2\tBad", "30\tA\r\n40\tB\r\n4-0\tC"},
      {"unicode text", TDBGridEhImportAsUnicodeText::StaticClass(), Utf16(u"7\tSeven\r\n1-2\tBad"),
       Utf16(u"30\tA\r\n40\tB\r\n4-0\tC")},
      {"binary", TDBGridEhImportAsVCLDBIF::StaticClass(),
       VclDbifBytes(2).Int(7).Wide(u"Seven").Ansi("1-2").Wide(u"Bad").End(),
       VclDbifBytes(2).Int(30).Wide(u"A").Int(40).Wide(u"B").Ansi("4-0").Wide(u"C").End()},
  };
  const Integer IdColumn = From.Column(u"ID")->GetIndex();
  const std::vector<String> Before = From.Rows();
  for (const TCase& Case : Cases) {
    // Over the first records, No at the second row.
    From.Table.First();
    From.Grid->SetSelectedIndex(IdColumn);
    Answers = {IDNO};
    EXPECT_THROW(Import(Case.Importer, From.Grid, Case.TwoRows), EAbort) << Case.Name;
    EXPECT_EQ(From.Rows(), Before) << Case.Name;
    EXPECT_EQ(From.Table.GetState(), dsBrowse) << Case.Name;
    // From the last record on: one row over it, two appended.
    From.Table.Last();
    Answers = {IDNO};
    EXPECT_THROW(Import(Case.Importer, From.Grid, Case.ThreeRows), EAbort) << Case.Name;
    EXPECT_EQ(From.Rows(), Before) << Case.Name;
    // While inserting: each row a new record.
    From.Table.First();
    From.Table.Insert();
    Answers = {IDNO};
    EXPECT_THROW(Import(Case.Importer, From.Grid, Case.ThreeRows), EAbort) << Case.Name;
    EXPECT_EQ(From.Rows(), Before) << Case.Name;
    EXPECT_EQ(From.Table.GetState(), dsBrowse) << Case.Name;
    // Yes passes the refused value over and goes on.
    BookGrid Other;
    Other.AddSampleBooks();
    Other.Show();
    Other.Table.First();
    Other.Grid->SetSelectedIndex(IdColumn);
    Answers = {IDYES};
    Import(Case.Importer, Other.Grid, Case.TwoRows);
    const std::vector<String> Rows = Other.Rows();
    EXPECT_EQ(Rows[0].substr(0, 8), u"7|Seven|") << Case.Name;
    EXPECT_EQ(Rows[1].substr(0, 6), u"2|Bad|") << Case.Name;
  }
  EXPECT_EQ(Boxes.size(), 12u);
}

TEST_F(GridImport, ARecordThatCannotBePostedStopsTheImportAndTakesBackTheRecordsBefore) {
  To.Table.FieldByName(u"NAME")->SetRequired(true);
  EXPECT_THROW(Import(TDBGridEhImportAsText::StaticClass(), To.Grid, "1\tA\r\n2\tB\r\n3\t"), EDatabaseError);
  EXPECT_TRUE(To.Rows().empty());
  Import(TDBGridEhImportAsText::StaticClass(), To.Grid, "1\tA\r\n2\tB");
  EXPECT_EQ(To.Rows().size(), 2u);
}

TEST_F(GridImport, ExtraBinaryColumnsAreDroppedAndMissingOnesLeaveTheirColumnsAlone) {
  // Two cells for ID and NAME of three columns; a third cell beyond the grid's columns.
  From.Table.First();
  From.Grid->SetSelectedIndex(From.Column(u"PRICE")->GetIndex());
  std::string Two("VCLDBIF\x01\x02\x00\x00\x00\x01\x00\x01\x00\x04", 17);
  const double Price = 7.75;
  Two.append(reinterpret_cast<const char*>(&Price), 8);
  Two += std::string("\x02\x00", 2);
  Import(TDBGridEhImportAsVCLDBIF::StaticClass(), From.Grid, Two);
  From.Table.First();
  EXPECT_DOUBLE_EQ(From.Table.FieldByName(u"PRICE")->GetAsFloat(), 7.75);
  EXPECT_TRUE(From.Table.FieldByName(u"DAY")->GetIsNull());
  EXPECT_EQ(From.Table.FieldByName(u"NAME")->GetAsString(), u"Война и мир");

  From.Table.First();
  From.Grid->SetSelectedIndex(From.Column(u"DAY")->GetIndex());
  std::string Three(
      "VCLDBIF\x01\x03\x00\x00\x00\x01\x00\x01\x00\x01\x00\x02\x05\x01\x00\x00\x00Z\x05\x01\x00\x00\x00Q\x00", 33);
  Import(TDBGridEhImportAsVCLDBIF::StaticClass(), From.Grid, Three);
  From.Table.First();
  EXPECT_TRUE(From.Table.FieldByName(u"DAY")->GetIsNull());
  EXPECT_EQ(From.Rows().size(), 3u);
}

TEST_F(GridImport, AValueThatCannotBeStoredIsAskedAboutAndNoAbandonsTheImport) {
  From.Table.First();
  From.Grid->SetSelectedIndex(From.Column(u"ID")->GetIndex());
  const std::vector<String> Before = From.Rows();
  Answers = {IDNO};
  EXPECT_THROW(Import(TDBGridEhImportAsText::StaticClass(), From.Grid, "1-2\tNew\r\n9\tLater"), EAbort);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text.substr(0, 29), u"Ошибка при вставке значения:\n");
  EXPECT_NE(Boxes[0].Text.find(u"\n\nИгнорировать ошибку?"), String::npos);
  EXPECT_EQ(MessageBoxButtons(Boxes[0].Flags), (std::vector<Integer>{IDYES, IDNO, IDALL}));
  From.Table.First();
  EXPECT_EQ(From.Table.FieldByName(u"ID")->GetAsInteger(), 1);

  // All: this and every later fault pass without asking.
  Boxes.clear();
  Answers = {IDALL};
  From.Table.First();
  Import(TDBGridEhImportAsText::StaticClass(), From.Grid, "1-2\tA\r\n3-4\tB\r\n5\tC");
  EXPECT_EQ(Boxes.size(), 1u);
  const std::vector<String> After = From.Rows();
  EXPECT_EQ(After[0].substr(0, 4), u"1|A|");
  EXPECT_EQ(After[1].substr(0, 4), u"2|B|");
  EXPECT_EQ(After[2].substr(0, 4), u"5|C|");
}

TEST_F(GridImport, RowsPastTheEndAreAppendedOnlyWhenTheGridAllowsAppending) {
  From.Table.Last();
  From.Grid->SetSelectedIndex(From.Column(u"ID")->GetIndex());
  From.Grid->SetAllowedOperations({alopUpdateEh, alopInsertEh, alopDeleteEh});
  Import(TDBGridEhImportAsText::StaticClass(), From.Grid, "30\tThree\r\n40\tFour\r\n50\tFive");
  ASSERT_EQ(From.Rows().size(), 3u);
  EXPECT_EQ(From.Rows()[2].substr(0, 9), u"30|Three|");
  From.Grid->SetAllowedOperations(AllAllowedOperationsEh);
  From.Table.Last();
  Import(TDBGridEhImportAsText::StaticClass(), From.Grid, "31\tThree\r\n41\tFour\r\n51\tFive");
  const std::vector<String> Rows = From.Rows();
  ASSERT_EQ(Rows.size(), 5u);
  EXPECT_EQ(Rows[3], u"41|Four|null|null|null");
  EXPECT_EQ(Rows[4], u"51|Five|null|null|null");
}

TEST_F(GridImport, TextImportedWhileInsertingAddsOneRecordPerRowBeforeTheCurrentOne) {
  From.Table.First();
  From.Table.Next();
  From.Table.Insert();
  From.Grid->SetSelectedIndex(From.Column(u"ID")->GetIndex());
  Import(TDBGridEhImportAsText::StaticClass(), From.Grid, std::string("7\tSeven\r\n8\tEight\0", 17));
  const std::vector<String> Rows = From.Rows();
  ASSERT_EQ(Rows.size(), 5u) << ToUtf8(Rows.back());
  EXPECT_EQ(Rows[1].substr(0, 8), u"7|Seven|");
  EXPECT_EQ(Rows[2].substr(0, 8), u"8|Eight|");
  EXPECT_EQ(Rows[3].substr(0, 2), u"2|");
}

TEST_F(GridImport, KeyAndPickListColumnsImportThePickedTextAsItsKey) {
  TColumnEh* City = From.Column(u"CITY");
  TStringList Keys, Picks;
  Keys.Add(u"MSK");
  Keys.Add(u"TVR");
  Picks.Add(u"Москва");
  Picks.Add(u"Тверь");
  City->SetKeyList(&Keys);
  City->SetPickList(&Picks);
  From.Table.First();
  From.Grid->SetSelectedIndex(City->GetIndex());
  Import(TDBGridEhImportAsUnicodeText::StaticClass(), From.Grid, Utf16(u"Тверь\r\nнет такого"));
  From.Table.First();
  EXPECT_EQ(From.Table.FieldByName(u"CITY")->GetAsString(), u"TVR");
  From.Table.Next();
  EXPECT_TRUE(From.Table.FieldByName(u"CITY")->GetIsNull());
}

TEST_F(GridImport, ImportFromFileReadsTheFileExportToFileWrote) {
  const std::string Path = TempPath("import_books.vcldbif");
  TDBGridEhExportAsVCLDBIF Exporter;
  Exporter.SetDBGridEh(From.Grid);
  Exporter.ExportToFile(FromUtf8(Path), true);
  TDBGridEhImportAsVCLDBIF Importer;
  Importer.SetDBGridEh(To.Grid);
  Importer.ImportFromFile(FromUtf8(Path), false);
  EXPECT_EQ(To.Rows(), From.Rows());
  std::remove(Path.c_str());
  EXPECT_THROW(Importer.ImportFromFile(FromUtf8(Path), false), EStreamError);
}

// Random cell texts over the characters the text formats treat specially: each
// table goes out and back through both text formats and must come back as the
// plain model says, its first cell now and then looking like a byte-order mark.
TEST_F(GridImport, RandomCellsWithZerosQuotesTabsLineBreaksAndMarkLikeFirstCellsComeBackWhole) {
  const String AnsiChars = String(u"aZ 1\"\t\r\n\x01юяп»їЁ") + Char(0);
  const String WideChars = AnsiChars + u"\xFEFF\x4E2D";
  const String FirstCells[] = {u"яю",           u"п»ї",       u"\xFEFF", u"яюx\t", u"п»їa\"",
                               u"\xFEFF\xFEFF", String(1, 0), u"я",      u"\"",    u""};
  std::mt19937 Random(45);
  auto RandomText = [&](const String& Chars, size_t MaxLength) {
    String Text(std::uniform_int_distribution<size_t>(0, MaxLength)(Random), u' ');
    for (Char& C : Text) C = Chars[std::uniform_int_distribution<size_t>(0, Chars.size() - 1)(Random)];
    return Text;
  };
  struct TFormat {
    const char* Name;
    TDBGridEhExportClass Exporter;
    TDBGridEhImportClass Importer;
    bool Wide;
  };
  const TFormat Formats[] = {
      {"text", TDBGridEhExportAsText::StaticClass(), TDBGridEhImportAsText::StaticClass(), false},
      {"unicode text", TDBGridEhExportAsUnicodeText::StaticClass(), TDBGridEhImportAsUnicodeText::StaticClass(), true},
  };
  for (int Round = 0; Round < 30; ++Round) {
    for (const TFormat& Format : Formats) {
      // The model: NAME (UTF-16) and CITY (ANSI) of each row; an empty text is Null.
      std::vector<std::pair<String, String>> Model(std::uniform_int_distribution<size_t>(1, 6)(Random));
      for (auto& [Name, City] : Model) {
        Name = RandomText(Format.Wide ? WideChars : AnsiChars, 12);
        City = RandomText(AnsiChars, 12);
      }
      const String& First = FirstCells[size_t(Round) % std::size(FirstCells)];
      if (Format.Wide || First.find(u'\xFEFF') == String::npos) Model[0].first = First + Model[0].first;
      BookGrid Table, Back;
      std::vector<String> Expected;
      for (const auto& [Name, City] : Model) {
        auto Value = [](const String& Text) { return Text.empty() ? Null() : Variant(Text); };
        Table.Add(Null(), Value(Name), Value(City), Null(), Null());
        auto Cell = [](const String& Text) { return Text.empty() ? String(u"null") : Text; };
        Expected.push_back(u"null|" + Cell(Name) + u"|" + Cell(City) + u"|null|null");
      }
      Table.Show();
      Back.Show();
      // The first cell written is NAME's.
      Table.Column(u"ID")->SetVisible(false);
      Back.Column(u"ID")->SetVisible(false);
      Table.Grid->SetOptions(Table.Grid->GetOptions() - TDBGridOptions{dgTitles});
      ASSERT_EQ(Table.Rows(), Expected) << Format.Name << " round " << Round;
      const std::string Bytes = Export(Format.Exporter, Table.Grid);
      Import(Format.Importer, Back.Grid, Bytes);
      EXPECT_EQ(Back.Rows(), Expected) << Format.Name << " round " << Round;
    }
  }
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(GridImport, ZerosAndMarkLikeFirstCellsAreWrittenBetweenQuotes) {
  BookGrid Table;
  Table.Add(Null(), Variant(String(u"п»їa")), Variant(String(u"x") + Char(0) + u"y"), Null(), Null());
  Table.Add(Null(), Variant(String(u"яю")), Variant(String(1, Char(0))), Null(), Null());
  Table.Show();
  Table.Column(u"ID")->SetVisible(false);
  Table.Grid->SetOptions(Table.Grid->GetOptions() - TDBGridOptions{dgTitles});
  // Only the first cell is sniffed for a mark: the second row's "яю" stands as it is.
  EXPECT_EQ(Export(TDBGridEhExportAsText::StaticClass(), Table.Grid),
            std::string("\"\xEF\xBB\xBF"
                        "a\"\t\"x\0y\"\t\t\r\n\xFF\xFE\t\"\0\"\t\t",
                        24));
  Table.Table.First();
  Table.Table.Edit();
  Table.Table.FieldByName(u"NAME")->SetAsString(u"\xFEFFяю");
  Table.Table.Post();
  EXPECT_EQ(Export(TDBGridEhExportAsUnicodeText::StaticClass(), Table.Grid),
            Utf16(String(u"\"\xFEFFяю\"\t\"x") + Char(0) + u"y\"\t\t\r\nяю\t\"" + Char(0) + u"\"\t\t"));
}

TEST_F(GridImport, AUnicodeTextWithAnOddNumberOfBytesIsRefusedAndLeavesTheTableAsItWas) {
  From.Grid->SetOptions(From.Grid->GetOptions() - TDBGridOptions{dgTitles});
  const std::string Wide = Export(TDBGridEhExportAsUnicodeText::StaticClass(), From.Grid);
  // What an import of Bytes into a grid that holds one row gives: its rows, or its refusal.
  auto Outcome = [&](TDBGridEhImportClass Importer, const std::string& Bytes) {
    BookGrid Target;
    Target.Show();
    Import(TDBGridEhImportAsUnicodeText::StaticClass(), Target.Grid,
           Wide.substr(0, Wide.find(std::string("\r\0\n\0", 4)) + 4), true);
    const std::vector<String> Before = Target.Rows();
    try {
      Import(Importer, Target.Grid, Bytes, true);
    } catch (const Exception& E) {
      EXPECT_EQ(Target.Rows(), Before);
      const size_t At = E.Message().find(u"Неверный");
      return std::vector<String>{u"refused: " + (At == String::npos ? E.Message() : E.Message().substr(At))};
    }
    return Target.Rows();
  };
  const std::vector<String> Refused{u"refused: Неверный формат текста"};
  std::mt19937 Random(11);
  const char Ends[] = {'\0', '\r', '\n', '\t', '"', 'A', '\xFF', '\xFE'};
  for (Integer Trial = 0; Trial < 40; ++Trial) {
    // Whole characters of the text, a mark before them or not, and one byte more.
    std::string Even = Wide.substr(0, 2 * std::uniform_int_distribution<size_t>(0, Wide.size() / 2)(Random));
    if (Trial % 3 == 0) Even = "\xFF\xFE" + Even;
    if (Trial % 4 == 1) Even += std::string(2 * (Trial % 3), '\0');
    const char End = Ends[size_t(Trial) % std::size(Ends)];
    SCOPED_TRACE(testing::Message() << "trial " << Trial << ", " << Even.size() << " bytes and " << Integer(Byte(End)));
    EXPECT_EQ(Outcome(TDBGridEhImportAsUnicodeText::StaticClass(), Even + End), Refused);
  }
  // The ANSI importer reads a text with the UTF-16 mark as UTF-16, and refuses it cut the same way.
  EXPECT_EQ(Outcome(TDBGridEhImportAsText::StaticClass(), "\xFF\xFE" + Wide + 'x'), Refused);
  EXPECT_NE(Outcome(TDBGridEhImportAsUnicodeText::StaticClass(), Wide), Refused);
}

TEST_F(GridImport, AZeroOutsideAQuotedCellIsRefusedUnlessOnlyZerosFollowIt) {
  const std::vector<String> Before = From.Rows();
  From.Table.First();
  From.Grid->SetSelectedIndex(From.Column(u"NAME")->GetIndex());
  // The importer used to stop at the zero without a word, dropping the rest.
  const std::string Ansi("a\tb\r\nc\0d\te\r\nf\tg", 16);
  try {
    Import(TDBGridEhImportAsText::StaticClass(), From.Grid, Ansi);
    FAIL() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"TDBGridEhImportAsText.CheckState: Неверный формат текста");
  }
  EXPECT_EQ(From.Rows(), Before);
  try {
    Import(TDBGridEhImportAsUnicodeText::StaticClass(), From.Grid, Utf16(AnsiToString(Ansi)));
    FAIL() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"TDBGridEhImportAsUnicodeText.CheckState: Неверный формат текста");
  }
  EXPECT_EQ(From.Rows(), Before);
  // A terminator (the clipboard's) ends the data.
  BookGrid Wide;
  Wide.Show();
  for (TableGrid* Grid : {static_cast<TableGrid*>(&To), static_cast<TableGrid*>(&Wide)})
    Grid->Column(u"ID")->SetVisible(false);
  Import(TDBGridEhImportAsText::StaticClass(), To.Grid, std::string("a\tb\r\nc\td\0\0", 11));
  Import(TDBGridEhImportAsUnicodeText::StaticClass(), Wide.Grid, Utf16(u"a\tb\r\nc\td") + std::string(4, '\0'));
  const std::vector<String> Rows{u"null|a|b|null|null", u"null|c|d|null|null"};
  EXPECT_EQ(To.Rows(), Rows);
  EXPECT_EQ(Wide.Rows(), Rows);
}

}  // namespace
