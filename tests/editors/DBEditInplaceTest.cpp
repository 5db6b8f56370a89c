// An editor hosted in place by a control that holds it, as the data grid holds its
// editors: the holder hears every message and key first.

#include <vector>

#include "DBEditorsTestSupport.h"
#include "platform/ui/Input.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Timers.h"

namespace {

// A holder that records what its editor hands it.
class TTestHolder : public TCustomControl, public IInplaceEditHolderEh {
public:
  BORROW_COMPONENT(TTestHolder, TCustomControl)
  explicit TTestHolder(TComponent* AOwner) : TCustomControl(AOwner) { FTabStop = true; }

  bool CanModify = true;
  bool WantsTabs = true;
  bool TakeTab = true;     // the holder uses Tab itself (moving to the next cell)
  bool StopChars = false;  // the holder answers WM_CHAR itself
  TPoint PressPos;
  Integer PressTime = 0;
  std::vector<Cardinal> Messages;
  std::vector<Word> KeysDown, KeysUp;
  std::vector<Char> KeysPressed;

  bool InplaceEditCanModify(TControl*) override { return CanModify; }
  void GetMouseDownInfo(TPoint& Pos, Integer& Time) override {
    Pos = PressPos;
    Time = PressTime;
    PressTime = 0;
  }
  void InplaceEditWndProc(TControl*, TMessage& Message) override {
    Messages.push_back(Message.Msg);
    if (StopChars && Message.Msg == WM_CHAR) Message.Result = 1;
  }
  void InplaceEditKeyDown(TControl*, Word& Key, TShiftState) override {
    KeysDown.push_back(Key);
    if (Key == VK_TAB && TakeTab) Key = 0;
  }
  void InplaceEditKeyPress(TControl*, Char& Key) override {
    KeysPressed.push_back(Key);
    if (Key == u'\t') Key = 0;
  }
  void InplaceEditKeyUp(TControl*, Word& Key, TShiftState) override { KeysUp.push_back(Key); }

  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_GETDLGCODE) {
      Message.Result = DLGC_WANTARROWS | (WantsTabs ? DLGC_WANTTAB : 0);
      return;
    }
    TCustomControl::Dispatch(Message);
  }

  bool Heard(Cardinal Msg) const { return std::find(Messages.begin(), Messages.end(), Msg) != Messages.end(); }
  bool HeardDown(Word Key) const { return std::find(KeysDown.begin(), KeysDown.end(), Key) != KeysDown.end(); }
  bool HeardPress(Char Key) const {
    return std::find(KeysPressed.begin(), KeysPressed.end(), Key) != KeysPressed.end();
  }
};

class DBEditInplace : public DBEditorsFixture {
protected:
  TTestHolder* Holder = nullptr;
  TCustomDBEditEh* Edit = nullptr;
  Integer OtherClicks = 0;

  void SetUp() override {
    DBEditorsFixture::SetUp();
    MakeForm();
    Other->OnClick = [this](TObject*) { ++OtherClicks; };
    Holder = Make<TTestHolder>(10, 10, 240, 120);
    Edit = new TCustomDBEditEh(Holder);
    Edit->SetVisible(false);
    Edit->SetParent(Holder);
    Edit->SetInplaceEditHolder(Holder);
    Edit->SetBorderStyle(bsNone);
    Edit->SetTabStop(false);  // a host's editor is no stop of the dialog's own
    Holder->SetFocus();
    Display.ProcessMessages();
  }

  // Shows the editor on a cell of the holder; it takes the keys since the holder has them.
  void ShowOnCell() {
    Edit->MoveToRect(TRect(20, 30, 140, 48));
    Display.ProcessMessages();
  }
};

TEST_F(DBEditInplace, MovingToACellShowsTheEditorThereAndAnEmptyRectangleHidesIt) {
  EXPECT_TRUE(Edit->GetInplaceMode());
  EXPECT_FALSE(Edit->GetVisible());
  ShowOnCell();
  EXPECT_TRUE(Edit->GetVisible());
  EXPECT_EQ(Edit->GetBoundsRect(), TRect(20, 30, 140, 48));
  EXPECT_TRUE(HasFocus(Edit));
  EXPECT_EQ(Form->GetActiveControl(), Holder);  // the holder stays the form's focused control

  Edit->MoveToRect(TRect(0, 0, 0, 0));
  EXPECT_FALSE(Edit->GetVisible());
  EXPECT_TRUE(HasFocus(Holder));
  ShowOnCell();
  Edit->SetVisible(false);
  EXPECT_FALSE(Edit->GetVisible());
  EXPECT_TRUE(HasFocus(Holder));
}

TEST_F(DBEditInplace, EveryMessageReachesTheHolderFirstAndItsResultStopsTheEditor) {
  ShowOnCell();
  Display.TypeText(u"ab");
  EXPECT_EQ(Edit->GetText(), u"ab");
  EXPECT_TRUE(Holder->Heard(WM_KEYDOWN));
  EXPECT_TRUE(Holder->Heard(WM_CHAR));
  EXPECT_TRUE(Holder->Heard(WM_KEYUP));
  EXPECT_TRUE(Holder->HeardPress(u'a'));
  EXPECT_FALSE(Holder->KeysUp.empty());

  Holder->StopChars = true;
  Display.TypeText(u"c");
  EXPECT_EQ(Edit->GetText(), u"ab");
}

TEST_F(DBEditInplace, TabReachesTheHolderWhenItWantsTabsAndTheFocusStays) {
  ShowOnCell();
  Display.Key(VK_TAB);
  EXPECT_TRUE(Holder->HeardDown(VK_TAB));
  EXPECT_TRUE(HasFocus(Edit));
  EXPECT_FALSE(HasFocus(Other));
}

TEST_F(DBEditInplace, TabGoesToTheDialogWhenTheHolderDoesNotWantTabs) {
  Holder->WantsTabs = false;
  ShowOnCell();
  Display.Key(VK_TAB);
  EXPECT_FALSE(Holder->HeardDown(VK_TAB));
  EXPECT_FALSE(HasFocus(Edit));
}

TEST_F(DBEditInplace, EnterReachesTheHolderNotTheDefaultButton) {
  Other->SetDefault(true);
  ShowOnCell();
  Display.Key(VK_RETURN);
  EXPECT_TRUE(Holder->HeardDown(VK_RETURN));
  EXPECT_EQ(OtherClicks, 0);
}

TEST_F(DBEditInplace, EscOnChangedTextReachesTheHolderAndThenRestoresTheText) {
  Other->SetCancel(true);
  ShowOnCell();
  Edit->SetText(u"было");
  Display.Key(VK_END);
  Display.TypeText(u"стало");
  ASSERT_EQ(Edit->GetText(), u"былостало");
  Display.Key(VK_ESCAPE);
  EXPECT_TRUE(Holder->HeardDown(VK_ESCAPE));
  EXPECT_TRUE(Holder->HeardPress(u'\x1B'));
  EXPECT_EQ(Edit->GetText(), u"было");
  EXPECT_EQ(OtherClicks, 0);

  // Unchanged text does not want Esc: the dialog's cancel button takes it.
  Display.Key(VK_ESCAPE);
  EXPECT_EQ(OtherClicks, 1);
}

TEST_F(DBEditInplace, AHolderThatRefusesChangesMakesTheEditorReadOnly) {
  Holder->CanModify = false;
  ShowOnCell();
  Edit->SetText(u"x");
  Display.TypeText(u"yz");
  EXPECT_EQ(Edit->GetText(), u"x");
}

TEST_F(DBEditInplace, APressAtTheHoldersLastPressMakesADoubleClick) {
  Edit->SetText(u"одно слово");
  ShowOnCell();
  Edit->SetSelStart(0);
  const TPoint at(Edit->PosFromChar(7).X + 1, 5);
  Holder->PressPos = Edit->ClientToScreen(at);
  Holder->PressTime = Integer(GetTickCount());
  Display.Click(Edit->GetHandle(), at.X, at.Y);
  EXPECT_EQ(Edit->GetSelText(), u"слово");
  EXPECT_EQ(Holder->PressTime, 0);  // the holder's press is used once
}

TEST_F(DBEditInplace, AHolderWithoutTheInterfaceIsRefusedButStaysTheHolder) {
  auto* plain = Make<TPanel>(10, 140, 100, 30);
  auto* edit = new TCustomDBEditEh(Form);
  try {
    edit->SetInplaceEditHolder(plain);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"InplaceEditHolder have to support IInplaceEditHolderEh interface");
  }
  EXPECT_EQ(edit->GetInplaceEditHolder(), plain);
  EXPECT_TRUE(edit->GetInplaceMode());
}

TEST_F(DBEditInplace, TheHostSetsTheKeyHandlersThroughTheInterfaces) {
  IInplaceEditEh* intf = Edit;
  Integer pressed = 0, released = 0;
  intf->SetOnKeyPress([&](TObject*, Char&) { ++pressed; });
  SetInplaceEditOnKeyUpEh(intf, [&](TObject*, Word&, TShiftState) { ++released; });
  TFont font;
  font.SetColor(clBlue);
  intf->SetFont(&font);
  intf->SetColor(clInfoBk);
  EXPECT_EQ(intf->GetFont()->GetColor(), clBlue);
  EXPECT_EQ(Edit->GetColor(), clInfoBk);
  ShowOnCell();
  Display.TypeText(u"q");
  EXPECT_EQ(pressed, 1);
  EXPECT_EQ(released, 1);
}

TEST_F(DBEditInplace, AFreedHolderLeavesTheEditorOnItsOwn) {
  auto* holder = Make<TTestHolder>(10, 140, 100, 30);
  auto* edit = new TCustomDBEditEh(Form);
  edit->SetInplaceEditHolder(holder);
  delete holder;
  EXPECT_EQ(edit->GetInplaceEditHolder(), nullptr);
  EXPECT_FALSE(edit->GetInplaceMode());
}

}  // namespace
