// The resource list a first run of the program starts with.

#include <gtest/gtest.h>

#include "client/ResourceList.h"
#include "platform/core/CodePage.h"
#include "platform/core/Files.h"

namespace {
const String kDefaultList = FromUtf8(BORROW_SOURCE_DIR "/resources/ListDB.txt");
}

TEST(DefaultResources, ListLoadsAsATreeUnderTheRootGroup) {
  const std::vector<TResourceRecord> records = LoadResourceListFile(kDefaultList);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].NAME_THIS, u"Ресурсы Z39.50");
  EXPECT_FALSE(records[0].IsResource());
  EXPECT_EQ(records[1].ID_PARENT, records[0].ID_THIS);
  const TResourceRecord& server = records[2];
  EXPECT_TRUE(server.IsResource());
  EXPECT_EQ(server.ID_PARENT, records[1].ID_THIS);
  EXPECT_EQ(server.URL, u"127.0.0.1");
  EXPECT_EQ(server.PORT, 9999);
  EXPECT_EQ(server.Database, u"Default");
  EXPECT_EQ(server.Syntax, u"USMARC");
}

TEST(DefaultResources, ListIsExactlyWhatTheProgramWouldSave) {
  const std::vector<TResourceRecord> records = LoadResourceListFile(kDefaultList);
  std::string saved;
  for (const String& line : BuildResourceListLines(ResourceTreeOrder(records))) saved += StringToAnsi(line) + "\r\n";
  EXPECT_EQ(saved, ReadFileBytes(kDefaultList));
}
