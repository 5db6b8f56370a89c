#pragma once
// The messages between the program and its search process over their local
// socket: the search asked for, then what the search hands over as it goes
// (the hits, each record, how it ended). Each message is its length (four
// octets), its kind (one) and its fields; the reader takes nothing on trust,
// since the search process decodes a server's bytes with a library those
// bytes may have damaged: a message that does not read whole and right is
// damaged, never read past.
//   - TWireWriter: messages appended to a buffer that is sent as it is;
//   - TWireReader: messages taken from the bytes as they come;
//   - TWireFields: one message's fields, read in order.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lendsrv/ZSearch.h"

enum class TWireKind : std::uint8_t {
  Search = 'S',      // the program's: a search to run (TWireSearch)
  Answered = 'A',    // the hits and the records to be fetched
  Record = 'R',      // the next record's bytes
  Diagnostic = 'D',  // the next record's place holds a diagnostic
  Piece = 'P',       // a piece of records is whole, and the fetch asks for more
  Alive = 'K',       // the search goes on: nothing else to tell for a while
  End = 'E',         // how the search ended
};

// A search as the program asks for it.
struct TWireSearch {
  TZConnectionParams Params;  // without its functions, which stay in the program
  std::string Pqf;
  std::uint64_t Limit = 0;
};

// The longest message either side sends: a record of a fetch's largest
// piece, with room to spare.
inline constexpr std::size_t kMostWireMessage = std::size_t(1) << 30;

class TWireWriter {
public:
  void Search(const TWireSearch& S);
  void Answered(std::size_t Hits, std::size_t Wanted);
  void Record(std::string_view Bytes);
  void Diagnostic(const TZDiagnostic& D);
  void Piece();
  void Alive();
  void End(const TZSearchEnd& E);

  const std::string& Bytes() const { return FBytes; }
  void Clear() { FBytes.clear(); }

private:
  void Begin(TWireKind Kind);
  void Finish();
  void U32(std::uint32_t V);
  void U64(std::uint64_t V);
  void Text(std::string_view S);

  std::string FBytes;
  std::size_t FStart = 0;  // the message being written
};

// One message's fields, read in order; a read past the message's end, or a
// field that does not fit, fails and fails every read after it.
class TWireFields {
public:
  explicit TWireFields(std::string_view Payload) : FRest(Payload) {}
  bool U32(std::uint32_t& V);
  bool U64(std::uint64_t& V);
  bool Text(std::string& S);
  // The rest of the message, whole.
  std::string_view Rest();
  // Read to the end and nothing failed.
  bool Whole() const { return FOk && FRest.empty(); }

private:
  std::string_view FRest;
  bool FOk = true;
};

struct TWireMessage {
  TWireKind Kind;
  std::string_view Payload;  // valid until the reader next takes bytes
};

class TWireReader {
public:
  // Bytes as they came. The messages taken before are dropped then.
  void Take(std::string_view Bytes);
  // The next whole message; unset while none is whole, or once the bytes are
  // damaged (Damaged() then tells).
  std::optional<TWireMessage> Next();
  bool Damaged() const { return FDamaged; }

private:
  std::string FBytes;
  std::size_t FAt = 0;  // read up to here
  bool FDamaged = false;
};

// The fields of a Search message; unset when damaged.
std::optional<TWireSearch> ReadWireSearch(std::string_view Payload);
// The fields of the other messages; false when damaged.
bool ReadWireAnswered(std::string_view Payload, std::size_t& Hits, std::size_t& Wanted);
bool ReadWireDiagnostic(std::string_view Payload, TZDiagnostic& D);
bool ReadWireEnd(std::string_view Payload, TZSearchEnd& E);
