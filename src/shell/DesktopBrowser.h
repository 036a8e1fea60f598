#pragma once

#include "shell/WebBrowser.h"

namespace shell {

// The desktop's default browser (QDesktopServices).
class DesktopBrowser : public WebBrowser {
 public:
  void Open(const std::string& url) override;
};

}  // namespace shell
