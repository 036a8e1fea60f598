#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>
#include <memory>

#include "platform/os/KeyringStore.h"

namespace os {
namespace {

// A keyring that asks to be unlocked on a screen no one watches must not hold the run forever.
constexpr int kKeyringWaitMs = 15000;

// QtKeychain answers through the event loop; the command line runs none of its own.
void EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "tesselby";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
}

// Runs the job to its end; false when the keyring did not answer in time.
bool Finish(QKeychain::Job& job) {
  EnsureApplication();
  job.setAutoDelete(false);
  bool finished = false;
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
    finished = true;
    loop.quit();
  });
  QTimer::singleShot(kKeyringWaitMs, &loop, &QEventLoop::quit);
  job.start();
  // The window saves as the user types: the next key waits until this secret is written.
  if (!finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
  return finished;
}

class QtKeychainKeeper : public SecretKeeper {
 public:
  bool Available() override {
    if (!m_available) {
      // Without a session bus no Secret Service can answer; asking would only wait.
      m_available = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") && Probe();
    }
    return *m_available;
  }

  std::optional<std::string> Read(const std::string& application, const std::string& key) override {
    QKeychain::ReadPasswordJob job(QString::fromStdString(application));
    job.setKey(QString::fromStdString(key));
    if (!Finish(job) || job.error() != QKeychain::NoError) return std::nullopt;
    return job.textData().toStdString();
  }

  bool Write(const std::string& application, const std::string& key, const std::string& secret) override {
    QKeychain::WritePasswordJob job(QString::fromStdString(application));
    job.setKey(QString::fromStdString(key));
    job.setTextData(QString::fromStdString(secret));
    return Finish(job) && job.error() == QKeychain::NoError;
  }

 private:
  // A keyring that runs answers a read of a key it lacks with "not found".
  static bool Probe() {
    QKeychain::ReadPasswordJob job(QStringLiteral("Tesselby"));
    job.setKey(QStringLiteral("keyring probe"));
    return Finish(job) && (job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound);
  }

  std::optional<bool> m_available;
};

}  // namespace

std::unique_ptr<SecretKeeper> DesktopKeyring() { return std::make_unique<QtKeychainKeeper>(); }

}  // namespace os
