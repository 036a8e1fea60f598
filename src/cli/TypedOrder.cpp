#include "cli/TypedOrder.h"

#include <algorithm>

#include "commands/transfer/ListHelpers.h"

namespace cli {

// The named tables go to the end of the list in reverse order, the others keep theirs.
std::vector<std::string> SelectInTypedOrder(connections::ListBox& list, const std::vector<std::string>& names,
                                            std::vector<std::string>& selected) {
  std::vector<std::string> missing;
  std::vector<std::string> items;
  for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
  std::vector<bool> named(items.size(), false);
  for (const std::string& name : names) {
    auto found = std::find(items.begin(), items.end(), name);
    if (found == items.end()) {
      found = std::find_if(items.begin(), items.end(), [&](const std::string& item) {
        return transfer::LowerCase(item) == transfer::LowerCase(name);
      });
    }
    if (found == items.end()) {
      missing.push_back(name);
      continue;
    }
    const auto index = static_cast<std::size_t>(found - items.begin());
    if (named[index]) continue;  // typed twice: once is enough
    named[index] = true;
    selected.push_back(*found);
  }
  // Appended: AddItem would put them back in alphabetical order.
  list.Clear();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!named[i]) list.AppendItem(items[i]);
  }
  for (auto name = selected.rbegin(); name != selected.rend(); ++name) {
    list.AppendItem(*name);
    list.SetSelected(list.ListCount() - 1, true);
  }
  if (!selected.empty()) list.SetListIndex(list.ListCount() - 1);
  return missing;
}

}  // namespace cli
