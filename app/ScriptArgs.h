// Reading the arguments of a script line. Every reader throws ScriptError
// (ScriptRunner.h) for an argument it cannot read.
#pragma once

#include <cstdint>
#include <string>

namespace mellox::app {

std::string Trimmed(const std::string& s);
// Splits off the first blank-separated word; the rest keeps its inner blanks.
std::string NextWord(std::string& rest);
// A path argument: quoted ("a b/c.txt") or one word.
std::string NextPath(std::string& rest);
// Decimal or 0x hex, with an optional minus sign; what names the argument in the message.
long long ParseInteger(const std::string& text, const char* what);
// Ids above 0x7FFFFFFF are written as the unsigned form of a signed 32-bit id.
std::int32_t ParseInt32(const std::string& text, const char* what);
// Amounts, counts and modes: a signed 32-bit number, with no unsigned form.
std::int32_t ParseSignedInt32(const std::string& text, const char* what);
double ParseReal(const std::string& text, const char* what);
bool ParseOnOffOrBool(const std::string& text);
bool ParseOnOff(const std::string& text);
// Fails with the verb's usage when arguments are left over.
void NoMore(const std::string& rest, const char* usage);

}  // namespace mellox::app
