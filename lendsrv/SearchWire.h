#pragma once
// The messages between the program and its search process over their local
// socket: the search asked for, then what the search hands over as it goes
// (the hits, each record, how it ended), and before each request the search
// sends to its server, its question whether it may, which the program answers
// once its caller's Waiting has run. Each message is its length (four octets),
// its kind (one) and its fields; the reader takes nothing on trust, since the
// search process decodes a server's bytes with a library those bytes may have
// damaged: a message that does not read whole and right, or is longer than
// its kind can be, is damaged, never read past. A new search process and the
// program first tell each other which messages they speak (WireVersion), so
// that a search process of another build is found out before it is used.
//   - TWireWriter: messages appended to a buffer that is sent as it is;
//   - TWireReader: messages taken from the bytes as they come;
//   - TWireFields: one message's fields, read in order.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lendsrv/SearchResult.h"

enum class TWireKind : std::uint8_t {
  Hello = 'H',       // either side's first: the messages it speaks (WireVersion)
  Search = 'S',      // the program's: a search to run (TWireSearch)
  Go = 'G',          // the program's: the request asked for may be sent
  Answered = 'A',    // the hits and the records to be fetched
  Record = 'R',      // the next record's bytes
  Diagnostic = 'D',  // the next record's place holds a diagnostic
  Ask = 'Q',         // the search is to send its server a request: may it? (Go answers)
  Alive = 'K',       // the search goes on: the server's bytes so far, nothing else to tell for a while
  End = 'E',         // how the search ended
};

// A search as the program asks for it.
struct TWireSearch {
  TZConnectionParams Params;  // without its functions, which stay in the program
  std::string Pqf;
  std::uint64_t Limit = 0;
};

// The longest record a search can hand over: the Z39.50 library takes no
// answer longer than this, and a record comes inside one.
inline constexpr std::size_t kMostRecordBytes = std::size_t(128) << 20;
// The longest text a message carries (a diagnostic's, a failure's): the
// search process cuts a longer one, the program refuses it.
inline constexpr std::size_t kMostWireText = 16 * 1024;
// The longest message of each kind.
std::size_t MostWireMessage(TWireKind Kind);

// The messages this build speaks, told first by either side: their kinds and
// the search's fields as the one list below walks them.
const std::string& WireVersion();

// The search's fields as they cross, in order: the one list that the writer,
// the reader and WireVersion walk. F is called with each field's name and the
// field. The functions of TZConnectionParams stay in the program.
template <class TSearch, class F>
void ForEachWireField(TSearch& S, F&& Field) {
  Field("host", S.Params.Host);
  Field("port", S.Params.Port);
  Field("database", S.Params.Database);
  Field("syntax", S.Params.Syntax);
  Field("user", S.Params.User);
  Field("password", S.Params.Password);
  Field("timeout", S.Params.TimeoutSeconds);
  Field("pqf", S.Pqf);
  Field("limit", S.Limit);
}

class TWireWriter {
public:
  void Hello();
  void Search(const TWireSearch& S);
  void Go();
  void Answered(std::size_t Hits, std::size_t Wanted);
  void Record(std::string_view Bytes);
  void Diagnostic(const TZDiagnostic& D);
  void Ask();
  // Bytes: the server's bytes the search has had so far.
  void Alive(std::uint64_t Bytes);
  void End(const TZSearchEnd& E);

  const std::string& Bytes() const { return FBytes; }
  void Clear() { FBytes.clear(); }

private:
  void Begin(TWireKind Kind);
  void Finish();
  void U32(std::uint32_t V);
  void U64(std::uint64_t V);
  void Text(std::string_view S);
  void Field(const std::string& S) { Text(S); }
  void Field(int V) { U32(static_cast<std::uint32_t>(V)); }
  void Field(std::uint64_t V) { U64(V); }
  void Field(const std::optional<std::string>& S);

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
  bool Field(std::string& S) { return Text(S); }
  bool Field(int& V);
  bool Field(std::uint64_t& V) { return U64(V); }
  bool Field(std::optional<std::string>& S);
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
  // Room for Size bytes after those held, for a read straight into it; Took
  // then counts the bytes the read put there. The messages taken before are
  // dropped then, as by Take.
  char* Room(std::size_t Size);
  void Took(std::size_t N) { FEnd += N; }
  // Bytes have come that no message taken yet holds.
  bool Holds() const { return FEnd > FAt; }
  // The next whole message; unset while none is whole, or once the bytes are
  // damaged (Damaged() then tells): a length past what the message's kind can
  // hold is damage, found as soon as the kind has come.
  std::optional<TWireMessage> Next();
  bool Damaged() const { return FDamaged; }

private:
  std::string FBytes;    // held from FAt to FEnd; room after that
  std::size_t FAt = 0;   // read up to here
  std::size_t FEnd = 0;  // held up to here
  bool FDamaged = false;
};

// Sends all of Bytes on the local socket, never raising SIGPIPE; false once
// the other end is gone.
bool WireSend(int Socket, std::string_view Bytes);

// The fields of a Search message; unset when damaged.
std::optional<TWireSearch> ReadWireSearch(std::string_view Payload);
// The fields of the other messages; false when damaged.
bool ReadWireAnswered(std::string_view Payload, std::size_t& Hits, std::size_t& Wanted);
bool ReadWireDiagnostic(std::string_view Payload, TZDiagnostic& D);
bool ReadWireEnd(std::string_view Payload, TZSearchEnd& E);
bool ReadWireAlive(std::string_view Payload, std::uint64_t& Bytes);
// Whether a Hello's payload is this build's WireVersion.
bool SpeaksThisWire(std::string_view Payload);
