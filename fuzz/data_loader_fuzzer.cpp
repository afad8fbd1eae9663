// The per-character data file on arbitrary contents, read as a login reads it.
// Whatever the file held, the load must leave a file that the next load reads
// back to the same bytes (the canonical form is a fixed point).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSession.h"
#include "chat/LogHandler.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"

using namespace mellox;
using namespace mellox::fuzz;

namespace {

// Puts back everything a data-file load changes, as a fresh login finds it.
void FreshState(ControlHandler& ch) {
  DataFile::ResetForTesting();
  ch.GlobalSettings->CheckedLet(false);
  if (CorpseHandlerInstance) CorpseHandlerInstance->Corpses.clear();
  if (SpellHandlerInstance) SpellHandlerInstance->ItemSpells.clear();
  LogHandlerInstance->Clear();
  LogHandlerInstance->MaxLines(100);
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
  const fs::path file = DataFile::Path();
  session.ClearAside(file.parent_path());
  Session::Write(file, std::string(reinterpret_cast<const char*>(data), size));

  FreshState(ch);
  DataFile::Load(ch, 0);
  const std::string first = Slurp(file);
  if (first.empty()) Fail("the load did not write the data file back");
  if (first != DataFile::Build(ch)) Fail("the file written differs from what the plug-in holds");

  FreshState(ch);
  DataFile::Load(ch, 0);
  const std::string second = Slurp(file);
  if (second != first) Fail("load -> save is not stable: " + FirstDifference(first, second));

  session.AfterInput();
  return 0;
}
