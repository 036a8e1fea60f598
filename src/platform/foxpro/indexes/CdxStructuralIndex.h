#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/indexes/CdxKeyExpression.h"
#include "platform/foxpro/indexes/CdxWriter.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

/// How a tag treats equal keys. Primary and candidate tags refuse them; a unique tag keeps
/// the first record of each key only; a regular tag keeps every record.
enum class IndexKind { Regular, Unique, Candidate, Primary };

struct IndexTagDefinition {
  std::string name;  ///< 1-10 characters
  std::string expression;
  IndexKind kind = IndexKind::Regular;
  bool descending = false;
};

/// One tag as the indexes schema reports it.
struct IndexTagInfo {
  std::string name;  ///< lower case, as the provider reports names
  std::string expression;
  std::string filter;  ///< the FOR expression; empty when none
  bool descending = false;
  bool primary = false;
  bool candidate = false;  ///< primary tags too
  bool unique = false;
};

/// A table's structural compound index (the .cdx of the same name that opens with the
/// table when byte 28 of its header has bit 0x01). Built whole from the table's records;
/// kept up to date by the appender, which holds the keys in memory and writes the file anew
/// when a statement ends (Flush), so a reader sees the old index or the new, never half.
class CdxStructuralIndex {
 public:
  /// The table's .cdx as spelled on disk, or the name to create (extension in the letter
  /// case of the .dbf's).
  static std::string PathFor(const std::string& dbfPath, FileSystem& fs);

  /// Adds a tag: the index is rebuilt from every record with its tags and the new one, and
  /// the header flag set. A primary key needs a table of a container, and is recorded there
  /// (the table's PrimaryKey property); every tag of a container table gets its Index record.
  /// Fails, leaving no new tag behind, when the name is taken, the expression does not fit
  /// the table, or a primary/candidate key meets a duplicate (naming the tag and the key).
  /// Holds the table's writer lock (waiting up to lockTimeoutSeconds) while it works.
  static void AddTag(const std::string& dbfPath, const IndexTagDefinition& tag, FileSystem& fs,
                     long lockTimeoutSeconds);

  /// The table's tags (none when its header has no structural index). Fails naming the file
  /// when the header says there is one and it is missing or damaged.
  static std::vector<IndexTagInfo> Tags(const std::string& dbfPath, FileSystem& fs);

  /// The index of a table being appended to (table: its open .dbf), with every key loaded;
  /// a tag that misses records is computed again from the rows. Fails naming the file when
  /// it is missing or damaged, or has a tag whose keys the engine cannot compute (a FOR
  /// clause other than .NOT.DELETED(), an unsupported expression, a BINARY index).
  static std::unique_ptr<CdxStructuralIndex> OpenForAppend(const std::string& dbfPath, const DbfHeader& header,
                                                           File& table, FileSystem& fs);

  /// Fails ("Uniqueness of index ... is violated") when the record's key of a primary or
  /// candidate tag is taken. Call before the record is written.
  void Check(const std::uint8_t* record);
  /// Adds the keys of a record that was written (the one Check saw last).
  void Add(const std::uint8_t* record, std::uint32_t recno);
  /// Takes a record that was marked deleted out of the tags that hold live records only.
  void Deleted(std::uint32_t recno);
  /// Writes the index file anew when keys were added since the last write.
  void Flush();

 private:
  struct Tag {
    CdxTagContent content;
    CdxKeyExpression expression;
    bool refusesDuplicates = false;
    bool keepsFirstOnly = false;
    bool liveOnly = false;                    // FOR .NOT.DELETED()
    std::unordered_set<std::string> present;  // keys of tags that refuse or drop duplicates
  };
  CdxStructuralIndex(std::string path, FileSystem& fs) : path_(std::move(path)), fs_(fs) {}

  std::string path_;
  FileSystem& fs_;
  std::vector<Tag> tags_;
  std::vector<std::string> pending_;  // keys Check computed, one per tag
  bool changed_ = false;
};

/// Writes an index file through a temporary file renamed over the old one.
void WriteIndexFile(FileSystem& fs, const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace foxpro
