// A scratch folder per test, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace mellox::sim::testing {

class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("mellox-sim-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
}

// A PCM wave file: 8-bit mono at the given rate with dataBytes of silence.
inline std::string PcmWave(std::uint32_t rate, std::uint32_t dataBytes) {
  auto u32 = [](std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  auto u16 = [](std::uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
  std::string fmt = u16(1) + u16(1) + u32(rate) + u32(rate) + u16(1) + u16(8);
  std::string body = "WAVE" + std::string("fmt ") + u32(16) + fmt + "data" + u32(dataBytes) +
                     std::string(dataBytes, '\x80');
  return "RIFF" + u32(static_cast<std::uint32_t>(body.size())) + body;
}

}  // namespace mellox::sim::testing
