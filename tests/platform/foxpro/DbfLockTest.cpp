// Two writers on one table: each waits for the other's lock, so no acknowledged row is lost,
// and a writer that waits too long fails saying the file is in use.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
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

}  // namespace
}  // namespace foxpro::test
