// One incoming chat line of arbitrary bytes (up to 64 KiB) in any colour and
// window, through the whole pipeline with custom rules, filter words and the
// chat log on. Input: colour (int32, little-endian), window (int32), text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzSession.h"
#include "chat/LogHandler.h"

using namespace mellox;
using namespace mellox::fuzz;

namespace {

constexpr std::size_t kMaxText = 64 * 1024;

std::int32_t Int32At(const std::uint8_t* data, std::size_t size, std::size_t at) {
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < 4 && at + i < size; ++i) bytes[i] = data[at + i];
  const std::uint32_t v = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
  std::int32_t out;
  std::memcpy(&out, &v, sizeof out);
  return out;
}

// Rules and filter words of every kind, so the line meets all of their code.
void Configure(ControlHandler& ch) {
  const char* patterns[] = {"*tells you*", "*[Aa]llegiance*", "You say, *", "*#*#*", "*[!a-z]xp*",
                            "*is low on Mana.*", "*", "?*?", "*[*", "Your * is now *"};
  const char* types[] = {"All", "3", "MX", "4", "All", "7", "0", "All", "All", "13"};
  int i = 0;
  for (const char* pattern : patterns) {
    const std::int32_t row = ch.ChatCustom->AddRow();
    ch.ChatCustom->DataLet(0, row, 0, true);
    ch.ChatCustom->DataLet(1, row, 0, pattern);
    ch.ChatCustom->DataLet(2, row, 0, i % 3 == 0 ? "M" : i % 3 == 1 ? "1" : "M2");
    ch.ChatCustom->DataLet(3, row, 0, types[i]);
    ch.ChatCustom->DataLet(4, row, 1, 101 + i);
    ch.ChatCustom->DataLet(5, row, 0, "None");
    ch.ChatCustom->DataLet(6, row, 0, "");
    ++i;
  }
  const char* words[] = {"darn", "heck", "a", "*", "tell"};
  i = 0;
  for (const char* word : words) {
    const std::int32_t row = ch.ChatFilter->AddRow();
    ch.ChatFilter->DataLet(0, row, 0, true);
    ch.ChatFilter->DataLet(1, row, 0, word);
    ch.ChatFilter->DataLet(2, row, 0, i % 2 ? "Whole" : "Part");
    ch.ChatFilter->DataLet(3, row, 0, i % 3 ? "Replace" : "Block");
    ++i;
  }
  ch.ChatLogEnable->CheckedLet(true);
  for (std::int32_t row = 0, n = ch.ChatLogOptions->Count(); row < n; ++row) ch.ChatLogOptions->DataLet(2, row, 0, true);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Configure(Session::Get().Controls());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Session& session = Session::Get();
  const std::int32_t color = Int32At(data, size, 0);
  const std::int32_t window = Int32At(data, size, 4);
  std::string text;
  if (size > 8) text.assign(reinterpret_cast<const char*>(data) + 8, std::min(size - 8, kMaxText));

  session.IncomingChat(text, color, window);
  session.Host().Advance(250);

  if (LogHandlerInstance && LogHandlerInstance->Log().size() > static_cast<std::size_t>(LogHandlerInstance->MaxLines()))
    Fail("the chat log holds more than its limit of " + std::to_string(LogHandlerInstance->MaxLines()) + " lines");
  session.AfterInput();
  return 0;
}
