#include "core/VB.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <tuple>

#include "core/ObjRef.h"
#include "core/VBError.h"

using namespace mellox;
using namespace mellox::vb;

namespace {

int ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VBError& e) {
        return e.Number();
    }
    return 0;
}

}  // namespace

TEST(VBLike, PatternFeatures) {
    struct Case { const char* text; const char* pattern; bool match; };
    const Case cases[] = {
        {"[Co-Vassals] x", "[[]Co-Vassals[]]*", true},
        {"Co-Vassals] x", "[[]Co-Vassals[]]*", false},
        {"abc", "a?c", true},       {"ac", "a?c", false},
        {"", "*", true},            {"abc", "*", true},
        {"abc", "a*", true},        {"abc", "*c", true},      {"abc", "*b", false},
        {"a5", "a#", true},         {"ax", "a#", false},
        {"d", "[!a-c]", true},      {"b", "[!a-c]", false},   {"", "[!a-c]", false},
        {"b", "[a-c]", true},       {"B", "[a-c]", false},    {"ABC", "abc", false},
        {"-", "[a-]", true},        {"-", "[-a]", true},      {"b", "[a-]", false},
        {"]", "]", true},           {"x]", "x]", true},
        {"*", "[*]", true},         {"x", "[*]", false},      {"#", "[#]", true},  {"?", "[?]", true},
        {"ab", "a[]b", true},       {"a]b", "a[]]b", true},
        {"e", "[a-cx-z]", false},   {"y", "[a-cx-z]", true},
        {"abc", "ab", false},       {"ab", "abc", false},
        {"mississippi", "*sip*", true}, {"mississippi", "m*i*s*p*i", true}, {"mississippi", "m*x*", false},
        {"\xE9t\xE9", "?t?", true},
        {"a", "[a", false},         {"z", "[z-a]", false},    {"z", "z[", false},
    };
    for (const Case& c : cases) EXPECT_EQ(Like(c.text, c.pattern), c.match) << c.text << " Like " << c.pattern;
}

TEST(VBLike, MalformedPatternsNeverThrowButCheckedRaises93) {
    for (const char* p : {"[a", "[z-a]", "abc[", "[!"}) {
        EXPECT_FALSE(IsValidLikePattern(p)) << p;
        EXPECT_FALSE(Like(p, p));
        EXPECT_EQ(ErrorOf([&] { LikeChecked("a", p); }), 93) << p;
    }
    EXPECT_TRUE(IsValidLikePattern("[[]x[]]*"));
    EXPECT_TRUE(LikeChecked("x1", "x#"));
}

TEST(VBLike, LongLineIsFastAndDoesNotRecurse) {
    std::string text(64 * 1024, 'x');
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(Like(text, "*a*b*c*d*"));
    EXPECT_FALSE(Like(text, "*x*x*x*x*y"));
    text[100] = 'a'; text[2000] = 'b'; text[30000] = 'c'; text[65000] = 'd';
    EXPECT_TRUE(Like(text, "*a*b*c*d*"));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
    EXPECT_LT(ms.count(), 500);
}

TEST(VBText, CaseFoldingKeepsLengthAndCoversLatin1) {
    const std::string mixed = "Abc\xC0\xDE\xD7\xF7\xE0\xFE\xDF\xFF z";
    EXPECT_EQ(UCase(mixed), "ABC\xC0\xDE\xD7\xF7\xC0\xDE\xDF\xFF Z");
    EXPECT_EQ(LCase(mixed), "abc\xE0\xFE\xD7\xF7\xE0\xFE\xDF\xFF z");
    EXPECT_TRUE(TextEqual("\xC9t\xC9", "\xE9T\xE9"));
    EXPECT_FALSE(TextEqual("\xD7", "\xF7"));
    EXPECT_FALSE(TextEqual("ab", "abc"));
    EXPECT_EQ(TextCompare("apple", "BANANA"), -1);
    EXPECT_EQ(TextCompare("b", "A"), 1);
    EXPECT_EQ(TextCompare("ab", "AB"), 0);
    EXPECT_EQ(TextCompare("ab", "abc"), -1);
}

TEST(VBText, InStrAndInStrRev) {
    EXPECT_EQ(InStr("Hello World", "o"), 5);
    EXPECT_EQ(InStr(6, "Hello World", "o"), 8);
    EXPECT_EQ(InStr("Hello World", "WORLD"), 0);
    EXPECT_EQ(InStr("Hello World", "WORLD", true), 7);
    EXPECT_EQ(InStr(1, "caf\xC9 x", "\xE9", true), 4);
    EXPECT_EQ(InStr(3, "abc", ""), 3);
    EXPECT_EQ(InStr(9, "abc", "a"), 0);
    EXPECT_EQ(InStr("", "a"), 0);
    EXPECT_EQ(ErrorOf([] { long zero = 0; InStr(zero, "abc", "a"); }), 5);
    EXPECT_EQ(InStrRev("a.b.c", "."), 4);
    EXPECT_EQ(InStrRev("a.b.c", ".", 3), 2);
    EXPECT_EQ(InStrRev("aXbx", "x", -1, true), 4);
    EXPECT_EQ(InStrRev("abc", "abcd"), 0);
    EXPECT_EQ(ErrorOf([] { InStrRev("abc", "a", 0); }), 5);
}

TEST(VBText, MidLeftRightAndTheirErrors) {
    EXPECT_EQ(Mid("Hello", 2, 3), "ell");
    EXPECT_EQ(Mid("Hello", 4), "lo");
    EXPECT_EQ(Mid("Hello", 4, 99), "lo");
    EXPECT_EQ(Mid("Hello", 6), "");
    EXPECT_EQ(Mid("Hello", 2, 0), "");
    EXPECT_EQ(Left("Hello", 99), "Hello");
    EXPECT_EQ(Right("Hello", 2), "lo");
    EXPECT_EQ(Right("Hello", 99), "Hello");
    for (auto f : std::initializer_list<std::function<void()>>{
             [] { Mid("a", 0); }, [] { Mid("a", 1, -1); }, [] { Left("a", -1); }, [] { Right("a", -1); },
             [] { Chr(256); }, [] { Asc(""); }, [] { Space(-1); }, [] { String(2, ""); }})
        EXPECT_EQ(ErrorOf(f), 5);
    EXPECT_EQ(Trim(" \t a b \n "), "\t a b \n");
    EXPECT_EQ(LTrim("  x "), "x ");
    EXPECT_EQ(RTrim("  x "), "  x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Asc("\xE9"), 0xE9);
    EXPECT_EQ(String(3, "xyz"), "xxx");
}

TEST(VBText, SplitJoinReplace) {
    EXPECT_TRUE(Split("", ",").empty());
    EXPECT_EQ(Split("a,b", ""), (std::vector<std::string>{"a,b"}));
    EXPECT_EQ(Split(",a,,b,", ","), (std::vector<std::string>{"", "a", "", "b", ""}));
    EXPECT_EQ(Split("a::b", "::"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Join({"a", "", "b"}, ", "), "a, , b");
    EXPECT_EQ(Join(Split("x y z", " "), " "), "x y z");

    EXPECT_EQ(Replace("aaa", "a", "bb"), "bbbbbb");
    EXPECT_EQ(Replace("abcabc", "b", "X", 3), "caXc");
    EXPECT_EQ(Replace("abcabc", "b", "X", 1, 1), "aXcabc");
    EXPECT_EQ(Replace("aBcAbC", "b", "-", 1, -1, true), "a-cA-C");
    EXPECT_EQ(Replace("abc", "", "X", 2), "bc");
    EXPECT_EQ(Replace("abc", "b", "X", 4), "");
    EXPECT_EQ(ErrorOf([] { Replace("abc", "b", "X", 0); }), 5);
}

TEST(VBConvert, CLngRoundsHalfToEvenAndRaisesOverflow) {
    struct Case { double in; int32_t out; };
    for (const Case& c : {Case{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2}, {2.4999, 2},
                          {2147483647.0, 2147483647}, {2147483646.5, 2147483646}, {-2147483648.5, INT32_MIN}})
        EXPECT_EQ(CLng(c.in), c.out) << c.in;
    for (double bad : {2147483647.5, -2147483649.0, 1e300, std::nan("")})
        EXPECT_EQ(ErrorOf([=] { CLng(bad); }), 6) << bad;
    EXPECT_EQ(CInt(-32768.4), -32768);
    EXPECT_EQ(ErrorOf([] { CInt(32767.5); }), 6);
    EXPECT_EQ(CByte(-0.5), 0);
    EXPECT_EQ(ErrorOf([] { CByte(-0.6); }), 6);
    EXPECT_EQ(ErrorOf([] { CByte(255.5); }), 6);
}

TEST(VBConvert, TextForms) {
    struct Case { const char* text; double value; };
    for (const Case& c : {Case{"1,000", 1000}, {"&H10", 16}, {"&o10", 8}, {" 12 ", 12}, {"\t-7\t", -7},
                          {"1e3", 1000}, {"2.5E-1", 0.25}, {"+.5", 0.5}, {"5.", 5}, {"1,234,567.5", 1234567.5},
                          {"&HFFFFFFFF", -1}, {"0", 0}, {"1e-400", 0}}) {
        EXPECT_EQ(CDbl(c.text), c.value) << c.text;
        EXPECT_TRUE(IsNumeric(c.text)) << c.text;
    }
    for (const char* bad : {"abc", "", "  ", "1 2", "1e", ".", "-", ",1", "12abc", "&H", "&HG", "1.2.3", "$5"}) {
        EXPECT_EQ(ErrorOf([=] { CDbl(bad); }), 13) << bad;
        EXPECT_FALSE(IsNumeric(bad)) << bad;
    }
    EXPECT_EQ(ErrorOf([] { CDbl("1e400"); }), 6);
    EXPECT_EQ(ErrorOf([] { CLng("&H100000000"); }), 6);
    EXPECT_EQ(CLng(" 2.5 "), 2);
    EXPECT_EQ(CLng("1,000"), 1000);
    EXPECT_EQ(ErrorOf([] { CLng("abc"); }), 13);
    EXPECT_EQ(ErrorOf([] { CLng("3000000000"); }), 6);
    EXPECT_EQ(CInt("&H10"), 16);

    EXPECT_TRUE(CBool("tRUE"));
    EXPECT_FALSE(CBool(" False "));
    EXPECT_TRUE(CBool("-1"));
    EXPECT_FALSE(CBool("0.0"));
    EXPECT_EQ(ErrorOf([] { CBool(""); }), 13);
    EXPECT_EQ(ErrorOf([] { CBool("yes"); }), 13);
}

TEST(VBConvert, ValNeverRaises) {
    struct Case { const char* text; double value; };
    for (const Case& c : {Case{"1 2 3", 123}, {"&H1F", 31}, {"&HFFFF", -1}, {"&HFFFF&", 65535}, {"&O17", 15},
                          {"12abc", 12}, {"", 0}, {"abc", 0}, {" -1.5e2x", -150}, {"1e", 1}, {"1,000", 1},
                          {"\t4\n2", 42}, {".5", 0.5}, {"1.2.3", 1.2}, {"- 3", -3}, {"1e-400", 0}})
        EXPECT_EQ(Val(c.text), c.value) << c.text;
    EXPECT_EQ(Val("1e999"), std::numeric_limits<double>::max());
}

TEST(VBConvert, ArithmeticRounding) {
    EXPECT_EQ(Int(-2.5), -3);
    EXPECT_EQ(Fix(-2.5), -2);
    struct Case { double a, b; int32_t div, mod; };
    for (const Case& c : {Case{5.5, 2, 3, 0}, {4.5, 2, 2, 0}, {7, 2, 3, 1}, {-7, 2, -3, -1}, {7, -2, -3, 1},
                          {10, 2.5, 5, 0}, {-5.5, 3, -2, 0}, {2147483647, -1, -2147483647, 0}}) {
        EXPECT_EQ(IntDiv(c.a, c.b), c.div) << c.a << " \\ " << c.b;
        EXPECT_EQ(Mod(c.a, c.b), c.mod) << c.a << " Mod " << c.b;
    }
    EXPECT_EQ(Mod(-6.5, 4), -2);  // -6.5 rounds to -6
    EXPECT_EQ(ErrorOf([] { IntDiv(1, 0.4); }), 11);
    EXPECT_EQ(ErrorOf([] { Mod(1, 0); }), 11);
    EXPECT_EQ(ErrorOf([] { IntDiv(-2147483648.0, -1); }), 6);
    EXPECT_EQ(Mod(-2147483648.0, -1), 0);
    EXPECT_EQ(Divide(1, 4), 0.25);
    EXPECT_EQ(ErrorOf([] { Divide(1, 0); }), 11);
    EXPECT_EQ(ErrorOf([] { Divide(0, 0); }), 6);
    EXPECT_EQ(ErrorOf([] { Divide(1e308, 1e-308); }), 6);

    struct RoundCase { double x; int digits; double out; };
    for (const RoundCase& c : {RoundCase{2.5, 0, 2}, {3.5, 0, 4}, {-2.5, 0, -2}, {0.125, 2, 0.12}, {0.375, 2, 0.38},
                               {2.675, 2, 2.67}, {1.005, 2, 1.0}, {1.2345, 3, 1.234}, {-0.5, 0, 0}})
        EXPECT_EQ(Round(c.x, c.digits), c.out) << c.x << "," << c.digits;
    EXPECT_EQ(ErrorOf([] { Round(1, -1); }), 5);
}

TEST(VBFormat, CStrOfNumbers) {
    struct Case { double x; const char* text; };
    for (const Case& c : {Case{20.0, "20"}, {11.39, "11.39"}, {1.0 / 3, "0.333333333333333"}, {1e15, "1E+15"},
                          {1e-5, "1E-05"}, {-0.5, "-0.5"}, {0.0001, "0.0001"}, {1.5e-5, "1.5E-05"},
                          {999999999999999.0, "999999999999999"}, {999999999999999.9, "1E+15"},
                          {123456789012345678.0, "1.23456789012346E+17"}, {-0.0, "0"}, {1e100, "1E+100"},
                          {2.0 / 3, "0.666666666666667"}, {100, "100"}, {-1234.5, "-1234.5"}})
        EXPECT_EQ(CStr(c.x), c.text) << c.x;
    EXPECT_EQ(CStrSingle(0.1f), "0.1");
    EXPECT_EQ(CStrSingle(1.0f / 3), "0.3333333");
    EXPECT_EQ(CStrSingle(1e7f), "1E+07");
    EXPECT_EQ(CStrSingle(1234567.0f), "1234567");
    EXPECT_EQ(CStrSingle(3.14159274f), "3.141593");
    EXPECT_EQ(CStr(int64_t{-42}), "-42");
    EXPECT_EQ(CStr(7), "7");
    EXPECT_EQ(CStr(true), "True");
    EXPECT_EQ(CStr(false), "False");
}

TEST(VBFormat, GroupedAndFixed) {
    struct Case { double x; const char* text; };
    for (const Case& c : {Case{0, "0"}, {999, "999"}, {1000, "1,000"}, {-1234567, "-1,234,567"}, {2.5, "3"},
                          {-2.5, "-3"}, {3.5, "4"}, {-0.4, "0"}, {999999.5, "1,000,000"}, {1e15, "1,000,000,000,000,000"}})
        EXPECT_EQ(FormatGrouped(c.x), c.text) << c.x;
    struct FixedCase { double x; int decimals; const char* text; };
    for (const FixedCase& c : {FixedCase{0, 1, "0.0"}, {0.15, 1, "0.2"}, {0.25, 1, "0.3"}, {-0.25, 1, "-0.3"},
                               {1.95, 1, "2.0"}, {12.34, 1, "12.3"}, {0.04, 1, "0.0"}, {-0.04, 1, "0.0"},
                               {1234.5, 1, "1234.5"}, {2.675, 2, "2.68"}, {0.0005, 3, "0.001"}, {7, 0, "7"},
                               {9.96, 1, "10.0"}, {1e-10, 2, "0.00"}})
        EXPECT_EQ(FormatFixed(c.x, c.decimals), c.text) << c.x;
    EXPECT_EQ(ErrorOf([] { FormatFixed(1, -1); }), 5);
}

TEST(VBDate, SerialAndPartsRoundTrip) {
    EXPECT_EQ(DateSerialTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(DateSerialTime(1900, 1, 1, 12, 0, 0), 2.5);
    EXPECT_EQ(DateSerialTime(2000, 1, 1, 0, 0, 0), 36526.0);
    EXPECT_EQ(DateSerialTime(1899, 12, 29, 6, 0, 0), -1.25);
    EXPECT_EQ(DateSerialTime(2025, 13, 1, 0, 0, 0), DateSerialTime(2026, 1, 1, 0, 0, 0));
    EXPECT_EQ(DateSerialTime(2024, 3, 0, 0, 0, 0), DateSerialTime(2024, 2, 29, 0, 0, 0));
    EXPECT_EQ(DateSerialTime(2024, 1, 1, 24, 0, 0), DateSerialTime(2024, 1, 2, 0, 0, 0));
    EXPECT_EQ(ErrorOf([] { DateSerialTime(10000, 1, 1, 0, 0, 0); }), 5);

    struct Parts { int y, mo, d, h, mi, s; };
    for (const Parts& p : {Parts{2026, 12, 8, 19, 5, 3}, {1899, 12, 29, 6, 0, 0}, {1850, 6, 15, 23, 59, 59},
                           {2000, 2, 29, 0, 0, 1}, {100, 1, 1, 0, 0, 0}, {9999, 12, 31, 23, 59, 59}}) {
        const double ole = DateSerialTime(p.y, p.mo, p.d, p.h, p.mi, p.s);
        Parts q{};
        DateParts(ole, q.y, q.mo, q.d, q.h, q.mi, q.s);
        EXPECT_EQ(std::tie(q.y, q.mo, q.d, q.h, q.mi, q.s), std::tie(p.y, p.mo, p.d, p.h, p.mi, p.s)) << ole;
    }
    Parts q{};
    DateParts(1.0 - 1e-9, q.y, q.mo, q.d, q.h, q.mi, q.s);  // rounds up to midnight of the next day
    EXPECT_EQ(std::tie(q.y, q.mo, q.d, q.h), std::make_tuple(1899, 12, 31, 0));
    EXPECT_EQ(ErrorOf([] { int a, b, c, d, e, f; DateParts(std::nan(""), a, b, c, d, e, f); }), 6);
}

TEST(VBDate, FormatAndDiff) {
    const double t = DateSerialTime(2026, 12, 8, 19, 5, 3);
    struct Case { const char* fmt; const char* text; };
    for (const Case& c : {Case{"yyyy-mm-dd", "2026-12-08"}, {"hh:nn:ss", "19:05:03"},
                          {"yyyy-mm-dd hh:nn:ss", "2026-12-08 19:05:03"}, {"mm/dd/yyyy", "12/08/2026"},
                          {"General Date", "12/8/2026 7:05:03 PM"}, {"hh:mm", "19:05"}, {"h:nn am/pm", "7:05 pm"},
                          {"dddd, mmmm d", "Tuesday, December 8"}, {"\"at\" hh\\h", "at 19h"}, {"yy", "26"}})
        EXPECT_EQ(FormatDate(t, c.fmt), c.text) << c.fmt;
    EXPECT_EQ(FormatDate(DateSerialTime(2026, 1, 2, 0, 0, 0), "General Date"), "1/2/2026");
    EXPECT_EQ(FormatDate(DateSerialTime(1899, 12, 30, 0, 30, 0), "General Date"), "12:30:00 AM");
    EXPECT_EQ(FormatDate(DateSerialTime(1899, 12, 30, 12, 0, 0), "General Date"), "12:00:00 PM");
    EXPECT_EQ(FormatDate(DateSerialTime(1899, 12, 29, 6, 0, 0), "yyyy-mm-dd hh:nn"), "1899-12-29 06:00");

    EXPECT_EQ(DateDiffSeconds(t, t + 1), 86400);
    EXPECT_EQ(DateDiffSeconds(t + 1, t), -86400);
    EXPECT_EQ(DateDiffSeconds(DateSerialTime(1899, 12, 29, 23, 59, 59), DateSerialTime(1899, 12, 30, 0, 0, 1)), 2);
}

TEST(VBObjRef, EmptyRaises91) {
    struct Thing { int v = 3; };
    ObjRef<Thing> empty;
    EXPECT_FALSE(empty);
    EXPECT_EQ(ErrorOf([&] { (void)empty->v; }), 91);
    EXPECT_EQ(ErrorOf([&] { (void)*empty; }), 91);
    Thing local;
    auto borrowed = ObjRef<Thing>::Borrow(&local);
    EXPECT_TRUE(borrowed);
    EXPECT_EQ(borrowed->v, 3);
    EXPECT_EQ(borrowed.get(), &local);
    ObjRef<Thing> owned(std::make_shared<Thing>());
    owned.reset();
    EXPECT_EQ(ErrorOf([&] { owned->v = 1; }), 91);
}
