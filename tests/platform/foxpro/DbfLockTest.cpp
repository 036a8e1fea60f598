// Two writers on one table: each waits for the other's lock, so no acknowledged row is lost,
// and a writer that waits too long fails saying the file is in use. The locks sit where Visual
// FoxPro takes its own, past the data.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "platform/ado/Failure.h"
#include "platform/foxpro/DbfTestSupport.h"
#include "platform/foxpro/containers/FolderCatalog.h"
#include "platform/foxpro/sql/FoxProSession.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace foxpro::test {
namespace {

std::string ConnectionString(const TempFolder& dir) {
  return "Provider=vfpoledb.1;Data Source=" + dir.Path().string() + ";";
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A classic POSIX lock (what Samba takes for a Windows client, and what FoxPro's locks become
// there) held by a child process until this goes.
class LockInAnotherProcess {
 public:
  LockInAnotherProcess(const std::string& path, std::uint64_t offset, std::uint64_t length) {
    int ready[2];
    if (pipe(ready) != 0) return;
    child_ = fork();
    if (child_ == 0) {
      close(ready[0]);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      lock.l_start = static_cast<off_t>(offset);
      lock.l_len = static_cast<off_t>(length);
      const int fd = open(path.c_str(), O_RDWR);
      if (fd < 0 || fcntl(fd, F_SETLK, &lock) != 0) _exit(1);
      if (write(ready[1], "x", 1) != 1) _exit(1);
      pause();
      _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    held_ = child_ > 0 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
  }
  ~LockInAnotherProcess() {
    if (child_ <= 0) return;
    kill(child_, SIGKILL);
    waitpid(child_, nullptr, 0);
  }
  LockInAnotherProcess(const LockInAnotherProcess&) = delete;
  LockInAnotherProcess& operator=(const LockInAnotherProcess&) = delete;
  bool Held() const { return held_; }

 private:
  pid_t child_ = -1;
  bool held_ = false;
};

TEST(DbfLock, TwoProcessesInsertingIntoOneTableLoseNoRow) {
  // Each used to append at the count it had read: 299 of 300 INSERTs acknowledged, 245 rows kept.
  constexpr int kRows = 1000;
  TempFolder dir;
  const std::string path = dir / "t.dbf";
  FoxProSession::Open(ConnectionString(dir))->Execute("CREATE TABLE '" + path + "'([W] C(2),[N] I,[M] M);");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t children[2];
  for (int writer = 0; writer < 2; ++writer) {
    children[writer] = fork();
    ASSERT_GE(children[writer], 0);
    if (children[writer] != 0) continue;
    close(fds[0]);
    for (int n = 0; n < kRows; ++n) {
      // One session per INSERT, like one tesselby-query per statement: the lock is taken and
      // released every time, so the two writers interleave.
      try {
        FoxProSession::Open(ConnectionString(dir))
            ->Execute("INSERT INTO '" + path + "' VALUES('w" + std::to_string(writer) + "', '" + std::to_string(n) +
                      "', 'memo " + std::to_string(n) + "')");
      } catch (const ado::Failure&) {
        continue;
      }
      const int acknowledged = writer * kRows + n;
      if (write(fds[1], &acknowledged, sizeof acknowledged) != sizeof acknowledged) _exit(3);
    }
    _exit(0);
  }
  close(fds[1]);
  std::multiset<int> acknowledged;
  int n = 0;
  while (read(fds[0], &n, sizeof n) == sizeof n) acknowledged.insert(n);
  close(fds[0]);
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  std::multiset<int> stored;
  auto reader = DbfReader::Open(path);
  std::vector<ado::Value> row;
  while (reader->Next(row)) {
    const int value = (Render(row[0]) == "s:w1" ? kRows : 0) + static_cast<int>(row[1].As<std::int64_t>());
    EXPECT_EQ(Render(row[2]), "s:memo " + std::to_string(value % kRows));
    stored.insert(value);
  }
  EXPECT_EQ(acknowledged.size(), 2u * kRows);
  EXPECT_EQ(stored, acknowledged);
}

TEST(DbfLock, ASecondWriterWaitsForItsTimeoutThenFailsInUse) {
  TempFolder dir;
  const std::string path = dir / "t.dbf";
  CreateVfpTable(path, {{"C", 'C', 4}});
  auto first = DbfAppender::Open(path);
  first->Append({"one"});
  struct Attempt {
    const char* what;
    std::function<void()> run;
  };
  FolderCatalog catalog(dir.Path().string());
  catalog.SetLockTimeout(1);
  const Attempt attempts[] = {
      {"append", [&] { DbfAppender::Open(path, DiskFileSystem(), 1)->Append({"two"}); }},
      {"drop", [&] { catalog.DropTable("t"); }},
  };
  for (const Attempt& attempt : attempts) {
    SCOPED_TRACE(attempt.what);
    const auto start = std::chrono::steady_clock::now();
    try {
      attempt.run();
      ADD_FAILURE() << "no failure";
    } catch (const ado::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find("t.dbf is in use"), std::string::npos) << failure.what();
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  }
  first.reset();
  EXPECT_NO_THROW(DbfAppender::Open(path, DiskFileSystem(), 1)->Append({"two"}));
  EXPECT_EQ(DbfReader::Open(path)->RecordCount(), 2u);
}

TEST(DbfLock, ATableFoxProHoldsLockedIsNotWrittenAndTheWriterSaysItIsInUse) {
  // Lock positions as Visual FoxPro takes them; a table with a structural index locks records
  // counting down from 0x7FFFFFFE, one without from 0x40000000 plus the record's offset.
  constexpr std::uint64_t kPlainRecordOne = 0x40000000;  // plus the header's length
  const struct {
    const char* what;
    bool indexed;
    std::uint64_t offset;
    std::uint64_t length;
  } locks[] = {
      {"FLOCK, indexed", true, 0x77FFFFFF, 0x07FFFFFF}, {"header, indexed", true, 0x7FFFFFFE, 1},
      {"RLOCK 1, indexed", true, 0x7FFFFFFD, 1},        {"FLOCK, plain", false, 0x40000001, 0x3FFFFFFD},
      {"header, plain", false, 0x40000000, 1},          {"RLOCK 1, plain", false, kPlainRecordOne, 1},
  };
  for (const auto& lock : locks) {
    SCOPED_TRACE(lock.what);
    TempFolder dir;
    const std::string path = dir / "t.dbf";
    {
      auto session = FoxProSession::Open(ConnectionString(dir));
      session->Execute("CREATE TABLE '" + path + "'([C] C(4));");
      session->Execute("INSERT INTO '" + path + "' VALUES('one')");
      if (lock.indexed) session->Execute("INDEX ON C TAG C OF '" + (dir / "t.cdx") + "'");
    }
    const std::string before = Contents(path);
    const auto headerLength =
        static_cast<std::uint64_t>(static_cast<std::uint8_t>(before[8]) | static_cast<std::uint8_t>(before[9]) << 8);
    const std::uint64_t offset = lock.offset == kPlainRecordOne ? kPlainRecordOne + headerLength : lock.offset;
    LockInAnotherProcess foxPro(path, offset, lock.length);
    ASSERT_TRUE(foxPro.Held());
    try {
      DbfAppender::Open(path, DiskFileSystem(), 1)->Append({"two"});
      ADD_FAILURE() << "no failure";
    } catch (const ado::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find("t.dbf is in use by another program"), std::string::npos)
          << failure.what();
    }
    EXPECT_EQ(Contents(path), before);
  }
}

// Whether another process's lock of type on [offset, offset + length) would meet one held.
bool Free(int fd, short type, std::uint64_t offset, std::uint64_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  return fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type == F_UNLCK;
}

TEST(DbfLock, AWriterKeepsFoxProFromWritingButNotFromReading) {
  for (const bool indexed : {false, true}) {
    SCOPED_TRACE(indexed ? "indexed" : "plain");
    TempFolder dir;
    const std::string path = dir / "t.dbf";
    auto session = FoxProSession::Open(ConnectionString(dir));
    session->Execute("CREATE TABLE '" + path + "'([C] C(4));");
    if (indexed) session->Execute("INDEX ON C TAG C OF '" + (dir / "t.cdx") + "'");
    auto writer = DbfAppender::Open(path);
    writer->Append({"one"});
    const std::string contents = Contents(path);
    const std::uint64_t headerLength = static_cast<std::uint8_t>(contents[8]) |
                                       static_cast<std::uint64_t>(static_cast<std::uint8_t>(contents[9])) << 8;
    const std::uint64_t headerLock = indexed ? 0x7FFFFFFE : 0x40000000;
    const std::uint64_t recordOneLock = indexed ? 0x7FFFFFFD : 0x40000000 + headerLength;
    // Another process reads every byte and may lock all of them for reading (Samba checks a
    // Windows client's read against the locks on the bytes it reads), but FoxPro's APPEND and
    // RLOCK() there are refused.
    const pid_t other = fork();
    if (other == 0) {
      const int fd = open(path.c_str(), O_RDWR);
      std::string read(contents.size(), '\0');
      const bool whole = fd >= 0 && pread(fd, read.data(), read.size(), 0) == static_cast<ssize_t>(read.size());
      _exit(!whole || read != contents               ? 1
            : !Free(fd, F_RDLCK, 0, contents.size()) ? 2
            : Free(fd, F_WRLCK, headerLock, 1)       ? 3
            : Free(fd, F_WRLCK, recordOneLock, 1)    ? 4
                                                     : 0);
    }
    int status = -1;
    waitpid(other, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "exit " << WEXITSTATUS(status);
  }
}

}  // namespace
}  // namespace foxpro::test
