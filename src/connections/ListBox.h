#pragma once

#include <string>

class QListWidget;

namespace connections {

// A table list as the commands see it, over the QListWidget that the tables window
// shows: items kept in case-insensitive order (an added item takes its sorted place),
// extended multiple selection, and a current item (ListIndex, -1 when none).
class ListBox {
 public:
  explicit ListBox(QListWidget& widget);

  int ListCount() const;
  std::string List(int index) const;
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  int SelCount() const;
  int ListIndex() const;
  void SetListIndex(int index);
  void AddItem(const std::string& text);
  void RemoveItem(int index);
  void Clear();

  QListWidget& Widget() { return widget_; }

 private:
  QListWidget& widget_;
};

}  // namespace connections
