// Reading the arguments of a script line. Every reader throws ScriptError
// (ScriptRunner.h) for an argument it cannot read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mellox::app {

std::string Trimmed(const std::string& s);
// Splits off the first blank-separated word; the rest keeps its inner blanks.
std::string NextWord(std::string& rest);
// A path argument: quoted ("a b/c.txt") or one word.
std::string NextPath(std::string& rest);
// Decimal or 0x hex, with an optional minus sign; what names the argument in the message.
long long ParseInteger(const std::string& text, const char* what);
// A count the game keeps in 64 unsigned bits (XP): 0 to 18446744073709551615.
std::uint64_t ParseUnsigned64(const std::string& text, const char* what);
// Ids above 0x7FFFFFFF are written as the unsigned form of a signed 32-bit id.
std::int32_t ParseInt32(const std::string& text, const char* what);
// Amounts, counts, colours and modes: a signed 32-bit number, with no unsigned form.
std::int32_t ParseSignedInt32(const std::string& text, const char* what);
// A number from low to high; outside it fails naming the range.
std::int32_t ParseBounded(const std::string& text, const char* what, std::int32_t low, std::int32_t high);
// A point or edge in the game window: a window message carries each as 16 signed bits.
std::int32_t ParseWindowCoordinate(const std::string& text, const char* what);
// A real number that is not infinite or NaN.
double ParseFinite(const std::string& text, const char* what);
double ParseReal(const std::string& text, const char* what);
bool ParseOnOffOrBool(const std::string& text);
bool ParseOnOff(const std::string& text);
// A network message field, NAME=VALUE; a VALUE in double quotes may hold blanks
// and is text as written. False at the end of rest.
bool NextField(std::string_view& rest, std::string& name, std::string& value, bool& quoted);
// Text for a message: control bytes and bytes that are not UTF-8 as \xNN, cut
// after limit characters.
std::string Printable(const std::string& text, std::size_t limit = 200);
// Fails with the verb's usage when arguments are left over.
void NoMore(const std::string& rest, const char* usage);

}  // namespace mellox::app
