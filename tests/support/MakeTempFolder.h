#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace support {

// A new, empty folder prefix-XXXXXX under the system's temporary folder, made on Linux and on
// Windows alike (mkdtemp is POSIX only).
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix + "-";
    for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) return folder;
  }
  throw std::runtime_error("cannot make a temporary folder for " + prefix);
}

}  // namespace support
