#include "lendsrv/AnswerGrammar.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

// The types refer to one another (a GRS-1 element holds records of its own),
// so each is declared before the fields that name it. They are constants of
// namespace scope, made at compile time.
namespace answer_grammar {

constexpr std::uint8_t U = 0, C = 2;

constexpr TAsnField Implicit(std::uint32_t Tag, const TAsnType& T) { return {C, Tag, TTagging::Implicit, &T}; }
constexpr TAsnField Explicit(std::uint32_t Tag, const TAsnType& T) { return {C, Tag, TTagging::Explicit, &T}; }
constexpr TAsnField Plain(const TAsnType& T) { return {0, 0, TTagging::Untagged, &T}; }

template <std::size_t N>
constexpr TAsnType Sequence(const TAsnField (&Fields)[N], std::uint8_t Class = U, std::uint32_t Tag = 16) {
  return {TAsnKind::Sequence, Class, Tag, Fields, N};
}
template <std::size_t N>
constexpr TAsnType Choice(const TAsnField (&Fields)[N]) {
  return {TAsnKind::Choice, 0, 0, Fields, N};
}
constexpr TAsnType SequenceOf(const TAsnType& Element, std::uint8_t Class = U, std::uint32_t Tag = 16) {
  return {TAsnKind::SequenceOf, Class, Tag, nullptr, 0, &Element};
}

// ---- Simple types --------------------------------------------------------------

const TAsnType kInteger{TAsnKind::Integer, U, 2};
const TAsnType kBoolean{TAsnKind::Boolean, U, 1};
const TAsnType kNull{TAsnKind::Null, U, 5};
const TAsnType kOid{TAsnKind::Oid, U, 6};
const TAsnType kOctets{TAsnKind::OctetString, U, 4};
const TAsnType kBits{TAsnKind::BitString, U, 3};
const TAsnType kInternationalString{TAsnKind::CharString, U, 27};  // GeneralString
const TAsnType kVisibleString{TAsnKind::CharString, U, 26};
const TAsnType kGeneralizedTime{TAsnKind::CharString, U, 24};
const TAsnType kExternal{TAsnKind::External, U, 8};
// A SUTRS record's text: a GeneralString the library reads as octets.
const TAsnType kGeneralStringOctets{TAsnKind::OctetString, U, 27};
const TAsnType kUndeclared{TAsnKind::Undeclared, U, 0};
const TAsnType kOpaque{TAsnKind::Opaque, U, 0};

// ---- The answers' own grammar ----------------------------------------------------

extern const TAsnType kOtherInformation, kInfoCategory, kOtherInformationUnit, kDefaultDiagFormat, kDiagRec, kDiagRecs,
    kFragmentSyntax, kRecordChoice, kNamePlusRecord, kNamePlusRecordList;

const TAsnField kInfoCategoryFields[] = {Implicit(1, kOid), Implicit(2, kInteger)};
const TAsnType kInfoCategory = Sequence(kInfoCategoryFields);
// Its information, a CHOICE of tagged alternatives, stands among its fields.
const TAsnField kOtherInformationUnitFields[] = {Implicit(1, kInfoCategory), Implicit(2, kInternationalString),
                                                 Implicit(3, kOctets), Implicit(4, kExternal), Implicit(5, kOid)};
const TAsnType kOtherInformationUnit = Sequence(kOtherInformationUnitFields);
const TAsnType kOtherInformation = SequenceOf(kOtherInformationUnit, C, 201);

const TAsnField kDefaultDiagFormatFields[] = {Plain(kOid), Plain(kInteger), Plain(kVisibleString),
                                              Plain(kInternationalString)};
const TAsnType kDefaultDiagFormat = Sequence(kDefaultDiagFormatFields);
const TAsnField kDiagRecFields[] = {Plain(kDefaultDiagFormat), Plain(kExternal)};
const TAsnType kDiagRec = Choice(kDiagRecFields);
const TAsnType kDiagRecs = SequenceOf(kDiagRec);
const TAsnField kFragmentSyntaxFields[] = {Plain(kExternal), Plain(kOctets)};
const TAsnType kFragmentSyntax = Choice(kFragmentSyntaxFields);

const TAsnField kRecordChoiceFields[] = {Explicit(1, kExternal), Explicit(2, kDiagRec), Explicit(3, kFragmentSyntax),
                                         Explicit(4, kFragmentSyntax), Explicit(5, kFragmentSyntax)};
const TAsnType kRecordChoice = Choice(kRecordChoiceFields);
// The database's name, an InternationalString under an implicit tag.
const TAsnField kNamePlusRecordFields[] = {Implicit(0, kInternationalString), Explicit(1, kRecordChoice)};
const TAsnType kNamePlusRecord = Sequence(kNamePlusRecordFields);
const TAsnType kNamePlusRecordList = SequenceOf(kNamePlusRecord);

// The fields of an answer; the CHOICE of records stands among them.
const TAsnField kInitResponseFields[] = {Implicit(2, kOctets),
                                         Implicit(3, kBits),
                                         Implicit(4, kBits),
                                         Implicit(5, kInteger),
                                         Implicit(6, kInteger),
                                         Implicit(12, kBoolean),
                                         Implicit(110, kInternationalString),
                                         Implicit(111, kInternationalString),
                                         Implicit(112, kInternationalString),
                                         Explicit(11, kExternal),
                                         Plain(kOtherInformation)};
const TAsnField kResultCountField = Implicit(23, kInteger);
const TAsnField kSearchResponseFields[] = {Implicit(2, kOctets),
                                           kResultCountField,
                                           Implicit(24, kInteger),
                                           Implicit(25, kInteger),
                                           Implicit(22, kBoolean),
                                           Implicit(26, kInteger),
                                           Implicit(27, kInteger),
                                           Implicit(28, kNamePlusRecordList),
                                           Implicit(130, kDefaultDiagFormat),
                                           Implicit(205, kDiagRecs),
                                           Implicit(203, kOtherInformation),
                                           Plain(kOtherInformation)};
const TAsnField kPresentResponseFields[] = {Implicit(2, kOctets),
                                            Implicit(24, kInteger),
                                            Implicit(25, kInteger),
                                            Implicit(27, kInteger),
                                            Implicit(28, kNamePlusRecordList),
                                            Implicit(130, kDefaultDiagFormat),
                                            Implicit(205, kDiagRecs),
                                            Plain(kOtherInformation)};
const TAsnField kCloseFields[] = {Implicit(2, kOctets), Implicit(211, kInteger), Implicit(3, kInternationalString),
                                  Implicit(4, kOid),    Explicit(5, kExternal),  Plain(kOtherInformation)};
const TAsnType kInitResponse = Sequence(kInitResponseFields, C, 21);
const TAsnType kSearchResponse = Sequence(kSearchResponseFields, C, 23);
const TAsnType kPresentResponse = Sequence(kPresentResponseFields, C, 25);
const TAsnType kClose = Sequence(kCloseFields, C, 48);

// ---- GRS-1 -------------------------------------------------------------------------

extern const TAsnType kGenericRecord, kTaggedElement, kStringOrNumeric, kElementData, kElementMetaData, kTagPath,
    kTagPathPart, kOrder, kUsage, kHitVector, kHitVectors, kTerm, kVariant, kVariants, kTriple, kTriples, kTripleValue,
    kIntUnit, kUnit;

const TAsnField kStringOrNumericFields[] = {Implicit(1, kInternationalString), Implicit(2, kInteger)};
const TAsnType kStringOrNumeric = Choice(kStringOrNumericFields);
const TAsnField kUnitFields[] = {Explicit(1, kInternationalString), Explicit(2, kStringOrNumeric),
                                 Explicit(3, kStringOrNumeric), Implicit(4, kInteger)};
const TAsnType kUnit = Sequence(kUnitFields);
const TAsnField kIntUnitFields[] = {Implicit(1, kInteger), Implicit(2, kUnit)};
const TAsnType kIntUnit = Sequence(kIntUnitFields);

const TAsnField kTermFields[] = {Implicit(45, kOctets),
                                 Implicit(215, kInteger),
                                 Implicit(216, kInternationalString),
                                 Implicit(217, kOid),
                                 Implicit(218, kGeneralizedTime),
                                 Implicit(219, kExternal),
                                 Implicit(220, kIntUnit),
                                 Implicit(221, kNull)};
const TAsnType kTerm = Choice(kTermFields);

const TAsnField kTripleValueFields[] = {
    Plain(kInteger), Plain(kInternationalString), Plain(kOctets),       Plain(kOid), Plain(kBoolean),
    Plain(kNull),    Implicit(1, kUnit),          Implicit(2, kIntUnit)};
const TAsnType kTripleValue = Choice(kTripleValueFields);
const TAsnField kTripleFields[] = {Implicit(0, kOid), Implicit(1, kInteger), Implicit(2, kInteger),
                                   Explicit(3, kTripleValue)};
const TAsnType kTriple = Sequence(kTripleFields);
const TAsnType kTriples = SequenceOf(kTriple);
const TAsnField kVariantFields[] = {Implicit(1, kOid), Implicit(2, kTriples)};
const TAsnType kVariant = Sequence(kVariantFields);
const TAsnType kVariants = SequenceOf(kVariant);

const TAsnField kOrderFields[] = {Implicit(1, kBoolean), Implicit(2, kInteger)};
const TAsnType kOrder = Sequence(kOrderFields);
const TAsnField kUsageFields[] = {Implicit(1, kInteger), Implicit(2, kInternationalString)};
const TAsnType kUsage = Sequence(kUsageFields);
// Its satisfier, a CHOICE of tagged alternatives, stands among its fields.
const TAsnField kHitVectorFields[] = {Plain(kTerm), Implicit(1, kIntUnit), Implicit(2, kIntUnit), Implicit(3, kInteger),
                                      Implicit(4, kOctets)};
const TAsnType kHitVector = Sequence(kHitVectorFields);
const TAsnType kHitVectors = SequenceOf(kHitVector);
const TAsnField kTagPathPartFields[] = {Implicit(1, kInteger), Explicit(2, kStringOrNumeric), Implicit(3, kInteger)};
const TAsnType kTagPathPart = Sequence(kTagPathPartFields);
const TAsnType kTagPath = SequenceOf(kTagPathPart);

const TAsnField kElementMetaDataFields[] = {Implicit(1, kOrder),      Implicit(2, kUsage),
                                            Implicit(3, kHitVectors), Implicit(4, kInternationalString),
                                            Implicit(5, kVariants),   Implicit(6, kInternationalString),
                                            Implicit(7, kOctets),     Implicit(8, kTagPath),
                                            Implicit(9, kTagPath),    Implicit(99, kExternal)};
const TAsnType kElementMetaData = Sequence(kElementMetaDataFields);

const TAsnField kElementDataFields[] = {Plain(kOctets),
                                        Plain(kInteger),
                                        Plain(kGeneralizedTime),
                                        Plain(kExternal),
                                        Plain(kInternationalString),
                                        Plain(kBoolean),
                                        Plain(kOid),
                                        Implicit(1, kIntUnit),
                                        Implicit(2, kNull),
                                        Implicit(3, kNull),
                                        Implicit(4, kNull),
                                        Implicit(5, kExternal),
                                        Explicit(6, kGenericRecord)};
const TAsnType kElementData = Choice(kElementDataFields);

const TAsnField kTaggedElementFields[] = {Implicit(1, kInteger),         Explicit(2, kStringOrNumeric),
                                          Implicit(3, kInteger),         Explicit(4, kElementData),
                                          Implicit(5, kElementMetaData), Implicit(6, kVariant)};
const TAsnType kTaggedElement = Sequence(kTaggedElementFields);
const TAsnType kGenericRecord = SequenceOf(kTaggedElement);

// ---- OPAC ----------------------------------------------------------------------------

extern const TAsnType kOpacRecord, kHoldingsRecord, kHoldingsRecords, kHoldingsAndCircData, kVolume, kVolumes,
    kCircRecord, kCircRecords;

const TAsnField kVolumeFields[] = {Implicit(1, kInternationalString), Implicit(2, kInternationalString),
                                   Implicit(3, kInternationalString)};
const TAsnType kVolume = Sequence(kVolumeFields);
const TAsnType kVolumes = SequenceOf(kVolume);
const TAsnField kCircRecordFields[] = {Implicit(1, kBoolean),
                                       Implicit(2, kInternationalString),
                                       Implicit(3, kInternationalString),
                                       Implicit(4, kInternationalString),
                                       Implicit(5, kInternationalString),
                                       Implicit(6, kBoolean),
                                       Implicit(7, kBoolean),
                                       Implicit(8, kInternationalString),
                                       Implicit(9, kInternationalString),
                                       Implicit(10, kInternationalString)};
const TAsnType kCircRecord = Sequence(kCircRecordFields);
const TAsnType kCircRecords = SequenceOf(kCircRecord);
const TAsnField kHoldingsAndCircDataFields[] = {
    Implicit(1, kInternationalString),  Implicit(2, kInternationalString),  Implicit(3, kInternationalString),
    Implicit(4, kInternationalString),  Implicit(5, kInternationalString),  Implicit(6, kInternationalString),
    Implicit(7, kInternationalString),  Implicit(8, kInternationalString),  Implicit(9, kInternationalString),
    Implicit(10, kInternationalString), Implicit(11, kInternationalString), Implicit(12, kInternationalString),
    Implicit(13, kInternationalString), Implicit(14, kInternationalString), Implicit(15, kInternationalString),
    Implicit(16, kInternationalString), Implicit(17, kInternationalString), Implicit(18, kVolumes),
    Implicit(19, kCircRecords)};
const TAsnType kHoldingsAndCircData = Sequence(kHoldingsAndCircDataFields);
const TAsnField kHoldingsRecordFields[] = {Implicit(1, kExternal), Implicit(2, kHoldingsAndCircData)};
const TAsnType kHoldingsRecord = Choice(kHoldingsRecordFields);
const TAsnType kHoldingsRecords = SequenceOf(kHoldingsRecord);
const TAsnField kOpacRecordFields[] = {Implicit(1, kExternal), Implicit(2, kHoldingsRecords)};
const TAsnType kOpacRecord = Sequence(kOpacRecordFields);

// ---- Summary -----------------------------------------------------------------------

const TAsnField kFormatSpecFields[] = {Implicit(1, kInternationalString), Implicit(2, kInteger), Implicit(3, kInteger)};
const TAsnType kFormatSpec = Sequence(kFormatSpecFields);
const TAsnType kFormatSpecs = SequenceOf(kFormatSpec);
const TAsnField kBriefBibFields[] = {Implicit(1, kInternationalString),
                                     Implicit(2, kInternationalString),
                                     Implicit(3, kInternationalString),
                                     Implicit(4, kInternationalString),
                                     Implicit(5, kInternationalString),
                                     Implicit(6, kFormatSpecs),
                                     Implicit(7, kInternationalString),
                                     Implicit(8, kInternationalString),
                                     Implicit(9, kInternationalString),
                                     Implicit(10, kInternationalString),
                                     Implicit(11, kInteger),
                                     Implicit(12, kInternationalString),
                                     Implicit(13, kInternationalString),
                                     Plain(kOtherInformation)};
const TAsnType kBriefBib = Sequence(kBriefBibFields);

// ---- The library's table of syntaxes it decodes ---------------------------------

// Arcs after 1.2.840.10003, and the grammar held for the syntax (nullptr:
// the library's own, not held here).
struct TKnownSyntax {
  std::array<int, 4> Arcs;  // -1 ends a shorter one
  const TAsnType* Type;
};
const TKnownSyntax kKnownSyntaxes[] = {
    {{5, 101, -1, -1}, &kGeneralStringOctets},  // SUTRS
    {{5, 100, -1, -1}, nullptr},                // Explain
    {{7, 1, -1, -1}, nullptr},
    {{7, 2, -1, -1}, nullptr},
    {{8, 1, -1, -1}, nullptr},
    {{5, 105, -1, -1}, &kGenericRecord},  // GRS-1
    {{5, 106, -1, -1}, nullptr},
    {{9, 4, -1, -1}, nullptr},
    {{4, 2, -1, -1}, nullptr},
    {{11, 1, -1, -1}, nullptr},
    {{5, 103, -1, -1}, &kBriefBib},    // summary
    {{5, 102, -1, -1}, &kOpacRecord},  // OPAC
    {{10, 1, -1, -1}, nullptr},
    {{9, 5, -1, -1}, nullptr},
    {{9, 5, 1, -1}, nullptr},
    {{9, 5, 1, 1}, nullptr},
    {{10, 6, -1, -1}, nullptr},
    {{7, 1000, 81, 1}, nullptr},
    {{9, 1000, 81, 1}, nullptr},
    {{10, 3, -1, -1}, &kOtherInformation},  // user information
    {{10, 1000, 81, 5}, nullptr},
    {{15, 3, -1, -1}, nullptr},
    {{8, 2, -1, -1}, nullptr},
    {{8, 3, -1, -1}, nullptr},
    {{10, 5, -1, -1}, nullptr},
    {{16, 2, -1, -1}, &kInternationalString},  // a CQL query
    {{9, 1, -1, -1}, nullptr},
    {{9, 2, -1, -1}, nullptr},
    {{9, 3, -1, -1}, nullptr},
    {{9, 6, -1, -1}, nullptr},
    {{9, 7, -1, -1}, nullptr},
};

// An object identifier's arcs, read as the library reads them, at most
// kMostArcs of them: more than any the search looks up.
constexpr std::size_t kMostArcs = 16;
struct TArcs {
  std::array<int, kMostArcs> Arc{};
  std::size_t Count = 0;
};
// Unset where the library refuses the identifier, or it has more arcs.
std::optional<TArcs> OidArcs(std::string_view Contents) {
  TArcs arcs;
  std::size_t at = 0;
  while (at < Contents.size()) {
    unsigned long id = 0;
    for (;;) {
      if (at == Contents.size()) return std::nullopt;
      const auto b = static_cast<unsigned char>(Contents[at++]);
      id = (id << 7) | (b & 0x7Fu);
      if (id > 0x7FFFFFFFul) return std::nullopt;
      if (!(b & 0x80)) break;
    }
    if (arcs.Count + (arcs.Count == 0 ? 2 : 1) > kMostArcs) return std::nullopt;
    if (arcs.Count == 0) {
      const int first = std::min<int>(static_cast<int>(id / 40), 2);
      arcs.Arc[arcs.Count++] = first;
      arcs.Arc[arcs.Count++] = static_cast<int>(id) - first * 40;
    } else {
      arcs.Arc[arcs.Count++] = static_cast<int>(id);
    }
  }
  if (arcs.Count < 2) return std::nullopt;
  return arcs;
}

const TAsnMatch kNoMatch{};

// Whether an element of the given tag is of type T, an untagged field of it:
// a CHOICE by its alternatives, any other type by its own tag.
TAsnMatch MatchType(const TAsnType& T, std::uint8_t Class, std::uint32_t Tag);

TAsnMatch MatchFields(const TAsnField* Fields, std::size_t Count, std::uint8_t Class, std::uint32_t Tag) {
  for (std::size_t i = 0; i < Count; ++i) {
    const TAsnField& f = Fields[i];
    if (f.Tagging == TTagging::Untagged) {
      TAsnMatch m = MatchType(*f.Type, Class, Tag);
      if (m.Type) {
        if (!m.Field) m.Field = &f;
        return m;
      }
    } else if (f.Class == Class && f.Tag == Tag) {
      return {f.Type, &f, f.Tagging == TTagging::Explicit};
    }
  }
  return kNoMatch;
}

TAsnMatch MatchType(const TAsnType& T, std::uint8_t Class, std::uint32_t Tag) {
  if (T.Kind == TAsnKind::Choice) return MatchFields(T.Fields, T.FieldCount, Class, Tag);
  if (T.Class == Class && T.Tag == Tag) return {&T, nullptr, false};
  return kNoMatch;
}

}  // namespace answer_grammar

using namespace answer_grammar;

const TAsnType* AnswerType(std::uint32_t Tag) {
  switch (Tag) {
    case 21: return &kInitResponse;
    case 23: return &kSearchResponse;
    case 25: return &kPresentResponse;
    case 48: return &kClose;
    default: return nullptr;
  }
}

TAsnMatch MatchInside(const TAsnType& Parent, std::uint8_t Class, std::uint32_t Tag) {
  switch (Parent.Kind) {
    case TAsnKind::Sequence: return MatchFields(Parent.Fields, Parent.FieldCount, Class, Tag);
    case TAsnKind::SequenceOf: return MatchType(*Parent.Element, Class, Tag);
    // The pieces of a string in the constructed form: strings of its
    // universal type, whatever tag the string itself carries.
    case TAsnKind::OctetString: return MatchType(kOctets, Class, Tag);
    case TAsnKind::BitString: return MatchType(kBits, Class, Tag);
    default: return kNoMatch;
  }
}

TAsnMatch MatchWrapped(const TAsnType& Inner, std::uint8_t Class, std::uint32_t Tag) {
  return MatchType(Inner, Class, Tag);
}

bool IsResultCountField(const TAsnField* Field) {
  return Field && Field->Tag == kResultCountField.Tag && Field->Tagging == kResultCountField.Tagging &&
         Field >= std::begin(kSearchResponseFields) && Field < std::end(kSearchResponseFields);
}
bool IsRecordListType(const TAsnType* Type) { return Type == &kNamePlusRecordList; }
bool IsRecordType(const TAsnType* Type) { return Type == &kNamePlusRecord; }
bool IsOpacRecordType(const TAsnType* Type) { return Type == &kOpacRecord; }
const TAsnType* OctetsInPieces() { return &kOctets; }
const TAsnType* BitsInPieces() { return &kBits; }

TExternalReading ReadExternalAs(std::optional<std::string_view> DirectReference) {
  const TExternalReading kept{false, &kOpaque};
  if (!DirectReference || DirectReference->size() > kLongestKnownOid) return kept;
  const std::optional<TArcs> arcs = OidArcs(*DirectReference);
  constexpr int kZ3950[] = {1, 2, 840, 10003};
  if (!arcs || arcs->Count < 5 || !std::equal(std::begin(kZ3950), std::end(kZ3950), arcs->Arc.begin())) return kept;
  for (const TKnownSyntax& s : kKnownSyntaxes) {
    const auto length = static_cast<std::size_t>(std::find(s.Arcs.begin(), s.Arcs.end(), -1) - s.Arcs.begin());
    if (arcs->Count == 4 + length && std::equal(s.Arcs.begin(), s.Arcs.begin() + length, arcs->Arc.begin() + 4))
      return {true, s.Type ? s.Type : &kUndeclared};
  }
  return kept;
}

bool UniversalIsStructured(std::uint32_t Tag) {
  // SEQUENCE, SET, EXTERNAL, EMBEDDED PDV.
  return Tag == 16 || Tag == 17 || Tag == 8 || Tag == 11;
}

std::string_view AnswerKindName(std::uint32_t Tag) {
  switch (Tag) {
    case 20: return "initialisation request";
    case 21: return "initialisation answer";
    case 22: return "search request";
    case 23: return "search answer";
    case 24: return "present request";
    case 25: return "present answer";
    case 26: return "delete request";
    case 27: return "delete answer";
    case 28: return "access-control request";
    case 29: return "access-control answer";
    case 30: return "resource-control request";
    case 31: return "resource-control answer";
    case 32: return "resource-control trigger";
    case 33: return "resource-report request";
    case 34: return "resource-report answer";
    case 35: return "scan request";
    case 36: return "scan answer";
    case 43: return "sort request";
    case 44: return "sort answer";
    case 45: return "segment of records";
    case 46: return "extended-services request";
    case 47: return "extended-services answer";
    case 48: return "close";
    case 49: return "duplicate-detection request";
    case 50: return "duplicate-detection answer";
    default: return "answer of an unknown kind";
  }
}

std::optional<std::uint32_t> AnswerAwaited(std::uint32_t RequestTag) {
  switch (RequestTag) {
    case 20: return 21;  // initialisation
    case 22: return 23;  // search
    case 24: return 25;  // present
    case 26: return 27;  // delete result sets
    case 33: return 34;  // resource report
    case 35: return 36;  // scan
    case 43: return 44;  // sort
    case 46: return 47;  // extended services
    case 48: return 48;  // close
    default: return std::nullopt;
  }
}
