#pragma once
// What the server sends, seen before ZOOM reads it. ZOOM tells neither how many
// bytes have come nor what an answer held before it is whole; the tap tells
// the search both:
//   - progress: the bytes that came, so that a wait is ended by a stretch in
//     which next to nothing comes, not by the time a long answer takes;
//   - the hits: a search answer's hit count, as soon as its first bytes bring
//     it, long before its records over a slow link;
//   - the server's own records: how many its whole answers held, so that a
//     record ZOOM made up for a present answered without records is never
//     taken for one the server sent;
//   - a cut answer: the records of an answer that broke off (a closed or
//     silent link) that came whole before the break, which ZOOM drops with
//     the rest of the answer.
//
// As soon as the connection is open, the tap is put between ZOOM and the
// server: ZOOM's descriptor number is given a local socket whose other end
// the tap holds, and the tap passes every byte on, both ways, as it moves
// them (Pump), reading the server's bytes itself. Where it is not put in (an
// encrypted link, or a socket that could not be taken) it only watches the
// socket through a second descriptor: it counts the bytes waiting to be read
// and tells whether the server has closed, but follows no answer.

#include <poll.h>
#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One record of a cut answer: the record's bytes as sent, or the server's
// diagnostic in its place.
struct TTapRecord {
  std::string Bytes;
  bool Diagnostic = false;
  int Code = 0;
  std::string Message;  // of a diagnostic: its text, as ZOOM gives it
  std::string Addinfo;
};

// Follows one answer as its bytes come: where each of its records lies and
// where it ends, looking at each byte about once.
class TAnswerScan {
public:
  // The bytes so far of the answer, from its start: the answer's length once
  // it is whole, else 0.
  std::size_t Advance(std::string_view Bytes);
  // The records whole so far, as (offset, length) in those bytes.
  const std::vector<std::pair<std::size_t, std::size_t>>& Records() const { return FRecords; }
  // A search answer's hit count, once its bytes have come.
  std::optional<long long> ResultCount() const { return FResultCount; }

private:
  enum class TStage { Head, Other, Body, List };
  TStage FStage = TStage::Head;
  bool FSearchAnswer = false;
  std::size_t FAt = 0;                  // the next element to look at
  std::optional<std::size_t> FBodyEnd;  // unset: ended by two zero bytes
  std::optional<std::size_t> FListEnd;  // of the records' list, likewise
  std::vector<std::pair<std::size_t, std::size_t>> FRecords;
  std::optional<long long> FResultCount;
};

class TAnswerTap {
public:
  // Insertable: whether the tap may stand between ZOOM and the server; false
  // for an encrypted link, whose bytes tell nothing.
  explicit TAnswerTap(bool Insertable) : FInsertable(Insertable) {}
  TAnswerTap(const TAnswerTap&) = delete;
  TAnswerTap& operator=(const TAnswerTap&) = delete;
  // Must outlive ZOOM's use of the connection: ZOOM's descriptor leads here.
  ~TAnswerTap();

  // Follows ZOOM's socket Fd, as it is now, before ZOOM's next look at it:
  // a new socket is watched while it connects, and the tap is put in as soon
  // as it is connected.
  void Follow(int Fd);

  // A new wait: the answers of the waits before are behind.
  void Begin();
  // The descriptors the tap waits on, with what it waits for.
  void AddPollFds(std::vector<pollfd>& Fds) const;
  // Moves, both ways, what can be moved without waiting. Returns the bytes
  // of the server's that came.
  std::size_t Pump();
  // Watched only: the bytes waiting to be read on ZOOM's socket, which ZOOM
  // is about to read.
  std::size_t Unread() const;
  // The answer ZOOM could not decode was cut short: bytes of it came and the
  // rest did not. Watched only, all the tap can tell is that the server
  // closed the connection.
  bool CutShort() const;

  // The hits of a search answer of this wait, as soon as they have come,
  // before the rest of the answer (its records) has.
  std::optional<long long> HitsTold() const { return FHitsTold; }
  // The records the whole answers of this wait held (search and present
  // answers); unset when the tap only watches.
  std::optional<std::size_t> RecordsSent() const;
  // The records that came whole of an answer cut short, in order, up to
  // Most; none when the tap only watches. A record in a form other than
  // plain octets ends the list.
  std::vector<TTapRecord> WholeRecordsOfCutAnswer(std::size_t Most) const;

private:
  // One way through the tap: what was read from one end and not yet written
  // to the other.
  struct TPassage {
    std::string Held;
    std::size_t Sent = 0;  // of Held, written
    bool Ended = false;    // the reading end closed, or the writing end's reader gone
    bool Shut = false;     // the end passed on
  };

  bool Insert(int Fd);
  void Close();
  // Moves what can be moved through P from From to To without waiting;
  // Tapped: the server's bytes, which the tap follows. Returns the bytes read.
  std::size_t Move(int From, int To, TPassage& P, bool Tapped);
  void TakeServerBytes(std::string_view Bytes);

  bool FInsertable;
  bool FAwaitingConnect = false;  // watched since before it connected
  int FServer = -1;               // inserted: the server's socket; watched: a second descriptor of ZOOM's
  int FZoom = -1;                 // inserted: the tap's end of ZOOM's local socket
  ino_t FZoomInode = 0;
  TPassage FDown, FUp;  // from the server to ZOOM, from ZOOM to the server
  std::string FAnswer;  // the answer that has not come whole yet
  TAnswerScan FScan;
  std::size_t FRecordsSent = 0;
  std::optional<long long> FHitsTold;
};
