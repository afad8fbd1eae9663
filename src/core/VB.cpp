#include "core/VB.h"

#include <array>
#include <bitset>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

#include "core/VBError.h"

namespace mellox::vb {

namespace {

// ---------------------------------------------------------------------------
// Case folding tables: ASCII and Latin-1 letters; × and ÷ are not letters.

struct FoldTables {
    std::array<unsigned char, 256> lower{};
    std::array<unsigned char, 256> upper{};
    constexpr FoldTables() {
        for (int i = 0; i < 256; ++i) {
            lower[i] = static_cast<unsigned char>(i);
            upper[i] = static_cast<unsigned char>(i);
        }
        for (int i = 'A'; i <= 'Z'; ++i) {
            lower[i] = static_cast<unsigned char>(i + 32);
            upper[i + 32] = static_cast<unsigned char>(i);
        }
        for (int i = 0xC0; i <= 0xDE; ++i) {
            if (i == 0xD7) continue;
            lower[i] = static_cast<unsigned char>(i + 32);
            upper[i + 32] = static_cast<unsigned char>(i);
        }
    }
};

constexpr FoldTables kFold;

unsigned char Lower(unsigned char c) { return kFold.lower[c]; }

std::string FoldLower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
    return r;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// ---------------------------------------------------------------------------
// Like: the pattern compiles to single-character sets and stars (LikePattern
// matches them segment by segment, O(n*m) time worst case, no memory).

struct LikeToken {
    bool star = false;
    int literal = -1;  // the one byte the set holds, when it holds one
    std::bitset<256> set;
};

bool CompileLike(std::string_view p, std::vector<LikeToken>& out) {
    out.clear();
    size_t i = 0;
    while (i < p.size()) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c == '*') {
            if (out.empty() || !out.back().star) out.push_back(LikeToken{true, -1, {}});
            ++i;
            continue;
        }
        LikeToken tok;
        if (c == '?') {
            tok.set.set();
            ++i;
        } else if (c == '#') {
            for (int d = '0'; d <= '9'; ++d) tok.set.set(static_cast<size_t>(d));
            ++i;
        } else if (c == '[') {
            size_t j = i + 1;
            bool negate = false;
            if (j < p.size() && p[j] == '!') {
                negate = true;
                ++j;
            }
            const size_t close = p.find(']', j);
            if (close == std::string_view::npos) return false;
            if (close == i + 1) {  // "[]" matches the empty string
                i = close + 1;
                continue;
            }
            const std::string_view list = p.substr(j, close - j);
            size_t k = 0;
            while (k < list.size()) {
                const unsigned char lo = static_cast<unsigned char>(list[k]);
                if (k + 2 < list.size() && list[k + 1] == '-') {
                    const unsigned char hi = static_cast<unsigned char>(list[k + 2]);
                    if (hi < lo) return false;
                    for (unsigned v = lo; v <= hi; ++v) tok.set.set(v);
                    k += 3;
                } else {
                    tok.set.set(lo);
                    ++k;
                }
            }
            if (negate) tok.set.flip();
            if (tok.set.count() == 1) {
                for (unsigned v = 0; v < 256; ++v) {
                    if (tok.set[v]) tok.literal = static_cast<int>(v);
                }
            }
            i = close + 1;
        } else {
            tok.set.set(c);
            tok.literal = c;
            ++i;
        }
        out.push_back(tok);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Numeric text, as CDbl reads it.

enum class Parse { Ok, NotNumeric, Overflow };

// Decimal digits (no grouping) to double; out-of-range magnitudes are told apart
// from underflow by the decimal exponent of the leading digit.
Parse DigitsToDouble(const std::string& buf, long leadExponent, double& out) {
    double v = 0;
    const auto res = std::from_chars(buf.data(), buf.data() + buf.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        if (leadExponent > 0) return Parse::Overflow;
        out = 0;
        return Parse::Ok;
    }
    if (res.ec != std::errc() || res.ptr != buf.data() + buf.size()) return Parse::NotNumeric;
    if (!std::isfinite(v)) return Parse::Overflow;
    out = v;
    return Parse::Ok;
}

int HexDigit(char c, int base) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    return d < base ? d : -1;
}

Parse ParseNumber(std::string_view s, double& out) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    if (b == e) return Parse::NotNumeric;
    size_t i = b;

    if (s[i] == '&') {
        ++i;
        if (i >= e) return Parse::NotNumeric;
        int base = 0;
        if (s[i] == 'H' || s[i] == 'h') base = 16;
        else if (s[i] == 'O' || s[i] == 'o') base = 8;
        else return Parse::NotNumeric;
        ++i;
        if (i >= e) return Parse::NotNumeric;
        uint64_t v = 0;
        for (; i < e; ++i) {
            const int d = HexDigit(s[i], base);
            if (d < 0) return Parse::NotNumeric;
            v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
            if (v > 0xFFFFFFFFull) return Parse::Overflow;
        }
        out = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
        return Parse::Ok;
    }

    std::string buf;
    if (s[i] == '+' || s[i] == '-') {
        if (s[i] == '-') buf.push_back('-');
        ++i;
        while (i < e && IsBlank(s[i])) ++i;
    }
    size_t mantissaDigits = 0;
    long leadExponent = 0;  // decimal exponent of the first significant digit
    bool seenSignificant = false;
    long intDigits = 0;
    while (i < e && (IsDigit(s[i]) || (s[i] == ',' && mantissaDigits > 0))) {
        if (s[i] != ',') {
            buf.push_back(s[i]);
            ++mantissaDigits;
            if (seenSignificant || s[i] != '0') {
                seenSignificant = true;
                ++intDigits;
            }
        }
        ++i;
    }
    if (seenSignificant) leadExponent = intDigits - 1;
    if (i < e && s[i] == '.') {
        buf.push_back('.');
        ++i;
        long pos = -1;
        while (i < e && IsDigit(s[i])) {
            if (!seenSignificant && s[i] != '0') {
                seenSignificant = true;
                leadExponent = pos;
            }
            buf.push_back(s[i]);
            ++mantissaDigits;
            --pos;
            ++i;
        }
    }
    if (mantissaDigits == 0) return Parse::NotNumeric;
    if (i < e && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        buf.push_back('e');
        ++i;
        bool negExp = false;
        if (i < e && (s[i] == '+' || s[i] == '-')) {
            negExp = s[i] == '-';
            buf.push_back(s[i]);
            ++i;
        }
        size_t expDigits = 0;
        long expValue = 0;
        while (i < e && IsDigit(s[i])) {
            buf.push_back(s[i]);
            if (expValue < 100000) expValue = expValue * 10 + (s[i] - '0');
            ++expDigits;
            ++i;
        }
        if (expDigits == 0) return Parse::NotNumeric;
        leadExponent += negExp ? -expValue : expValue;
    }
    if (i != e) return Parse::NotNumeric;
    if (!seenSignificant) {
        out = 0;
        return Parse::Ok;
    }
    return DigitsToDouble(buf, leadExponent, out);
}

double NumberOrRaise(std::string_view text) {
    double v = 0;
    switch (ParseNumber(text, v)) {
        case Parse::Ok: return v;
        case Parse::Overflow: Raise(6);
        case Parse::NotNumeric: break;
    }
    Raise(13);
}

double RoundHalfEvenOrRaise(double x, double lo, double hi) {
    if (std::isnan(x)) Raise(6);
    const double r = std::nearbyint(x);
    if (r < lo || r > hi) Raise(6);
    return r;
}

// ---------------------------------------------------------------------------
// Decimal digits of a double: value = 0.D × 10^(exp+1), i.e. D[0] is at 10^exp.

struct Decimal {
    std::string digits;  // no trailing zeros, at least one digit
    int exp = 0;
    bool negative = false;
};

Decimal ToDecimal(double x, int significant) {
    Decimal d;
    d.negative = std::signbit(x);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific,
                                   significant - 1);
    const std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
    const size_t ePos = s.find('e');
    for (size_t i = 0; i < ePos; ++i)
        if (IsDigit(s[i])) d.digits.push_back(s[i]);
    int exp = 0;
    std::from_chars(s.data() + ePos + 1 + (s[ePos + 1] == '+' ? 1 : 0), s.data() + s.size(), exp);
    d.exp = exp;
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

std::string NonFinite(double x) {
    if (std::isnan(x)) return "-1.#IND";
    return x < 0 ? "-1.#INF" : "1.#INF";
}

// 15 significant digits for Double, 7 for Single; E form outside [1E-4, 10^digits).
std::string NumberText(double x, int significant) {
    if (!std::isfinite(x)) return NonFinite(x);
    if (x == 0) return "0";
    const Decimal d = ToDecimal(x, significant);
    std::string r;
    if (d.negative) r.push_back('-');
    if (d.exp >= significant || d.exp < -4) {
        r.push_back(d.digits[0]);
        if (d.digits.size() > 1) {
            r.push_back('.');
            r.append(d.digits, 1, std::string::npos);
        }
        r.push_back('E');
        r.push_back(d.exp < 0 ? '-' : '+');
        const int a = std::abs(d.exp);
        if (a < 10) r.push_back('0');
        r += std::to_string(a);
        return r;
    }
    if (d.exp < 0) {
        r += "0.";
        r.append(static_cast<size_t>(-d.exp - 1), '0');
        r += d.digits;
        return r;
    }
    const size_t intLen = static_cast<size_t>(d.exp) + 1;
    if (d.digits.size() <= intLen) {
        r += d.digits;
        r.append(intLen - d.digits.size(), '0');
    } else {
        r.append(d.digits, 0, intLen);
        r.push_back('.');
        r.append(d.digits, intLen, std::string::npos);
    }
    return r;
}

std::string GroupThousands(const std::string& digits) {
    std::string r;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) r.push_back(',');
        r.push_back(digits[i]);
    }
    return r;
}

// Format with a fixed number of decimals, rounding half away from zero on the
// 15-digit decimal value (as Format does, so 0.15 gives "0.2").
std::string FormatNumber(double x, int decimals, bool grouping) {
    if (decimals < 0) Raise(5);
    if (!std::isfinite(x)) return NonFinite(x);
    std::string n = "0";  // value × 10^decimals as a whole number
    bool negative = false;
    if (x != 0) {
        const Decimal d = ToDecimal(x, 15);
        negative = d.negative;
        const long len = static_cast<long>(d.digits.size());
        const long shift = static_cast<long>(d.exp) - (len - 1) + decimals;
        if (shift >= 0) {
            n = d.digits + std::string(static_cast<size_t>(shift), '0');
        } else {
            const long keep = len + shift;
            const bool roundUp = keep >= 0 && d.digits[static_cast<size_t>(keep)] >= '5';
            n = keep > 0 ? d.digits.substr(0, static_cast<size_t>(keep)) : std::string("0");
            if (roundUp) {
                long k = static_cast<long>(n.size()) - 1;
                while (k >= 0 && n[static_cast<size_t>(k)] == '9') n[static_cast<size_t>(k--)] = '0';
                if (k < 0) n.insert(n.begin(), '1');
                else ++n[static_cast<size_t>(k)];
            }
        }
    }
    if (n.size() < static_cast<size_t>(decimals) + 1)
        n.insert(0, static_cast<size_t>(decimals) + 1 - n.size(), '0');
    const bool allZero = n.find_first_not_of('0') == std::string::npos;
    const std::string intPart = n.substr(0, n.size() - static_cast<size_t>(decimals));
    std::string r;
    if (negative && !allZero) r.push_back('-');
    r += grouping ? GroupThousands(intPart) : intPart;
    if (decimals > 0) {
        r.push_back('.');
        r.append(n, n.size() - static_cast<size_t>(decimals), std::string::npos);
    }
    return r;
}

// ---------------------------------------------------------------------------
// Dates.

constexpr int64_t kOleEpochDays = -25569;   // 1899-12-30 relative to 1970-01-01
constexpr int64_t kMinOleDay = -657434;     // 0100-01-01
constexpr int64_t kMaxOleDay = 2958465;     // 9999-12-31

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

// An OLE date as a whole day number and seconds into that day, rounded to the second.
void SplitOle(double ole, int64_t& days, int64_t& secs) {
    if (!std::isfinite(ole) || ole < static_cast<double>(kMinOleDay - 1) ||
        ole > static_cast<double>(kMaxOleDay + 1))
        Raise(6);
    const double whole = std::trunc(ole);
    days = static_cast<int64_t>(whole);
    secs = std::llround(std::fabs(ole - whole) * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        ++days;
    }
}

const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

void AppendNum(std::string& r, int64_t v, int width) {
    std::string s = std::to_string(v < 0 ? -v : v);
    if (v < 0) r.push_back('-');
    if (static_cast<int>(s.size()) < width) r.append(static_cast<size_t>(width) - s.size(), '0');
    r += s;
}

bool StartsWithNoCase(std::string_view s, size_t pos, std::string_view prefix) {
    if (s.size() - pos < prefix.size()) return false;
    return TextEqual(s.substr(pos, prefix.size()), prefix);
}

size_t RunLength(std::string_view s, size_t pos, char letter) {
    size_t n = 0;
    while (pos + n < s.size() && Lower(static_cast<unsigned char>(s[pos + n])) == letter) ++n;
    return n;
}

std::string_view NamedDateFormat(std::string_view fmt) {
    if (TextEqual(fmt, "Long Date")) return "dddd, mmmm d, yyyy";
    if (TextEqual(fmt, "Medium Date")) return "dd-mmm-yy";
    if (TextEqual(fmt, "Short Date")) return "m/d/yyyy";
    if (TextEqual(fmt, "Long Time")) return "h:nn:ss AM/PM";
    if (TextEqual(fmt, "Medium Time")) return "hh:nn AM/PM";
    if (TextEqual(fmt, "Short Time")) return "hh:nn";
    return fmt;
}

}  // namespace

// ---------------------------------------------------------------------------
// Like

bool IsValidLikePattern(std::string_view pattern) {
    std::vector<LikeToken> toks;
    return CompileLike(pattern, toks);
}

namespace {

// Rough weight of each byte in chat text; what matters is only the order:
// blanks and common lower-case letters high, digits, capitals, punctuation
// and bytes above 127 low.
struct ByteWeights {
    std::array<unsigned char, 256> weight{};
    constexpr ByteWeights() {
        for (int i = 0; i < 256; ++i) weight[i] = 10;
        for (int c = 'a'; c <= 'z'; ++c) weight[c] = 100;
        for (int c = 'A'; c <= 'Z'; ++c) weight[c] = 60;
        for (int c = '0'; c <= '9'; ++c) weight[c] = 40;
        const char* common = "etaoinshrdlu";  // most frequent first
        for (int k = 0; common[k] != '\0'; ++k) weight[static_cast<unsigned char>(common[k])] = static_cast<unsigned char>(220 - 8 * k);
        for (const char c : {'j', 'q', 'x', 'z'}) weight[static_cast<unsigned char>(c)] = 50;
        weight[' '] = 255;
        for (const char c : {',', '.', '\'', '"'}) weight[static_cast<unsigned char>(c)] = 70;
    }
};

constexpr ByteWeights kByteWeights;

}  // namespace

TextBytes::TextBytes(std::string_view text) {
    // Four sets filled in turn, so that consecutive bytes do not wait on
    // each other's update of the same word.
    std::uint64_t sets[4][4] = {};
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        for (std::size_t k = 0; k < 4; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            sets[k][c >> 6] |= std::uint64_t{1} << (c & 63);
        }
    }
    for (; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        sets[0][c >> 6] |= std::uint64_t{1} << (c & 63);
    }
    for (std::size_t w = 0; w < 4; ++w) words_[w] = sets[0][w] | sets[1][w] | sets[2][w] | sets[3][w];
}

LiteralSearch::LiteralSearch(std::string_view needle) : needle_(needle), bytes_(needle) {
    for (std::size_t k = 1; k < needle_.size(); ++k) {
        if (kByteWeights.weight[static_cast<unsigned char>(needle_[k])] <
            kByteWeights.weight[static_cast<unsigned char>(needle_[rare_])]) {
            rare_ = k;
        }
    }
}

std::size_t LiteralSearch::Find(std::string_view text, std::size_t from) const {
    const std::size_t len = needle_.size();
    if (from > text.size() || text.size() - from < len) return std::string_view::npos;
    if (len == 0) return from;
    const char rareByte = needle_[rare_];
    // Candidate starts run from `from` to `last`; the rare byte sits rare_ after each.
    const std::size_t last = text.size() - len;
    std::size_t start = from;
    while (start <= last) {
        const void* hit = std::memchr(text.data() + start + rare_, rareByte, last - start + 1);
        if (hit == nullptr) return std::string_view::npos;
        start = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) - rare_;
        if (std::memcmp(text.data() + start, needle_.data(), len) == 0) return start;
        ++start;
    }
    return std::string_view::npos;
}

bool Like(std::string_view text, std::string_view pattern) { return LikePattern(pattern).Match(text); }

bool LikeChecked(std::string_view text, std::string_view pattern) {
    const LikePattern compiled(pattern);
    if (!compiled.Valid()) Raise(93);
    return compiled.Match(text);
}

// The tokens split at the stars into fixed-length segments. With stars, the
// first segment (unless a star leads) must sit at the start, the last (unless
// a star ends the pattern) at the end, and each one between goes at its
// leftmost place after the one before: a later place never helps the rest.
LikePattern::LikePattern(std::string_view pattern) {
    std::vector<LikeToken> toks;
    if (!CompileLike(pattern, toks)) {
        valid_ = false;
        return;
    }
    Segment current;
    std::string bytes;  // of the current segment while it is literal
    bool open = false;
    auto close = [&] {
        if (current.literal) {
            current.text = LiteralSearch(bytes);
            sets_.resize(current.first);  // a literal segment compares bytes
        }
        segments_.push_back(std::move(current));
    };
    for (const LikeToken& tok : toks) {
        if (tok.star) {
            anyStar_ = true;
            if (open) {
                close();
            } else if (segments_.empty()) {
                starFirst_ = true;
            }
            current = Segment{};
            bytes.clear();
            open = false;
            continue;
        }
        if (!open) {
            current.first = sets_.size();
            open = true;
        }
        sets_.push_back(tok.set);
        ++current.length;
        if (tok.literal < 0) current.literal = false;
        if (tok.literal >= 0) required_.Add(static_cast<unsigned char>(tok.literal));
        if (current.literal) bytes.push_back(static_cast<char>(tok.literal));
    }
    if (open) close();
    starLast_ = anyStar_ && !open;
}

bool LikePattern::MatchAt(const Segment& seg, std::string_view text, std::size_t pos) const {
    if (seg.literal) return std::memcmp(text.data() + pos, seg.text.Needle().data(), seg.length) == 0;
    for (std::size_t k = 0; k < seg.length; ++k) {
        if (!sets_[seg.first + k][static_cast<unsigned char>(text[pos + k])]) return false;
    }
    return true;
}

std::size_t LikePattern::Find(const Segment& seg, std::string_view text, std::size_t from, std::size_t end) const {
    if (end < from || end - from < seg.length) return std::string_view::npos;
    if (seg.literal) return seg.text.Find(text.substr(0, end), from);
    for (std::size_t pos = from; pos + seg.length <= end; ++pos) {
        if (MatchAt(seg, text, pos)) return pos;
    }
    return std::string_view::npos;
}

bool LikePattern::Match(std::string_view text) const {
    if (!valid_) return false;
    if (!anyStar_) {
        if (segments_.empty()) return text.empty();
        const Segment& only = segments_.front();
        return text.size() == only.length && MatchAt(only, text, 0);
    }
    std::size_t first = 0;
    std::size_t last = segments_.size();
    std::size_t pos = 0;
    std::size_t end = text.size();
    if (!starFirst_) {
        const Segment& head = segments_[first++];
        if (head.length > end || !MatchAt(head, text, 0)) return false;
        pos = head.length;
    }
    if (!starLast_ && first < last) {
        const Segment& tail = segments_[--last];
        if (tail.length > end - pos || !MatchAt(tail, text, end - tail.length)) return false;
        end -= tail.length;
    }
    for (std::size_t s = first; s < last; ++s) {
        const std::size_t at = Find(segments_[s], text, pos, end);
        if (at == std::string_view::npos) return false;
        pos = at + segments_[s].length;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Case and comparison

char LowerChar(char c) { return static_cast<char>(kFold.lower[static_cast<unsigned char>(c)]); }
char UpperChar(char c) { return static_cast<char>(kFold.upper[static_cast<unsigned char>(c)]); }

std::string LCase(std::string_view s) { return FoldLower(s); }

std::string UCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = UpperChar(c);
    return r;
}

int TextCompare(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = Lower(static_cast<unsigned char>(a[i]));
        const unsigned char y = Lower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool TextEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && TextCompare(a, b) == 0;
}

// ---------------------------------------------------------------------------
// Text functions

long InStr(long start, std::string_view s, std::string_view find, bool textCompare) {
    if (start < 1) Raise(5);
    if (s.empty()) return 0;
    if (static_cast<unsigned long>(start) > s.size()) return 0;
    if (find.empty()) return start;
    size_t pos;
    if (textCompare) {
        const std::string fs = FoldLower(s);
        const std::string ff = FoldLower(find);
        pos = fs.find(ff, static_cast<size_t>(start - 1));
    } else {
        pos = s.find(find, static_cast<size_t>(start - 1));
    }
    return pos == std::string_view::npos ? 0 : static_cast<long>(pos) + 1;
}

long InStr(std::string_view s, std::string_view find, bool textCompare) {
    return InStr(1, s, find, textCompare);
}

long InStrRev(std::string_view s, std::string_view find, long start, bool textCompare) {
    if (start == 0 || start < -1) Raise(5);
    if (s.empty()) return 0;
    const long len = static_cast<long>(s.size());
    if (start == -1) start = len;
    if (start > len) return 0;
    if (find.empty()) return start;
    if (static_cast<long>(find.size()) > start) return 0;
    const size_t from = static_cast<size_t>(start) - find.size();
    size_t pos;
    if (textCompare) {
        pos = FoldLower(s).rfind(FoldLower(find), from);
    } else {
        pos = s.rfind(find, from);
    }
    return pos == std::string_view::npos ? 0 : static_cast<long>(pos) + 1;
}

std::string Mid(std::string_view s, long start) {
    if (start < 1) Raise(5);
    if (static_cast<unsigned long>(start) > s.size()) return {};
    return std::string(s.substr(static_cast<size_t>(start - 1)));
}

std::string Mid(std::string_view s, long start, long length) {
    if (start < 1 || length < 0) Raise(5);
    if (static_cast<unsigned long>(start) > s.size()) return {};
    return std::string(s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)));
}

std::string Left(std::string_view s, long length) {
    if (length < 0) Raise(5);
    return std::string(s.substr(0, static_cast<size_t>(length)));
}

std::string Right(std::string_view s, long length) {
    if (length < 0) Raise(5);
    const size_t n = std::min(s.size(), static_cast<size_t>(length));
    return std::string(s.substr(s.size() - n));
}

std::string LTrim(std::string_view s) {
    const size_t b = s.find_first_not_of(' ');
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string RTrim(std::string_view s) {
    const size_t e = s.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string Trim(std::string_view s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    const size_t e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

std::vector<std::string> Split(std::string_view s, std::string_view delim) {
    std::vector<std::string> parts;
    if (s.empty()) return parts;
    if (delim.empty()) {
        parts.emplace_back(s);
        return parts;
    }
    size_t from = 0;
    for (;;) {
        const size_t pos = s.find(delim, from);
        if (pos == std::string_view::npos) {
            parts.emplace_back(s.substr(from));
            return parts;
        }
        parts.emplace_back(s.substr(from, pos - from));
        from = pos + delim.size();
    }
}

std::string Join(const std::vector<std::string>& parts, std::string_view delim) {
    std::string r;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) r += delim;
        r += parts[i];
    }
    return r;
}

std::string Replace(std::string_view s, std::string_view find, std::string_view with, long start, long count,
                    bool textCompare) {
    if (start < 1 || count < -1) Raise(5);
    if (s.empty() || static_cast<unsigned long>(start) > s.size()) return {};
    const std::string_view rest = s.substr(static_cast<size_t>(start - 1));
    if (find.empty() || count == 0) return std::string(rest);
    std::string folded;
    std::string foldedFind;
    std::string_view hay = rest;
    std::string_view needle = find;
    if (textCompare) {
        folded = FoldLower(rest);
        foldedFind = FoldLower(find);
        hay = folded;
        needle = foldedFind;
    }
    std::string r;
    size_t from = 0;
    long done = 0;
    while (count < 0 || done < count) {
        const size_t pos = hay.find(needle, from);
        if (pos == std::string_view::npos) break;
        r.append(rest.substr(from, pos - from));
        r.append(with);
        from = pos + needle.size();
        ++done;
    }
    r.append(rest.substr(from));
    return r;
}

std::string Chr(int code) {
    if (code < 0 || code > 255) Raise(5);
    return std::string(1, static_cast<char>(static_cast<unsigned char>(code)));
}

int Asc(std::string_view s) {
    if (s.empty()) Raise(5);
    return static_cast<unsigned char>(s[0]);
}

std::string Space(long n) {
    if (n < 0) Raise(5);
    return std::string(static_cast<size_t>(n), ' ');
}

std::string String(long n, char ch) {
    if (n < 0) Raise(5);
    return std::string(static_cast<size_t>(n), ch);
}

std::string String(long n, std::string_view ch) {
    if (ch.empty()) Raise(5);
    return String(n, ch[0]);
}

// ---------------------------------------------------------------------------
// Conversions

int32_t CLng(double x) { return static_cast<int32_t>(RoundHalfEvenOrRaise(x, -2147483648.0, 2147483647.0)); }
int32_t CLng(std::string_view text) { return CLng(NumberOrRaise(text)); }
int64_t CLngLng(double x) {
    // 2^63 itself is a double the range check would let through.
    constexpr double kLimit = 9223372036854775808.0;
    const double r = RoundHalfEvenOrRaise(x, -kLimit, kLimit);
    if (r == kLimit) Raise(6);
    return static_cast<int64_t>(r);
}
int64_t CLngLng(std::string_view text) { return CLngLng(NumberOrRaise(text)); }
int16_t CInt(double x) { return static_cast<int16_t>(RoundHalfEvenOrRaise(x, -32768.0, 32767.0)); }
int16_t CInt(std::string_view text) { return CInt(NumberOrRaise(text)); }
uint8_t CByte(double x) { return static_cast<uint8_t>(RoundHalfEvenOrRaise(x, 0.0, 255.0)); }
uint8_t CByte(std::string_view text) { return CByte(NumberOrRaise(text)); }
double CDbl(std::string_view text) { return NumberOrRaise(text); }

bool CBool(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    const std::string_view t = text.substr(b, e - b);
    if (TextEqual(t, "True")) return true;
    if (TextEqual(t, "False")) return false;
    return NumberOrRaise(t) != 0;
}

bool CBool(double x) { return x != 0; }

double Val(std::string_view s) {
    const size_t n = s.size();
    size_t i = 0;
    auto skip = [&] {
        while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n')) ++i;
    };
    skip();
    if (i < n && s[i] == '&') {
        ++i;
        skip();
        int base = 0;
        if (i < n && (s[i] == 'H' || s[i] == 'h')) base = 16;
        else if (i < n && (s[i] == 'O' || s[i] == 'o')) base = 8;
        else return 0;
        ++i;
        uint64_t v = 0;
        for (;;) {
            skip();
            if (i >= n) break;
            const int d = HexDigit(s[i], base);
            if (d < 0) break;
            v = (v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d)) & 0xFFFFFFFFull;
            ++i;
        }
        skip();
        const bool forceLong = i < n && s[i] == '&';
        // Without the & suffix a value that fits in 16 bits reads as an Integer (&HFFFF = -1).
        if (!forceLong && v <= 0xFFFF) return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(v)));
        return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    }
    std::string buf;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') buf.push_back('-');
        ++i;
    }
    size_t digits = 0;
    long intDigits = 0;
    long leadExponent = 0;
    bool seenSignificant = false;
    bool seenPoint = false;
    long fracPos = -1;
    for (;;) {
        skip();
        if (i >= n) break;
        const char c = s[i];
        if (IsDigit(c)) {
            buf.push_back(c);
            ++digits;
            if (!seenPoint) {
                if (seenSignificant || c != '0') {
                    seenSignificant = true;
                    ++intDigits;
                    leadExponent = intDigits - 1;
                }
            } else {
                if (!seenSignificant && c != '0') {
                    seenSignificant = true;
                    leadExponent = fracPos;
                }
                --fracPos;
            }
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            buf.push_back('.');
        } else {
            break;
        }
        ++i;
    }
    if (digits == 0 || !seenSignificant) return 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string expBuf = "e";
        bool negExp = false;
        while (j < n && (s[j] == ' ' || s[j] == '\t' || s[j] == '\n')) ++j;
        if (j < n && (s[j] == '+' || s[j] == '-')) {
            negExp = s[j] == '-';
            expBuf.push_back(s[j]);
            ++j;
        }
        long expValue = 0;
        size_t expDigits = 0;
        for (;;) {
            while (j < n && (s[j] == ' ' || s[j] == '\t' || s[j] == '\n')) ++j;
            if (j >= n || !IsDigit(s[j])) break;
            expBuf.push_back(s[j]);
            if (expValue < 100000) expValue = expValue * 10 + (s[j] - '0');
            ++expDigits;
            ++j;
        }
        if (expDigits > 0) {
            buf += expBuf;
            leadExponent += negExp ? -expValue : expValue;
        }
    }
    double v = 0;
    switch (DigitsToDouble(buf, leadExponent, v)) {
        case Parse::Ok: return v;
        case Parse::Overflow:
            // Val never raises; the largest Double stands in for an out-of-range value.
            return buf[0] == '-' ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
        case Parse::NotNumeric: break;
    }
    return 0;
}

bool IsNumeric(std::string_view text) {
    double v = 0;
    return ParseNumber(text, v) == Parse::Ok;
}

double Int(double x) { return std::floor(x); }
double Fix(double x) { return std::trunc(x); }

double Round(double x, int digits) {
    if (digits < 0) Raise(5);
    if (!std::isfinite(x)) return x;
    if (digits == 0) return std::nearbyint(x);
    if (digits > 22) return x;
    const double scale = std::pow(10.0, digits);  // exact up to 1e22
    const double y = x * scale;
    if (!std::isfinite(y) || std::fabs(y) >= 4503599627370496.0) return x;  // already whole at this scale
    // y may itself have been rounded onto a tie; the exact product decides.
    const double err = std::fma(x, scale, -y);
    double r;
    if (std::fabs(y - std::trunc(y)) == 0.5 && err != 0) {
        r = err > 0 ? std::ceil(y) : std::floor(y);
    } else {
        r = std::nearbyint(y);
    }
    return r / scale;
}

int32_t IntDiv(double a, double b) {
    const int32_t x = CLng(a);
    const int32_t y = CLng(b);
    if (y == 0) Raise(11);
    if (x == INT32_MIN && y == -1) Raise(6);
    return x / y;
}

int32_t Mod(double a, double b) {
    const int32_t x = CLng(a);
    const int32_t y = CLng(b);
    if (y == 0) Raise(11);
    if (y == -1) return 0;
    return x % y;
}

double Divide(double a, double b) {
    if (b == 0) Raise(a == 0 || std::isnan(a) ? 6 : 11);
    const double r = a / b;
    if (std::isinf(r) && std::isfinite(a) && std::isfinite(b)) Raise(6);
    return r;
}

// ---------------------------------------------------------------------------
// Numbers as text

std::string CStr(double x) { return NumberText(x, 15); }
std::string CStrSingle(float x) { return NumberText(static_cast<double>(x), 7); }
std::string CStr(int64_t x) { return std::to_string(x); }
std::string CStr(int x) { return std::to_string(x); }
std::string CStr(bool x) { return x ? "True" : "False"; }
std::string FormatGrouped(double x) { return FormatNumber(x, 0, true); }
std::string FormatFixed(double x, int decimals) { return FormatNumber(x, decimals, false); }

// ---------------------------------------------------------------------------
// Dates

double DateSerialTime(int year, int month, int day, int hour, int minute, int second) {
    const int64_t m0 = static_cast<int64_t>(month) - 1;
    const int64_t y = static_cast<int64_t>(year) + FloorDiv(m0, 12);
    const auto m = static_cast<unsigned>(m0 - FloorDiv(m0, 12) * 12 + 1);
    if (y < -1000000 || y > 1000000) Raise(5);
    int64_t days = DaysFromCivil(y, m, 1) + (static_cast<int64_t>(day) - 1) - kOleEpochDays;
    const int64_t total = days * 86400 + static_cast<int64_t>(hour) * 3600 +
                          static_cast<int64_t>(minute) * 60 + static_cast<int64_t>(second);
    days = FloorDiv(total, 86400);
    const int64_t secs = total - days * 86400;
    if (days < kMinOleDay || days > kMaxOleDay) Raise(5);
    const double frac = static_cast<double>(secs) / 86400.0;
    // Before the epoch the day counts down but the time of day still counts up.
    return days >= 0 ? static_cast<double>(days) + frac : static_cast<double>(days) - frac;
}

void DateParts(double oleDate, int& year, int& month, int& day, int& hour, int& minute, int& second) {
    int64_t days = 0;
    int64_t secs = 0;
    SplitOle(oleDate, days, secs);
    CivilFromDays(days + kOleEpochDays, year, month, day);
    hour = static_cast<int>(secs / 3600);
    minute = static_cast<int>(secs / 60 % 60);
    second = static_cast<int>(secs % 60);
}

int64_t DateDiffSeconds(double a, double b) {
    int64_t da = 0, sa = 0, db = 0, sb = 0;
    SplitOle(a, da, sa);
    SplitOle(b, db, sb);
    return (db * 86400 + sb) - (da * 86400 + sa);
}

std::string FormatDate(double oleDate, std::string_view fmt) {
    int64_t days = 0;
    int64_t secs = 0;
    SplitOle(oleDate, days, secs);
    if (TextEqual(fmt, "General Date")) {
        if (days == 0) return FormatDate(oleDate, "h:nn:ss AM/PM");
        if (secs == 0) return FormatDate(oleDate, "m/d/yyyy");
        return FormatDate(oleDate, "m/d/yyyy h:nn:ss AM/PM");
    }
    fmt = NamedDateFormat(fmt);

    int y = 0, mo = 0, d = 0;
    CivilFromDays(days + kOleEpochDays, y, mo, d);
    const int h = static_cast<int>(secs / 3600);
    const int mi = static_cast<int>(secs / 60 % 60);
    const int s = static_cast<int>(secs % 60);
    const int weekday = static_cast<int>(((days + 6) % 7 + 7) % 7);  // 0 = Sunday; day 0 was a Saturday

    bool twelveHour = false;
    for (size_t i = 0; i < fmt.size(); ++i)
        if (StartsWithNoCase(fmt, i, "AM/PM") || StartsWithNoCase(fmt, i, "A/P")) twelveHour = true;

    std::string r;
    bool afterHour = false;  // m right after h means minutes
    size_t i = 0;
    while (i < fmt.size()) {
        const char c = fmt[i];
        const char lc = static_cast<char>(Lower(static_cast<unsigned char>(c)));
        if (c == '"') {
            const size_t close = fmt.find('"', i + 1);
            const size_t end = close == std::string_view::npos ? fmt.size() : close;
            r.append(fmt.substr(i + 1, end - i - 1));
            i = end == fmt.size() ? end : end + 1;
            continue;
        }
        if (c == '\\') {
            if (i + 1 < fmt.size()) r.push_back(fmt[i + 1]);
            i += 2;
            continue;
        }
        if (StartsWithNoCase(fmt, i, "AM/PM")) {
            const bool lowerCase = fmt[i] == 'a';
            r += h < 12 ? (lowerCase ? "am" : "AM") : (lowerCase ? "pm" : "PM");
            i += 5;
            continue;
        }
        if (StartsWithNoCase(fmt, i, "A/P")) {
            const bool lowerCase = fmt[i] == 'a';
            r += h < 12 ? (lowerCase ? "a" : "A") : (lowerCase ? "p" : "P");
            i += 3;
            continue;
        }
        if (lc == 'y') {
            const size_t run = RunLength(fmt, i, 'y');
            if (run >= 4) {
                AppendNum(r, y, 4);
                i += 4;
            } else if (run >= 2) {
                AppendNum(r, y % 100, 2);
                i += 2;
            } else {
                AppendNum(r, days - DaysFromCivil(y, 1, 1) + kOleEpochDays + 1, 1);
                i += 1;
            }
            afterHour = false;
            continue;
        }
        if (lc == 'm') {
            const size_t run = RunLength(fmt, i, 'm');
            if (run >= 4 && !afterHour) {
                r += kMonthNames[mo - 1];
                i += 4;
            } else if (run == 3 && !afterHour) {
                r.append(kMonthNames[mo - 1], 3);
                i += 3;
            } else {
                const int width = run >= 2 ? 2 : 1;
                AppendNum(r, afterHour ? mi : mo, width);
                i += static_cast<size_t>(width);
            }
            afterHour = false;
            continue;
        }
        if (lc == 'd') {
            const size_t run = RunLength(fmt, i, 'd');
            if (run >= 4) {
                r += kDayNames[weekday];
                i += 4;
            } else if (run == 3) {
                r.append(kDayNames[weekday], 3);
                i += 3;
            } else {
                AppendNum(r, d, static_cast<int>(run));
                i += run;
            }
            afterHour = false;
            continue;
        }
        if (lc == 'h' || lc == 'n' || lc == 's') {
            const size_t run = std::min<size_t>(RunLength(fmt, i, lc), 2);
            int v = lc == 'n' ? mi : lc == 's' ? s : h;
            if (lc == 'h' && twelveHour) v = h % 12 == 0 ? 12 : h % 12;
            AppendNum(r, v, static_cast<int>(run));
            i += run;
            afterHour = lc == 'h';
            continue;
        }
        r.push_back(c);
        ++i;
    }
    return r;
}

}  // namespace mellox::vb
