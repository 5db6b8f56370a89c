// The clipboard: registered formats, exact bytes, text in both encodings, and the
// system bridge that a display installs.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui/Clipbrd.h"

namespace {

class TFakeSystemClipboard final : public TClipboardBridge {
public:
  void SetText(const String& T) override {
    Text = T;
    Has = true;
    ++Sets;
  }
  bool GetText(String& T) override {
    T = Text;
    return Has;
  }
  String Text;
  bool Has = false;
  int Sets = 0;
};

struct ClipboardTest : ::testing::Test {
  void SetUp() override { Clipboard()->Clear(); }
  void TearDown() override {
    SetClipboardBridge(nullptr);
    Clipboard()->Clear();
  }
};

}  // namespace

TEST_F(ClipboardTest, RegisteredFormatsAreStableAndCaseless) {
  const UINT a = RegisterClipboardFormat(u"VCLDBIF");
  const UINT b = RegisterClipboardFormat(u"Csv");
  EXPECT_GE(a, 0xC000u);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterClipboardFormat(u"csv"), b);
  EXPECT_EQ(GetClipboardFormatName(b), u"Csv");
  EXPECT_EQ(GetClipboardFormatName(CF_TEXT), u"");
}

TEST_F(ClipboardTest, BytesRoundTripExactlyThroughBlocks) {
  const UINT f = RegisterClipboardFormat(u"Rich Text Format");
  const char data[] = {'{', '\\', 'r', 't', 'f', 0, char(0xFF)};
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));  // already open
  EXPECT_TRUE(EmptyClipboard());
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof data);
  std::memcpy(GlobalLock(h), data, sizeof data);
  GlobalUnlock(h);
  EXPECT_EQ(SetClipboardData(f, h), h);
  EXPECT_EQ(GlobalFree(h), h);  // owned by the clipboard now
  EXPECT_TRUE(CloseClipboard());

  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL g = GetClipboardData(f);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(GlobalSize(g), sizeof data);
  EXPECT_EQ(std::memcmp(GlobalLock(g), data, sizeof data), 0);
  GlobalUnlock(g);
  CloseClipboard();
}

TEST_F(ClipboardTest, SetDataNeedsAnOpenClipboard) {
  HGLOBAL h = GlobalAlloc(GHND, 4);
  EXPECT_EQ(SetClipboardData(CF_TEXT, h), nullptr);
  EXPECT_EQ(GlobalFree(h), nullptr);  // still the caller's
  EXPECT_EQ(GlobalLock(h), nullptr);  // freed
}

TEST_F(ClipboardTest, UnicodeTextIsReadableAsAnsi) {
  Clipboard()->SetAsText(u"Заголовок: тест");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  const std::string ansi = Clipboard()->GetBuffer(CF_TEXT);
  ASSERT_EQ(ansi.size(), 16u);     // 15 characters and the NUL
  EXPECT_EQ(Byte(ansi[0]), 0xC7);  // 'З' in the ANSI code page
  EXPECT_EQ(ansi.back(), '\0');
  EXPECT_EQ(Clipboard()->GetAsText(), u"Заголовок: тест");
}

TEST_F(ClipboardTest, AZeroInsideATextReachesTheOtherFormatWhole) {
  const String text(u"a\t\"b\0c\"\r\nд", 10);
  Clipboard()->SetAsText(text);
  const std::string ansi = Clipboard()->GetBuffer(CF_TEXT);
  ASSERT_EQ(ansi.size(), 11u);
  EXPECT_EQ(ansi.substr(0, 6), std::string("a\t\"b\0c", 6));
  EXPECT_EQ(Byte(ansi[9]), 0xE4);  // 'д' in the ANSI code page
  // And back: an ANSI text with a zero inside becomes the same Unicode text.
  Clipboard()->Open();
  Clipboard()->Clear();
  Clipboard()->SetBuffer(CF_TEXT, ansi.data(), ansi.size());
  Clipboard()->Close();
  EXPECT_EQ(Clipboard()->GetAsText(), text);
}

TEST_F(ClipboardTest, OneOpenSessionKeepsAllFormats) {
  const UINT csv = RegisterClipboardFormat(u"Csv");
  Clipboard()->Open();
  Clipboard()->SetAsText(u"a\tb");
  Clipboard()->SetBuffer(csv, "\"a\";\"b\"", 8);
  Clipboard()->Close();
  EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
  EXPECT_TRUE(Clipboard()->HasFormat(csv));
  // A new session replaces everything.
  Clipboard()->SetAsText(u"x");
  EXPECT_FALSE(Clipboard()->HasFormat(csv));
}

TEST_F(ClipboardTest, BridgeGetsTextAndForeignTextWins) {
  TFakeSystemClipboard sys;
  SetClipboardBridge(&sys);
  const UINT csv = RegisterClipboardFormat(u"Csv");
  Clipboard()->Open();
  Clipboard()->SetAsText(u"ячейка");
  Clipboard()->SetBuffer(csv, "x", 1);
  Clipboard()->Close();
  EXPECT_EQ(sys.Text, u"ячейка");
  EXPECT_EQ(sys.Sets, 1);
  EXPECT_TRUE(Clipboard()->HasFormat(csv));

  sys.Text = u"из другой программы";
  EXPECT_FALSE(Clipboard()->HasFormat(csv));  // stale private data is gone
  EXPECT_EQ(Clipboard()->GetAsText(), u"из другой программы");
}
