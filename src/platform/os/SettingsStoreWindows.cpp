#include <windows.h>

#include <cstdio>

#include "platform/ado/Utf.h"
#include "platform/os/SettingsStore.h"

namespace os {
namespace {

// Where VB's SaveSetting keeps an application's settings: a key per section below it, one
// REG_SZ value per setting.
constexpr const char* kVbSettingsKey = "Software\\VB and VBA Program Settings\\";

std::wstring SectionKey(const std::string& application, const std::string& section) {
  return ado::WideString(kVbSettingsKey + application + "\\" + section);
}

class RegistrySettingsStore : public SettingsStore {
 public:
  void Save(const std::string& application, const std::string& section, const std::string& key,
            const std::string& value) override {
    HKEY opened = nullptr;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, SectionKey(application, section).c_str(), 0, nullptr, 0,
                                       KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (status == ERROR_SUCCESS) {
      const std::wstring text = ado::WideString(value);
      status =
          ::RegSetValueExW(opened, ado::WideString(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
      ::RegCloseKey(opened);
    }
    // The handlers that save have no failure path; what went wrong is logged, as on Linux.
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "Tesselby: could not write the setting %s to %s (error %ld)\n", key.c_str(),
                   Location(application).c_str(), static_cast<long>(status));
    }
  }

  bool Get(const std::string& application, const std::string& section, const std::string& key,
           std::string& value) override {
    const std::wstring subKey = SectionKey(application, section);
    const std::wstring name = ado::WideString(key);
    DWORD bytes = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS)
      return false;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS)
      return false;
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    value = ado::Utf8FromWide(text.data(), text.size());
    return true;
  }

  std::string Location(const std::string& application) override {
    return std::string("HKEY_CURRENT_USER\\") + kVbSettingsKey + application;
  }
};

}  // namespace

SettingsStore& NativeSettingsStore() {
  static RegistrySettingsStore store;
  return store;
}

}  // namespace os
