// Painting and scrolling: update regions, erase, clipping of children, scroll
// bars (visibility, 32-bit positions, mouse tracking) and ScrollWindowEx.

#include <gtest/gtest.h>

#include <cairo.h>

#include "platform/ui/ScrollBars.h"
#include "tests/platform/ui/WindowTestSupport.h"

namespace {

// Fills the client area with a colour on every WM_PAINT and counts paints.
struct TPainter {
  TColor Color = clRed;
  Integer Paints = 0;
  TRect LastPaintRect;
  std::function<bool(TMessage&)> Handler(HWND* self) {
    return [this, self](TMessage& m) {
      if (m.Msg != WM_PAINT) return false;
      TPaintStruct ps;
      HDC dc = BeginPaint(*self, ps);
      HBRUSH b = CreateSolidBrush(COLORREF(ColorToRGB(Color)));
      FillRect(dc, GetClientRect(*self), b);
      DeleteObject(b);
      EndPaint(*self, ps);
      ++Paints;
      LastPaintRect = ps.rcPaint;
      return true;
    };
  }
};

class Painting : public ::testing::Test {
protected:
  TMessageLog Log;
  THeadlessDisplay Display;
  HWND Top = nullptr;
  void SetUp() override { MakeTopLevel(Log, &Top, Bounds(0, 0, 200, 150), WS_POPUP | WS_VISIBLE); }
};

TEST_F(Painting, TheBackgroundIsErasedWithTheClassColour) {
  EXPECT_EQ(Display.PixelAt(Top, 10, 10), ColorToRGB(clBtnFace));
}

TEST_F(Painting, ChildrenPaintOverTheirParentAndNeverOutsideIt) {
  TPainter red;
  HWND child = nullptr;
  MakeChild(Log, &child, Top, Bounds(150, 100, 100, 100), WS_VISIBLE, 0, red.Handler(&child));
  EXPECT_EQ(Display.PixelAt(Top, 160, 110), clRed);
  EXPECT_EQ(Display.PixelAt(Top, 140, 110), ColorToRGB(clBtnFace));
  // The part of the child beyond the parent is not drawn: the image ends there.
  EXPECT_EQ(Display.PixelAt(child, 60, 60), clNone);
}

TEST_F(Painting, SiblingsAboveClipSiblingsBelow) {
  TPainter red, blue;
  blue.Color = clBlue;
  HWND lower = nullptr, upper = nullptr;
  MakeChild(Log, &lower, Top, Bounds(10, 10, 100, 100), WS_VISIBLE, 0, red.Handler(&lower));
  MakeChild(Log, &upper, Top, Bounds(50, 50, 100, 100), WS_VISIBLE, 0, blue.Handler(&upper));
  Display.ProcessMessages();
  // The lower one repaints everything; the overlap stays blue.
  InvalidateRect(lower, nullptr, true);
  UpdateWindow(lower);
  EXPECT_EQ(Display.PixelAt(Top, 60, 60), clBlue);
  EXPECT_EQ(Display.PixelAt(Top, 20, 20), clRed);
}

TEST_F(Painting, InvalidationsMergeIntoOnePaintOfTheirBounds) {
  TPainter p;
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(0, 0, 100, 100), WS_VISIBLE, 0, p.Handler(&w));
  Display.ProcessMessages();
  Integer before = p.Paints;
  TRect a(10, 10, 20, 20), b(40, 50, 60, 70);
  InvalidateRect(w, &a, false);
  InvalidateRect(w, &b, false);
  TRect upd;
  EXPECT_TRUE(GetUpdateRect(w, &upd, false));
  EXPECT_EQ(upd, TRect(10, 10, 60, 70));
  Display.ProcessMessages();
  EXPECT_EQ(p.Paints, before + 1);
  EXPECT_EQ(p.LastPaintRect, TRect(10, 10, 60, 70));
  EXPECT_FALSE(GetUpdateRect(w, &upd, false));
  // Validating before the paint leaves nothing to paint.
  InvalidateRect(w, nullptr, false);
  ValidateRect(w, nullptr);
  Display.ProcessMessages();
  EXPECT_EQ(p.Paints, before + 1);
}

TEST_F(Painting, TheUpdateRegionHoldsWhatWasInvalidatedAndNotItsBounds) {
  HWND w = nullptr;
  TPainter p;
  MakeChild(Log, &w, Top, Bounds(0, 0, 100, 100), WS_VISIBLE, 0, p.Handler(&w));
  Display.ProcessMessages();
  HRGN Rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetUpdateRgn(w, Rgn, false), NULLREGION);
  const TRect A(0, 0, 100, 10), B(0, 90, 100, 100);
  InvalidateRect(w, &A, false);
  EXPECT_EQ(GetUpdateRgn(w, Rgn, false), SIMPLEREGION);
  InvalidateRect(w, &B, false);
  EXPECT_EQ(GetUpdateRgn(w, Rgn, false), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(Rgn, 50, 5));
  EXPECT_TRUE(PtInRegion(Rgn, 50, 95));
  EXPECT_FALSE(PtInRegion(Rgn, 50, 50));
  Display.ProcessMessages();
  EXPECT_EQ(GetUpdateRgn(w, Rgn, false), NULLREGION);
  DeleteObject(Rgn);
}

TEST_F(Painting, AWindowThatNeverValidatesDoesNotSpin) {
  HWND w = nullptr;
  int paints = 0;
  MakeChild(Log, &w, Top, Bounds(0, 0, 10, 10), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg == WM_PAINT) {
      ++paints;
      return true;  // no BeginPaint
    }
    return false;
  });
  Display.ProcessMessages();
  EXPECT_EQ(paints, 1);
}

// ---- Scroll bars ----------------------------------------------------------------------------

class ScrollBars : public Painting {
protected:
  HWND Grid = nullptr;
  void SetUp() override {
    Painting::SetUp();
    MakeChild(Log, &Grid, Top, Bounds(0, 0, 150, 120), WS_VISIBLE | WS_BORDER);
  }
  void SetInfo(Integer min, Integer max, UINT page, Integer pos, UINT extra = 0) {
    TScrollInfo si;
    si.fMask = SIF_ALL | extra;
    si.nMin = min;
    si.nMax = max;
    si.nPage = page;
    si.nPos = pos;
    SetScrollInfo(Grid, SB_VERT, si, true);
  }
  // A 100x100 child (written to g) with a vertical bar over [0, max] and the given
  // page; Handler sees its messages first.
  void MakeBarChild(HWND& g, Integer max, UINT page, std::function<bool(TMessage&)> Handler) {
    MakeChild(Log, &g, Top, Bounds(0, 0, 100, 100), WS_VISIBLE, 0, std::move(Handler));
    TScrollInfo si;
    si.fMask = SIF_ALL;
    si.nMax = max;
    si.nPage = page;
    SetScrollInfo(g, SB_VERT, si, true);
  }
};

TEST_F(ScrollBars, ABarShowsOnlyWhileTheRangeExceedsThePage) {
  SetInfo(0, 9, 10, 0);
  EXPECT_FALSE(IsScrollBarVisible(Grid, SB_VERT));
  SetInfo(0, 10, 10, 0);
  EXPECT_TRUE(IsScrollBarVisible(Grid, SB_VERT));
  EXPECT_EQ(GetClientRect(Grid).Width(), 148 - GetSystemMetrics(SM_CXVSCROLL));
  SetInfo(5, 5, 0, 5);
  EXPECT_FALSE(IsScrollBarVisible(Grid, SB_VERT));
  EXPECT_EQ(GetClientRect(Grid).Width(), 148);
  // With DISABLENOSCROLL it stays, disabled.
  SetInfo(0, 100, 10, 0);
  SetInfo(0, 5, 10, 0, SIF_DISABLENOSCROLL);
  EXPECT_TRUE(IsScrollBarVisible(Grid, SB_VERT));
  EXPECT_EQ(GetScrollBarArrows(Grid, SB_VERT), ESB_DISABLE_BOTH);
}

TEST_F(ScrollBars, PositionsAre32BitAndKeptInsideTheRange) {
  SetInfo(0, 3000000, 100, 2500000);
  EXPECT_EQ(GetScrollPos(Grid, SB_VERT), 2500000);
  SetScrollPos(Grid, SB_VERT, 5000000, true);
  EXPECT_EQ(GetScrollPos(Grid, SB_VERT), 3000000 - 99);
  SetScrollPos(Grid, SB_VERT, -4, true);
  EXPECT_EQ(GetScrollPos(Grid, SB_VERT), 0);
  TScrollInfo si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(Grid, SB_VERT, si));
  EXPECT_EQ(si.nMax, 3000000);
  EXPECT_EQ(si.nPage, 100u);
}

TEST_F(ScrollBars, ClicksOnTheBarSendScrollCodes) {
  std::vector<Integer> codes;
  HWND g = nullptr;
  MakeBarChild(g, 99, 10, [&](TMessage& m) {
    if (m.Msg == WM_VSCROLL) codes.push_back(LoWord(m.WParam));
    return false;
  });
  TRect bar = GetScrollBarRect(g, SB_VERT);  // window coordinates; no border here
  TPoint arrowDown(bar.Left + 5, bar.Bottom - 5), track(bar.Left + 5, bar.Bottom - 30);
  TPoint toClient(0, 0);  // the client starts at the window's corner
  Display.Click(g, arrowDown.X - toClient.X, arrowDown.Y);
  Display.Click(g, track.X, track.Y);
  EXPECT_EQ(codes, (std::vector<Integer>{SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL}));
}

TEST_F(ScrollBars, DraggingTheThumbTracksThenSetsThePosition) {
  std::vector<std::pair<Integer, Integer>> seen;  // code, 32-bit track position
  HWND g = nullptr;
  MakeBarChild(g, 1999999, 1000000, [&](TMessage& m) {  // the thumb is half the track
    if (m.Msg == WM_VSCROLL) {
      TScrollInfo si;
      si.fMask = SIF_TRACKPOS;
      GetScrollInfo(g, SB_VERT, si);
      seen.push_back({LoWord(m.WParam), si.nTrackPos});
    }
    return false;
  });
  TRect bar = GetScrollBarRect(g, SB_VERT);
  Integer arrow = GetSystemMetrics(SM_CYVSCROLL);
  TPoint thumb(bar.Left + 5, bar.Top + arrow + 5);
  Display.Drag(g, thumb, TPoint(thumb.X, bar.Bottom), 3);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front().first, SB_THUMBTRACK);
  EXPECT_EQ(seen[seen.size() - 2].first, SB_THUMBPOSITION);
  EXPECT_EQ(seen[seen.size() - 2].second, 1000000);  // dragged to the end: max - page + 1
  EXPECT_EQ(seen.back().first, SB_ENDSCROLL);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBars, AHeldArrowRepeatsAfterAPauseUntilReleased) {
  std::vector<Integer> codes;
  HWND g = nullptr;
  MakeBarChild(g, 99, 10, [&](TMessage& m) {
    if (m.Msg == WM_VSCROLL) codes.push_back(LoWord(m.WParam));
    return false;
  });
  TRect bar = GetScrollBarRect(g, SB_VERT);
  TPoint arrow(bar.Left + 5, bar.Bottom - 5);
  ClientToScreen(g, arrow);
  Display.WhenIdle([&] { Display.PassTime(399); });  // not yet
  Display.WhenIdle([&] { Display.PassTime(1); });    // the first repeat
  Display.WhenIdle([&] { Display.PassTime(50); });   // then every 50 ms
  Display.WhenIdle([&] { InjectMouse(TMouseAction::Up, mbLeft, arrow); });
  Display.MouseDown(g, bar.Left + 5, bar.Bottom - 5);
  EXPECT_EQ(codes, (std::vector<Integer>{SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBars, AGestureLetsTheWindowRepaintWhileItLasts) {
  int paints = 0;
  HWND g = nullptr;
  MakeBarChild(g, 999, 100, [&](TMessage& m) {
    if (m.Msg == WM_VSCROLL && LoWord(m.WParam) == SB_THUMBTRACK) InvalidateRect(g, nullptr, false);
    if (m.Msg == WM_PAINT) ++paints;
    return false;
  });
  Display.ProcessMessages();
  paints = 0;
  TRect bar = GetScrollBarRect(g, SB_VERT);
  TPoint thumb(bar.Left + 5, bar.Top + GetSystemMetrics(SM_CYVSCROLL) + 2);
  Display.Drag(g, thumb, TPoint(thumb.X, thumb.Y + 30), 3);
  EXPECT_GE(paints, 3);
}

// ---- ScrollWindowEx ----------------------------------------------------------------------------

TEST_F(Painting, ScrollWindowMovesPixelsAndInvalidatesOnlyWhatWasUncovered) {
  HWND w = nullptr;
  int paints = 0;
  TRect painted;
  MakeChild(Log, &w, Top, Bounds(0, 0, 100, 100), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg != WM_PAINT) return false;
    TPaintStruct ps;
    HDC dc = BeginPaint(w, ps);
    // Rows coloured by their y, so moved pixels can be recognised.
    for (int y = 0; y < 100; y += 10) {
      HBRUSH b = CreateSolidBrush(COLORREF(RGB(Byte(y * 2), 0, 0)));
      FillRect(dc, TRect(0, y, 100, y + 10), b);
      DeleteObject(b);
    }
    EndPaint(w, ps);
    ++paints;
    painted = ps.rcPaint;
    return true;
  });
  Display.ProcessMessages();
  ASSERT_EQ(Display.PixelAt(w, 5, 35), RGB(60, 0, 0));
  TRect upd;
  ScrollWindowEx(w, 0, -20, nullptr, nullptr, nullptr, &upd, SW_INVALIDATE);
  EXPECT_EQ(upd, TRect(0, 80, 100, 100));
  // Before any repaint, the pixels have moved up by 20.
  EXPECT_EQ(paints, 1);
  cairo_surface_t* s = GetWindowSurface(Top);
  cairo_surface_flush(s);
  const unsigned char* d = cairo_image_surface_get_data(s);
  auto red = [&](int x, int y) { return d[y * cairo_image_surface_get_stride(s) + x * 4 + 2]; };
  EXPECT_EQ(red(5, 15), 60);
  Display.ProcessMessages();
  EXPECT_EQ(paints, 2);
  EXPECT_EQ(painted, TRect(0, 80, 100, 100));
}

TEST_F(Painting, ScrolledPixelsArriveFromTheirSourceWhicheverWayTheyMove) {
  // Every pixel its own colour, so that one brought from anywhere else shows.
  auto Colour = [](Integer X, Integer Y) { return COLORREF(RGB(Byte(X * 4), Byte(Y * 4), 128)); };
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(0, 0, 60, 50), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg != WM_PAINT) return false;
    TPaintStruct ps;
    HDC dc = BeginPaint(w, ps);
    for (Integer y = 0; y < 50; ++y)
      for (Integer x = 0; x < 60; ++x) {
        HBRUSH b = CreateSolidBrush(Colour(x, y));
        FillRect(dc, TRect(x, y, x + 1, y + 1), b);
        DeleteObject(b);
      }
    EndPaint(w, ps);
    return true;
  });
  // A child inside the window stays where it is and is never painted over: what
  // can be seen of the window is then no longer one rectangle.
  const TRect Island(20, 15, 30, 25);
  for (const bool WithIsland : {false, true}) {
    HWND island = nullptr;
    if (WithIsland) MakeChild(Log, &island, w, Island);
    auto Seen = [&](Integer X, Integer Y) {
      return X >= 0 && Y >= 0 && X < 60 && Y < 50 && !(WithIsland && PtInRect(Island, TPoint(X, Y)));
    };
    for (const TPoint Move : {TPoint(7, 13), TPoint(-7, -13), TPoint(9, -4), TPoint(-5, 11), TPoint(0, 3)}) {
      InvalidateRect(w, nullptr, false);
      Display.ProcessMessages();
      ScrollWindowEx(w, Move.X, Move.Y, nullptr, nullptr, nullptr, nullptr, 0);
      Integer Moved = 0;
      for (Integer y = 0; y < 50; ++y)
        for (Integer x = 0; x < 60; ++x) {
          if (!Seen(x, y) || !Seen(x - Move.X, y - Move.Y)) continue;
          ASSERT_EQ(Display.PixelAt(w, x, y), Colour(x - Move.X, y - Move.Y))
              << "at " << x << "," << y << " moved by " << Move.X << "," << Move.Y
              << (WithIsland ? " round a child" : "");
          ++Moved;
        }
      EXPECT_GT(Moved, 1000);
    }
    if (island) DestroyWindow(island);
  }
}

// ---- Caret -----------------------------------------------------------------------------------

TEST_F(Painting, TheCaretIsShownOnlyAfterAsManyShowsAsHides) {
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(0, 0, 100, 20));
  CreateCaret(w, 1, 14);
  EXPECT_FALSE(GetCaretInfo().Visible);
  ShowCaret(w);
  SetCaretPos(7, 3);
  EXPECT_TRUE(GetCaretInfo().Visible);
  EXPECT_EQ(GetCaretInfo().Rect, TRect(7, 3, 8, 17));
  HideCaret(w);
  HideCaret(w);
  ShowCaret(w);
  EXPECT_FALSE(GetCaretInfo().Visible);
  DestroyWindow(w);
  EXPECT_EQ(GetCaretInfo().Wnd, nullptr);
}

}  // namespace
