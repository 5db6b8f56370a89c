#include "client/RecordFiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <utility>

#include "client/__str.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"

namespace {

// The stem made safe for a file name, then ".iso".
String RecordFileName(const String& Stem) { return SanitizeFileName(Stem, u'_') + u".iso"; }

}  // namespace

String RecordFileNameByResource(Integer Id, const String& Host, const String& Database, const String& Port,
                                const String& Syntax) {
  return RecordFileName(IntToStrPadded(Id, 5, u'0') + u"-" + Trim(Host) + u"-" + Trim(Database) + u"-" + Trim(Port) +
                        u"-" + Trim(Syntax));
}

String RecordFileNameByFormat(Integer Number, const String& Syntax) {
  return RecordFileName(IntToStrPadded(Number, 3, u'0') + u"-" + Trim(Syntax));
}

namespace {

bool IsBlankOrLineBreak(Char C) { return C == u' ' || C == u'\t' || C == u'\r' || C == u'\n'; }

Integer CountKept(const String& S, size_t From, size_t To) {
  Integer n = 0;
  for (size_t i = From; i < To; ++i)
    if (!IsBlankOrLineBreak(S[i])) ++n;
  return n;
}

}  // namespace

String RecordFileContent(String Result, Integer* Lost) {
  if (Lost) *Lost = 0;
  // Trimmed in place: a result is megabytes of record bytes, and a caller done
  // with it hands it over rather than keep a second copy.
  size_t begin = 0, end = Result.size();
  while (begin < end && Result[begin] <= u' ') ++begin;
  if (begin == end) {
    if (Lost) *Lost = CountKept(Result, 0, end);
    return String();
  }
  if (Lost) *Lost = CountKept(Result, 0, begin);
  // Trimming would also take the final 1E 1D of a well-formed result, and the
  // blanks closing its last field: keep the result's own end when it has one.
  size_t kept = end;
  while (kept > begin && Result[kept - 1] <= u' ' && Result[kept - 1] != u'\x1D' && Result[kept - 1] != u'\x1E') --kept;
  if (Result[kept - 1] == u'\x1D') {
    if (Lost) *Lost += CountKept(Result, kept, end);
    Result.resize(kept);
  } else {
    while (end > begin && Result[end - 1] <= u' ') --end;
    if (Lost) *Lost += CountKept(Result, end, Result.size());
    Result.resize(end);
    Result += RecordTerminators;
  }
  Result.erase(0, begin);
  return Result;
}

// ---- TFileCommitQueue --------------------------------------------------------

void TFileCommitQueue::Run(const TJob& Job) { PrepareFileAtomic(Job.FileName, Job.Bytes, false, Job.Mode).Commit(); }

TFileCommitQueue::~TFileCommitQueue() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FStop = true;
  }
  FChanged.notify_all();
  if (FThread.joinable()) FThread.join();
}

void TFileCommitQueue::Write(const String& FileName, AnsiString Bytes, String Tag) {
  Push({FileName, std::move(Bytes), -1, std::move(Tag), false});
}

void TFileCommitQueue::Replace(const String& FileName, AnsiString Bytes, int Mode, String Tag) {
  Push({FileName, std::move(Bytes), Mode, std::move(Tag), true});
}

std::vector<String> TFileCommitQueue::TakeFailed(int* ErrorCode) {
  std::lock_guard<std::mutex> lock(FLock);
  FUntoldFiles = false;
  if (ErrorCode) *ErrorCode = FFailedTags.empty() ? 0 : FFailedCode;
  return std::exchange(FFailedTags, {});
}

void TFileCommitQueue::SetHeld(bool Held) {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FHeld = Held;
  }
  FChanged.notify_all();
}

void TFileCommitQueue::Push(TJob Job) {
  std::unique_lock<std::mutex> lock(FLock);
  if (Job.Report) {
    // Dropped, not replaced in place: the newest goes after what was queued
    // since, so a log never names a file that is not there yet.
    const auto same = std::find_if(FQueue.begin(), FQueue.end(),
                                   [&](const TJob& J) { return J.Report && J.FileName == Job.FileName; });
    if (same != FQueue.end()) {
      FQueuedBytes -= QueuedSize(*same);
      FQueue.erase(same);
    }
  }
  const size_t size = QueuedSize(Job);
  FChanged.wait(lock, [&] { return FQueue.empty() || FQueuedBytes + size <= kQueuedBytesRoom; });
  if (!FThread.joinable()) {
    try {
      FThread = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      // No thread to be had: the job is done here and now.
      WriteJob(Job, lock);
      return;
    }
  }
  FQueue.push_back(std::move(Job));
  FQueuedBytes += size;
  // A thread looking for work finds it by itself; one asleep is told, once
  // the lock is free: woken while it is held, it would only wait for it
  // again, and be woken a second time by its release.
  const bool tell = !FLooking;
  lock.unlock();
  if (tell) FChanged.notify_all();
}

size_t TFileCommitQueue::QueuedSize(const TJob& Job) {
  return sizeof(TJob) + Job.Bytes.size() + (Job.FileName.size() + Job.Tag.size()) * sizeof(Char);
}

TFileCommitQueue::TJob TFileCommitQueue::PopFront() {
  TJob job = std::move(FQueue.front());
  FQueue.pop_front();
  FQueuedBytes -= QueuedSize(job);
  return job;
}

void TFileCommitQueue::WriteJob(TJob& Job, std::unique_lock<std::mutex>& Lock) {
  // A log written now would name as written a file that failed before it.
  if (Job.Report && FUntoldFiles) return;
  Lock.unlock();
  bool failed = false;
  int code = 0;
  try {
    Run(Job);
  } catch (const EStreamError& e) {
    failed = true;
    code = e.ErrorCode();
  } catch (...) {
    failed = true;
  }
  Lock.lock();
  if (!failed) return;
  if (!Job.Report) FUntoldFiles = true;
  FFailedTags.push_back(std::move(Job.Tag));
  FFailedCode = code;
}

void TFileCommitQueue::Wait() {
  std::unique_lock<std::mutex> lock(FLock);
  // A thread looking for work is told at once.
  FChanged.notify_all();
  FChanged.wait(lock, [&] { return FQueue.empty() && !FBusy; });
}

void TFileCommitQueue::Work() {
  std::unique_lock<std::mutex> lock(FLock);
  const auto ready = [&] { return FStop || (!FQueue.empty() && !FHeld); };
  for (;;) {
    // A run queues a file for each resource, a tick apart: for a while after
    // its last job the thread looks for the next itself, so that queueing it
    // costs the run no waking of the thread. Then it sleeps until told.
    if (!ready()) {
      FLooking = true;
      const auto until = std::chrono::steady_clock::now() + kLookFor;
      while (!ready() && std::chrono::steady_clock::now() < until) FChanged.wait_for(lock, kLookEvery, ready);
      FLooking = false;
      FChanged.wait(lock, ready);
    }
    // Asked to stop, the thread still puts in place whatever is queued.
    if (FQueue.empty()) return;
    TJob job = PopFront();
    FBusy = true;
    WriteJob(job, lock);
    FBusy = false;
    FChanged.notify_all();
  }
}

bool QueueTextFile(TFileCommitQueue& Queue, const String& FileName, const String& Text, const String& Tag) {
  const String name = Trim(FileName);
  if (name.empty() || DirectoryExists(name)) return false;
  Queue.Write(name, StringToAnsi(Text), Tag);
  return true;
}

void RemoveLeftoverRecordTempFiles(const String& DirSave) {
  if (DirSave.empty()) return;
  RemoveLeftoverTempFilesIn(IncludeTrailingPathDelimiter(DirSave), [](StringView Name) {
    return Name.ends_with(u".iso") || Name == ResourceModeLog || Name == FormatModeLog;
  });
}

bool WriteTextFile(const String& FileName, const String& Text, bool DeleteFirst, int* ErrorCode) {
  if (ErrorCode) *ErrorCode = 0;
  const String name = Trim(FileName);
  if (name.empty()) return false;
  try {
    // Whole or not at all: the new text goes to a file beside the old one that
    // then takes its name, so a full disk or a failing write keeps the old file.
    // Not flushed first: a run writes one per resource, and waiting for the
    // disk each time would cost more than the search.
    std::string bytes = StringToAnsi(Text);
    if (!DeleteFirst && RegularFileExists(name)) bytes.insert(0, ReadFileBytes(name));
    WriteFileAtomic(name, bytes, false);
    return true;
  } catch (const EStreamError& e) {
    if (ErrorCode) *ErrorCode = e.ErrorCode();
    return false;
  } catch (const std::exception&) {
    return false;
  }
}

// ---- TFormatBuffers ----------------------------------------------------------

void TFormatBuffers::ClearFormatBuffers() {
  for (auto& b : FBuffers) b.reset();
}

void TFormatBuffers::NewFormatBuffer(Integer Index) {
  if (Index >= 0 && Index < FormatBufferCount) FBuffers[static_cast<size_t>(Index)] = String();
}

bool TFormatBuffers::HasFormatBuffer(Integer Index) const {
  return Index >= 0 && Index < FormatBufferCount && FBuffers[static_cast<size_t>(Index)].has_value();
}

void TFormatBuffers::AppendToFormatBuffer(Integer Index, String Result) {
  if (!HasFormatBuffer(Index)) return;
  String& buffer = *FBuffers[static_cast<size_t>(Index)];
  // Each resource's records keep their terminators, so nothing goes between
  // them; the first becomes the buffer itself.
  if (buffer.empty()) buffer = RecordFileContent(std::move(Result));
  else buffer += RecordFileContent(std::move(Result));
}

String TFormatBuffers::FormatBufferText(Integer Index) const {
  return HasFormatBuffer(Index) ? *FBuffers[static_cast<size_t>(Index)] : String();
}

bool TFormatBuffers::WriteFormatBuffer(Integer Index, const String& FileName, bool DeleteFirst, bool SaveEmpty,
                                       bool& WriteOk, int* ErrorCode) const {
  WriteOk = true;
  if (ErrorCode) *ErrorCode = 0;
  const String name = Trim(FileName);
  if (name.empty()) return false;
  const bool writes = HasFormatBuffer(Index) && (!FBuffers[static_cast<size_t>(Index)]->empty() || SaveEmpty);
  // A file that gets new text is replaced by the write itself, so a failing
  // write keeps it; one that gets none goes now.
  if (DeleteFirst && !writes && FileExists(name)) DeleteFile(name);
  if (!HasFormatBuffer(Index)) return false;
  if (writes) WriteOk = WriteTextFile(name, *FBuffers[static_cast<size_t>(Index)], true, ErrorCode);
  return true;
}

bool TFormatBuffers::WriteFormatBuffer(Integer Index, const String& FileName, bool DeleteFirst, bool SaveEmpty) const {
  bool ok = true;
  return WriteFormatBuffer(Index, FileName, DeleteFirst, SaveEmpty, ok);
}

// ---- The search log ------------------------------------------------------------

String SearchLogDateTime(TDateTime Moment) {
  String s = FormatDateTime(FormatSettings.ShortDateFormat, Moment);
  double whole = 0;
  if (std::modf(Moment, &whole) != 0) s += u" " + FormatDateTime(FormatSettings.LongTimeFormat, Moment);
  return s;
}

std::vector<String> SearchLogHeadLines(const String& DirSave, TDateTime Moment) {
  return {FormatDateTime(FormatSettings.ShortDateFormat, Moment), u"Протокол заимствования библиографических записей",
          u"Папка, куда будут сохранены записи: " + DirSave, u"Start: " + SearchLogDateTime(Moment), String(49, u'=')};
}

String SearchLogFailureLine(const String& Caption, const String& ErrorText) {
  return u"Error: " + Caption + u" => " + ErrorText;
}

String SearchLogBytesLostText(Integer Lost) {
  // The count comes last, so no Russian plural form has to follow it.
  return u"Не удалось сохранить в файле записей байт повреждённых записей: " + IntToStr(Lost);
}

String SearchLogFoundFailureText(Integer Found, const String& ErrorText) {
  return u"Найдено=" + IntToStr(Found) + u": " + ErrorText;
}

String SearchLogResourceLine(const String& Caption, const String& FileName, bool Written) {
  return (Written ? String() : String(u"Error: ")) + Caption + u" => " + FileName;
}

String SearchLogFormatLine(const String& Syntax, const String& FileName, bool Written) {
  return (Written ? String() : String(u"Error: ")) + Syntax + u" => " + FileName;
}

std::vector<String> SearchLogFinishLines(TDateTime Moment) {
  return {String(49, u'='), u"Finish: " + SearchLogDateTime(Moment)};
}

std::vector<String> SearchLogStopLines(TDateTime Moment) {
  return {String(49, u'-'), u"STOP: " + SearchLogDateTime(Moment),
          u"Поиск информации остановлен по требованию Пользователя!"};
}

String SearchLogFileName(const String& DirSave, Integer SaveMode) {
  return DirSave + (SaveMode <= 0 ? ResourceModeLog : FormatModeLog);
}

void SaveSearchLog(const String& DirSave, Integer SaveMode, const std::vector<String>& Lines) {
  String text;
  for (const String& l : Lines) text += l + u"\r\n";
  PrepareFileAtomic(SearchLogFileName(DirSave, SaveMode), StringToAnsi(text), false, SearchLogFileMode).Commit();
}

void TSearchLogSaver::Save(const String& DirSave, Integer SaveMode, StringView Text) {
  PrepareFileAtomic(SearchLogFileName(DirSave, SaveMode), Bytes(Text), false, SearchLogFileMode).Commit();
}

AnsiString TSearchLogSaver::Bytes(StringView Text) {
  // Text that no longer starts with what was converted (a cleared log, a line
  // changed) is converted from its start. Only equality counts, so the
  // characters are compared as memory, many at a time.
  if (Text.size() < FConverted.size() ||
      (!FConverted.empty() && std::memcmp(Text.data(), FConverted.data(), FConverted.size() * sizeof(Char)) != 0)) {
    FConverted.clear();
    FBytes.clear();
  }
  // Kept up to the last line break only, so that a character is never split
  // between two conversions.
  const size_t nl = Text.rfind(u'\n');
  const size_t upto = nl == StringView::npos || nl < FConverted.size() ? FConverted.size() : nl + 1;
  FBytes += StringToAnsi(Text.substr(FConverted.size(), upto - FConverted.size()));
  FConverted.append(Text.substr(FConverted.size(), upto - FConverted.size()));
  // The whole file's bytes made in one piece: the log grows with the run, and
  // it is taken after every resource.
  const StringView rest = Text.substr(upto);
  AnsiString bytes;
  bytes.reserve(FBytes.size() + rest.size() + 2);
  bytes += FBytes;
  if (!rest.empty()) bytes += StringToAnsi(rest);
  if (!Text.empty() && !Text.ends_with(u"\r\n")) bytes += "\r\n";
  return bytes;
}
