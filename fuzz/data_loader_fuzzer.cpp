// The per-character data file on arbitrary contents, read as a login reads it,
// with the lines stored beside it: what follows a form feed in the input, after
// the first line naming this data file unless it names one itself. Whatever
// the files held, the load must leave a data file that the next load reads
// back to the same bytes (the canonical form is a fixed point), and no
// companion: its lines are in the data file now, or it was kept aside.
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
  const fs::path lines = DataFile::LinesPath();
  session.ClearAside(file.parent_path());
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\f');
  const std::string dataBytes = input.substr(0, cut);
  Session::Write(file, dataBytes);
  std::error_code ec;
  fs::remove(lines, ec);
  if (cut != std::string::npos) {
    const std::string added = input.substr(cut + 1);
    Session::Write(lines, added.starts_with("<Base ") ? added : DataFile::LinesFirstLine(dataBytes) + added);
  }

  FreshState(ch);
  DataFile::Load(ch, 0);
  const std::string first = Slurp(file);
  if (first.empty()) Fail("the load did not write the data file back");
  if (first != DataFile::Build(ch)) Fail("the file written differs from what the plug-in holds");
  if (fs::exists(lines)) Fail("the lines stored beside the data file are still there after a whole write");

  FreshState(ch);
  DataFile::Load(ch, 0);
  const std::string second = Slurp(file);
  if (second != first) Fail("load -> save is not stable: " + FirstDifference(first, second));

  session.AfterInput();
  return 0;
}
