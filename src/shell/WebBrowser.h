#pragma once

#include <string>

namespace shell {

// Starting the user's web browser, behind a seam so tests never open one.
class WebBrowser {
 public:
  virtual ~WebBrowser() = default;
  /// Opens the address without waiting for the browser.
  virtual void Open(const std::string& url) = 0;
};

}  // namespace shell
