#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/foxpro/containers/DbcIndex.h"
#include "platform/foxpro/containers/DbcTable.h"
#include "platform/foxpro/indexes/CdxReader.h"

namespace foxpro {
namespace {

const std::string kData = std::string(TESSELBY_TESTDATA_DIR) + "/foxpro/";

struct RealContainer {
  std::string dbc;
  std::string dcx;
};

std::vector<RealContainer> RealContainers() {
  return {{kData + "northwind/northwind.dbc", kData + "northwind/northwind.dcx"},
          {kData + "vfp9-xsource-books/Books.DBC", kData + "vfp9-xsource-books/books.DCX"},
          {kData + "infused-dbf/foxprodb/FOXPRO-DB-TEST.DBC", kData + "infused-dbf/foxprodb/FOXPRO-DB-TEST.DCX"}};
}

std::vector<CdxKey> Sorted(std::vector<CdxKey> keys) {
  std::sort(keys.begin(), keys.end(), [](const CdxKey& a, const CdxKey& b) {
    return a.bytes != b.bytes ? a.bytes < b.bytes : a.record < b.record;
  });
  return keys;
}

TEST(DbcIndexTest, RealIndexesHoldExactlyTheKeysTheirRecordsImply) {
  for (const RealContainer& real : RealContainers()) {
    DbcTable table(real.dbc, DiskFileSystem());
    auto file = DiskFileSystem().Open(real.dcx, OpenMode::Read);
    CdxReader reader(*file);
    for (const CdxTagContent& expected : DbcIndex::Tags(table.Objects(), table.CodePage())) {
      const CdxTag* tag = reader.FindTag(expected.name);
      ASSERT_NE(tag, nullptr) << real.dcx << " " << expected.name;
      EXPECT_EQ(tag->keyExpression, expected.keyExpression);
      EXPECT_EQ(tag->forExpression, expected.forExpression);
      EXPECT_EQ(tag->keyLength, expected.keyLength);
      EXPECT_EQ(reader.Keys(*tag), Sorted(expected.keys)) << real.dcx << " " << expected.name;
    }
  }
}

TEST(DbcIndexTest, DeletedRecordsHaveNoKeys) {
  // FOXPRO-DB-TEST has two deleted records; their keys must be absent from the real index too.
  DbcTable table(kData + "infused-dbf/foxprodb/FOXPRO-DB-TEST.DBC", DiskFileSystem());
  const auto deleted =
      std::count_if(table.Objects().begin(), table.Objects().end(), [](const DbcObject& o) { return o.deleted; });
  EXPECT_EQ(deleted, 2);
  const auto tags = DbcIndex::Tags(table.Objects(), table.CodePage());
  EXPECT_EQ(tags[0].keys.size(), table.Objects().size() - 2);
}

TEST(DbcIndexTest, StrAndLowerFollowFoxPro) {
  EXPECT_EQ(DbcIndex::Str(1), "         1");
  EXPECT_EQ(DbcIndex::Str(-42), "       -42");
  EXPECT_EQ(DbcIndex::Str(12345678901), "**********");
  EXPECT_EQ(DbcIndex::Lower("OrderDetails_9", 1252), "orderdetails_9");
  EXPECT_EQ(DbcIndex::Lower("\xC4\xD7\xDE\x8A", 1252), "\xE4\xD7\xFE\x9A");
  EXPECT_EQ(DbcIndex::Lower("\xC4", 866), "\xC4");
}

}  // namespace
}  // namespace foxpro
