#pragma once

#include <string>
#include <vector>

namespace shell {

// The skin control's automation calls. There is no skin engine on Linux: the calls are
// only recorded, so tests can check their order and arguments.
class SkinLayer {
 public:
  /// Method 2: load the skin file.
  void LoadSkin(const std::string& path, const std::string& password);
  /// Property 1 (option bits).
  int Options() const;
  void SetOptions(int value);
  /// Boolean properties by dispatch number (5, 10).
  void SetFlag(int property, bool value);
  /// Method 3: apply the skin to a window.
  void ApplySkin(unsigned long long windowHandle);

  const std::vector<std::string>& Calls() const { return m_calls; }

 private:
  int m_options = 0;
  std::vector<std::string> m_calls;
};

}  // namespace shell
