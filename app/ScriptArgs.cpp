#include "ScriptArgs.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "ScriptRunner.h"
#include "core/TextEncoding.h"

namespace mellox::app {

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

std::string NextWord(std::string& rest) {
  rest = Trimmed(rest);
  const auto space = rest.find_first_of(" \t");
  std::string word = rest.substr(0, space);
  rest = space == std::string::npos ? std::string() : Trimmed(rest.substr(space + 1));
  return word;
}

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

namespace {

// The digits of a decimal or 0x hex number, after at most one minus sign; negative says whether it had one.
template <class T>
T Magnitude(const std::string& text, const char* what, bool& negative) {
  T value = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  int base = 10;
  negative = false;
  if (begin != end && *begin == '-') {
    negative = true;
    ++begin;
  }
  if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
    begin += 2;
    base = 16;
  }
  // One sign only, before the 0x: from_chars would take a second one ("0x-1", "--1").
  if (begin != end && *begin == '-') throw ScriptError{std::string("malformed ") + what + ": '" + text + "'"};
  auto [ptr, ec] = std::from_chars(begin, end, value, base);
  if (ec == std::errc::result_out_of_range) throw ScriptError{std::string(what) + " out of range: '" + text + "'"};
  if (text.empty() || ec != std::errc() || ptr != end) throw ScriptError{std::string("malformed ") + what + ": '" + text + "'"};
  return value;
}

}  // namespace

long long ParseInteger(const std::string& text, const char* what) {
  bool negative = false;
  const long long value = Magnitude<long long>(text, what, negative);
  return negative ? -value : value;
}

std::uint64_t ParseUnsigned64(const std::string& text, const char* what) {
  bool negative = false;
  const std::uint64_t value = Magnitude<std::uint64_t>(text, what, negative);
  if (negative && value != 0) throw ScriptError{std::string(what) + " cannot be negative: '" + text + "'"};
  return value;
}

std::int32_t ParseInt32(const std::string& text, const char* what) {
  const long long value = ParseInteger(text, what);
  if (value < INT32_MIN || value > UINT32_MAX) throw ScriptError{std::string(what) + " out of range: '" + text + "'"};
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t ParseSignedInt32(const std::string& text, const char* what) {
  const long long value = ParseInteger(text, what);
  if (value < INT32_MIN || value > INT32_MAX) throw ScriptError{std::string(what) + " out of range: '" + text + "'"};
  return static_cast<std::int32_t>(value);
}

std::int32_t ParseBounded(const std::string& text, const char* what, std::int32_t low, std::int32_t high) {
  const long long value = ParseInteger(text, what);
  if (value < low || value > high)
    throw ScriptError{std::string(what) + " out of range (" + std::to_string(low) + " to " + std::to_string(high) +
                      "): '" + text + "'"};
  return static_cast<std::int32_t>(value);
}

std::int32_t ParseWindowCoordinate(const std::string& text, const char* what) {
  return ParseBounded(text, what, INT16_MIN, INT16_MAX);
}

double ParseFinite(const std::string& text, const char* what) {
  const double value = ParseReal(text, what);
  if (!std::isfinite(value)) throw ScriptError{std::string(what) + " must be a finite number: '" + text + "'"};
  return value;
}

double ParseReal(const std::string& text, const char* what) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) throw ScriptError{std::string("malformed ") + what + ": '" + text + "'"};
  return value;
}

bool ParseOnOffOrBool(const std::string& text) {
  if (text == "on" || text == "true" || text == "True" || text == "1") return true;
  if (text == "off" || text == "false" || text == "False" || text == "0") return false;
  throw ScriptError{"expected a truth value, not '" + text + "'"};
}

bool ParseOnOff(const std::string& text) {
  if (text == "on") return true;
  if (text == "off") return false;
  throw ScriptError{"expected on or off, not '" + text + "'"};
}

bool NextField(std::string_view& rest, std::string& name, std::string& value, bool& quoted) {
  // Only the view moves: a line of many fields is read in one pass.
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = rest.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    rest = {};
    return false;
  }
  rest = rest.substr(first, rest.find_last_not_of(kBlanks) - first + 1);
  const auto space = rest.find_first_of(" \t");
  const auto eq = rest.substr(0, space).find('=');
  if (eq == std::string_view::npos || eq == 0)
    throw ScriptError{"fields are written NAME=VALUE, not '" + std::string(rest.substr(0, space)) + "'"};
  name = rest.substr(0, eq);
  quoted = eq + 1 < rest.size() && rest[eq + 1] == '"';
  if (!quoted) {
    value = rest.substr(eq + 1, space == std::string_view::npos ? std::string_view::npos : space - eq - 1);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space);
    return true;
  }
  const auto close = rest.find('"', eq + 2);
  if (close == std::string_view::npos) throw ScriptError{"unterminated quoted value of field " + name};
  if (close + 1 < rest.size() && rest[close + 1] != ' ' && rest[close + 1] != '\t')
    throw ScriptError{"a blank must follow the quoted value of field " + name};
  value = rest.substr(eq + 2, close - eq - 2);
  rest = rest.substr(close + 1);
  return true;
}

std::string Printable(const std::string& text, std::size_t limit) {
  std::string out;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++characters) {
    if (characters == limit) return out + "...";
    const auto byte = static_cast<unsigned char>(text[i]);
    // A whole UTF-8 character passes as it is.
    std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 0;
    if (length > 1 && !TextEncoding::IsValidUtf8(std::string_view(text).substr(i, length))) length = 0;
    if (length == 0 || byte < 0x20 || byte == 0x7F) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
      ++i;
      continue;
    }
    out.append(text, i, length);
    i += length;
  }
  return out;
}

void NoMore(const std::string& rest, const char* usage) {
  if (!rest.empty()) throw ScriptError{std::string("too many arguments; usage: ") + usage};
}

}  // namespace mellox::app
