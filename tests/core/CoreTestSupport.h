// Shared pieces of the plug-in core tests: a simulated host in a fresh home
// folder, a site wrapper that lets a test act between the global reset and
// the handler creation, hooks whose chat writer can be made to fail, and a
// plain choice control.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/VBError.h"
#include "platform/ACHooks.h"
#include "platform/HostView.h"
#include "platform/PluginSite.h"
#include "sim/SimHost.h"
#include "sim/SimSite.h"
#include "support/TempHome.h"

namespace mellox::test {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Splits at CR LF; a final empty piece (after the last CR LF) is dropped.
inline std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

struct HostFixture {
  TempHome home;
  sim::SimHost host{{home.path(), MELLOX_DATA_DIR}};

  // The game's folder in My Documents, which the writers never create.
  std::filesystem::path GameFolder() const { return host.DocumentsDir() / "Asheron's Call"; }
  void MakeGameFolder() { std::filesystem::create_directories(GameFolder()); }
  std::string ErrorsFile() const { return ReadFile(GameFolder() / "Mellox Errors.txt"); }
  std::string DebugFile() const { return ReadFile(GameFolder() / "Mellox Debug.txt"); }

  std::vector<std::string> OutputSince(std::size_t mark) const {
    const auto& out = host.Output();
    return {out.begin() + static_cast<std::ptrdiff_t>(mark), out.end()};
  }
};

// Forwards to the host's hooks; the chat writer and chat state can fail.
class FailingHooks : public platform::ACHooks {
 public:
  explicit FailingHooks(platform::ACHooks& inner) : inner_(inner) {}
  bool failChat = false;
  int chatAttempts = 0;

  void AddChatLine(const std::string& t, std::int32_t c, std::int32_t w) override {
    ++chatAttempts;
    if (failChat) throw VBError(5, "chat writer failed");
    inner_.AddChatLine(t, c, w);
  }
  void AddChatLineRaw(const std::string& t, std::int32_t c, std::int32_t w) override { inner_.AddChatLineRaw(t, c, w); }
  void InvokeChatParser(const std::string& t) override { inner_.InvokeChatParser(t); }
  bool ChatState() override {
    if (failChat) throw VBError(5, "chat state failed");
    return inner_.ChatState();
  }
  void SetIdleTime(double s) override { inner_.SetIdleTime(s); }
  std::int32_t GetCurrentSelection() override { return inner_.GetCurrentSelection(); }
  platform::Rect Get3DRegion() override { return inner_.Get3DRegion(); }
  std::int32_t BusyState() override { return inner_.BusyState(); }
  std::int32_t PointerState() override { return inner_.PointerState(); }
  std::int32_t CombatMode() override { return inner_.CombatMode(); }
  bool IsValidObject(std::int32_t id) override { return inner_.IsValidObject(id); }
  std::int32_t ExcludedContainer() override { return inner_.ExcludedContainer(); }
  void SelectItem(std::int32_t id) override { inner_.SelectItem(id); }
  std::int32_t SelectedStackSize() override { return inner_.SelectedStackSize(); }
  void SetSelectedStackSize(std::int32_t n) override { inner_.SetSelectedStackSize(n); }
  void UseItem(std::int32_t id, std::int32_t m) override { inner_.UseItem(id, m); }
  void ApplyItem(std::int32_t i, std::int32_t t) override { inner_.ApplyItem(i, t); }
  void GiveItem(std::int32_t i, std::int32_t t) override { inner_.GiveItem(i, t); }
  void MoveItem(std::int32_t i, std::int32_t d) override { inner_.MoveItem(i, d); }
  void RequestIdentify(std::int32_t id) override { inner_.RequestIdentify(id); }
  std::int32_t VendorId() override { return inner_.VendorId(); }
  void VendorAddToBuyList(std::int32_t id, std::int32_t n) override { inner_.VendorAddToBuyList(id, n); }
  void VendorBuyAll() override { inner_.VendorBuyAll(); }
  void VendorAddToSellList(std::int32_t id) override { inner_.VendorAddToSellList(id); }
  void VendorSellAll() override { inner_.VendorSellAll(); }

 private:
  platform::ACHooks& inner_;
};

// Wraps the host's site. onSetPluginObject runs when the plug-in registers
// itself: after the globals are reset and before any handler exists.
class WrappedSite : public platform::PluginSite {
 public:
  explicit WrappedSite(sim::SimSite& inner) : inner_(inner) {}
  std::function<void()> onSetPluginObject;
  platform::ACHooks* hooks = nullptr;
  bool failHostCore = false;

  std::shared_ptr<void> GetServiceByPath(const std::string& path) override { return inner_.GetServiceByPath(path); }
  platform::ACHooks& GetHooks() override { return hooks ? *hooks : inner_.GetHooks(); }
  platform::HostCore& GetHostCore() override {
    if (failHostCore) throw VBError(91);
    return inner_.GetHostCore();
  }
  void SetPluginObject(platform::IPlugin2* plugin) override {
    inner_.SetPluginObject(plugin);
    if (onSetPluginObject) onSetPluginObject();
  }
  std::shared_ptr<platform::HostWindow> GetGameWindow() override { return inner_.GetGameWindow(); }

 private:
  sim::SimSite& inner_;
};

class PlainChoice : public platform::ChoiceControl {
 public:
  std::int32_t Id() const override { return 1; }
  const std::string& Name() const override { return name_; }
  void AddChoice(const std::string& text, const platform::Variant&) override { items.push_back(text); }
  std::int32_t ChoiceCount() override { return static_cast<std::int32_t>(items.size()); }
  platform::Variant DataGet(std::int32_t) override { return {}; }
  std::string TextGet(std::int32_t i) override { return items.at(static_cast<std::size_t>(i)); }
  std::int32_t SelectedGet() override { return selected; }
  void SelectedLet(std::int32_t i) override { selected = i; }
  void Clear() override {
    items.clear();
    selected = -1;
  }
  std::vector<std::string> items;
  std::int32_t selected = -1;

 private:
  std::string name_ = "Choice";
};

}  // namespace mellox::test
