#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <regex>

#include "client/RecordFiles.h"
#include "client/__str.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"
#include "tests/client/ResourceListText.h"
#include "tests/client/TempFolder.h"
#include "tests/support/FileSizeLimit.h"

namespace {

// Two ISO 2709 records as a server sends them: each ends with 1E 1D; the
// text holds Windows-1251 letters and the unassigned byte 0x98.
const std::string kRecords =
    "00026nam  2200025   4500\x1E"
    "\xCA\xED\xE8\xE3\xE0 \x98\x1E\x1D"
    "00021nam  2200025   4500\x1E"
    "last  \x1E\x1D";

String FromBytes(const std::string& b) { return AnsiToString(b); }

class RussianFormats : public ::testing::Test {
  TRussianFormats FFormats;
};

}  // namespace

// ---- File names ------------------------------------------------------------------

TEST(RecordFileNames, PerResourceNameIsPaddedAndCleaned) {
  EXPECT_EQ(RecordFileNameByResource(7, u" z39.lib.example.org:7090 ", u"Books", u"210", u"RUSMARC"),
            u"00007-z39_lib_example_org_7090-Books-210-RUSMARC.iso");
  EXPECT_EQ(RecordFileNameByResource(123456, u"h", u"d", u" 210 ", u"rusmarc"), u"123456-h-d-210-rusmarc.iso");
  EXPECT_EQ(RecordFileNameByResource(3, u"h", u"a/b\\c", u"1", u"*?"), u"00003-h-a_b_c-1-__.iso");
}

TEST(RecordFileNames, PerFormatNameIsNumberedAndCleaned) {
  EXPECT_EQ(RecordFileNameByFormat(1, u"UNI/MARC"), u"001-UNI_MARC.iso");
  EXPECT_EQ(RecordFileNameByFormat(12, u" RUSMARC "), u"012-RUSMARC.iso");
  EXPECT_EQ(RecordFileNameByFormat(1000, u"X"), u"1000-X.iso");
}

// ---- Record content ------------------------------------------------------------

TEST(RecordContent, WellFormedRecordsAreKeptByteForByte) {
  EXPECT_EQ(StringToAnsi(RecordFileContent(FromBytes(kRecords))), kRecords);
  // Line breaks or blanks after the last record are not part of it.
  EXPECT_EQ(StringToAnsi(RecordFileContent(FromBytes(kRecords + "\r\n  "))), kRecords);
  EXPECT_EQ(StringToAnsi(RecordFileContent(FromBytes("  " + kRecords))), kRecords);
}

TEST(RecordContent, UnterminatedTextIsTrimmedAndTerminated) {
  EXPECT_EQ(RecordFileContent(u"  abc \r\n"), u"abc\x1E\x1D");
  EXPECT_EQ(RecordFileContent(u"abc\x1E"), u"abc\x1E\x1D");
  EXPECT_EQ(RecordFileContent(u" \r\n\t "), u"");
  EXPECT_EQ(RecordFileContent(u"\x1E\x1D"), u"");
}

// A fetch's text can be hundreds of megabytes: handed over, it becomes the
// content in the same memory, trimmed in place; and a content is its own
// content, so a run can hand it on to a syntax's buffer as it is.
TEST(RecordContent, AResultHandedOverBecomesTheContentInItsOwnMemory) {
  String result = FromBytes("  " + kRecords + "\r\n ");
  const Char* memory = result.data();
  Integer lost = -1;
  const String content = RecordFileContent(std::move(result), &lost);
  EXPECT_EQ(content.data(), memory);
  EXPECT_EQ(StringToAnsi(content), kRecords);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(RecordFileContent(content), content);
  EXPECT_EQ(RecordFileContent(RecordFileContent(u" abc\x1E ")), u"abc\x1E\x1D");
}

// ---- Record files ----------------------------------------------------------------

TEST(RecordFiles, PerResourceFileHoldsTheRecordsExactly) {
  TTempFolder t;
  const String name = t.Path() + RecordFileNameByResource(7, u"h", u"d", u"210", u"RUSMARC");
  WriteBytes(name, std::string(5000, 'x'));  // an older, longer file is replaced
  EXPECT_TRUE(WriteTextFile(name, RecordFileContent(FromBytes(kRecords)), true));
  EXPECT_EQ(ReadFileBytes(name), kRecords);
}

TEST(RecordFiles, CharactersOutsideTheCodePageAreWrittenAsQuestionMarks) {
  TTempFolder t;
  const String name = t.Path() + u"r.iso";
  EXPECT_TRUE(WriteTextFile(name, RecordFileContent(u"a\u4E2Db"), true));
  EXPECT_EQ(ReadFileBytes(name), "a?b\x1E\x1D");
}

TEST(RecordFiles, TextMixingAsciiAndOtherCharactersKeepsEveryByte) {
  TTempFolder t;
  const String name = t.Path() + u"r.iso";
  // ASCII first, then a character outside the BMP (one "?"), ASCII again, a
  // Cyrillic letter and the byte 0x98, which the code page maps to U+0098.
  EXPECT_TRUE(WriteTextFile(name, u"ab\U0001F600c\u0416\u0098\x1E\x1D", true));
  EXPECT_EQ(ReadFileBytes(name), "ab?c\xC6\x98\x1E\x1D");
  EXPECT_TRUE(WriteTextFile(name, FromBytes(std::string("\x01\x7F\x80\xFF", 4)), true));
  EXPECT_EQ(ReadFileBytes(name), std::string("\x01\x7F\x80\xFF", 4));
}

TEST(RecordFiles, WithoutDeleteFirstTheTextIsAppended) {
  TTempFolder t;
  const String name = t.Path() + u"r.iso";
  EXPECT_TRUE(WriteTextFile(name, u"ab", false));
  EXPECT_TRUE(WriteTextFile(name, u"cd", false));
  EXPECT_EQ(ReadFileBytes(name), "abcd");
  EXPECT_FALSE(WriteTextFile(u"   ", u"x", true));
}

TEST(RecordFiles, UnwritableFileIsReportedInItsLogLine) {
  TTempFolder t;
  // A folder squats on the record file's name: the write must fail, quietly.
  const String name = RecordFileNameByResource(7, u"h", u"d", u"210", u"RUSMARC");
  ForceDirectories(t.Path() + name);
  const bool written = WriteTextFile(t.Path() + name, RecordFileContent(u"abc"), true);
  EXPECT_FALSE(written);
  EXPECT_EQ(SearchLogResourceLine(u"(2) Каталог (RUSMARC)", name, written),
            u"Error: (2) Каталог (RUSMARC) => 00007-h-d-210-RUSMARC.iso");
  EXPECT_EQ(SearchLogResourceLine(u"(2) Каталог (RUSMARC)", name, true),
            u"(2) Каталог (RUSMARC) => 00007-h-d-210-RUSMARC.iso");
}

std::vector<std::string> FolderEntries(const TTempFolder& T) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(T.Utf8())) names.push_back(e.path().filename().string());
  return names;
}

TEST(RecordFiles, AFullDiskKeepsTheOldRecordFileWhole) {
  TTempFolder t;
  const String name = t.Path() + u"00001-h-d-210-RUSMARC.iso";
  const std::string old(3000, 'o');
  WriteBytes(name, old);
  bool replaced = true, appended = true;
  {
    TFileSizeLimit disk(4096);
    replaced = WriteTextFile(name, String(10000, u'n'), true);
    appended = WriteTextFile(name, String(2000, u'n'), false);
  }
  EXPECT_FALSE(replaced);
  EXPECT_FALSE(appended);
  EXPECT_EQ(ReadFileBytes(name), old);
  EXPECT_EQ(FolderEntries(t), std::vector<std::string>{"00001-h-d-210-RUSMARC.iso"});
}

TEST(RecordFiles, AQueuedRecordFileTellsAtOnceWhatCanBeSeenAndListsWhatFailsLater) {
  TTempFolder t;
  const String name = t.Path() + u"00001-h-d-210-RUSMARC.iso";
  WriteBytes(name, "old");
  TFileCommitQueue queue;
  EXPECT_TRUE(QueueTextFile(queue, u" " + name + u" ", RecordFileContent(FromBytes(kRecords)), u"first"));
  queue.Wait();
  EXPECT_EQ(ReadFileBytes(name), kRecords);
  EXPECT_FALSE(QueueTextFile(queue, u"  ", u"x", u"unnamed"));
  ForceDirectories(t.Path() + u"squat.iso");  // a folder in the file's place
  EXPECT_FALSE(QueueTextFile(queue, t.Path() + u"squat.iso", u"x", u"squat"));
  {
    TFileSizeLimit disk(4096);
    EXPECT_TRUE(QueueTextFile(queue, name, String(10000, u'n'), u"too large"));
    EXPECT_TRUE(QueueTextFile(queue, t.Path() + u"missing/a.iso", u"x", u"no folder"));
    queue.Wait();  // not raised: listed
  }
  EXPECT_EQ(queue.TakeFailed(), (std::vector<String>{u"too large", u"no folder"}));
  EXPECT_TRUE(queue.TakeFailed().empty());
  EXPECT_EQ(ReadFileBytes(name), kRecords);  // the old file stays whole
  EXPECT_EQ(t.Entries(), (std::vector<std::string>{"00001-h-d-210-RUSMARC.iso", "squat.iso"}));
}

TEST(FileCommitQueue, FilesAreInPlaceWhenWaitReturnsAndTheNewestOfANameWins) {
  TTempFolder t;
  const String log = t.Path() + u"!_LOG.txt";
  TFileCommitQueue queue;
  for (int i = 1; i <= 30; ++i) {
    const String record = t.Path() + IntToStrPadded(i, 5, u'0') + u".iso";
    queue.Write(record, "records " + std::to_string(i), record);
    queue.Replace(log, "log after " + std::to_string(i), SearchLogFileMode, u"log");
  }
  queue.Wait();
  EXPECT_EQ(ReadFileBytes(log), "log after 30");
  EXPECT_EQ(ReadFileBytes(t.Path() + u"00017.iso"), "records 17");
  // Nothing is left beside the files.
  EXPECT_EQ(t.Entries().size(), 31u);
  struct stat st;
  ASSERT_EQ(::stat(ToUtf8(log).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_TRUE(queue.TakeFailed().empty());
}

TEST(FileCommitQueue, FilesStillQueuedAreWrittenBeforeTheQueueGoes) {
  TTempFolder t;
  {
    TFileCommitQueue queue;
    for (int i = 0; i < 5; ++i)
      queue.Write(t.Path() + IntToStr(i) + u".iso", std::string(100000, static_cast<char>('a' + i)), IntToStr(i));
  }
  EXPECT_EQ(t.Entries(), (std::vector<std::string>{"0.iso", "1.iso", "2.iso", "3.iso", "4.iso"}));
  EXPECT_EQ(ReadFileBytes(t.Path() + u"4.iso"), std::string(100000, 'e'));
}

TEST(FileCommitQueue, ARunsSmallFilesQueueWhileTheDiskStallsAndOnlyALargeBacklogWaits) {
  TTempFolder t;
  TFileCommitQueue queue;
  queue.SetHeld(true);  // the disk takes nothing for now
  // A long run's worth of record files and logs is taken at once.
  auto small = std::async(std::launch::async, [&] {
    for (int i = 1; i <= 300; ++i) {
      queue.Write(t.Path() + IntToStr(i) + u".iso", "records " + std::to_string(i), IntToStr(i));
      queue.Replace(t.Path() + u"!_LOG.txt", "log after " + std::to_string(i), SearchLogFileMode, u"log");
    }
  });
  const bool smallTaken = small.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  EXPECT_TRUE(smallTaken);
  // Files that would hold more than the queue's room wait for the disk.
  const std::string large(TFileCommitQueue::kQueuedBytesRoom / 2, 'x');
  auto big = std::async(std::launch::async, [&] {
    for (int i = 1; i <= 3; ++i) queue.Write(t.Path() + u"big" + IntToStr(i) + u".iso", large, u"big");
  });
  EXPECT_EQ(big.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  queue.SetHeld(false);
  if (!smallTaken) small.wait();
  big.wait();
  queue.Wait();
  EXPECT_EQ(ReadFileBytes(t.Path() + u"300.iso"), "records 300");
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"), "log after 300");
  EXPECT_EQ(ReadFileBytes(t.Path() + u"big3.iso"), large);
  EXPECT_EQ(t.Entries().size(), 304u);
  EXPECT_TRUE(queue.TakeFailed().empty());
}

TEST(FileCommitQueue, ALogQueuedAfterAFailedFileWaitsUntilTheFailureIsTold) {
  TTempFolder t;
  const String log = t.Path() + u"!_LOG.txt";
  TFileCommitQueue queue;
  queue.Replace(log, "first", SearchLogFileMode, u"log");
  queue.Wait();
  queue.Write(t.Path() + u"missing/a.iso", "a", u"a");
  queue.Replace(log, "names a as written", SearchLogFileMode, u"log");
  queue.Wait();
  EXPECT_EQ(ReadFileBytes(log), "first");
  EXPECT_EQ(queue.TakeFailed(), std::vector<String>{u"a"});
  // Once told, the next log is written, and a log that fails itself holds
  // back no other.
  queue.Replace(log, "names a as lost", SearchLogFileMode, u"log");
  queue.Replace(t.Path() + u"missing/!_LOG.txt", "x", SearchLogFileMode, u"other log");
  queue.Replace(t.Path() + u"!_LOG2.txt", "second", SearchLogFileMode, u"log2");
  queue.Wait();
  EXPECT_EQ(ReadFileBytes(log), "names a as lost");
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG2.txt"), "second");
  EXPECT_EQ(queue.TakeFailed(), std::vector<String>{u"other log"});
  EXPECT_FALSE(DirectoryExists(t.Path() + u"missing"));
}

TEST(FormatBuffers, AFullDiskKeepsTheOldSyntaxFileWhole) {
  TTempFolder t;
  const String name = t.Path() + u"001-RUSMARC.iso";
  WriteBytes(name, "old records");
  TFormatBuffers b;
  b.NewFormatBuffer(0);
  b.AppendToFormatBuffer(0, String(10000, u'r') + u"\x1E\x1D");
  bool written = true, buffered = false;
  {
    TFileSizeLimit disk(4096);
    buffered = b.WriteFormatBuffer(0, name, true, false, written);
  }
  EXPECT_TRUE(buffered);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFileBytes(name), "old records");
}

TEST(RecordFiles, ReadOnlyFolderGivesAnErrorLine) {
  if (!std::filesystem::is_directory("/proc/self")) GTEST_SKIP() << "no /proc";
  const String name = RecordFileNameByResource(1, u"h", u"d", u"210", u"X");
  const bool written = WriteTextFile(u"/proc/" + name, u"abc", true);
  EXPECT_FALSE(written);
  EXPECT_EQ(SearchLogResourceLine(u"(1) R (X)", name, written).substr(0, 7), u"Error: ");
}

// ---- Format buffers ------------------------------------------------------------

TEST(FormatBuffers, ResourcesOfOneSyntaxFollowEachOtherUnchanged) {
  TTempFolder t;
  TFormatBuffers b;
  b.NewFormatBuffer(0);
  b.AppendToFormatBuffer(0, u"a");
  b.AppendToFormatBuffer(0, u"   ");  // an empty result adds nothing
  b.AppendToFormatBuffer(0, u"b\nline");
  b.AppendToFormatBuffer(0, FromBytes(kRecords));
  const String name = t.Path() + RecordFileNameByFormat(1, u"RUSMARC");
  bool ok = false;
  EXPECT_TRUE(b.WriteFormatBuffer(0, name, true, false, ok));
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadFileBytes(name),
            "a\x1E\x1D"
            "b\nline\x1E\x1D" +
                kRecords);
}

TEST(FormatBuffers, SyntaxWithoutBufferLosesItsOldFileAndAnswersFalse) {
  TTempFolder t;
  TFormatBuffers b;
  const String name = t.Path() + RecordFileNameByFormat(50, u"X");
  WriteBytes(name, "old");
  b.NewFormatBuffer(49);  // past the 49 slots: nothing
  b.AppendToFormatBuffer(49, u"lost");
  EXPECT_FALSE(b.HasFormatBuffer(49));
  EXPECT_FALSE(b.WriteFormatBuffer(49, name, true, false));
  EXPECT_FALSE(FileExists(name));
  EXPECT_EQ(SearchLogFormatLine(u"X", u"050-X.iso", false), u"Error: X => 050-X.iso");
}

TEST(FormatBuffers, EmptyBufferDeletesTheOldFileAndWritesNone) {
  TTempFolder t;
  TFormatBuffers b;
  b.NewFormatBuffer(48);
  const String name = t.Path() + u"049-X.iso";
  WriteBytes(name, "old");
  EXPECT_TRUE(b.WriteFormatBuffer(48, name, true, false));
  EXPECT_FALSE(FileExists(name));
  EXPECT_TRUE(b.WriteFormatBuffer(48, name, true, true));
  EXPECT_EQ(ReadFileBytes(name), "");
}

TEST(FormatBuffers, FreeingEmptiesEverySlot) {
  TFormatBuffers b;
  b.NewFormatBuffer(0);
  b.AppendToFormatBuffer(0, u"a");
  b.NewFormatBuffer(0);  // a new buffer starts empty
  EXPECT_EQ(b.FormatBufferText(0), u"");
  b.AppendToFormatBuffer(0, u"a");
  b.FreeFormatBuffers();
  EXPECT_FALSE(b.HasFormatBuffer(0));
  EXPECT_FALSE(b.WriteFormatBuffer(0, u"/nonexistent/x.iso", false, true));
}

// ---- The search log --------------------------------------------------------------

TEST_F(RussianFormats, LogLinesCarryTheRussianDateAndTime) {
  const TDateTime moment = EncodeDateTime(2026, 12, 7, 5, 4, 3, 0);
  const std::vector<String> head = SearchLogHeadLines(u"/data/Import/", moment);
  ASSERT_EQ(head.size(), 5u);
  EXPECT_EQ(head[0], u"07.12.2026");
  EXPECT_EQ(head[1], u"Протокол заимствования библиографических записей");
  EXPECT_EQ(head[2], u"Папка, куда будут сохранены записи: /data/Import/");
  EXPECT_EQ(head[3], u"Start: 07.12.2026 5:04:03");
  EXPECT_EQ(head[4], String(49, u'='));

  EXPECT_EQ(SearchLogFinishLines(moment), (std::vector<String>{String(49, u'='), u"Finish: 07.12.2026 5:04:03"}));
  EXPECT_EQ(SearchLogStopLines(EncodeDate(2027, 1, 2)),
            (std::vector<String>{String(49, u'-'), u"STOP: 02.01.2027",
                                 u"Поиск информации остановлен по требованию Пользователя!"}));
  EXPECT_EQ(SearchLogFormatLine(u"RUSMARC", u"001-RUSMARC.iso", true), u"RUSMARC => 001-RUSMARC.iso");
}

TEST_F(RussianFormats, LogOfTheCurrentMomentMatchesThePattern) {
  const std::string start = ToUtf8(SearchLogHeadLines(u"/x/", Now())[3]);
  EXPECT_TRUE(std::regex_match(start, std::regex(R"(Start: \d\d\.\d\d\.\d{4}( \d{1,2}:\d\d:\d\d)?)"))) << start;
}

TEST(SearchLog, SavedLogReplacesTheWholeFileInTheCodePage) {
  TTempFolder t;
  std::vector<String> lines{u"Протокол"};
  for (int i = 0; i < 3; ++i) {
    lines.push_back(u"r" + IntToStr(i));
    SaveSearchLog(t.Path(), 0, lines);
  }
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"), "\xCF\xF0\xEE\xF2\xEE\xEA\xEE\xEB\r\nr0\r\nr1\r\nr2\r\n");
  SaveSearchLog(t.Path(), 1, {u"x"});
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG2.txt"), "x\r\n");
  EXPECT_EQ(SearchLogFileName(u"/d/", -1), u"/d/!_LOG.txt");
  EXPECT_EQ(t.Entries(), (std::vector<std::string>{"!_LOG.txt", "!_LOG2.txt"}));
}

TEST(SearchLog, UnwritableLogRaises) {
  TTempFolder t;
  EXPECT_THROW(SaveSearchLog(t.Path() + u"missing/", 0, {u"x"}), EFCreateError);
  // A folder in the log's place: refused, and no temporary file is left.
  ForceDirectories(t.Path() + u"!_LOG.txt");
  EXPECT_THROW(SaveSearchLog(t.Path(), 0, {u"x"}), EFCreateError);
  EXPECT_EQ(t.Entries(), (std::vector<std::string>{"!_LOG.txt"}));
}

// A log saved after every line, as a run saves it, gives each time the bytes
// that one whole save of the same text gives.
TEST(SearchLog, GrowingLogSavesTheSameBytesAsAWholeSave) {
  TTempFolder t;
  TSearchLogSaver saver;
  String text = u"Протокол\r\n";
  const std::vector<String> added{u"r0 (5) => 00001-a.iso", u"Ёлка \U0001F600 ?", u"", u"last"};
  for (const String& line : added) {
    text += line + u"\r\n";
    saver.Save(t.Path(), 0, text);
    std::vector<String> lines;
    for (size_t at = 0; at < text.size();) {
      const size_t end = text.find(u"\r\n", at);
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    SaveSearchLog(t.Path(), 1, lines);
    EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"), ReadFileBytes(t.Path() + u"!_LOG2.txt"));
  }
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"),
            "\xCF\xF0\xEE\xF2\xEE\xEA\xEE\xEB\r\nr0 (5) => 00001-a.iso\r\n\xA8\xEB\xEA\xE0 ? ?\r\n\r\nlast\r\n");
}

// A line changed where it stands (a record file's line marked "Error: ",
// or a character replaced by one of the same length) is saved as it now is,
// and so is everything after it.
TEST(SearchLog, SaverTakesALineChangedInPlace) {
  TTempFolder t;
  TSearchLogSaver saver;
  String text = u"Протокол\r\nr1 => 00001-a.iso\r\nr2 => 00002-b.iso\r\n";
  saver.Save(t.Path(), 0, text);
  text[text.find(u"r2")] = u'Я';
  saver.Save(t.Path(), 0, text);
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"),
            "\xCF\xF0\xEE\xF2\xEE\xEA\xEE\xEB\r\nr1 => 00001-a.iso\r\n\xDF"
            "2 => 00002-b.iso\r\n");
  text.insert(text.find(u"r1"), u"Error: ");
  text += u"r3 => 00003-c.iso\r\n";
  saver.Save(t.Path(), 0, text);
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"),
            "\xCF\xF0\xEE\xF2\xEE\xEA\xEE\xEB\r\nError: r1 => 00001-a.iso\r\n\xDF"
            "2 => 00002-b.iso\r\nr3 => 00003-c.iso\r\n");
}

TEST(SearchLog, SaverStartsAgainWhenTheLogIsReplaced) {
  TTempFolder t;
  TSearchLogSaver saver;
  saver.Save(t.Path(), 0, u"один\r\nдва\r\n");
  // A new run clears the box: nothing of the old text may survive.
  saver.Save(t.Path(), 0, u"x\r\n");
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"), "x\r\n");
  // A last line without its line break gets one, as every line of the file does.
  saver.Save(t.Path(), 0, u"x\r\ny");
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"), "x\r\ny\r\n");
  saver.Save(t.Path(), 0, String());
  EXPECT_EQ(ReadFileBytes(t.Path() + u"!_LOG.txt"), "");
  EXPECT_THROW(saver.Save(t.Path() + u"missing/", 0, u"x\r\n"), EFCreateError);
}
