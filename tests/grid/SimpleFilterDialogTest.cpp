// The simple filter dialog over a grid's columns: the operators it offers, how
// it reads a column's condition, the filter-row text it writes, its window, and
// opening it modally.

#include <gtest/gtest.h>

#include "editors/DBCtrlsEh.h"
#include "grid/DBGridEhSimpleFilterDlg.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/GDI.h"
#include "platform/ui/StdCtrls.h"
#include "tests/grid/DBGridTestSupport.h"

namespace {

class SimpleFilterDialog : public GridFixture {
protected:
  TDBGridEhSimpleFilterDialog* Dialog = nullptr;

  void SetUp() override {
    GridFixture::SetUp();
    ShowResources();
  }
  void TearDown() override {
    delete DBGridEhSimpleFilterDialog;
    GridFixture::TearDown();
  }
  TColumnEh* Column(const String& FieldName) { return Grid->ColumnByFieldName(FieldName); }
  // The dialog loaded for the column, not shown.
  TDBGridEhSimpleFilterDialog* Load(const String& FieldName) {
    if (!DBGridEhSimpleFilterDialog) DBGridEhSimpleFilterDialog = new TDBGridEhSimpleFilterDialog(Application);
    Dialog = DBGridEhSimpleFilterDialog;
    Dialog->Init(Column(FieldName));
    return Dialog;
  }
  static std::vector<String> Items(TComboBox* Box) {
    std::vector<String> Out;
    for (Integer I = 0; I < Box->GetItems()->GetCount(); ++I) Out.push_back(Box->GetItems()->Get(I));
    return Out;
  }
  static void Pick(TComboBox* Box, const String& Text) {
    const Integer Index = Box->GetItems()->IndexOf(Text);
    ASSERT_GE(Index, 0) << ToUtf8(Text);
    Box->SetItemIndex(Index);
  }
  // Condition 1 as the user sets it, and the text the dialog writes.
  String Write(const String& FieldName, const String& Operator, const String& Value) {
    Load(FieldName);
    Pick(Dialog->ComboBox1, Operator);
    Dialog->DBComboBoxEh1->SetText(Value);
    return Dialog->GetFilterText();
  }
  // Reads the filter-row text into the column, then the dialog from the column.
  void Read(const String& FieldName, const String& FilterText) {
    Column(FieldName)->GetSTFilter()->SetExpressionStrAndRefresh(FilterText);
    Load(FieldName);
  }
  String Operator1() const { return Dialog->ComboBox1->GetText(); }
};

TEST_F(SimpleFilterDialog, ATextColumnOffersEveryOperatorInItsOwnWords) {
  Load(u"NAME_THIS");
  EXPECT_EQ(Items(Dialog->ComboBox1),
            (std::vector<String>{u"", u"равно", u"не равно", u"больше", u"больше или равно", u"меньше",
                                 u"меньше или равно", u"начинается с", u"не начинается с", u"заканчивается на",
                                 u"не заканчивается на", u"содержит", u"не содержит", u"подобно", u"не подобно",
                                 u"в списке", u"не в списке", u"пустые", u"не пустые"}));
  EXPECT_EQ(Items(Dialog->ComboBox2), Items(Dialog->ComboBox1));
  EXPECT_EQ(Dialog->ComboBox1->GetDropDownCount(), 19);
}

TEST_F(SimpleFilterDialog, ANumberColumnLeavesOutTheTextMatchingOperators) {
  Load(u"ID_THIS");
  EXPECT_EQ(Items(Dialog->ComboBox1),
            (std::vector<String>{u"", u"равно", u"не равно", u"больше", u"больше или равно", u"меньше",
                                 u"меньше или равно", u"в списке", u"не в списке", u"пустые", u"не пустые"}));
}

TEST_F(SimpleFilterDialog, EachOperatorWritesItsFilterRowText) {
  EXPECT_EQ(Write(u"NAME_THIS", u"содержит", u"abc"), u"~%abc%");
  EXPECT_EQ(Write(u"NAME_THIS", u"не содержит", u"abc"), u"!~%abc%");
  EXPECT_EQ(Write(u"NAME_THIS", u"начинается с", u"abc"), u"~abc%");
  EXPECT_EQ(Write(u"NAME_THIS", u"не начинается с", u"abc"), u"!~abc%");
  EXPECT_EQ(Write(u"NAME_THIS", u"заканчивается на", u"abc"), u"~%abc");
  EXPECT_EQ(Write(u"NAME_THIS", u"не заканчивается на", u"abc"), u"!~%abc");
  EXPECT_EQ(Write(u"NAME_THIS", u"подобно", u"a_c"), u"~a_c");
  EXPECT_EQ(Write(u"NAME_THIS", u"не подобно", u"a_c"), u"!~a_c");
  EXPECT_EQ(Write(u"ID_THIS", u"в списке", u"1,2"), u"in(1,2)");
  EXPECT_EQ(Write(u"ID_THIS", u"не в списке", u"1,2"), u"!in(1,2)");
  EXPECT_EQ(Write(u"ID_THIS", u"больше или равно", u"5"), u">=5");
  EXPECT_EQ(Write(u"ID_THIS", u"меньше", u"5"), u"<5");
  EXPECT_EQ(Write(u"ID_THIS", u"не равно", u"5"), u"<>5");
  // The Null operators take no value; the empty operator and an empty value write nothing after it.
  EXPECT_EQ(Write(u"NAME_THIS", u"пустые", u"abc"), u"=Null");
  EXPECT_EQ(Write(u"NAME_THIS", u"не пустые", u""), u"<>Null");
  EXPECT_EQ(Write(u"NAME_THIS", u"", u"abc"), u"");
  EXPECT_EQ(Write(u"NAME_THIS", u"равно", u""), u"=");
}

TEST_F(SimpleFilterDialog, ValuesTheParserWouldMisreadGoInQuotesWithTheirWildcardsInside) {
  EXPECT_EQ(Write(u"NAME_THIS", u"равно", u" abc"), u"=' abc'");
  EXPECT_EQ(Write(u"NAME_THIS", u"содержит", u" abc"), u"~'% abc%'");
  EXPECT_EQ(Write(u"NAME_THIS", u"равно", u"f(x)"), u"='f(x)'");
  EXPECT_EQ(Write(u"NAME_THIS", u"равно", u"'Фонд"), u"='''Фонд'");
  // Each reads back as the value typed.
  for (const String& Value : {String(u" abc"), String(u"f(x)"), String(u"'Фонд")}) {
    Column(u"NAME_THIS")->GetSTFilter()->SetExpressionStrAndRefresh(Write(u"NAME_THIS", u"равно", Value));
    EXPECT_EQ(VarToStr(Column(u"NAME_THIS")->GetSTFilter()->GetExpression().Operand1), Value);
  }
}

TEST_F(SimpleFilterDialog, TwoConditionsJoinByTheChosenRelationAndAnEmptySecondWritesTheFirstAlone) {
  Load(u"ID_THIS");
  Pick(Dialog->ComboBox1, u"больше");
  Dialog->DBComboBoxEh1->SetText(u"10");
  Pick(Dialog->ComboBox2, u"меньше");
  Dialog->DBComboBoxEh2->SetText(u"20");
  EXPECT_EQ(Dialog->GetFilterText(), u">10 AND <20");
  Dialog->rbOr->SetChecked(true);
  EXPECT_FALSE(Dialog->rbAnd->GetChecked());
  EXPECT_EQ(Dialog->GetFilterText(), u">10 OR <20");
  Pick(Dialog->ComboBox2, u"");
  EXPECT_EQ(Dialog->GetFilterText(), u">10");
  Dialog->rbAnd->SetChecked(true);
  EXPECT_EQ(Dialog->GetFilterText(), u">10");
  // No item chosen counts as the empty operator.
  Dialog->ComboBox1->SetItemIndex(-1);
  EXPECT_EQ(Dialog->GetFilterText(), u"");
  EXPECT_EQ(Dialog->ComboBox1->GetItemIndex(), 0);
}

TEST_F(SimpleFilterDialog, TheColumnsConditionIsReadBackIntoWordsAndValues) {
  Read(u"NAME_THIS", u"~%abc%");
  EXPECT_EQ(Operator1(), u"содержит");
  EXPECT_EQ(Dialog->DBComboBoxEh1->GetText(), u"abc");
  Read(u"NAME_THIS", u"!~abc%");
  EXPECT_EQ(Operator1(), u"не начинается с");
  EXPECT_EQ(Dialog->DBComboBoxEh1->GetText(), u"abc");
  Read(u"NAME_THIS", u"~%abc");
  EXPECT_EQ(Operator1(), u"заканчивается на");
  EXPECT_EQ(Dialog->DBComboBoxEh1->GetText(), u"abc");
  Read(u"NAME_THIS", u"~a%%");
  EXPECT_EQ(Operator1(), u"подобно");
  EXPECT_EQ(Dialog->DBComboBoxEh1->GetText(), u"a%%");

  Read(u"ID_THIS", u">=5 OR in(7,8)");
  EXPECT_EQ(Operator1(), u"больше или равно");
  EXPECT_EQ(Dialog->DBComboBoxEh1->GetText(), u"5");
  EXPECT_EQ(Dialog->ComboBox2->GetText(), u"в списке");
  EXPECT_EQ(Dialog->DBComboBoxEh2->GetText(), u"7,8");
  EXPECT_TRUE(Dialog->rbOr->GetChecked());

  // A list's value holding a comma keeps its quotes in either condition, so the
  // list reads back with as many values.
  Read(u"NAME_THIS", u"=x OR in ('a,b',c)");
  EXPECT_EQ(Dialog->DBComboBoxEh2->GetText(), u"'a,b',c");
  Read(u"NAME_THIS", Dialog->GetFilterText());
  EXPECT_EQ(VarArrayHighBound(Column(u"NAME_THIS")->GetSTFilter()->GetExpression().Operand2, 1), 1);

  Read(u"ID_THIS", u"<5 AND <>Null");
  EXPECT_EQ(Operator1(), u"меньше");
  EXPECT_EQ(Dialog->ComboBox2->GetText(), u"не пустые");
  EXPECT_EQ(Dialog->DBComboBoxEh2->GetText(), u"");
  EXPECT_TRUE(Dialog->rbAnd->GetChecked());

  // What it reads, it writes back.
  EXPECT_EQ(Dialog->GetFilterText(), u"<5 AND <>Null");
}

TEST_F(SimpleFilterDialog, TheValueEditorsSitOnTheirPlaceHoldersAndOfferTheColumnsValues) {
  Load(u"NAME_THIS");
  EXPECT_EQ(Dialog->DBComboBoxEh1->GetBoundsRect(), Dialog->Edit1->GetBoundsRect());
  EXPECT_EQ(Dialog->DBComboBoxEh2->GetBoundsRect(), Dialog->Edit2->GetBoundsRect());
  EXPECT_TRUE(Dialog->DBComboBoxEh1->GetVisible());
  EXPECT_FALSE(Dialog->Edit1->GetVisible());
  TStrings* Values = Dialog->DBComboBoxEh1->GetItems();
  EXPECT_GE(Values->IndexOf(u"Фонд"), 0);
  EXPECT_GE(Values->IndexOf(u"Библиотеки"), 0);
  EXPECT_EQ(Values->GetCount(), Dialog->DBComboBoxEh2->GetItems()->GetCount());
}

TEST_F(SimpleFilterDialog, TheWindowShowsItsTextsWhollyInsideItsClientArea) {
  Load(u"NAME_THIS");
  EXPECT_EQ(Dialog->GetCaption(), u"Пользовательский фильтр");
  EXPECT_EQ(Dialog->Label1->GetCaption(), u"Показывать только те записи, значения которых:");
  EXPECT_EQ(Dialog->Label2->GetCaption(), u"Знак '_' обозначает один любой знак");
  EXPECT_EQ(Dialog->Label3->GetCaption(), u"Знак '%' обозначает последовательность любых знаков");
  EXPECT_EQ(Dialog->rbAnd->GetCaption(), u"&И");
  EXPECT_EQ(Dialog->rbOr->GetCaption(), u"И&ли");
  EXPECT_EQ(Dialog->bOk->GetCaption(), u"OK");
  EXPECT_EQ(Dialog->bCancel->GetCaption(), u"Отмена");
  EXPECT_EQ(Dialog->bOk->GetModalResult(), mrOk);
  EXPECT_EQ(Dialog->bCancel->GetModalResult(), mrCancel);
  EXPECT_TRUE(Dialog->bOk->GetDefault());
  EXPECT_TRUE(Dialog->bCancel->GetCancel());

  const TRect Client = Dialog->GetClientRect();
  std::vector<TControl*> Shown;
  for (Integer I = 0; I < Dialog->GetControlCount(); ++I) {
    TControl* Control = Dialog->GetControl(I);
    if (!Control->GetVisible()) continue;
    Shown.push_back(Control);
    const TRect R = Control->GetBoundsRect();
    EXPECT_TRUE(R.Left >= 0 && R.Top >= 0 && R.Right <= Client.Right && R.Bottom <= Client.Bottom)
        << ToUtf8(Control->GetName());
  }
  // Nothing shown covers anything else.
  for (size_t I = 0; I < Shown.size(); ++I)
    for (size_t J = I + 1; J < Shown.size(); ++J) {
      const TRect A = Shown[I]->GetBoundsRect(), B = Shown[J]->GetBoundsRect();
      const bool Overlap = A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
      EXPECT_FALSE(Overlap) << ToUtf8(Shown[I]->GetName()) << " and " << ToUtf8(Shown[J]->GetName());
    }
  // Every text fits its control in the dialog's font.
  TMeasureDC Measure(Dialog->GetFont());
  for (TLabel* Label : {Dialog->Label1, Dialog->Label2, Dialog->Label3}) {
    TRect Need(0, 0, 0, 0);
    DrawText(Measure, Label->GetCaption(), -1, Need, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_LE(Need.Width(), Label->GetWidth()) << ToUtf8(Label->GetName());
  }
  for (TComboBox* Box : {Dialog->ComboBox1, Dialog->ComboBox2})
    for (const String& Item : Items(Box)) {
      TRect Need(0, 0, 0, 0);
      DrawText(Measure, Item, -1, Need, DT_CALCRECT | DT_SINGLELINE);
      EXPECT_LE(Need.Width(), Box->GetWidth() - GetSystemMetrics(SM_CXVSCROLL) - 4) << ToUtf8(Item);
    }
}

TEST_F(SimpleFilterDialog, OKWritesTheConditionsIntoTheColumnsFilterAndCancelLeavesIt) {
  TColumnEh* Name = Column(u"NAME_THIS");
  Display.WhenIdle([&] {
    Pick(DBGridEhSimpleFilterDialog->ComboBox1, u"начинается с");
    DBGridEhSimpleFilterDialog->DBComboBoxEh1->SetText(u"Ар");
    Display.Click(DBGridEhSimpleFilterDialog->bOk->GetHandle(), 5, 5);
  });
  EXPECT_TRUE(ExecuteSimpleFilterDialog(Name));
  EXPECT_EQ(Name->GetSTFilter()->GetExpressionStr(), u"~Ар%");
  const TSTFilterExpressionEh Expression = Name->GetSTFilter()->GetExpression();
  EXPECT_EQ(Expression.Operator1, foLikeEh);
  EXPECT_EQ(VarToStr(Expression.Operand1), u"Ар%");
  EXPECT_FALSE(DBGridEhSimpleFilterDialog->GetVisible());

  Display.WhenIdle([&] {
    EXPECT_EQ(DBGridEhSimpleFilterDialog->ComboBox1->GetText(), u"начинается с");
    Pick(DBGridEhSimpleFilterDialog->ComboBox1, u"равно");
    Display.Click(DBGridEhSimpleFilterDialog->bCancel->GetHandle(), 5, 5);
  });
  EXPECT_FALSE(ExecuteSimpleFilterDialogEh(Name));
  EXPECT_EQ(Name->GetSTFilter()->GetExpressionStr(), u"~Ар%");
}

TEST_F(SimpleFilterDialog, AConditionTheFilterCannotReadIsShownAndTheDialogStaysOpenWithWhatWasTyped) {
  TColumnEh* Type = Column(u"ID_TYPE");
  Type->GetSTFilter()->SetExpressionStrAndRefresh(u"1");
  Display.WhenIdle([&] {
    Pick(DBGridEhSimpleFilterDialog->ComboBox1, u"равно");
    DBGridEhSimpleFilterDialog->DBComboBoxEh1->SetText(u"abc");
    Display.Click(DBGridEhSimpleFilterDialog->bOk->GetHandle(), 5, 5);
  });
  Display.WhenIdle([&] {
    EXPECT_TRUE(DBGridEhSimpleFilterDialog->GetVisible());
    EXPECT_EQ(DBGridEhSimpleFilterDialog->DBComboBoxEh1->GetText(), u"abc");
    Display.Click(DBGridEhSimpleFilterDialog->bCancel->GetHandle(), 5, 5);
  });
  const size_t BoxesBefore = Display.MessageBoxes().size();
  EXPECT_FALSE(ExecuteSimpleFilterDialog(Type));
  EXPECT_EQ(Display.MessageBoxes().size(), BoxesBefore + 1);
  EXPECT_EQ(Type->GetSTFilter()->GetExpressionStr(), u"1");
}

}  // namespace
