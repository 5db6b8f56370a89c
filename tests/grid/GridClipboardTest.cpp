// The grid's clipboard commands: copy puts five formats at once, paste takes
// the most complete one, delete clears or removes the selection after asking
// where it should, and cut is copy then delete.

#include "platform/core/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "tests/grid/ImpExpTestSupport.h"

namespace {

class GridClipboard : public ImpExpFixture {
protected:
  BookGrid Books;
  void SetUp() override {
    ImpExpFixture::SetUp();
    Books.AddSampleBooks();
    Books.Show();
    Display.ProcessMessages();
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
  }
  TDBGridEh* Grid() { return Books.Grid; }
  static std::string ClipboardBytes(UINT Format) {
    OpenClipboard(nullptr);
    std::string Out;
    if (HGLOBAL Block = GetClipboardData(Format)) {
      Out.assign(static_cast<const char*>(GlobalLock(Block)), GlobalSize(Block));
      GlobalUnlock(Block);
    }
    CloseClipboard();
    return Out;
  }
  static void PutBytes(UINT Format, const std::string& Bytes) {
    OpenClipboard(nullptr);
    HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE, Bytes.size());
    std::memcpy(GlobalLock(Block), Bytes.data(), Bytes.size());
    GlobalUnlock(Block);
    SetClipboardData(Format, Block);
    CloseClipboard();
  }
  void SelectRows(std::initializer_list<Integer> Ids) {
    for (Integer Id : Ids) {
      ASSERT_TRUE(Books.Table.Locate(u"ID", Variant(Id), {}));
      Grid()->GetSelectedRows()->SetCurrentRowSelected(true);
    }
  }
};

TEST_F(GridClipboard, RegisteredFormatsKeepTheirNames) {
  EXPECT_EQ(GetClipboardFormatName(CF_VCLDBIF()), u"VCLDBIF");
  EXPECT_EQ(GetClipboardFormatName(CF_CSV()), u"Csv");
  EXPECT_EQ(GetClipboardFormatName(CF_RTF()), u"Rich Text Format");
  EXPECT_EQ(CF_CSV(), CF_VCLDBIF() + 1);
  EXPECT_EQ(CF_RTF(), CF_CSV() + 1);
}

TEST_F(GridClipboard, CopyOfTheCurrentCellPutsFiveFormatsEachEndedAsTheFormatWants) {
  Books.Table.First();
  Grid()->SetSelectedIndex(Books.Column(u"NAME")->GetIndex());
  CopyGridToClipboard(Grid(), false);
  EXPECT_EQ(ClipboardBytes(CF_TEXT).substr(0, 12), std::string(StringToAnsi(u"Война и мир")) + '\0');
  EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT).substr(0, 24), Utf16(u"Война и мир") + std::string(2, '\0'));
  EXPECT_EQ(ClipboardBytes(CF_CSV()), "\"" + std::string(StringToAnsi(u"Война и мир")) + "\"" + '\0');
  const std::string Rtf = ClipboardBytes(CF_RTF());
  EXPECT_EQ(Rtf.substr(0, 10), "{\\rtf0\\ans");
  EXPECT_EQ(Rtf.substr(Rtf.size() - 2), std::string("}") + '\0');
  const std::string Binary = ClipboardBytes(CF_VCLDBIF());
  EXPECT_EQ(Binary.substr(0, 12), std::string("VCLDBIF\x01\x01\x00\x00\x00", 12));
  EXPECT_EQ(Binary.back(), '\0');
}

TEST_F(GridClipboard, PastePrefersTheBinaryFormatThenUnicodeTextThenAnsiText) {
  Books.Table.First();
  Grid()->SetSelectedIndex(Books.Column(u"NAME")->GetIndex());
  auto Name = [&] {
    Books.Table.First();
    return Books.Table.FieldByName(u"NAME")->GetAsString();
  };
  PutBytes(CF_TEXT, std::string("ansi\0", 5));
  PutBytes(CF_CSV(), std::string("\"csv\"\0", 6));
  PasteGridFromClipboard(Grid(), false);
  EXPECT_EQ(Name(), u"ansi");

  PutBytes(CF_UNICODETEXT, Utf16(u"юникод") + std::string(2, '\0'));
  PasteGridFromClipboard(Grid(), false);
  EXPECT_EQ(Name(), u"юникод");

  std::string Binary("VCLDBIF\x01\x01\x00\x00\x00\x01\x00\x07\x04\x00\x00\x00", 19);
  Binary += Utf16(u"bi") + std::string(1, '\0');
  PutBytes(CF_VCLDBIF(), Binary);
  PasteGridFromClipboard(Grid(), false);
  EXPECT_EQ(Name(), u"bi");
}

TEST_F(GridClipboard, PasteWithNothingUsableOnTheClipboardChangesNothing) {
  const std::vector<String> Before = Books.Rows();
  PutBytes(CF_CSV(), "\"x\";\"y\"");
  PutBytes(CF_RTF(), "{\\rtf1 x}");
  PasteGridFromClipboard(Grid(), false);
  EXPECT_EQ(Books.Rows(), Before);
}

TEST_F(GridClipboard, CopyAndPasteOfSelectedRecordsIntoAnotherGridAppendsThem) {
  SelectRows({1, 3});
  CopyGridToClipboard(Grid(), false);
  BookGrid Other;
  Other.Show();
  PasteGridFromClipboard(Other.Grid, false);
  const std::vector<String> All = Books.Rows();
  EXPECT_EQ(Other.Rows(), (std::vector<String>{All[0], All[2]}));
}

TEST_F(GridClipboard, DeletingAColumnSelectionClearsItInEveryRecordWithoutAsking) {
  ASSERT_TRUE(Grid()->GetOptions().Contains(dgConfirmDelete));
  Grid()->GetSelection()->GetColumns()->Add(Books.Column(u"CITY"), false);
  DeleteGridSelection(Grid(), false);
  EXPECT_TRUE(Boxes.empty());
  for (const String& Row : Books.Rows()) EXPECT_NE(Row.find(u"|null|"), String::npos) << ToUtf8(Row);
  Books.Table.First();
  EXPECT_TRUE(Books.Table.FieldByName(u"CITY")->GetIsNull());
  EXPECT_EQ(Books.Rows().size(), 3u);
}

TEST_F(GridClipboard, DeletingOneSelectedRecordAsksDeleteRecordAndCancelKeepsIt) {
  SelectRows({2});
  Answers = {IDCANCEL};
  DeleteGridSelection(Grid(), false);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, u"Delete record?");
  EXPECT_EQ(Books.Rows().size(), 3u);
  Answers = {IDOK};
  DeleteGridSelection(Grid(), false);
  EXPECT_EQ(Boxes.back().Text, u"Delete record?");
  const std::vector<String> Rows = Books.Rows();
  ASSERT_EQ(Rows.size(), 2u);
  EXPECT_EQ(Rows[0].substr(0, 2), u"1|");
  EXPECT_EQ(Rows[1].substr(0, 2), u"3|");
  EXPECT_EQ(Grid()->GetSelection()->GetSelectionType(), gstNon);
}

TEST_F(GridClipboard, DeletingSeveralSelectedRecordsRemovesExactlyThose) {
  SelectRows({1, 3});
  Answers = {IDOK};
  DeleteGridSelection(Grid(), false);
  EXPECT_EQ(Boxes.back().Text, u"Delete all selected records?");
  const std::vector<String> Rows = Books.Rows();
  ASSERT_EQ(Rows.size(), 1u);
  EXPECT_EQ(Rows[0].substr(0, 2), u"2|");
}

TEST_F(GridClipboard, DeletingARectangleAsksThenClearsItsCells) {
  Books.Table.First();
  const TBookmark First = Books.Table.GetBookmark();
  Books.Table.Next();
  Grid()->GetSelection()->GetRect()->Select(1, First, false);
  Grid()->GetSelection()->GetRect()->Select(2, Books.Table.GetBookmark(), true);
  Answers = {IDOK};
  DeleteGridSelection(Grid(), false);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, u"Очистить выделенные ячейки?");
  const std::vector<String> Rows = Books.Rows();
  EXPECT_EQ(Rows[0], u"1|null|null|12,5|01.02.2024");
  EXPECT_EQ(Rows[1], u"2|null|null|null|31.12.1999");
  EXPECT_EQ(Rows[2].substr(0, 7), u"3|Ёлка|");
}

TEST_F(GridClipboard, CutCopiesTheWholeGridThenDeletesEveryRecord) {
  CutGridToClipboard(Grid(), true);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(Books.Rows().empty());
  EXPECT_NE(ClipboardBytes(CF_TEXT).find("Tver"), std::string::npos);
  BookGrid Other;
  Other.Show();
  PasteGridFromClipboard(Other.Grid, false);
  EXPECT_EQ(Other.Rows().size(), 3u);
}

TEST_F(GridClipboard, NothingIsDeletedWithoutASelection) {
  DeleteGridSelection(Grid(), false);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(Books.Rows().size(), 3u);
}

TEST_F(GridClipboard, APasteStoppedByNoLeavesTheTableAsItWas) {
  const std::vector<String> Before = Books.Rows();
  Books.Table.First();
  Grid()->SetSelectedIndex(Books.Column(u"ID")->GetIndex());
  Answers = {IDNO};
  PutBytes(CF_TEXT, std::string("7\tSeven\r\n1-2\tBad\0", 18));
  PasteGridFromClipboard(Grid(), false);
  EXPECT_EQ(Books.Rows(), Before);
  Books.Table.Last();
  Answers = {IDNO};
  PutBytes(CF_VCLDBIF(), VclDbifBytes(2).Int(30).Wide(u"A").Int(40).Wide(u"B").Ansi("4-0").Wide(u"C").End());
  PasteGridFromClipboard(Grid(), false);
  EXPECT_EQ(Books.Rows(), Before);
  EXPECT_EQ(Boxes.size(), 2u);
}

TEST_F(GridClipboard, CopyAndPasteKeepBlobsAndMemos) {
  ScanGrid Scans, Copy;
  Scans.AddSampleScans();
  Scans.Show();
  Copy.Show();
  CopyGridToClipboard(Scans.Grid, true);
  PasteGridFromClipboard(Copy.Grid, false);
  EXPECT_EQ(Copy.Rows(), Scans.Rows());
}

TEST_F(GridClipboard, TheClipboardsTextsCarryCellsWithTabsAndLineBreaks) {
  BookGrid Odd;
  Odd.Add(Variant(1), Variant(String(u"a\tb")), Variant(String(u"\"q\"")), Null(), Null());
  Odd.Add(Variant(2), Variant(String(u"two\r\nlines")), Variant(String(u"lf\nonly")), Null(), Null());
  Odd.Show();
  Odd.Grid->SetOptions(Odd.Grid->GetOptions() - TDBGridOptions{dgTitles});
  CopyGridToClipboard(Odd.Grid, true);
  for (UINT Format : {UINT(CF_TEXT), UINT(CF_UNICODETEXT)}) {
    const std::string Text = ClipboardBytes(Format);
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    PutBytes(Format, Text);
    BookGrid Copy;
    Copy.Show();
    PasteGridFromClipboard(Copy.Grid, false);
    EXPECT_EQ(Copy.Rows(), Odd.Rows()) << Format;
  }
}

TEST_F(GridClipboard, TheClipboardsUnicodeTextCarriesZerosAndAMarkLikeFirstCell) {
  BookGrid Odd;
  Odd.Add(Null(), Variant(String(u"\xFEFFяю")), Variant(String(u"яю")), Null(), Null());
  Odd.Add(Null(), Variant(String(u"a") + Char(0) + u"b"), Variant(String(u"п»ї\t") + Char(0)), Null(), Null());
  Odd.Add(Null(), Variant(String(u"last")), Variant(String(u"row")), Null(), Null());
  Odd.Show();
  Odd.Column(u"ID")->SetVisible(false);
  Odd.Grid->SetOptions(Odd.Grid->GetOptions() - TDBGridOptions{dgTitles});
  CopyGridToClipboard(Odd.Grid, true);
  // The text alone, as when the binary format is not there.
  const std::string Text = ClipboardBytes(CF_UNICODETEXT);
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  PutBytes(CF_UNICODETEXT, Text);
  BookGrid Copy;
  Copy.Show();
  Copy.Column(u"ID")->SetVisible(false);
  PasteGridFromClipboard(Copy.Grid, false);
  EXPECT_EQ(Copy.Rows(), Odd.Rows());
  EXPECT_EQ(Copy.Rows().size(), 3u);
  EXPECT_TRUE(Boxes.empty());
}

}  // namespace
