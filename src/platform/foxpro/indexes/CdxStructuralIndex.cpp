#include "platform/foxpro/indexes/CdxStructuralIndex.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>

#include "platform/ado/Failure.h"
#include "platform/foxpro/containers/DbcFiles.h"
#include "platform/foxpro/files/TableLocks.h"
#include "platform/foxpro/indexes/CdxContainerKeys.h"
#include "platform/foxpro/indexes/CdxReader.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {
namespace {

constexpr std::uint8_t kHasStructuralIndex = 0x01;
constexpr std::size_t kTagNameLength = 10;
constexpr std::size_t kReadChunk = 1 << 22;

std::uint8_t KindOptions(IndexKind kind) {
  switch (kind) {
    case IndexKind::Unique:
      return kCdxUnique;
    case IndexKind::Candidate:
    case IndexKind::Primary:
      return kCdxCandidate;
    default:
      return 0;
  }
}

IndexKind KindOf(std::uint8_t options) {
  if ((options & kCdxCandidate) != 0) return IndexKind::Candidate;
  return (options & kCdxUnique) != 0 ? IndexKind::Unique : IndexKind::Regular;
}

// Calls visit(record, recno) for every record of the table, deleted ones too: FoxPro's
// tags hold them all.
void ForEachRecord(File& file, const DbfHeader& header,
                   const std::function<void(const std::uint8_t*, std::uint32_t)>& visit) {
  const std::size_t perChunk = std::max<std::size_t>(1, kReadChunk / header.recordLength);
  std::vector<std::uint8_t> chunk;
  for (std::uint32_t first = 0; first < header.recordCount;) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(perChunk, header.recordCount - first));
    chunk.resize(std::size_t{count} * header.recordLength);
    const std::uint64_t at = header.headerLength + std::uint64_t{first} * header.recordLength;
    if (file.ReadAt(at, chunk.data(), chunk.size()) != chunk.size()) {
      throw ado::Failure("Table " + file.Path() + " is damaged: its records end early.");
    }
    for (std::uint32_t i = 0; i < count; ++i) visit(chunk.data() + std::size_t{i} * header.recordLength, first + i + 1);
    first += count;
  }
}

// Sorts the keys; drops all but the first record of each key (UNIQUE), or fails at the
// first key held twice (primary and candidate).
void SortKeys(CdxTagContent& tag, IndexKind kind, const CdxKeyExpression& expression) {
  SortCdxKeys(tag.keys);
  if (kind == IndexKind::Unique) {
    tag.keys.erase(std::unique(tag.keys.begin(), tag.keys.end(),
                               [](const CdxKey& a, const CdxKey& b) { return a.bytes == b.bytes; }),
                   tag.keys.end());
  } else if (kind != IndexKind::Regular) {
    const auto twice = std::adjacent_find(tag.keys.begin(), tag.keys.end(),
                                          [](const CdxKey& a, const CdxKey& b) { return a.bytes == b.bytes; });
    if (twice != tag.keys.end()) {
      throw ado::Failure("Uniqueness of index " + tag.name + " is violated: the key " +
                         expression.Describe(twice->bytes) + " is held by records " + std::to_string(twice->record) +
                         " and " + std::to_string(std::next(twice)->record) + ".");
    }
  }
}

// FOR .NOT.DELETED(): the one filter new rows always pass (they are not deleted).
bool IsLiveRecordsFilter(const std::string& expression) {
  std::string text;
  for (char c : expression) {
    if (c != ' ') text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return text == ".NOT.DELETED()" || text == "!DELETED()" || text == "NOTDELETED()";
}

[[noreturn]] void MissingIndex(const std::string& dbfPath, const std::string& cdxPath) {
  throw ado::Failure("The structural index file '" + cdxPath + "' of table '" + dbfPath +
                     "' is missing; its header says it has one.");
}

}  // namespace

std::string CdxStructuralIndex::PathFor(const std::string& dbfPath, FileSystem& fs) {
  const bool upper = ExtensionOf(FileNameOf(dbfPath)) == "DBF";
  const std::string wanted = ReplaceExtension(dbfPath, upper ? ".CDX" : ".cdx");
  const std::string existing = fs.FindIgnoringCase(wanted);
  return existing.empty() ? wanted : existing;
}

void WriteIndexFile(FileSystem& fs, const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string temporary = path + ".tmp";
  if (fs.Exists(temporary)) fs.Remove(temporary);
  {
    auto file = fs.Open(temporary, OpenMode::CreateNew);
    file->WriteAt(0, bytes.data(), bytes.size());
    file->Sync();
  }
  ReplaceFile(fs, temporary, path);
}

void CdxStructuralIndex::AddTag(const std::string& dbfPath, const IndexTagDefinition& newTag, FileSystem& fs,
                                long lockTimeoutSeconds) {
  if (newTag.name.empty() || newTag.name.size() > kTagNameLength ||
      !std::all_of(newTag.name.begin(), newTag.name.end(),
                   [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }) ||
      std::isdigit(static_cast<unsigned char>(newTag.name.front())) != 0) {
    throw ado::Failure("Invalid tag name '" + newTag.name + "': a tag name has 1 to 10 letters, digits or '_'.");
  }
  auto table = fs.Open(dbfPath, OpenMode::ReadWrite);
  LockTable(*table, lockTimeoutSeconds);
  const DbfHeader header = ReadDbfHeader(*table);
  const std::string container = ContainerOfTable(dbfPath, header, fs);
  if (newTag.kind == IndexKind::Primary) {
    if (container.empty()) {
      throw ado::Failure("Table '" + dbfPath +
                         "' is a free table: only a table of a database container has a "
                         "primary key (a candidate key does the same for a free table).");
    }
    const std::string existing = ContainerPrimaryKey(container, dbfPath, fs);
    if (!existing.empty()) {
      throw ado::Failure("Table '" + dbfPath + "' already has a primary key (tag " + existing + ").");
    }
  }

  // The tags there are keep their keys (the rows did not change): the new tag is added
  // after them, their pages untouched. A tag that misses records is computed from the rows
  // again, and then the whole file is built anew.
  struct Planned {
    CdxTagContent content;
    IndexKind kind;
    CdxKeyExpression expression;
    const CdxTag* existing;
    bool compute;
  };
  std::vector<Planned> tags;
  auto plan = [&](const CdxTag* existing, const IndexTagDefinition& definition) {
    Planned tag{{UpperAscii(definition.name), definition.expression, "", 0, {}},
                definition.kind,
                CdxKeyExpression::Parse(definition.expression, header),
                existing,
                existing == nullptr};
    tag.content.keyLength = tag.expression.KeyLength();
    tag.content.kindOptions =
        static_cast<std::uint8_t>(KindOptions(definition.kind) | (tag.expression.Nullable() ? kCdxNullable : 0));
    tag.content.descending = definition.descending;
    tag.content.fill = tag.expression.Fill();
    tags.push_back(std::move(tag));
  };
  const std::string cdxPath = PathFor(dbfPath, fs);
  std::unique_ptr<File> indexFile;
  std::optional<CdxReader> reader;
  if ((header.tableFlags & kHasStructuralIndex) != 0) {
    if (!fs.Exists(cdxPath)) MissingIndex(dbfPath, cdxPath);
    indexFile = fs.Open(cdxPath, OpenMode::Read);
    reader.emplace(*indexFile);
    for (const CdxTag& tag : reader->Tags()) {
      if (EqualsIgnoringCase(tag.name, newTag.name)) {
        throw ado::Failure("Tag name " + UpperAscii(newTag.name) + " already exists in " + cdxPath + ".");
      }
      plan(&tag, {tag.name, tag.keyExpression, KindOf(tag.options), tag.descending});
      Planned& planned = tags.back();
      if (planned.content.keyLength != tag.keyLength) {
        throw ado::Failure("The index " + cdxPath + " cannot be rebuilt: tag " + tag.name + " has keys of " +
                           std::to_string(tag.keyLength) + " bytes where its expression gives " +
                           std::to_string(planned.content.keyLength) + ".");
      }
      planned.content.forExpression = tag.forExpression;
      planned.content.kindOptions =
          static_cast<std::uint8_t>(tag.options & (kCdxUnique | kCdxNullable | kCdxCandidate));
      planned.compute =
          tag.forExpression.empty() && planned.kind != IndexKind::Unique && reader->KeyCount(tag) != header.recordCount;
    }
  }
  plan(nullptr, newTag);
  const bool rebuild =
      std::any_of(tags.begin(), tags.end(), [](const Planned& tag) { return tag.existing != nullptr && tag.compute; });

  for (Planned& tag : tags) {
    if (tag.compute) {
      tag.content.keys.reserve(header.recordCount);
    } else if (rebuild) {
      tag.content.keys = reader->Keys(*tag.existing, tag.content.fill);
    }
  }
  std::string key;
  ForEachRecord(*table, header, [&](const std::uint8_t* record, std::uint32_t recno) {
    for (Planned& tag : tags) {
      if (!tag.compute) continue;
      tag.expression.Key(record, key);
      tag.content.keys.push_back({key, recno});
    }
  });
  std::vector<CdxTagContent> contents;
  for (Planned& tag : tags) {
    if (tag.compute) SortKeys(tag.content, tag.kind, tag.expression);
    if (rebuild || tag.existing == nullptr) contents.push_back(std::move(tag.content));
  }
  if (!reader || rebuild) {
    const std::vector<std::uint8_t> bytes = CdxWriter::Build(std::move(contents));
    reader.reset();
    indexFile.reset();  // closed before the new file takes its name
    WriteIndexFile(fs, cdxPath, bytes);
  } else {
    const CdxAddition addition = CdxWriter::AddTags(indexFile->Size(), reader->Tags(), std::move(contents));
    reader.reset();
    indexFile.reset();
    // The new pages first, then the header's pointer to the new tag list: until that one
    // small write a reader finds the old list, whole, and the pages after it are unused.
    auto index = fs.Open(cdxPath, OpenMode::ReadWrite);
    index->WriteAt(addition.at, addition.pages.data(), addition.pages.size());
    index->Sync();
    const std::uint8_t root[4] = {
        static_cast<std::uint8_t>(addition.listRoot), static_cast<std::uint8_t>(addition.listRoot >> 8),
        static_cast<std::uint8_t>(addition.listRoot >> 16), static_cast<std::uint8_t>(addition.listRoot >> 24)};
    index->WriteAt(0, root, sizeof root);
    index->Sync();
  }
  if ((header.tableFlags & kHasStructuralIndex) == 0) {
    const auto flags = static_cast<std::uint8_t>(header.tableFlags | kHasStructuralIndex);
    table->WriteAt(28, &flags, 1);
    table->Sync();
  }
  if (!container.empty()) {
    RegisterContainerTag(container, dbfPath, newTag.name, newTag.kind == IndexKind::Primary,
                         newTag.kind == IndexKind::Primary || newTag.kind == IndexKind::Candidate, fs,
                         lockTimeoutSeconds);
  }
}

std::vector<IndexTagInfo> CdxStructuralIndex::Tags(const std::string& dbfPath, FileSystem& fs) {
  auto table = fs.Open(dbfPath, OpenMode::Read);
  const DbfHeader header = ReadDbfHeader(*table, UncountedRecords::Any);
  if ((header.tableFlags & kHasStructuralIndex) == 0) return {};
  const std::string cdxPath = PathFor(dbfPath, fs);
  if (!fs.Exists(cdxPath)) MissingIndex(dbfPath, cdxPath);
  const std::string container = ContainerOfTable(dbfPath, header, fs);
  const std::string primary = container.empty() ? std::string() : ContainerPrimaryKey(container, dbfPath, fs);
  auto file = fs.Open(cdxPath, OpenMode::Read);
  CdxReader reader(*file);
  std::vector<IndexTagInfo> tags;
  for (const CdxTag& tag : reader.Tags()) {
    reader.Keys(tag);  // walks the tag's tree: a damaged index fails here, naming its file
    IndexTagInfo info;
    info.name = LowerAscii(tag.name);
    info.expression = tag.keyExpression;
    info.filter = tag.forExpression;
    info.descending = tag.descending;
    info.candidate = (tag.options & kCdxCandidate) != 0;
    info.primary = info.candidate && info.name == primary;
    info.unique = (tag.options & kCdxUnique) != 0;
    tags.push_back(std::move(info));
  }
  return tags;
}

std::unique_ptr<CdxStructuralIndex> CdxStructuralIndex::OpenForAppend(const std::string& dbfPath,
                                                                      const DbfHeader& header, File& table,
                                                                      FileSystem& fs) {
  const std::string cdxPath = PathFor(dbfPath, fs);
  if (!fs.Exists(cdxPath)) MissingIndex(dbfPath, cdxPath);
  std::unique_ptr<CdxStructuralIndex> index(new CdxStructuralIndex(cdxPath, fs));
  auto file = fs.Open(cdxPath, OpenMode::Read);
  CdxReader reader(*file);
  auto cannotKeep = [&](const CdxTag& tag, const std::string& why) {
    throw ado::Failure("Rows cannot be added to table '" + dbfPath + "': tag " + tag.name + " of its index '" +
                       cdxPath + "' " + why + ".");
  };
  for (const CdxTag& tag : reader.Tags()) {
    if (tag.binary) cannotKeep(tag, "is a BINARY index, which this engine does not keep up to date");
    Tag entry;
    entry.liveOnly = IsLiveRecordsFilter(tag.forExpression);
    if (!tag.forExpression.empty() && !entry.liveOnly) {
      cannotKeep(tag, "has the FOR clause " + tag.forExpression + ", which this engine does not keep up to date");
    }
    try {
      entry.expression = CdxKeyExpression::Parse(tag.keyExpression, header);
    } catch (const ado::Failure& failure) {
      cannotKeep(tag, "cannot be kept up to date (" + failure.Description() + ")");
    }
    if (entry.expression.KeyLength() != tag.keyLength) {
      cannotKeep(tag, "has keys of " + std::to_string(tag.keyLength) + " bytes where its expression gives " +
                          std::to_string(entry.expression.KeyLength()));
    }
    entry.refusesDuplicates = (tag.options & kCdxCandidate) != 0;
    entry.keepsFirstOnly = (tag.options & kCdxUnique) != 0;
    entry.content = {tag.name, tag.keyExpression, tag.forExpression, tag.keyLength,
                     reader.Keys(tag, entry.expression.Fill())};
    entry.content.kindOptions = static_cast<std::uint8_t>(tag.options & (kCdxUnique | kCdxNullable | kCdxCandidate));
    entry.content.descending = tag.descending;
    entry.content.fill = entry.expression.Fill();
    index->tags_.push_back(std::move(entry));
  }
  // A tag short of records (rows written by a program that kept no index, or by a writer
  // stopped between a row and the index) is computed again from the rows, as REINDEX would.
  std::vector<Tag*> stale;
  for (Tag& tag : index->tags_) {
    // How many live records there are is not known here: a live-records tag is taken as it is.
    if (!tag.keepsFirstOnly && !tag.liveOnly && tag.content.keys.size() != header.recordCount) {
      tag.content.keys.clear();
      stale.push_back(&tag);
    }
  }
  if (!stale.empty()) {
    for (Tag* tag : stale) tag->content.keys.reserve(header.recordCount);
    std::string key;
    ForEachRecord(table, header, [&](const std::uint8_t* record, std::uint32_t recno) {
      for (Tag* tag : stale) {
        tag->expression.Key(record, key);
        tag->content.keys.push_back({key, recno});
      }
    });
    for (Tag* tag : stale) {
      SortKeys(tag->content, tag->refusesDuplicates ? IndexKind::Candidate : IndexKind::Regular, tag->expression);
    }
    index->changed_ = true;
  }
  for (Tag& tag : index->tags_) {
    if (tag.refusesDuplicates || tag.keepsFirstOnly) {
      for (const CdxKey& key : tag.content.keys) tag.present.insert(key.bytes);
    }
  }
  return index;
}

void CdxStructuralIndex::Check(const std::uint8_t* record) {
  pending_.resize(tags_.size());
  for (std::size_t i = 0; i < tags_.size(); ++i) {
    Tag& tag = tags_[i];
    tag.expression.Key(record, pending_[i]);
    if (tag.refusesDuplicates && tag.present.count(pending_[i]) != 0) {
      throw ado::Failure("Uniqueness of index " + tag.content.name + " is violated: the key " +
                         tag.expression.Describe(pending_[i]) + " exists already.");
    }
  }
}

void CdxStructuralIndex::Add(const std::uint8_t* record, std::uint32_t recno) {
  if (pending_.size() != tags_.size()) Check(record);
  for (std::size_t i = 0; i < tags_.size(); ++i) {
    Tag& tag = tags_[i];
    const bool seen = (tag.refusesDuplicates || tag.keepsFirstOnly) && !tag.present.insert(pending_[i]).second;
    if (seen && tag.keepsFirstOnly) continue;
    // Kept in order, so that writing the index needs no sort.
    CdxKey key{std::move(pending_[i]), recno};
    auto& keys = tag.content.keys;
    keys.insert(std::upper_bound(keys.begin(), keys.end(), key, CdxKeyLess), std::move(key));
  }
  pending_.clear();
  changed_ = true;
}

void CdxStructuralIndex::Deleted(std::uint32_t recno) {
  for (Tag& tag : tags_) {
    if (!tag.liveOnly) continue;
    auto& keys = tag.content.keys;
    const auto gone = std::remove_if(keys.begin(), keys.end(), [&](const CdxKey& key) { return key.record == recno; });
    for (auto it = gone; it != keys.end(); ++it) tag.present.erase(it->bytes);
    changed_ = changed_ || gone != keys.end();
    keys.erase(gone, keys.end());
  }
}

void CdxStructuralIndex::Flush() {
  if (!changed_) return;
  std::vector<CdxTagContent> contents;
  contents.reserve(tags_.size());
  for (const Tag& tag : tags_) contents.push_back(tag.content);
  WriteIndexFile(fs_, path_, CdxWriter::Build(std::move(contents)));
  changed_ = false;
}

}  // namespace foxpro
