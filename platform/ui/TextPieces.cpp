#include "platform/ui/TextPieces.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace {

// A character that belongs to the one before it: the second half of a
// surrogate pair, a combining mark, a joiner or a variation selector.
bool JoinsPrevious(Char c) {
  if (c >= 0xDC00 && c <= 0xDFFF) return true;
  if (c == 0x200C || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F)) return true;
  const int8_t type = u_charType(c);
  return type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_COMBINING_SPACING_MARK;
}

}  // namespace

size_t TextPieceEnd(StringView Text, size_t Start) {
  const size_t n = Text.size();
  const size_t first = Start + size_t(kTextPieceMin), last = Start + size_t(kTextPieceMax);
  for (size_t i = first; i <= last && i <= n; ++i)
    if (Text[i - 1] == u' ') return i;
  if (last >= n) return n;
  size_t cut = last;
  while (cut > Start + 1 && JoinsPrevious(Text[cut])) --cut;
  return cut;
}

void TLineRuler::Forget(Integer From) {
  // A piece's cut looks at the character after it, so a piece ending at From goes too.
  while (!FPieces.empty() && FPieces.back().Start + FPieces.back().Length >= From) FPieces.pop_back();
  FMeasured = std::min(FMeasured, FPieces.size());
}

void TLineRuler::CutTo(StringView Line, Integer Index) {
  const Integer n = Integer(Line.size());
  Integer at = CutEnd();
  while (at < n && at <= Index) {
    const Integer end = Integer(TextPieceEnd(Line, size_t(at)));
    FPieces.push_back({at, end - at});
    at = end;
  }
}

void TLineRuler::MeasureTo(StringView Line, size_t Count, const TMeasure& Measure, Integer Limit) {
  while (FMeasured < Count) {
    if (FMeasured == FPieces.size()) {
      CutTo(Line, CutEnd());
      if (FMeasured == FPieces.size()) return;  // the line ends
    }
    TPiece& p = FPieces[FMeasured];
    const TPiece* before = FMeasured ? &FPieces[FMeasured - 1] : nullptr;
    p.X = before ? std::min(kNoLimit, before->X + before->Width) : 0;
    p.Width = Measure(p.Start, p.Length);
    ++FMeasured;
    if (p.X > Limit) return;
  }
}

size_t TLineRuler::PieceOf(Integer Index) const {
  // The first piece that ends after Index; the last one for the line's end.
  auto it = std::upper_bound(FPieces.begin(), FPieces.end(), Index,
                             [](Integer i, const TPiece& p) { return i < p.Start + p.Length; });
  if (it == FPieces.end()) return FPieces.size() - 1;
  return size_t(it - FPieces.begin());
}

Integer TLineRuler::X(StringView Line, Integer Index, const TMeasure& Measure, Integer Limit) {
  Index = std::clamp(Index, 0, Integer(Line.size()));
  if (Index == 0 || Line.empty()) return 0;
  CutTo(Line, Index);
  const size_t k = PieceOf(Index);
  MeasureTo(Line, k + 1, Measure, Limit);
  if (FMeasured <= k) return FPieces[FMeasured - 1].X;  // passed Limit before reaching Index
  const TPiece& p = FPieces[k];
  const Integer into = Index - p.Start;
  if (into >= p.Length) return std::min(kNoLimit, p.X + p.Width);
  return into == 0 ? p.X : std::min(kNoLimit, p.X + Measure(p.Start, into));
}

void TLineRuler::MeasurePast(StringView Line, Integer X, const TMeasure& Measure) {
  while (!(FMeasured && FPieces[FMeasured - 1].X + FPieces[FMeasured - 1].Width > X)) {
    const size_t before = FMeasured;
    MeasureTo(Line, FMeasured + 1, Measure, kNoLimit);
    if (FMeasured == before) return;  // the line ends
  }
}

size_t TLineRuler::PieceAtX(Integer X) const {
  // The first measured piece that ends past X; the last measured one when none does.
  auto end = FPieces.begin() + std::ptrdiff_t(FMeasured);
  auto it = std::upper_bound(FPieces.begin(), end, X, [](Integer x, const TPiece& p) { return x < p.X + p.Width; });
  if (it == end) --it;
  return size_t(it - FPieces.begin());
}

Integer TLineRuler::IndexAt(StringView Line, Integer X, const TMeasure& Measure) {
  if (Line.empty() || X <= 0) return 0;
  MeasurePast(Line, X, Measure);
  if (FMeasured == 0) return 0;
  const TPiece& p = FPieces[PieceAtX(X)];
  return p.Start + NearestBoundary(p.Length, X - p.X, [&](Integer n) { return n ? Measure(p.Start, n) : 0; });
}

void TLineRuler::VisitPieces(StringView Line, Integer X0, Integer X1, const TMeasure& Measure,
                             const TPieceVisitor& Visit) {
  if (Line.empty()) return;
  MeasurePast(Line, X0, Measure);
  if (FMeasured == 0) return;
  for (size_t k = PieceAtX(X0);; ++k) {
    if (k >= FMeasured) MeasureTo(Line, k + 1, Measure, kNoLimit);
    if (k >= FMeasured) return;
    const TPiece p = FPieces[k];
    if (p.X >= X1) return;
    Visit(p.Start, p.Length, p.X);
  }
}

Integer NearestBoundary(Integer Length, Integer X, const std::function<Integer(Integer)>& Width) {
  // The first i whose boundary midpoint (between i - 1 and i) lies beyond X.
  Integer lo = 1, hi = Length + 1;
  while (lo < hi) {
    const Integer mid = lo + (hi - lo) / 2;
    if (X < (Width(mid - 1) + Width(mid)) / 2) hi = mid;
    else lo = mid + 1;
  }
  return lo - 1;
}
