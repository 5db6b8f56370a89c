#pragma once
// Long lines of text are measured and drawn in pieces of a few hundred
// characters, so that no single layout grows with the text: shaping stays
// linear, no width in the text engine's fixed-point units can overflow, and a
// window that shows part of a long line measures and draws only that part.
//
// TextPieceEnd is the one cutting rule: a piece ends after the first blank at
// least kTextPieceMin characters on, else kTextPieceMax characters on (never
// inside a surrogate pair or before a combining mark). Where a piece ends
// depends only on the characters up to its end, so a text that grows at its
// end keeps the pieces it had.
//
// TLineRuler keeps the pieces of one line of an edit control with their widths
// and positions, measured lazily from the line's start as far as a question
// needs; a change of the line forgets only the pieces from the change on.

#include <functional>
#include <vector>

#include "platform/core/Types.h"

constexpr Integer kTextPieceMin = 64;
constexpr Integer kTextPieceMax = 256;

// The end of the piece of Text that begins at Start (Start < Text.size()).
size_t TextPieceEnd(StringView Text, size_t Start);

class TLineRuler {
public:
  // The width in pixels of [Start, Start + Count) of the line; asked only for
  // parts of a single piece.
  using TMeasure = std::function<Integer(Integer Start, Integer Count)>;
  // Called for each piece a drawing needs: its start, length and x.
  using TPieceVisitor = std::function<void(Integer Start, Integer Count, Integer X)>;

  // Forgets the pieces whose cut may depend on characters from From on.
  void Forget(Integer From);
  void Clear() { Forget(0); }

  // The x of the boundary before character Index of Line (0 .. Line.size()),
  // measured from the line's start. Measuring stops once it passes Limit: the
  // answer is then some x beyond Limit.
  Integer X(StringView Line, Integer Index, const TMeasure& Measure, Integer Limit = kNoLimit);
  Integer Width(StringView Line, const TMeasure& Measure, Integer Limit = kNoLimit) {
    return X(Line, Integer(Line.size()), Measure, Limit);
  }
  // The character boundary nearest to x (0 .. Line.size()).
  Integer IndexAt(StringView Line, Integer X, const TMeasure& Measure);
  // Visits, in order, the pieces that meet the pixels [X0, X1).
  void VisitPieces(StringView Line, Integer X0, Integer X1, const TMeasure& Measure, const TPieceVisitor& Visit);

  static constexpr Integer kNoLimit = 0x3FFFFFFF;

private:
  struct TPiece {
    Integer Start = 0, Length = 0;
    Integer Width = 0, X = 0;  // known for the first FMeasured pieces
  };
  // Cuts pieces until one holds Index or the line ends.
  void CutTo(StringView Line, Integer Index);
  // Cuts and measures pieces until Count are measured, the line ends or x passes Limit.
  void MeasureTo(StringView Line, size_t Count, const TMeasure& Measure, Integer Limit);
  // Measures until a piece ends past X or the line ends.
  void MeasurePast(StringView Line, Integer X, const TMeasure& Measure);
  // The first measured piece that ends past X (the last measured one when none does).
  size_t PieceAtX(Integer X) const;
  // The piece holding Index (the last piece for the line's end), among those cut.
  size_t PieceOf(Integer Index) const;
  Integer CutEnd() const { return FPieces.empty() ? 0 : FPieces.back().Start + FPieces.back().Length; }

  std::vector<TPiece> FPieces;
  size_t FMeasured = 0;
};

// The character boundary of Text nearest to pixel X, where Width(n) gives the
// width of its first n characters and grows with n: a binary search, so a long
// text is not measured once per character.
Integer NearestBoundary(Integer Length, Integer X, const std::function<Integer(Integer)>& Width);
