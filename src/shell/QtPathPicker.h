#pragma once

#include <QString>

#include "shell/PathPicker.h"

namespace shell {

// QFileDialog choosers.
class QtPathPicker : public PathPicker {
 public:
  std::string BrowseForFolder(QWidget* owner, const std::string& prompt, const std::string& startFolder) override;
  std::string ShowOpen(QWidget* owner, const std::string& title, const std::string& filter, int flags) override;

  /// "Microsoft Database (*.dbc)|*.dbc|" -> "Microsoft Database (*.dbc)" (Qt reads the
  /// pattern from the parentheses); pairs without one get it appended.
  static QString QtFilter(const std::string& filter);
};

}  // namespace shell
