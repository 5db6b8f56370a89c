// Columns: the defaults they follow until assigned, the columns a user makes
// and keeps across reopening the table, widths within their limits, column
// kinds, and finding a column by its field.

#include "DBGridTestSupport.h"
#include "gridbase/DaVirConsts.h"

using Columns = GridFixture;

TEST_F(Columns, AnUnassignedColourFollowsTheGridAndIsNotStoredUntilItDiffers) {
  ShowResources();
  TColumnEh* Column = Grid->GetColumns()->Items(0);
  EXPECT_EQ(Column->GetColor(), clWindow);
  Grid->SetColor(clYellow);
  EXPECT_EQ(Column->GetColor(), clYellow);
  EXPECT_FALSE(Column->IsColorStored());
  Column->SetColor(clYellow);  // assigned, yet equal to the default
  EXPECT_TRUE(Column->GetAssignedValues().Contains(cvColor));
  EXPECT_FALSE(Column->IsColorStored());
  Grid->SetColor(clWhite);
  EXPECT_EQ(Column->GetColor(), clYellow);
  EXPECT_TRUE(Column->IsColorStored());
}

TEST_F(Columns, UnassignedFontsFollowTheGridsFontsLive) {
  ShowResources();
  TColumnEh* Column = Grid->GetColumns()->Items(1);
  Grid->GetFont()->SetSize(14);
  Grid->GetTitleFont()->SetName(u"Arial");
  EXPECT_EQ(Column->GetFont()->GetSize(), 14);
  EXPECT_EQ(Column->GetTitle()->GetFont()->GetName(), u"Arial");
  EXPECT_FALSE(Column->IsFontStored());
  Column->GetFont()->SetSize(20);
  EXPECT_TRUE(Column->IsFontStored());
  Grid->GetFont()->SetSize(9);
  EXPECT_EQ(Column->GetFont()->GetSize(), 20);
}

TEST_F(Columns, ColumnDefaultsReachEveryColumnThatHasNotAssignedItsOwn) {
  ShowResources();
  TColumnEh* First = Grid->GetColumns()->Items(0);
  TColumnEh* Second = Grid->GetColumns()->Items(1);
  Second->GetTitle()->SetColor(clRed);
  Grid->GetColumnDefValues()->GetTitle()->SetColor(clAqua);
  EXPECT_EQ(First->GetTitle()->GetColor(), clAqua);
  EXPECT_EQ(Second->GetTitle()->GetColor(), clRed);
  EXPECT_EQ(First->GetTitle()->GetAlignment(), taLeftJustify);
  Grid->SetUseMultiTitle(true);
  EXPECT_EQ(First->GetTitle()->GetAlignment(), taCenter);
  Grid->GetColumnDefValues()->SetToolTips(true);
  EXPECT_TRUE(First->GetToolTips());
}

TEST_F(Columns, AssigningColumnDefaultsLeavesTheTargetsLayout) {
  MakeGrid();
  TDBGridEh Other(nullptr);
  Other.GetColumnDefValues()->SetLayout(tlBottom);
  Other.GetColumnDefValues()->SetAlwaysShowEditButton(true);
  Grid->GetColumnDefValues()->SetLayout(tlCenter);
  Grid->SetColumnDefValues(Other.GetColumnDefValues());
  EXPECT_EQ(Grid->GetColumnDefValues()->GetLayout(), tlCenter);
  EXPECT_TRUE(Grid->GetColumnDefValues()->GetAlwaysShowEditButton());
}

TEST_F(Columns, AColumnMovedToAnotherGridFollowsThatGridAndOneTakenOutFollowsNone) {
  MakeGrid();
  TColumnEh* Column = Grid->GetColumns()->Add();
  Column->SetFieldName(u"NAME_THIS");
  EXPECT_EQ(Column->GetGrid(), Grid);
  TDBGridEh Other(nullptr);
  Other.SetColor(clAqua);
  Column->SetCollection(Other.GetColumns());
  EXPECT_EQ(Column->GetGrid(), &Other);
  EXPECT_EQ(Column->GetColor(), clAqua);
  EXPECT_EQ(Other.GetColumns()->Items(0), Column);
  Column->SetCollection(nullptr);
  EXPECT_EQ(Column->GetGrid(), nullptr);
  for (Integer I = 0; I < Other.GetColumns()->GetCount(); ++I) EXPECT_NE(Other.GetColumns()->Items(I), Column);
  Column->SetCollection(Grid->GetColumns());
  EXPECT_EQ(Column->GetGrid(), Grid);
  EXPECT_EQ(Column->GetColor(), clWindow);
}

TEST_F(Columns, CustomisedColumnsKeepTheirSettingsWhenTheTableReopens) {
  MakeGrid();
  TColumnEh* Name = Grid->GetColumns()->Add();
  Name->SetFieldName(u"NAME_THIS");
  Name->SetWidth(150);
  Name->GetTitle()->SetCaption(u"Название");
  Name->SetColor(clInfoBk);
  TColumnEh* Id = Grid->GetColumns()->Add();
  Id->SetFieldName(u"ID_THIS");
  Id->SetVisible(false);
  ShowResources();
  EXPECT_EQ(Grid->GetColumns()->GetState(), csCustomized);
  EXPECT_EQ(Name->GetField(), Table.FieldByName(u"NAME_THIS"));
  Table.Close();
  Table.Open();
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 2);
  EXPECT_EQ(Grid->GetColumns()->Items(0), Name);
  EXPECT_EQ(Name->GetWidth(), 150);
  EXPECT_EQ(Name->GetTitle()->GetCaption(), u"Название");
  EXPECT_EQ(Name->GetColor(), clInfoBk);
  EXPECT_EQ(Name->GetField(), Table.FieldByName(u"NAME_THIS"));
  EXPECT_FALSE(Id->GetVisible());
  EXPECT_EQ(Grid->GetColWidths(1), 150);
  EXPECT_EQ(Grid->GetColWidths(2), -1);  // a hidden column takes no room
  EXPECT_EQ(Grid->GetVisibleColumns()->Count(), 1);
}

TEST_F(Columns, DeletingTheLastColumnOfTheUsersGivesBackTheDefaultColumns) {
  ShowResources();
  TColumnEh* Own = Grid->GetColumns()->Add();
  Own->SetFieldName(u"NPP");
  // A column of the user's after the default ones: the default ones go.
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"NPP"}));
  delete Own;
  EXPECT_EQ(Grid->GetColumns()->GetState(), csDefault);
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 5);
}

TEST_F(Columns, ADefaultColumnsAlignmentGoesToItsFieldAndSurvivesARebuild) {
  ShowResources();
  Grid->GetColumns()->Items(4)->SetAlignment(taRightJustify);
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAlignment(), taRightJustify);
  EXPECT_FALSE(Grid->GetColumns()->Items(4)->GetAssignedValues().Contains(cvAlignment));
  Grid->SetOptions(Grid->GetOptions() - dgIndicator);  // a new layout pass
  EXPECT_EQ(Grid->GetColumns()->Items(4)->GetAlignment(), taRightJustify);
}

TEST_F(Columns, AWidthBetweenCrossedLimitsTakesTheMinimum) {
  ShowResources();
  TColumnEh* Column = Grid->GetColumns()->Add();
  Column->SetMinWidth(50);
  Column->SetMaxWidth(40);
  Column->SetWidth(45);
  EXPECT_EQ(Column->GetWidth(), 50);
  EXPECT_EQ(Column->ClampWidth(10), 50);
  Column->SetMinWidth(0);
  EXPECT_EQ(Column->ClampWidth(70), 40);
}

TEST_F(Columns, AnUnassignedWidthComesFromTheFieldsDisplayWidth) {
  ShowResources();
  TColumnEh* Name = Grid->GetColumns()->Items(4);
  TField* Field = Table.FieldByName(u"NAME_THIS");
  const Integer Zero = FontTextWidthEh(Name->GetFont(), u"0");
  const Integer Overhang = FontTextMetricsEh(Name->GetFont()).tmOverhang;
  EXPECT_EQ(Name->GetWidth(), (Zero - Overhang) * Field->GetDisplayWidth() + Overhang + 4);
  Name->SetWidth(Name->GetWidth());  // the default width itself does not count as assigned
  EXPECT_FALSE(Name->GetAssignedValues().Contains(cvWidth));
  TDBGridEh Alone(nullptr);
  TColumnEh* Unbound = Alone.GetColumns()->Add();
  EXPECT_EQ(Unbound->GetWidth(), Alone.GetDefaultColWidth());
}

TEST_F(Columns, TheKindOfAColumnFollowsItsListsAndItsField) {
  ShowResources();
  TColumnEh* Column = Grid->GetColumns()->Add();
  EXPECT_EQ(Column->GetColumnKind(), ckPlain);  // no field at all
  Column->SetFieldName(u"ID_TYPE");
  EXPECT_EQ(Column->GetColumnKind(), ckPlain);
  Column->GetPickList()->Add(u"Группа");
  EXPECT_EQ(Column->GetColumnKind(), ckPickList);
  Column->GetKeyList()->Add(u"0");
  EXPECT_EQ(Column->GetColumnKind(), ckKeyPickList);
  Column->SetCheckboxes(true);
  EXPECT_EQ(Column->GetColumnKind(), ckCheckBox);
  EXPECT_FALSE(Column->GetTextEditing());
}

TEST_F(Columns, FindingAColumnByFieldNameIgnoresCaseAndAMissingOneIsAnError) {
  ShowResources();
  EXPECT_EQ(Grid->FindColumnByFieldName(u"name_this"), Grid->GetColumns()->Items(4));
  EXPECT_EQ(Grid->FindColumnByFieldName(u"NOPE"), nullptr);
  try {
    Grid->ColumnByFieldName(u"NOPE");
    FAIL() << "no error";
  } catch (const EInvalidGridOperationEh& E) {
    EXPECT_EQ(E.Message(), u"Имя поля 'NOPE' не найдено");
  }
}

TEST_F(Columns, HidingTheCurrentColumnMakesTheFirstVisibleColumnCurrent) {
  ShowResources();
  Grid->SetSelectedIndex(2);
  ASSERT_EQ(Grid->GetSelectedIndex(), 2);
  Grid->GetColumns()->Items(2)->SetVisible(false);
  EXPECT_EQ(Grid->GetSelectedIndex(), 0);
}

TEST_F(Columns, AssigningAColumnCopiesOnlyWhatTheSourceAssigned) {
  ShowResources();
  TColumnEh* Source = Grid->GetColumns()->Add();
  Source->SetFieldName(u"NAME_THIS");
  Source->SetColor(clRed);
  Source->GetTitle()->SetCaption(u"Имя");
  Source->SetMaxWidth(300);
  TColumnEh* Target = Grid->GetColumns()->Add();
  Target->Assign(Source);
  EXPECT_EQ(Target->GetFieldName(), u"NAME_THIS");
  EXPECT_EQ(Target->GetColor(), clRed);
  EXPECT_EQ(Target->GetTitle()->GetCaption(), u"Имя");
  EXPECT_EQ(Target->GetMaxWidth(), 300);
  EXPECT_FALSE(Target->GetAssignedValues().Contains(cvAlignment));
  // What the source only followed becomes the target's own.
  EXPECT_TRUE(Target->GetAssignedValues().Contains(cvEndEllipsis));
  EXPECT_TRUE(Target->GetAssignedValues().Contains(cvTitleButton));
  // A default-comparing property equal to its default stays unassigned.
  EXPECT_FALSE(Target->GetAssignedValues().Contains(cvWordWrap));
}

TEST_F(Columns, TheDefaultNameJoinsIndexAndFieldName) {
  ShowResources();
  EXPECT_EQ(Grid->GetColumns()->Items(2)->GetDefaultName(), u"Column_2_ID_TYPE");
  EXPECT_EQ(Grid->GetColumns()->FindColumnByDefaultName(u"Column_2_ID_TYPE"), Grid->GetColumns()->Items(2));
}

TEST_F(Columns, AChangeOfAColumnsImageListRepaintsItsCellsAndAListThatGoesIsLetGo) {
  ShowResources();
  TColumnEh* Column = Grid->FindColumnByFieldName(u"ID_TYPE");
  ASSERT_NE(Column, nullptr);
  auto Images = std::make_unique<TImageList>(nullptr);
  Images->SetWidth(10);
  Images->SetHeight(10);
  // ID_TYPE is 0 or 1: the image of each row, once the list holds them.
  Column->SetImageList(Images.get());
  Display.ProcessMessages();
  const Integer Row = Grid->GetTitleRowCount();
  const TRect Cell = Grid->CellRect(Grid->DataToRawColumn(Column->GetIndex()), Row);
  const TPoint Middle((Cell.Left + Cell.Right) / 2, (Cell.Top + Cell.Bottom) / 2);
  EXPECT_NE(Display.PixelAt(Grid->GetHandle(), Middle.X, Middle.Y), ColorToRGB(clRed));
  TBitmap Picture;
  Picture.SetSize(20, 10);
  Picture.GetCanvas()->GetBrush()->SetColor(clRed);
  Picture.GetCanvas()->FillRect(TRect(0, 0, 20, 10));
  Images->AddMasked(&Picture, clWhite);
  Display.ProcessMessages();
  EXPECT_EQ(Display.PixelAt(Grid->GetHandle(), Middle.X, Middle.Y), ColorToRGB(clRed));
  // A list of another column's, or one no longer the column's, repaints nothing.
  Column->SetImageList(nullptr);
  Display.ProcessMessages();
  Images->Clear();
  EXPECT_FALSE(GetUpdateRect(Grid->GetHandle(), nullptr, false));
  Column->SetImageList(Images.get());
  Images.reset();
  EXPECT_EQ(Column->GetImageList(), nullptr);
}
