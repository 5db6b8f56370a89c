#include "platform/core/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
const char16_t* const SReadError = u"Stream read error";
const char16_t* const SWriteError = u"Stream write error";
const char16_t* const SMemoryStreamError = u"Out of memory while expanding memory stream";

String ReplaceFirst(String text, StringView what, const String& with) {
  const auto at = text.find(what);
  if (at != String::npos) text.replace(at, what.size(), with);
  return text;
}

String ErrnoText(int err) { return FromUtf8(std::strerror(err)); }

Int64 ClampSeek(Int64 pos) { return pos < 0 ? 0 : pos; }
}  // namespace

// ---- TStream

void TStream::ReadBuffer(void* Buffer, Integer Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count)) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* Buffer, Integer Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count)) throw EWriteError(SWriteError);
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->GetSize();
  }
  const Int64 result = Count;
  std::vector<Byte> buf(static_cast<size_t>(std::min<Int64>(Count, 0xF000)));
  while (Count > 0) {
    const Integer n = static_cast<Integer>(std::min<Int64>(Count, static_cast<Int64>(buf.size())));
    Source->ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    Count -= n;
  }
  return result;
}

Int64 TStream::GetSize() {
  const Int64 pos = Seek(0, soFromCurrent);
  const Int64 size = Seek(0, soFromEnd);
  Seek(pos, soFromBeginning);
  return size;
}

void TStream::SetSize(Int64) {}

// ---- TCustomMemoryStream

Integer TCustomMemoryStream::Read(void* Buffer, Integer Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  const Int64 n = std::min<Int64>(Count, FSize - FPosition);
  std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<Integer>(n);
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soFromBeginning: FPosition = Offset; break;
    case soFromCurrent: FPosition += Offset; break;
    case soFromEnd: FPosition = FSize + Offset; break;
  }
  FPosition = ClampSeek(FPosition);
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  if (FSize > 0) {
    Int64 left = FSize;
    const Byte* p = FMemory;
    while (left > 0) {
      const Integer n = static_cast<Integer>(std::min<Int64>(left, std::numeric_limits<Integer>::max()));
      Stream->WriteBuffer(p, n);
      p += n;
      left -= n;
    }
  }
}

void TCustomMemoryStream::SaveToFile(const String& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

// ---- TMemoryStream

TMemoryStream::~TMemoryStream() {
  // A descendant's Realloc cannot be reached from here: free only a block this class allocated.
  if (GetMemory() && GetMemory() == FBaseBlock) std::free(FBaseBlock);
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  FPosition = 0;
}

void* TMemoryStream::Realloc(Int64& NewCapacity) {
  // Grow in 8 KB steps so byte-by-byte writing stays linear.
  constexpr Int64 delta = 0x2000;
  if (NewCapacity > 0 && NewCapacity != GetSize()) NewCapacity = (NewCapacity + (delta - 1)) & ~(delta - 1);
  void* result = GetMemory();
  if (NewCapacity == FCapacity) return result;
  if (NewCapacity == 0) {
    std::free(result);
    FBaseBlock = nullptr;
    return nullptr;
  }
  void* grown = std::realloc(result, static_cast<size_t>(NewCapacity));
  if (!grown) throw EStreamError(SMemoryStreamError);
  FBaseBlock = grown;
  return grown;
}

void TMemoryStream::SetCapacity(Int64 NewCapacity) {
  if (NewCapacity < 0) throw EStreamError(SMemoryStreamError);
  void* p = Realloc(NewCapacity);
  const Int64 size = std::min(GetSize(), NewCapacity);
  SetPointer(p, size);
  FCapacity = NewCapacity;
}

void TMemoryStream::SetSize(Int64 NewSize) {
  if (NewSize < 0) throw EStreamError(SMemoryStreamError);
  const Int64 oldPos = FPosition;
  const Int64 oldSize = GetSize();
  if (NewSize > FCapacity) SetCapacity(NewSize);
  // Bytes a stream grows by read as zeros, never as whatever the heap held.
  if (NewSize > oldSize)
    std::memset(static_cast<Byte*>(GetMemory()) + oldSize, 0, static_cast<size_t>(NewSize - oldSize));
  SetPointer(GetMemory(), NewSize);
  if (oldPos > NewSize) Seek(0, soFromEnd);
}

Integer TMemoryStream::Write(const void* Buffer, Integer Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  const Int64 pos = FPosition + Count;
  const Int64 oldSize = GetSize();
  if (pos > oldSize) {
    if (pos > FCapacity) SetCapacity(pos);
    // Writing past the end (after a Seek there) leaves a gap: zero it.
    if (FPosition > oldSize)
      std::memset(static_cast<Byte*>(GetMemory()) + oldSize, 0, static_cast<size_t>(FPosition - oldSize));
    SetPointer(GetMemory(), pos);
  }
  std::memcpy(static_cast<Byte*>(GetMemory()) + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = pos;
  return Count;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const Int64 count = Stream->GetSize();
  SetSize(count);
  Byte* p = static_cast<Byte*>(GetMemory());
  Int64 left = count;
  while (left > 0) {
    const Integer n = static_cast<Integer>(std::min<Int64>(left, std::numeric_limits<Integer>::max()));
    Stream->ReadBuffer(p, n);
    p += n;
    left -= n;
  }
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

// ---- THandleStream

Integer THandleStream::Read(void* Buffer, Integer Count) {
  if (Count <= 0) return 0;
  Integer total = 0;
  while (total < Count) {
    const ssize_t n = ::read(FHandle, static_cast<Byte*>(Buffer) + total, static_cast<size_t>(Count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += static_cast<Integer>(n);
  }
  return total;
}

Integer THandleStream::Write(const void* Buffer, Integer Count) {
  if (Count <= 0) return 0;
  Integer total = 0;
  while (total < Count) {
    const ssize_t n = ::write(FHandle, static_cast<const Byte*>(Buffer) + total, static_cast<size_t>(Count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += static_cast<Integer>(n);
  }
  return total;
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  const int whence = Origin == soFromBeginning ? SEEK_SET : Origin == soFromCurrent ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
  return r < 0 ? -1 : static_cast<Int64>(r);
}

void THandleStream::SetSize(Int64 NewSize) {
  if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0) throw EStreamError(ErrnoText(errno));
  if (GetPosition() > NewSize) Seek(0, soFromEnd);
}

// ---- TFileStream

TFileStream::TFileStream(const String& AFileName, Word Mode) : THandleStream(-1), FFileName(AFileName) {
  const std::string path = ToUtf8(AFileName);
  if ((Mode & 0xFF00) == fmCreate) {
    FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
      throw EFCreateError(
          ReplaceFirst(ReplaceFirst(u"Cannot create file \"%s\". %s", u"%s", AFileName), u"%s", ErrnoText(errno)));
    return;
  }
  int flags = O_RDONLY;
  if ((Mode & 3) == fmOpenWrite) flags = O_WRONLY;
  else if ((Mode & 3) == fmOpenReadWrite) flags = O_RDWR;
  FHandle = ::open(path.c_str(), flags | O_CLOEXEC);
  int err = errno;
  if (FHandle >= 0) {
    // A folder opens read-only on Linux; it is not a file to stream.
    struct stat st {};
    if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(FHandle);
      FHandle = -1;
      err = EISDIR;
    }
  }
  if (FHandle < 0)
    throw EFOpenError(
        ReplaceFirst(ReplaceFirst(u"Cannot open file \"%s\". %s", u"%s", AFileName), u"%s", ErrnoText(err)));
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

// ---- TStringStream

Integer TStringStream::Read(void* Buffer, Integer Count) {
  const Int64 size = static_cast<Int64>(FDataString.size());
  if (Count <= 0 || FPosition >= size) return 0;
  const Int64 n = std::min<Int64>(Count, size - FPosition);
  std::memcpy(Buffer, FDataString.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<Integer>(n);
}

Integer TStringStream::Write(const void* Buffer, Integer Count) {
  if (Count <= 0) return 0;
  const size_t end = static_cast<size_t>(FPosition) + static_cast<size_t>(Count);
  if (end > FDataString.size()) FDataString.resize(end);
  std::memcpy(FDataString.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = static_cast<Int64>(end);
  return Count;
}

Int64 TStringStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  const Int64 size = static_cast<Int64>(FDataString.size());
  switch (Origin) {
    case soFromBeginning: FPosition = Offset; break;
    case soFromCurrent: FPosition += Offset; break;
    case soFromEnd: FPosition = size + Offset; break;
  }
  FPosition = std::clamp<Int64>(FPosition, 0, size);
  return FPosition;
}

void TStringStream::SetSize(Int64 NewSize) {
  FDataString.resize(static_cast<size_t>(std::max<Int64>(NewSize, 0)));
  if (FPosition > NewSize) FPosition = static_cast<Int64>(FDataString.size());
}

std::string TStringStream::ReadString(Integer Count) {
  const Int64 size = static_cast<Int64>(FDataString.size());
  const Int64 n = std::clamp<Int64>(Count, 0, size - FPosition);
  std::string result = FDataString.substr(static_cast<size_t>(FPosition), static_cast<size_t>(n));
  FPosition += n;
  return result;
}

void TStringStream::WriteString(const std::string& AString) {
  Write(AString.data(), static_cast<Integer>(AString.size()));
}

// ---- TBytesStream

TBytesStream::TBytesStream(const std::vector<Byte>& ABytes) {
  if (!ABytes.empty()) WriteBuffer(ABytes.data(), static_cast<Integer>(ABytes.size()));
  SetPosition(0);
}

std::vector<Byte> TBytesStream::GetBytes() const {
  const Byte* p = static_cast<const Byte*>(GetMemory());
  return std::vector<Byte>(p, p + const_cast<TBytesStream*>(this)->GetSize());
}
