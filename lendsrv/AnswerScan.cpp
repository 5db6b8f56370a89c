#include "lendsrv/AnswerScan.h"

#include <yaz/diagbib1.h>
#include <yaz/proto.h>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr unsigned kUniversal = 0, kContext = 2;
// Universal tags.
constexpr std::uint32_t kEndOfContents = 0, kBitString = 3, kOctetString = 4, kOid = 6, kInteger = 2, kExternal = 8,
                        kEmbeddedPdv = 11, kSequence = 16, kSet = 17, kVisibleString = 26, kGeneralString = 27;
// The answers that carry records, their hit count and their list of records.
constexpr std::uint32_t kSearchResponse = 23, kPresentResponse = 25, kResultCount = 23, kResponseRecords = 28;
// Deeper than any answer's elements nest; the library's own reader of
// element boundaries gives up at 1000.
constexpr std::size_t kMostDepth = 100;
// The bib-1 diagnostic set's object identifier, 1.2.840.10003.4.1, as encoded.
constexpr std::string_view kBib1Oid("\x2A\x86\x48\xCE\x13\x04\x01", 7);

bool Universal(const TBerHeader& H, std::uint32_t Tag) { return H.Class == kUniversal && H.Tag == Tag; }
bool Context(const TBerHeader& H, std::uint32_t Tag) { return H.Class == kContext && H.Tag == Tag; }

// The universal types whose constructed form the library reads as a
// structure; every other one it reads as a string or a simple value.
bool StructuredUniversal(std::uint32_t Tag) {
  return Tag == kExternal || Tag == kEmbeddedPdv || Tag == kSequence || Tag == kSet;
}

// A BER integer's contents, two's complement, one to eight bytes.
std::optional<long long> BerInteger(std::string_view B) {
  if (B.empty() || B.size() > 8) return std::nullopt;
  std::uint64_t v = static_cast<unsigned char>(B[0]) & 0x80 ? ~std::uint64_t(0) : 0;
  for (char c : B) v = (v << 8) | static_cast<unsigned char>(c);
  return static_cast<long long>(v);
}

// The length of the whole element at the start of B, nested at most Depth
// deep; unset when B does not hold it whole or it is damaged.
std::optional<std::size_t> WholeLength(std::string_view B, std::size_t Depth) {
  TBerHeader h;
  if (Depth > kMostDepth || ReadBerHeader(B, h) != THeaderRead::Whole) return std::nullopt;
  if (h.Length) {
    if (*h.Length > B.size() - h.HeaderLength) return std::nullopt;
    return h.HeaderLength + *h.Length;
  }
  if (!h.Constructed) return std::nullopt;
  std::size_t at = h.HeaderLength;
  for (;;) {
    if (B.size() - at >= 2 && B[at] == 0 && B[at + 1] == 0) return at + 2;
    const std::optional<std::size_t> n = WholeLength(B.substr(at), Depth + 1);
    if (!n) return std::nullopt;
    at += *n;
  }
}

// One element read whole: its header, contents and all of it.
struct TElement {
  TBerHeader Header;
  std::string_view Contents;
  std::string_view All;
};

std::optional<TElement> ReadElement(std::string_view B) {
  TElement e;
  const std::optional<std::size_t> n = WholeLength(B, 0);
  if (!n || ReadBerHeader(B, e.Header) != THeaderRead::Whole) return std::nullopt;
  e.All = B.substr(0, *n);
  const std::size_t end = e.Header.Length ? *n : *n - 2;
  e.Contents = B.substr(e.Header.HeaderLength, end - e.Header.HeaderLength);
  return e;
}

// The elements inside a constructed element's contents, in order; unset when
// one of them is not whole.
std::optional<std::vector<TElement>> Children(const TElement& E) {
  if (!E.Header.Constructed) return std::nullopt;
  std::vector<TElement> children;
  for (std::string_view rest = E.Contents; !rest.empty();) {
    std::optional<TElement> c = ReadElement(rest);
    if (!c) return std::nullopt;
    rest.remove_prefix(c->All.size());
    children.push_back(*c);
  }
  return children;
}

// The only element inside E, when it holds exactly one.
std::optional<TElement> OnlyChild(const TElement& E) {
  std::optional<std::vector<TElement>> c = Children(E);
  if (!c || c->size() != 1) return std::nullopt;
  return c->front();
}

// A diagnostic in the default form: its set, condition and added text.
std::optional<TTapRecord> ReadDiagnostic(const TElement& D) {
  std::optional<std::vector<TElement>> fields = Children(D);
  if (!Universal(D.Header, kSequence) || !fields) return std::nullopt;
  TTapRecord r;
  r.Diagnostic = true;
  bool bib1 = true, condition = false;
  for (const TElement& f : *fields) {
    if (f.Header.Constructed) return std::nullopt;
    if (Universal(f.Header, kOid)) {
      bib1 = f.Contents == kBib1Oid;
    } else if (Universal(f.Header, kInteger)) {
      const std::optional<long long> code = BerInteger(f.Contents);
      if (!code || *code < std::numeric_limits<int>::min() || *code > std::numeric_limits<int>::max())
        return std::nullopt;
      r.Code = static_cast<int>(*code);
      condition = true;
    } else if (Universal(f.Header, kVisibleString) || Universal(f.Header, kGeneralString)) {
      r.Addinfo = std::string(f.Contents);
    }
  }
  if (!condition) return std::nullopt;
  r.Message = bib1 ? diagbib1_str(r.Code) : "diagnostic";
  return r;
}

}  // namespace

THeaderRead ReadBerHeader(std::string_view B, TBerHeader& H) {
  std::size_t at = 0;
  if (B.empty()) return THeaderRead::Partial;
  const auto first = static_cast<unsigned char>(B[at++]);
  H.Class = first >> 6;
  H.Constructed = (first & 0x20) != 0;
  H.Tag = first & 0x1Fu;
  if (H.Tag == 0x1F) {
    H.Tag = 0;
    for (int i = 0;; ++i) {
      if (i == 4) return THeaderRead::Refused;
      if (at >= B.size()) return THeaderRead::Partial;
      const auto b = static_cast<unsigned char>(B[at++]);
      H.Tag = (H.Tag << 7) | (b & 0x7Fu);
      if (!(b & 0x80)) break;
    }
  }
  if (at >= B.size()) return THeaderRead::Partial;
  const auto l = static_cast<unsigned char>(B[at++]);
  if (l == 0x80) {
    H.Length.reset();
  } else if (l < 0x80) {
    H.Length = l;
  } else {
    if (l == 0xFF) return THeaderRead::Refused;  // reserved
    // As the library reads it: any number of octets into a 32-bit integer,
    // whose high octets are shifted out; a negative result is refused.
    const unsigned n = l & 0x7Fu;
    if (B.size() - at < n) return THeaderRead::Partial;
    std::uint32_t length = 0;
    for (unsigned i = 0; i < n; ++i) length = (length << 8) | static_cast<unsigned char>(B[at++]);
    if (length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) return THeaderRead::Refused;
    H.Length = length;
  }
  H.HeaderLength = at;
  return THeaderRead::Whole;
}

std::optional<std::string_view> ExternalOctets(std::string_view External) {
  const std::optional<TElement> e = ReadElement(External);
  if (!e || !Universal(e->Header, kExternal)) return std::nullopt;
  const std::optional<std::vector<TElement>> fields = Children(*e);
  if (!fields) return std::nullopt;
  for (const TElement& f : *fields) {
    if (f.Header.Class != kContext) continue;  // the reference and descriptor
    if (f.Header.Tag != 1 || f.Header.Constructed || f.Contents.empty()) return std::nullopt;
    return f.Contents;
  }
  return std::nullopt;
}

std::string_view ExternalOctets(const Z_External* External) {
  if (!External || External->which != Z_External_octet || !External->u.octet_aligned ||
      !External->u.octet_aligned->buf || External->u.octet_aligned->len <= 0)
    return {};
  return std::string_view(External->u.octet_aligned->buf, static_cast<std::size_t>(External->u.octet_aligned->len));
}

std::optional<TTapRecord> ReadRecordElement(std::string_view Element) {
  const std::optional<TElement> npr = ReadElement(Element);
  if (!npr || !Universal(npr->Header, kSequence)) return std::nullopt;
  const std::optional<std::vector<TElement>> parts = Children(*npr);
  if (!parts || parts->empty()) return std::nullopt;
  // The database's name, when given, comes first.
  const TElement& record = Context(parts->front().Header, 0) && parts->size() > 1 ? (*parts)[1] : parts->front();
  if (!Context(record.Header, 1)) return std::nullopt;
  const std::optional<TElement> form = OnlyChild(record);
  if (!form || !form->Header.Constructed) return std::nullopt;
  const std::optional<TElement> inner = OnlyChild(*form);
  if (!inner) return std::nullopt;
  if (Context(form->Header, 1)) {
    const std::optional<std::string_view> octets = ExternalOctets(inner->All);
    if (!octets) return std::nullopt;
    TTapRecord r;
    r.Bytes = std::string(*octets);
    return r;
  }
  if (Context(form->Header, 2)) return ReadDiagnostic(*inner);
  return std::nullopt;
}

// ---- TAnswerScan ----------------------------------------------------------------

void TAnswerScan::Advance(std::string_view B) {
  if (FVerdict != TAnswerVerdict::Following) return;
  // Checked as it goes, so that a refused answer passes what came before
  // the refused element however its bytes came.
  do UpdateChecked(B);
  while (Step(B));
  UpdateChecked(B);
}

bool TAnswerScan::Step(std::string_view B) {
  if (FAt > B.size()) return false;  // a simple element's contents still coming
  // The elements that end here.
  while (!FOpen.empty()) {
    const TFrame& f = FOpen.back();
    if (f.End) {
      if (FAt < *f.End) break;
    } else {
      if (B.size() - FAt < 2) return false;
      if (B[FAt] != 0 || B[FAt + 1] != 0) break;
      if (FAt + 2 > f.Limit) return Refuse(TAnswerVerdict::Damaged);
      FAt += 2;
    }
    Close();
    if (FVerdict != TAnswerVerdict::Following) return false;
  }
  if (FOpen.empty() && FAt > 0) {
    FVerdict = TAnswerVerdict::Whole;
    return false;
  }
  if (FAt == B.size()) return false;
  if (FAt == 0) {
    // An answer of this protocol opens with an element of a context tag,
    // constructed; the first byte tells.
    const auto first = static_cast<unsigned char>(B[0]);
    if ((first >> 6) != kContext || !(first & 0x20)) return Refuse(TAnswerVerdict::NotZ3950);
    FBegun = true;
  }
  TBerHeader h;
  switch (ReadBerHeader(B.substr(FAt), h)) {
    case THeaderRead::Partial: return false;
    case THeaderRead::Refused: return Refuse(TAnswerVerdict::Damaged);
    case THeaderRead::Whole: break;
  }
  return Element(B, h);
}

bool TAnswerScan::Element(std::string_view B, const TBerHeader& H) {
  const std::size_t limit = FOpen.empty() ? std::numeric_limits<std::size_t>::max() : FOpen.back().Limit;
  if (FOpen.size() >= kMostDepth || Universal(H, kEndOfContents) || (!H.Constructed && !H.Length))
    return Refuse(TAnswerVerdict::Damaged);
  if (H.HeaderLength > limit - FAt || (H.Length && *H.Length > limit - FAt - H.HeaderLength))
    return Refuse(TAnswerVerdict::Damaged);
  if (H.Constructed && H.Class == kUniversal && !StructuredUniversal(H.Tag)) return Refuse(TAnswerVerdict::Damaged);
  TRole role = TRole::Other;
  if (FOpen.empty()) {
    if (H.Length) FDeclaredLength = H.HeaderLength + *H.Length;
    FSearchAnswer = H.Tag == kSearchResponse;
    if (H.Tag == kSearchResponse || H.Tag == kPresentResponse) role = TRole::Body;
  } else {
    TFrame& parent = FOpen.back();
    // A string in the constructed form under an implicit tag: its pieces.
    if (!parent.Universal && !parent.HasChild && (Universal(H, kOctetString) || Universal(H, kBitString)))
      return Refuse(TAnswerVerdict::Damaged);
    if (parent.Role == TRole::Body && H.Constructed && Context(H, kResponseRecords)) role = TRole::List;
    if (parent.Role == TRole::List) role = TRole::Record;
    if (parent.Role == TRole::Body && FSearchAnswer && !H.Constructed && Context(H, kResultCount)) {
      if (*H.Length == 0 || *H.Length > 8) return Refuse(TAnswerVerdict::Damaged);
      if (B.size() - FAt - H.HeaderLength < *H.Length) return false;  // the count is read whole
      if (const std::optional<long long> n = BerInteger(B.substr(FAt + H.HeaderLength, *H.Length))) FResultCount = n;
    }
    if (!std::exchange(parent.HasChild, true)) parent.FirstChild = FAt;
  }
  std::optional<std::size_t> end;
  if (H.Length) end = FAt + H.HeaderLength + *H.Length;
  if (!H.Constructed) {
    FAt = *end;
    return true;
  }
  FOpen.push_back({FAt, end, end ? *end : limit, H.Class == kUniversal, false, 0, role});
  FAt += H.HeaderLength;
  return true;
}

void TAnswerScan::Close() {
  const TFrame f = FOpen.back();
  FOpen.pop_back();
  // Empty under a context tag: a string in the constructed form, unless it
  // is the one list an answer may leave empty.
  if (!f.Universal && !f.HasChild && f.Role != TRole::List) {
    Refuse(TAnswerVerdict::Damaged);
    return;
  }
  if (f.Role == TRole::Record) FRecords.emplace_back(f.Start, FAt - f.Start);
}

bool TAnswerScan::Refuse(TAnswerVerdict Why) {
  FVerdict = Why;
  return false;
}

void TAnswerScan::UpdateChecked(std::string_view B) {
  if (FVerdict == TAnswerVerdict::Damaged || FVerdict == TAnswerVerdict::NotZ3950) return;
  if (FVerdict == TAnswerVerdict::Whole) {
    FChecked = FAt;
    return;
  }
  // An element of a context tag in the constructed form is held back until
  // its first element shows it is not a string's pieces, and until bytes of
  // that element go with it: the library, given a cut answer, would read on
  // past its end for the pieces of a string of indefinite length.
  std::optional<std::size_t> held;
  for (auto f = FOpen.rbegin(); f != FOpen.rend(); ++f) {
    if (f->Universal || (f->HasChild && f->FirstChild != held)) break;
    held = f->Start;
  }
  FChecked = held ? *held : std::min(FAt, B.size());
}
