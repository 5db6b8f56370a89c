// While the resource list loads or saves, its wait window runs the pending
// messages: a click that arrives then, on the editor or on the main window,
// is dropped as under a modal window, and the list is read once. So is a click
// or key that reaches the display in the work's last steps, where no message
// runs, and at start-up anything done before the settings and the search list
// are read. Whatever the work's end, failed included, the windows take input
// again. The wait window is wide enough for its title, and stays until its
// work ends, whatever closes it meanwhile. Driven headless through the
// windows; the input is queued as the display delivers it, from inside the
// work.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "client/ResourceList.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_08_Wait.h"
#include "platform/core/Files.h"
#include "platform/ui/Display.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/MsgBox.h"
#include "tests/client/FolderFault.h"
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

// Action runs once, as the wait window goes: the work has taken its last step,
// and no message runs before it ends.
class TAsTheWaitWindowGoes {
public:
  explicit TAsTheWaitWindowGoes(std::function<void()> Action) {
    Form_Wait_Load->OnHide = [Action, done = false](TObject*) mutable {
      if (!std::exchange(done, true)) Action();
    };
  }
  ~TAsTheWaitWindowGoes() { Form_Wait_Load->OnHide = nullptr; }
  TAsTheWaitWindowGoes(const TAsTheWaitWindowGoes&) = delete;
  TAsTheWaitWindowGoes& operator=(const TAsTheWaitWindowGoes&) = delete;
};

// How often the wait window shows while it lives: once for each load or save.
class TWaitWindowShows {
public:
  TWaitWindowShows() {
    Form_Wait_Load->OnShow = [this](TObject*) { ++Count; };
  }
  ~TWaitWindowShows() { Form_Wait_Load->OnShow = nullptr; }
  TWaitWindowShows(const TWaitWindowShows&) = delete;
  TWaitWindowShows& operator=(const TWaitWindowShows&) = delete;
  Integer Count = 0;
};

// The modal windows that open while it lives, by class, each closed at once.
class TModalWatch {
public:
  TModalWatch() {
    Application->OnMessage = [this](TMsg&, bool&) {
      for (Integer i = 0; i < Screen->GetFormCount(); ++i)
        if (TCustomForm* f = Screen->GetForms(i);
            f->GetFormState().Contains(fsModal) && f->GetModalResult() == mrNone) {
          Opened += ToUtf8(String(f->ClassName())) + " ";
          f->SetModalResult(mrCancel);
        }
    };
  }
  ~TModalWatch() { Application->OnMessage = nullptr; }
  TModalWatch(const TModalWatch&) = delete;
  TModalWatch& operator=(const TModalWatch&) = delete;
  std::string Opened;
};

void QueueKey(Word VirtKey) {
  InjectKey(VirtKey, true);
  InjectKey(VirtKey, false);
}

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

TEST_F(ResourceListWait, InputMadeBeforeStartUpHasReadEverythingIsDroppedAndTheWindowTakesInputAfterwards) {
  const String settings = Drv.Folder() + u"Settings/";
  ASSERT_TRUE(ForceDirectories(settings));
  WriteFileAtomic(ListFile(), SavedList());
  WriteFileAtomic(settings + u"Borrowline.ini", "[FIND_SIMPLE]\r\nTitle_Check=1\r\nTitle_Text=War\r\n");
  WriteFileAtomic(settings + u"ListDB_for_Search.txt", "5\r\n7\r\n");
  ASSERT_TRUE(Drv.Start());
  auto queueInput = [] {
    QueueClick(Form_Main->SB_N_Add);
    QueueClick(Form_Main->SB_Menu_Res);
    InjectCloseRequest(Form_Main->GetHandle());
  };
  std::optional<bool> settingsReadWhenQueued;
  {
    const TModalWatch modals;
    // Before the first tick; as the load ends, where no message runs; and once
    // it has ended, when the main window gets the keyboard back, before the
    // settings and the search list are read.
    QueueClick(Form_Main->SB_Menu_Res);
    const TAsTheWaitWindowGoes asItGoes(queueInput);
    Form_Main->OnActivate = [&](TObject*) {
      if (settingsReadWhenQueued || Form_Wait_Load->GetVisible() || Dlg_ListDB->GetResourceTable().AllRecords().empty())
        return;
      settingsReadWhenQueued = Form_Main->Edit_Simple_Title->GetText() == u"War";
      queueInput();
    };
    Drv.AdvanceClock(100);
    Form_Main->OnActivate = nullptr;
    EXPECT_EQ(modals.Opened, "") << "opened on lists start-up had not read";
  }
  ASSERT_EQ(settingsReadWhenQueued, std::optional<bool>(false)) << "queued after the load, before the settings";
  ASSERT_FALSE(Application->GetTerminated()) << "the close box ended start-up";
  EXPECT_EQ(GetQueuedMessageCount(), 0);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetItems()->GetText(), u"5\r\n7\r\n");
  EXPECT_EQ(Form_Main->Edit_Simple_Title->GetText(), u"War");
  EXPECT_TRUE(IsWindowEnabled(Form_Main->GetHandle()));
  EXPECT_EQ(GetActiveWindow(), Form_Main->GetHandle());
  ExpectTheListOnceAndSavedAsItWas();  // "Ресурсы" opens the editor now
}

TEST_F(ResourceListWait, InputMadeAsTheEditorsLoadOrSaveEndsIsDropped) {
  ASSERT_TRUE(Drv.StartWithResourceList(SavedList()));
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    for (TSpeedButton* work : {w->SB_Load, w->SB_Save}) {
      SCOPED_TRACE(ToUtf8(work->GetName()));
      {
        const TWaitWindowShows shows;
        const TAsTheWaitWindowGoes asItGoes([w] {
          QueueClick(w->SB_Load);
          QueueClick(w->SB_Cancel);
          QueueKey(VK_ESCAPE);  // Cancel too
        });
        Drv.Click(work);
        EXPECT_EQ(shows.Count, 1) << "loaded again";
      }
      EXPECT_EQ(w->GetModalResult(), mrNone) << "the editor was closed";
      EXPECT_FALSE(Form_Wait_Load->GetVisible());
      EXPECT_TRUE(IsWindowEnabled(w->GetHandle()));
      EXPECT_EQ(GetActiveWindow(), w->GetHandle());
    }
    Drv.Click(w->SB_Cancel);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_TRUE(IsWindowEnabled(Form_Main->GetHandle()));
  ExpectTheListOnceAndSavedAsItWas();
}

TEST_F(ResourceListWait, ALoadOrSaveThatFailsGivesEveryWindowItsInputBack) {
  ASSERT_TRUE(Drv.StartWithResourceList(SavedList()));
  const String settings = Drv.Folder() + u"Settings/";
  // The editor's "Сохранить" into a full folder (the write fails) and into one
  // made read-only; OK after a change, whose save fails after the editor has
  // gone; "Загрузить" of a list that cannot be read.
  Integer opened = 0;
  std::optional<TSaveFolderFault> fullAsTheEditorCloses;
  auto addRecord = [&](TDlg_ListDB* w) {
    Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) { Drv.Click(d->SB_OK); });
    Drv.Click(w->SB_N_Add_0);
    EXPECT_TRUE(w->Label_YesModify->GetVisible());
  };
  auto takesInput = [&](TDlg_ListDB* w) {
    EXPECT_TRUE(IsWindowEnabled(w->GetHandle()));
    EXPECT_EQ(GetActiveWindow(), w->GetHandle());
  };
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    ++opened;
    {
      const TSaveFolderFault full(TFolderFault::Full, settings);
      Drv.Click(w->SB_Save);
    }
    ASSERT_EQ(Drv.Boxes().size(), 1u);
    EXPECT_TRUE(Drv.Boxes()[0].Plain) << "the standard error box";
    takesInput(w);
    {
      const TSaveFolderFault readOnly(TFolderFault::ReadOnly, settings);
      Drv.AnswerBox(true);
      Drv.Click(w->SB_Save);
    }
    ASSERT_EQ(Drv.Boxes().size(), 2u);
    EXPECT_EQ(Drv.Boxes()[1].Text, u"Данные не сохранены...");
    takesInput(w);
    addRecord(w);
    Drv.Click(w->SB_OK);
    fullAsTheEditorCloses.emplace(TFolderFault::Full, settings);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  fullAsTheEditorCloses.reset();
  ASSERT_EQ(Drv.Boxes().size(), 3u);
  EXPECT_TRUE(Drv.Boxes()[2].Plain);
  EXPECT_TRUE(IsWindowEnabled(Form_Main->GetHandle()));
  EXPECT_EQ(GetActiveWindow(), Form_Main->GetHandle());

  if (!std::filesystem::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc";
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    ++opened;
    // A regular file whose reading fails, as one the user may not read does.
    ASSERT_TRUE(DeleteFile(ListFile()));
    std::filesystem::create_symlink("/proc/self/mem", ToUtf8(ListFile()));
    Drv.AnswerBox(true);
    Drv.Click(w->SB_Load);
    ASSERT_EQ(Drv.Boxes().size(), 4u);
    EXPECT_TRUE(Drv.Boxes()[3].Text.starts_with(u"Список ресурсов не прочитан: ошибка ввода-вывода."));
    takesInput(w);
    Drv.Click(w->SB_Cancel);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_EQ(opened, 2) << "the main window took no click";
  EXPECT_TRUE(IsWindowEnabled(Form_Main->GetHandle()));
}

TEST(ResourceListWaitWindow, IgnoresItsCloseWhileItsWorkRunsAndTheMainWindowClosesAfterwardsEveryWay) {
  // The start-up load, then the editor's "Загрузить" and "Сохранить": half-way
  // through each, the wait window is closed by its frame's close box and by
  // Alt+F4. Then the program is closed by the main window's close box, by
  // Alt+F4 with the keyboard in one of its fields, or by "Выход".
  enum class TWay { CloseBox, AltF4, Exit };
  for (const auto& [way, name] :
       {std::pair{TWay::CloseBox, "close box"}, std::pair{TWay::AltF4, "Alt+F4"}, std::pair{TWay::Exit, "Выход"}}) {
    SCOPED_TRACE(name);
    TProgramDriver drv;
    ASSERT_TRUE(ForceDirectories(drv.Folder() + u"Settings/"));
    WriteFileAtomic(drv.Folder() + u"Settings/ListDB.txt", SavedList());
    ASSERT_TRUE(drv.Start());
    auto closedHalfWay = [](const std::function<void()>& Work) {
      std::optional<Integer> closedAt;
      bool shownAfterwards = false;
      {
        const TWhileWaitShows whileWaitShows([&] {
          const Integer progress = Form_Wait_Load->Gauge1->GetProgress();
          if (closedAt) {
            shownAfterwards = shownAfterwards || progress > *closedAt;
          } else if (HalfDone()) {
            closedAt = progress;
            EXPECT_EQ(GetActiveWindow(), Form_Wait_Load->GetHandle()) << "Alt+F4 goes there";
            InjectCloseRequest(Form_Wait_Load->GetHandle());
            InjectKey(VK_MENU, true);
            QueueKey(VK_F4);
            InjectKey(VK_MENU, false);
          }
        });
        Work();
      }
      EXPECT_TRUE(closedAt.has_value());
      EXPECT_TRUE(shownAfterwards) << "the wait window went while its work ran";
      EXPECT_FALSE(Form_Wait_Load->GetVisible()) << "shown after its work ended";
    };
    closedHalfWay([&] { drv.AdvanceClock(100); });
    drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
      closedHalfWay([&] { drv.Click(w->SB_Load); });
      closedHalfWay([&] { drv.Click(w->SB_Save); });
      drv.Click(w->SB_Cancel);
    });
    drv.Press(Form_Main, u"SB_Menu_Res");
    ASSERT_FALSE(Application->GetTerminated());

    switch (way) {
      case TWay::CloseBox: drv.CloseMainWindow(); break;
      case TWay::AltF4:
        ASSERT_TRUE(IsChild(Form_Main->GetHandle(), GetFocus()));
        drv.Display().Key(VK_F4, THeadlessShift::Alt);
        break;
      case TWay::Exit: drv.Press(Form_Main, u"SB_Menu_Close"); break;
    }
    EXPECT_TRUE(Application->GetTerminated());
    EXPECT_TRUE(FileExists(drv.Folder() + u"Settings/Borrowline.ini")) << "the close saved the settings";
  }
}
