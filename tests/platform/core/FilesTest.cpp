#include "platform/core/Files.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"

namespace {

// A fresh folder per test under the system temporary folder, removed afterwards.
class FilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string tmpl = ToUtf8(GetTempFolder()) + "coretext-files-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    Dir = FromUtf8(tmpl) + u"/";
  }
  void TearDown() override {
    ::chmod(ToUtf8(Dir).c_str(), 0755);
    std::system(("rm -rf '" + ToUtf8(Dir) + "'").c_str());
  }

  static void WriteRaw(const String& name, const std::string& bytes) {
    FILE* f = std::fopen(ToUtf8(name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }

  // Every entry of the test folder, so leftovers of a failed write show up.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    DIR* d = ::opendir(ToUtf8(Dir).c_str());
    while (dirent* e = d ? ::readdir(d) : nullptr) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    if (d) ::closedir(d);
    return names;
  }

  String Dir;
  const pid_t Pid = ::getpid();
};

}  // namespace

TEST(FileNames, PartsOfAPath) {
  EXPECT_EQ(ExtractFilePath(u"/home/u/ListDB.txt"), u"/home/u/");
  EXPECT_EQ(ExtractFileDir(u"/home/u/ListDB.txt"), u"/home/u");
  EXPECT_EQ(ExtractFileDir(u"/ListDB.txt"), u"/");
  EXPECT_EQ(ExtractFileDir(u"ListDB.txt"), u"");
  EXPECT_EQ(ExtractFileName(u"/home/u/ListDB.txt"), u"ListDB.txt");
  EXPECT_EQ(ExtractFileName(u"/home/u/"), u"");
  EXPECT_EQ(ExtractFileExt(u"/a/b.c/Borrowline.ini"), u".ini");
  EXPECT_EQ(ExtractFileExt(u"/a/b.c/README"), u"");
  EXPECT_EQ(ExtractFileExt(u"!_LOG.txt"), u".txt");
  EXPECT_EQ(ChangeFileExt(u"/a/b.c/name.txt", u".iso"), u"/a/b.c/name.iso");
  EXPECT_EQ(ChangeFileExt(u"/a/b.c/name", u".iso"), u"/a/b.c/name.iso");
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"/a"), u"/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"/a/"), u"/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(u"/a/"), u"/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(u"/a"), u"/a");
}

TEST(FileNames, ProgramAndTempFolders) {
  const String prog = GetProgramFolder();
  ASSERT_FALSE(prog.empty());
  EXPECT_EQ(prog.back(), PathDelim);
  EXPECT_TRUE(DirectoryExists(prog));
  const String tmp = GetTempFolder();
  EXPECT_EQ(tmp.back(), PathDelim);
  EXPECT_TRUE(DirectoryExists(tmp));
}

TEST_F(FilesTest, FoldersAreCreatedWithTheirParents) {
  const String deep = Dir + u"Папка/Import/MyWork/";
  EXPECT_FALSE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));  // already there
  EXPECT_FALSE(FileExists(deep));
  EXPECT_FALSE(CreateDir(Dir + u"Папка"));  // exists
  EXPECT_FALSE(ForceDirectories(u""));
  // A file in the way of a folder.
  WriteRaw(Dir + u"file", "x");
  EXPECT_FALSE(ForceDirectories(Dir + u"file/sub"));
  EXPECT_TRUE(RemoveDir(deep));
  EXPECT_FALSE(DirectoryExists(deep));
}

TEST_F(FilesTest, DeleteAndRename) {
  const String a = Dir + u"a.txt", b = Dir + u"б.txt";
  WriteRaw(a, "A");
  WriteRaw(b, "B");
  EXPECT_TRUE(FileExists(a));
  EXPECT_FALSE(RenameFile(a, b));  // never over an existing file
  EXPECT_EQ(ReadFileBytes(b), "B");
  EXPECT_TRUE(DeleteFile(b));
  EXPECT_FALSE(DeleteFile(b));
  EXPECT_TRUE(RenameFile(a, b));
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(ReadFileBytes(b), "A");
}

TEST_F(FilesTest, TextByteOrderMarks) {
  const String expected = u"Ёлка\r\nz";
  WriteRaw(Dir + u"utf8", "\xEF\xBB\xBF\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0\r\nz");
  WriteRaw(Dir + u"le", std::string("\xFF\xFE\x01\x04\x3B\x04\x3A\x04\x30\x04\r\0\n\0z\0", 16));
  WriteRaw(Dir + u"be", std::string("\xFE\xFF\x04\x01\x04\x3B\x04\x3A\x04\x30\0\r\0\n\0z", 16));
  WriteRaw(Dir + u"ansi", "\xA8\xEB\xEA\xE0\r\nz");
  EXPECT_EQ(ReadTextFile(Dir + u"utf8"), expected);
  EXPECT_EQ(ReadTextFile(Dir + u"le"), expected);
  EXPECT_EQ(ReadTextFile(Dir + u"be"), expected);
  EXPECT_EQ(ReadTextFile(Dir + u"ansi"), expected);
}

TEST(TextDecoding, EdgesOfMarks) {
  EXPECT_EQ(DecodeText(""), u"");
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF"), u"");
  EXPECT_EQ(DecodeText("\xFF\xFE"), u"");
  // Half a mark is ANSI text.
  EXPECT_EQ(DecodeText("\xEF\xBB"), u"п»");
  // An odd byte count in UTF-16 keeps a marker for the cut-off unit.
  EXPECT_EQ(DecodeText(std::string("\xFF\xFE"
                                   "a\0b",
                                   5)),
            u"a\uFFFD");
}

TEST_F(FilesTest, ReadingAMissingFileNamesIt) {
  const String missing = Dir + u"нет.txt";
  try {
    ReadTextFile(missing);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(missing), String::npos);
  }
  EXPECT_THROW(ReadFileBytes(Dir), EFOpenError);  // a folder is not a file
}

TEST_F(FilesTest, APipeOrADeviceIsRefusedWithoutWaitingForIt) {
  const String pipe = Dir + u"pipe";
  ASSERT_EQ(::mkfifo(ToUtf8(pipe).c_str(), 0600), 0);
  EXPECT_TRUE(FileExists(pipe));
  EXPECT_FALSE(RegularFileExists(pipe));
  EXPECT_FALSE(RegularFileExists(Dir));
  EXPECT_FALSE(RegularFileExists(u"/dev/zero"));
  try {
    ReadFileBytes(pipe);  // would wait for a writer for good
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), u"Cannot open file \"" + pipe + u"\". It is not a regular file");
  }
  EXPECT_THROW(ReadFileBytes(u"/dev/zero"), EFOpenError);  // would never end
  WriteRaw(Dir + u"plain", "x");
  EXPECT_TRUE(RegularFileExists(Dir + u"plain"));
  EXPECT_EQ(ReadFileBytes(Dir + u"plain"), "x");
}

TEST_F(FilesTest, AtomicWriteCreatesAndReplaces) {
  const String name = Dir + u"ListDB.txt";
  WriteFileAtomic(name, "first");
  EXPECT_EQ(ReadFileBytes(name), "first");
  ::chmod(ToUtf8(name).c_str(), 0640);
  WriteTextFileAtomic(name, u"второй");
  EXPECT_EQ(ReadFileBytes(name), "\xE2\xF2\xEE\xF0\xEE\xE9");
  struct stat st;
  ASSERT_EQ(::stat(ToUtf8(name).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replacement keeps the permissions
  WriteFileAtomic(name, "");
  EXPECT_EQ(ReadFileBytes(name), "");
  EXPECT_EQ(Entries(), std::vector<std::string>{"ListDB.txt"});
}

TEST_F(FilesTest, PiecesAreWrittenInTheirOrderWhateverTheirNumber) {
  const String name = Dir + u"ListDB.txt";
  WriteFileAtomic(name, "old");
  // More pieces than one system call takes, empty ones among them, lying in
  // memory in another order than the file's.
  const std::string source = "0123456789";
  std::vector<std::string_view> pieces;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    const size_t at = static_cast<size_t>((i * 7) % 10);
    const size_t length = static_cast<size_t>(i % 3);
    pieces.push_back(std::string_view(source).substr(at, length));
    expected += source.substr(at, length);
  }
  WriteFilePiecesAtomic(name, pieces);
  EXPECT_EQ(ReadFileBytes(name), expected);
  WriteFilePiecesAtomic(name, {});
  EXPECT_EQ(ReadFileBytes(name), "");
  EXPECT_EQ(Entries(), std::vector<std::string>{"ListDB.txt"});
  EXPECT_THROW(WriteFilePiecesAtomic(Dir + u"missing/ListDB.txt", pieces), EFCreateError);
}

TEST_F(FilesTest, AtomicWriteIntoAMissingFolderRaises) {
  const String name = Dir + u"missing/ListDB.txt";
  EXPECT_THROW(WriteFileAtomic(name, "data"), EFCreateError);
  EXPECT_FALSE(FileExists(name));
  EXPECT_THROW(WriteFileAtomic(Dir, "data"), EFCreateError);
  EXPECT_TRUE(Entries().empty());
}

TEST_F(FilesTest, AtomicWriteOverAFolderRaisesAndKeepsIt) {
  ASSERT_TRUE(CreateDir(Dir + u"sub"));
  EXPECT_THROW(WriteFileAtomic(Dir + u"sub", "data"), EFCreateError);
  EXPECT_TRUE(DirectoryExists(Dir + u"sub"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"sub"});
}

TEST_F(FilesTest, AtomicWriteInAReadOnlyFolderKeepsTheOldFile) {
  const String name = Dir + u"Borrowline.ini";
  WriteRaw(name, "old");
  ASSERT_EQ(::chmod(ToUtf8(Dir).c_str(), 0555), 0);
  // Permissions do not bind the superuser, so as root the write is tried by a
  // child that has given its privileges up.
  const pid_t child = ::geteuid() == 0 ? ::fork() : 0;
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool refused = false;
    if (::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0)) {
      try {
        WriteFileAtomic(name, "new");
      } catch (const EFCreateError&) {
        refused = true;
      }
    }
    if (::getpid() != Pid) ::_exit(refused ? 0 : 1);
    EXPECT_TRUE(refused);
  } else {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ::chmod(ToUtf8(Dir).c_str(), 0755);
  EXPECT_EQ(ReadFileBytes(name), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"Borrowline.ini"});
}

TEST_F(FilesTest, AtomicWriteThatRunsOutOfSpaceKeepsTheOldFile) {
  // A file-size limit makes the write fail half-way, as a full disk would.
  const String name = Dir + u"!_LOG.txt";
  WriteRaw(name, "old log");
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &previous);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool raised = false;
  try {
    WriteFileAtomic(name, std::string(100000, 'x'));
  } catch (const EWriteError&) {
    raised = true;
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_TRUE(raised);
  EXPECT_EQ(ReadFileBytes(name), "old log");
  EXPECT_EQ(Entries(), std::vector<std::string>{"!_LOG.txt"});
}

TEST_F(FilesTest, APreparedFileReplacesItsTargetOnlyWhenCommitted) {
  const String name = Dir + u"!_LOG.txt";
  WriteRaw(name, "old");
  ::chmod(ToUtf8(name).c_str(), 0640);
  TPreparedFile file = PrepareFileAtomic(name, "new", false);
  EXPECT_TRUE(file.Pending());
  EXPECT_EQ(file.FileName(), name);
  EXPECT_EQ(ReadFileBytes(name), "old");  // the bytes wait beside it
  EXPECT_EQ(Entries().size(), 2u);
  TPreparedFile moved = std::move(file);
  EXPECT_FALSE(file.Pending());
  file.Commit();  // nothing left to commit there
  EXPECT_EQ(ReadFileBytes(name), "old");
  moved.Commit();
  EXPECT_FALSE(moved.Pending());
  EXPECT_EQ(ReadFileBytes(name), "new");
  struct stat st;
  ASSERT_EQ(::stat(ToUtf8(name).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"!_LOG.txt"});
}

TEST_F(FilesTest, APreparedFileNeverCommittedLeavesTheTargetAndNothingElse) {
  const String name = Dir + u"00001-host.iso";
  WriteRaw(name, "old");
  {
    TPreparedFile dropped = PrepareFileAtomic(name, "never");
    TPreparedFile discarded = PrepareFileAtomic(name, "nor this");
    discarded.Discard();
    EXPECT_FALSE(discarded.Pending());
    TPreparedFile replaced = PrepareFileAtomic(name, "nor that");
    replaced = PrepareFileAtomic(name, "last");  // the one it held goes
    EXPECT_EQ(Entries().size(), 3u);
  }
  EXPECT_EQ(ReadFileBytes(name), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"00001-host.iso"});
}

TEST_F(FilesTest, NewFilesGetTheUmasksPermissionsAndAGivenModeIsKeptWhateverTheUmask) {
  const mode_t saved = ::umask(027);
  WriteFileAtomic(Dir + u"new.txt", "a");
  PrepareFileAtomic(Dir + u"log.txt", "b", false, 0644).Commit();
  ::umask(saved);
  struct stat st;
  ASSERT_EQ(::stat(ToUtf8(Dir + u"new.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ASSERT_EQ(::stat(ToUtf8(Dir + u"log.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(FilesTest, APreparedFileWhoseFolderWentAwayRaisesOnCommit) {
  ASSERT_TRUE(CreateDir(Dir + u"sub"));
  TPreparedFile file = PrepareFileAtomic(Dir + u"sub/a.iso", "bytes", false);
  // The folder is renamed away, so the rename's target folder is missing.
  ASSERT_TRUE(RenameFile(Dir + u"sub", Dir + u"moved"));
  EXPECT_THROW(file.Commit(), EFCreateError);
  EXPECT_FALSE(file.Pending());
  EXPECT_FALSE(FileExists(Dir + u"sub/a.iso"));
}
