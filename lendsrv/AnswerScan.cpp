#include "lendsrv/AnswerScan.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr unsigned kUniversal = 0, kContext = 2;
// Universal tags.
constexpr std::uint32_t kEndOfContents = 0, kOid = 6, kInteger = 2, kExternal = 8, kGraphicString = 25;
// A close is in turn whenever it comes.
constexpr std::uint32_t kClose = 48;
// The library's framing follows elements of indefinite length this deep in a
// chain of them; deeper, it takes whatever bytes it holds for a whole answer,
// though its decoder reads such an answer once it is whole.
constexpr std::uint32_t kMostIndefiniteDepth = 1000;

// A BER integer's contents, two's complement, one to eight bytes.
std::optional<long long> BerInteger(std::string_view B) {
  if (B.empty() || B.size() > 8) return std::nullopt;
  std::uint64_t v = static_cast<unsigned char>(B[0]) & 0x80 ? ~std::uint64_t(0) : 0;
  for (char c : B) v = (v << 8) | static_cast<unsigned char>(c);
  return static_cast<long long>(v);
}

}  // namespace

THeaderRead ReadBerHeader(std::string_view B, TBerHeader& H) {
  std::size_t at = 0;
  // While partial, the least the header can take: what came, and what its
  // bytes so far say must follow.
  auto partial = [&](std::size_t Least) {
    H.HeaderLength = Least;
    return THeaderRead::Partial;
  };
  if (B.empty()) return partial(2);
  const auto first = static_cast<unsigned char>(B[at++]);
  H.Class = first >> 6;
  H.Constructed = (first & 0x20) != 0;
  H.Tag = first & 0x1Fu;
  if (H.Tag == 0x1F) {
    H.Tag = 0;
    for (int i = 0;; ++i) {
      if (i == 4) return THeaderRead::Refused;
      if (at >= B.size()) return partial(at + 2);
      const auto b = static_cast<unsigned char>(B[at++]);
      H.Tag = (H.Tag << 7) | (b & 0x7Fu);
      if (!(b & 0x80)) break;
    }
  }
  if (at >= B.size()) return partial(at + 1);
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
    if (B.size() - at < n) return partial(at + n);
    std::uint32_t length = 0;
    for (unsigned i = 0; i < n; ++i) length = (length << 8) | static_cast<unsigned char>(B[at++]);
    if (length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) return THeaderRead::Refused;
    H.Length = length;
  }
  H.HeaderLength = at;
  return THeaderRead::Whole;
}

// Without recursion, however deep elements of indefinite length nest.
std::optional<std::size_t> BerElementLength(std::string_view B) {
  std::size_t at = 0, open = 0;  // open: elements of indefinite length not yet ended
  do {
    if (open > 0 && B.size() - at >= 2 && B[at] == 0 && B[at + 1] == 0) {
      at += 2;
      --open;
      continue;
    }
    TBerHeader h;
    if (ReadBerHeader(B.substr(at), h) != THeaderRead::Whole) return std::nullopt;
    at += h.HeaderLength;
    if (h.Length) {
      if (*h.Length > B.size() - at) return std::nullopt;
      at += *h.Length;
    } else {
      if (!h.Constructed) return std::nullopt;
      ++open;
    }
  } while (open > 0);
  return at;
}

// ---- TAnswerScan ----------------------------------------------------------------

void TAnswerScan::Advance(std::string_view B) {
  if (FVerdict != TAnswerVerdict::Following) return;
  FBytes = B.size();
  while (Step(B)) {
  }
  UpdateChecked();
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
  // A header is read inside the element that holds it: one that cannot end
  // there is damaged, as soon as its first bytes say so.
  const std::size_t room = FOpen.empty() ? std::string_view::npos : FOpen.back().Limit - FAt;
  TBerHeader h;
  switch (ReadBerHeader(B.substr(FAt, room), h)) {
    case THeaderRead::Partial:
      if (h.HeaderLength > room || (room != std::string_view::npos && B.size() - FAt >= room))
        return Refuse(TAnswerVerdict::Damaged);
      return false;
    case THeaderRead::Refused: return Refuse(TAnswerVerdict::Damaged);
    case THeaderRead::Whole: break;
  }
  return Element(B, h);
}

bool TAnswerScan::Element(std::string_view B, const TBerHeader& H) {
  const std::size_t limit = FOpen.empty() ? std::numeric_limits<std::size_t>::max() : FOpen.back().Limit;
  if ((H.Class == kUniversal && H.Tag == kEndOfContents) || (!H.Constructed && !H.Length))
    return Refuse(TAnswerVerdict::Damaged);
  if (H.Length && *H.Length > limit - FAt - H.HeaderLength) return Refuse(TAnswerVerdict::Damaged);
  const std::uint32_t chain = FOpen.empty() ? 1 : FOpen.back().IndefiniteChain;
  // Past the depth the library's framing follows, nothing more goes to it
  // before the answer is whole.
  if (chain > kMostIndefiniteDepth && !FDeepFrom) FDeepFrom = FAt;

  TFrame child;
  child.Start = FAt;
  if (H.Length) child.End = FAt + H.HeaderLength + *H.Length;
  child.Limit = child.End ? *child.End : limit;
  child.IndefiniteChain = !H.Length && chain > 0 ? (FOpen.empty() ? 1 : chain + 1) : 0;
  const TAsnField* field = nullptr;
  if (FOpen.empty()) {
    FTag = H.Tag;
    if (H.Length) FDeclaredLength = H.HeaderLength + *H.Length;
    if (FTurnChecked && H.Tag != kClose && FTurn.Awaited != H.Tag) return Refuse(TAnswerVerdict::OutOfTurn);
    child.Type = AnswerType(H.Tag);
    child.Reading = child.Type ? TReading::Typed : TReading::Undeclared;
  } else {
    TFrame& parent = FOpen.back();
    // An embedded value is one element; the library leaves what follows it.
    if (parent.Reading == TReading::Embedded && parent.HasChild) {
      FAt = *parent.End;
      return true;
    }
    if (!Place(H, child, field)) return false;
    const std::size_t contents = FAt + H.HeaderLength;
    // The hit count is read whole, as soon as it has come.
    if (IsResultCountField(field) && !H.Constructed && *H.Length >= 1 && *H.Length <= 8) {
      if (B.size() - contents < *H.Length) return false;
      if (const std::optional<long long> n = BerInteger(B.substr(contents, *H.Length))) FResultCount = n;
    }
    // An EXTERNAL's direct reference tells how the library reads its value.
    if (parent.Reading == TReading::External && H.Class == kUniversal && H.Tag == kOid && !H.Constructed) {
      if (*H.Length > kLongestKnownOid) {
        parent.LongReference = true;
      } else {
        if (B.size() - contents < *H.Length) return false;
        B.copy(parent.Reference, *H.Length, contents);
        parent.ReferenceLength = static_cast<std::uint8_t>(*H.Length);
      }
      parent.HasReference = true;
    }
    if (!std::exchange(parent.HasChild, true)) parent.FirstChild = FAt;
  }
  // A simple element, or one whose bytes the library keeps as they are and
  // does not follow inside: its contents are passed over.
  if (child.Reading != TReading::Embedded && (!H.Constructed || (child.Reading == TReading::Opaque && child.End))) {
    FAt = *child.End;
    return true;
  }
  child.HeldBack = H.Class != kUniversal && H.Constructed;
  FOpen.push_back(child);
  FAt += H.HeaderLength;
  return true;
}

bool TAnswerScan::Place(const TBerHeader& H, TFrame& Child, const TAsnField*& Field) {
  TFrame& parent = FOpen.back();
  auto context = [&](std::uint32_t Tag) { return H.Class == kContext && H.Tag == Tag; };
  auto universal = [&](std::uint32_t Tag) { return H.Class == kUniversal && H.Tag == Tag; };
  // Where the grammar is not held: only what is unsafe whatever it is.
  auto undeclared = [&] {
    if (H.Class == kUniversal && H.Constructed && !UniversalIsStructured(H.Tag)) return Refuse(TAnswerVerdict::Damaged);
    Child.Reading = universal(kExternal) && H.Constructed ? TReading::External : TReading::Undeclared;
    return true;
  };
  auto simple = [&] { return !H.Constructed || Refuse(TAnswerVerdict::Damaged); };
  switch (parent.Reading) {
    case TReading::Opaque: Child.Reading = TReading::Opaque; return true;
    case TReading::Undeclared: return undeclared();
    case TReading::Typed: {
      const TAsnMatch m = MatchInside(*parent.Type, static_cast<std::uint8_t>(H.Class), H.Tag);
      Field = m.Field;
      return m.Type ? PlaceTyped(H, m, Child) : undeclared();
    }
    case TReading::Wrapper:
    case TReading::Embedded: {
      if (parent.Type->Kind == TAsnKind::Opaque) {
        Child.Reading = TReading::Opaque;
        return true;
      }
      // An explicit tag holds one element: the library reads no second one.
      if (parent.HasChild) return undeclared();
      const TAsnMatch m = MatchWrapped(*parent.Type, static_cast<std::uint8_t>(H.Class), H.Tag);
      return m.Type ? PlaceTyped(H, m, Child) : undeclared();
    }
    case TReading::External: {
      if (universal(kOid) || universal(kInteger) || universal(kGraphicString)) return simple();
      if (!context(0) && !context(1) && !context(2)) return undeclared();
      const TExternalReading as = ExternalReading(parent);
      if (context(0)) {
        // single-ASN1-type, an explicit tag over the value.
        if (!H.Constructed) return Refuse(TAnswerVerdict::Damaged);
        Child.Reading = TReading::Wrapper;
        Child.Type = as.Type;
        return true;
      }
      // octet-aligned and arbitrary: strings. In pieces, the library reads
      // them as an unset buffer and decodes nothing of them; only the
      // rendering of an OPAC record, which renders the octets of the
      // EXTERNALs inside it, cannot take that.
      if (H.Constructed) {
        if (InsideOpacRecord()) return Refuse(TAnswerVerdict::Damaged);
        Child.Reading = TReading::Typed;
        Child.Type = context(1) ? OctetsInPieces() : BitsInPieces();
        return true;
      }
      // Octets of a syntax the library knows it decodes as that syntax's value.
      if (context(1) && as.Decoded) {
        Child.Reading = TReading::Embedded;
        Child.Type = as.Type;
      }
      return true;
    }
  }
  return undeclared();
}

TExternalReading TAnswerScan::ExternalReading(const TFrame& External) {
  if (!External.HasReference || External.LongReference) return ReadExternalAs(std::nullopt);
  // The records of an answer are most often of one syntax: its reading is
  // looked up once.
  const std::string_view reference(External.Reference, External.ReferenceLength);
  if (!FLastReading || reference != std::string_view(FLastReference, FLastReferenceLength)) {
    FLastReading = ReadExternalAs(reference);
    reference.copy(FLastReference, reference.size());
    FLastReferenceLength = External.ReferenceLength;
  }
  return *FLastReading;
}

bool TAnswerScan::PlaceTyped(const TBerHeader& H, const TAsnMatch& M, TFrame& Child) {
  if (M.Explicit) {
    if (!H.Constructed) return Refuse(TAnswerVerdict::Damaged);
    Child.Reading = TReading::Wrapper;
    Child.Type = M.Type;
    return true;
  }
  Child.Type = M.Type;
  switch (M.Type->Kind) {
    case TAsnKind::Opaque: Child.Reading = TReading::Opaque; return true;
    case TAsnKind::Sequence:
    case TAsnKind::SequenceOf:
      if (!H.Constructed) return Refuse(TAnswerVerdict::Damaged);
      Child.Reading = TReading::Typed;
      return true;
    case TAsnKind::External:
      if (!H.Constructed) return Refuse(TAnswerVerdict::Damaged);
      Child.Reading = TReading::External;
      return true;
    case TAsnKind::Undeclared:
    case TAsnKind::Choice:
      if (H.Class == kUniversal && H.Constructed && !UniversalIsStructured(H.Tag))
        return Refuse(TAnswerVerdict::Damaged);
      Child.Reading = TReading::Undeclared;
      return true;
    default:
      // A string or a simple value: the constructed form is its pieces. The
      // library reads octets and bits in pieces as an unset buffer, which
      // the values that hold them survive; a character string or a simple
      // value in pieces it cannot take.
      if (!H.Constructed) return true;
      if (!PiecesSurvived(M.Type->Kind)) return Refuse(TAnswerVerdict::Damaged);
      Child.Reading = TReading::Typed;
      return true;
  }
}

bool TAnswerScan::InsideOpacRecord() const {
  return std::any_of(FOpen.begin(), FOpen.end(), [](const TFrame& f) { return IsOpacRecordType(f.Type); });
}

void TAnswerScan::Close() {
  const TFrame f = FOpen.back();
  FOpen.pop_back();
  if (IsRecordType(f.Type) && !FOpen.empty() && IsRecordListType(FOpen.back().Type))
    FRecords.emplace_back(f.Start, FAt - f.Start);
}

bool TAnswerScan::Refuse(TAnswerVerdict Why) {
  // What came before the refused element passes, however its bytes came.
  UpdateChecked();
  FVerdict = Why;
  return false;
}

void TAnswerScan::UpdateChecked() {
  if (FVerdict != TAnswerVerdict::Following && FVerdict != TAnswerVerdict::Whole) return;
  if (FVerdict == TAnswerVerdict::Whole) {
    FChecked = FAt;
    return;
  }
  // An element of a context tag in the constructed form is held back until
  // bytes of its first element go with it: the library, given a cut answer,
  // would read on past its end for the end of a chain of such elements of
  // indefinite length.
  std::optional<std::size_t> held;
  for (auto f = FOpen.rbegin(); f != FOpen.rend(); ++f) {
    if (!f->HeldBack || (f->HasChild && f->FirstChild != held)) break;
    held = f->Start;
  }
  FChecked = held ? *held : std::min(FAt, FBytes);
  if (FDeepFrom) FChecked = std::min(FChecked, *FDeepFrom);
}
