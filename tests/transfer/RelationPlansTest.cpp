// Which relations and foreign keys travel, and as which statements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/transfer/RelationPlans.h"

namespace transfer {
namespace {

FoxProColumn Field(const std::string& name, char type) {
  FoxProColumn column;
  column.name = name;
  column.field.typeLetter = type;
  return column;
}

MappedColumn Column(const std::string& name, char type) {
  MappedColumn column;
  column.oracle.name = name;
  column.foxProName = name == "ID" || name == "PID" ? std::string(name == "ID" ? "id" : "pid") : name;
  column.mapping.field.typeLetter = type;
  return column;
}

std::vector<std::string> Lines(const RelationPlan& plan, const std::string& child) {
  return RelationPlanLines(plan, child);
}

TEST(RelationPlansTest, EachRelationBecomesAForeignKeyByItsDeleteRuleOrIsListedAsNotCarried) {
  const FoxProTag primary{"pk", "id", "", false, true, true, false};
  const FoxProTag regular{"byname", "UPPER(name)", "", false, false, false, false};
  const std::vector<SentFoxProTable> tables = {
      {"orders", "ORD", {primary, regular}, {Field("id", 'I'), Field("name", 'C')}},
      {"lines", "LIN", {{"ordid", "ordid", "", false, false, false, false}}, {Field("ordid", 'I')}},
  };
  const std::string cascade = R"(ALTER TABLE "LIN" ADD CONSTRAINT "LIN_ORDID_FK" FOREIGN KEY ("ordid") )"
                              R"(REFERENCES "ORD" ("id") ON DELETE CASCADE)";
  const std::string restrict = R"(ALTER TABLE "LIN" ADD CONSTRAINT "LIN_ORDID_FK" FOREIGN KEY ("ordid") )"
                               R"(REFERENCES "ORD" ("id"))";
  const auto rules = [](const std::string& update, const std::string& insert, const std::string& riInfo) {
    return ": its update rule (" + update + ") and insert rule (" + insert +
           ") have no Oracle equal; foreign key LIN_ORDID_FK refuses every change that leaves a child without its "
           "parent; the comment of table LIN records RIINFO " +
           riInfo + " of foreign key LIN_ORDID_FK for the way back";
  };
  struct Case {
    FoxProRelation relation;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {{"LINES", "ordid", "Orders", "pk", "RCI"},
       {cascade, "relation LINES.ordid -> Orders.pk (RIINFO RCI)" + rules("R", "I", "RCI")}},
      {{"lines", "ordid", "orders", "pk", "RRI"},
       {restrict, "relation lines.ordid -> orders.pk (RIINFO RRI)" + rules("R", "I", "RRI")}},
      {{"lines", "ordid", "orders", "pk", "crr"},
       {restrict, "relation lines.ordid -> orders.pk (RIINFO crr)" + rules("C", "R", "CRR")}},
      {{"lines", "ordid", "orders", "pk", "IC"},
       {cascade, "relation lines.ordid -> orders.pk (RIINFO IC)" + rules("I", "I", "ICI")}},
      // A key holds restrict for updates and inserts: nothing to record.
      {{"lines", "ordid", "orders", "pk", "RCR"}, {cascade}},
      {{"lines", "ordid", "orders", "pk", "RII"},
       {"relation lines.ordid -> orders.pk (RIINFO RII) not carried: its delete rule is ignore (I): a parent row may "
        "go and leave its children, which no Oracle foreign key allows"}},
      {{"lines", "ordid", "orders", "pk", ""},
       {"relation lines.ordid -> orders.pk (RIINFO none) not carried: its delete rule is ignore (I): a parent row may "
        "go and leave its children, which no Oracle foreign key allows"}},
      {{"lines", "ordid", "orders", "byname", "RRI"},
       {"relation lines.ordid -> orders.byname (RIINFO RRI) not carried: the parent's tag byname is not a primary or "
        "candidate key Oracle holds"}},
      {{"lines", "ordid", "shippers", "pk", "RRI"},
       {"relation lines.ordid -> shippers.pk (RIINFO RRI) not carried: table shippers is not sent in this run"}},
      {{"lines", "gone", "orders", "pk", "RRI"},
       {"relation lines.gone -> orders.pk (RIINFO RRI) not carried: the child's tag gone is missing"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lines(ForeignKeysForOracle({c.relation}, tables, {}), c.relation.childTable), c.lines)
        << c.relation.riInfo;
  }
  // Relations of tables outside the run are none of its business; a taken name gets a suffix.
  EXPECT_TRUE(ForeignKeysForOracle({{"a", "t", "b", "t", "RRI"}}, tables, {}).notes.empty());
  EXPECT_EQ(ForeignKeysForOracle({cases[0].relation}, tables, {"lin_ordid_fk"}).carried[0].name, "LIN_ORDID_FK_2");
  // A key name of the copy's making fits the 30 bytes of an Oracle before 12.2: the table's part gives way.
  std::vector<SentFoxProTable> long_ = tables;
  long_[1].target = "EMPLOYEE_TERRITORIES_OF_THE_NORTH";
  EXPECT_EQ(ForeignKeysForOracle({cases[0].relation}, long_, {}).carried[0].name, "EMPLOYEE_TERRITORIES__ORDID_FK");
  // Several relations of one child record their places, the plain ones too.
  const RelationPlan two = ForeignKeysForOracle(
      {{"lines", "ordid", "orders", "pk", "RCR"}, {"lines", "ordid", "orders", "pk", "RRR"}}, tables, {});
  ASSERT_EQ(two.carried.size(), 2u);
  EXPECT_EQ(two.carried[0].recordedRiInfo + " " + two.carried[1].name + " " + two.carried[1].recordedRiInfo,
            "RCR LIN_ORDID_FK_2 RRR");
  EXPECT_EQ(two.notes.size(), 2u);
}

TEST(RelationPlansTest, TheChildsCommentRecordsEachKeysRiInfoAndTheKeysComeBackInItsOrder) {
  const std::string record = "FoxPro names: key \"CITY_2\" \"city\" relation \"B_FK\" \"CRI\"";
  const struct {
    std::string comment, written;
  } cases[] = {
      {"", "FoxPro names: relation \"A_FK\" \"RRI\""},
      {"people", "FoxPro names: relation \"A_FK\" \"RRI\"\npeople"},
      {record + "\npeople", record + " relation \"A_FK\" \"RRI\"\npeople"},
      // A key made again replaces its entry.
      {"FoxPro names: relation \"A_FK\" \"CRI\"", "FoxPro names: relation \"A_FK\" \"RRI\""},
  };
  for (const auto& c : cases) EXPECT_EQ(CommentWithRelation(c.comment, "A_FK", "RRI"), c.written) << c.comment;

  std::vector<OracleForeignKey> keys = {{"A_FK", "T", {}, "P", {}, "NO ACTION"},
                                        {"B_FK", "T", {}, "P", {}, "CASCADE"},
                                        {"C_FK", "T", {}, "P", {}, "NO ACTION"},
                                        {"Z_FK", "S", {}, "P", {}, "NO ACTION"}};
  OrderAsRecorded(
      keys,
      {{"T",
        SplitNameRecord("FoxPro names: relation \"B_FK\" \"RCI\" relation \"A_FK\" \"CRI\"", NameSide::FoxPro).names}});
  std::vector<std::string> order;
  for (const OracleForeignKey& key : keys) order.push_back(key.childTable + "." + key.name + " " + key.recordedRiInfo);
  EXPECT_EQ(order, (std::vector<std::string>{"S.Z_FK ", "T.B_FK RCI", "T.A_FK CRI", "T.C_FK "}));
}

TEST(RelationPlansTest, EachForeignKeyBecomesARelationWithItsTagsAndDeleteRule) {
  const std::vector<SentOracleTable> tables = {
      {"PARENT", "/d/PARENT.DBF", {{"parent_pk", "id", "", false, true, true, false}}, {Column("ID", 'I')}},
      {"CHILD",
       "/d/CHILD.DBF",
       {{"child_pk", "id", "", false, true, true, false}, {"bypid", "pid", "", false, false, false, false}},
       {Column("ID", 'I'), Column("PID", 'I')}},
      {"BARE", "/d/BARE.DBF", {}, {Column("PID", 'I')}},
  };
  const std::string toParent =
      "ALTER TABLE '/d/CHILD.DBF' ADD FOREIGN KEY pid TAG bypid REFERENCES '/d/PARENT.DBF' TAG "
      "parent_pk RIINFO ";
  struct Case {
    OracleForeignKey key;
    bool container;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {{"FK", "CHILD", {"PID"}, "PARENT", {"ID"}, "CASCADE"}, true, {toParent + "'RCR'"}},
      {{"FK", "CHILD", {"PID"}, "PARENT", {"ID"}, "NO ACTION"}, true, {toParent + "'RRR'"}},
      // The rules the child's comment recorded come back while the key's delete rule agrees.
      {{"FK", "CHILD", {"PID"}, "PARENT", {"ID"}, "NO ACTION", "CRI"}, true, {toParent + "'CRI'"}},
      {{"FK", "CHILD", {"PID"}, "PARENT", {"ID"}, "CASCADE", "ICR"}, true, {toParent + "'ICR'"}},
      {{"FK", "CHILD", {"PID"}, "PARENT", {"ID"}, "CASCADE", "RRI"},
       true,
       {toParent + "'RCR'",
        "foreign key FK CHILD (PID) -> PARENT (ID) ON DELETE CASCADE: the comment of table CHILD records RIINFO RRI, "
        "which its delete rule does not give (the key changed since); the relation's RIINFO is RCR, from the key"}},
      {{"FK", "CHILD", {"PID"}, "PARENT", {"ID"}, "NO ACTION", "R'R"},
       true,
       {toParent + "'RRR'",
        "foreign key FK CHILD (PID) -> PARENT (ID) ON DELETE NO ACTION: the comment of table CHILD records RIINFO "
        "R'R, which its delete rule does not give (the key changed since); the relation's RIINFO is RRR, from the "
        "key"}},
      {{"FK", "CHILD", {"PID"}, "PARENT", {"ID"}, "SET NULL"},
       true,
       {toParent + "'RIR'",
        "foreign key FK CHILD (PID) -> PARENT (ID) ON DELETE SET NULL: FoxPro has no rule SET NULL "
        "for deleting a parent; the relation's delete rule is ignore (I)"}},
      // No tag over the key's field: one is made, named after the key.
      {{"Bare-Key", "BARE", {"PID"}, "PARENT", {"ID"}, "CASCADE"},
       true,
       {"ALTER TABLE '/d/BARE.DBF' ADD FOREIGN KEY pid TAG bare_key REFERENCES '/d/PARENT.DBF' TAG parent_pk RIINFO "
        "'RCR'"}},
      {{"FK", "CHILD", {"PID"}, "PARENT", {"ID"}, "CASCADE"},
       false,
       {"foreign key FK CHILD (PID) -> PARENT (ID) ON DELETE CASCADE not carried: free tables have no relations"}},
      {{"FK", "CHILD", {"ID"}, "PARENT", {"PID"}, "CASCADE"},
       true,
       {"foreign key FK CHILD (ID) -> PARENT (PID) ON DELETE CASCADE not carried: an expression FoxPro has no key "
        "for"}},
      {{"FK", "CHILD", {"PID"}, "OTHER", {"ID"}, "CASCADE"},
       true,
       {"foreign key FK CHILD (PID) -> OTHER (ID) ON DELETE CASCADE not carried: table OTHER is not sent in this "
        "run"}},
  };
  const std::string builder = "hold their RIINFO, which FoxPro enforces once its Referential Integrity Builder";
  for (const Case& c : cases) {
    std::vector<std::string> lines = Lines(RelationsForFoxPro({c.key}, tables, c.container), c.key.childTable);
    // A child with relations hears once that the container's triggers are the builder's to write.
    const bool carried = c.lines.front().starts_with("ALTER");
    EXPECT_EQ(std::erase_if(lines, [&](const std::string& line) { return line.find(builder) != std::string::npos; }),
              carried ? 1U : 0U);
    EXPECT_EQ(lines, c.lines) << c.key.deleteRule;
  }
}

TEST(RelationPlansTest, ThePlansTagsAreThoseItsStatementsWouldMake) {
  const std::vector<FoxProTag> tags =
      TagsOfStatements({{"pk", "ALTER TABLE '/d/T.DBF' ADD PRIMARY KEY id TAG pk", {}, ""},
                        {"u", "ALTER TABLE '/d/T.DBF' ADD UNIQUE code TAG u", {}, ""},
                        {"ix", "INDEX ON UPPER(name) TAG ix OF '/d/T.cdx'", {}, ""}});
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_TRUE(tags[0].primary && tags[0].candidate);
  EXPECT_TRUE(!tags[1].primary && tags[1].candidate);
  EXPECT_EQ(tags[2].expression, "UPPER(name)");
  EXPECT_FALSE(tags[2].candidate);
}

}  // namespace
}  // namespace transfer
