#include "commands/transfer/ListHelpers.h"

#include "platform/os/TextCase.h"

namespace transfer {

std::string LowerCase(const std::string& text) { return os::LowerCase(text); }

bool ListContains(const connections::ListBox& list, const std::string& name) {
  const std::string lowerName = LowerCase(name);
  bool found = false;
  const int count = list.ListCount();
  // Every item is read, even after a match: a failing read must still surface.
  for (int i = 0; i < count; ++i) {
    if (LowerCase(list.List(i)) == lowerName) found = true;
  }
  return found;
}

void RemoveListItem(connections::ListBox& list, const std::string& name) {
  const int count = list.ListCount();
  int index = 0;
  for (int visited = 0; visited < count; ++visited) {
    if (list.List(index) == name) {
      list.RemoveItem(index);  // the next item moves into this index
    } else {
      ++index;
    }
  }
}

}  // namespace transfer
