#include "platform/core/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"

namespace {

std::string OsName(StringView name) { return ToUtf8(name); }

bool StatOf(StringView name, struct stat& st) {
  if (name.empty()) return false;
  return ::stat(OsName(name).c_str(), &st) == 0;
}

String ErrorText(int err) {
  char buf[256];
  return FromUtf8(strerror_r(err, buf, sizeof buf));
}

String Quoted(StringView name) { return u"\"" + String(name) + u"\""; }

[[noreturn]] void RaiseOpen(StringView name, int err) {
  throw EFOpenError(u"Cannot open file " + Quoted(name) + u". " + ErrorText(err), err);
}
[[noreturn]] void RaiseCreate(StringView name, int err) {
  throw EFCreateError(u"Cannot create file " + Quoted(name) + u". " + ErrorText(err), err);
}
[[noreturn]] void RaiseWrite(StringView name, int err) {
  throw EWriteError(u"Error writing file " + Quoted(name) + u". " + ErrorText(err), err);
}

// The index just past the last delimiter, 0 when there is none.
size_t NameStart(StringView s) {
  const size_t at = s.rfind(PathDelim);
  return at == StringView::npos ? 0 : at + 1;
}

// Writes all of Bytes, retrying short writes; the errno of a failure, else 0.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

}  // namespace

// ---- Existence and folders ----------------------------------------------------

bool FileExists(StringView FileName) {
  struct stat st;
  return StatOf(FileName, st) && !S_ISDIR(st.st_mode);
}

bool RegularFileExists(StringView FileName) {
  struct stat st;
  return StatOf(FileName, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(StringView Directory) {
  struct stat st;
  return StatOf(Directory, st) && S_ISDIR(st.st_mode);
}

bool CreateDir(StringView Dir) { return !Dir.empty() && ::mkdir(OsName(Dir).c_str(), 0777) == 0; }

bool ForceDirectories(StringView Dir) {
  const String dir = ExcludeTrailingPathDelimiter(Dir);
  if (dir.empty()) return Dir.empty() ? false : DirectoryExists(Dir);  // "/" itself
  if (DirectoryExists(dir)) return true;
  const String parent = ExtractFileDir(dir);
  if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
  // Another process may create it between the check and here; that is success too.
  return CreateDir(dir) || DirectoryExists(dir);
}

bool RemoveDir(StringView Dir) { return !Dir.empty() && ::rmdir(OsName(Dir).c_str()) == 0; }

bool DeleteFile(StringView FileName) { return !FileName.empty() && ::unlink(OsName(FileName).c_str()) == 0; }

bool RenameFile(StringView OldName, StringView NewName) {
  if (OldName.empty() || NewName.empty()) return false;
  const std::string from = OsName(OldName), to = OsName(NewName);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without no-replace renames: check first.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

// ---- Names --------------------------------------------------------------------

String ExtractFilePath(StringView FileName) { return String(FileName.substr(0, NameStart(FileName))); }

String ExtractFileDir(StringView FileName) {
  size_t end = NameStart(FileName);
  if (end > 1) --end;  // drop the delimiter, but keep the root's
  return String(FileName.substr(0, end));
}

String ExtractFileName(StringView FileName) { return String(FileName.substr(NameStart(FileName))); }

String ExtractFileExt(StringView FileName) {
  const size_t dot = FileName.rfind(u'.');
  if (dot == StringView::npos || dot < NameStart(FileName)) return String();
  return String(FileName.substr(dot));
}

String ChangeFileExt(StringView FileName, StringView Extension) {
  const size_t dot = FileName.rfind(u'.');
  const size_t end = (dot == StringView::npos || dot < NameStart(FileName)) ? FileName.size() : dot;
  return String(FileName.substr(0, end)) + String(Extension);
}

String IncludeTrailingPathDelimiter(StringView S) {
  String out(S);
  if (out.empty() || out.back() != PathDelim) out += PathDelim;
  return out;
}

String ExcludeTrailingPathDelimiter(StringView S) {
  String out(S);
  if (!out.empty() && out.back() == PathDelim) out.pop_back();
  return out;
}

String GetProgramFolder() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return String();
  return ExtractFilePath(FromUtf8(std::string_view(buf, static_cast<size_t>(n))));
}

String GetTempFolder() {
  const char* dir = ::getenv("TMPDIR");
  return IncludeTrailingPathDelimiter(FromUtf8(dir && *dir ? dir : "/tmp"));
}

// ---- Reading ------------------------------------------------------------------

std::string ReadFileBytes(StringView FileName) {
  if (FileName.empty()) RaiseOpen(FileName, ENOENT);
  // Opened without blocking, so a pipe in the file's place cannot hang the
  // reader; only a regular file is read (a pipe or a device never ends).
  const int fd = ::open(OsName(FileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) RaiseOpen(FileName, errno);
  std::string bytes;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    if (err == EINVAL) throw EFOpenError(u"Cannot open file " + Quoted(FileName) + u". It is not a regular file");
    RaiseOpen(FileName, err);
  }
  bytes.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      RaiseOpen(FileName, err);
    }
    bytes.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

namespace {
String DecodeUtf16(std::string_view b, bool bigEndian) {
  String out;
  out.reserve(b.size() / 2 + 1);
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(b[bigEndian ? i + 1 : i]);
    const auto hi = static_cast<unsigned char>(b[bigEndian ? i : i + 1]);
    out += static_cast<Char>(lo | (hi << 8));
  }
  if (b.size() % 2) out += u'\uFFFD';  // a cut-off last unit is shown, not dropped
  return out;
}
}  // namespace

String DecodeText(std::string_view Bytes) {
  if (Bytes.starts_with("\xEF\xBB\xBF")) return FromUtf8(Bytes.substr(3));
  if (Bytes.starts_with("\xFF\xFE")) return DecodeUtf16(Bytes.substr(2), false);
  if (Bytes.starts_with("\xFE\xFF")) return DecodeUtf16(Bytes.substr(2), true);
  return AnsiToString(Bytes);
}

String ReadTextFile(StringView FileName) { return DecodeText(ReadFileBytes(FileName)); }

// ---- Writing ------------------------------------------------------------------

namespace {

// Writes the pieces in order, as few calls as the system allows; 0 or errno.
int WritePieces(int fd, const std::vector<std::string_view>& Pieces) {
  std::vector<struct iovec> vec;
  vec.reserve(Pieces.size());
  for (std::string_view p : Pieces)
    if (!p.empty()) vec.push_back({const_cast<char*>(p.data()), p.size()});
  size_t at = 0;
  while (at < vec.size()) {
    const int count = static_cast<int>(std::min<size_t>(vec.size() - at, IOV_MAX));
    ssize_t n = ::writev(fd, vec.data() + at, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    // A short write leaves the rest of a piece for the next call.
    while (n > 0) {
      const size_t step = std::min(static_cast<size_t>(n), vec[at].iov_len);
      vec[at].iov_base = static_cast<char*>(vec[at].iov_base) + step;
      vec[at].iov_len -= step;
      n -= static_cast<ssize_t>(step);
      if (vec[at].iov_len == 0) ++at;
    }
  }
  return 0;
}

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kRandomLength = 6;
// The ending that tells a temporary file of ours from any other program's.
constexpr std::string_view kTempMark = ".borrow-tmp";

// "." + the file's name + "." : the start of its temporary files' names.
std::string TempStem(StringView FileName) { return "." + OsName(ExtractFileName(FileName)) + "."; }

// A file of its own beside FileName, named TempStem + random letters +
// kTempMark, opened for writing with the permission bits Mode (which the umask
// narrows); the descriptor, or -1 with errno set.
int CreateTempBeside(StringView FileName, mode_t Mode, std::string& Temp) {
  const std::string stem = OsName(ExtractFilePath(FileName)) + TempStem(FileName);
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[kRandomLength];
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
      // No random bytes to be had: the clock and the attempt make the name.
      const auto now = static_cast<unsigned long long>(::clock()) * 131 + static_cast<unsigned>(attempt);
      for (size_t i = 0; i < sizeof random; ++i) random[i] = static_cast<unsigned char>(now >> (8 * i));
    }
    Temp = stem;
    for (unsigned char b : random) Temp += kLetters[b % (sizeof kLetters - 1)];
    Temp += kTempMark;
    const int fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, Mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Fills a temporary file beside the target through Write (answering 0 or
// errno), ready to be renamed over it.
template <class TWrite>
TPreparedFile PrepareWith(StringView FileName, bool FlushToDisk, int Mode, TWrite&& Write) {
  if (FileName.empty() || FileName.back() == PathDelim) RaiseCreate(FileName, EISDIR);
  std::string target = OsName(FileName);
  struct stat old;
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  if (replacing && S_ISDIR(old.st_mode)) RaiseCreate(FileName, EISDIR);

  // The temporary file lies beside the target, so the rename never crosses file
  // systems. A new file gets the usual permissions from the system itself; a
  // replacement keeps the old file's, which the umask must not narrow.
  const mode_t keep = Mode >= 0 ? static_cast<mode_t>(Mode) : replacing ? (old.st_mode & 07777) : 0666;
  std::string tmp;
  const int fd = CreateTempBeside(FileName, keep, tmp);
  if (fd < 0) RaiseCreate(FileName, errno);
  if (Mode >= 0 || replacing) ::fchmod(fd, keep);

  int err = Write(fd);
  if (!err && FlushToDisk && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (err) {
    ::unlink(tmp.c_str());
    RaiseWrite(FileName, err);
  }
  return TPreparedFile(String(FileName), std::move(target), std::move(tmp));
}

}  // namespace

void CheckFileReplaceable(StringView FileName) {
  if (FileName.empty() || FileName.back() == PathDelim || DirectoryExists(FileName)) RaiseCreate(FileName, EISDIR);
}

TPreparedFile::TPreparedFile(TPreparedFile&& Other) noexcept
    : FFileName(std::move(Other.FFileName)), FTarget(std::move(Other.FTarget)), FTemp(std::move(Other.FTemp)) {
  Other.FTemp.clear();
}

TPreparedFile& TPreparedFile::operator=(TPreparedFile&& Other) noexcept {
  if (this != &Other) {
    Discard();
    FFileName = std::move(Other.FFileName);
    FTarget = std::move(Other.FTarget);
    FTemp = std::move(Other.FTemp);
    Other.FTemp.clear();
  }
  return *this;
}

TPreparedFile::~TPreparedFile() { Discard(); }

void TPreparedFile::Commit() {
  if (FTemp.empty()) return;
  const std::string tmp = std::move(FTemp);
  FTemp.clear();
  if (::rename(tmp.c_str(), FTarget.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    RaiseCreate(FFileName, err);
  }
}

void TPreparedFile::Discard() noexcept {
  if (FTemp.empty()) return;
  ::unlink(FTemp.c_str());
  FTemp.clear();
}

TPreparedFile PrepareFileAtomic(StringView FileName, std::string_view Bytes, bool FlushToDisk, int Mode) {
  return PrepareWith(FileName, FlushToDisk, Mode, [&](int fd) { return WriteAll(fd, Bytes); });
}

void RemoveLeftoverTempFiles(StringView FileName) {
  if (FileName.empty() || FileName.back() == PathDelim) return;
  const String name = ExtractFileName(FileName);
  RemoveLeftoverTempFilesIn(ExtractFilePath(FileName), [&](StringView Of) { return Of == name; });
}

void RemoveLeftoverTempFilesIn(StringView Folder, const std::function<bool(StringView Name)>& Of) {
  const std::string dir = Folder.empty() ? std::string(".") : OsName(Folder);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  const uid_t me = ::getuid();
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    // Exactly the names CreateTempBeside makes: a dot, the file's name, a dot,
    // the random letters, the mark.
    constexpr size_t tail = 1 + kRandomLength + kTempMark.size();
    if (name.size() < 1 + 1 + tail || name.front() != '.' || !name.ends_with(kTempMark)) continue;
    const std::string_view random = name.substr(name.size() - kRandomLength - kTempMark.size(), kRandomLength);
    if (name[name.size() - tail] != '.' ||
        random.find_first_not_of(std::string_view(kLetters, sizeof kLetters - 1)) != std::string_view::npos)
      continue;
    if (!Of(FromUtf8(name.substr(1, name.size() - 1 - tail)))) continue;
    // Only a plain file of this user's: never a link, a folder or another's.
    struct stat st;
    const int fd = ::dirfd(d);
    if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) || st.st_uid != me) continue;
    ::unlinkat(fd, e->d_name, 0);
  }
  ::closedir(d);
}

void WriteFileAtomic(StringView FileName, std::string_view Bytes, bool FlushToDisk) {
  PrepareFileAtomic(FileName, Bytes, FlushToDisk).Commit();
}

void WriteFilePiecesAtomic(StringView FileName, const std::vector<std::string_view>& Pieces, bool FlushToDisk) {
  PrepareWith(FileName, FlushToDisk, -1, [&](int fd) { return WritePieces(fd, Pieces); }).Commit();
}

void WriteTextFileAtomic(StringView FileName, StringView Text) { WriteFileAtomic(FileName, StringToAnsi(Text)); }
