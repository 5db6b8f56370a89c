#pragma once
// How the tap reads a server's answer: its own walk of the answer's BER, as
// the bytes come, that no bytes can crash. It reads lengths exactly as the
// Z39.50 library does, so that both find an answer whole at the same byte, and
// it checks every element of an answer before any byte of it may reach the
// library, whose decoder some encodings crash.
//   - ReadBerHeader: one element's identifier and length;
//   - TAnswerScan: follows one answer, element by element: which of its bytes
//     are checked, where its records lie, its hit count, where it ends, or
//     why it was refused;
//   - ReadRecordElement: one record element of an answer read to its
//     record's octets or to the server's diagnostic in its place;
//   - ExternalOctets: a record's bytes as the server sent them, from its
//     EXTERNAL, whether the tap read it or the library decoded it.
//
// What the scan refuses (the library's decoders cannot survive a string in
// the constructed form BER allows: they leave its buffer unset and write
// through it):
//   - an element of a universal type that is a string or a simple value
//     (anything but SEQUENCE, SET, EXTERNAL and EMBEDDED PDV) in the
//     constructed form;
//   - an element of a context, application or private tag in the
//     constructed form that is empty or whose first element is a string
//     piece (an OCTET STRING or BIT STRING): that is how a string under an
//     implicit tag comes in the constructed form. The one list an answer may
//     leave empty, its records', is known by its place;
//   - a length the library refuses (the reserved form, or one past its
//     integer), the indefinite form on a simple element, an element that
//     runs past the one that holds it, an end-of-contents marker where none
//     is due, nesting deeper than any answer needs;
//   - as not a Z39.50 answer: a first element that is not of a context tag
//     in the constructed form (an answer of another service: a greeting in
//     text, a TLS record).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct Z_External;

// An element's identifier and length octets.
struct TBerHeader {
  unsigned Class = 0;  // 0 universal, 1 application, 2 context-specific, 3 private
  bool Constructed = false;
  std::uint32_t Tag = 0;
  std::size_t HeaderLength = 0;
  std::optional<std::size_t> Length;  // of the contents; unset: indefinite, ended by two zero bytes
};

enum class THeaderRead { Whole, Partial, Refused };

// The header at the start of B: Partial while B does not hold it whole,
// Refused for one the library refuses or that no answer has (a tag past 28
// bits).
THeaderRead ReadBerHeader(std::string_view B, TBerHeader& H);

// One record of an answer: the record's bytes as sent, or the server's
// diagnostic in its place.
struct TTapRecord {
  std::string Bytes;
  bool Diagnostic = false;
  int Code = 0;
  std::string Message;  // of a diagnostic: its text, as the library gives it
  std::string Addinfo;
};

// A whole record element (a NamePlusRecord) read to the octets of its
// EXTERNAL or to a diagnostic in the default form; unset for any other form
// (a record given as structured data, a fragment, a diagnostic defined
// elsewhere) or bytes that are not such an element.
std::optional<TTapRecord> ReadRecordElement(std::string_view Element);

// The record's octets of a whole EXTERNAL element, when it carries them as
// octets and they are not empty; unset otherwise.
std::optional<std::string_view> ExternalOctets(std::string_view External);
// The same of an EXTERNAL the library decoded; empty when it has none.
std::string_view ExternalOctets(const Z_External* External);

enum class TAnswerVerdict {
  Following,  // not whole yet
  Whole,
  Damaged,   // refused: an element the library's decoder cannot be given, or a damaged length or nesting
  NotZ3950,  // refused: the first bytes are not a Z39.50 answer
};

// Follows one answer as its bytes come, looking at each header once and at
// no contents but the hit count's.
class TAnswerScan {
public:
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

private:
  enum class TRole { Answer, Body, List, Record, Other };
  struct TFrame {
    std::size_t Start = 0;
    std::optional<std::size_t> End;  // unset: ended by two zero bytes
    std::size_t Limit = 0;           // no element inside runs past it: the nearest definite end
    bool Universal = false;
    bool HasChild = false;
    std::size_t FirstChild = 0;  // where its first element starts, once it has one
    TRole Role = TRole::Other;
  };

  // Reads the element at FAt; false when it must wait for more bytes or the
  // answer is refused or whole.
  bool Step(std::string_view B);
  bool Element(std::string_view B, const TBerHeader& H);
  void Close();
  bool Refuse(TAnswerVerdict Why);
  void UpdateChecked(std::string_view B);

  TAnswerVerdict FVerdict = TAnswerVerdict::Following;
  bool FBegun = false;
  bool FSearchAnswer = false;
  std::size_t FAt = 0;  // the next header; past the bytes so far while a simple element's contents come
  std::size_t FChecked = 0;
  std::vector<TFrame> FOpen;  // the constructed elements FAt lies in, outermost first
  std::vector<std::pair<std::size_t, std::size_t>> FRecords;
  std::optional<long long> FResultCount;
  std::optional<std::size_t> FDeclaredLength;
};
