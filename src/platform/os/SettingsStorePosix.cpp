#include <sys/stat.h>
#include <sys/types.h>

#include <QFile>
#include <QSettings>
#include <QString>
#include <QtGlobal>

#include "platform/os/SettingsStore.h"

namespace os {
namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

// While it lives, every file the process creates is its owner's only: the settings file (it
// holds the password) and QSettings' lock file are created that way from their first byte.
class OwnerOnlyFiles {
 public:
  OwnerOnlyFiles() : previous_(::umask(077)) {}
  ~OwnerOnlyFiles() { ::umask(previous_); }
  OwnerOnlyFiles(const OwnerOnlyFiles&) = delete;
  OwnerOnlyFiles& operator=(const OwnerOnlyFiles&) = delete;

 private:
  mode_t previous_;
};

// The user's configuration folder (XDG_CONFIG_HOME), one file per application name.
QSettings OpenStore(const std::string& application) {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, ToQt(application));
}

// QSettings' native file for the user: a file per application name in the user's configuration
// folder on Linux.
class QtSettingsStore : public SettingsStore {
 public:
  void Save(const std::string& application, const std::string& section, const std::string& key,
            const std::string& value) override {
    const OwnerOnlyFiles ownerOnly;
    QSettings store = OpenStore(application);
    store.beginGroup(ToQt(section));
    store.setValue(ToQt(key), ToQt(value));
    store.endGroup();
    store.sync();
    // The store holds the Oracle password in plain text; a file made before stays restricted too.
    const bool restricted = QFile::setPermissions(store.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // The handlers that save have no failure path; what went wrong is logged. A file that did
    // not read as settings has been written all the same, with what could be read of it.
    if (store.status() == QSettings::FormatError && restricted) {
      static bool told = false;
      if (!told)
        qWarning("Tesselby: %s could not be read as settings; it is being replaced", qPrintable(store.fileName()));
      told = true;
    } else if (store.status() != QSettings::NoError || !restricted) {
      qWarning("Tesselby: could not write the setting %s to %s", key.c_str(), qPrintable(store.fileName()));
    }
  }

  bool Get(const std::string& application, const std::string& section, const std::string& key,
           std::string& value) override {
    QSettings store = OpenStore(application);
    store.beginGroup(ToQt(section));
    const QVariant stored = store.value(ToQt(key));
    if (!stored.isValid()) return false;
    value = stored.toString().toStdString();
    return true;
  }

  std::string Location(const std::string& application) override {
    return OpenStore(application).fileName().toStdString();
  }
};

}  // namespace

SettingsStore& NativeSettingsStore() {
  static QtSettingsStore store;
  return store;
}

}  // namespace os
