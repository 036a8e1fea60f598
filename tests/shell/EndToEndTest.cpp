#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "shell/ShellHarness.h"
#include "support/StandIn.h"

// Both windows against the Oracle stand-in and a folder of real FoxPro free tables: start-up,
// "Next >", and one table sent each way.
namespace shelltest {
namespace {

bool Contains(connections::ListBox& list, const std::string& name) {
  const auto items = ShellHarness::Items(list);
  return std::find(items.begin(), items.end(), name) != items.end();
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSELBY_REQUIRE_STANDIN();
    ASSERT_TRUE(folder.isValid());
    const QString source = QStringLiteral(TESSELBY_SOURCE_DIR "/tests/data/demo/people.dbf");
    ASSERT_TRUE(QFile::copy(source, folder.filePath("people.dbf")));
    QFile::setPermissions(folder.filePath("people.dbf"), QFile::ReadOwner | QFile::WriteOwner);
    DropOracleTable("people");
    DropOracleTable("E2E_DEPT");
    Oracle().Execute("CREATE TABLE \"E2E_DEPT\"(\"DEPTNO\" INT, \"DNAME\" VARCHAR(14))");
    Oracle().Execute("INSERT INTO \"E2E_DEPT\" VALUES (10, 'ACCOUNTING')");
    h.Save("Server", "127.0.0.1");
    h.Save("User", "scott");
    h.Save("Password", "tiger");
    h.Save("FoxproOption", "2");
    h.Save("FreeTableFolder", folder.path().toStdString());
  }
  void TearDown() override {
    if (support::StandInIsUp()) {
      DropOracleTable("people");
      DropOracleTable("E2E_DEPT");
    }
    h.prompter.ExpectAllUsed();
  }

  ado::Connection& Oracle() {
    if (!m_oracle.IsOpen()) m_oracle.Open(support::kOracleConnectionString);
    return m_oracle;
  }
  void DropOracleTable(const std::string& name) { Oracle().Execute("DROP TABLE IF EXISTS \"" + name + "\""); }

  static int Select(connections::ListBox& list, const std::string& name) {
    for (int i = 0; i < list.ListCount(); ++i) {
      if (list.List(i) == name) {
        list.SetSelected(i, true);
        list.SetListIndex(i);
        return i;
      }
    }
    return -1;
  }

  ShellHarness h;
  QTemporaryDir folder;
  ado::Connection m_oracle;
};

TEST_F(EndToEndTest, StartUpGoesStraightToTheTablesWindowAndTablesCrossBothWays) {
  h.form1->Form_Load();
  ASSERT_TRUE(h.form2->isVisible());
  EXPECT_FALSE(h.form1->isVisible());
  EXPECT_EQ(ShellHarness::Items(h.form2->List1()), (std::vector<std::string>{"people"}));
  EXPECT_TRUE(Contains(h.form2->List2(), "E2E_DEPT"));
  EXPECT_FALSE(Contains(h.form2->List2(), "people"));

  ASSERT_GE(Select(h.form2->List1(), "people"), 0);
  h.Button2("PushButton3").click();
  EXPECT_TRUE(Contains(h.form2->List2(), "people"));
  ado::Recordset rows;
  rows.Open("SELECT * FROM \"people\"", Oracle());
  int count = 0;
  while (!rows.Eof()) {
    ++count;
    rows.MoveNext();
  }
  EXPECT_EQ(count, 2);  // the deleted record stays behind

  ASSERT_GE(Select(h.form2->List2(), "E2E_DEPT"), 0);
  h.Button2("PushButton4").click();
  EXPECT_TRUE(Contains(h.form2->List1(), "e2e_dept"));
  // FoxPro file names are matched without regard to case.
  EXPECT_TRUE(QDir(folder.path()).entryList().contains(QStringLiteral("e2e_dept.dbf"), Qt::CaseInsensitive));

  // Back and Next read both sides again.
  h.Button2("PushButton2").click();
  ASSERT_TRUE(h.form1->isVisible());
  h.Button1("PushButton2").click();
  ASSERT_TRUE(h.form2->isVisible());
  EXPECT_TRUE(Contains(h.form2->List1(), "e2e_dept"));
  EXPECT_TRUE(Contains(h.form2->List2(), "people"));
}

TEST_F(EndToEndTest, TestConnectionSucceedsWithTheStandInsLogin) {
  h.prompter.ExpectMsgBox("Connection successful.", connections::vbOKOnly, "")
      .ExpectMsgBox("Connection successful.", connections::vbOKOnly, "");
  h.form1->SetOracleServer("127.0.0.1");
  h.form1->SetOracleUser("scott");
  h.form1->SetOraclePassword("tiger");
  h.form1->SetFreeTableFolder(folder.path().toStdString());
  ShellHarness::Find<QRadioButton>(*h.form1, "Option2").click();
  h.Button1("PushButton3").click();
  h.Button1("PushButton1").click();
}

}  // namespace
}  // namespace shelltest
