#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/os/SettingsStore.h"

namespace os {

/// The desktop's keyring, where one runs: each secret under its application and key.
class SecretKeeper {
 public:
  virtual ~SecretKeeper() = default;
  /// Whether a keyring answers; false where none runs (cron, SSH, a desktop without one).
  virtual bool Available() = 0;
  /// The secret, or nothing when the keyring holds none under the key.
  virtual std::optional<std::string> Read(const std::string& application, const std::string& key) = 0;
  /// True when the keyring took the secret.
  virtual bool Write(const std::string& application, const std::string& key, const std::string& secret) = 0;
};

/// The desktop's keyring of this system: on Linux the Secret Service (GNOME Keyring, KWallet)
/// through QtKeychain, available only in a session with a D-Bus session bus; on Windows none.
std::unique_ptr<SecretKeeper> DesktopKeyring();

/// A store that keeps the secret keys in the keyring when one is there, and leaves them empty in
/// the store it wraps; without a keyring that store keeps them, as it always has. A secret found
/// in the wrapped store is still read, and moved into the keyring once one is there.
class KeyringStore : public SettingsStore {
 public:
  KeyringStore(SettingsStore& plain, SecretKeeper& keyring, std::set<std::string> secretKeys);

  void Save(const std::string& application, const std::string& section, const std::string& key,
            const std::string& value) override;
  bool Get(const std::string& application, const std::string& section, const std::string& key,
           std::string& value) override;
  std::string Location(const std::string& application) override;

 private:
  bool KeepsInKeyring(const std::string& key);

  SettingsStore& m_plain;
  SecretKeeper& m_keyring;
  std::set<std::string> m_secretKeys;
};

}  // namespace os
