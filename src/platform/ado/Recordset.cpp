#include "platform/ado/Recordset.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <type_traits>

#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Types.h"

namespace ado {

namespace {

const char* const kNoCurrentRecord =
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current "
    "record.";
const char* const kNotFound = "Item cannot be found in the collection corresponding to the requested name or ordinal.";
const char* const kClosed = "Operation is not allowed when the object is closed.";

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// Client-side rows, packed one value after another: a tag byte, then the payload. Text
// and bytes carry a variable-length size. Chunks never move once written, so growing
// the store never copies what it already holds (a whole table may be in here).
class RowStore {
 public:
  void Append(const Value& value) {
    std::visit([this](const auto& v) { Put(v); }, value.Get());
  }
  void EndRow() { ++rows_; }
  long Rows() const { return rows_; }

  // Reading, front to back.
  void Rewind() {
    readChunk_ = 0;
    readPos_ = 0;
  }
  void Read(Value& into) {
    if (readChunk_ < chunks_.size() && readPos_ >= chunks_[readChunk_].used) {
      ++readChunk_;
      readPos_ = 0;
    }
    const Chunk& chunk = chunks_.at(readChunk_);
    const std::uint8_t* p = chunk.data.get() + readPos_;
    const std::uint8_t* const start = p;
    const Tag tag = static_cast<Tag>(*p++);
    switch (tag) {
      case Tag::kNull:
        into = Value();
        break;
      case Tag::kText: {
        const std::uint64_t size = GetSize(p);
        if (into.Is<std::string>()) {
          // Reuse the text buffer of the previous row's value.
          std::string text = std::move(const_cast<std::string&>(into.As<std::string>()));
          text.assign(reinterpret_cast<const char*>(p), size);
          into = Value(std::move(text));
        } else {
          into = Value(std::string(reinterpret_cast<const char*>(p), size));
        }
        p += size;
        break;
      }
      case Tag::kInt: {
        const std::uint64_t zigzag = GetSize(p);
        into = Value(static_cast<std::int64_t>((zigzag >> 1) ^ (~(zigzag & 1) + 1)));
        break;
      }
      case Tag::kDouble: {
        double d;
        std::memcpy(&d, p, sizeof d);
        p += sizeof d;
        into = Value(d);
        break;
      }
      case Tag::kCurrency: {
        std::int64_t n;
        std::memcpy(&n, p, sizeof n);
        p += sizeof n;
        into = Value(Currency{n});
        break;
      }
      case Tag::kDecimal: {
        const std::uint64_t size = GetSize(p);
        into = Value(Decimal{std::string(reinterpret_cast<const char*>(p), size)});
        p += size;
        break;
      }
      case Tag::kDate:
        into = Value(GetDate(p));
        break;
      case Tag::kDateTime: {
        DateTime dt;
        dt.date = GetDate(p);
        dt.hour = *p++;
        dt.minute = *p++;
        dt.second = *p++;
        dt.millisecond = p[0] | (p[1] << 8);
        p += 2;
        into = Value(dt);
        break;
      }
      case Tag::kTrue:
        into = Value(true);
        break;
      case Tag::kFalse:
        into = Value(false);
        break;
      case Tag::kBytes: {
        const std::uint64_t size = GetSize(p);
        into = Value(Bytes(p, p + size));
        p += size;
        break;
      }
    }
    readPos_ += static_cast<std::size_t>(p - start);
  }

 private:
  enum class Tag : std::uint8_t {
    kNull,
    kText,
    kInt,
    kDouble,
    kCurrency,
    kDecimal,
    kDate,
    kDateTime,
    kTrue,
    kFalse,
    kBytes
  };

  struct Chunk {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
    std::size_t used = 0;
  };
  static constexpr std::size_t kChunkSize = 1 << 20;

  std::uint8_t* Reserve(std::size_t bytes) {
    if (chunks_.empty() || chunks_.back().size - chunks_.back().used < bytes) {
      Chunk chunk;
      chunk.size = std::max(kChunkSize, bytes);
      chunk.data.reset(new std::uint8_t[chunk.size]);
      chunks_.push_back(std::move(chunk));
    }
    Chunk& last = chunks_.back();
    std::uint8_t* p = last.data.get() + last.used;
    last.used += bytes;
    return p;
  }
  static std::size_t SizeOfSize(std::uint64_t n) {
    std::size_t bytes = 1;
    while (n >= 0x80) {
      n >>= 7;
      ++bytes;
    }
    return bytes;
  }
  static std::uint8_t* PutSize(std::uint8_t* p, std::uint64_t n) {
    while (n >= 0x80) {
      *p++ = static_cast<std::uint8_t>(n | 0x80);
      n >>= 7;
    }
    *p++ = static_cast<std::uint8_t>(n);
    return p;
  }
  static std::uint64_t GetSize(const std::uint8_t*& p) {
    std::uint64_t n = 0;
    int shift = 0;
    while (*p & 0x80) {
      n |= static_cast<std::uint64_t>(*p++ & 0x7f) << shift;
      shift += 7;
    }
    n |= static_cast<std::uint64_t>(*p++) << shift;
    return n;
  }
  static std::uint8_t* PutDate(std::uint8_t* p, const Date& d) {
    const auto year = static_cast<std::uint16_t>(static_cast<std::int16_t>(d.year));
    *p++ = static_cast<std::uint8_t>(year & 0xff);
    *p++ = static_cast<std::uint8_t>(year >> 8);
    *p++ = static_cast<std::uint8_t>(d.month);
    *p++ = static_cast<std::uint8_t>(d.day);
    return p;
  }
  static Date GetDate(const std::uint8_t*& p) {
    Date d;
    d.year = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    d.month = p[2];
    d.day = p[3];
    p += 4;
    return d;
  }
  void PutBlob(Tag tag, const void* data, std::size_t size) {
    std::uint8_t* p = Reserve(1 + SizeOfSize(size) + size);
    *p++ = static_cast<std::uint8_t>(tag);
    p = PutSize(p, size);
    if (size != 0) std::memcpy(p, data, size);
  }

  void Put(const Null&) { *Reserve(1) = static_cast<std::uint8_t>(Tag::kNull); }
  void Put(const std::string& text) { PutBlob(Tag::kText, text.data(), text.size()); }
  void Put(std::int64_t n) {
    const std::uint64_t zigzag = (static_cast<std::uint64_t>(n) << 1) ^ static_cast<std::uint64_t>(n >> 63);
    std::uint8_t* p = Reserve(1 + SizeOfSize(zigzag));
    *p++ = static_cast<std::uint8_t>(Tag::kInt);
    PutSize(p, zigzag);
  }
  void Put(double d) {
    std::uint8_t* p = Reserve(1 + sizeof d);
    *p++ = static_cast<std::uint8_t>(Tag::kDouble);
    std::memcpy(p, &d, sizeof d);
  }
  void Put(const Currency& c) {
    std::uint8_t* p = Reserve(1 + sizeof c.tenThousandths);
    *p++ = static_cast<std::uint8_t>(Tag::kCurrency);
    std::memcpy(p, &c.tenThousandths, sizeof c.tenThousandths);
  }
  void Put(const Decimal& d) { PutBlob(Tag::kDecimal, d.digits.data(), d.digits.size()); }
  void Put(const Date& d) {
    std::uint8_t* p = Reserve(5);
    *p++ = static_cast<std::uint8_t>(Tag::kDate);
    PutDate(p, d);
  }
  void Put(const DateTime& dt) {
    std::uint8_t* p = Reserve(10);
    *p++ = static_cast<std::uint8_t>(Tag::kDateTime);
    p = PutDate(p, dt.date);
    *p++ = static_cast<std::uint8_t>(dt.hour);
    *p++ = static_cast<std::uint8_t>(dt.minute);
    *p++ = static_cast<std::uint8_t>(dt.second);
    *p++ = static_cast<std::uint8_t>(dt.millisecond & 0xff);
    *p++ = static_cast<std::uint8_t>((dt.millisecond >> 8) & 0xff);
  }
  void Put(bool b) { *Reserve(1) = static_cast<std::uint8_t>(b ? Tag::kTrue : Tag::kFalse); }
  void Put(const Bytes& bytes) { PutBlob(Tag::kBytes, bytes.data(), bytes.size()); }

  std::vector<Chunk> chunks_;
  long rows_ = 0;
  std::size_t readChunk_ = 0;
  std::size_t readPos_ = 0;
};

}  // namespace

namespace {

constexpr long kRowsPerYield = 256;

}  // namespace

const ado::Value& FieldValue::Checked() const {
  if (!current_) throw Failure(kNoCurrentRecord);
  return value_;
}

class Recordset::Impl {
 public:
  std::vector<Field> fields;
  std::unique_ptr<RowSource> source;  // streaming only
  std::unique_ptr<RowStore> store;    // client-side only
  std::vector<Value> row;
  long position = 0;  // client-side: index of the current row
  bool onRow = false;

  void Load(std::unique_ptr<RowSource> rows, bool clientSide, void (*yield)()) {
    for (const FieldInfo& info : rows->Fields()) {
      Field field;
      field.Name = info.name;
      field.Type = info.type;
      field.Declared = info.declared;
      fields.push_back(std::move(field));
    }
    row.resize(fields.size());
    if (clientSide) {
      store = std::make_unique<RowStore>();
      while (rows->Next(row)) {
        for (const Value& value : row) store->Append(value);
        store->EndRow();
        if (store->Rows() % kRowsPerYield == 0 && yield != nullptr) yield();
      }
      rows.reset();
      row.clear();
      row.shrink_to_fit();
      store->Rewind();
      position = 0;
      ReadStoredRow();
    } else {
      source = std::move(rows);
      FetchStreamedRow();
    }
  }

  void ReadStoredRow() {
    onRow = position < store->Rows();
    for (Field& field : fields) {
      if (onRow) store->Read(field.Value.Slot());
      field.Value.SetCurrent(onRow);
    }
  }

  void FetchStreamedRow() {
    onRow = source->Next(row);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (onRow) std::swap(fields[i].Value.Slot(), row[i]);
      fields[i].Value.SetCurrent(onRow);
    }
    if (!onRow) source.reset();  // the statement is done; let the provider free it now
  }

  void MoveNext() {
    if (!onRow) throw Failure(kNoCurrentRecord);
    if (store) {
      ++position;
      ReadStoredRow();
    } else {
      FetchStreamedRow();
    }
  }
};

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::Open(const std::string& source, Connection& connection, int cursorType, int /*lockType*/) {
  if (impl_) throw Failure("Operation is not allowed when the object is open.");
  std::unique_ptr<RowSource> rows = connection.ActiveSession().Query(source);
  if (!rows || rows->Fields().empty()) {
    return;  // a statement without rows leaves the recordset closed, as ADO does
  }
  OpenRows(std::move(rows), connection.CursorLocation == adUseClient || cursorType == adOpenStatic, connection.Yield);
}

void Recordset::OpenRows(std::unique_ptr<RowSource> rows, bool clientSide, void (*yield)()) {
  if (impl_) throw Failure("Operation is not allowed when the object is open.");
  auto impl = std::make_unique<Impl>();
  impl->Load(std::move(rows), clientSide, yield);
  impl_ = std::move(impl);
}

int Recordset::FieldCount() const {
  if (!impl_) throw Failure(kClosed);
  return static_cast<int>(impl_->fields.size());
}

const Field& Recordset::Fields(int index) const {
  if (!impl_) throw Failure(kClosed);
  if (index < 0 || index >= static_cast<int>(impl_->fields.size())) throw Failure(kNotFound);
  return impl_->fields[static_cast<std::size_t>(index)];
}

const Field& Recordset::Fields(std::string_view name) const {
  if (!impl_) throw Failure(kClosed);
  for (const Field& field : impl_->fields) {
    if (SameNameIgnoringCase(field.Name, name)) return field;
  }
  throw Failure(kNotFound);
}

long Recordset::RecordCount() const {
  if (!impl_) throw Failure(kClosed);
  return impl_->store ? impl_->store->Rows() : -1;
}

bool Recordset::Eof() const {
  if (!impl_) throw Failure(kClosed);
  return !impl_->onRow;
}

void Recordset::MoveNext() {
  if (!impl_) throw Failure(kClosed);
  impl_->MoveNext();
}

void Recordset::Close() {
  if (!impl_) throw Failure(kClosed);
  impl_.reset();
}

bool Recordset::IsOpen() const { return impl_ != nullptr; }

}  // namespace ado
