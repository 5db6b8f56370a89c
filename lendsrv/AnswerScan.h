#pragma once
// How the tap reads a server's answer: its own walk of the answer's BER, as
// the bytes come, that no bytes can crash. It reads lengths exactly as the
// Z39.50 library does, so that both find an answer whole at the same byte, and
// it checks every element of an answer before any byte of it may reach the
// library, whose decoder some encodings crash.
//   - ReadBerHeader: one element's identifier and length;
//   - TAnswerScan: follows one answer, element by element, by the grammar of
//     the answers (AnswerGrammar.h): which of its bytes are checked, where its
//     records lie, its hit count, where it ends, or why it was refused.
//
// What the scan refuses, and only that:
//   - an answer of another kind than the one the connection waits for, or
//     one no request waits for (a close is always in turn): the library's
//     connection cannot take one out of turn;
//   - a character string in the constructed form where the grammar says one
//     stands, and a simple value (an INTEGER, a BOOLEAN, ...) in the
//     constructed form: the library's decoders leave a string's buffer unset
//     and write a character string's end through it. Octets and bits in
//     pieces it reads as an unset buffer of no length, which it survives,
//     and they pass; but for an EXTERNAL's octets inside an OPAC record,
//     whose rendering reads the buffer;
//   - wherever the library decodes by a grammar the tap does not hold, an
//     element of a universal string or simple type in the constructed form,
//     which can only be read as such;
//   - a length the library refuses (the reserved form, or one past its
//     integer), the indefinite form on a simple element, an element or a
//     header that runs past the one that holds it, an end-of-contents marker
//     where none is due;
//   - as not a Z39.50 answer: a first element that is not of a context tag in
//     the constructed form (an answer of another service: a greeting in text,
//     a TLS record).
// Inside bytes the library keeps as they are (a value of a syntax it does not
// know) only the lengths it follows are read.
//
// Elements of indefinite length nested deeper than the library's framing
// follows them (a chain of 1,000) pass only once the answer is whole: given
// a part of such an answer, the framing takes it for the whole, while its
// decoder reads the whole answer.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lendsrv/AnswerGrammar.h"

// An element's identifier and length octets.
struct TBerHeader {
  unsigned Class = 0;  // 0 universal, 1 application, 2 context-specific, 3 private
  bool Constructed = false;
  std::uint32_t Tag = 0;
  std::size_t HeaderLength = 0;
  std::optional<std::size_t> Length;  // of the contents; unset: indefinite, ended by two zero bytes
};

enum class THeaderRead { Whole, Partial, Refused };

// The header at the start of B: Partial while B does not hold it whole (its
// HeaderLength then the least it can take, as its bytes so far tell), Refused
// for one the library refuses or that no answer has (a tag past 28 bits).
THeaderRead ReadBerHeader(std::string_view B, TBerHeader& H);

// The length of the whole element at the start of B, elements of indefinite
// length followed to their ends; unset while B does not hold it whole, or
// when it is damaged.
std::optional<std::size_t> BerElementLength(std::string_view B);

enum class TAnswerVerdict {
  Following,  // not whole yet
  Whole,
  Damaged,    // refused: an element the library's decoder cannot be given, or a damaged length or nesting
  NotZ3950,   // refused: the first bytes are not a Z39.50 answer
  OutOfTurn,  // refused: an answer of another kind than the one awaited, or one no request awaits
};

// The answer a connection waits for: the tag of the answer its oldest open
// request awaits; unset when none does.
struct TAnswerTurn {
  std::optional<std::uint32_t> Awaited;
};

// Follows one answer as its bytes come, looking at each header once and at
// no contents but the hit count's.
class TAnswerScan {
public:
  // An answer of any kind.
  TAnswerScan() = default;
  // An answer in Turn: any other kind is refused before any byte of it is checked.
  explicit TAnswerScan(TAnswerTurn Turn) : FTurn(Turn), FTurnChecked(true) {}

  // Reads on: B is the answer's bytes so far, from its start, those of the
  // calls before and what came since.
  void Advance(std::string_view B);

  TAnswerVerdict Verdict() const { return FVerdict; }
  // Once whole: the answer's length; the bytes after it are the next answer's.
  std::size_t Length() const { return FVerdict == TAnswerVerdict::Whole ? FAt : 0; }
  // The bytes from the start that were checked and may reach the library;
  // never the refused element nor anything after it.
  std::size_t Checked() const { return FChecked; }
  // A Z39.50 answer began: its first element is of a context tag, constructed.
  bool Begun() const { return FBegun; }
  // The answer's length as its first header gives it; unset before that
  // header has come, or when its length is indefinite.
  std::optional<std::size_t> DeclaredLength() const { return FDeclaredLength; }
  // The records whole so far (of a search or present answer), as (offset,
  // length) of their elements, all of them checked.
  const std::vector<std::pair<std::size_t, std::size_t>>& Records() const { return FRecords; }
  // A search answer's hit count, once its bytes have come.
  std::optional<long long> ResultCount() const { return FResultCount; }
  // The answer's tag (its kind), once its first header has come.
  std::optional<std::uint32_t> Tag() const { return FTag; }
  // The answer awaited when it began.
  const TAnswerTurn& Turn() const { return FTurn; }

private:
  // How the elements inside an element are read.
  enum class TReading : std::uint8_t {
    Typed,       // by Type's grammar (a SEQUENCE or SEQUENCE OF)
    Wrapper,     // an explicit tag: one element of Type
    Embedded,    // octets the library decodes as one element of Type; the rest it leaves
    External,    // an EXTERNAL's fields
    Undeclared,  // decoded by a grammar not held here
    Opaque,      // kept as bytes: only lengths are followed
  };
  struct TFrame {
    std::size_t Start = 0;
    std::optional<std::size_t> End;  // unset: ended by two zero bytes
    std::size_t Limit = 0;           // no element inside runs past it: the nearest definite end
    TReading Reading = TReading::Undeclared;
    const TAsnType* Type = nullptr;
    // Elements of indefinite length from the answer's down to this one, all
    // of them: the depth at which the library's framing reads the elements
    // inside; 0 when a definite one breaks the chain.
    std::uint32_t IndefiniteChain = 0;
    bool HeldBack = false;  // of a context, application or private tag, constructed
    bool HasChild = false;
    std::size_t FirstChild = 0;  // where its first element starts, once it has one
    // An EXTERNAL's direct reference, once read; Long: one the library's table cannot hold.
    bool HasReference = false, LongReference = false;
    std::uint8_t ReferenceLength = 0;
    char Reference[kLongestKnownOid] = {};
  };

  // Reads the element at FAt; false when it must wait for more bytes or the
  // answer is refused or whole.
  bool Step(std::string_view B);
  bool Element(std::string_view B, const TBerHeader& H);
  // Where the element of header H inside the innermost open element is read
  // from, by what; false when it is refused.
  bool Place(const TBerHeader& H, TFrame& Child, const TAsnField*& Field);
  bool PlaceTyped(const TBerHeader& H, const TAsnMatch& M, TFrame& Child);
  // How the library reads the value of the EXTERNAL External.
  TExternalReading ExternalReading(const TFrame& External);
  void Close();
  bool InsideOpacRecord() const;
  bool Refuse(TAnswerVerdict Why);
  void UpdateChecked();

  TAnswerTurn FTurn;
  bool FTurnChecked = false;  // constructed with a turn
  TAnswerVerdict FVerdict = TAnswerVerdict::Following;
  bool FBegun = false;
  std::size_t FAt = 0;  // the next header; past the bytes so far while a simple element's contents come
  std::size_t FChecked = 0;
  std::size_t FBytes = 0;     // of the answer, so far
  std::vector<TFrame> FOpen;  // the elements FAt lies in, outermost first
  std::vector<std::pair<std::size_t, std::size_t>> FRecords;
  std::optional<long long> FResultCount;
  std::optional<std::size_t> FDeclaredLength;
  std::optional<std::uint32_t> FTag;
  // Where a chain of elements of indefinite length first went deeper than
  // the library's framing follows: no byte from there is checked before the
  // answer is whole.
  std::optional<std::size_t> FDeepFrom;
  // The last direct reference looked up, and its reading.
  std::optional<TExternalReading> FLastReading;
  char FLastReference[kLongestKnownOid] = {};
  std::uint8_t FLastReferenceLength = 0;
};
