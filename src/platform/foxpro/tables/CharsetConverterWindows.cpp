#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/foxpro/tables/CharsetConverter.h"

namespace foxpro {
namespace {

// The Windows code page of an iconv name; 0 when there is none.
UINT WindowsCodePage(std::string_view name) {
  struct Named {
    std::string_view name;
    UINT codePage;
  };
  static constexpr Named kNamed[] = {
      {"UTF-8", CP_UTF8}, {"MACINTOSH", 10000}, {"MAC-CYRILLIC", 10007}, {"MAC-CENTRALEUROPE", 10029}};
  for (const Named& named : kNamed)
    if (named.name == name) return named.codePage;
  if (name.substr(0, 2) != "CP" || name.size() < 3) return 0;
  char* end = nullptr;
  const std::string digits(name.substr(2));
  const unsigned long number = std::strtoul(digits.c_str(), &end, 10);
  return *end == '\0' ? static_cast<UINT>(number) : 0;
}

}  // namespace

struct CharsetConverter::Impl {
  UINT to;
  UINT from;
};

CharsetConverter::CharsetConverter(const char* to, const char* from)
    : impl_(new Impl{WindowsCodePage(to), WindowsCodePage(from)}) {}

CharsetConverter::~CharsetConverter() = default;

bool CharsetConverter::Valid() const {
  return impl_->to != 0 && impl_->from != 0 && ::IsValidCodePage(impl_->to) && ::IsValidCodePage(impl_->from);
}

bool CharsetConverter::Convert(const char* in, std::size_t n, std::string& out) {
  if (n == 0) return true;
  // Through UTF-16; either step refuses what it cannot convert instead of guessing.
  const int length = static_cast<int>(n);
  const int units = ::MultiByteToWideChar(impl_->from, MB_ERR_INVALID_CHARS, in, length, nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(impl_->from, MB_ERR_INVALID_CHARS, in, length, wide.data(), units);
  const bool toUtf8 = impl_->to == CP_UTF8;
  BOOL defaulted = FALSE;
  const DWORD flags = toUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL* usedDefault = toUtf8 ? nullptr : &defaulted;
  const int bytes = ::WideCharToMultiByte(impl_->to, flags, wide.data(), units, nullptr, 0, nullptr, usedDefault);
  if (bytes <= 0 || defaulted) return false;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(bytes));
  ::WideCharToMultiByte(impl_->to, flags, wide.data(), units, out.data() + start, bytes, nullptr, usedDefault);
  return true;
}

}  // namespace foxpro
