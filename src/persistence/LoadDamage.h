// The faults one load of a settings or data file finds in it. Each distinct
// fault (an element's attribute, texts the parse had to repair, or an element
// that could not be applied) is reported once when the load ends, with the
// number of times it occurred, so a file with thousands of bad rows gives a
// few lines; and a file with any fault of its own values has its bytes kept
// aside before the save that replaces it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace mellox {

class LoadDamage {
 public:
  // Collects the faults of the load of path, whose bytes were read as given,
  // reported as faults of the class that loads it.
  LoadDamage(std::filesystem::path path, std::string bytes, const char* className = "ControlHandler");
  // Finishes the load if Finish was not called.
  ~LoadDamage();
  LoadDamage(const LoadDamage&) = delete;
  LoadDamage& operator=(const LoadDamage&) = delete;

  // Reports each distinct fault once, naming the file, to the errors file;
  // tells the chat once how many faults the file held; and, when any was the file's own, has
  // the bytes kept aside before the file's next save
  // (persistence::KeepAsideBeforeSave).
  void Finish() noexcept;

  // A fault; key tells which faults are the same. Reported at once when no
  // load is collecting. fileFault is false for a fault of what the values go
  // into (a control the view lacks): reported alike, but the file is sound.
  static void Report(const std::string& key, int number, const std::string& description,
                     const std::string& procedure, bool fileFault = true) noexcept;

 private:
  struct Faults;
  std::filesystem::path path_;
  std::string bytes_;
  const char* className_;
  std::unique_ptr<Faults> faults_;
  LoadDamage* outer_;
  bool finished_ = false;
};

}  // namespace mellox
