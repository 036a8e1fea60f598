#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foxpro/files/FileIo.h"

namespace foxpro {

enum class MemoKind {
  Fpt,     ///< FoxPro .fpt / .dct: BE header, typed blocks with a length
  Dbase3,  ///< dBase III .dbt: 512-byte blocks, value ends at 0x1A
  Dbase4,  ///< dBase IV .dbt: FF FF 08 00 + LE length including the 8 bytes
};

// FPT block types.
inline constexpr std::uint32_t kMemoBinary = 0;
inline constexpr std::uint32_t kMemoText = 1;
inline constexpr std::uint32_t kMemoObject = 2;

/// Reads values out of a memo file.
class MemoReader {
 public:
  MemoReader(std::unique_ptr<File> file, MemoKind kind);
  /// Replaces out with the bytes of the value starting at block; throws ado::Failure naming
  /// the memo file when the block or its length lies past the end.
  void Read(std::uint32_t block, std::string& out);
  /// The same bytes without a copy; valid until the next call on this reader.
  std::string_view View(std::uint32_t block);
  std::uint32_t BlockSize() const { return blockSize_; }
  const std::string& Path() const { return file_->Path(); }
  /// Whether a value at block would start inside the file's header (never a real value).
  bool InsideHeader(std::uint32_t block) const;

 private:
  // Reads n bytes at offset, served from a window of the file kept in memory: values are
  // mostly read in file order, so one large read serves many of them.
  const std::uint8_t* Bytes(std::uint64_t offset, std::size_t n);

  std::unique_ptr<File> file_;
  MemoKind kind_;
  std::uint32_t blockSize_ = 512;
  std::uint64_t size_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0;
  std::size_t windowLength_ = 0;
  std::string pieces_;  // dBase III values gathered across blocks
};

/// Appends values to an .fpt. A value's blocks are written (and the header's next-free
/// block) before the caller stores the pointer in a record.
class MemoWriter {
 public:
  /// Creates (truncating) an empty .fpt with the given block size.
  static void Create(FileSystem& fs, const std::string& path, std::uint32_t blockSize);
  MemoWriter(std::unique_ptr<File> file);
  /// Writes one value and returns its first block; 0 for an empty value (no block written).
  std::uint32_t Append(std::uint32_t blockType, const void* data, std::size_t n);
  struct Value {
    std::uint32_t blockType;
    std::string_view bytes;
  };
  /// Writes several values back to back with one write, then the header once; returns each
  /// value's first block (0 for an empty one). Nothing is taken when the file cannot hold them all.
  std::vector<std::uint32_t> AppendAll(const std::vector<Value>& values);
  void Sync() { file_->Sync(); }
  std::uint32_t BlockSize() const { return blockSize_; }

 private:
  std::unique_ptr<File> file_;
  std::uint32_t blockSize_ = 64;
  std::uint32_t nextFree_ = 0;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace foxpro
