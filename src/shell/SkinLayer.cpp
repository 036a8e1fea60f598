#include "shell/SkinLayer.h"

namespace shell {

void SkinLayer::LoadSkin(const std::string& path, const std::string& password) {
  m_calls.push_back("method 2(" + path + "," + password + ")");
}

int SkinLayer::Options() const { return m_options; }

void SkinLayer::SetOptions(int value) {
  m_options = value;
  m_calls.push_back("property 1=" + std::to_string(value));
}

void SkinLayer::SetFlag(int property, bool value) {
  m_calls.push_back("property " + std::to_string(property) + "=" + (value ? "True" : "False"));
}

void SkinLayer::ApplySkin(unsigned long long windowHandle) {
  m_calls.push_back("method 3(" + std::to_string(windowHandle) + ")");
}

}  // namespace shell
