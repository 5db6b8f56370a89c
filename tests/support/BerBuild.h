#pragma once
// Answers of a Z39.50 server built byte by byte, for tests that feed them to
// the tap, to the search, or to a fault server that sends them as they are:
// elements in the definite or the indefinite form, EXTERNALs, record
// elements, diagnostics, and whole answers. Nothing here checks what it
// builds: damaged encodings are built the same way.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace ber {

// A literal's bytes, zero bytes too.
template <std::size_t N>
std::string B(const char (&S)[N]) {
  return std::string(S, N - 1);
}

// Bytes written in hexadecimal, blanks between them allowed: "b7 0e 97".
inline std::string Hex(std::string_view Text) {
  std::string out;
  int high = -1;
  for (char c : Text) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out += static_cast<char>(high * 16 + v);
      high = -1;
    }
  }
  return out;
}

// The length octets of Size in the shortest definite form.
inline std::string Length(std::size_t Size) {
  if (Size < 0x80) return std::string(1, static_cast<char>(Size));
  std::string octets;
  for (std::size_t n = Size; n > 0; n >>= 8) octets.insert(octets.begin(), static_cast<char>(n & 0xFF));
  return static_cast<char>(0x80 | octets.size()) + octets;
}

// One element: Identifier, the length in the shortest definite form, Contents.
inline std::string Ber(std::string_view Identifier, std::string_view Contents) {
  return std::string(Identifier) + Length(Contents.size()) + std::string(Contents);
}
// The same in the indefinite form.
inline std::string Indefinite(std::string_view Identifier, std::string_view Contents) {
  return std::string(Identifier) + '\x80' + std::string(Contents) + std::string(2, '\0');
}

// Encoded object identifiers.
inline const std::string kUsmarc = B("\x2A\x86\x48\xCE\x13\x05\x0A");
inline const std::string kGrs1 = B("\x2A\x86\x48\xCE\x13\x05\x69");
inline const std::string kOpac = B("\x2A\x86\x48\xCE\x13\x05\x66");
inline const std::string kExplain = B("\x2A\x86\x48\xCE\x13\x05\x64");
inline const std::string kBib1 = B("\x2A\x86\x48\xCE\x13\x04\x01");
inline const std::string kSutrs = B("\x2A\x86\x48\xCE\x13\x05\x65");
inline const std::string kXml = B("\x2A\x86\x48\xCE\x13\x05\x6D\x0A");
inline const std::string kUserInfo = B("\x2A\x86\x48\xCE\x13\x0A\x03");

// A string in the constructed form: its pieces, each an OCTET STRING, in an
// element of indefinite length.
inline std::string Pieces(std::string_view Identifier, std::initializer_list<std::string_view> Parts) {
  std::string pieces;
  for (std::string_view p : Parts) pieces += Ber("\x04", p);
  return Indefinite(Identifier, pieces);
}

// An EXTERNAL of the syntax Oid whose value is the octets (octet-aligned),
// the descriptor element, when given, before them.
inline std::string OctetsExternal(std::string_view Octets, std::string_view Descriptor = {},
                                  std::string_view Oid = kUsmarc) {
  return Ber("\x28", Ber("\x06", Oid) + std::string(Descriptor) + Ber("\x81", Octets));
}
// An EXTERNAL of the syntax Oid whose value is one ASN.1 element
// (single-ASN1-type, an explicit tag over it).
inline std::string ValueExternal(std::string_view Oid, std::string_view Value) {
  return Ber("\x28", Ber("\x06", Oid) + Ber("\xA0", Value));
}

// A record element of an answer holding External as its record, the
// database's name element, when given, before it.
inline std::string RecordElement(std::string_view External, std::string_view Name = {}) {
  return Ber("\x30", std::string(Name) + Ber("\xA1", Ber("\xA1", External)));
}
// A record element of octets of USMARC, as most servers send them.
inline std::string OctetsRecord(std::string_view Octets, std::string_view Descriptor = {}) {
  return RecordElement(OctetsExternal(Octets, Descriptor));
}
// A surrogate diagnostic of bib-1 in a record's place.
inline std::string DiagnosticRecord(int Condition, std::string_view Addinfo) {
  const std::string diagnostic =
      Ber("\x06", kBib1) + Ber("\x02", std::string(1, static_cast<char>(Condition))) + Ber("\x1A", Addinfo);
  return Ber("\x30", Ber("\xA1", Ber("\xA2", Ber("\x30", diagnostic))));
}

// An INTEGER's contents in two octets.
inline std::string Two(long V) { return {static_cast<char>((V >> 8) & 0xFF), static_cast<char>(V & 0xFF)}; }

// A search answer of Hits hits whose list of records holds Records (the
// record elements, joined), then After (fields such as other information).
inline std::string SearchAnswer(long Hits, std::string_view Records, std::size_t Count, std::string_view After = {}) {
  const std::string contents = Ber("\x97", Two(Hits)) + Ber("\x98", Two(static_cast<long>(Count))) +
                               Ber("\x99", Two(static_cast<long>(Count) + 1)) + Ber("\x96", "\x01") +
                               (Count > 0 || !Records.empty() ? Ber("\xBC", Records) : std::string()) +
                               std::string(After);
  return Ber("\xB7", contents);
}
// A present answer whose list of records holds Records, Count of them,
// records from Next - Count on.
inline std::string PresentAnswer(std::string_view Records, std::size_t Count, long Next, std::string_view After = {}) {
  return Ber("\xB9", Ber("\x98", Two(static_cast<long>(Count))) + Ber("\x99", Two(Next)) +
                         Ber("\x9B", std::string(1, '\0')) + Ber("\xBC", Records) + std::string(After));
}
// A sound initialisation answer, protocol version 3 with search and present,
// then After.
inline std::string InitAnswer(std::string_view After = {}) {
  return Ber("\xB5", Hex("83 02 05 e0 84 02 06 c0 85 03 01 00 00 86 03 01 00 00 8c 01 01") + std::string(After));
}

// Empty other information ([201]) and additional search information ([203]).
inline const std::string kEmptyOtherInfo = Hex("bf 81 49 00");
inline const std::string kEmptyAdditionalSearchInfo = Hex("bf 81 4b 00");

}  // namespace ber
