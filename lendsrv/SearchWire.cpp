#include "lendsrv/SearchWire.h"

#include <sys/socket.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <limits>
#include <typeinfo>

namespace {

// The length prefix counts the kind and the fields.
constexpr std::size_t kPrefix = 4;

std::uint32_t LoadU32(const char* P) {
  std::uint32_t v;
  std::memcpy(&v, P, sizeof v);
  return v;
}

}  // namespace

// ---- What a message can be -----------------------------------------------------------

namespace {

// The kinds of message, each with the most its fields can take: a record's
// bytes, a few texts, or a few numbers.
struct TWireKindInfo {
  TWireKind Kind;
  std::size_t Most;
};
constexpr std::size_t kFewTexts = 4 * (kMostWireText + 8) + 64;
constexpr TWireKindInfo kWireKinds[] = {
    {TWireKind::Hello, 1024},
    {TWireKind::Search, kFewTexts},
    {TWireKind::Go, 1},
    {TWireKind::Answered, 1 + 16},
    {TWireKind::Record, 1 + kMostRecordBytes},
    {TWireKind::Diagnostic, kFewTexts},
    {TWireKind::Ask, 1},
    {TWireKind::Alive, 1 + 8},
    {TWireKind::End, kFewTexts},
};

// A name for each field's type, for WireVersion.
const char* WireTypeName(const std::string&) { return "text"; }
const char* WireTypeName(const std::optional<std::string>&) { return "text?"; }
const char* WireTypeName(int) { return "i32"; }
const char* WireTypeName(std::uint64_t) { return "u64"; }

// The members of an aggregate, counted: every one of them must either cross
// or be named as staying in the program.
struct TAnyMember {
  template <class T>
  operator T() const;
};
template <class T, class... TMembers>
constexpr std::size_t MemberCount() {
  if constexpr (requires { T{TMembers{}..., TAnyMember{}}; }) return MemberCount<T, TMembers..., TAnyMember>();
  else return sizeof...(TMembers);
}
// Waiting, Answered and MaySend stay in the program; the rest cross.
constexpr std::size_t kParamsStayingBehind = 3;
constexpr std::size_t kParamsCrossing = 7;
static_assert(MemberCount<TZConnectionParams>() == kParamsCrossing + kParamsStayingBehind,
              "a connection parameter was added: let ForEachWireField carry it, or count it as staying behind");

}  // namespace

std::size_t MostWireMessage(TWireKind Kind) {
  for (const TWireKindInfo& k : kWireKinds)
    if (k.Kind == Kind) return k.Most;
  return 0;
}

const std::string& WireVersion() {
  static const std::string version = [] {
    // Raised with any change in what a message means that its shape does not show.
    std::string v = "search messages 3:";
    for (const TWireKindInfo& k : kWireKinds) v += static_cast<char>(k.Kind);
    TWireSearch s;
    ForEachWireField(s, [&](const char* Name, const auto& F) {
      ((v += ' ') += Name) += ':';
      v += WireTypeName(F);
    });
    return v;
  }();
  return version;
}

// ---- TWireWriter --------------------------------------------------------------------

void TWireWriter::Begin(TWireKind Kind) {
  FStart = FBytes.size();
  FBytes.append(kPrefix, '\0');
  FBytes += static_cast<char>(Kind);
}

void TWireWriter::Finish() {
  const auto length = static_cast<std::uint32_t>(FBytes.size() - FStart - kPrefix);
  std::memcpy(FBytes.data() + FStart, &length, sizeof length);
}

void TWireWriter::U32(std::uint32_t V) { FBytes.append(reinterpret_cast<const char*>(&V), sizeof V); }
void TWireWriter::U64(std::uint64_t V) { FBytes.append(reinterpret_cast<const char*>(&V), sizeof V); }
void TWireWriter::Text(std::string_view S) {
  U32(static_cast<std::uint32_t>(S.size()));
  FBytes += S;
}

void TWireWriter::Field(const std::optional<std::string>& S) {
  U32(S ? 1 : 0);
  if (S) Text(*S);
}

void TWireWriter::Hello() {
  Begin(TWireKind::Hello);
  Text(WireVersion());
  Finish();
}

void TWireWriter::Search(const TWireSearch& S) {
  Begin(TWireKind::Search);
  ForEachWireField(S, [this](const char*, const auto& F) { Field(F); });
  Finish();
}

void TWireWriter::Go() {
  Begin(TWireKind::Go);
  Finish();
}

void TWireWriter::Answered(std::size_t Hits, std::size_t Wanted) {
  Begin(TWireKind::Answered);
  U64(Hits);
  U64(Wanted);
  Finish();
}

void TWireWriter::Record(std::string_view Bytes) {
  Begin(TWireKind::Record);
  FBytes += Bytes;
  Finish();
}

namespace {

// A server's text as a message carries it: cut to what the program takes.
std::string_view Bounded(std::string_view S) { return S.substr(0, kMostWireText); }

}  // namespace

void TWireWriter::Diagnostic(const TZDiagnostic& D) {
  Begin(TWireKind::Diagnostic);
  U32(static_cast<std::uint32_t>(D.Code));
  Text(Bounded(D.Message));
  Text(Bounded(D.Set));
  Text(Bounded(D.Addinfo));
  Finish();
}

void TWireWriter::Ask() {
  Begin(TWireKind::Ask);
  Finish();
}

void TWireWriter::Alive(std::uint64_t Bytes) {
  Begin(TWireKind::Alive);
  U64(Bytes);
  Finish();
}

void TWireWriter::End(const TZSearchEnd& E) {
  Begin(TWireKind::End);
  U32(static_cast<std::uint32_t>(E.Stage));
  Text(Bounded(E.Why));
  Finish();
}

// ---- TWireFields --------------------------------------------------------------------

bool TWireFields::U32(std::uint32_t& V) {
  if (!FOk || FRest.size() < sizeof V) return FOk = false;
  V = LoadU32(FRest.data());
  FRest.remove_prefix(sizeof V);
  return true;
}

bool TWireFields::U64(std::uint64_t& V) {
  if (!FOk || FRest.size() < sizeof V) return FOk = false;
  std::memcpy(&V, FRest.data(), sizeof V);
  FRest.remove_prefix(sizeof V);
  return true;
}

bool TWireFields::Text(std::string& S) {
  std::uint32_t n = 0;
  if (!U32(n) || FRest.size() < n) return FOk = false;
  S.assign(FRest.data(), n);
  FRest.remove_prefix(n);
  return true;
}

bool TWireFields::Field(int& V) {
  std::uint32_t v = 0;
  if (!U32(v)) return false;
  V = static_cast<int>(v);
  return true;
}

bool TWireFields::Field(std::optional<std::string>& S) {
  std::uint32_t present = 0;
  if (!U32(present) || present > 1) return FOk = false;
  S.reset();
  if (!present) return true;
  return Text(S.emplace());
}

std::string_view TWireFields::Rest() {
  const std::string_view rest = FRest;
  FRest = {};
  return rest;
}

// ---- TWireReader --------------------------------------------------------------------

char* TWireReader::Room(std::size_t Size) {
  // What was read goes once it is most of what is held, so that the bytes
  // left move seldom; the room stays, so that reads land in memory in use.
  if (FAt > 0 && FAt >= FEnd / 2) {
    std::memmove(FBytes.data(), FBytes.data() + FAt, FEnd - FAt);
    FEnd -= FAt;
    FAt = 0;
  }
  if (FBytes.size() < FEnd + Size) FBytes.resize(std::max(FEnd + Size, FBytes.size() * 2));
  return FBytes.data() + FEnd;
}

void TWireReader::Take(std::string_view Bytes) {
  std::memcpy(Room(Bytes.size()), Bytes.data(), Bytes.size());
  Took(Bytes.size());
}

std::optional<TWireMessage> TWireReader::Next() {
  if (FDamaged || FEnd - FAt < kPrefix + 1) return std::nullopt;
  const std::uint32_t length = LoadU32(FBytes.data() + FAt);
  if (length == 0 || length > MostWireMessage(static_cast<TWireKind>(FBytes[FAt + kPrefix]))) {
    FDamaged = true;
    return std::nullopt;
  }
  if (FEnd - FAt - kPrefix < length) return std::nullopt;
  const char* message = FBytes.data() + FAt + kPrefix;
  FAt += kPrefix + length;
  return TWireMessage{static_cast<TWireKind>(message[0]), std::string_view(message + 1, length - 1)};
}

// ---- Sending ------------------------------------------------------------------------

bool WireSend(int Socket, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t n = ::send(Socket, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    Bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// ---- Reading the fields -------------------------------------------------------------

std::optional<TWireSearch> ReadWireSearch(std::string_view Payload) {
  TWireFields f(Payload);
  TWireSearch s;
  ForEachWireField(s, [&f](const char*, auto& F) { f.Field(F); });
  if (!f.Whole()) return std::nullopt;
  return s;
}

bool ReadWireAnswered(std::string_view Payload, std::size_t& Hits, std::size_t& Wanted) {
  TWireFields f(Payload);
  std::uint64_t hits = 0, wanted = 0;
  if (!(f.U64(hits) && f.U64(wanted) && f.Whole()) || wanted > hits) return false;
  Hits = hits;
  Wanted = wanted;
  return true;
}

bool ReadWireDiagnostic(std::string_view Payload, TZDiagnostic& D) {
  TWireFields f(Payload);
  std::uint32_t code = 0;
  if (!(f.U32(code) && f.Text(D.Message) && f.Text(D.Set) && f.Text(D.Addinfo) && f.Whole())) return false;
  D.Code = static_cast<int>(code);
  return true;
}

bool ReadWireAlive(std::string_view Payload, std::uint64_t& Bytes) {
  TWireFields f(Payload);
  return f.U64(Bytes) && f.Whole();
}

bool SpeaksThisWire(std::string_view Payload) {
  TWireFields f(Payload);
  std::string version;
  return f.Text(version) && f.Whole() && version == WireVersion();
}

bool ReadWireEnd(std::string_view Payload, TZSearchEnd& E) {
  TWireFields f(Payload);
  std::uint32_t stage = 0;
  if (!(f.U32(stage) && f.Text(E.Why) && f.Whole()) || stage > static_cast<std::uint32_t>(TZSearchEnd::TStage::Fetched))
    return false;
  E.Stage = static_cast<TZSearchEnd::TStage>(stage);
  return true;
}
