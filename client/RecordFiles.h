#pragma once
// What a search run leaves in the save folder, without the windows: the
// ".iso" record files (one per resource, or one per record syntax through the
// format buffers) and the lines and files of the search log.
//
// Record text travels as String holding the server's bytes through the ANSI
// code page, so writing it back in that code page gives the bytes unchanged.

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/Types.h"

inline constexpr Char RecordTerminators[] = u"\x1E\x1D";  // field, then record terminator
inline constexpr Char ResourceModeLog[] = u"!_LOG.txt";
inline constexpr Char FormatModeLog[] = u"!_LOG2.txt";

// pad5(ID) + "-" + host + "-" + database + "-" + port + "-" + syntax (each
// trimmed, syntax as given), with : \ / ? * . made "_", then ".iso".
String RecordFileNameByResource(Integer Id, const String& Host, const String& Database, const String& Port,
                                const String& Syntax);
// pad3(Number) + "-" + syntax, cleaned the same way, then ".iso".
String RecordFileNameByFormat(Integer Number, const String& Syntax);

// What one resource's result adds to a record file: empty when the trimmed
// result is empty; the result with its own end kept when it already ends with
// a record terminator (only blanks and line breaks after it are dropped), so
// the last record's field terminator survives; otherwise the trimmed result
// followed by 1E 1D.
// Lost, when given, receives the number of characters dropped from the ends
// other than blanks and line breaks: bytes of damaged records the joining rule
// could not keep. Its own result comes back unchanged. A Result handed over
// (std::move) becomes the content without a copy.
String RecordFileContent(String Result, Integer* Lost = nullptr);

// Writes Text in the ANSI code page to FileName (trimmed; an empty name writes
// nothing). With DeleteFirst the file is replaced as a whole, else Text is
// appended. Never raises: the answer is whether the file was written;
// ErrorCode, when given, receives the system's error number of a failure
// (0 when it is not known).
bool WriteTextFile(const String& FileName, const String& Text, bool DeleteFirst, int* ErrorCode = nullptr);

// Files written whole by a thread of their own, in the order given, each
// through a temporary file renamed over the old one: a run goes on to its next
// search while the file system places its record file and its log (on some
// file systems a rename over an old file waits for the new bytes to be placed
// on the disk). A few files wait at most; more wait for room. Nothing is
// raised: a file that could not be written is listed, for TakeFailed.
class TFileCommitQueue {
public:
  TFileCommitQueue() = default;
  // Every queued file is written first.
  ~TFileCommitQueue();
  TFileCommitQueue(const TFileCommitQueue&) = delete;
  TFileCommitQueue& operator=(const TFileCommitQueue&) = delete;

  // Queues Bytes to replace FileName, as PrepareFileAtomic without flushing
  // writes them, after what was queued before; a failure is listed under Tag.
  void Write(const String& FileName, AnsiString Bytes, String Tag);
  // The same for a file that tells how the files queued before it fared (a
  // log), with the permission bits Mode as PrepareFileAtomic's. A queued file
  // of the same name not yet being written is dropped: only the newest counts.
  // It is not written at all while a file queued before it has failed and
  // TakeFailed has not yet told so: its text would name that file as written,
  // and the caller, once told, queues a truer one.
  void Replace(const String& FileName, AnsiString Bytes, int Mode, String Tag);
  // Returns once every queued file is written (or passed over).
  void Wait();
  // The tags of files that could not be written since the last call, in the
  // order they were given; ErrorCode, when given, receives the system's error
  // number of the last of them (0 when there is none or it is not known).
  std::vector<String> TakeFailed(int* ErrorCode = nullptr);
  // While held, the thread writes nothing: queued files wait, and so do Wait
  // and a Write or Replace that finds the queue full. What a run does before
  // its files are written can so be seen whatever the file system's speed.
  void SetHeld(bool Held);

  // The most bytes the queued files hold before a Write or Replace waits for
  // the thread: a run goes on past a moment in which the disk stalls, as long
  // as its files are not large. A file larger than this waits for an empty
  // queue.
  static constexpr size_t kQueuedBytesRoom = 32u << 20;

private:
  // How long after its last job the thread looks for the next itself, and
  // how often: longer than a run's scan interval, short beside a file's wait.
  static constexpr std::chrono::milliseconds kLookFor{100}, kLookEvery{10};
  struct TJob {
    String FileName;
    AnsiString Bytes;
    int Mode = -1;
    String Tag;
    bool Report = false;  // Replace's: passed over after an untold failure
  };
  static void Run(const TJob& Job);
  // What a queued job holds, its names and bookkeeping too.
  static size_t QueuedSize(const TJob& Job);
  // Takes the job at the front of the queue.
  TJob PopFront();
  void Push(TJob Job);
  void Work();
  // Writes Job with Lock let go meanwhile and lists its failure; a log behind
  // a failure not yet told is passed over. Lock is held on entry and return.
  void WriteJob(TJob& Job, std::unique_lock<std::mutex>& Lock);

  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TJob> FQueue;
  size_t FQueuedBytes = 0;  // what the queued jobs hold, as QueuedSize counts it
  bool FBusy = false;       // the thread has taken a job off the queue
  bool FStop = false;
  bool FHeld = false;  // SetHeld: the thread takes no job (a stop overrides it)
  // The thread looks for the next job itself, a while after its last: a job
  // queued meanwhile needs no waking it.
  bool FLooking = false;
  std::vector<String> FFailedTags;
  int FFailedCode = 0;        // the system's error number of the last failure
  bool FUntoldFiles = false;  // a file not given to Replace is among them
  std::thread FThread;
};

// WriteTextFile's replacing write, done by Queue's thread: false at once when
// the name (trimmed) is empty or a folder is in the file's place, else true,
// and a write that fails there is listed under Tag (Queue.TakeFailed).
bool QueueTextFile(TFileCommitQueue& Queue, const String& FileName, const String& Text, const String& Tag);

// The temporary files a run killed while it wrote left in DirSave: those of
// record files (".iso") and of the logs. For a caller that knows no write of
// them is under way.
void RemoveLeftoverRecordTempFiles(const String& DirSave);

// The 49 per-format buffers, slot i for line i of the syntax list; a syntax
// past the 49th gets no slot.
inline constexpr Integer FormatBufferCount = 49;

class TFormatBuffers {
public:
  // Every slot emptied.
  void ClearFormatBuffers();
  void FreeFormatBuffers() { ClearFormatBuffers(); }
  // A fresh empty buffer in slot Index (0..48); other indexes do nothing.
  void NewFormatBuffer(Integer Index);
  bool HasFormatBuffer(Integer Index) const;
  // Adds RecordFileContent(Result) to the buffer of slot Index, when there is
  // one; a Result handed over (std::move) is not copied into an empty buffer.
  void AppendToFormatBuffer(Integer Index, String Result);
  // The buffer's text ("" when the slot is empty).
  String FormatBufferText(Integer Index) const;

  // With DeleteFirst an existing FileName is deleted first. False when the
  // name is empty or slot Index holds no buffer. Otherwise True, and a
  // non-empty buffer is written (an empty one only with SaveEmpty); WriteOk
  // tells whether that write, when there was one, succeeded, and ErrorCode,
  // when given, the system's error number of its failure.
  bool WriteFormatBuffer(Integer Index, const String& FileName, bool DeleteFirst, bool SaveEmpty, bool& WriteOk,
                         int* ErrorCode = nullptr) const;
  bool WriteFormatBuffer(Integer Index, const String& FileName, bool DeleteFirst, bool SaveEmpty) const;

private:
  std::array<std::optional<String>, FormatBufferCount> FBuffers;
};

// ---- The search log ----------------------------------------------------------
// Lines as the run adds them to the log box; "date and time" is the short date,
// a blank and the long time of FormatSettings, the time left out at midnight.

String SearchLogDateTime(TDateTime Moment);
// Date, title, save folder, "Start: ...", 49 "=".
std::vector<String> SearchLogHeadLines(const String& DirSave, TDateTime Moment);
// "Error: " + caption + " => " + the server's text for a resource whose search failed.
String SearchLogFailureLine(const String& Caption, const String& ErrorText);
// The text of that line for a search that found Found records, none of which
// came: the count, as the main window's counter names it, then why.
String SearchLogFoundFailureText(Integer Found, const String& ErrorText);
// The text of that line for record bytes a record file could not keep.
String SearchLogBytesLostText(Integer Lost);
// The texts of failure lines for what a stop leaves undone: the resource
// whose answer it did not wait for, the resource whose records it stopped
// while they came, and one whose records sat in a record syntax's buffer,
// which a stop does not write. Each is searched again.
inline constexpr Char SearchLogNotAnsweredText[] =
    u"Поиск остановлен до ответа сервера: ресурс снова отмечен для поиска";
inline constexpr Char SearchLogStoppedWhileFetchingText[] =
    u"Поиск остановлен во время получения записей: ресурс снова отмечен для поиска";
inline constexpr Char SearchLogNotSavedText[] =
    u"Поиск остановлен до записи файла формата: записи не сохранены, ресурс снова отмечен для поиска";
// Caption + " => " + file name; "Error: " in front when the file was not written.
String SearchLogResourceLine(const String& Caption, const String& FileName, bool Written);
// Syntax + " => " + file name; "Error: " in front when the syntax had no buffer
// or its file was not written.
String SearchLogFormatLine(const String& Syntax, const String& FileName, bool Written);
// 49 "=", "Finish: ...".
std::vector<String> SearchLogFinishLines(TDateTime Moment);
// 49 "-", "STOP: ...", the stop notice.
std::vector<String> SearchLogStopLines(TDateTime Moment);

// The log's permission bits. It is written through a temporary file beside it,
// renamed over it: a crash or a full disk never leaves half a log. Not flushed
// to the disk first: the log is written again after every resource, and
// waiting for the disk each time would cost more than the search itself.
inline constexpr int SearchLogFileMode = 0644;

// DirSave + "!_LOG.txt" for save mode 0 or less, DirSave + "!_LOG2.txt" otherwise.
String SearchLogFileName(const String& DirSave, Integer SaveMode);
// Replaces the log file with Lines, each ended by CR LF, in the ANSI code page.
// Raises EFCreateError (or EWriteError) when the file cannot be written.
void SaveSearchLog(const String& DirSave, Integer SaveMode, const std::vector<String>& Lines);

// Saves a growing log again and again, as a run does after every resource:
// each save writes the whole file, but the lines converted to the ANSI code
// page by one save are not converted again by the next.
class TSearchLogSaver {
public:
  // As SaveSearchLog for the lines of Text, a memo's text (lines ended by
  // CR LF, the last one's line break optional).
  void Save(const String& DirSave, Integer SaveMode, StringView Text);
  // The file's bytes for Text, as Save writes them.
  AnsiString Bytes(StringView Text);

private:
  String FConverted;  // the text, up to a line break, that FBytes holds
  AnsiString FBytes;
};
