#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "commands/transfer/FileRemoval.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/files/TableLocks.h"
#include "transfer/TransferTestSupport.h"

namespace transfer {
namespace {
namespace fs = std::filesystem;

// Root deletes from any folder, so as root (CI runs as root) the attempts are made as the user
// "nobody": only the effective user id changes, and root takes it back at the end.
class WithoutRootWhileAlive {
 public:
  WithoutRootWhileAlive() {
    if (::geteuid() != 0) return;
    const passwd* nobody = ::getpwnam("nobody");
    if (::seteuid(nobody != nullptr ? nobody->pw_uid : 65534) != 0) {
      ADD_FAILURE() << "cannot act as nobody: " << std::strerror(errno);
      return;
    }
    dropped_ = true;
  }
  ~WithoutRootWhileAlive() {
    if (dropped_ && ::seteuid(0) != 0) std::abort();  // the rest of the run would not be root's
  }
  WithoutRootWhileAlive(const WithoutRootWhileAlive&) = delete;
  WithoutRootWhileAlive& operator=(const WithoutRootWhileAlive&) = delete;

 private:
  bool dropped_ = false;
};

class FileRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tesselby-remove-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code error;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(folder_, error);
  }
  fs::path Make(const std::string& name) {
    testing::WriteTableFile((folder_ / name).string());
    return folder_ / name;
  }
  fs::path folder_;
};

TEST_F(FileRemovalTest, DeletesOnlyTheNamedFileEvenWhenReadOnly) {
  const fs::path table = Make("EMP.DBF");
  const fs::path memo = Make("EMP.FPT");
  fs::permissions(table, fs::perms::owner_read | fs::perms::group_read, fs::perm_options::replace);
  RemoveFile(table.string());
  EXPECT_FALSE(fs::exists(table));
  EXPECT_TRUE(fs::exists(memo));
}

TEST_F(FileRemovalTest, ATableAnotherWriterHoldsLockedStays) {
  const fs::path table = Make("EMP.DBF");
  {
    const auto writer = foxpro::DiskFileSystem().Open(table.string(), foxpro::OpenMode::ReadWrite);
    ASSERT_TRUE(foxpro::TryLockTable(*writer));
    RemoveFile(table.string());
    EXPECT_TRUE(fs::exists(table));
  }
  RemoveFile(table.string());
  EXPECT_FALSE(fs::exists(table));
}

TEST_F(FileRemovalTest, MatchesTheFileNameWithoutRegardToLetterCase) {
  const fs::path stored = Make("emp.dbf");
  ASSERT_EQ(FindFileIgnoringCase((folder_ / "EMP.DBF").string()), stored.string());
  RemoveFile((folder_ / "EMP.DBF").string());
  EXPECT_FALSE(fs::exists(stored));
}

TEST_F(FileRemovalTest, MissingFilesAndUndeletableFilesAreIgnored) {
  EXPECT_FALSE(FindFileIgnoringCase((folder_ / "NONE.DBF").string()).has_value());
  RemoveFile((folder_ / "NONE.DBF").string());
  RemoveFile((folder_ / "no-folder" / "NONE.DBF").string());
  EXPECT_TRUE(ForceDeleteFile((folder_ / "NONE.DBF").string()));  // nothing is left there

  const fs::path locked = Make("LOCKED.DBF");
  constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                  fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(folder_, kReadOnly, fs::perm_options::replace);
  {
    const WithoutRootWhileAlive withoutRoot;
    RemoveFile(locked.string());  // neither attempt can delete it; nothing is thrown
    EXPECT_FALSE(ForceDeleteFile(locked.string()));
  }
  fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
  EXPECT_TRUE(fs::exists(locked));
}

TEST_F(FileRemovalTest, AFolderIsNotATableFile) {
  fs::create_directories(folder_ / "EMP.DBF");
  EXPECT_FALSE(FindFileIgnoringCase((folder_ / "emp.dbf").string()).has_value());
}

// The engine resolves "\" as a separator and folds letter case in every part of the path;
// the existence check and the removal must find what CREATE TABLE would find.
TEST_F(FileRemovalTest, PathsResolveAsTheEngineResolvesThem) {
  fs::create_directories(folder_ / "casedir");
  const fs::path stored = folder_ / "casedir" / "emp.dbf";
  testing::WriteTableFile(stored.string());
  for (const std::string& typed :
       {(folder_ / "CASEDIR" / "EMP.DBF").string(), folder_.string() + "\\CaseDir\\Emp.DBF"}) {
    EXPECT_EQ(FindFileIgnoringCase(typed), stored.string()) << typed;
  }
  RemoveFile((folder_ / "CASEDIR" / "EMP.DBF").string());
  EXPECT_FALSE(fs::exists(stored));
}

// Only a file that reads as a table is taken for the old table; anything else stays.
TEST_F(FileRemovalTest, AFileThatDoesNotReadAsATableIsNotDeleted) {
  for (const std::string& content : {std::string("old table"), std::string(), std::string(64, '\0')}) {
    std::ofstream(folder_ / "NOTES.DBF", std::ios::binary) << content;
    RemoveFile((folder_ / "NOTES.DBF").string());
    EXPECT_TRUE(fs::exists(folder_ / "NOTES.DBF")) << content.size();
  }
}

}  // namespace
}  // namespace transfer
