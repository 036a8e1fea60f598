#pragma once

#include <string>

class QWidget;

namespace shell {

// The folder chooser and the file chooser of the connection window, behind a seam so
// tests can script them. Both are modal to owner; cancel gives empty text.
class PathPicker {
 public:
  virtual ~PathPicker() = default;
  /// startFolder empty: nothing preselected.
  virtual std::string BrowseForFolder(QWidget* owner, const std::string& prompt, const std::string& startFolder) = 0;
  /// filter in the "description|pattern|" form; flags as the open-file dialog takes them
  /// (the read-only box is not read back). The file need not exist.
  virtual std::string ShowOpen(QWidget* owner, const std::string& title, const std::string& filter, int flags) = 0;
};

}  // namespace shell
