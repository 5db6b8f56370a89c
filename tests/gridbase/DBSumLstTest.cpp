// The footer-sum engine over a vector-backed dataset: full passes, incremental
// updates from inserts, edits, posts and deletes, Nulls, filters, rounding ties
// to even, external recalculation, handing the dataset's events back, and the
// virtual records of a dataset without record numbers.

#include <gtest/gtest.h>

#include <memory>

#include "gridbase/DBSumLst.h"
#include "tests/platform/data/TestDataSet.h"

namespace {

// A dataset whose filter keeps the records with an odd identity; one without
// record numbers of its own for the virtual records.
class TSumTestDataSet : public TTestDataSet {
public:
  using TTestDataSet::TTestDataSet;
  bool Sequenced = true;
  bool IsSequenced() const override { return Sequenced; }

protected:
  TGetResult GetRecord(TRecordBuffer B, TGetMode GetMode, bool DoCheck) override {
    TGetResult R = TTestDataSet::GetRecord(B, GetMode, DoCheck);
    while (R == grOK && GetFiltered() && !Accept(B)) {
      if (GetMode == gmCurrent) GetMode = gmNext;
      R = TTestDataSet::GetRecord(B, GetMode, DoCheck);
    }
    return R;
  }

private:
  bool Accept(TRecordBuffer B) const {
    TBookmark Bm;
    GetBookmarkData(B, Bm);
    Integer Id = 0;
    std::memcpy(&Id, Bm.data(), 4);
    return Id % 2 == 1;
  }
};

class SumEngine : public ::testing::Test {
protected:
  std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
  TSumTestDataSet* DS = new TSumTestDataSet(Owner.get());
  std::unique_ptr<TDBSumListProducer> Sums = std::make_unique<TDBSumListProducer>(Owner.get());
  Integer Changes = 0, Recalcs = 0, AfterRecalcs = 0;

  void SetUp() override {
    DS->GetFieldDefs()->Add(u"ID", ftInteger);
    DS->GetFieldDefs()->Add(u"PRICE", ftFloat);
    Sums->SumListChanged = [this](TObject*) { ++Changes; };
    Sums->OnRecalcAll = [this](TObject*) { ++Recalcs; };
    Sums->OnAfterRecalcAll = [this](TObject*) { ++AfterRecalcs; };
  }
  void TearDown() override { Sums.reset(); }

  void Rows(std::initializer_list<Variant> Prices) {
    Integer Id = 1;
    for (const Variant& P : Prices) DS->AddRow({Variant(Id++), P});
  }
  TDBSum* AddSum(TGroupOperation Op, const String& Field) {
    TDBSum* S = Sums->GetSumCollection()->Add();
    S->SetGroupOperation(Op);
    S->SetFieldName(Field);
    return S;
  }
  void Start() {
    DS->Open();
    Sums->SetDataSet(DS);
  }
  TField* Price() { return DS->FieldByName(u"PRICE"); }
  void SetPrice(const Variant& V) {
    DS->Edit();
    Price()->SetValue(V);
    DS->Post();
  }
  // Every sum's value now, then after a full pass: they must agree.
  void ExpectEqualToRecomputation(const char* Step) {
    std::vector<Int64> Now;
    for (Integer I = 0; I < Sums->GetSumCollection()->GetCount(); ++I)
      Now.push_back(Sums->GetSumCollection()->Items(I)->GetSumValueRaw());
    Sums->RecalcAll();
    for (Integer I = 0; I < Sums->GetSumCollection()->GetCount(); ++I)
      EXPECT_EQ(Now[size_t(I)], Sums->GetSumCollection()->Items(I)->GetSumValueRaw()) << Step << ", sum " << I;
  }
};

}  // namespace

TEST_F(SumEngine, AFullPassSumsAveragesAndCountsTheFields) {
  Rows({Variant(10.0), Variant::Null(), Variant(2.5), Variant(7.25)});
  TDBSum* Sum = AddSum(goSum, u"PRICE");
  TDBSum* Avg = AddSum(goAvg, u"PRICE");
  TDBSum* CountValues = AddSum(goCount, u"PRICE");
  TDBSum* CountRows = AddSum(goCount, u"");
  Start();
  EXPECT_EQ(Sum->GetSumValueRaw(), 197500);
  EXPECT_EQ(Avg->GetSumValueRaw(), 65833);  // 19.75 / 3, rounded
  EXPECT_EQ(CountValues->GetSumValueRaw(), 30000);
  EXPECT_EQ(CountRows->GetSumValueRaw(), 40000);
  EXPECT_EQ(Sum->GetSumValue(), Currency::FromRaw(197500));
  EXPECT_GE(AfterRecalcs, 1);
  // The position is kept.
  EXPECT_EQ(DS->FieldByName(u"ID")->GetAsInteger(), 1);
  DS->Next();
  DS->Next();
  Sums->RecalcAll();
  EXPECT_EQ(DS->FieldByName(u"ID")->GetAsInteger(), 3);
}

TEST_F(SumEngine, ASumOrAverageOverATextFieldAddsNothingAndTheTableStaysEditable) {
  DS->GetFieldDefs()->Add(u"NOTE", ftWideString, 20);
  DS->AddRow({Variant(1), Variant(10.0), Variant(String(u"abc"))});
  DS->AddRow({Variant(2), Variant(20.0), Variant::Null()});
  DS->AddRow({Variant(3), Variant::Null(), Variant(String(u"12"))});
  TDBSum* Sum = AddSum(goSum, u"NOTE");
  TDBSum* Avg = AddSum(goAvg, u"NOTE");
  TDBSum* Count = AddSum(goCount, u"NOTE");
  TDBSum* Prices = AddSum(goSum, u"PRICE");
  ASSERT_NO_THROW(Start());
  EXPECT_EQ(Sum->GetSumValueRaw(), 0);
  EXPECT_EQ(Avg->GetSumValueRaw(), 0);
  EXPECT_EQ(Count->GetSumValueRaw(), 20000);  // a count still counts the texts
  EXPECT_EQ(Prices->GetSumValueRaw(), 300000);
  TField* Note = DS->FieldByName(u"NOTE");
  ASSERT_NO_THROW({
    DS->First();
    DS->Edit();
    Note->SetValue(Variant(String(u"xyz")));
    Price()->SetValue(Variant(11.0));
    DS->Post();
    DS->Next();
    DS->Edit();
    Note->SetValue(Variant(String(u"7")));
    DS->Post();
    DS->Append();
    DS->FieldByName(u"ID")->SetValue(Variant(4));
    Note->SetValue(Variant(String(u"new")));
    DS->Post();
    DS->First();
    DS->Delete();
    AddSum(goAvg, u"NOTE");  // set while the table is open
    DS->Close();
    DS->Open();
  });
  EXPECT_EQ(Sum->GetSumValueRaw(), 0);
  EXPECT_EQ(Avg->GetSumValueRaw(), 0);
  EXPECT_EQ(Count->GetSumValueRaw(), 30000);
  EXPECT_EQ(Prices->GetSumValueRaw(), 200000);
  ExpectEqualToRecomputation("after the edits");
}

TEST_F(SumEngine, EachValueIsScaledAndRoundedAtEveryStep) {
  Rows({Variant(1.23456), Variant(1.23456), Variant(1.23456)});
  TDBSum* Sum = AddSum(goSum, u"PRICE");
  Start();
  // 12345.6 three times, rounded after each addition: 12346, 24692, 37038.
  EXPECT_EQ(Sum->GetSumValueRaw(), 37038);
}

TEST_F(SumEngine, AveragesRoundTiesToEven) {
  Rows({Variant(0.0001), Variant(0.0004)});
  TDBSum* Avg = AddSum(goAvg, u"PRICE");
  Start();
  EXPECT_EQ(Avg->GetSumValueRaw(), 2);  // 2.5 goes to 2
  DS->Last();
  SetPrice(Variant(0.0002));
  EXPECT_EQ(Avg->GetSumValueRaw(), 2);  // 1.5 goes to 2
  DS->First();
  SetPrice(Variant(0.0005));
  EXPECT_EQ(Avg->GetSumValueRaw(), 4);  // 3.5 goes to 4
  DS->First();
  SetPrice(Variant(0.0003));
  EXPECT_EQ(Avg->GetSumValueRaw(), 2);  // 2.5 goes to 2
}

TEST_F(SumEngine, AnAverageOfOnlyNullsIsZero) {
  Rows({Variant::Null(), Variant::Null()});
  TDBSum* Avg = AddSum(goAvg, u"PRICE");
  Start();
  EXPECT_EQ(Avg->GetSumValueRaw(), 0);
}

TEST_F(SumEngine, EditingAValueChangesTheSumByTheDifferenceAndTheAverageCountOnlyFromNull) {
  Rows({Variant(10.0), Variant(20.0), Variant::Null()});
  TDBSum* Sum = AddSum(goSum, u"PRICE");
  TDBSum* Avg = AddSum(goAvg, u"PRICE");
  TDBSum* Count = AddSum(goCount, u"PRICE");
  Start();
  EXPECT_EQ(Avg->GetSumValueRaw(), 150000);
  SetPrice(Variant(15.0));
  EXPECT_EQ(Sum->GetSumValueRaw(), 350000);
  EXPECT_EQ(Avg->GetSumValueRaw(), 175000);  // still two values
  DS->Last();
  SetPrice(Variant(15.0));  // from Null
  EXPECT_EQ(Sum->GetSumValueRaw(), 500000);
  EXPECT_EQ(Avg->GetSumValueRaw(), 166667);
  EXPECT_EQ(Count->GetSumValueRaw(), 30000);
  SetPrice(Variant::Null());  // back to Null
  EXPECT_EQ(Avg->GetSumValueRaw(), 175000);
  EXPECT_EQ(Count->GetSumValueRaw(), 20000);
  ExpectEqualToRecomputation("after the edits");
}

TEST_F(SumEngine, InsertsEditsDeletesAndNullsKeepEverySumEqualToARecomputation) {
  Rows({Variant(3.3333), Variant(1.5), Variant::Null(), Variant(-2.25), Variant(100.125)});
  AddSum(goSum, u"PRICE");
  AddSum(goAvg, u"PRICE");
  AddSum(goCount, u"PRICE");
  AddSum(goCount, u"");
  Start();
  ExpectEqualToRecomputation("start");
  DS->Append();
  DS->FieldByName(u"ID")->SetValue(Variant(6));
  Price()->SetValue(Variant(0.33335));
  DS->Post();
  ExpectEqualToRecomputation("append");
  DS->First();
  DS->Next();
  DS->Insert();
  DS->FieldByName(u"ID")->SetValue(Variant(7));
  DS->Post();  // a record whose price is Null
  ExpectEqualToRecomputation("insert with Null");
  DS->First();
  DS->Delete();
  ExpectEqualToRecomputation("delete");
  DS->Next();
  SetPrice(Variant(-7.77777));
  ExpectEqualToRecomputation("edit");
  DS->Last();
  DS->Delete();
  ExpectEqualToRecomputation("delete the last");
  DS->First();
  DS->Edit();
  Price()->SetValue(Variant(9.0));
  DS->Cancel();
  ExpectEqualToRecomputation("cancelled edit");
  while (!DS->IsEmpty()) DS->Delete();
  ExpectEqualToRecomputation("all deleted");
  for (Integer I = 0; I < Sums->GetSumCollection()->GetCount(); ++I)
    EXPECT_EQ(Sums->GetSumCollection()->Items(I)->GetSumValueRaw(), 0);
}

TEST_F(SumEngine, APostedNewRecordWithADefaultValueCountsOnce) {
  Rows({Variant(1.0)});
  TDBSum* Count = AddSum(goCount, u"PRICE");
  DS->OnNewRecord = [this](TDataSet*) { Price()->SetValue(Variant(5.0)); };
  Start();
  DS->Append();
  DS->Post();
  EXPECT_EQ(Count->GetSumValueRaw(), 20000);
}

TEST_F(SumEngine, ChangingTheFilterMakesAFullPassAtTheNextScroll) {
  Rows({Variant(1.0), Variant(2.0), Variant(3.0), Variant(4.0), Variant(5.0)});
  TDBSum* Sum = AddSum(goSum, u"PRICE");
  Start();
  EXPECT_EQ(Sum->GetSumValueRaw(), 150000);
  const Integer Before = Recalcs;
  DS->SetFilter(u"odd");
  DS->SetFiltered(true);
  DS->First();
  EXPECT_GT(Recalcs, Before);
  EXPECT_EQ(Sum->GetSumValueRaw(), 90000);  // 1 + 3 + 5
  SetPrice(Variant(11.0));
  EXPECT_EQ(Sum->GetSumValueRaw(), 190000);
  ExpectEqualToRecomputation("filtered edit");
  // A scroll with the same filter makes no pass.
  const Integer Same = Recalcs;
  DS->Next();
  EXPECT_EQ(Recalcs, Same);
  DS->SetFilter(u"odd again");
  DS->Next();
  EXPECT_EQ(Recalcs, Same + 1);
  DS->SetFiltered(false);
  DS->First();
  EXPECT_EQ(Sum->GetSumValueRaw(), 250000);  // 11 + 2 + 3 + 4 + 5
}

TEST_F(SumEngine, WithExternalRecalcTheHandlerSuppliesTheValues) {
  Rows({Variant(1.0), Variant(2.0)});
  TDBSum* Sum = AddSum(goSum, u"PRICE");
  Start();
  Sums->OnRecalcAll = [&](TObject*) { Sum->SetSumValueRaw(777); };
  AfterRecalcs = 0;
  const Integer ChangesBefore = Changes;
  Sums->SetExternalRecalc(true);
  EXPECT_EQ(Sum->GetSumValueRaw(), 777);
  EXPECT_EQ(AfterRecalcs, 0);
  EXPECT_GT(Changes, ChangesBefore);
  Sums->OnRecalcAll = nullptr;
  Sums->RecalcAll();
  EXPECT_EQ(Sum->GetSumValueRaw(), 0);
}

TEST_F(SumEngine, TheDatasetGetsItsOwnHandlersBackAndTheyRunWhileHooked) {
  Rows({Variant(1.0), Variant(2.0)});
  Integer Posts = 0, Edits = 0, Scrolls = 0;
  DS->AfterPost = [&](TDataSet*) { ++Posts; };
  DS->AfterEdit = [&](TDataSet*) { ++Edits; };
  DS->AfterScroll = [&](TDataSet*) { ++Scrolls; };
  TDBSum* Sum = AddSum(goSum, u"PRICE");
  Start();
  EXPECT_TRUE(Sums->GetHooked());
  SetPrice(Variant(4.0));
  EXPECT_EQ(Posts, 1);
  EXPECT_EQ(Edits, 1);
  EXPECT_EQ(Sum->GetSumValueRaw(), 60000);
  Sums->SetActive(false);
  EXPECT_FALSE(Sums->GetHooked());
  EXPECT_EQ(Sum->GetSumValueRaw(), 0);
  SetPrice(Variant(8.0));
  EXPECT_EQ(Posts, 2);
  EXPECT_EQ(Sum->GetSumValueRaw(), 0);  // not following any more
  Sums->SetActive(true);
  EXPECT_EQ(Sum->GetSumValueRaw(), 100000);
  Sums.reset();
  DS->Next();
  EXPECT_GT(Scrolls, 0);
  SetPrice(Variant(1.0));
  EXPECT_EQ(Posts, 3);
}

TEST_F(SumEngine, ClosingClearsTheSumsAndOpeningRecalculates) {
  Rows({Variant(1.0), Variant(2.0)});
  TDBSum* Sum = AddSum(goSum, u"PRICE");
  Start();
  DS->Close();
  EXPECT_EQ(Sum->GetSumValueRaw(), 0);
  DS->Open();
  EXPECT_EQ(Sum->GetSumValueRaw(), 30000);
}

TEST_F(SumEngine, AMissingFieldRaisesAfterTheSumsWereClearedAndStillTellsTheChange) {
  Rows({Variant(1.0)});
  TDBSum* Sum = AddSum(goSum, u"PRICE");
  Start();
  ASSERT_EQ(Sum->GetSumValueRaw(), 10000);
  const Integer ChangesBefore = Changes;
  EXPECT_THROW(AddSum(goSum, u"NOSUCH"), EDatabaseError);
  EXPECT_EQ(Sum->GetSumValueRaw(), 0);
  EXPECT_GT(Changes, ChangesBefore);
  EXPECT_FALSE(Sums->GetRecalculating());
}

TEST_F(SumEngine, SumsAreFoundByOperationAndFieldNameWithoutRegardToCase) {
  TDBSum* A = AddSum(goAvg, u"Цена");
  TDBSum* B = AddSum(goSum, u"цена");
  EXPECT_EQ(Sums->GetSumCollection()->GetSumByOpAndFName(goSum, u"ЦЕНА"), B);
  EXPECT_EQ(Sums->GetSumCollection()->GetSumByOpAndFName(goAvg, u"цЕна"), A);
  EXPECT_EQ(Sums->GetSumCollection()->GetSumByOpAndFName(goCount, u"цена"), nullptr);
}

TEST_F(SumEngine, ASequencedDatasetKeepsNoVirtualRecords) {
  Rows({Variant(1.0), Variant(2.0), Variant(3.0)});
  AddSum(goCount, u"");
  Sums->SetVirtualRecords(true);
  Start();
  EXPECT_EQ(Sums->GetVirtualRecordList()->Count(), 0);
  EXPECT_TRUE(Sums->IsSequenced());
  EXPECT_EQ(Sums->GetRecordCount(), 3);
  DS->Next();
  EXPECT_EQ(Sums->GetRecNo(), 2);
}

TEST_F(SumEngine, VirtualRecordsNumberTheRecordsOfADatasetWithoutRecordNumbers) {
  DS->Sequenced = false;
  Rows({Variant(1.0), Variant(2.0), Variant(3.0), Variant(4.0)});
  Sums->SetVirtualRecords(true);
  Start();
  EXPECT_TRUE(Sums->IsSequenced());
  EXPECT_EQ(Sums->GetRecordCount(), 4);
  DS->First();
  DS->Next();
  DS->Next();
  EXPECT_EQ(Sums->GetRecNo(), 3);
  // A record inserted and posted between the second and the third takes number 3.
  DS->Insert();
  DS->FieldByName(u"ID")->SetValue(Variant(50));
  DS->Post();
  EXPECT_EQ(Sums->GetRecordCount(), 5);
  EXPECT_EQ(Sums->GetRecNo(), 3);
  DS->Next();
  EXPECT_EQ(Sums->GetRecNo(), 4);
  Sums->SetRecNo(1);
  EXPECT_EQ(DS->FieldByName(u"ID")->GetAsInteger(), 1);
  DS->Delete();
  EXPECT_EQ(Sums->GetRecordCount(), 4);
  DS->Last();
  EXPECT_EQ(Sums->GetRecNo(), 4);
  Sums->SetActive(false);
  EXPECT_EQ(Sums->GetVirtualRecordList()->Count(), 0);
}
