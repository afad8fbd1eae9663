// The real plug-in in the simulated host, logged in as Bob on Alpha with the
// shipped defaults (own lines routed to the main window), and the user's
// actions on the chat pages of the settings view.
#pragma once

#include <cstdint>
#include <string>

#include "chat/CellValue.h"
#include "chat/LogHandler.h"
#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCheckBox.h"
#include "sim/SimChoice.h"
#include "sim/SimEdit.h"
#include "sim/SimList.h"
#include "sim/SimPushButton.h"
#include "sim/SimView.h"

namespace mellox::test {

class ChatPageTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    RouteOwnLinesToMain();
    Login();
    errors.clear();
  }

  ControlHandler& C() { return *ControlHandlerInstance; }
  LogHandler& L() { return *LogHandlerInstance; }
  template <class T>
  T& Get(const std::string& name) {
    return host->View()->Get<T>(name);
  }
  void Check(const std::string& name, bool on) { Get<sim::SimCheckBox>(name).UserCheck(on); }
  void Type(const std::string& name, const std::string& text) { Get<sim::SimEdit>(name).UserEdit(text); }
  void Press(const std::string& name) { Get<sim::SimPushButton>(name).UserPress(); }
  void Click(const std::string& list, std::int32_t column, std::int32_t row) {
    Get<sim::SimList>(list).UserClick(column, row);
  }
  // Picks the entry with that text.
  void Choose(const std::string& name, const std::string& text) {
    auto& choice = Get<sim::SimChoice>(name);
    for (std::int32_t i = 0; i < choice.ChoiceCount(); ++i) {
      if (choice.TextGet(i) == text) {
        choice.UserChoose(i);
        return;
      }
    }
    ADD_FAILURE() << name << " has no entry " << text;
  }
  std::string Chosen(const std::string& name) {
    auto& choice = Get<sim::SimChoice>(name);
    return choice.SelectedGet() < 0 ? "" : choice.TextGet(choice.SelectedGet());
  }
  std::string Cell(const std::string& list, std::int32_t column, std::int32_t row, std::int32_t sub = 0) {
    return CellText(Get<sim::SimList>(list).DataGet(column, row, sub));
  }
  std::int32_t Rows(const std::string& list) { return Get<sim::SimList>(list).Count(); }

  // The character's settings file as last saved.
  std::string SavedSettings() const {
    return ReadText(host->ProgramDataDir() / "Mellox" / "Settings" / "Mellox_Settings_Alpha_Bob.xml");
  }
  bool SavedHas(const std::string& text) const { return SavedSettings().find(text) != std::string::npos; }
};

}  // namespace mellox::test
