// Appends must survive a crash at any moment: every acknowledged row is there afterwards and
// the table still opens and takes further rows.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "platform/ado/Failure.h"
#include "platform/foxpro/DbfTestSupport.h"
#include "platform/foxpro/indexes/CdxReader.h"
#include "platform/foxpro/indexes/CdxStructuralIndex.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace foxpro::test {
namespace {

// Row n of the test tables; its content is derived from n so that a torn row is noticed.
std::vector<std::string> RowFor(std::uint32_t n) {
  std::string memo;
  for (std::uint32_t i = 0; i <= n % 40; ++i) memo += "memo " + std::to_string(n) + " ";
  std::string blob;
  for (std::uint32_t i = 0; i < n % 300; ++i) blob += static_cast<char>('a' + i % 26);
  return {std::to_string(n), memo, blob, std::to_string(n) + ".5"};
}

void CreateCrashTable(const std::string& path, FileSystem& fs) {
  CreateVfpTable(path, {{"K", 'C', 10}, {"M", 'M'}, {"W", 'W'}, {"N", 'N', 12, 1}}, {}, fs);
}

// Checks that the table holds rows 0..count-1 exactly as RowFor makes them; returns the count.
std::uint32_t CheckRows(const std::string& path, FileSystem& fs) {
  auto reader = DbfReader::Open(path, fs);
  std::vector<ado::Value> row;
  std::uint32_t n = 0;
  while (reader->Next(row)) {
    auto want = RowFor(n);
    EXPECT_EQ(Render(row[0]), "s:" + want[0] + std::string(10 - want[0].size(), ' '));
    EXPECT_EQ(Render(row[1]), "s:" + want[1]);
    EXPECT_EQ(row[2].As<ado::Bytes>().size(), want[2].size());
    EXPECT_EQ(Render(row[3]), "n:" + want[3]);
    ++n;
  }
  return n;
}

TEST(DbfCrash, KilledAppenderLosesNoAcknowledgedRow) {
  TempFolder dir;
  const std::string path = dir / "crash.dbf";
  CreateCrashTable(path, DiskFileSystem());
  std::mt19937 random(12345);
  std::uint32_t acknowledged = 0;
  for (int round = 0; round < 6; ++round) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(fds[0]);
      auto appender = DbfAppender::Open(path);
      for (std::uint32_t n = appender->RecordCount();; ++n) {
        appender->Append(RowFor(n));
        if (write(fds[1], &n, sizeof n) != sizeof n) _exit(3);
      }
    }
    close(fds[1]);
    usleep(std::uniform_int_distribution<useconds_t>(2000, 60000)(random));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the appender stopped on its own, status " << status;
    std::uint32_t n = 0;
    while (read(fds[0], &n, sizeof n) == sizeof n) acknowledged = n + 1;
    close(fds[0]);
    SCOPED_TRACE("round " + std::to_string(round));
    std::uint32_t rows = CheckRows(path, DiskFileSystem());
    EXPECT_GE(rows, acknowledged);
    acknowledged = rows;
  }
  EXPECT_GT(acknowledged, 0u);
}

// Files whose writes start failing after a budget; the failing write lands only its first half.
class FailingFileSystem : public FileSystem {
 public:
  explicit FailingFileSystem(MemoryFileSystem& inner) : inner_(inner) {}
  int budget = 1 << 30;

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    return std::make_unique<FailingFile>(inner_.Open(path, mode), budget);
  }
  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  std::string FindIgnoringCase(const std::string& path) override { return inner_.FindIgnoringCase(path); }
  void Remove(const std::string& path) override { inner_.Remove(path); }

 private:
  class FailingFile : public File {
   public:
    FailingFile(std::unique_ptr<File> inner, int& budget) : inner_(std::move(inner)), budget_(budget) {}
    std::uint64_t Size() const override { return inner_->Size(); }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
      return inner_->ReadAt(offset, buffer, n);
    }
    void WriteAt(std::uint64_t offset, const void* data, std::size_t n) override {
      if (budget_-- <= 0) {
        inner_->WriteAt(offset, data, n / 2);
        throw ado::Failure("Cannot write " + inner_->Path() + ": disk full");
      }
      inner_->WriteAt(offset, data, n);
    }
    void Truncate(std::uint64_t size) override { inner_->Truncate(size); }
    void Sync() override {}
    const std::string& Path() const override { return inner_->Path(); }

   private:
    std::unique_ptr<File> inner_;
    int& budget_;
  };
  MemoryFileSystem& inner_;
};

TEST(DbfCrash, AFailedWriteAtAnyPointKeepsTheTableWhole) {
  for (int failAt = 0; failAt < 60; ++failAt) {
    SCOPED_TRACE("write " + std::to_string(failAt) + " fails");
    MemoryFileSystem memory;
    CreateCrashTable("t.dbf", memory);
    FailingFileSystem failing(memory);
    failing.budget = failAt;
    std::uint32_t acknowledged = 0;
    {
      auto appender = DbfAppender::Open("t.dbf", failing);
      try {
        for (std::uint32_t n = 0; n < 100; ++n) {
          appender->Append(RowFor(n));
          acknowledged = n + 1;
        }
      } catch (const ado::Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find("disk full"), std::string::npos);
      }
    }
    EXPECT_EQ(CheckRows("t.dbf", memory), acknowledged);
    // The next session appends after the last whole row and leaves the file exactly as long
    // as its count says, as VFP's table validation wants.
    auto appender = DbfAppender::Open("t.dbf", memory);
    {
      const auto& dbf = memory.Bytes("t.dbf");
      EXPECT_LE(dbf.size(), (dbf[8] | (dbf[9] << 8)) + acknowledged * (dbf[10] | (dbf[11] << 8)) + 1u);
    }
    appender->Append(RowFor(acknowledged));
    appender->Close();
    EXPECT_EQ(CheckRows("t.dbf", memory), acknowledged + 1);
    const auto& dbf = memory.Bytes("t.dbf");
    const std::size_t expected = (dbf[8] | (dbf[9] << 8)) + (acknowledged + 1) * (dbf[10] | (dbf[11] << 8)) + 1u;
    EXPECT_EQ(dbf.size(), expected);
    EXPECT_EQ(dbf.back(), 0x1A);
  }
}

TEST(DbfCrash, ATagAddedWhileWritesFailLeavesTheIndexAsItWasOrWithTheTag) {
  for (int failAt = 0; failAt < 3; ++failAt) {
    SCOPED_TRACE("write " + std::to_string(failAt) + " fails");
    MemoryFileSystem memory;
    CreateCrashTable("t.dbf", memory);  // rows written in reverse, so that the tags need sorting
    {
      auto appender = DbfAppender::Open("t.dbf", memory);
      for (std::uint32_t n = 0; n < 50; ++n) appender->Append(RowFor(49 - n));
      appender->Close();
    }
    CdxStructuralIndex::AddTag("t.dbf", {"k", "k", IndexKind::Regular, false}, memory, 0);
    FailingFileSystem failing(memory);
    failing.budget = failAt;
    try {
      CdxStructuralIndex::AddTag("t.dbf", {"n", "n", IndexKind::Regular, false}, failing, 0);
    } catch (const ado::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find("disk full"), std::string::npos);
    }
    auto file = memory.Open("t.cdx", OpenMode::Read);
    CdxReader reader(*file);
    ASSERT_NE(reader.FindTag("K"), nullptr);
    EXPECT_EQ(reader.Keys(*reader.FindTag("K")).size(), 50u);
    // Before the header's pointer moves the new pages are not reached; after, the tag is whole.
    const CdxTag* added = reader.FindTag("N");
    EXPECT_EQ(reader.Tags().size(), added == nullptr ? 1u : 2u);
    EXPECT_EQ(added == nullptr ? 50u : reader.Keys(*added).size(), 50u);
    EXPECT_TRUE(failAt > 0 || added == nullptr);
  }
}

}  // namespace
}  // namespace foxpro::test
