#include <iconv.h>

#include <cerrno>

#include "platform/foxpro/tables/CharsetConverter.h"

namespace foxpro {

struct CharsetConverter::Impl {
  iconv_t cd;
};

CharsetConverter::CharsetConverter(const char* to, const char* from) : impl_(new Impl{iconv_open(to, from)}) {}

CharsetConverter::~CharsetConverter() {
  if (Valid()) iconv_close(impl_->cd);
}

bool CharsetConverter::Valid() const { return impl_->cd != reinterpret_cast<iconv_t>(-1); }

bool CharsetConverter::Convert(const char* in, std::size_t n, std::string& out) {
  iconv_t cd = impl_->cd;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in);
  std::size_t left = n;
  char buffer[1024];
  while (left > 0) {
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    std::size_t rc = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
  }
  char* dst = buffer;
  std::size_t room = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &room);
  out.append(buffer, static_cast<std::size_t>(dst - buffer));
  return true;
}

}  // namespace foxpro
