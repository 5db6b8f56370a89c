#include "lendsrv/SearchWire.h"

#include <cstring>
#include <limits>

namespace {

// The length prefix counts the kind and the fields.
constexpr std::size_t kPrefix = 4;

std::uint32_t LoadU32(const char* P) {
  std::uint32_t v;
  std::memcpy(&v, P, sizeof v);
  return v;
}

}  // namespace

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

void TWireWriter::Search(const TWireSearch& S) {
  Begin(TWireKind::Search);
  const TZConnectionParams& p = S.Params;
  Text(p.Host);
  U32(static_cast<std::uint32_t>(p.Port));
  Text(p.Database);
  Text(p.Syntax);
  U32(p.User ? 1 : 0);
  Text(p.User.value_or(std::string()));
  U32(p.Password ? 1 : 0);
  Text(p.Password.value_or(std::string()));
  U32(static_cast<std::uint32_t>(p.TimeoutSeconds));
  Text(S.Pqf);
  U64(S.Limit);
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

void TWireWriter::Diagnostic(const TZDiagnostic& D) {
  Begin(TWireKind::Diagnostic);
  U32(static_cast<std::uint32_t>(D.Code));
  Text(D.Message);
  Text(D.Set);
  Text(D.Addinfo);
  Finish();
}

void TWireWriter::Piece() {
  Begin(TWireKind::Piece);
  Finish();
}

void TWireWriter::Alive() {
  Begin(TWireKind::Alive);
  Finish();
}

void TWireWriter::End(const TZSearchEnd& E) {
  Begin(TWireKind::End);
  U32(static_cast<std::uint32_t>(E.Stage));
  Text(E.Why);
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

std::string_view TWireFields::Rest() {
  const std::string_view rest = FRest;
  FRest = {};
  return rest;
}

// ---- TWireReader --------------------------------------------------------------------

void TWireReader::Take(std::string_view Bytes) {
  // What was read goes once it is most of what is held, so that the bytes
  // left move seldom.
  if (FAt > 0 && FAt >= FBytes.size() / 2) {
    FBytes.erase(0, FAt);
    FAt = 0;
  }
  FBytes += Bytes;
}

std::optional<TWireMessage> TWireReader::Next() {
  if (FDamaged || FBytes.size() - FAt < kPrefix + 1) return std::nullopt;
  const std::uint32_t length = LoadU32(FBytes.data() + FAt);
  if (length == 0 || length > kMostWireMessage) {
    FDamaged = true;
    return std::nullopt;
  }
  if (FBytes.size() - FAt - kPrefix < length) return std::nullopt;
  const char* message = FBytes.data() + FAt + kPrefix;
  FAt += kPrefix + length;
  return TWireMessage{static_cast<TWireKind>(message[0]), std::string_view(message + 1, length - 1)};
}

// ---- Reading the fields -------------------------------------------------------------

std::optional<TWireSearch> ReadWireSearch(std::string_view Payload) {
  TWireFields f(Payload);
  TWireSearch s;
  TZConnectionParams& p = s.Params;
  std::uint32_t port = 0, hasUser = 0, hasPassword = 0, timeout = 0;
  std::string user, password;
  if (!(f.Text(p.Host) && f.U32(port) && f.Text(p.Database) && f.Text(p.Syntax) && f.U32(hasUser) && f.Text(user) &&
        f.U32(hasPassword) && f.Text(password) && f.U32(timeout) && f.Text(s.Pqf) && f.U64(s.Limit) && f.Whole()))
    return std::nullopt;
  p.Port = static_cast<int>(port);
  if (hasUser) p.User = std::move(user);
  if (hasPassword) p.Password = std::move(password);
  p.TimeoutSeconds = static_cast<int>(timeout);
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

bool ReadWireEnd(std::string_view Payload, TZSearchEnd& E) {
  TWireFields f(Payload);
  std::uint32_t stage = 0;
  if (!(f.U32(stage) && f.Text(E.Why) && f.Whole()) || stage > static_cast<std::uint32_t>(TZSearchEnd::TStage::Fetched))
    return false;
  E.Stage = static_cast<TZSearchEnd::TStage>(stage);
  return true;
}
