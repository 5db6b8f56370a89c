// While the resource list loads or saves, its wait window runs the pending
// messages: a click that arrives then, on the editor or on the main window,
// is dropped as under a modal window, and the list is read once. The wait
// window is wide enough for its title. Driven headless through the windows;
// the clicks are queued as the display delivers input, from inside the load.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "client/ResourceList.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_08_Wait.h"
#include "platform/core/Files.h"
#include "platform/ui/Display.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/MsgBox.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/ResourceListText.h"

namespace {

constexpr Integer kResources = 300;

// A list as the program saves it: its head, the root group, the resources.
std::string SavedList() {
  std::string list = ResourceListHeadBytes() + "0\t-1\t0\t0\t+\t+\tRoot\t \t \t0\t \t \t \t \t \t\r\n";
  for (Integer id = 1; id <= kResources; ++id)
    list += ResourceListLine(id, "Catalogue " + std::to_string(id), "Default", "host", 210, "USMARC");
  return list;
}

// Step runs at each message a pump takes while the wait window shows.
class TWhileWaitShows {
public:
  explicit TWhileWaitShows(std::function<void()> Step) {
    Application->OnMessage = [Step](TMsg&, bool&) {
      if (Form_Wait_Load->GetVisible()) Step();
    };
  }
  ~TWhileWaitShows() { Application->OnMessage = nullptr; }
  TWhileWaitShows(const TWhileWaitShows&) = delete;
  TWhileWaitShows& operator=(const TWhileWaitShows&) = delete;
};

bool HalfDone() { return Form_Wait_Load->Gauge1->GetProgress() >= 50; }

// A click on C as the display delivers it, taken by whichever loop next runs
// the messages.
void QueueClick(TControl* C) {
  const TPoint p = C->ClientToScreen(TPoint(C->GetWidth() / 2, C->GetHeight() / 2));
  for (TMouseAction a : {TMouseAction::Move, TMouseAction::Down, TMouseAction::Up}) InjectMouse(a, mbLeft, p);
}

class ResourceListWait : public ::testing::Test {
protected:
  String ListFile() const { return Drv.Folder() + u"Settings/ListDB.txt"; }
  // The table holds each resource once, nothing it shows as changed, and
  // "Сохранить" in the editor writes back what the file held.
  void ExpectTheListOnceAndSavedAsItWas() {
    EXPECT_EQ(Dlg_ListDB->GetResourceTable().AllRecords().size(), size_t(kResources + 1));
    Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
      EXPECT_FALSE(w->Label_YesModify->GetVisible());
      Drv.Click(w->SB_Save);
      Drv.Click(w->SB_Cancel);
    });
    Drv.Press(Form_Main, u"SB_Menu_Res");
    EXPECT_TRUE(ReadFileBytes(ListFile()) == SavedList()) << "the save wrote another list";
    EXPECT_TRUE(Drv.Boxes().empty());
  }

  TProgramDriver Drv;
};

}  // namespace

TEST_F(ResourceListWait, ASecondClickOnLoadWhileTheListLoadsIsDroppedAndTheEditorTakesInputAgainAfterwards) {
  ASSERT_TRUE(Drv.StartWithResourceList(SavedList()));
  bool queued = false;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    Integer shownAgain = 0;  // a second load shows its progress from 0 again
    Integer last = 0;
    {
      const TWhileWaitShows whileWaitShows([&] {
        const Integer progress = Form_Wait_Load->Gauge1->GetProgress();
        if (progress < last) ++shownAgain;
        last = progress;
        if (queued || !HalfDone()) return;
        queued = true;
        EXPECT_FALSE(IsWindowEnabled(w->GetHandle()));
        EXPECT_EQ(GetActiveWindow(), Form_Wait_Load->GetHandle()) << "the keyboard goes there";
        QueueClick(w->SB_Load);
      });
      Drv.Click(w->SB_Load);
    }
    EXPECT_EQ(shownAgain, 0) << "the list was read once";
    EXPECT_FALSE(Form_Wait_Load->GetVisible());
    EXPECT_TRUE(IsWindowEnabled(w->GetHandle()));
    EXPECT_EQ(GetActiveWindow(), w->GetHandle());
    EXPECT_FALSE(IsWindowEnabled(Form_Main->GetHandle())) << "the editor keeps it disabled";
    Drv.Click(w->SB_Cancel);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_TRUE(queued);
  EXPECT_TRUE(IsWindowEnabled(Form_Main->GetHandle()));
  ExpectTheListOnceAndSavedAsItWas();
}

TEST_F(ResourceListWait, AClickOnResourcesDuringTheStartUpLoadIsDroppedAndTheWaitWindowHoldsItsTitle) {
  ASSERT_TRUE(ForceDirectories(Drv.Folder() + u"Settings/"));
  WriteFileAtomic(ListFile(), SavedList());
  ASSERT_TRUE(Drv.Start());
  bool queued = false;
  bool editorOpened = false;
  bool startingUp = true;
  std::map<String, Integer> widths;  // of the wait window, by its title
  {
    const TWhileWaitShows whileWaitShows([&] {
      widths[Form_Wait_Load->GetCaption()] = Form_Wait_Load->GetClientWidth();
      if (!startingUp || !HalfDone()) return;
      if (auto* w = TProgramDriver::OpenModal<TDlg_ListDB>()) {
        editorOpened = true;  // on the table the load is filling
        w->SetModalResult(mrCancel);
      }
      if (queued) return;
      queued = true;
      QueueClick(Form_Main->SB_Menu_Res);
    });
    Drv.AdvanceClock(100);
    startingUp = false;
    EXPECT_TRUE(queued);
    EXPECT_FALSE(editorOpened);
    EXPECT_FALSE(Form_Wait_Load->GetVisible());
    EXPECT_TRUE(IsWindowEnabled(Form_Main->GetHandle()));
    ExpectTheListOnceAndSavedAsItWas();  // the save shows the wait window too
  }
  for (const String title : {u"Загрузка ресурсов Z39.50", u"Выгрузка ресурсов Z39.50"}) {
    ASSERT_TRUE(widths.count(title)) << ToUtf8(title);
    EXPECT_GE(widths[title], TitleBarClientWidth(title)) << ToUtf8(title);
  }
}
