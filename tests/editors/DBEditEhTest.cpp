// The data-aware text editor bound to the in-memory table, and on its own.

#include "DBEditorsTestSupport.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Input.h"
#include "platform/ui/Menus.h"

namespace {

class DBEdit : public DBEditorsFixture {
protected:
  TCustomDBEditEh* Edit = nullptr;

  void SetUp() override {
    DBEditorsFixture::SetUp();
    OpenTable();
    MakeForm();
  }

  void Bind(const String& FieldName) { Edit = MakeBound<TCustomDBEditEh>(FieldName); }

  // Focuses the editor and replaces its whole text by typing.
  void TypeOver(const String& Text) {
    Focus(Edit);
    Edit->SelectAll();
    Display.TypeText(Text);
  }
};

// ---- showing the field --------------------------------------------------------------------------------

TEST_F(DBEdit, ShowsTheFieldOfTheCurrentRecordAndFollowsTheCursor) {
  Bind(u"NAME_THIS");
  EXPECT_EQ(Edit->GetText(), u"Библиотеки");
  Table.Next();
  EXPECT_EQ(Edit->GetText(), u"Первая");
  Table.Next();
  EXPECT_EQ(Edit->GetText(), u"");  // Null shows as empty
  EXPECT_TRUE(Edit->GetValue() == Variant(u""));
}

TEST_F(DBEdit, AnUnassignedAlignmentFollowsTheFieldsAndTheStringSizeLimitsTheText) {
  Bind(u"NPP");
  EXPECT_EQ(Edit->GetAlignment(), taRightJustify);
  EXPECT_FALSE(Edit->GetAlignmentAssigned());
  Edit->SetAlignment(taCenter);
  EXPECT_TRUE(Edit->GetAlignmentAssigned());
  EXPECT_EQ(Edit->GetAlignment(), taCenter);

  auto* name = MakeBound<TCustomDBEditEh>(u"NAME_THIS", 20, 60);
  EXPECT_EQ(name->GetMaxLength(), 40);
}

// ---- typing and leaving --------------------------------------------------------------------------------

TEST_F(DBEdit, TypingEditsTheRecordAndLeavingWritesTheFieldWhichMovingOnPosts) {
  Bind(u"NAME_THIS");
  TypeOver(u"Архив");
  EXPECT_EQ(Table.GetState(), dsEdit);
  EXPECT_EQ(Edit->GetText(), u"Архив");
  EXPECT_EQ(Field(u"NAME_THIS")->GetAsString(), u"Библиотеки");  // not written while typing

  Display.Key(VK_TAB);
  EXPECT_TRUE(HasFocus(Other));
  EXPECT_EQ(Field(u"NAME_THIS")->GetAsString(), u"Архив");

  Table.Next();  // posts the record
  EXPECT_EQ(Table.GetState(), dsBrowse);
  EXPECT_TRUE(StoredValue(u"NAME_THIS", 1) == Variant(u"Архив"));
}

TEST_F(DBEdit, AValueTheFieldRefusesIsReportedWithTheFieldsMessageAndTheFocusStays) {
  Bind(u"NPP");
  TypeOver(u"500");
  Display.Key(VK_TAB);

  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_NE(Display.MessageBoxes()[0].Text.find(u"is not a valid value for field 'NPP'"), String::npos);
  EXPECT_TRUE(HasFocus(Edit));
  EXPECT_EQ(Form->GetActiveControl(), Edit);
  EXPECT_EQ(Edit->GetText(), u"500");
  EXPECT_EQ(Edit->GetSelLength(), 3);  // the refused text is selected for the user to put right
  EXPECT_EQ(Field(u"NPP")->GetAsInteger(), 1);

  // Put right, it is taken.
  Display.TypeText(u"50");
  Display.Key(VK_TAB);
  EXPECT_TRUE(HasFocus(Other));
  EXPECT_EQ(Field(u"NPP")->GetAsInteger(), 50);
}

TEST_F(DBEdit, ACharacterTheFieldDoesNotTakeIsDroppedWithABeep) {
  Bind(u"NPP");
  TypeOver(u"4");
  const Integer beeps = Display.BeepCount();
  Display.TypeText(u"x");
  EXPECT_EQ(Edit->GetText(), u"4");
  EXPECT_EQ(Display.BeepCount(), beeps + 1);
}

TEST_F(DBEdit, AReadOnlyFieldRefusesEditsAndLeavesTheDatasetBrowsing) {
  Field(u"NAME_THIS")->SetReadOnly(true);
  Bind(u"NAME_THIS");
  TypeOver(u"Другое");
  EXPECT_EQ(Edit->GetText(), u"Библиотеки");
  EXPECT_EQ(Table.GetState(), dsBrowse);
  Display.Key(VK_DELETE);
  EXPECT_EQ(Edit->GetText(), u"Библиотеки");
}

TEST_F(DBEdit, AReadOnlyDatasetRefusesEdits) {
  Table.SetReadOnly(true);
  Bind(u"NAME_THIS");
  TypeOver(u"Другое");
  EXPECT_EQ(Edit->GetText(), u"Библиотеки");
  EXPECT_EQ(Table.GetState(), dsBrowse);
  EXPECT_THROW(Edit->SetText(u"Другое"), EDatabaseError);
}

TEST_F(DBEdit, TheEditorsOwnReadOnlyRefusesEditsOfAWritableField) {
  Bind(u"NAME_THIS");
  Edit->SetReadOnly(true);
  TypeOver(u"Другое");
  EXPECT_EQ(Edit->GetText(), u"Библиотеки");
  EXPECT_EQ(Table.GetState(), dsBrowse);
}

TEST_F(DBEdit, EscapeBringsTheFieldsValueBackAndSelectsIt) {
  Bind(u"NAME_THIS");
  TypeOver(u"Опечатка");
  Display.Key(VK_ESCAPE);
  EXPECT_EQ(Edit->GetText(), u"Библиотеки");
  EXPECT_EQ(Edit->GetSelStart(), 0);
  EXPECT_EQ(Edit->GetSelLength(), 10);
  EXPECT_TRUE(HasFocus(Edit));
}

TEST_F(DBEdit, AssigningTextWritesTheFieldAtOnce) {
  Bind(u"SYNTAX");
  Edit->SetText(u"MARC21");
  EXPECT_EQ(Table.GetState(), dsEdit);
  EXPECT_EQ(Field(u"SYNTAX")->GetAsString(), u"MARC21");
  Edit->SetValue(Null());
  EXPECT_TRUE(Field(u"SYNTAX")->GetIsNull() || Field(u"SYNTAX")->GetAsString().empty());
}

TEST_F(DBEdit, OnUpdateDataCanTakeTheWritingOver) {
  Bind(u"NAME_THIS");
  Integer calls = 0;
  Edit->OnUpdateData = [&](TObject*, bool& Handled) {
    ++calls;
    Field(u"NAME_THIS")->SetAsString(u"<" + Edit->GetText() + u">");
    Handled = true;
  };
  TypeOver(u"Фонд");
  Display.Key(VK_TAB);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Field(u"NAME_THIS")->GetAsString(), u"<Фонд>");
}

TEST_F(DBEdit, AFieldTheDatasetLacksIsReportedNamingTheEditor) {
  Edit = Make<TCustomDBEditEh>(20, 20, 180, 21);
  Edit->SetName(u"EditName");
  Edit->SetDataSource(&Source);
  try {
    Edit->SetDataField(u"NO_SUCH");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find(u"EditName"), String::npos);
    EXPECT_NE(e.Message().find(u"NO_SUCH"), String::npos);
  }
}

// ---- bound to nothing ----------------------------------------------------------------------------------

TEST_F(DBEdit, OnItsOwnItStartsNullAndAssignedTextBecomesItsValueOnce) {
  Edit = Make<TCustomDBEditEh>(20, 20, 180, 21);
  EXPECT_TRUE(Edit->GetDataLink()->GetDataIndependent());
  EXPECT_TRUE(Edit->GetDataLink()->GetDataValue().IsNull());
  EXPECT_EQ(Edit->GetText(), u"");
  Integer updates = 0;
  Edit->OnUpdateData = [&](TObject*, bool&) { ++updates; };
  Edit->SetText(u"abc");
  EXPECT_EQ(updates, 1);
  EXPECT_TRUE(Edit->GetValue() == Variant(u"abc"));
  EXPECT_TRUE(Edit->GetDataLink()->GetDataValue() == Variant(u"abc"));
}

TEST_F(DBEdit, OnItsOwnTypedTextBecomesItsValueOnLeaving) {
  Edit = Make<TCustomDBEditEh>(20, 20, 180, 21);
  Focus(Edit);
  Display.TypeText(u"слово");
  EXPECT_TRUE(Edit->GetDataLink()->GetDataValue().IsNull());
  Display.Key(VK_TAB);
  EXPECT_TRUE(Edit->GetDataLink()->GetDataValue() == Variant(u"слово"));
  EXPECT_FALSE(Edit->GetDataLink()->GetEditing());
}

TEST_F(DBEdit, OnItsOwnAMaskedTextKeepsEveryCharacterOnLeavingAndWhenAssigned) {
  Edit = Make<TCustomDBEditEh>(20, 20, 180, 21);
  Edit->SetEditMask(u"!99-99;1;_");
  Focus(Edit);
  Display.TypeText(u"1234");
  EXPECT_EQ(Edit->GetEditText(), u"12-34");
  Display.Key(VK_TAB);
  EXPECT_EQ(Edit->GetEditText(), u"12-34");
  EXPECT_TRUE(Edit->GetValue() == Variant(u"12-34"));
  // The value kept is the input without the mask's literals, as callers read it.
  EXPECT_TRUE(Edit->GetDataLink()->GetDataValue() == Variant(u"1234"));
  Edit->SetText(u"56-78");
  EXPECT_EQ(Edit->GetEditText(), u"56-78");
  EXPECT_TRUE(Edit->GetValue() == Variant(u"56-78"));
  EXPECT_TRUE(Edit->GetDataLink()->GetDataValue() == Variant(u"5678"));
  // An input position may hold the literal's character: it stays where it was typed.
  auto* any = Make<TCustomDBEditEh>(20, 100, 180, 21);
  any->SetEditMask(u"!cc-cc;1;_");
  Focus(any);
  Display.TypeText(u"12-4");
  ASSERT_EQ(any->GetEditText(), u"12--4");
  Display.Key(VK_TAB);
  EXPECT_EQ(any->GetEditText(), u"12--4");
  EXPECT_TRUE(any->GetDataLink()->GetDataValue() == Variant(u"12-4"));

  // A mask that leaves its literals out of the text keeps them out of the value too.
  auto* bare = Make<TCustomDBEditEh>(20, 60, 180, 21);
  bare->SetEditMask(u"!99-99;0;_");
  Focus(bare);
  Display.TypeText(u"1234");
  Display.Key(VK_TAB);
  EXPECT_EQ(bare->GetEditText(), u"12-34");
  EXPECT_TRUE(bare->GetValue() == Variant(u"1234"));
}

TEST_F(DBEdit, UnbindingItMakesItIndependentWithANullValueAndEmptyText) {
  Bind(u"NAME_THIS");
  ASSERT_FALSE(Edit->GetDataLink()->GetDataIndependent());
  Edit->SetDataSource(nullptr);
  Edit->SetDataField(u"");
  EXPECT_TRUE(Edit->GetDataLink()->GetDataIndependent());
  EXPECT_TRUE(Edit->GetDataLink()->GetDataValue().IsNull());
  EXPECT_EQ(Edit->GetText(), u"");
}

TEST_F(DBEdit, ADataSourceFreedUnderTheEditorLeavesItUnbound) {
  auto* source = new TDataSource(nullptr);
  source->SetDataSet(&Table);
  Edit = Make<TCustomDBEditEh>(20, 20, 180, 21);
  Edit->SetDataSource(source);
  Edit->SetDataField(u"NAME_THIS");
  EXPECT_EQ(Edit->GetText(), u"Библиотеки");
  delete source;
  EXPECT_EQ(Edit->GetDataSource(), nullptr);
  EXPECT_EQ(Edit->GetText(), u"");
}

// ---- several fields ----------------------------------------------------------------------------------

TEST_F(DBEdit, ALinkToSeveralFieldsSetsEachFromAnArrayAndClearsEachForNull) {
  TFieldDataLinkEh link;
  link.SetMultiFields(true);
  link.SetDataSource(&Source);
  link.SetFieldName(u"NPP;ID_TYPE");
  ASSERT_EQ(link.GetFieldsCount(), 2);
  Table.Edit();
  link.SetValue(VarArrayOf({Variant(7), Variant(1)}));
  EXPECT_EQ(Field(u"NPP")->GetAsInteger(), 7);
  EXPECT_EQ(Field(u"ID_TYPE")->GetAsInteger(), 1);
  link.SetValue(Null());
  EXPECT_TRUE(Field(u"NPP")->GetIsNull());
  EXPECT_TRUE(Field(u"ID_TYPE")->GetIsNull());
  Table.Cancel();
}

// ---- buttons and image -----------------------------------------------------------------------------------

TEST_F(DBEdit, AClickOnTheButtonRunsItsHandlerWithoutMovingTheCaret) {
  Bind(u"NAME_THIS");
  Edit->GetEditButton()->SetVisible(true);
  Edit->GetEditButton()->SetStyle(ebsEllipsisEh);
  Display.ProcessMessages();
  ASSERT_EQ(Edit->GetEditButtonControlCount(), 1);
  TEditButtonControlEh* button = Edit->GetEditButtonControl(0);
  EXPECT_EQ(Edit->GetButtonsWidth(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(button->GetLeft(), Edit->GetClientRect().Right - Edit->GetButtonsWidth());
  EXPECT_EQ(Edit->GetEditRect().Right, button->GetLeft());

  Focus(Edit);
  Edit->SetSelStart(3);
  Integer clicks = 0;
  Edit->OnButtonClick = [&](TObject*, bool&) { ++clicks; };
  Display.Click(Edit->GetHandle(), button->GetLeft() + 3, 5);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Edit->GetSelStart(), 3);
  EXPECT_FALSE(button->GetAlwaysDown());  // nothing dropped down: the button is up again
}

TEST_F(DBEdit, AButtonWithAnActionShowsItsStateAndAClickRunsItForTheEditor) {
  Bind(u"NAME_THIS");
  auto* action = new TAction(Form);
  action->SetHint(u"Найти");
  action->SetShortCut(ShortCut(u'F', {ssCtrl}));
  Integer runs = 0, buttonClicks = 0;
  TComponent* ranFor = nullptr;
  action->OnExecute = [&](TObject*) {
    ++runs;
    ranFor = action->GetActionComponent();
  };
  Edit->OnButtonClick = [&](TObject*, bool&) { ++buttonClicks; };
  TEditButtonEh* button = Edit->GetEditButton();
  button->SetStyle(ebsEllipsisEh);
  button->SetVisible(true);
  button->SetAction(action);
  EXPECT_EQ(button->GetHint(), u"Найти");
  EXPECT_EQ(button->GetShortCut(), ShortCut(u'F', {ssCtrl}));
  Display.ProcessMessages();
  TEditButtonControlEh* control = Edit->GetEditButtonControl(0);

  Display.Click(Edit->GetHandle(), control->GetLeft() + 3, 5);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(ranFor, Edit);
  EXPECT_EQ(buttonClicks, 0);  // the action handled the click
  EXPECT_FALSE(Edit->GetDroppedDown());

  action->SetEnabled(false);
  EXPECT_FALSE(button->GetEnabled());
  EXPECT_FALSE(control->GetEnabled());
  action->SetVisible(false);
  EXPECT_FALSE(button->GetVisible());
  EXPECT_EQ(Edit->GetButtonsWidth(), 0);
}

TEST_F(DBEdit, AnActionWithoutHandlersReachesTheFocusedEditorsDataSourceAndIdleTimeKeepsItsButtonUpToDate) {
  Application->OnIdle = [](TObject*, bool& Done) { Done = false; };
  Bind(u"NAME_THIS");
  auto* post = new TPostRecordAction(Form);
  Edit->GetEditButton()->SetStyle(ebsEllipsisEh);
  Edit->GetEditButton()->SetVisible(true);
  Edit->GetEditButton()->SetAction(post);
  Display.ProcessMessages();
  TEditButtonControlEh* control = Edit->GetEditButtonControl(0);
  Focus(Edit);
  Application->HandleMessage();
  EXPECT_FALSE(control->GetEnabled());  // nothing to post while browsing

  TypeOver(u"Архив");
  Application->HandleMessage();
  EXPECT_TRUE(control->GetEnabled());
  Display.Click(Edit->GetHandle(), control->GetLeft() + 3, 5);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  EXPECT_TRUE(StoredValue(u"NAME_THIS", 1) == Variant(u"Архив"));
  Application->OnIdle = nullptr;
}

TEST_F(DBEdit, AButtonsShortCutPressesAndClicksIt) {
  Bind(u"NAME_THIS");
  TEditButtonEh* extra = Edit->GetEditButtons()->Add();
  extra->SetStyle(ebsPlusEh);
  extra->SetShortCut(ShortCut(VK_F4, {}));
  Integer downs = 0, clicks = 0;
  extra->OnDown = [&](TObject*, bool, bool&, bool&) { ++downs; };
  extra->OnClick = [&](TObject*, bool&) { ++clicks; };
  Display.ProcessMessages();
  EXPECT_EQ(Edit->GetEditButtonControlCount(), 2);
  Focus(Edit);
  Display.Key(VK_F4);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(clicks, 1);
}

TEST_F(DBEdit, FlatButtonsTakeTheLibraryWidthAndASeparatorEach) {
  Bind(u"NAME_THIS");
  Edit->SetFlat(true);
  Edit->GetEditButton()->SetVisible(true);
  Edit->GetEditButtons()->Add()->SetWidth(12);
  Display.ProcessMessages();
  EXPECT_EQ(Edit->GetButtonsWidth(), DefaultEditButtonWidthEh() + 1 + 12 + 1);
  // The last button is the outermost.
  EXPECT_EQ(Edit->GetEditButtonControl(1)->GetLeft(), Edit->GetClientRect().Right - 12);
  EXPECT_EQ(Edit->GetEditButtonControl(0)->GetLeft(),
            Edit->GetClientRect().Right - 12 - 1 - DefaultEditButtonWidthEh());
}

TEST_F(DBEdit, AClickInTheImageAreaDoesNotMoveTheCaretAndTheImageShowsTheValuesIndex) {
  TImageList images(nullptr);
  images.SetWidth(12);
  images.SetHeight(12);
  TBitmap strip;
  strip.SetSize(36, 12);
  strip.GetCanvas()->GetBrush()->SetColor(clRed);
  strip.GetCanvas()->FillRect(TRect(0, 0, 36, 12));
  images.AddMasked(&strip, clNone);
  Bind(u"NAME_THIS");
  Edit->SetImages(&images);
  Display.ProcessMessages();
  EXPECT_EQ(Edit->GetImageWidth(), 16);
  EXPECT_EQ(Edit->GetEditRect().Left, 16);
  EXPECT_EQ(Edit->GetEditImage()->GetImageIndex(), -1);  // a text value has no image of its own

  Integer asked = 0;
  Edit->SetOnGetImageIndex([&](TObject*, Integer& Index) {
    ++asked;
    Index = 2;
  });
  EXPECT_GT(asked, 0);
  EXPECT_EQ(Edit->GetEditImage()->GetImageIndex(), 2);

  Focus(Edit);
  Edit->SetSelStart(3);
  Display.Click(Edit->GetHandle(), 4, 5);
  EXPECT_EQ(Edit->GetSelStart(), 3);
  Display.Click(Edit->GetHandle(), 17, 5);
  EXPECT_EQ(Edit->GetSelStart(), 0);
}

// ---- required values, tool tips ---------------------------------------------------------------------------

TEST_F(DBEdit, ARequiredEmptyFieldIsMarkedWithARedDottedLineWhileEditing) {
  Field(u"SYNTAX")->SetRequired(true);
  Bind(u"SYNTAX");
  Edit->SetHighlightRequired(true);
  Table.Last();  // the record of Nulls
  Display.ProcessMessages();
  const Integer y = Edit->GetClientRect().Bottom - 1;
  auto redDots = [&] {
    Integer n = 0;
    for (Integer x = 0; x < Edit->GetClientWidth(); ++x)
      if (Display.PixelAt(Edit->GetHandle(), x, y) == ColorToRGB(clRed)) ++n;
    return n;
  };
  EXPECT_EQ(redDots(), 0);  // browsing: no mark
  Table.Edit();
  Display.ProcessMessages();
  EXPECT_GT(redDots(), 10);
  Integer asked = 0;
  Edit->OnCheckDrawRequiredState = [&](TObject*, bool& Draw) {
    ++asked;
    Draw = false;
  };
  Edit->Invalidate();
  Display.ProcessMessages();
  EXPECT_GT(asked, 0);
  EXPECT_EQ(redDots(), 0);
}

TEST_F(DBEdit, ToolTipsShowTheWholeTextOnlyWhenItDoesNotFit) {
  Bind(u"NAME_THIS");
  Edit->SetWidth(60);
  Edit->SetTooltips(true);
  EXPECT_TRUE(Edit->GetShowHint() == false);
  Edit->SetText(u"Очень длинное название ресурса");
  THintInfo info;
  info.HintStr = u"";
  EXPECT_EQ(Edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.HintStr, u"Очень длинное название ресурса");
  EXPECT_EQ(info.HintWindowClass, TToolTipsWindow::StaticComponentClass());

  Edit->SetText(u"Да");
  THintInfo fits;
  EXPECT_NE(Edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&fits)), 0);
}

// ---- most recently used --------------------------------------------------------------------------------------

TEST_F(DBEdit, TypingTheStartOfARecentTextDropsItDownAndEnterTakesIt) {
  Bind(u"SYNTAX");
  TMRUListEh* mru = Edit->GetMRUList();
  mru->SetActive(true);
  mru->GetItems()->Add(u"USMARC");
  mru->GetItems()->Add(u"UNIMARC");
  mru->GetItems()->Add(u"RUSMARC");
  TypeOver(u"U");
  ASSERT_NE(Edit->GetMRUListbox(), nullptr);
  TMRUListboxEh* list = Edit->GetMRUListbox();
  ASSERT_TRUE(IsWindowVisible(list->GetHandle()));
  EXPECT_EQ(list->GetCount(), 2);  // the two that begin with U, sorted
  EXPECT_EQ(list->GetItemText(0), u"UNIMARC");
  EXPECT_TRUE(HasFocus(Edit));  // the drop-down never takes the focus

  Display.Key(VK_DOWN);
  EXPECT_EQ(list->GetItemIndex(), 0);
  Display.Key(VK_RETURN);
  EXPECT_FALSE(IsWindowVisible(list->GetHandle()));
  EXPECT_EQ(Edit->GetText(), u"UNIMARC");
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"SYNTAX")->GetAsString(), u"UNIMARC");
  EXPECT_EQ(mru->GetItems()->Get(mru->GetItems()->GetCount() - 1), u"UNIMARC");  // used last, listed last
}

namespace {

// An editor that offers every recent text holding what was typed, anywhere in it.
class TContainsFilterEdit : public TCustomDBEditEh {
public:
  using TCustomDBEditEh::TCustomDBEditEh;

protected:
  void FilterMRUItem(const String& AText, bool& Accept) override {
    Accept = !GetText().empty() && AText.find(GetText()) != String::npos;
  }
};

}  // namespace

TEST_F(DBEdit, ADerivedEditorsFilterChoosesTheRecentTextsThatDropDown) {
  auto* edit = Make<TContainsFilterEdit>(20, 20, 180, 21);
  edit->GetMRUList()->SetActive(true);
  edit->GetMRUList()->GetItems()->SetText(u"USMARC\nUNIMARC\nRUSMARC");
  Focus(edit);
  Display.TypeText(u"SM");
  ASSERT_NE(edit->GetMRUListbox(), nullptr);
  ASSERT_TRUE(IsWindowVisible(edit->GetMRUListbox()->GetHandle()));
  ASSERT_EQ(edit->GetMRUListbox()->GetCount(), 2);
  EXPECT_EQ(edit->GetMRUListbox()->GetItemText(0), u"RUSMARC");
  EXPECT_EQ(edit->GetMRUListbox()->GetItemText(1), u"USMARC");
}

TEST_F(DBEdit, BackspaceInAnEmptyEditorShowsEveryRecentText) {
  Bind(u"SYNTAX");
  Edit->GetMRUList()->SetActive(true);
  Edit->GetMRUList()->GetItems()->SetText(u"USMARC\nRUSMARC");
  Table.Last();  // an empty SYNTAX
  Focus(Edit);
  Display.Key(VK_BACK);
  ASSERT_NE(Edit->GetMRUListbox(), nullptr);
  EXPECT_TRUE(IsWindowVisible(Edit->GetMRUListbox()->GetHandle()));
  EXPECT_EQ(Edit->GetMRUListbox()->GetCount(), 2);
}

TEST_F(DBEdit, TabAndEnterStayWithTheDialogUnlessTheEditorWantsThem) {
  Bind(u"NAME_THIS");
  auto code = [&] { return Edit->Perform(WM_GETDLGCODE); };
  EXPECT_EQ(code() & (DLGC_WANTTAB | DLGC_WANTALLKEYS), 0);
  EXPECT_NE(code() & DLGC_WANTCHARS, 0);
  Edit->SetWantTabs(true);
  Edit->SetWantReturns(true);
  EXPECT_NE(code() & DLGC_WANTTAB, 0);
  EXPECT_NE(code() & DLGC_WANTALLKEYS, 0);
  Focus(Edit);
  Display.Key(VK_TAB);
  EXPECT_TRUE(HasFocus(Edit));
}

TEST_F(DBEdit, AFlatBorderIsDrawnSunkenWhileFocusedAndInTheFaceColourOtherwise) {
  Bind(u"NAME_THIS");
  Edit->SetFlat(true);
  Display.ProcessMessages();
  HWND h = Edit->GetHandle();
  // The window's outer pixel row, one pixel above the client area's first and second.
  auto outer = [&] { return Display.PixelAt(h, 5, -2); };
  EXPECT_FALSE(Edit->GetBorderActive());
  EXPECT_EQ(outer(), ColorToRGB(clBtnFace));
  Focus(Edit);
  EXPECT_TRUE(Edit->GetBorderActive());
  EXPECT_EQ(outer(), ColorToRGB(clBtnShadow));
  Focus(Other);
  EXPECT_FALSE(Edit->GetBorderActive());
  Edit->SetAlwaysShowBorder(true);
  EXPECT_TRUE(Edit->GetBorderActive());
}

TEST_F(DBEdit, EscapeClosesTheRecentTextsWithoutTouchingTheText) {
  Bind(u"SYNTAX");
  Edit->GetMRUList()->SetActive(true);
  Edit->GetMRUList()->GetItems()->Add(u"RUSMARC");
  TypeOver(u"R");
  ASSERT_TRUE(IsWindowVisible(Edit->GetMRUListbox()->GetHandle()));
  Display.Key(VK_DOWN);
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(IsWindowVisible(Edit->GetMRUListbox()->GetHandle()));
  EXPECT_EQ(Edit->GetText(), u"R");
  EXPECT_EQ(Table.GetState(), dsEdit);
}

}  // namespace

TEST_F(DBEdit, AButtonsDropDownMenuOpensUnderItFromTheCornerItsAlignmentNames) {
  Bind(u"NAME_THIS");
  auto* Menu = new TPopupMenu(Form);
  auto* Item = new TMenuItem(nullptr);
  Item->SetCaption(u"Очень длинный пункт меню");
  Menu->GetItems()->Add(Item);
  Edit->GetEditButton()->SetVisible(true);
  Edit->GetEditButton()->SetDropdownMenu(Menu);
  Display.ProcessMessages();
  TEditButtonControlEh* Button = Edit->GetEditButtonControl(0);
  const TPoint Lower = Button->ClientToScreen(TPoint(0, Button->GetHeight()));
  for (TPopupAlignment Alignment : {paLeft, paRight}) {
    Menu->SetAlignment(Alignment);
    TRect Shown;
    Display.WhenIdle([&] {
      if (HWND W = Menu->GetMenuWindow()) Shown = GetWindowRect(W);
      Display.Key(VK_ESCAPE);
    });
    Display.Click(Edit->GetHandle(), Button->GetLeft() + 3, 5);
    ASSERT_GT(Shown.Width(), Button->GetWidth());
    EXPECT_EQ(Shown.Top, Lower.Y);
    if (Alignment == paLeft) EXPECT_EQ(Shown.Left, Lower.X);
    else EXPECT_EQ(Shown.Right, Lower.X + Button->GetWidth());
  }
}
