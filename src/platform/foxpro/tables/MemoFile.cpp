#include "platform/foxpro/tables/MemoFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/ado/Failure.h"

namespace foxpro {
namespace {

constexpr std::uint32_t kFptHeaderLength = 512;

std::uint32_t Be32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void PutBe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

[[noreturn]] void Damaged(const std::string& path, const std::string& problem) {
  throw ado::Failure("Memo file " + path + " is damaged: " + problem + ".");
}

}  // namespace

MemoReader::MemoReader(std::unique_ptr<File> file, MemoKind kind) : file_(std::move(file)), kind_(kind) {
  size_ = file_->Size();
  std::uint8_t head[32] = {};
  std::size_t got = file_->ReadAt(0, head, sizeof head);
  switch (kind_) {
    case MemoKind::Fpt: {
      if (got < 8) Damaged(Path(), "the file is too short for a memo header");
      blockSize_ = static_cast<std::uint32_t>((head[6] << 8) | head[7]);
      // Some writers keep the size as one 32-bit value at 4-7; equal whenever 4-5 are zero.
      if (blockSize_ == 0) blockSize_ = Be32(head + 4);
      if (blockSize_ == 0) Damaged(Path(), "the block size is 0");
      break;
    }
    case MemoKind::Dbase3:
      blockSize_ = 512;
      break;
    case MemoKind::Dbase4: {
      std::uint32_t size = got >= 22 ? static_cast<std::uint32_t>(head[20] | (head[21] << 8)) : 0;
      blockSize_ = size == 0 ? 512 : size;
      break;
    }
  }
}

const std::uint8_t* MemoReader::Bytes(std::uint64_t offset, std::size_t n) {
  constexpr std::size_t kWindow = 1 << 20;
  if (offset >= windowStart_ && offset + n <= windowStart_ + windowLength_)
    return window_.data() + (offset - windowStart_);
  const std::size_t want = std::max<std::size_t>(
      n, static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size_ - std::min(offset, size_))));
  if (window_.size() < want) window_.resize(want);
  windowStart_ = offset;
  windowLength_ = file_->ReadAt(offset, window_.data(), want);
  return windowLength_ >= n ? window_.data() : nullptr;
}

bool MemoReader::InsideHeader(std::uint32_t block) const {
  return kind_ == MemoKind::Fpt && block != 0 && std::uint64_t{block} * blockSize_ < kFptHeaderLength;
}

void MemoReader::Read(std::uint32_t block, std::string& out) { out.assign(View(block)); }

std::string_view MemoReader::View(std::uint32_t block) {
  std::string& out = pieces_;
  out.clear();
  const std::uint64_t start = std::uint64_t{block} * blockSize_;
  if (block == 0 || start >= size_) Damaged(Path(), "block " + std::to_string(block) + " lies past its end");
  // Values start after the header; a pointer into it (or a block size that puts one there)
  // would read header bytes as a value.
  if (InsideHeader(block))
    Damaged(Path(), "block " + std::to_string(block) + " lies inside its header (block size " +
                        std::to_string(blockSize_) + ")");
  std::uint64_t length = 0;
  std::uint64_t dataStart = start;
  const std::size_t headLength = static_cast<std::size_t>(std::min<std::uint64_t>(8, size_ - start));
  const std::uint8_t* head = Bytes(start, headLength);
  if (kind_ == MemoKind::Fpt) {
    if (headLength < 8 || head == nullptr)
      Damaged(Path(), "the value at block " + std::to_string(block) + " is cut short");
    length = Be32(head + 4);
    dataStart = start + 8;
  } else if (kind_ == MemoKind::Dbase4 && headLength == 8 && head != nullptr && head[0] == 0xFF && head[1] == 0xFF &&
             head[2] == 0x08) {
    std::uint32_t total = Le32(head + 4);
    length = total >= 8 ? total - 8 : 0;
    dataStart = start + 8;
  } else {
    // dBase III: the value runs to the first 0x1A (or the end of the file).
    std::uint64_t pos = start;
    while (pos < size_) {
      std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(512, size_ - pos));
      const std::uint8_t* chunk = Bytes(pos, n);
      if (chunk == nullptr) break;
      const void* eof = std::memchr(chunk, 0x1A, n);
      std::size_t take = eof ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(eof) - chunk) : n;
      out.append(reinterpret_cast<const char*>(chunk), take);
      if (eof) break;
      pos += n;
    }
    return out;
  }
  if (dataStart + length > size_)
    Damaged(Path(), "the value at block " + std::to_string(block) + " claims " + std::to_string(length) +
                        " bytes, more than the file holds");
  if (length == 0) return {};
  const std::uint8_t* data = Bytes(dataStart, static_cast<std::size_t>(length));
  if (data == nullptr) Damaged(Path(), "the value at block " + std::to_string(block) + " is cut short");
  return std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
}

void MemoWriter::Create(FileSystem& fs, const std::string& path, std::uint32_t blockSize) {
  if (blockSize == 0 || blockSize > 0xFFFF) throw ado::Failure("Invalid memo block size " + std::to_string(blockSize));
  if (fs.Exists(path)) fs.Remove(path);
  auto file = fs.Open(path, OpenMode::CreateNew);
  std::vector<std::uint8_t> head(kFptHeaderLength, 0);
  std::uint32_t firstFree = (kFptHeaderLength + blockSize - 1) / blockSize;
  PutBe32(head.data(), firstFree);
  head[6] = static_cast<std::uint8_t>(blockSize >> 8);
  head[7] = static_cast<std::uint8_t>(blockSize);
  file->WriteAt(0, head.data(), head.size());
}

MemoWriter::MemoWriter(std::unique_ptr<File> file) : file_(std::move(file)) {
  std::uint8_t head[8] = {};
  if (file_->ReadAt(0, head, sizeof head) != sizeof head)
    throw ado::Failure("Memo file " + file_->Path() + " is missing or is invalid.");
  blockSize_ = static_cast<std::uint32_t>((head[6] << 8) | head[7]);
  if (blockSize_ == 0) blockSize_ = Be32(head + 4);
  if (blockSize_ == 0) throw ado::Failure("Memo file " + file_->Path() + " is missing or is invalid.");
  nextFree_ = Be32(head);
  // A crash after a value's blocks were written but before the header was updated leaves
  // bytes past next-free; they are simply overwritten. A next-free inside the header or
  // below the file's used blocks after a torn header write is pushed to the end instead.
  std::uint32_t firstFree = (kFptHeaderLength + blockSize_ - 1) / blockSize_;
  if (nextFree_ < firstFree) nextFree_ = firstFree;
  // A next-free that is too low (a damaged header, another program's slip) would let new
  // values overwrite blocks that records point at: new values go after everything there is.
  const std::uint64_t usedBlocks = (file_->Size() + blockSize_ - 1) / blockSize_;
  if (nextFree_ < usedBlocks && usedBlocks <= 0xFFFFFFFFull) nextFree_ = static_cast<std::uint32_t>(usedBlocks);
}

std::uint32_t MemoWriter::Append(std::uint32_t blockType, const void* data, std::size_t n) {
  return AppendAll({{blockType, std::string_view(static_cast<const char*>(data), n)}}).front();
}

std::vector<std::uint32_t> MemoWriter::AppendAll(const std::vector<Value>& values) {
  std::vector<std::uint32_t> starts(values.size(), 0);
  std::uint64_t total = 0;
  for (const auto& v : values) {
    if (!v.bytes.empty()) total += (8 + std::uint64_t{v.bytes.size()} + blockSize_ - 1) / blockSize_;
  }
  if (total == 0) return starts;
  if ((std::uint64_t{nextFree_} + total) * blockSize_ > 0x7FFFFFFFull)
    throw ado::Failure("Memo file " + file_->Path() + " is full (2 GB).");
  buffer_.assign(static_cast<std::size_t>(total * blockSize_), 0);
  std::uint32_t block = nextFree_;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto& v = values[i];
    if (v.bytes.empty()) continue;
    std::uint8_t* at = buffer_.data() + std::size_t{block - nextFree_} * blockSize_;
    PutBe32(at, v.blockType);
    PutBe32(at + 4, static_cast<std::uint32_t>(v.bytes.size()));
    std::memcpy(at + 8, v.bytes.data(), v.bytes.size());
    starts[i] = block;
    block += static_cast<std::uint32_t>((8 + std::uint64_t{v.bytes.size()} + blockSize_ - 1) / blockSize_);
  }
  // The blocks land before the header names them, and the header before any record points at them.
  file_->WriteAt(std::uint64_t{nextFree_} * blockSize_, buffer_.data(), buffer_.size());
  nextFree_ = block;
  std::uint8_t head[4];
  PutBe32(head, nextFree_);
  file_->WriteAt(0, head, sizeof head);
  return starts;
}

}  // namespace foxpro
