#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "connections/ConnectionProfile.h"
#include "connections/ProfileStore.h"

namespace connections {
namespace {

// Every test gets its own user configuration folder.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_folder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
  }

  QTemporaryDir m_folder;
};

TEST_F(SettingsStoreTest, MissingKeyReadsAsTheCallersDefault) {
  EXPECT_EQ(GetSetting("Quenmark", "Tesselby", "Server"), "");
  EXPECT_EQ(GetSetting("Quenmark", "Tesselby", "Server", "fallback"), "fallback");
}

TEST_F(SettingsStoreTest, StoredEmptyTextIsNotTheDefault) {
  SaveSetting("Quenmark", "Tesselby", "User", "");
  EXPECT_EQ(GetSetting("Quenmark", "Tesselby", "User", "fallback"), "");
}

TEST_F(SettingsStoreTest, ValuesComeBackExactly) {
  const std::vector<std::string> values = {"scott",        "ti;ger=x", " padded ", "C:\\data\\sales.dbc",
                                           "/home/u/dbf/", "Grüße €",  "a,b",      "\"quoted\"",
                                           "#hash",        "[x]"};
  for (const auto& value : values) {
    SaveSetting("Quenmark", "Tesselby", "Password", value);
    EXPECT_EQ(GetSetting("Quenmark", "Tesselby", "Password"), value);
  }
}

TEST_F(SettingsStoreTest, WriteReachesTheFileAtOnceUnderTheSectionGroup) {
  SaveSetting("Quenmark", "Tesselby", "Server", "ORCL");
  const QString fileName = QString::fromStdString(SettingsFileName("Quenmark"));
  EXPECT_TRUE(fileName.startsWith(m_folder.path()));
  ASSERT_TRUE(QFile::exists(fileName));
  QSettings reader(fileName, QSettings::IniFormat);
  EXPECT_EQ(reader.value("Tesselby/Server").toString(), "ORCL");
  QFile file(fileName);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("[Tesselby]"));
  EXPECT_TRUE(text.contains("Server=ORCL"));
}

TEST_F(SettingsStoreTest, FileIsReadableAndWritableByItsOwnerOnly) {
  SaveSetting("Quenmark", "Tesselby", "Password", "tiger");
  SaveSetting("Quenmark", "Tesselby", "Password", "tiger2");
  const auto permissions = QFile::permissions(QString::fromStdString(SettingsFileName("Quenmark")));
  EXPECT_EQ(permissions &
                ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadOwner | QFileDevice::WriteOwner),
            QFileDevice::Permissions());
  EXPECT_TRUE(permissions.testFlag(QFileDevice::ReadOwner));
  EXPECT_TRUE(permissions.testFlag(QFileDevice::WriteOwner));
}

// A watcher stats the file and QSettings' lock file as fast as it can while the first value
// is written; neither may ever show a group or other bit, and the umask comes back unchanged.
TEST_F(SettingsStoreTest, FileAndLockFileAreNeverSeenWithGroupOrOtherBits) {
  const mode_t umaskBefore = ::umask(022);
  int seen = 0;
  for (int round = 0; round < 30; ++round) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    const std::string file = SettingsFileName("Quenmark");
    const std::string lock = file + ".lock";
    std::atomic<bool> done{false};
    std::atomic<int> exposed{0};
    std::thread watcher([&] {
      struct stat info {};
      while (!done) {
        for (const std::string* path : {&file, &lock}) {
          if (::stat(path->c_str(), &info) != 0) continue;
          ++seen;
          if ((info.st_mode & 077) != 0) ++exposed;
        }
      }
    });
    SaveSetting("Quenmark", "Tesselby", "Password", "tiger");
    done = true;
    watcher.join();
    EXPECT_EQ(exposed, 0) << "round " << round;
  }
  EXPECT_GT(seen, 0);
  EXPECT_EQ(::umask(umaskBefore), 022);
}

TEST_F(SettingsStoreTest, ADamagedFileIsSaidOnceToBeReplacedAndTakesTheNewValues) {
  const QString fileName = QString::fromStdString(SettingsFileName("Quenmark"));
  QFile damaged(fileName);
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("[Tesselby\nServer=x\n]\x01\n");
  damaged.close();
  static std::vector<std::string>* messages = nullptr;
  std::vector<std::string> logged;
  messages = &logged;
  const QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType, const QMessageLogContext&, const QString& text) { messages->push_back(text.toStdString()); });
  for (const char* text : {"s", "sc", "sco"}) SaveSetting("Quenmark", "Tesselby", "User", text);
  qInstallMessageHandler(previous);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("could not be read as settings; it is being replaced"), std::string::npos) << logged[0];
  EXPECT_EQ(GetSetting("Quenmark", "Tesselby", "User"), "sco");
}

TEST_F(SettingsStoreTest, SectionsAndApplicationsDoNotMix) {
  SaveSetting("Quenmark", "Tesselby", "Server", "A");
  SaveSetting("Quenmark", "Other", "Server", "B");
  SaveSetting("Elsewhere", "Tesselby", "Server", "C");
  EXPECT_EQ(GetSetting("Quenmark", "Tesselby", "Server"), "A");
  EXPECT_EQ(GetSetting("Quenmark", "Other", "Server"), "B");
  EXPECT_EQ(GetSetting("Elsewhere", "Tesselby", "Server"), "C");
}

// Records what loading the profile sets, in order.
class RecordingWindow : public ProfileTarget {
 public:
  void SelectDbcMode() override { calls.push_back("Option1"); }
  void SelectFreeTableFolderMode() override { calls.push_back("Option2"); }
  void SetOracleServer(const std::string& t) override { calls.push_back("Text1=" + t); }
  void SetOracleUser(const std::string& t) override { calls.push_back("Text2=" + t); }
  void SetOraclePassword(const std::string& t) override { calls.push_back("Text3=" + t); }
  void SetDbcFile(const std::string& t) override { calls.push_back("Text4=" + t); }
  void SetFreeTableFolder(const std::string& t) override { calls.push_back("Text5=" + t); }
  std::vector<std::string> calls;
};

using ConnectionProfileTest = SettingsStoreTest;

TEST_F(ConnectionProfileTest, EmptyStoreGivesEmptyFieldsAndDbcFileMode) {
  RecordingWindow window;
  LoadProfile(window);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"Option1", "Text1=", "Text2=", "Text3=", "Text4=", "Text5="}));
}

TEST_F(ConnectionProfileTest, FieldsAreFilledFromTheirKeysInOrder) {
  SaveProfileSetting("Server", "ORCL");
  SaveProfileSetting("User", "scott");
  SaveProfileSetting("Password", "ti;ger");
  SaveProfileSetting("DBCFile", "C:\\data\\sales.dbc");
  SaveProfileSetting("FreeTableFolder", "/srv/dbf");
  SaveProfileSetting("FoxproOption", "2");
  RecordingWindow window;
  LoadProfile(window);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"Option2", "Text1=ORCL", "Text2=scott", "Text3=ti;ger",
                                                    "Text4=C:\\data\\sales.dbc", "Text5=/srv/dbf"}));
}

TEST_F(ConnectionProfileTest, OnlyTheExactTextTwoSelectsTheFreeTableFolder) {
  for (const char* option : {"1", "", "3", " 2", "2 ", "two", "02"}) {
    SaveProfileSetting("FoxproOption", option);
    RecordingWindow window;
    LoadProfile(window);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.front(), "Option1") << "FoxproOption \"" << option << "\"";
  }
  SaveProfileSetting("FoxproOption", "2");
  RecordingWindow window;
  LoadProfile(window);
  EXPECT_EQ(window.calls.front(), "Option2");
}

TEST_F(ConnectionProfileTest, EachEditIsStoredAsTheWholeCurrentText) {
  for (const char* text : {"a", "ab", "abc"}) {
    SaveProfileSetting("User", text);
    EXPECT_EQ(GetProfileSetting("User"), text);
  }
  SaveProfileSetting("User", "");
  EXPECT_EQ(GetSetting("Quenmark", "Tesselby", "User", "missing"), "");
}

TEST_F(ConnectionProfileTest, TransferSettingsFallBackToTheirDefaults) {
  EXPECT_FALSE(KeepTypesSetting());
  SaveKeepTypesSetting(true);
  EXPECT_TRUE(KeepTypesSetting());
  SaveKeepTypesSetting(false);
  EXPECT_EQ(GetProfileSetting("KeepTypes"), "0");
  struct Row {
    const char* stored;
    int read;
  };
  for (const Row& row : {Row{nullptr, 1252}, Row{"1251", 1251}, Row{"10000", 10000}, Row{"1257", 1252},
                         Row{" 866", 1252}, Row{"abc", 1252}}) {
    if (row.stored != nullptr) SaveProfileSetting("CodePage", row.stored);
    EXPECT_EQ(CodePageSetting("CodePage", kDefaultCodePage), row.read) << (row.stored ? row.stored : "missing");
  }
  EXPECT_EQ(CodePageSetting("SourceCodePage", kDefaultSourceCodePage), 437);
}

}  // namespace
}  // namespace connections
