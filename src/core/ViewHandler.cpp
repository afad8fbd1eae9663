#include "core/ViewHandler.h"

#include <filesystem>
#include <fstream>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "platform/PluginSite.h"
#include "platform/System.h"

namespace mellox {

namespace {
constexpr const char* kClass = "ViewHandler";
constexpr const char* kViewFile = "Mellox_View.xml";
}  // namespace

ViewHandler::ViewHandler() {
  Trap("Class_Initalize", kClass, [&] {
    Hub::wtcw_debug("View Handler Init");
    CreateMainView();
  });
}

ViewHandler::~ViewHandler() {
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("View Handler Terminate");
    MainView.reset();
  });
  MainView.reset();
}

std::string ViewHandler::FileToString(const std::string& fileName) {
  std::string result;
  Trap("FileToString", kClass, [&] {
    const std::filesystem::path path = std::filesystem::path(platform::Sys().AppPath()) / fileName;
    std::ifstream in(path, std::ios::binary);
    if (!in) Raise(53);
    // Lines end at CR, LF or CR LF; they are joined with nothing between them.
    std::string line;
    char ch = 0;
    while (in.get(ch)) {
      if (ch == '\r' || ch == '\n') {
        if (ch == '\r' && in.peek() == '\n') in.get(ch);
        result += line;
        line.clear();
      } else {
        line.push_back(ch);
      }
    }
    if (in.bad()) Raise(57);  // device I/O error: keep what was read
    result += line;
  });
  return result;
}

void ViewHandler::CreateMainView() {
  Trap("CreateMainView", kClass, [&] {
    const std::string text = FileToString(kViewFile);
    description_ = text;
    if (HostCore == nullptr) Raise(91);
    try {
      MainView = HostCore->CreateView(text);
    } catch (const VBError& e) {
      // Everything that follows misses the view's controls; only this line
      // says which file to mend, and why the host refused it.
      Hub::wtcw_error(std::string(kViewFile) + " could not be read (" + e.Description() +
                      "); the settings window is not available.");
      throw VBError(e.Number(), std::string(kViewFile) + ": " + e.Description());
    }
  });
}

}  // namespace mellox
