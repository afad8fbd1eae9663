#include "persistence/LoadDamage.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "core/Hub.h"
#include "core/Trap.h"
#include "persistence/XmlFiles.h"

namespace mellox {

namespace {

constexpr const char* kClass = "ControlHandler";
constexpr const char* kParseProc = "LoadXmlFile";

LoadDamage*& Current() {
  static LoadDamage* current = nullptr;
  return current;
}

}  // namespace

struct LoadDamage::Faults {
  struct Fault {
    int number;
    std::string description;
    std::string procedure;
    std::int64_t count;
  };
  bool fileFault = false;
  // In the order they were first found.
  std::vector<Fault> list;
  std::map<std::string, std::size_t> byKey;
};

LoadDamage::LoadDamage(std::filesystem::path path, std::string bytes, const char* className)
    : path_(std::move(path)),
      bytes_(std::move(bytes)),
      className_(className),
      faults_(std::make_unique<Faults>()),
      outer_(Current()) {
  Current() = this;
  // Texts the parse repaired are the first faults of the load.
  const persistence::TextRepairs repairs = persistence::TakeTextRepairs(path_);
  faults_->fileFault = repairs.Any();
  if (repairs.notUtf8 != 0) {
    faults_->list.push_back({13, "Text that is not UTF-8, read as Windows-1252", kParseProc, repairs.notUtf8});
  }
  if (repairs.forbidden != 0) {
    faults_->list.push_back(
        {13, "Character XML does not allow in a text, read as \"?\"", kParseProc, repairs.forbidden});
  }
  if (repairs.lost != 0) {
    faults_->list.push_back(
        {13, "Character the game's code page cannot hold in a text, read as \"?\"", kParseProc, repairs.lost});
  }
  if (repairs.entities != 0) {
    faults_->list.push_back(
        {13, "Reference to an entity that is none of XML's own in a text, kept as written", kParseProc,
         repairs.entities});
  }
}

LoadDamage::~LoadDamage() { Finish(); }

void LoadDamage::Finish() noexcept {
  if (finished_) return;
  finished_ = true;
  Current() = outer_;
  try {
    // Each report names the file: the defaults file is loaded in place of others.
    const std::string in = " in " + path_.filename().string();
    std::int64_t total = 0;
    {
      // Every fault goes to the errors file; the chat gets one line for the file.
      const Hub::ChatQuiet quiet;
      for (const Faults::Fault& f : faults_->list) {
        const std::string times = f.count > 1 ? " (" + std::to_string(f.count) + " times)" : std::string();
        ReportTrapped(f.number, f.description + times + in, f.procedure, className_, false);
        total += f.count;
      }
    }
    if (total != 0) {
      Hub::wtcw_error("Loading " + path_.filename().string() + " found " + std::to_string(total) +
                      (total == 1 ? " fault" : " faults") + "; " + Hub::kErrorsFileName + " describes each.");
    }
    persistence::KeepAsideBeforeSave(path_, faults_->fileFault ? std::optional(std::move(bytes_)) : std::nullopt);
  } catch (...) {
    // Out of memory while reporting: the faults stay unreported, the load goes on.
  }
}

void LoadDamage::Report(const std::string& key, int number, const std::string& description,
                        const std::string& procedure, bool fileFault) noexcept {
  LoadDamage* load = Current();
  if (!load) {
    ReportTrapped(number, description, procedure, kClass, false);
    return;
  }
  try {
    Faults& faults = *load->faults_;
    faults.fileFault = faults.fileFault || fileFault;
    const auto [at, added] = faults.byKey.emplace(procedure + '\n' + key, faults.list.size());
    if (added) {
      faults.list.push_back({number, description, procedure, 1});
    } else {
      ++faults.list[at->second].count;
    }
  } catch (...) {
    ReportTrapped(number, description, procedure, kClass, false);
  }
}

}  // namespace mellox
