// Footers over the grid's sum list: sums, averages and counts follow the table
// through edits, inserts, deletes and filters, and always equal a recount of
// the records the table shows.

#include <cmath>

#include "grid/DBGridEhImpExp.h"
#include "tests/grid/DBGridTestSupport.h"

namespace {

class FooterSums : public GridFixture {
protected:
  TColumnEh* Npp = nullptr;
  TColumnEh* Id = nullptr;
  TColumnEh* Name = nullptr;

  // Columns NPP (a sum, then an average), ID_THIS (a sum) and NAME_THIS (a count).
  void ShowWithFooters() {
    MakeGrid(420, 300);
    for (const char16_t* FieldName : {u"NPP", u"ID_THIS", u"NAME_THIS"})
      Grid->GetColumns()->Add()->SetFieldName(FieldName);
    Npp = Grid->GetColumns()->Items(0);
    Id = Grid->GetColumns()->Items(1);
    Name = Grid->GetColumns()->Items(2);
    Grid->SetFooterRowCount(2);
    Npp->GetFooters()->Add()->SetValueType(fvtSum);
    Npp->GetFooters()->Add()->SetValueType(fvtAvg);
    Id->GetFooter()->SetValueType(fvtSum);
    Name->GetFooter()->SetValueType(fvtCount);
    Grid->GetSumList()->SetActive(true);
    ShowResources();
  }

  String Footer(Integer Row, TColumnEh* Column) {
    String Text;
    Grid->GetFooterValue(Row, Column, Text);
    return Text;
  }

  // Sums, average and count recomputed by walking the records the table shows now.
  void ExpectFootersEqualARecount() {
    Int64 SumNpp = 0, SumId = 0, Count = 0;
    TBookmark Here = Table.GetBookmark();
    Table.DisableControls();
    Table.First();
    while (!Table.Eof()) {
      SumNpp += Table.FieldByName(u"NPP")->GetAsInteger();
      SumId += Table.FieldByName(u"ID_THIS")->GetAsInteger();
      ++Count;
      Table.Next();
    }
    if (!Here.empty() && Table.BookmarkValid(Here)) Table.GotoBookmark(Here);
    Table.EnableControls();
    EXPECT_EQ(Footer(0, Npp), IntToStr(SumNpp));
    EXPECT_EQ(Footer(0, Id), IntToStr(SumId));
    EXPECT_EQ(Footer(0, Name), IntToStr(Count));
    // The average of an integer field shows as an integer, a half rounded to the even neighbour.
    const Int64 Avg = Count == 0 ? 0 : Int64(std::nearbyint(double(SumNpp) / double(Count)));
    EXPECT_EQ(Footer(1, Npp), IntToStr(Avg));
  }
};

}  // namespace

TEST_F(FooterSums, SumsAverageAndCountOfAFreshlyShownTableEqualARecount) {
  ShowWithFooters();
  EXPECT_EQ(Footer(0, Id), u"96");  // 10 + 11 + 12 + 20 + 21 + 22
  EXPECT_EQ(Footer(0, Name), u"6");
  ExpectFootersEqualARecount();
}

TEST_F(FooterSums, FootersFollowAnEditedValueOnceItIsPostedAndNotAfterACancel) {
  ShowWithFooters();
  Table.First();
  Table.Edit();
  Table.FieldByName(u"NPP")->SetAsInteger(40);
  Table.Post();
  ExpectFootersEqualARecount();
  EXPECT_EQ(Footer(0, Npp), u"47");
  Table.Edit();
  Table.FieldByName(u"NPP")->SetAsInteger(1000);
  Table.Cancel();
  ExpectFootersEqualARecount();
  EXPECT_EQ(Footer(0, Npp), u"47");
}

TEST_F(FooterSums, FootersFollowInsertedAppendedAndDeletedRecords) {
  ShowWithFooters();
  Table.First();
  Table.Next();
  Table.Insert();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(30);
  Table.FieldByName(u"NPP")->SetAsInteger(5);
  Table.FieldByName(u"NAME_THIS")->SetAsString(u"Новый");
  Table.Post();
  ExpectFootersEqualARecount();
  EXPECT_EQ(Footer(0, Name), u"7");
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(31);
  Table.FieldByName(u"NPP")->SetAsInteger(7);
  Table.Post();
  ExpectFootersEqualARecount();
  Table.First();
  Table.Delete();
  Table.Last();
  Table.Delete();
  ExpectFootersEqualARecount();
  EXPECT_EQ(Footer(0, Name), u"6");
  // A record whose value is Null adds nothing to the sum but counts.
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(32);
  Table.Post();
  ExpectFootersEqualARecount();
}

TEST_F(FooterSums, AFilteredTableSumsOnlyTheRecordsItShowsAndAllAgainOnceTheFilterIsOff) {
  ShowWithFooters();
  Table.SetFilter(u"ID_TYPE = 1");
  Table.SetFiltered(true);
  ExpectFootersEqualARecount();
  EXPECT_EQ(Footer(0, Name), u"3");
  EXPECT_EQ(Footer(0, Id), u"45");  // 11 + 12 + 22
  // An edit under the filter that moves the record out of it.
  Table.First();
  Table.Edit();
  Table.FieldByName(u"ID_TYPE")->SetAsInteger(0);
  Table.Post();
  ExpectFootersEqualARecount();
  // A record appended under the filter that does not pass it.
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(40);
  Table.FieldByName(u"ID_TYPE")->SetAsInteger(0);
  Table.Post();
  ExpectFootersEqualARecount();
  Table.SetFiltered(false);
  ExpectFootersEqualARecount();
  EXPECT_EQ(Footer(0, Name), u"7");
}

TEST_F(FooterSums, AFooterThatStopsBeingAnAggregateLeavesTheSumListAndAnotherKindJoinsIt) {
  ShowWithFooters();
  TDBSumCollection* Sums = Grid->GetSumList()->GetSumCollection();
  const Integer Before = Sums->GetCount();
  Id->GetFooter()->SetValueType(fvtStaticText);
  Id->GetFooter()->SetValue(u"Итого");
  EXPECT_EQ(Sums->GetCount(), Before - 1);
  EXPECT_EQ(Footer(0, Id), u"Итого");
  Id->GetFooter()->SetValueType(fvtAvg);
  EXPECT_EQ(Sums->GetCount(), Before);
  Grid->GetSumList()->RecalcAll();
  EXPECT_EQ(Footer(0, Id), u"16");  // 96 / 6
}

TEST_F(FooterSums, AnInactiveSumListLeavesSumsAtZeroUntilItIsSwitchedOn) {
  ShowWithFooters();
  Grid->GetSumList()->SetActive(false);
  Table.First();
  Table.Edit();
  Table.FieldByName(u"NPP")->SetAsInteger(40);
  Table.Post();
  Grid->GetSumList()->SetActive(true);
  ExpectFootersEqualARecount();
}

TEST_F(FooterSums, ASumOrAverageOverATextFieldShowsZeroAndLeavesTheTableEditable) {
  ShowWithFooters();
  ASSERT_NO_THROW({
    Name->GetFooters()->Add()->SetValueType(fvtSum);
    Name->GetFooters()->Add()->SetValueType(fvtAvg);
  });
  EXPECT_EQ(Footer(0, Name), u"0");
  EXPECT_EQ(Footer(1, Name), u"0");
  ASSERT_NO_THROW({
    Table.First();
    Table.Edit();
    Table.FieldByName(u"NAME_THIS")->SetAsString(u"Другое имя");
    Table.FieldByName(u"NPP")->SetAsInteger(40);
    Table.Post();
    Table.Close();
    Table.Open();
  });
  EXPECT_EQ(Footer(0, Name), u"0");
  EXPECT_EQ(Footer(1, Name), u"0");
  // An export sums the exported records itself: the text adds nothing there either.
  TMemoryStream Exported;
  EXPECT_NO_THROW(RunGridExport(TDBGridEhExportAsText::StaticClass(), Grid, &Exported, true));
  Name->GetFooters()->Clear();
  ExpectFootersEqualARecount();
}
