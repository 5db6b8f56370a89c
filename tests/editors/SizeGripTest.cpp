// The size grip of a drop-down: its corner and shape, where it moves when the
// drop-down opens the other way, its look, and resizing by dragging it with real
// mouse messages, within the work area and the list's own limits.

#include "DropDownTestSupport.h"
#include "platform/core/Strings.h"

namespace {

class SizeGrip : public DropDownFixture {
protected:
  TSizeGripEh* Grip = nullptr;

  void OpenSizable(Integer Items = 20, Integer Rows = 5) {
    for (Integer i = 0; i < Items; ++i) Edit->List->GetItems()->Add(u"item " + IntToStr(i));
    Edit->Rows = Rows;
    Grip = Edit->List->GetSizeGrip();
    Grip->ShowGrip(true);
    Edit->DropDown();
    Display.ProcessMessages();
  }
  // Drags the grip from a point inside its triangle by (DX, DY).
  void DragGrip(Integer DX, Integer DY) {
    const TPoint from = GripInside();
    Display.Drag(Grip->GetHandle(), from, TPoint(from.X + DX, from.Y + DY));
  }
  // A point of the grip's own triangle (its corner half).
  TPoint GripInside() const {
    const Integer w = Grip->GetWidth(), h = Grip->GetHeight();
    switch (Grip->GetPosition()) {
      case sgpBottomRight: return TPoint(w - 3, h - 3);
      case sgpBottomLeft: return TPoint(2, h - 3);
      case sgpTopRight: return TPoint(w - 3, 2);
      case sgpTopLeft: return TPoint(2, 2);
    }
    return TPoint();
  }
  TRect GripInList() const { return Grip->GetBoundsRect(); }
};

TEST_F(SizeGrip, SitsInTheBottomRightCornerOfADropDownThatOpensDownward) {
  MakeForm();
  OpenSizable();
  const TRect client = Edit->List->GetClientRect();
  EXPECT_EQ(Grip->GetPosition(), sgpBottomRight);
  EXPECT_EQ(GripInList(), TRect(client.Right - 17, client.Bottom - 17, client.Right, client.Bottom));
  EXPECT_EQ(Grip->GetCursor(), crSizeNWSE);
  EXPECT_EQ(Grip->GetColor(), clBtnFace);
}

TEST_F(SizeGrip, OnlyItsTriangleTakesTheMouse) {
  MakeForm();
  OpenSizable();
  const TPoint outside(2, 2);
  const TPoint insideScreen = Grip->ClientToScreen(GripInside());
  const TPoint outsideScreen = Grip->ClientToScreen(outside);
  EXPECT_EQ(WindowFromPoint(insideScreen), Grip->GetHandle());
  EXPECT_EQ(WindowFromPoint(outsideScreen), Edit->List->GetHandle());
  Grip->SetTriangle(false);
  EXPECT_EQ(WindowFromPoint(outsideScreen), Grip->GetHandle());
}

TEST_F(SizeGrip, IsDrawnAsDiagonalsOfHighlightShadowShadowAndFace) {
  MakeForm();
  OpenSizable();
  HWND g = Grip->GetHandle();
  // Counted from the bottom-right corner along the bottom row.
  EXPECT_EQ(Display.PixelAt(g, 15, 16), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Display.PixelAt(g, 14, 16), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Display.PixelAt(g, 13, 16), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Display.PixelAt(g, 12, 16), ColorToRGB(clBtnFace));
  EXPECT_EQ(Display.PixelAt(g, 11, 16), ColorToRGB(clBtnHighlight));
  // And along the diagonal they are lines: the same colour one step up and right.
  EXPECT_EQ(Display.PixelAt(g, 15, 15), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Display.PixelAt(g, 16, 13), ColorToRGB(clBtnShadow));
}

TEST_F(SizeGrip, MovesToTheCornerTheDropDownsWayCallsFor) {
  TSizeGripEh grip(nullptr);
  struct TCase {
    TSizeGripPosition From;
    TSizeGripChangePosition Way;
    TSizeGripPosition To;
  };
  const TCase cases[] = {
      {sgpTopRight, sgcpToLeft, sgpTopLeft},        {sgpBottomRight, sgcpToLeft, sgpBottomLeft},
      {sgpTopLeft, sgcpToLeft, sgpTopLeft},         {sgpTopLeft, sgcpToRight, sgpTopRight},
      {sgpBottomLeft, sgcpToRight, sgpBottomRight}, {sgpBottomRight, sgcpToRight, sgpBottomRight},
      {sgpBottomRight, sgcpToTop, sgpTopRight},     {sgpBottomLeft, sgcpToTop, sgpTopLeft},
      {sgpTopLeft, sgcpToTop, sgpTopLeft},          {sgpTopRight, sgcpToBottom, sgpBottomRight},
      {sgpTopLeft, sgcpToBottom, sgpBottomLeft},    {sgpBottomLeft, sgcpToBottom, sgpBottomLeft},
  };
  for (const TCase& c : cases) {
    grip.SetPosition(c.From);
    grip.ChangePosition(c.Way);
    EXPECT_EQ(grip.GetPosition(), c.To) << int(c.From) << " " << int(c.Way);
  }
  grip.SetPosition(sgpTopRight);
  EXPECT_EQ(grip.GetCursor(), crSizeNESW);
  grip.SetPosition(sgpTopLeft);
  EXPECT_EQ(grip.GetCursor(), crSizeNWSE);
}

TEST_F(SizeGrip, DraggingResizesTheListByWholeRowsAndFollowsTheCorner) {
  MakeForm();
  OpenSizable();
  const TRect before = ListScreenRect();
  const Integer item = Edit->List->GetItemHeight();
  Integer resized = 0;
  Grip->OnParentResized = [&](TObject* Sender) {
    EXPECT_EQ(Sender, Grip);
    ++resized;
  };
  DragGrip(60, 2 * item + 3);
  const TRect after = ListScreenRect();
  EXPECT_EQ(after.TopLeft(), before.TopLeft());
  EXPECT_EQ(after.Width(), before.Width() + 60);
  EXPECT_EQ(after.Height(), before.Height() + 2 * item);
  EXPECT_EQ(Edit->List->GetRowCount(), 7);
  EXPECT_GT(resized, 0);
  EXPECT_TRUE(Edit->List->GetSizeChanged());
  const TRect client = Edit->List->GetClientRect();
  EXPECT_EQ(GripInList().BottomRight(), client.BottomRight());
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
  EXPECT_TRUE(ListShown());
}

TEST_F(SizeGrip, DraggingStopsAtTheWorkAreasEdge) {
  MakeForm();
  OpenSizable(60);
  const TRect before = ListScreenRect();
  DragGrip(2000, 2000);
  const TRect after = ListScreenRect();
  EXPECT_EQ(after.Right, 1280);
  EXPECT_LE(after.Bottom, 984);
  EXPECT_GT(after.Bottom, 984 - Edit->List->GetItemHeight());
  EXPECT_EQ(after.TopLeft(), before.TopLeft());
}

TEST_F(SizeGrip, DraggingInwardKeepsAtLeastOneRowAndAnArrowsWidth) {
  MakeForm();
  OpenSizable();
  DragGrip(-1000, -1000);
  EXPECT_EQ(Edit->List->GetRowCount(), 1);
  EXPECT_EQ(Edit->List->GetWidth(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(Edit->List->GetHeight(), Edit->List->GetBorderHeight() + Edit->List->GetItemHeight());
}

TEST_F(SizeGrip, AGripAtTheTopGrowsTheListUpwardAndKeepsItsBottomOnTheHost) {
  MakeForm(20, 820);
  Edit->SetTop(884 - Edit->GetHeight() - Form->ClientToScreen(TPoint(0, 0)).Y);
  OpenSizable(60, 30);
  ASSERT_EQ(Grip->GetPosition(), sgpTopRight);
  const TRect client = Edit->List->GetClientRect();
  EXPECT_EQ(GripInList(), TRect(client.Right - 17, 0, client.Right, 17));
  const Integer item = Edit->List->GetItemHeight();
  const Integer hostTop = EditScreenRect().Top;
  ASSERT_EQ(ListScreenRect().Bottom, hostTop);
  DragGrip(0, -(3 * item + 5));
  EXPECT_EQ(ListScreenRect().Bottom, hostTop);
  EXPECT_EQ(Edit->List->GetRowCount(), 33);
  DragGrip(0, -2000);
  EXPECT_GE(ListScreenRect().Top, 0);
  EXPECT_EQ(ListScreenRect().Bottom, hostTop);
}

TEST_F(SizeGrip, AGripOnTheLeftKeepsTheRightEdge) {
  MakeForm();
  Edit->Align = daRight;
  Edit->SetLeft(330);
  Edit->SetWidth(40);
  OpenSizable();
  ASSERT_EQ(Grip->GetPosition(), sgpBottomLeft);
  const TRect before = ListScreenRect();
  DragGrip(-50, 0);
  EXPECT_EQ(ListScreenRect().Right, before.Right);
  EXPECT_EQ(ListScreenRect().Width(), before.Width() + 50);
  EXPECT_EQ(GripInList().Left, 0);
}

}  // namespace
