#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace foxpro {

/// Converts text between two character sets named as iconv names them ("UTF-8", "CP1252",
/// "MACINTOSH"): with iconv on Linux, with the Windows code page calls on Windows.
class CharsetConverter {
 public:
  CharsetConverter(const char* to, const char* from);
  ~CharsetConverter();
  CharsetConverter(const CharsetConverter&) = delete;
  CharsetConverter& operator=(const CharsetConverter&) = delete;

  /// False when the system cannot convert between the two.
  bool Valid() const;
  /// Appends all of in, converted, to out; false when a sequence cannot be converted.
  bool Convert(const char* in, std::size_t n, std::string& out);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace foxpro
