#pragma once
// Points, sizes and rectangles in device pixels, and the helper functions the
// window and drawing code use on them. A rectangle is half-open: Right and Bottom
// lie just outside it, so Width() is Right - Left.

#include <algorithm>

#include "platform/core/Types.h"

struct TPoint {
  Integer X = 0;
  Integer Y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(Integer x, Integer y) : X(x), Y(y) {}
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
  constexpr TPoint operator+(const TPoint& o) const { return {X + o.X, Y + o.Y}; }
  constexpr TPoint operator-(const TPoint& o) const { return {X - o.X, Y - o.Y}; }
};

struct TSize {
  Integer cx = 0;
  Integer cy = 0;
  constexpr TSize() = default;
  constexpr TSize(Integer w, Integer h) : cx(w), cy(h) {}
  friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  Integer Left = 0;
  Integer Top = 0;
  Integer Right = 0;
  Integer Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(Integer l, Integer t, Integer r, Integer b) : Left(l), Top(t), Right(r), Bottom(b) {}
  constexpr TRect(const TPoint& tl, const TPoint& br) : Left(tl.X), Top(tl.Y), Right(br.X), Bottom(br.Y) {}
  constexpr Integer Width() const { return Right - Left; }
  constexpr Integer Height() const { return Bottom - Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(const TPoint& p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

using PRect = TRect*;
using PPoint = TPoint*;

constexpr TRect Rect(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  return TRect(Left, Top, Right, Bottom);
}
constexpr TPoint Point(Integer X, Integer Y) { return TPoint(X, Y); }
constexpr TRect Bounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  return TRect(ALeft, ATop, ALeft + AWidth, ATop + AHeight);
}

constexpr bool PtInRect(const TRect& R, const TPoint& P) { return R.Contains(P); }
constexpr bool IsRectEmpty(const TRect& R) { return R.IsEmpty(); }
constexpr bool EqualRect(const TRect& A, const TRect& B) { return A == B; }

// Writes the common part to Dest; an empty result is all zeros, as callers test it
// with IsRectEmpty or compare it with an empty rectangle.
inline bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B) {
  TRect r(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom));
  if (r.IsEmpty()) {
    Dest = TRect();
    return false;
  }
  Dest = r;
  return true;
}

// The smallest rectangle holding both; an empty operand does not count.
inline bool UnionRect(TRect& Dest, const TRect& A, const TRect& B) {
  if (A.IsEmpty()) Dest = B;
  else if (B.IsEmpty()) Dest = A;
  else
    Dest = TRect(std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                 std::max(A.Bottom, B.Bottom));
  if (Dest.IsEmpty()) {
    Dest = TRect();
    return false;
  }
  return true;
}

inline bool OffsetRect(TRect& R, Integer DX, Integer DY) {
  R.Left += DX;
  R.Right += DX;
  R.Top += DY;
  R.Bottom += DY;
  return true;
}

inline bool InflateRect(TRect& R, Integer DX, Integer DY) {
  R.Left -= DX;
  R.Right += DX;
  R.Top -= DY;
  R.Bottom += DY;
  return true;
}

inline bool SetRect(TRect& R, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  R = TRect(Left, Top, Right, Bottom);
  return true;
}

inline bool SetRectEmpty(TRect& R) {
  R = TRect();
  return true;
}

inline bool CopyRect(TRect& Dest, const TRect& Src) {
  Dest = Src;
  return true;
}
