// A network message built from fuzz bytes and handed to the echo filter as
// the game would. Input, one item a line:
//   s TYPE | c TYPE      server or client message (decimal or 0x hex type)
//   PATH=VALUE           a field (whole number, real number or text)
//   PATH~BYTES           a field's raw bytes (the rest of the line)
// PATH is "a.b.c"; a numeric part is an array element ("spells.0.spell").
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "FuzzSession.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimNetworkMessage.h"

using namespace mellox;
using namespace mellox::fuzz;

namespace {

constexpr int kMaxFields = 256;

std::int32_t TypeOf(const std::string& text) {
  const platform::Variant v = sim::SimNetworkMessage::ParseValue(text);
  if (const auto* n = std::get_if<std::int64_t>(&v.value)) return static_cast<std::int32_t>(*n);
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Session::Get();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Session& session = Session::Get();
  std::string_view in(reinterpret_cast<const char*>(data), size);
  auto nextLine = [&in] {
    const std::size_t end = in.find('\n');
    const std::string_view line = in.substr(0, end);
    in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
    return std::string(line);
  };

  std::string head = nextLine();
  bool client = false;
  if (head.size() >= 2 && (head[0] == 's' || head[0] == 'c') && head[1] == ' ') {
    client = head[0] == 'c';
    head.erase(0, 2);
  }
  auto message = std::make_shared<sim::SimNetworkMessage>(TypeOf(head));
  for (int fields = 0; !in.empty() && fields < kMaxFields; ++fields) {
    const std::string line = nextLine();
    const std::size_t mark = line.find_first_of("=~");
    if (mark == std::string::npos) continue;
    const std::string path = line.substr(0, mark);
    const std::string rest = line.substr(mark + 1);
    if (line[mark] == '=') {
      message->Set(path, sim::SimNetworkMessage::ParseValue(rest));
    } else {
      message->SetRaw(path, rest);
    }
  }

  if (client) {
    session.Host().Echo().Client(message);
  } else {
    session.Host().Echo().Server(message);
  }
  session.AfterInput();
  return 0;
}
