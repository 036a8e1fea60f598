#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <variant>

#include "platform/ado/Value.h"
#include "support/MakeTempFolder.h"

namespace foxpro::test {

inline std::string FixturePath(const std::string& relative) {
  return std::string(TESSELBY_TESTDATA_DIR) + "/foxpro/" + relative;
}

// A value rendered with a type tag, so that expectations state the type as well:
// NULL, s:text, i:42, d:2.5, y:12.3456, n:12.50, D:2001-02-03, T:2001-02-03 04:05:06, L:true, x:0a0b.
inline std::string Render(const ado::Value& v) {
  struct Visitor {
    std::string operator()(ado::Null) const { return "NULL"; }
    std::string operator()(const std::string& s) const { return "s:" + s; }
    std::string operator()(std::int64_t n) const { return "i:" + std::to_string(n); }
    std::string operator()(double d) const {
      char b[64];
      std::snprintf(b, sizeof b, "d:%.15g", d);
      return b;
    }
    std::string operator()(ado::Currency c) const {
      std::int64_t t = c.tenThousandths;
      unsigned long long mag = t < 0 ? 0ull - static_cast<unsigned long long>(t) : static_cast<unsigned long long>(t);
      char b[64];
      std::snprintf(b, sizeof b, "y:%s%llu.%04llu", t < 0 ? "-" : "", mag / 10000, mag % 10000);
      return b;
    }
    std::string operator()(const ado::Decimal& d) const { return "n:" + d.digits; }
    std::string operator()(ado::Date d) const {
      char b[64];
      std::snprintf(b, sizeof b, "D:%04d-%02d-%02d", d.year, d.month, d.day);
      return b;
    }
    std::string operator()(ado::DateTime t) const {
      char b[80];
      std::snprintf(b, sizeof b, "T:%04d-%02d-%02d %02d:%02d:%02d", t.date.year, t.date.month, t.date.day, t.hour,
                    t.minute, t.second);
      std::string s = b;
      if (t.millisecond != 0) {
        std::snprintf(b, sizeof b, ".%03d", t.millisecond);
        s += b;
      }
      return s;
    }
    std::string operator()(bool b) const { return b ? "L:true" : "L:false"; }
    std::string operator()(const ado::Bytes& bytes) const {
      std::string s = "x:";
      for (auto c : bytes) {
        char h[4];
        std::snprintf(h, sizeof h, "%02x", c);
        s += h;
      }
      return s;
    }
  };
  return std::visit(Visitor{}, v.Get());
}

// A fresh folder under the system temp folder, removed with the object.
class TempFolder {
 public:
  TempFolder() { path_ = support::MakeTempFolder("tesselby-dbf"); }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace foxpro::test
