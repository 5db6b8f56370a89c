#pragma once
// The edit-mask engine behind the mask edit. A mask has up to three fields
// separated by ';': the picture, the save-literals flag ('0' leaves literals
// out of Text) and the blank character shown in empty input positions ('_'
// by default). Picture characters:
//   L l  letter (required / optional)      A a  letter or digit
//   C c  any character                     0 9  digit        #  digit or sign
//   >  upper case from here   <  lower case from here   <>  no case change
//   \  the next character is a literal     :  /  time and date separators
//   !  optional characters are reported as leading blanks (see FormatText)
// Anything else is a literal. The edit text holds one character per mask
// position: literals, typed characters and blank characters.

#include <vector>

#include "platform/core/Types.h"

enum class TMaskCellKind { Literal, Letter, AlphaNum, AnyChar, Digit, DigitOrSign };
enum class TMaskCase { None, Upper, Lower };

struct TMaskCell {
  TMaskCellKind Kind = TMaskCellKind::Literal;
  bool Required = false;
  Char Literal = 0;  // for Literal cells
  TMaskCase Case = TMaskCase::None;
};

class TEditMask {
public:
  TEditMask() = default;
  explicit TEditMask(const String& Mask);

  // No picture: the edit is a plain edit.
  bool IsEmpty() const { return FCells.empty(); }
  Integer Length() const { return static_cast<Integer>(FCells.size()); }
  bool SaveLiterals() const { return FSaveLiterals; }
  Char BlankChar() const { return FBlank; }
  bool Reverse() const { return FReverse; }
  const TMaskCell& Cell(Integer Pos) const { return FCells[static_cast<size_t>(Pos)]; }

  // Positions are 0-based edit-text indices.
  bool IsLiteral(Integer Pos) const;
  // The character as it is stored at Pos (case rule applied), or 0 when the
  // position refuses it (a literal position refuses everything).
  Char Accept(Integer Pos, Char C) const;
  // The first input position at or after Pos (Length() when none).
  Integer NextInput(Integer Pos) const;
  // The last input position before Pos (-1 when none).
  Integer PrevInput(Integer Pos) const;

  // Literals and blank characters.
  String EmptyEditText() const;
  // Text (as the program reads and writes it) -> edit text. Characters that a
  // position refuses leave it blank. A mask that saves its literals takes a text
  // with or without them.
  String FormatText(const String& Value) const;
  // Edit text -> Text: blank characters become spaces; literals are kept only
  // when the mask saves them.
  String ExtractText(const String& EditText) const;
  // The first required position still blank, or -1 when the text is complete.
  Integer FirstMissing(const String& EditText) const;

private:
  std::vector<TMaskCell> FCells;
  bool FSaveLiterals = true;
  Char FBlank = u'_';
  bool FReverse = false;
};

// The text Value formatted by Mask (a plain copy for an empty mask).
String FormatMaskText(const String& Mask, const String& Value);
