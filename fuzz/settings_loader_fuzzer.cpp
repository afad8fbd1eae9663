// The settings loader on arbitrary file contents. A load must always end with
// the settings applied (falling back to the defaults), and what it writes back
// must be a fixed point: loading that file again writes the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSession.h"

using namespace mellox;
using namespace mellox::fuzz;

namespace {

// Texts that mean the same setting. The lists start with the tracked buff
// "-1" (none), which a file without a Spells element keeps and a load turns
// into the empty text: both are "none".
std::string Equivalent(std::string xml) {
  const std::string minusOne = "<Spells selected=\"-1\"";
  if (const auto at = xml.find(minusOne); at != std::string::npos) xml.replace(at, minusOne.size(), "<Spells selected=\"\"");
  return xml;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Session::rasterise = false;
  Session::Get();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Session& session = Session::Get();
  ControlHandler& ch = session.Controls();
  ch.GlobalSettings->CheckedLet(false);
  const fs::path file = SettingsFile::PathFor(ch, 0);
  session.ClearAside(file.parent_path());
  Session::Write(file, std::string(reinterpret_cast<const char*>(data), size));

  SettingsFile::Load(ch, 0);
  if (SettingsState != 2) Fail("the settings were not applied (state " + std::to_string(SettingsState) + ")");
  const std::string first = Slurp(file);
  if (first.empty()) Fail("the load did not write the settings back");
  if (first != SettingsFile::Build(ch)) Fail("the file written differs from the settings shown");

  SettingsFile::Load(ch, 0);
  if (SettingsState != 2) Fail("the written file could not be applied");
  const std::string second = Slurp(file);
  if (Equivalent(second) != Equivalent(first))
    Fail("load -> save is not stable: " + FirstDifference(Equivalent(first), Equivalent(second)));

  session.AfterInput();
  return 0;
}
