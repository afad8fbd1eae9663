#pragma once

// Helpers reproducing the classic VB runtime exactly: text functions on
// single-byte text, Like, numeric conversions, number and date formatting.
// Errors raise VBError with the runtime's numbers (5, 6, 11, 13, 93).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mellox::vb {

// --- Like -------------------------------------------------------------------
// Binary compare, linear memory, no recursion. A malformed pattern matches nothing.
bool Like(std::string_view text, std::string_view pattern);
bool IsValidLikePattern(std::string_view pattern);
// As Like, but a malformed pattern raises 93.
bool LikeChecked(std::string_view text, std::string_view pattern);

// --- Case and comparison ----------------------------------------------------
// ASCII plus Latin-1 folding; lengths never change.
char LowerChar(char c);
char UpperChar(char c);
std::string LCase(std::string_view s);
std::string UCase(std::string_view s);
bool TextEqual(std::string_view a, std::string_view b);
int TextCompare(std::string_view a, std::string_view b);  // -1, 0, 1

// --- Text functions (positions from 1) --------------------------------------
long InStr(long start, std::string_view s, std::string_view find, bool textCompare = false);
long InStr(std::string_view s, std::string_view find, bool textCompare = false);
long InStrRev(std::string_view s, std::string_view find, long start = -1, bool textCompare = false);
std::string Mid(std::string_view s, long start);
std::string Mid(std::string_view s, long start, long length);
std::string Left(std::string_view s, long length);
std::string Right(std::string_view s, long length);
std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
std::vector<std::string> Split(std::string_view s, std::string_view delim = " ");
std::string Join(const std::vector<std::string>& parts, std::string_view delim = " ");
std::string Replace(std::string_view s, std::string_view find, std::string_view with, long start = 1,
                    long count = -1, bool textCompare = false);
std::string Chr(int code);
int Asc(std::string_view s);
std::string Space(long n);
std::string String(long n, char ch);
std::string String(long n, std::string_view ch);

// --- Conversions ------------------------------------------------------------
int32_t CLng(double x);
int32_t CLng(std::string_view text);
int16_t CInt(double x);
int16_t CInt(std::string_view text);
uint8_t CByte(double x);
uint8_t CByte(std::string_view text);
double CDbl(std::string_view text);
bool CBool(std::string_view text);
bool CBool(double x);
double Val(std::string_view text);
bool IsNumeric(std::string_view text);
double Int(double x);
double Fix(double x);
double Round(double x, int digits = 0);
int32_t IntDiv(double a, double b);
int32_t Mod(double a, double b);
double Divide(double a, double b);

// --- Numbers as text (locale-independent) -----------------------------------
std::string CStr(double x);
std::string CStrSingle(float x);
std::string CStr(int64_t x);
std::string CStr(int x);
std::string CStr(bool x);
std::string FormatGrouped(double x);                 // Format(x, "#,##0")
std::string FormatFixed(double x, int decimals);     // Format(x, "0.0") with `decimals` places

// --- Dates (OLE: days since 1899-12-30, fraction = time of day) --------------
double DateSerialTime(int year, int month, int day, int hour, int minute, int second);
void DateParts(double oleDate, int& year, int& month, int& day, int& hour, int& minute, int& second);
std::string FormatDate(double oleDate, std::string_view fmt);
int64_t DateDiffSeconds(double a, double b);

}  // namespace mellox::vb
