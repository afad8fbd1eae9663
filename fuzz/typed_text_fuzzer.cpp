// A line of arbitrary bytes typed into the chat bar: commands, aliases and
// plain text, as the game hands it to the plug-in.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSession.h"

using namespace mellox;
using namespace mellox::fuzz;

namespace {

// "/x log NAME" opens NAME in the chat-log folder as the player typed it; a
// name with a path in it would have the fuzzer write files anywhere on this
// machine, so such lines are not tried.
bool NamesAFileElsewhere(const std::string& line) {
  const std::string typed = vb::Trim(line);
  const std::string lower = vb::LCase(typed);
  if (lower.size() < 6 || (lower[0] != '/' && lower[0] != '@') || lower.compare(1, 2, "x ") != 0) return false;
  if (vb::Trim(lower.substr(3)).rfind("log", 0) != 0) return false;
  return typed.find_first_of("/\\:", 1) != std::string::npos || typed.find("..") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Session::Get();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  if (NamesAFileElsewhere(line)) return 0;
  Session& session = Session::Get();
  session.TypeText(line);
  session.Host().Advance(250);
  session.AfterInput();
  return 0;
}
