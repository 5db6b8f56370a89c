#include "platform/core/IniFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

class IniFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Path = std::string(BORROW_BINARY_DIR "/ini_") + info->name() + ".ini";
    std::remove(Path.c_str());
  }
  void TearDown() override { std::remove(Path.c_str()); }

  String FileName() const { return FromUtf8(Path); }
  void WriteBytes(const std::string& bytes) const { std::ofstream(Path, std::ios::binary) << bytes; }
  std::string Bytes() const {
    std::ifstream f(Path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

  std::string Path;
};

TEST_F(IniFileTest, MissingFileSectionAndKeyGiveDefaults) {
  TIniFile ini(FileName());
  EXPECT_EQ(ini.ReadString(u"Main", u"Host", u"localhost"), u"localhost");
  EXPECT_EQ(ini.ReadInteger(u"Main", u"Port", 210), 210);
  EXPECT_TRUE(ini.ReadBool(u"Main", u"Flag", true));
  EXPECT_FALSE(ini.SectionExists(u"Main"));
  WriteBytes("[Main]\r\nHost=a\r\n");
  EXPECT_EQ(ini.ReadString(u"Other", u"Host", u"d"), u"d");
  EXPECT_EQ(ini.ReadString(u"Main", u"Port", u"d"), u"d");
  EXPECT_EQ(ini.ReadInteger(u"Main", u"Host", -1), -1) << "not a number";
  TStringList names;
  names.Add(u"stale");
  ini.ReadSection(u"Other", &names);
  EXPECT_EQ(names.GetCount(), 0);
}

TEST_F(IniFileTest, CyrillicValuesRoundTripAsWindows1251WithCrLf) {
  {
    TIniFile ini(FileName());
    ini.WriteString(u"Ресурсы", u"Название", u"Российская государственная библиотека");
    ini.WriteInteger(u"Ресурсы", u"Порт", 7090);
    ini.WriteBool(u"Main", u"Ready", true);
  }
  const std::string bytes = Bytes();
  EXPECT_NE(bytes.find("[\xD0\xE5\xF1\xF3\xF0\xF1\xFB]\r\n"), std::string::npos) << "[Ресурсы] in cp1251";
  EXPECT_EQ(bytes.find('\n', 0) - 1, bytes.find('\r', 0));
  EXPECT_EQ(bytes.find("\xEF\xBB\xBF"), std::string::npos) << "no byte-order mark";

  TIniFile ini(FileName());
  EXPECT_EQ(ini.ReadString(u"ресурсы", u"НАЗВАНИЕ", u""), u"Российская государственная библиотека");
  EXPECT_EQ(ini.ReadInteger(u"РЕСУРСЫ", u"порт", 0), 7090);
  EXPECT_TRUE(ini.ReadBool(u"main", u"ready", false));
  EXPECT_TRUE(ini.ValueExists(u"Ресурсы", u"Порт"));
  EXPECT_FALSE(ini.ValueExists(u"Ресурсы", u"Хост"));
}

TEST_F(IniFileTest, RewritingAKeyKeepsTheRestOfTheFile) {
  WriteBytes("; settings\r\n[A]\r\nx=1\r\ny = 2 \r\n\r\n[B]\r\nz=3\r\n");
  TIniFile ini(FileName());
  ini.WriteString(u"a", u"Y", u"20");
  ini.WriteString(u"A", u"w", u"new");
  EXPECT_EQ(Bytes(), "; settings\r\n[A]\r\nx=1\r\nY=20\r\nw=new\r\n\r\n[B]\r\nz=3\r\n");
  ini.DeleteKey(u"A", u"x");
  ini.EraseSection(u"b");
  EXPECT_EQ(Bytes(), "; settings\r\n[A]\r\nY=20\r\nw=new\r\n\r\n");
  EXPECT_FALSE(ini.SectionExists(u"B"));
}

TEST_F(IniFileTest, SectionListsAndValues) {
  WriteBytes("[One]\r\nk1=v1\r\n;comment=no\r\nk2=\"quoted value\"\r\nnot a key\r\n[Two]\r\n");
  TIniFile ini(FileName());
  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(list.GetCommaText(), u"One,Two");
  ini.ReadSection(u"one", &list);
  EXPECT_EQ(list.GetCommaText(), u"k1,k2");
  ini.ReadSectionValues(u"One", &list);
  EXPECT_EQ(list.Values(u"K2"), u"quoted value");
  EXPECT_EQ(ini.ReadString(u"One", u"k2", u""), u"quoted value");
}

TEST_F(IniFileTest, ByteOrderMarkIsHonoured) {
  WriteBytes("\xEF\xBB\xBF[\xD0\x9E\xD0\xB1\xD1\x89\xD0\xB5\xD0\xB5]\nName=\xD0\x98\xD0\xBC\xD1\x8F\n");
  TIniFile ini(FileName());
  EXPECT_EQ(ini.ReadString(u"Общее", u"name", u""), u"Имя");
}

TEST_F(IniFileTest, NumbersAndDatesInTheirFormats) {
  WriteBytes("[N]\r\nhex=0x1F\r\nbool=5\r\nbad=12abc\r\n");
  TIniFile ini(FileName());
  EXPECT_EQ(ini.ReadInteger(u"N", u"hex", 0), 31);
  EXPECT_TRUE(ini.ReadBool(u"N", u"bool", false));
  EXPECT_EQ(ini.ReadInteger(u"N", u"bad", 7), 7);
  ini.WriteFloat(u"N", u"f", 2.5);
  EXPECT_EQ(ini.ReadFloat(u"N", u"f", 0), 2.5);
  EXPECT_EQ(ini.ReadFloat(u"N", u"bad", 1.5), 1.5);
  ini.WriteDate(u"N", u"d", 45000);
  EXPECT_EQ(ini.ReadDate(u"N", u"d", 0), 45000);
  EXPECT_EQ(ini.ReadDate(u"N", u"bad", 1), 1);
}

TEST_F(IniFileTest, UnreadableFilesGiveDefaults) {
  WriteBytes(std::string("\x00\xFF\x01[\x00garbage\x1A\xFE=\xFF\r", 16));
  TIniFile garbage(FileName());
  EXPECT_EQ(garbage.ReadString(u"Main", u"Host", u"def"), u"def");

  TIniFile folder(FromUtf8(BORROW_BINARY_DIR));
  EXPECT_EQ(folder.ReadString(u"Main", u"Host", u"def"), u"def");
  TStringList list;
  folder.ReadSections(&list);
  EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(IniFileTest, FailedWriteRaisesAndLeavesTheFile) {
  TIniFile folder(FromUtf8(BORROW_BINARY_DIR));
  EXPECT_THROW(folder.WriteString(u"A", u"b", u"c"), EIniFileException);
  TIniFile nowhere(FromUtf8(BORROW_BINARY_DIR "/no/such/folder/x.ini"));
  EXPECT_THROW(nowhere.WriteString(u"A", u"b", u"c"), EIniFileException);
}

}  // namespace
