#pragma once
// The input of fuzz_search, read by the target and written by the program that
// makes its starting inputs: what the target's loopback server sends, and the
// search it is asked.
//
//   byte 0     flags: bit 0 Repeat; bits 2-4 the record syntax (kSyntaxes;
//              past its end: USMARC)
//   byte 1     the record limit: 1 + byte % kMostRecords
//   segments   each "~seg", a kind byte, a split byte, then its bytes up to
//              the next "~seg" or the end; bytes before the first are ignored
//
// Segments are delimited rather than counted, so that a mutation that inserts
// or drops bytes inside one leaves the others as they were.
//
// A segment's kind says when it is sent: 'c' as soon as the connection is
// taken, before any request; 'i', 's', 'p' as the answer to the next request
// of that kind (initialisation, search, present), the segments of a kind
// taken in order. Any other byte stands for one of these four by its value
// modulo 4. The split byte says how: its low six bits N, 0 for the segment in
// one send, else pieces of 1 + (k * 7) % N bytes (k counting the pieces from
// 0); bit 6 a short pause after each piece.
//
// The script runs out at a request for which no segment of its kind is left
// (a close, or a request the server cannot decode, has none): with Repeat the
// server answers it, and every request after it, with the last segment it
// sent, whole, up to kMostRepeats times; without, it closes the connection, as
// it does once it has sent every segment. It closes too where the client would
// wait for ever: when it answered a request with nothing, or left an answer
// open (the client waits for its rest, and sends no request meanwhile), and,
// as a last resort, after kIdleMs in which neither side sent anything. A
// search thus never waits out its time limit, which would slow the fuzzing a
// hundredfold.

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz_search {

inline constexpr std::string_view kMarker = "~seg";
inline constexpr std::size_t kMostRecords = 40;
inline constexpr unsigned kMostRepeats = 2000;
inline constexpr int kIdleMs = 100;
inline constexpr const char* kSyntaxes[] = {"USMARC", "GRS-1", "OPAC", "XML", "SUTRS", ""};

enum class TKind { Connect, Init, Search, Present };

struct TSegment {
  TKind Kind = TKind::Connect;
  unsigned Split = 0;  // the low six bits: the largest piece, 0 for one send
  bool Pause = false;  // after each piece
  std::string_view Bytes;
};

struct TScript {
  bool Repeat = false;
  const char* Syntax = "USMARC";
  std::size_t Limit = 1;
  std::vector<TSegment> Segments;  // views into the input
};

inline TKind KindOf(unsigned char Byte) {
  switch (Byte) {
    case 'c': return TKind::Connect;
    case 'i': return TKind::Init;
    case 's': return TKind::Search;
    case 'p': return TKind::Present;
    default: return static_cast<TKind>(Byte % 4);
  }
}

inline TScript ReadScript(std::string_view In) {
  TScript s;
  if (In.size() < 2) return s;
  const auto flags = static_cast<unsigned char>(In[0]);
  s.Repeat = flags & 1;
  const unsigned syntax = (flags >> 2) & 7;
  if (syntax < std::size(kSyntaxes)) s.Syntax = kSyntaxes[syntax];
  s.Limit = 1 + static_cast<unsigned char>(In[1]) % kMostRecords;
  std::size_t at = In.find(kMarker, 2);
  while (at != std::string_view::npos) {
    const std::size_t head = at + kMarker.size();
    const std::size_t next = In.find(kMarker, head);
    const std::size_t end = next == std::string_view::npos ? In.size() : next;
    if (end >= head + 2) {
      TSegment g;
      g.Kind = KindOf(static_cast<unsigned char>(In[head]));
      const auto split = static_cast<unsigned char>(In[head + 1]);
      g.Split = split & 0x3F;
      g.Pause = split & 0x40;
      g.Bytes = In.substr(head + 2, end - head - 2);
      s.Segments.push_back(g);
    }
    at = next;
  }
  return s;
}

// The sizes of the pieces the segment is sent in.
inline std::vector<std::size_t> PieceSizes(const TSegment& G) {
  std::vector<std::size_t> sizes;
  if (G.Split == 0) {
    if (!G.Bytes.empty()) sizes.push_back(G.Bytes.size());
    return sizes;
  }
  for (std::size_t at = 0, k = 0; at < G.Bytes.size(); ++k) {
    const std::size_t n = std::min<std::size_t>(1 + (k * 7) % G.Split, G.Bytes.size() - at);
    sizes.push_back(n);
    at += n;
  }
  return sizes;
}

// Writing a script, for the starting inputs.
inline std::string ScriptHead(bool Repeat, unsigned SyntaxIndex, std::size_t Limit) {
  std::string h(2, '\0');
  h[0] = static_cast<char>((Repeat ? 1 : 0) | ((SyntaxIndex & 7) << 2));
  h[1] = static_cast<char>((Limit - 1) % kMostRecords);
  return h;
}
inline std::string ScriptSegment(char Kind, std::string_view Bytes, unsigned char Split = 0) {
  std::string s(kMarker);
  s += Kind;
  s += static_cast<char>(Split);
  s += Bytes;
  return s;
}

}  // namespace fuzz_search
