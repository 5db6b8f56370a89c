#pragma once
// Byte streams: the abstract TStream, memory, file, string and byte-array streams.

#include <cstdio>
#include <vector>

#include "platform/core/Exceptions.h"

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };
constexpr TSeekOrigin soBeginning = soFromBeginning;
constexpr TSeekOrigin soCurrent = soFromCurrent;
constexpr TSeekOrigin soEnd = soFromEnd;

// File modes. The share flags are accepted and ignored: Linux has no share modes.
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

class TStream : public TObject {
public:
  BORROW_CLASS(TStream, TObject)
  ~TStream() override = default;

  // Read and Write move up to Count bytes and answer how many moved.
  virtual Integer Read(void* Buffer, Integer Count) = 0;
  virtual Integer Write(const void* Buffer, Integer Count) = 0;
  virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

  // All or nothing: a short transfer raises EReadError / EWriteError.
  void ReadBuffer(void* Buffer, Integer Count);
  void WriteBuffer(const void* Buffer, Integer Count);
  // Copies Count bytes from Source (all of it from its start when Count is 0); answers the count.
  Int64 CopyFrom(TStream* Source, Int64 Count);

  Int64 GetPosition() { return Seek(0, soFromCurrent); }
  void SetPosition(Int64 Pos) { Seek(Pos, soFromBeginning); }
  virtual Int64 GetSize();
  virtual void SetSize(Int64 NewSize);
};

// A stream over a growable block of memory. Realloc decides the block's capacity;
// a descendant (a blob stream) overrides it to keep the block elsewhere.
class TCustomMemoryStream : public TStream {
public:
  BORROW_CLASS(TCustomMemoryStream, TStream)
  Integer Read(void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void SaveToStream(TStream* Stream);
  void SaveToFile(const String& FileName);
  void* GetMemory() const { return FMemory; }
  Int64 GetSize() override { return FSize; }

protected:
  void SetPointer(void* Ptr, Int64 Size) {
    FMemory = static_cast<Byte*>(Ptr);
    FSize = Size;
  }
  Int64 FPosition = 0;

private:
  Byte* FMemory = nullptr;
  Int64 FSize = 0;
};

class TMemoryStream : public TCustomMemoryStream {
public:
  BORROW_CLASS(TMemoryStream, TCustomMemoryStream)
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  Integer Write(const void* Buffer, Integer Count) override;
  void SetSize(Int64 NewSize) override;
  void Clear();
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const String& FileName);
  Int64 GetCapacity() const { return FCapacity; }

protected:
  // Answers a block of at least NewCapacity bytes holding the old contents
  // (nullptr for 0); raises EStreamError when it cannot grow. This one rounds
  // the capacity up to 8 KB steps and uses the heap. An override may keep the
  // block elsewhere; the destructor frees only blocks this one allocated, so an
  // override that frees its own calls SetCapacity(0) in its destructor.
  virtual void* Realloc(Int64& NewCapacity);
  void SetCapacity(Int64 NewCapacity);

private:
  Int64 FCapacity = 0;
  void* FBaseBlock = nullptr;  // the block TMemoryStream::Realloc allocated last
};

class THandleStream : public TStream {
public:
  BORROW_CLASS(THandleStream, TStream)
  explicit THandleStream(int AHandle) : FHandle(AHandle) {}
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void SetSize(Int64 NewSize) override;
  int GetHandle() const { return FHandle; }

protected:
  int FHandle = -1;
};

class TFileStream : public THandleStream {
public:
  BORROW_CLASS(TFileStream, THandleStream)
  TFileStream(const String& AFileName, Word Mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const String& GetFileName() const { return FFileName; }

private:
  String FFileName;
};

// A memory stream whose contents are a byte string (DataString).
class TStringStream : public TStream {
public:
  BORROW_CLASS(TStringStream, TStream)
  TStringStream() = default;
  explicit TStringStream(std::string AString) : FDataString(std::move(AString)) {}
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void SetSize(Int64 NewSize) override;
  const std::string& GetDataString() const { return FDataString; }
  std::string ReadString(Integer Count);
  void WriteString(const std::string& AString);

private:
  std::string FDataString;
  Int64 FPosition = 0;
};

class TBytesStream : public TMemoryStream {
public:
  BORROW_CLASS(TBytesStream, TMemoryStream)
  TBytesStream() = default;
  explicit TBytesStream(const std::vector<Byte>& ABytes);
  std::vector<Byte> GetBytes() const;
};
