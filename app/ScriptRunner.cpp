#include "ScriptRunner.h"

#include <charconv>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "core/APluginCore.h"

namespace mellox::app {

namespace {

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

// Splits off the first blank-separated word; the rest keeps its inner blanks.
std::string NextWord(std::string& rest) {
  rest = Trimmed(rest);
  const auto space = rest.find_first_of(" \t");
  std::string word = rest.substr(0, space);
  rest = space == std::string::npos ? std::string() : Trimmed(rest.substr(space + 1));
  return word;
}

// A path argument: quoted ("a b/c.txt") or one word.
std::string NextPath(std::string& rest) {
  rest = Trimmed(rest);
  if (!rest.empty() && rest.front() == '"') {
    const auto close = rest.find('"', 1);
    if (close == std::string::npos) throw ScriptError{"unterminated quoted path"};
    std::string path = rest.substr(1, close - 1);
    rest = Trimmed(rest.substr(close + 1));
    return path;
  }
  return NextWord(rest);
}

long long ParseInteger(const std::string& text, const char* what) {
  long long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) throw ScriptError{std::string("malformed ") + what + ": '" + text + "'"};
  return value;
}

}  // namespace

long long ParseDuration(const std::string& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  const std::string number = text.substr(0, digits);
  const std::string unit = text.substr(digits);
  if (number.empty()) throw ScriptError{"malformed duration: '" + text + "'"};
  const long long n = ParseInteger(number, "duration");
  if (unit == "ms") return n;
  if (unit == "s") return n * 1000;
  if (unit == "m") return n * 60000;
  throw ScriptError{"malformed duration (use ms, s or m): '" + text + "'"};
}

ScriptRunner::ScriptRunner(sim::SimHost& host, std::ostream& err) : host_(host), err_(err) { AddVerbs(); }

void ScriptRunner::Fail(const std::string& message) { throw ScriptError{message}; }

void ScriptRunner::AddVerbs() {
  verbs_["advance"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string amount = NextWord(rest);
    if (amount.empty() || !rest.empty()) Fail("advance takes one duration, such as 1500ms, 2s or 3m");
    host_.Advance(ParseDuration(amount));
  };
  verbs_["expect"] = [this](const std::string& args) {
    if (args.empty()) Fail("expect needs a text");
    const auto& out = host_.Output();
    bool found = false;
    for (std::size_t i = expectMark_; i < out.size() && !found; ++i) found = out[i].find(args) != std::string::npos;
    expectMark_ = out.size();
    if (!found) Fail("expected output containing '" + args + "'");
  };
  verbs_["expect-not"] = [this](const std::string& args) {
    if (args.empty()) Fail("expect-not needs a text");
    const auto& out = host_.Output();
    for (std::size_t i = expectMark_; i < out.size(); ++i)
      if (out[i].find(args) != std::string::npos) Fail("unexpected output: '" + out[i] + "'");
  };
  verbs_["expect-file"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string path = NextPath(rest);
    if (path.empty() || rest.empty()) Fail("expect-file takes a path under the home folder and a text");
    std::ifstream in(host_.Home() / path, std::ios::binary);
    if (!in) Fail("file not found: " + path);
    std::stringstream content;
    content << in.rdbuf();
    if (content.str().find(rest) == std::string::npos) Fail("file " + path + " does not contain '" + rest + "'");
  };
  verbs_["plugin-text"] = [this](const std::string& args) {
    std::string rest = args;
    const auto color = ParseInteger(NextWord(rest), "colour");
    const auto window = ParseInteger(NextWord(rest), "window");
    auto* plugin = dynamic_cast<APluginCore*>(host_.Plugin());
    if (!plugin) Fail("no plug-in loaded");
    plugin->AddChatText(rest, static_cast<std::int32_t>(color), static_cast<std::int32_t>(window));
  };
}

bool ScriptRunner::RunLine(const std::string& rawLine) {
  lastError_.clear();
  std::string line = Trimmed(rawLine);
  if (line.empty() || line.front() == '#') return true;
  std::string rest = line;
  const std::string verb = NextWord(rest);
  const auto it = verbs_.find(verb);
  if (it == verbs_.end()) {
    lastError_ = "unknown command '" + verb + "'";
    return false;
  }
  try {
    it->second(rest);
  } catch (const ScriptError& e) {
    lastError_ = e.message;
    return false;
  } catch (const std::exception& e) {
    lastError_ = std::string("error: ") + e.what();
    return false;
  }
  return true;
}

bool ScriptRunner::Run(std::istream& script, const std::string& scriptName, bool interactive) {
  bool ok = true;
  std::string line;
  int number = 0;
  while (std::getline(script, line)) {
    ++number;
    if (RunLine(line)) continue;
    err_ << scriptName << ":" << number << ": " << lastError_ << " (line: " << Trimmed(line) << ")\n";
    err_.flush();
    ok = false;
    if (!interactive) return false;
  }
  return ok;
}

}  // namespace mellox::app
