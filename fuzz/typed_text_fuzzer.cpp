// A line of arbitrary bytes typed into the chat bar: commands, aliases and
// plain text, as the game hands it to the plug-in.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSession.h"

using namespace mellox;
using namespace mellox::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Session::Get();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Session& session = Session::Get();
  session.TypeText(std::string(reinterpret_cast<const char*>(data), size));
  session.Host().Advance(250);
  session.AfterInput();
  return 0;
}
