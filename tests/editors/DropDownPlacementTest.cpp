// Where a drop-down goes against its host, inside the work area of the host's
// monitor, and what it is told about the way it extends.

#include <gtest/gtest.h>

#include <vector>

#include "editors/ToolCtrlsEh.h"
#include "platform/backend/Headless.h"

namespace {

// A plain window that records what WM_DROPDOWNPLACED tells it.
class TDropDownProbe : public TWinControl {
public:
  explicit TDropDownProbe(Integer W, Integer H) : TWinControl(nullptr) { SetBounds(0, 0, W, H); }
  std::vector<WPARAM> Placed;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_DROPDOWNPLACED) Placed.push_back(Message.WParam);
    TWinControl::Dispatch(Message);
  }
};

class DropDownPlacement : public ::testing::Test {
protected:
  THeadlessDisplay Display;  // one monitor 1280x1024, work area 1280x984
  TPoint P;
};

TEST_F(DropDownPlacement, OpensBelowTheHostWhenItFits) {
  TDropDownProbe win(200, 150);
  AlignDropDownWindowRectEh(TRect(100, 200, 250, 221), &win, daLeft, P);
  EXPECT_EQ(P, TPoint(100, 221));
  EXPECT_EQ(win.GetHeight(), 150);
  EXPECT_EQ(win.Placed, (std::vector<WPARAM>{3, 1}));
}

TEST_F(DropDownPlacement, OpensAboveWhenOnlyThereItFits) {
  // 300 high under a host 100 pixels above the work area's bottom, 500 pixels above it.
  TDropDownProbe win(200, 300);
  AlignDropDownWindowRectEh(TRect(100, 500, 250, 884), &win, daLeft, P);
  EXPECT_EQ(P, TPoint(100, 200));
  EXPECT_EQ(win.GetHeight(), 300);
  EXPECT_EQ(win.Placed, (std::vector<WPARAM>{2, 1}));
}

TEST_F(DropDownPlacement, FittingNeitherWayTakesTheSideWithMoreRoomAndCutsTheHeight) {
  TDropDownProbe below(100, 900);
  AlignDropDownWindowRectEh(TRect(0, 300, 100, 320), &below, daLeft, P);
  EXPECT_EQ(P.Y, 320);
  EXPECT_EQ(below.GetHeight(), 984 - 320);
  EXPECT_EQ(below.Placed.front(), 3u);

  TDropDownProbe above(100, 900);
  AlignDropDownWindowRectEh(TRect(0, 700, 100, 720), &above, daLeft, P);
  EXPECT_EQ(P.Y, 0);
  EXPECT_EQ(above.GetHeight(), 700);
  EXPECT_EQ(above.Placed.front(), 2u);

  // Equal room: below.
  TDropDownProbe tie(100, 900);
  AlignDropDownWindowRectEh(TRect(0, 482, 100, 502), &tie, daLeft, P);
  EXPECT_EQ(P.Y, 502);
  EXPECT_EQ(tie.GetHeight(), 482);
}

TEST_F(DropDownPlacement, AlignsLeftRightOrCentredOnTheHost) {
  const TRect host(300, 100, 400, 120);
  TDropDownProbe left(160, 50), right(160, 50), centre(160, 50);
  AlignDropDownWindowRectEh(host, &left, daLeft, P);
  EXPECT_EQ(P.X, 300);
  EXPECT_EQ(left.Placed.back(), 1u);
  AlignDropDownWindowRectEh(host, &right, daRight, P);
  EXPECT_EQ(P.X, 240);
  EXPECT_EQ(right.Placed.back(), 0u);
  AlignDropDownWindowRectEh(host, &centre, daCenter, P);
  EXPECT_EQ(P.X, 270);
  EXPECT_EQ(centre.Placed.back(), 1u);
}

TEST_F(DropDownPlacement, IsPushedBackInsideTheWorkArea) {
  TDropDownProbe atRight(300, 50);
  AlignDropDownWindowRectEh(TRect(1100, 100, 1200, 120), &atRight, daLeft, P);
  EXPECT_EQ(P.X, 1280 - 300);
  EXPECT_EQ(atRight.Placed.back(), 0u);  // it now extends to the left
  TDropDownProbe atLeft(300, 50);
  AlignDropDownWindowRectEh(TRect(10, 100, 110, 120), &atLeft, daRight, P);
  EXPECT_EQ(P.X, 0);
  EXPECT_EQ(atLeft.Placed.back(), 1u);
  TDropDownProbe wide(2000, 50);
  AlignDropDownWindowRectEh(TRect(10, 100, 110, 120), &wide, daLeft, P);
  EXPECT_EQ(wide.GetWidth(), 1280);
  EXPECT_EQ(P.X, 0);
}

TEST_F(DropDownPlacement, UsesTheWorkAreaOfTheHostsMonitor) {
  Display.SetMonitors(
      {{TRect(0, 0, 1280, 1024), TRect(0, 0, 1280, 984)}, {TRect(1280, 0, 2560, 800), TRect(1280, 40, 2560, 800)}});
  // On the second monitor, whose work area ends at 800, the list no longer fits below.
  TDropDownProbe win(200, 300);
  AlignDropDownWindowRectEh(TRect(1400, 600, 1500, 620), &win, daLeft, P);
  EXPECT_EQ(P, TPoint(1400, 300));
  // Near its right edge it is pushed back inside that monitor, not the first one.
  TDropDownProbe right(200, 100);
  AlignDropDownWindowRectEh(TRect(2500, 100, 2550, 120), &right, daLeft, P);
  EXPECT_EQ(P.X, 2560 - 200);
}

TEST_F(DropDownPlacement, AControlHostIsTakenAtItsPlaceOnTheScreen) {
  TForm* form = new TForm(Application);
  form->SetBounds(200, 150, 300, 200);
  auto* host = new TButton(form);
  host->SetParent(form);
  host->SetBounds(10, 20, 80, 24);
  form->Show();
  TDropDownProbe win(120, 60);
  AlignDropDownWindowEh(host, &win, daRight, P);
  const TRect hostOnScreen = GetWindowRect(host->GetHandle());
  EXPECT_EQ(P, TPoint(hostOnScreen.Right - 120, hostOnScreen.Bottom));
}

}  // namespace
