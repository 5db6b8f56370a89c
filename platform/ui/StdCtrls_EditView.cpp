// The view of TCustomEdit: its lines laid out, measured and painted.
//
// Every question about the view (where a character is, which character a point
// is on, which lines to paint, how far the scroll bars go) costs what the
// window shows, not what the text holds:
//   - lines are laid out lazily, from the top, as far as a question needs and a
//     little beyond (so a short text is laid out whole at once); the vertical
//     scroll range is estimated from them until all are laid out;
//   - a change of the text lays out again only the lines whose layout read the
//     changed characters (each line keeps where its layout read up to), until
//     the new lines meet the old ones again;
//   - a line longer than a piece (TextPieces.h) is measured and painted through
//     its ruler, piece by piece and only as far as asked, so typing at the end
//     of a long single line re-measures only its last piece.

#include <algorithm>

#include "platform/ui/ControlPaint.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/StdCtrls.h"

namespace {

// Characters laid out beyond what a question needs.
constexpr Integer kLayoutAhead = 16384;

Integer TextWidthOf(HDC dc, const String& s) {
  if (s.empty()) return 0;
  TSize sz;
  GetTextExtentPoint32(dc, s, Integer(s.size()), sz);
  return sz.cx;
}

}  // namespace

// ---- Measuring ---------------------------------------------------------------------------------

String TCustomEdit::ShownText(Integer Start, Integer Count) const {
  String t = FBuffer.GetText().substr(size_t(Start), size_t(std::max(0, Count)));
  if (FMultiLine) return t;
  if (FPasswordChar) return String(t.size(), FPasswordChar);
  // One line shows control characters as blanks, one for one, so positions stay.
  for (Char& c : t)
    if (c < 0x20) c = u' ';
  return t;
}

Integer TCustomEdit::LineTextWidth(Integer Start, Integer Count) const {
  return TextWidthOf(MeasureDC(), ShownText(Start, Count));
}

TLineRuler::TMeasure TCustomEdit::MeasureFrom(Integer Start) const {
  return [this, Start](Integer S, Integer C) { return LineTextWidth(Start + S, C); };
}

TLineRuler* TCustomEdit::RulerOf(Integer Line) const {
  TVisualLine& v = FLines[size_t(Line)];
  if (v.Length <= kTextPieceMax) return nullptr;
  if (!v.Ruler) v.Ruler = std::make_unique<TLineRuler>();
  return v.Ruler.get();
}

Integer TCustomEdit::LineX(Integer Line, Integer Col, Integer Limit) const {
  const TVisualLine& v = FLines[size_t(Line)];
  Col = std::clamp(Col, 0, v.Length);
  if (Col == 0) return 0;
  if (TLineRuler* r = RulerOf(Line))
    return r->X(StringView(FBuffer.GetText()).substr(size_t(v.Start), size_t(v.Length)), Col, MeasureFrom(v.Start),
                Limit);
  return LineTextWidth(v.Start, Col);
}

Integer TCustomEdit::LineColumnAt(Integer Line, Integer X) const {
  const TVisualLine& v = FLines[size_t(Line)];
  if (TLineRuler* r = RulerOf(Line))
    return r->IndexAt(StringView(FBuffer.GetText()).substr(size_t(v.Start), size_t(v.Length)), X, MeasureFrom(v.Start));
  const Integer start = v.Start;
  return NearestBoundary(v.Length, X, [&](Integer n) { return n ? LineTextWidth(start, n) : 0; });
}

// ---- Laying out ----------------------------------------------------------------------------------

bool TCustomEdit::WrapsLines() const { return FMultiLine && FWordWrap && GetFormatRect().Width() > 0; }

Integer TCustomEdit::FitFrom(Integer At, Integer End, Integer Width, Integer& Reach) const {
  const Integer n = End - At;
  Integer lo = 0, hi = n;  // lo characters fit; more than hi do not
  if (n <= kTextPieceMax) {
    Reach = End;
    if (LineTextWidth(At, n) <= Width) return n;
    hi = n - 1;
  } else {
    // Doubling from a short start: a long paragraph is measured only a little
    // past what fits, never whole.
    for (Integer len = kTextPieceMin;; len = std::min(n, len * 2)) {
      Reach = At + len;
      if (LineTextWidth(At, len) > Width) {
        hi = len - 1;
        break;
      }
      lo = len;
      if (len == n) return n;
    }
  }
  lo = std::max(lo, 1);
  while (lo < hi) {
    const Integer mid = lo + (hi - lo + 1) / 2;
    if (LineTextWidth(At, mid) <= Width) lo = mid;
    else hi = mid - 1;
  }
  return std::max(lo, 1);
}

void TCustomEdit::LayOutNext(Integer& At, std::vector<TVisualLine>& Out) const {
  const String& t = FBuffer.GetText();
  const Integer n = Integer(t.size());
  TVisualLine v;
  v.Start = At;
  if (!FMultiLine) {
    v.Length = n;
    v.Reach = n + 1;
    At = n + 1;
    Out.push_back(std::move(v));
    return;
  }
  // The text's line holding At ends at its line break (a CR before the LF belongs to it).
  const Integer next = FBuffer.LineIndex(FBuffer.LineFromChar(At) + 1);  // -1: the last line
  const Integer lf = next < 0 ? n : next - 1;
  Integer end = lf;
  if (end > At && t[size_t(end - 1)] == u'\r') --end;
  const Integer after = next < 0 ? n + 1 : next;
  // The whole rest of the line shows as one line unless it wraps.
  v.Length = end - At;
  v.Reach = lf + 1;
  if (WrapsLines() && end > At) {
    Integer reach = 0;
    const Integer fit = FitFrom(At, end, GetFormatRect().Width(), reach);
    if (fit < end - At) {
      // Greedy wrapping at blanks; a word wider than the line is cut where it must be.
      Integer cut = At + fit;
      for (Integer k = cut; k > At + 1; --k)
        if (t[size_t(k - 1)] == u' ') {
          cut = k;
          break;
        }
      v.Length = cut - At;
      v.Reach = reach;
      At = cut;
      Out.push_back(std::move(v));
      return;
    }
  }
  At = after;
  Out.push_back(std::move(v));
}

void TCustomEdit::SyncLines() const {
  const Integer width = GetFormatRect().Width();
  TEditBuffer::TChange change;
  const bool changed = FBuffer.TakeViewChange(change);
  // Unwrapped lines do not depend on the width.
  const bool sameWidth = FLinesWidth == width || !WrapsLines();
  if (!FLinesValid || !sameWidth) {
    FLines.clear();
    FLaidTo = 0;
    FLongestReach = 0;
    FMeasuredLines = 0;
    FLinesWidth = width;
    FLinesValid = true;
    return;
  }
  if (changed) Relayout(change);
}

void TCustomEdit::Relayout(const TEditBuffer::TChange& Change) const {
  if (FLines.empty()) return;
  const Integer S = Change.Start, delta = Change.Inserted - Change.Removed;
  // The text before S is as it was. The first line whose layout read S or
  // later is laid out again, and every line after it, until a new line begins
  // where an old one (beyond the change) began.
  auto holding =
      std::upper_bound(FLines.begin(), FLines.end(), S, [](Integer s, const TVisualLine& v) { return s < v.Start; });
  size_t first = size_t(holding - FLines.begin());
  for (size_t i = first; i-- > 0 && FLines[i].Start + FLongestReach >= S;)
    if (FLines[i].Reach > S) first = i;
  if (first >= FLines.size()) return;  // past what is laid out: nothing read it

  const Integer n = FBuffer.Length();
  const Integer oldLaidTo = FLaidTo;
  const bool wasDone = FLaidTo > n - delta;
  std::vector<TVisualLine> fresh;
  Integer at = FLines[first].Start;
  size_t resume = FLines.size();  // the first old line kept after the new ones
  // Past where the old layout stopped, or well past the change (a text pasted
  // or set whole), the rest waits until it is asked for.
  const Integer enough = std::max(S, at) + kLayoutAhead;
  while (at <= n) {
    LayOutNext(at, fresh);
    if (at > n || (!wasDone && at - delta >= oldLaidTo) || at >= enough) break;
    const Integer old = at - delta;
    if (at >= S + Change.Inserted && old >= S + Change.Removed) {
      auto it = std::lower_bound(FLines.begin() + std::ptrdiff_t(first) + 1, FLines.end(), old,
                                 [](const TVisualLine& v, Integer s) { return v.Start < s; });
      if (it != FLines.end() && it->Start == old) {
        resume = size_t(it - FLines.begin());
        break;
      }
    }
  }
  // A long line that begins where it did keeps its measured pieces before the change.
  if (!fresh.empty() && fresh.front().Start == FLines[first].Start && FLines[first].Ruler) {
    fresh.front().Ruler = std::move(FLines[first].Ruler);
    fresh.front().Ruler->Forget(S - fresh.front().Start);
  }
  const bool synced = resume < FLines.size();
  FLines.erase(FLines.begin() + std::ptrdiff_t(first), FLines.begin() + std::ptrdiff_t(resume));
  for (TVisualLine& v : fresh) FLongestReach = std::max(FLongestReach, v.Reach - v.Start);
  const size_t kept = first + fresh.size();
  FLines.insert(FLines.begin() + std::ptrdiff_t(first), std::make_move_iterator(fresh.begin()),
                std::make_move_iterator(fresh.end()));
  if (synced) {
    for (size_t i = kept; i < FLines.size(); ++i) {
      FLines[i].Start += delta;
      FLines[i].Reach += delta;
    }
    FLaidTo += delta;
  } else {
    FLaidTo = at;
  }
  FMeasuredLines = std::min(FMeasuredLines, first);
}

void TCustomEdit::LayOutUntil(Integer Index, Integer Line) const {
  SyncLines();
  const Integer n = FBuffer.Length();
  if (FLaidTo > n || (FLaidTo > Index && Integer(FLines.size()) > Line)) return;
  const size_t before = FLines.size();
  while (FLaidTo <= n && (FLaidTo <= Index || Integer(FLines.size()) <= Line)) LayOutNext(FLaidTo, FLines);
  const Integer ahead = FLaidTo + kLayoutAhead;
  while (FLaidTo <= n && FLaidTo < ahead) LayOutNext(FLaidTo, FLines);
  for (size_t i = before; i < FLines.size(); ++i)
    FLongestReach = std::max(FLongestReach, FLines[i].Reach - FLines[i].Start);
}

const std::vector<TCustomEdit::TVisualLine>& TCustomEdit::VisualLines() const {
  LayOutUntil(FBuffer.Length(), 0);
  return FLines;
}

Integer TCustomEdit::VisualLineOf(Integer Index) const {
  Index = std::clamp(Index, 0, FBuffer.Length());
  LayOutUntil(Index, 0);
  auto it = std::upper_bound(FLines.begin(), FLines.end(), Index,
                             [](Integer i, const TVisualLine& v) { return i < v.Start; });
  return std::max<Integer>(0, Integer(it - FLines.begin()) - 1);
}

Integer TCustomEdit::LayOutLine(Integer Line) const {
  LayOutUntil(-1, Line);
  return std::clamp(Line, 0, Integer(FLines.size()) - 1);
}

Integer TCustomEdit::VisualLineCount() const {
  LayOutUntil(-1, 0);
  const Integer laid = Integer(FLines.size());
  const Integer n = FBuffer.Length();
  if (FLaidTo > n || FLaidTo <= 0) return laid;
  // The lines not laid out yet, at the rate of those that are.
  const Int64 rest = (Int64(n - FLaidTo) * laid + FLaidTo - 1) / FLaidTo;
  return Integer(std::min<Int64>(Int64(laid) + std::max<Int64>(1, rest), TLineRuler::kNoLimit));
}

Integer TCustomEdit::WidestLine() const {
  LayOutUntil(-1, 0);
  for (size_t i = FMeasuredLines; i < FLines.size(); ++i) {
    if (FLines[i].Width < 0) FLines[i].Width = LineWidth(Integer(i));
    FLines[i].Widest = std::max(FLines[i].Width, i ? FLines[i - 1].Widest : 0);
  }
  FMeasuredLines = FLines.size();
  return FLines.empty() ? 0 : FLines.back().Widest;
}

// ---- Positions ------------------------------------------------------------------------------------

Integer TCustomEdit::AlignedLineOffset(Integer Line, Integer Width) const {
  if (FAlignment == taLeftJustify) return 0;
  // Only a line narrower than the rectangle is aligned: measure no further. The
  // blanks a wrapped line ends with do not count.
  const TVisualLine& v = FLines[size_t(Line)];
  Integer n = v.Length;
  if (FMultiLine) {
    const String& t = FBuffer.GetText();
    while (n > 0 && t[size_t(v.Start + n - 1)] == u' ') --n;
  }
  const Integer total = LineX(Line, n, Width);
  if (total >= Width) return 0;
  return FAlignment == taRightJustify ? Width - total : (Width - total) / 2;
}

TPoint TCustomEdit::PosFromChar(Integer Index) const {
  SettleView();
  const TRect r = GetFormatRect();
  Index = std::clamp(Index, 0, FBuffer.Length());
  const Integer line = VisualLineOf(Index);
  const Integer col = Index - FLines[size_t(line)].Start;
  const Integer x = r.Left - FScrollX + AlignedLineOffset(line, r.Width()) + LineX(line, col);
  if (!FMultiLine) return TPoint(x, r.Top);
  return TPoint(x, r.Top + (line - FTopLine) * LineHeight());
}

Integer TCustomEdit::CharFromPos(TPoint P) const {
  SettleView();
  const TRect r = GetFormatRect();
  if (!FMultiLine) {
    const TPoint origin = PosFromChar(0);
    return LineColumnAt(VisualLineOf(0), P.X - origin.X);
  }
  Integer line = FTopLine + (P.Y - r.Top) / LineHeight();
  if (P.Y < r.Top) line = FTopLine - 1;
  line = LayOutLine(std::max(0, line));
  return FLines[size_t(line)].Start +
         LineColumnAt(line, P.X - (r.Left - FScrollX + AlignedLineOffset(line, r.Width())));
}

void TCustomEdit::ScrollCaretIntoView() {
  FViewDeferred = false;  // this is the work UpdateView puts off
  const TRect r = GetFormatRect();
  if (r.Width() <= 0) return;
  if (FMultiLine) {
    const Integer line = VisualLineOf(FBuffer.GetCaret());
    const Integer rows = std::max(1, r.Height() / LineHeight());
    if (line < FTopLine) FTopLine = line;
    else if (line >= FTopLine + rows) FTopLine = line - rows + 1;
    if (FHandle && (GetWindowStyle(FHandle) & WS_VSCROLL || FScrollBars == ssVertical || FScrollBars == ssBoth)) {
      LayOutLine(FTopLine + rows);
      SetScrollBarView(FHandle, SB_VERT, 0, VisualLineCount() - 1, UINT(rows), FTopLine);
    }
  }
  const TPoint p = PosFromChar(FBuffer.GetCaret());
  if (p.X < r.Left) FScrollX = std::max(0, FScrollX - (r.Left - p.X) - r.Width() / 4);
  else if (p.X >= r.Right) FScrollX += p.X - r.Right + 1 + r.Width() / 4;
  if (FMultiLine && FHandle && (FScrollBars == ssHorizontal || FScrollBars == ssBoth)) {
    // Wrapped text never needs the horizontal bar; otherwise it spans the widest line.
    FWidest = FWordWrap ? 0 : WidestLine();
    if (FWordWrap) FScrollX = 0;
    SetScrollBarView(FHandle, SB_HORZ, 0, FWidest > r.Width() ? FWidest : 0, UINT(r.Width()), FScrollX);
  }
  if (!FMultiLine) {
    // Do not leave blank space on the right when the text could fill it (a
    // long text is measured only as far as the window reaches).
    const Integer total = LineWidth(VisualLineOf(0), FScrollX + r.Width());
    FScrollX = std::clamp(FScrollX, 0, std::max(0, total - r.Width() + 1));
  }
}

// ---- Painting --------------------------------------------------------------------------------------

Integer TCustomEdit::DrawSegment(HDC DC, const String& Text, Integer Base, Integer X, Integer Y, COLORREF Color) {
  const Integer n = Integer(Text.size());
  const Integer a = FShowSel ? std::clamp(FSel0 - Base, 0, n) : 0;
  const Integer b = FShowSel ? std::clamp(FSel1 - Base, 0, n) : 0;
  const Integer total = TextWidthOf(DC, Text);
  if (a == b) {
    SetTextColor(DC, Color);
    TextOut(DC, X, Y, Text, n);
    return total;
  }
  const String pre = Text.substr(0, size_t(a)), sel = Text.substr(size_t(a), size_t(b - a)),
               post = Text.substr(size_t(b));
  const Integer w0 = TextWidthOf(DC, pre), w1 = TextWidthOf(DC, Text.substr(0, size_t(b)));
  SetTextColor(DC, Color);
  TextOut(DC, X, Y, pre, Integer(pre.size()));
  FillWith(DC, TRect(X + w0, Y, X + w1, Y + LineHeight()), clHighlight);
  SetTextColor(DC, ColorToRGB(clHighlightText));
  TextOut(DC, X + w0, Y, sel, Integer(sel.size()));
  SetTextColor(DC, Color);
  TextOut(DC, X + w1, Y, post, Integer(post.size()));
  return total;
}

void TCustomEdit::PaintLine(HDC DC, Integer Start, Integer Length, Integer X, Integer Y) {
  const COLORREF color = ColorToRGB(IsWindowEnabled(FHandle) ? GetFont()->GetColor() : clGrayText);
  DrawSegment(DC, ShownText(Start, Length), Start, X, Y, color);
}

void TCustomEdit::PaintVisualLine(HDC DC, Integer Line, Integer X, Integer Y, Integer ClipLeft, Integer ClipRight) {
  const Integer start = FLines[size_t(Line)].Start, length = FLines[size_t(Line)].Length;
  TLineRuler* ruler = RulerOf(Line);
  if (!ruler) {
    PaintLine(DC, start, length, X, Y);
    return;
  }
  // Glyphs may reach a little past their advance: a piece just outside still paints.
  const Integer ink = LineHeight();
  ruler->VisitPieces(StringView(FBuffer.GetText()).substr(size_t(start), size_t(length)), ClipLeft - X - ink,
                     ClipRight - X + ink, MeasureFrom(start),
                     [&](Integer S, Integer C, Integer PX) { PaintLine(DC, start + S, C, X + PX, Y); });
}

void TCustomEdit::Paint(HDC DC) {
  const TRect client = ::GetClientRect(FHandle);
  FillWith(DC, client, FColor);

  const TRect r = GetFormatRect();
  Integer saved = SaveDC(DC);
  IntersectClipRect(DC, r.Left, r.Top, r.Right, r.Bottom);
  SelectObject(DC, GetFont()->GetHandle());
  SetBkMode(DC, TRANSPARENT);
  FShowSel = FBuffer.GetSelLength() > 0 && (GetFocus() == FHandle || !FHideSelection);
  FSel0 = FBuffer.GetSelStart();
  FSel1 = FSel0 + FBuffer.GetSelLength();
  if (!FMultiLine) {
    const TPoint origin = PosFromChar(0);
    PaintVisualLine(DC, VisualLineOf(0), origin.X, r.Top, r.Left, r.Right);
  } else {
    const Integer lh = LineHeight();
    const Integer rows = r.Height() / lh + 1;
    const Integer last = LayOutLine(FTopLine + rows);
    for (Integer i = FTopLine; i <= last && i <= FTopLine + rows; ++i)
      PaintVisualLine(DC, i, r.Left - FScrollX + AlignedLineOffset(i, r.Width()), r.Top + (i - FTopLine) * lh, r.Left,
                      r.Right);
  }
  RestoreDC(DC, saved);
}
