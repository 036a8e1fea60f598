#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "platform/os/KeyringStore.h"

namespace os {
namespace {

class MapStore : public SettingsStore {
 public:
  void Save(const std::string&, const std::string&, const std::string& key, const std::string& value) override {
    values[key] = value;
  }
  bool Get(const std::string&, const std::string&, const std::string& key, std::string& value) override {
    const auto found = values.find(key);
    if (found == values.end()) return false;
    value = found->second;
    return true;
  }
  std::string Location(const std::string&) override { return "map"; }
  std::map<std::string, std::string> values;
};

class FakeKeyring : public SecretKeeper {
 public:
  bool Available() override { return running; }
  std::optional<std::string> Read(const std::string&, const std::string& key) override {
    const auto found = secrets.find(key);
    return found == secrets.end() ? std::nullopt : std::optional<std::string>(found->second);
  }
  bool Write(const std::string&, const std::string& key, const std::string& secret) override {
    if (!running) return false;
    secrets[key] = secret;
    return true;
  }
  bool running = true;
  std::map<std::string, std::string> secrets;
};

// Where the password ends up, and what is read back, with and without a keyring.
TEST(KeyringStoreTest, ThePasswordGoesToTheKeyringWhereOneRunsAndIsMovedThereFromTheProfile) {
  struct Case {
    bool keyring;
    std::optional<std::string> inProfile, inKeyring;  // before
    std::optional<std::string> saved;                 // what the window saves, if anything
    std::string read, profileAfter, keyringAfter;
  };
  for (const Case& c : std::vector<Case>{
           {true, {}, {}, "tiger", "tiger", "", "tiger"},
           {false, {}, {}, "tiger", "tiger", "tiger", ""},
           {true, "tiger", {}, {}, "tiger", "", "tiger"},           // moved on the first read
           {true, "", "lion", {}, "lion", "", "lion"},              // the keyring's, once moved
           {true, "newer", "lion", {}, "newer", "", "newer"},       // saved by a run without a keyring
           {false, "tiger", "lion", {}, "tiger", "tiger", "lion"},  // no keyring: the profile as always
       }) {
    MapStore file;
    FakeKeyring keyring;
    keyring.running = c.keyring;
    if (c.inProfile) file.values["Password"] = *c.inProfile;
    if (c.inKeyring) keyring.secrets["Tesselby/Password"] = *c.inKeyring;
    KeyringStore store(file, keyring, {"Password"});
    if (c.saved) store.Save("Quenmark", "Tesselby", "Password", *c.saved);
    store.Save("Quenmark", "Tesselby", "User", "scott");
    std::string read;
    EXPECT_TRUE(store.Get("Quenmark", "Tesselby", "Password", read));
    EXPECT_EQ(read, c.read);
    EXPECT_EQ(file.values["Password"], c.profileAfter);
    EXPECT_EQ(keyring.secrets["Tesselby/Password"], c.keyringAfter);
    EXPECT_EQ(file.values["User"], "scott");  // only the secret keys leave the file
  }
}

}  // namespace
}  // namespace os
