#include <gtest/gtest.h>

#include "platform/core/Exceptions.h"

TEST(Utf, RoundTripsCyrillicAndAstralText) {
  const String s = u"Поиск ёлка \U0001F600 end";
  EXPECT_EQ(FromUtf8(ToUtf8(s)), s);
  EXPECT_EQ(ToUtf8(u"Группа"), "Группа");
}

TEST(Utf, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xE0\x80"), u"\uFFFD\uFFFD");
}

TEST(ClassInfo, ExceptionsKnowTheirAncestors) {
  EReadError e(u"Ошибка чтения");
  EXPECT_EQ(e.ClassName(), u"EReadError");
  EXPECT_TRUE(e.InheritsFrom(EStreamError::StaticClass()));
  EXPECT_FALSE(e.InheritsFrom(EConvertError::StaticClass()));
  EXPECT_STREQ(e.what(), "Ошибка чтения");
}
