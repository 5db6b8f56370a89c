#pragma once
// The grammar of the answers the tap reads, as far as the tap must know it to
// tell a string in the constructed form (which the Z39.50 library's decoder
// cannot survive) from the structures BER allows in the same bytes: an empty
// list under an implicit tag, an explicit tag over an OCTET STRING. Only the
// grammar tells them apart.
//
// It holds the answers a search gets (initialisation, search, present,
// close) with their records list, record elements, diagnostics, other
// information and the EXTERNAL, and the record syntaxes the library decodes
// that a catalogue sends (GRS-1, OPAC, SUTRS, summary). Of an EXTERNAL it
// tells, by its direct reference, how the library reads its contents: by a
// grammar held here, by one of the library's own that is not held here
// (TAsnKind::Undeclared: only what is unsafe whatever the grammar can be
// refused there), or as bytes it never decodes (TAsnKind::Opaque).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class TAsnKind : std::uint8_t {
  Opaque,      // kept by the library as bytes: only lengths matter
  Undeclared,  // decoded by the library by a grammar not held here
  Integer,
  Boolean,
  Null,
  Oid,
  OctetString,
  BitString,
  CharString,  // any of the character string types, and GeneralizedTime
  Sequence,    // SEQUENCE or SET of named fields
  SequenceOf,
  Choice,
  External,
};

enum class TTagging : std::uint8_t { Untagged, Implicit, Explicit };

struct TAsnType;

// A field of a SEQUENCE, or an alternative of a CHOICE.
struct TAsnField {
  std::uint8_t Class;  // tag class (0 universal, 2 context), for a tagged field
  std::uint32_t Tag;
  TTagging Tagging;
  const TAsnType* Type;
};

struct TAsnType {
  TAsnKind Kind;
  // The type's own tag, which an untagged field of it carries (a CHOICE has
  // none: its alternatives' tags stand).
  std::uint8_t Class;
  std::uint32_t Tag;
  const TAsnField* Fields = nullptr;  // Sequence, Choice
  std::size_t FieldCount = 0;
  const TAsnType* Element = nullptr;  // SequenceOf
};

// Whether the kind is read by the library as a string.
constexpr bool IsStringKind(TAsnKind K) {
  return K == TAsnKind::OctetString || K == TAsnKind::BitString || K == TAsnKind::CharString;
}
// Whether the library survives the kind's constructed form (pieces): it
// reads octets and bits in pieces as an unset buffer of no length, but
// writes a character string's end through that buffer.
constexpr bool PiecesSurvived(TAsnKind K) { return K == TAsnKind::OctetString || K == TAsnKind::BitString; }
// Whether the kind is one whose contents are held here field by field.
constexpr bool IsStructuredKind(TAsnKind K) {
  return K == TAsnKind::Sequence || K == TAsnKind::SequenceOf || K == TAsnKind::External;
}

// What an element read inside a typed element is.
struct TAsnMatch {
  const TAsnType* Type = nullptr;    // its type (after an explicit tag: the type inside it)
  const TAsnField* Field = nullptr;  // the field or alternative it matched, when one did
  bool Explicit = false;             // an explicit tag: the element wraps one element of Type
};

// The type of an answer of the given application-protocol tag (a context
// tag), or nullptr when the tap holds no grammar for it.
const TAsnType* AnswerType(std::uint32_t Tag);

// What an element with the given tag is inside an element of type Parent
// (Sequence, SequenceOf, or the one element an explicit tag of Parent wraps:
// Wrapped); no type when Parent's grammar has no place for it.
TAsnMatch MatchInside(const TAsnType& Parent, std::uint8_t Class, std::uint32_t Tag);
TAsnMatch MatchWrapped(const TAsnType& Inner, std::uint8_t Class, std::uint32_t Tag);

// Roles of the grammar the search reads from an answer as it comes.
bool IsResultCountField(const TAsnField* Field);  // a search answer's hit count
bool IsRecordListType(const TAsnType* Type);      // the list of records and surrogate diagnostics
bool IsRecordType(const TAsnType* Type);          // one record element of that list
// An OPAC record: the library renders the octets of the EXTERNALs inside it,
// and cannot render an unset buffer.
bool IsOpacRecordType(const TAsnType* Type);
// The types of an EXTERNAL's octet-aligned and arbitrary values, read as
// strings when they come in pieces.
const TAsnType* OctetsInPieces();
const TAsnType* BitsInPieces();

// How the library reads an EXTERNAL's contents, by its direct reference's
// encoded contents (none: no direct reference). In the library's table of
// known syntaxes, single-ASN1-type and octet-aligned alike are decoded by the
// syntax's grammar (Type: a type held here, or one of TAsnKind::Undeclared);
// outside it, they are kept as bytes (Decoded false, Type of TAsnKind::Opaque).
struct TExternalReading {
  bool Decoded = false;
  const TAsnType* Type = nullptr;
};
TExternalReading ReadExternalAs(std::optional<std::string_view> DirectReference);

// The longest direct reference the library's table holds, encoded: a longer
// one is not in it.
inline constexpr std::size_t kLongestKnownOid = 16;

// The kinds whose universal tag marks them whatever the grammar, and whose
// constructed form the library reads as pieces of a string or refuses: all
// universal types but SEQUENCE, SET, EXTERNAL and EMBEDDED PDV.
bool UniversalIsStructured(std::uint32_t Tag);

// "search answer", "present answer", ...: an answer's kind by its tag, for
// texts; "answer of an unknown kind" for a tag of no kind.
std::string_view AnswerKindName(std::uint32_t Tag);
// The answer's tag a request's tag awaits; unset for a request that awaits
// none.
std::optional<std::uint32_t> AnswerAwaited(std::uint32_t RequestTag);
