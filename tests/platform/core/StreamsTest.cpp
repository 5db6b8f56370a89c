#include "platform/core/Streams.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

String TempPath(const char* name) { return FromUtf8(std::string(BORROW_BINARY_DIR "/") + name); }

TEST(MemoryStream, WriteSeekReadAndGrow) {
  TMemoryStream ms;
  std::string big(100000, 'x');
  ms.WriteBuffer(big.data(), static_cast<Integer>(big.size()));
  ms.WriteBuffer("END", 3);
  EXPECT_EQ(ms.GetSize(), 100003);
  EXPECT_GE(ms.GetCapacity(), 100003);
  EXPECT_EQ(ms.Seek(-3, soFromEnd), 100000);
  char buf[4] = {};
  ms.ReadBuffer(buf, 3);
  EXPECT_STREQ(buf, "END");
  EXPECT_EQ(ms.Read(buf, 3), 0);
  EXPECT_THROW(ms.ReadBuffer(buf, 1), EReadError);
  ms.SetSize(10);
  EXPECT_EQ(ms.GetPosition(), 10);
  ms.Clear();
  EXPECT_EQ(ms.GetSize(), 0);
  EXPECT_EQ(ms.GetMemory(), nullptr);
}

TEST(MemoryStream, GrowingLeavesZerosNotHeapContents) {
  TMemoryStream ms;
  ms.WriteBuffer("ab", 2);
  ms.Seek(6, soFromBeginning);
  ms.WriteBuffer("z", 1);
  ms.SetSize(10);
  ASSERT_EQ(ms.GetSize(), 10);
  EXPECT_EQ(std::string(static_cast<const char*>(ms.GetMemory()), 10), std::string("ab\0\0\0\0z\0\0\0", 10));
}

TEST(MemoryStream, ShortReadRaisesStreamReadError) {
  TMemoryStream ms;
  ms.WriteBuffer("ab", 2);
  ms.SetPosition(0);
  char buf[3];
  try {
    ms.ReadBuffer(buf, 3);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), u"Stream read error");
  }
}

class TLimitedStream : public TMemoryStream {
protected:
  void* Realloc(Int64& NewCapacity) override {
    if (NewCapacity > 0x2000) throw EStreamError(u"Out of memory while expanding memory stream");
    return TMemoryStream::Realloc(NewCapacity);
  }
};

TEST(MemoryStream, FailedGrowthRaisesAndKeepsContents) {
  TLimitedStream ms;
  const std::string block(0x2000 - 4, 'b');
  ms.WriteBuffer(block.data(), static_cast<Integer>(block.size()));
  try {
    ms.WriteBuffer("0123456789", 10);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), u"Out of memory while expanding memory stream");
  }
  EXPECT_EQ(ms.GetSize(), static_cast<Int64>(block.size()));
  EXPECT_EQ(std::memcmp(ms.GetMemory(), block.data(), block.size()), 0);
}

// Keeps its bytes in storage of its own, as a blob stream keeps them in a value.
class TOwnStorageStream : public TMemoryStream {
public:
  std::vector<Byte> Storage;

protected:
  void* Realloc(Int64& NewCapacity) override {
    Storage.resize(static_cast<size_t>(NewCapacity));
    return Storage.empty() ? nullptr : Storage.data();
  }
};

TEST(MemoryStream, OverriddenReallocKeepsTheBlockWhereItWants) {
  auto* s = new TOwnStorageStream;
  s->WriteBuffer("abc", 3);
  EXPECT_EQ(s->GetMemory(), s->Storage.data());
  EXPECT_EQ(s->GetCapacity(), 3) << "no rounding unless the override asks for it";
  delete s;  // must not hand the vector's block to the heap (ASan reports it)
}

TEST(MemoryStream, CopyFromAndFiles) {
  TStringStream src("hello, мир");
  TMemoryStream ms;
  EXPECT_EQ(ms.CopyFrom(&src, 0), static_cast<Int64>(src.GetDataString().size()));
  const String path = TempPath("streams_test.bin");
  ms.SaveToFile(path);
  TMemoryStream back;
  back.LoadFromFile(path);
  ASSERT_EQ(back.GetSize(), ms.GetSize());
  EXPECT_EQ(std::memcmp(back.GetMemory(), ms.GetMemory(), static_cast<size_t>(ms.GetSize())), 0);
}

TEST(FileStream, OpenErrorsNameTheFile) {
  try {
    TFileStream f(TempPath("no/such/dir/file.txt"), fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(u"Cannot open file \""), String::npos);
    EXPECT_NE(e.Message().find(u"file.txt\". "), String::npos);
  }
  EXPECT_THROW(TFileStream(TempPath("no/such/dir/new.txt"), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(FromUtf8(BORROW_BINARY_DIR), fmOpenRead), EFOpenError) << "a folder is not a file";
}

TEST(FileStream, CreateTruncatesAndReadWriteSeeks) {
  const String path = TempPath("filestream_test.bin");
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("abcdef", 6);
  }
  {
    TFileStream f(path, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_EQ(f.GetSize(), 6);
    f.Seek(2, soFromBeginning);
    f.WriteBuffer("XY", 2);
    f.SetSize(5);
  }
  {
    TFileStream f(path, fmOpenRead);
    char buf[6] = {};
    EXPECT_EQ(f.Read(buf, 10), 5);
    EXPECT_STREQ(buf, "abXYe");
  }
  { TFileStream f(path, fmCreate); }
  TFileStream f(path, fmOpenRead);
  EXPECT_EQ(f.GetSize(), 0);
}

TEST(StringStream, DataStringIsTheBytes) {
  TStringStream s;
  s.WriteString("abc");
  s.Seek(1, soFromBeginning);
  s.WriteString("XYZ");
  EXPECT_EQ(s.GetDataString(), "aXYZ");
  s.SetPosition(0);
  EXPECT_EQ(s.ReadString(2), "aX");
  EXPECT_EQ(s.ReadString(99), "YZ");
}

TEST(BytesStream, RoundTripsBytes) {
  TBytesStream b(std::vector<Byte>{1, 2, 3});
  Byte x = 0;
  b.ReadBuffer(&x, 1);
  EXPECT_EQ(x, 1);
  b.WriteBuffer("\x09", 1);
  EXPECT_EQ(b.GetBytes(), (std::vector<Byte>{1, 9, 3}));
}

}  // namespace
