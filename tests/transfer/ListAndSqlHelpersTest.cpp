#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "support/FakeWindowParts.h"
#include "support/ScriptedProvider.h"

namespace transfer {
namespace {

using support::FakeTablesWindow;

TEST(ListContainsTest, ComparesLowerCasedNamesExactly) {
  FakeTablesWindow window;
  EXPECT_FALSE(ListContains(window.list1, "Orders"));  // empty list
  FakeTablesWindow::Fill(window.list1, {"ORDERS ", "customers"});
  EXPECT_FALSE(ListContains(window.list1, "Orders"));  // the blank counts
  EXPECT_TRUE(ListContains(window.list1, "CUSTOMERS"));
  window.list1.AddItem("ORDERS");
  EXPECT_TRUE(ListContains(window.list1, "Orders"));
  EXPECT_TRUE(ListContains(window.list1, "ÄPFEL") == false);
  window.list1.AddItem("äpfel");
  EXPECT_TRUE(ListContains(window.list1, "ÄPFEL"));  // letters beyond ASCII fold too
}

TEST(ListContainsTest, TwoMatchingItemsStillMatch) {
  FakeTablesWindow window;
  FakeTablesWindow::Fill(window.list2, {"emp", "EMP", "dept"});
  EXPECT_TRUE(ListContains(window.list2, "Emp"));
}

TEST(RemoveListItemTest, RemovesEveryExactMatchAndKeepsTheRestInOrder) {
  FakeTablesWindow window;
  FakeTablesWindow::Fill(window.list1, {"alpha", "orders", "ORDERS", "orders", "zeta"});
  RemoveListItem(window.list1, "Orders");  // no exact match
  EXPECT_EQ(FakeTablesWindow::Items(window.list1).size(), 5u);
  RemoveListItem(window.list1, "orders");
  EXPECT_EQ(FakeTablesWindow::Items(window.list1), (std::vector<std::string>{"alpha", "ORDERS", "zeta"}));
  RemoveListItem(window.list1, "zeta");
  RemoveListItem(window.list1, "alpha");
  EXPECT_EQ(FakeTablesWindow::Items(window.list1), (std::vector<std::string>{"ORDERS"}));
}

TEST(NullToDefaultTest, OnlyNullIsReplaced) {
  EXPECT_EQ(NullToDefault(ado::Value(), ado::Value("")), ado::Value(""));
  EXPECT_EQ(NullToDefault(ado::Value(""), ado::Value("x")), ado::Value(""));
  EXPECT_EQ(NullToDefault(ado::Value(0), ado::Value("")), ado::Value(0));
  const ado::Value bytes(ado::Bytes{1, 2});
  EXPECT_EQ(NullToDefault(bytes, ado::Value("")), bytes);
  EXPECT_EQ(NullToDefault(ado::Value(ado::Date{2020, 2, 29}), ado::Value("")), ado::Value(ado::Date{2020, 2, 29}));
}

TEST(ExecuteSqlTest, SendsTheTextUnchangedAndPassesRejectionsOn) {
  auto scripted = support::ScriptedProvider::Install("");
  scripted->FailOn("BAD", "ORA-00900: invalid SQL statement");
  ado::Connection connection;
  connection.Open("Driver={Microsoft ODBC for Oracle};Server=x;Uid=u;Pwd=p;");
  EXPECT_TRUE(ExecuteSql(connection, "CREATE TABLE \"a\"(\"b\" INT)"));
  try {
    ExecuteSql(connection, "BAD STATEMENT");
    ADD_FAILURE() << "a rejected statement must fail";
  } catch (const ado::Failure& failure) {
    EXPECT_STREQ(failure.what(), "ORA-00900: invalid SQL statement");
  }
  EXPECT_EQ(scripted->Statements(), (std::vector<std::string>{"CREATE TABLE \"a\"(\"b\" INT)", "BAD STATEMENT"}));
}

}  // namespace
}  // namespace transfer
