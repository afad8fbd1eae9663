// The view description on arbitrary contents: the plug-in starts with it,
// logs in and handles a little traffic. Whatever the description holds, no
// error may reach the host, and the view must exist exactly when the
// description (as the plug-in reads it) can be built.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSession.h"
#include "core/VBError.h"
#include "core/ViewHandler.h"
#include "sim/SimView.h"

using namespace mellox;
using namespace mellox::fuzz;

namespace {
constexpr const char* kViewFile = "Mellox_View.xml";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Session::rasterise = false;
  Session::Get();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Session& session = Session::Get();
  sim::SimHost& host = session.Host();
  // Every input starts from the defaults, not from what the previous one saved.
  std::error_code ec;
  fs::remove(SettingsFile::Folder() / SettingsFile::CharacterFileName(), ec);
  fs::remove(SettingsFile::Folder() / SettingsFile::kGlobalFileName, ec);
  fs::remove(DataFile::Path(), ec);
  Session::Write(host.PluginDir() / kViewFile, std::string(reinterpret_cast<const char*>(data), size));

  DataFile::ResetForTesting();
  session.Restart();

  if (!ViewHandlerInstance) Fail("no view handler after initialisation");
  bool buildable = true;
  try {
    sim::SimView::Parse(ViewHandlerInstance->FileToString(kViewFile));
  } catch (const VBError&) {
    buildable = false;
  }
  if (buildable != static_cast<bool>(ViewHandlerInstance->MainView))
    Fail(buildable ? "a buildable view description left no view" : "a view was built from a broken description");

  session.IncomingChat("Someone tells you, \"hello\"", 4, 0);
  session.TypeText("/x help");
  host.Advance(1000);
  session.AfterInput();
  return 0;
}
