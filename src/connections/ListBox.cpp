#include "connections/ListBox.h"

#include <algorithm>

#include "platform/ado/Failure.h"
#include "platform/os/TextCase.h"

namespace connections {

void ListBox::CheckIndex(int index) const {
  if (index < 0 || index >= ListCount()) throw ado::Failure("Invalid procedure call or argument");
}

std::string ListBox::List(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].text;
}

bool ListBox::Selected(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].selected;
}

void ListBox::SetSelected(int index, bool selected) {
  CheckIndex(index);
  Item& item = items_[static_cast<std::size_t>(index)];
  if (item.selected == selected) return;
  item.selected = selected;
  if (view_ != nullptr) view_->SelectionChanged(index, selected);
}

int ListBox::SelCount() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](const Item& item) { return item.selected; }));
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) throw ado::Failure("Invalid property value");
  // Making an item current does not change which items are selected.
  if (current_ == index) return;
  current_ = index;
  if (view_ != nullptr) view_->CurrentChanged(index);
}

void ListBox::Insert(int position, const std::string& text) {
  items_.insert(items_.begin() + position, Item{text, false});
  if (current_ >= position) ++current_;
  if (view_ != nullptr) view_->Inserted(position, text);
}

void ListBox::AddItem(const std::string& text) {
  const auto after = std::find_if(items_.begin(), items_.end(),
                                  [&](const Item& item) { return os::CompareIgnoringCase(text, item.text) < 0; });
  Insert(static_cast<int>(after - items_.begin()), text);
}

void ListBox::AppendItem(const std::string& text) { Insert(ListCount(), text); }

void ListBox::RemoveItem(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
  if (current_ > index) {
    --current_;
  } else if (current_ == index) {
    current_ = index > 0 ? index - 1 : (items_.empty() ? -1 : 0);
  }
  if (view_ != nullptr) view_->Removed(index);
}

void ListBox::Clear() {
  items_.clear();
  current_ = -1;
  if (view_ != nullptr) view_->Cleared();
}

}  // namespace connections
