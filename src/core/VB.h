#pragma once

// Helpers reproducing the classic VB runtime exactly: text functions on
// single-byte text, Like, numeric conversions, number and date formatting.
// Errors raise VBError with the runtime's numbers (5, 6, 11, 13, 93).

#include <array>
#include <bitset>
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

// The byte values a text holds, found in one pass, so that many searches in
// the same text can pass over those needing a byte it lacks.
class TextBytes {
public:
    TextBytes() = default;  // no bytes
    explicit TextBytes(std::string_view text);
    void Add(unsigned char c) { words_[c >> 6] |= std::uint64_t{1} << (c & 63); }
    bool Has(unsigned char c) const { return (words_[c >> 6] >> (c & 63)) & 1; }
    // Whether this text holds every byte of the other set.
    bool HasAll(const TextBytes& needed) const {
        return (needed.words_[0] & ~words_[0]) == 0 && (needed.words_[1] & ~words_[1]) == 0 &&
               (needed.words_[2] & ~words_[2]) == 0 && (needed.words_[3] & ~words_[3]) == 0;
    }

private:
    std::array<std::uint64_t, 4> words_{};
};

// Searching one fixed byte string in many texts: the same result as
// std::string_view::find, but it scans for the needle's rarest byte (by the
// byte frequencies of chat text), so most texts are passed over in one scan.
class LiteralSearch {
public:
    LiteralSearch() = default;
    explicit LiteralSearch(std::string_view needle);

    const std::string& Needle() const { return needle_; }
    // The first position >= from where the needle starts, or npos.
    std::size_t Find(std::string_view text, std::size_t from = 0) const;
    // False when the text (given by its bytes) cannot hold the needle.
    bool MayOccurIn(const TextBytes& text) const { return text.HasAll(bytes_); }

private:
    std::string needle_;
    TextBytes bytes_;
    std::size_t rare_ = 0;  // offset of the rarest byte in the needle
};

// A Like pattern compiled once and matched many times: Match allocates
// nothing and agrees with Like for every text. A malformed pattern is not
// Valid and matches nothing; a default-made one is the empty pattern.
class LikePattern {
public:
    LikePattern() = default;
    explicit LikePattern(std::string_view pattern);

    bool Valid() const { return valid_; }
    bool Match(std::string_view text) const;
    // The same, for a text whose bytes are known: a pattern that needs a
    // byte the text lacks fails at once. textBytes must be TextBytes(text).
    bool Match(std::string_view text, const TextBytes& textBytes) const {
        return textBytes.HasAll(required_) && Match(text);
    }

private:
    // A run of single-character tokens between two stars. Runs of plain
    // characters keep their bytes so the search can use find.
    struct Segment {
        std::size_t first = 0;  // index of its first set in sets_
        std::size_t length = 0;
        bool literal = true;
        LiteralSearch text;     // the bytes, when literal
    };
    bool MatchAt(const Segment& seg, std::string_view text, std::size_t pos) const;
    // Leftmost start in [from, end - length] where seg matches, or npos.
    std::size_t Find(const Segment& seg, std::string_view text, std::size_t from, std::size_t end) const;

    bool valid_ = true;
    bool starFirst_ = false;  // the pattern starts with a star
    bool starLast_ = false;   // ... ends with one
    bool anyStar_ = false;
    TextBytes required_;  // bytes any matching text holds
    std::vector<std::bitset<256>> sets_;
    std::vector<Segment> segments_;
};

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
int64_t CLngLng(double x);  // 64-bit, halves to even
int64_t CLngLng(std::string_view text);
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
