#include "connections/SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QString>
#include <QtGlobal>

namespace connections {
namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

// The user's configuration folder (XDG_CONFIG_HOME), one file per application name.
QSettings OpenStore(const std::string& application) {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, ToQt(application));
}

}  // namespace

void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& value) {
  QSettings store = OpenStore(application);
  store.beginGroup(ToQt(section));
  store.setValue(ToQt(key), ToQt(value));
  store.endGroup();
  store.sync();
  // The store holds the Oracle password in plain text.
  const bool restricted = QFile::setPermissions(store.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  // The handlers that save have no failure path; a store that cannot be written is logged.
  if (store.status() != QSettings::NoError || !restricted)
    qWarning("Tesselby: could not write the setting %s to %s", key.c_str(), qPrintable(store.fileName()));
}

std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
  QSettings store = OpenStore(application);
  store.beginGroup(ToQt(section));
  const QVariant value = store.value(ToQt(key));
  if (!value.isValid()) return defaultValue;
  return value.toString().toStdString();
}

std::string SettingsFileName(const std::string& application) { return OpenStore(application).fileName().toStdString(); }

}  // namespace connections
