#pragma once

#include <string>

#include "connections/WindowParts.h"

class QProgressBar;

namespace shell {

// The tables window's progress bar (0 to 100) with its text shown on the bar.
class ProgressBarControl : public connections::ProgressBar {
 public:
  explicit ProgressBarControl(QProgressBar& bar);

  void SetValue(int percent) override;
  int GetValue() const override;
  void SetText(const std::string& text) override;
  std::string GetText() const override;

 private:
  QProgressBar& m_bar;
  std::string m_text;
};

}  // namespace shell
