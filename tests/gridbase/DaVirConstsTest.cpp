#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gridbase/DaVirConsts.h"
#include "platform/core/Strings.h"

TEST(LibraryMessages, ReadByIdentifierGiveTheExactTexts) {
  EXPECT_EQ(LoadResStringEh(65088), u"Quote is absent: ");
  EXPECT_EQ(LoadResStringEh(65095), u"Unexpected AND or OR: ");
  EXPECT_EQ(LoadResStringEh(65096), u"No data found");
  EXPECT_EQ(LoadResStringEh(65113), u"Перетащите сюда заголовок чтобы группировать по столбцу");
  EXPECT_EQ(LoadResStringEh(65126), u"(Условие...)");
  EXPECT_EQ(LoadResStringEh(65142), u"Ошибка при вставке значения:");
  EXPECT_EQ(LoadResStringEh(65151), u"(Пустые)");
}

TEST(LibraryMessages, TrailingBlanksArePartOfParserMessages) {
  for (int id = SQuoteIsAbsentEh; id <= SUnexpectedANDorOREh; ++id) {
    String s = LoadResStringEh(id);
    ASSERT_FALSE(s.empty()) << id;
    EXPECT_EQ(s.substr(s.size() - 2), u": ") << id;
  }
}

TEST(LibraryMessages, EmptyKeywordSlotIsPresentButEmpty) {
  EXPECT_TRUE(HasResStringEh(65117));
  EXPECT_EQ(LoadResStringEh(65117), u"");
  // The keywords around it are the localised filter-row words.
  EXPECT_EQ(LoadResStringEh(65116), u"OR");
  EXPECT_EQ(LoadResStringEh(65118), u"In");
}

TEST(LibraryMessages, IdentifiersOfOtherUnitsAreNotInTheTable) {
  for (int id : {65097, 65098, 65099, 65100, 65136, 65137, 65138, 0, -1, 70000}) {
    EXPECT_FALSE(HasResStringEh(id)) << id;
    EXPECT_EQ(LoadResStringEh(id), u"") << id;
  }
}

TEST(LibraryMessages, OperatorNamesFollowTheDialogOrder) {
  const char16_t* expected[18] = {u"равно",
                                  u"не равно",
                                  u"больше",
                                  u"больше или равно",
                                  u"меньше",
                                  u"меньше или равно",
                                  u"начинается с",
                                  u"не начинается с",
                                  u"заканчивается на",
                                  u"не заканчивается на",
                                  u"содержит",
                                  u"не содержит",
                                  u"подобно",
                                  u"не подобно",
                                  u"в списке",
                                  u"не в списке",
                                  u"пустые",
                                  u"не пустые"};
  for (int i = 0; i < 18; ++i) EXPECT_EQ(LoadResStringEh(STFilterOperatorNameIdsEh[i]), expected[i]) << i;
}

TEST(LibraryMessages, GridRangeMessagesAreHeld) {
  EXPECT_EQ(LoadResStringEh(SGridIndexOutOfRangeEh), u"Grid index out of range");
  EXPECT_EQ(LoadResStringEh(SFixedColTooBigEh), u"Fixed column count must be less than column count");
  EXPECT_EQ(LoadResStringEh(SFixedRowTooBigEh), u"Fixed row count must be less than row count");
}

TEST(LibraryMessages, NoLibraryCodeWritesOutATextOfTheTable) {
  // A caller that writes the text out instead of reading it keeps its own copy,
  // which localisation never reaches. Short words (keywords, menu verbs) may be
  // another unit's own, so only the longer texts are looked for.
  namespace fs = std::filesystem;
  std::vector<std::string> Literals;
  for (int id = 65000; id < 65300; ++id)
    if (HasResStringEh(id) && LoadResStringEh(id).size() >= 12)
      Literals.push_back("u\"" + ToUtf8(LoadResStringEh(id)) + "\"");
  ASSERT_GT(Literals.size(), 20u);
  const fs::path Root(BORROW_SOURCE_DIR);
  const fs::path Table = Root / "platform" / "core" / "ResStrings.cpp";
  for (const char* Folder : {"platform", "editors", "memtable", "gridbase", "grid", "client"})
    for (const auto& Entry : fs::recursive_directory_iterator(Root / Folder)) {
      const fs::path& Path = Entry.path();
      if (!Entry.is_regular_file() || Path == Table) continue;
      if (Path.extension() != ".cpp" && Path.extension() != ".h") continue;
      std::ifstream In(Path, std::ios::binary);
      std::stringstream Text;
      Text << In.rdbuf();
      for (const std::string& Literal : Literals)
        EXPECT_EQ(Text.str().find(Literal), std::string::npos) << Literal << " in " << Path.string();
    }
}
