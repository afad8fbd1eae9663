// A fresh home folder for one test, removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace mellox::test {

class TempHome {
 public:
  TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mellox-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempHome() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace mellox::test
