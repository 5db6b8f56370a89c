#pragma once
// What the server sends, seen and checked before ZOOM reads it. ZOOM tells
// neither how many bytes have come nor what an answer held before it is
// whole, and its decoder cannot survive every encoding a server may send; the
// tap tells the search:
//   - progress: the bytes that came, so that a wait is ended by a stretch in
//     which next to nothing comes, not by the time a long answer takes;
//   - the hits: a search answer's hit count, as soon as its first bytes bring
//     it, long before its records over a slow link;
//   - the server's own records: how many its whole answers held, so that a
//     record ZOOM made up for a present answered without records is never
//     taken for one the server sent;
//   - a cut answer: the records of an answer that broke off (a closed or
//     silent link, a damaged element) that came whole before the break,
//     which ZOOM drops with the rest of the answer;
//   - a refused answer: one out of turn (of another kind than the request
//     awaits, or one no request awaits), one with an element ZOOM's decoder
//     cannot be given, a damaged length or nesting, or bytes that are not a
//     Z39.50 answer at all (another service's greeting). ZOOM never gets the
//     refused element nor anything after it, but it gets everything before:
//     the answers that came whole before it stand.
//
// The tap knows which answer the connection waits for because it passes
// ZOOM's requests on: each request it passes awaits its answer, in order.
//
// As soon as a plain connection over TCP is open, the tap is put between
// ZOOM and the server: ZOOM's descriptor number is given a local socket whose
// other end the tap holds, and the tap passes every byte on, both ways, as it
// moves them (Pump), reading the server's bytes itself (TAnswerScan, in
// AnswerScan.h) and passing on only those it has checked, at most kMostHeld
// of them unsent at a time. Where it is not put in (any other scheme: an
// encrypted link, a local socket, HTTP; or a socket that could not be taken)
// it only watches the socket through a second descriptor: it counts the bytes
// waiting to be read and tells whether the server has closed, but follows no
// answer.

#include "lendsrv/AnswerScan.h"

#include <poll.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The local socket pair the tap stands ZOOM's descriptor on, one end for
// ZOOM, one for the tap. One serves connection after connection: making and
// freeing a pair for every search costs more than the search's own way
// through it. Given back after a connection, it keeps nothing of it.
class TTapLink {
public:
  TTapLink() = default;
  TTapLink(const TTapLink&) = delete;
  TTapLink& operator=(const TTapLink&) = delete;
  ~TTapLink() { Drop(); }

  // The pair's ends, made when there is none; false when none can be made.
  bool Take(int& ZoomEnd, int& TapEnd);
  // The pair after a connection: what either end still holds is read away.
  // Shut: the tap passed an end of the server's on through it, which cannot
  // be undone: a new pair is made next time.
  void GiveBack(bool Shut);

private:
  void Drop();

  int FPair[2] = {-1, -1};
};

class TAnswerTap {
public:
  // Bytes of the server's, checked, held for ZOOM and not yet written to it,
  // before the tap stops reading: ZOOM reads slower than the link brings them
  // only while it decodes.
  static constexpr std::size_t kMostHeld = 4u << 20;

  // Insertable: whether the tap may stand between ZOOM and the server; false
  // for anything but a plain Z39.50 connection over TCP. Link: the pair it
  // stands on, kept by the caller for the searches after; none: one of its own.
  explicit TAnswerTap(bool Insertable, TTapLink* Link = nullptr)
      : FInsertable(Insertable), FLink(Link ? Link : &FOwnLink) {}
  TAnswerTap(const TAnswerTap&) = delete;
  TAnswerTap& operator=(const TAnswerTap&) = delete;
  // Must outlive ZOOM's use of the connection: ZOOM's descriptor leads here.
  ~TAnswerTap();

  // Follows ZOOM's socket Fd, as it is now, before ZOOM's next look at it:
  // a new socket is watched while it connects, and the tap is put in as soon
  // as it is connected.
  void Follow(int Fd);

  // A new wait: the answers of the waits before are behind. What the tap
  // refused stays refused: the connection carries nothing after it.
  void Begin();
  // The descriptors the tap waits on, with what it waits for, put into Fds
  // (room for kMostPollFds); returns how many.
  static constexpr std::size_t kMostPollFds = 4;
  std::size_t AddPollFds(std::span<pollfd> Fds) const;
  // Moves, both ways, what can be moved without waiting, reading the ends
  // Polled (the poll's descriptors, with what it found) tells are ready.
  // Returns the bytes of the server's that came.
  std::size_t Pump(std::span<const pollfd> Polled);
  // The same, finding which ends are ready itself.
  std::size_t Pump();
  // The last Pump gave ZOOM bytes to read.
  bool PassedToZoom() const { return FPassedToZoom; }
  // Moves ZOOM's requests on to the server without waiting, as soon as ZOOM
  // has written them.
  void PassRequests();
  // Watched only: the bytes waiting to be read on ZOOM's socket, which ZOOM
  // is about to read.
  std::size_t Unread() const;
  // The server closed the connection in the middle of what began as a
  // Z39.50 answer. Watched only, all the tap can tell is that the server
  // closed the connection.
  bool CutShort() const;
  // Why the tap stopped the server's bytes, and where: unset while it
  // stopped none.
  struct TRefusal {
    TAnswerVerdict Why = TAnswerVerdict::Damaged;  // Damaged, NotZ3950 or OutOfTurn
    std::optional<std::uint32_t> Kind;             // the refused answer's tag, once read
    std::optional<std::uint32_t> Awaited;          // the answer awaited as it began; unset: none
    bool AfterAnswers = false;                     // answers came whole before it on this connection
    bool AfterRequests = false;                    // requests were passed on, on this connection
  };
  std::optional<TRefusal> Refused() const;
  // ZOOM has read every byte the tap passed on: once it has, a refusal ends
  // the wait, and ZOOM has had every answer that came whole before it.
  bool Delivered() const;
  // An answer of this wait is begun and neither whole nor refused: when ZOOM
  // has found one whole all the same, the tap could not follow it.
  bool AnswerOpen() const;

  // The hits of a search answer of this wait, as soon as they have come,
  // before the rest of the answer (its records) has.
  std::optional<long long> HitsTold() const { return FHitsTold; }
  // The records the whole answers of this wait held (search and present
  // answers); unset when the tap only watches.
  std::optional<std::size_t> RecordsSent() const;
  // The record elements that came whole and checked of an answer cut short or
  // refused, in order, up to Most, as the server sent them; none when the tap
  // only watches. They stay valid until the tap reads on.
  std::vector<std::string_view> WholeRecordsOfCutAnswer(std::size_t Most) const;

private:
  // One way through the tap: what was read from one end and not yet written
  // to the other.
  struct TPassage {
    std::string Held;
    std::size_t Sent = 0;  // of Held, written
    bool Ended = false;    // the reading end closed, or the writing end's reader gone
    bool Shut = false;     // the end passed on
    std::size_t Unsent() const { return Held.size() - Sent; }
  };

  bool Insert(int Fd);
  void Close();
  // Reads what can be read from From without waiting into P, or, Tapped (the
  // server's bytes), into the answer, which passes on what it checked.
  // Returns the bytes read.
  std::size_t Read(int From, TPassage& P, bool Tapped);
  // Writes what P holds to To without waiting, and passes its end on;
  // returns the bytes written.
  static std::size_t Write(int To, TPassage& P);
  void TakeServerBytes(std::string_view Bytes);
  // ZOOM's bytes towards the server: each whole request awaits its answer.
  void TakeRequestBytes(std::string_view Bytes);

  bool FInsertable;
  TTapLink FOwnLink;
  TTapLink* FLink;
  bool FAwaitingConnect = false;  // watched since before it connected
  int FServer = -1;               // inserted: the server's socket; watched: a second descriptor of ZOOM's
  int FZoom = -1;                 // inserted: the tap's end of ZOOM's local socket, the link's
  int FZoomFd = -1;               // inserted: ZOOM's descriptor, the local socket's other end
  ino_t FZoomInode = 0;
  TPassage FDown, FUp;  // from the server to ZOOM, from ZOOM to the server
  bool FPassedToZoom = false;
  std::string FAnswer;      // the answer that has not come whole yet
  std::size_t FPassed = 0;  // of FAnswer, handed to FDown
  TAnswerScan FScan;
  bool FScanning = false;  // FScan follows an answer begun
  std::size_t FAnswersWhole = 0;
  std::string FRequest;                // ZOOM's request not yet whole
  std::deque<std::uint32_t> FAwaited;  // the answers ZOOM's requests await, oldest first
  bool FRequestsPassed = false;
  std::size_t FRecordsSent = 0;
  std::optional<long long> FHitsTold;
};
