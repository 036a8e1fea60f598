#include "platform/os/KeyringStore.h"

#include <utility>

namespace os {

KeyringStore::KeyringStore(SettingsStore& plain, SecretKeeper& keyring, std::set<std::string> secretKeys)
    : m_plain(plain), m_keyring(keyring), m_secretKeys(std::move(secretKeys)) {}

bool KeyringStore::KeepsInKeyring(const std::string& key) {
  return m_secretKeys.count(key) > 0 && m_keyring.Available();
}

void KeyringStore::Save(const std::string& application, const std::string& section, const std::string& key,
                        const std::string& value) {
  if (KeepsInKeyring(key) && m_keyring.Write(application, section + "/" + key, value)) {
    m_plain.Save(application, section, key, "");
    return;
  }
  m_plain.Save(application, section, key, value);
}

bool KeyringStore::Get(const std::string& application, const std::string& section, const std::string& key,
                       std::string& value) {
  if (!KeepsInKeyring(key)) return m_plain.Get(application, section, key, value);
  const std::string name = section + "/" + key;
  std::string plain;
  const bool inPlain = m_plain.Get(application, section, key, plain);
  // One left in the profile, by a run without a keyring or an older version, is moved.
  if (inPlain && !plain.empty() && m_keyring.Write(application, name, plain)) {
    m_plain.Save(application, section, key, "");
    value = plain;
    return true;
  }
  if (const std::optional<std::string> secret = m_keyring.Read(application, name)) {
    value = *secret;
    return true;
  }
  value = plain;
  return inPlain;
}

std::string KeyringStore::Location(const std::string& application) { return m_plain.Location(application); }

}  // namespace os
