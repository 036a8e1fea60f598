#include <gtest/gtest.h>

#include "connections/ListBox.h"
#include "support/FakeWindowParts.h"

namespace connections {
namespace {

using support::FakeTablesWindow;

TEST(ListBoxTest, AddItemKeepsCaseInsensitiveOrder) {
  ListBox list;
  FakeTablesWindow::Fill(list, {"emp", "DEPT", "Bonus", "zeta", "Alpha", "dept2", "_x"});
  EXPECT_EQ(FakeTablesWindow::Items(list),
            (std::vector<std::string>{"_x", "Alpha", "Bonus", "DEPT", "dept2", "emp", "zeta"}));
}

TEST(ListBoxTest, AddedItemTakesItsSortedPlaceAfterEqualNames) {
  ListBox list;
  FakeTablesWindow::Fill(list, {"b", "a", "c"});
  list.AddItem("B");
  EXPECT_EQ(FakeTablesWindow::Items(list), (std::vector<std::string>{"a", "b", "B", "c"}));
  list.AddItem("BB");
  EXPECT_EQ(FakeTablesWindow::Items(list), (std::vector<std::string>{"a", "b", "B", "BB", "c"}));
}

TEST(ListBoxTest, SelectionIsMultipleAndCounted) {
  ListBox list;
  FakeTablesWindow::Fill(list, {"A", "B", "C", "D"});
  EXPECT_EQ(list.SelCount(), 0);
  list.SetSelected(1, true);
  list.SetSelected(3, true);
  EXPECT_EQ(list.SelCount(), 2);
  EXPECT_TRUE(list.Selected(1));
  EXPECT_FALSE(list.Selected(2));
  EXPECT_TRUE(list.Selected(3));
  list.SetSelected(1, false);
  EXPECT_EQ(list.SelCount(), 1);
}

TEST(ListBoxTest, ListIndexIsMinusOneUntilSetAndDoesNotTouchSelection) {
  ListBox list;
  EXPECT_EQ(list.ListIndex(), -1);
  FakeTablesWindow::Fill(list, {"A", "B", "C"});
  EXPECT_EQ(list.ListIndex(), -1);
  list.SetSelected(2, true);
  list.SetListIndex(0);
  EXPECT_EQ(list.ListIndex(), 0);
  EXPECT_EQ(list.SelCount(), 1);
  EXPECT_TRUE(list.Selected(2));
  EXPECT_FALSE(list.Selected(0));
  list.SetListIndex(-1);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_THROW(list.SetListIndex(3), std::exception);
}

TEST(ListBoxTest, RemoveItemShiftsLaterItemsAndKeepsTheirSelection) {
  ListBox list;
  FakeTablesWindow::Fill(list, {"A", "B", "C", "D"});
  list.SetSelected(1, true);
  list.SetSelected(3, true);
  list.RemoveItem(3);
  list.RemoveItem(1);
  EXPECT_EQ(FakeTablesWindow::Items(list), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(list.SelCount(), 0);
  list.SetSelected(1, true);
  list.RemoveItem(0);
  EXPECT_EQ(FakeTablesWindow::Items(list), (std::vector<std::string>{"C"}));
  EXPECT_TRUE(list.Selected(0));
}

TEST(ListBoxTest, OutOfRangeIndexFails) {
  ListBox list;
  FakeTablesWindow::Fill(list, {"A"});
  EXPECT_THROW(list.List(1), std::exception);
  EXPECT_THROW(list.List(-1), std::exception);
  EXPECT_THROW(list.RemoveItem(1), std::exception);
  EXPECT_THROW(list.Selected(5), std::exception);
  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
  EXPECT_EQ(list.ListIndex(), -1);
}

// The current item stays on its item while others come and go; removed, it moves to the item
// before it, else the one after, else none.
TEST(ListBoxTest, CurrentItemFollowsItsItem) {
  struct Case {
    const char* change;
    int current;
    void (*apply)(ListBox&);
    int expected;
  } cases[] = {
      {"added before", 1, [](ListBox& l) { l.AddItem("A0"); }, 2},
      {"added after", 1, [](ListBox& l) { l.AddItem("D"); }, 1},
      {"appended", 1, [](ListBox& l) { l.AppendItem("0"); }, 1},
      {"removed before", 2, [](ListBox& l) { l.RemoveItem(0); }, 1},
      {"removed after", 0, [](ListBox& l) { l.RemoveItem(2); }, 0},
      {"itself removed", 2, [](ListBox& l) { l.RemoveItem(2); }, 1},
      {"itself removed, first", 0, [](ListBox& l) { l.RemoveItem(0); }, 0},
      {"cleared", 1, [](ListBox& l) { l.Clear(); }, -1},
  };
  for (const Case& c : cases) {
    ListBox list;
    support::FakeTablesWindow::Fill(list, {"A", "B", "C"});
    list.SetListIndex(c.current);
    c.apply(list);
    EXPECT_EQ(list.ListIndex(), c.expected) << c.change;
  }
  ListBox single;
  single.AddItem("A");
  single.SetListIndex(0);
  single.RemoveItem(0);
  EXPECT_EQ(single.ListIndex(), -1);
}

}  // namespace
}  // namespace connections
