// The check box editor dragged in automatic drag mode: a click still toggles
// it, a drag carries it onto a panel without toggling, and a dock drag floats it.

#include <string>
#include <vector>

#include "DBEditorsTestSupport.h"
#include "platform/ui/DragDrop.h"
#include "platform/ui/ExtCtrls.h"

namespace {

class DBCheckBoxDrag : public DBEditorsFixture {
protected:
  TDBCheckBoxEh* Box = nullptr;
  TPanel* Target = nullptr;
  std::vector<std::string> Log;

  void SetUp() override {
    DBEditorsFixture::SetUp();
    MakeForm();
    Box = Make<TDBCheckBoxEh>(20, 20, 150, 17);
    Target = Make<TPanel>(20, 80, 150, 60);
    Box->SetDragMode(dmAutomatic);
    Box->OnStartDrag = [this](TObject*, TDragObject*&) { Log.push_back("start"); };
    Box->OnEndDrag = [this](TObject*, TObject* To, Integer, Integer) {
      Log.push_back(To == Target ? "end panel" : To ? "end elsewhere" : "end none");
    };
    Box->OnStartDock = [this](TObject*, TDragDockObject*&) { Log.push_back("start dock"); };
    Box->OnEndDock = [this](TObject*, TObject* To, Integer, Integer) { Log.push_back(To ? "end site" : "end dock"); };
    Target->OnDragOver = [this](TObject*, TObject* Source, Integer, Integer, TDragState, bool&) {
      EXPECT_EQ(Source, Box);
    };
    Target->OnDragDrop = [this](TObject*, TObject* Source, Integer X, Integer Y) {
      EXPECT_EQ(Source, Box);
      Log.push_back("drop " + std::to_string(X) + "," + std::to_string(Y));
    };
    Display.ProcessMessages();
  }
  void DragBoxTo(Integer X, Integer Y) {
    Display.AdvanceClock(GetDoubleClickTime() + 1);
    Log.clear();
    Display.MouseDown(Box->GetHandle(), 6, 8);
    Display.MouseMove(Form->GetHandle(), X, Y);
    Display.MouseUp(Form->GetHandle(), X, Y);
  }
};

}  // namespace

TEST_F(DBCheckBoxDrag, AClickTogglesADragCarriesItAndADockDragFloatsIt) {
  Display.Click(Box->GetHandle(), 6, 8);
  EXPECT_TRUE(Box->GetChecked());
  EXPECT_EQ(Log, std::vector<std::string>{});

  DragBoxTo(60, 100);
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "drop 40,20", "end panel"}));
  EXPECT_TRUE(Box->GetChecked());
  EXPECT_EQ(GetCapture(), nullptr);

  Box->SetDragKind(dkDock);
  DragBoxTo(250, 40);
  EXPECT_EQ(Log, (std::vector<std::string>{"start dock", "end dock"}));
  EXPECT_TRUE(Box->Floating());
  EXPECT_TRUE(Box->GetChecked());
  ASSERT_TRUE(Box->ManualDock(Form));
  EXPECT_EQ(Box->GetParent(), Form);
  EXPECT_FALSE(Box->Floating());
}
