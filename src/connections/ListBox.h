#pragma once

#include <string>
#include <vector>

namespace connections {

// Told of each change of a ListBox, so that a window can show the list (and nothing more).
class ListBoxView {
 public:
  virtual ~ListBoxView() = default;
  virtual void Inserted(int index, const std::string& text) = 0;
  virtual void Removed(int index) = 0;
  virtual void Cleared() = 0;
  virtual void SelectionChanged(int index, bool selected) = 0;
  virtual void CurrentChanged(int index) = 0;
};

// A table list as the commands see it: items kept in case-insensitive order (an added item
// takes its sorted place after equal names), multiple selection, and a current item
// (ListIndex, -1 when none) that follows its item when others come and go, and moves to the
// item before (else after) it when it is removed.
class ListBox {
 public:
  ListBox() = default;
  ListBox(const ListBox&) = delete;
  ListBox& operator=(const ListBox&) = delete;

  int ListCount() const { return static_cast<int>(items_.size()); }
  std::string List(int index) const;
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  int SelCount() const;
  int ListIndex() const { return current_; }
  void SetListIndex(int index);
  void AddItem(const std::string& text);
  /// Adds text at the end, whatever its order (the command line lists tables as typed).
  void AppendItem(const std::string& text);
  void RemoveItem(int index);
  void Clear();

  /// The one view told of every change from now on; null for none.
  void SetView(ListBoxView* view) { view_ = view; }

 private:
  struct Item {
    std::string text;
    bool selected = false;
  };
  void CheckIndex(int index) const;
  void Insert(int position, const std::string& text);

  std::vector<Item> items_;
  int current_ = -1;
  ListBoxView* view_ = nullptr;
};

}  // namespace connections
