// The compiled Like pattern against a plain dynamic-programming matcher over
// a table of patterns (malformed ones among them) and many generated ones.
#include <gtest/gtest.h>

#include <bitset>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/VB.h"

namespace mellox::vb {
namespace {

// The pattern language read the simplest way: a token list, or nothing when
// the pattern is malformed, then a full table of prefix matches.
struct RefToken {
  bool star = false;
  std::bitset<256> set;
};

std::optional<std::vector<RefToken>> RefParse(const std::string& p) {
  std::vector<RefToken> out;
  for (std::size_t i = 0; i < p.size();) {
    RefToken tok;
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if (c == '*') {
      tok.star = true;
      ++i;
    } else if (c == '?') {
      tok.set.set();
      ++i;
    } else if (c == '#') {
      for (char d = '0'; d <= '9'; ++d) tok.set.set(static_cast<unsigned char>(d));
      ++i;
    } else if (c == '[') {
      std::size_t j = i + 1;
      const bool negate = j < p.size() && p[j] == '!';
      if (negate) ++j;
      const std::size_t close = p.find(']', j);
      if (close == std::string::npos) return std::nullopt;
      if (close == i + 1) {  // "[]": nothing
        i = close + 1;
        continue;
      }
      for (std::size_t k = j; k < close;) {
        if (k + 2 < close && p[k + 1] == '-') {
          const auto lo = static_cast<unsigned char>(p[k]);
          const auto hi = static_cast<unsigned char>(p[k + 2]);
          if (hi < lo) return std::nullopt;
          for (unsigned v = lo; v <= hi; ++v) tok.set.set(v);
          k += 3;
        } else {
          tok.set.set(static_cast<unsigned char>(p[k++]));
        }
      }
      if (negate) tok.set.flip();
      i = close + 1;
    } else {
      tok.set.set(c);
      ++i;
    }
    out.push_back(tok);
  }
  return out;
}

bool RefMatch(const std::vector<RefToken>& toks, const std::string& text) {
  // at[t]: the tokens so far can match the first t characters.
  std::vector<bool> at(text.size() + 1, false);
  at[0] = true;
  for (const RefToken& tok : toks) {
    std::vector<bool> next(text.size() + 1, false);
    for (std::size_t t = 0; t <= text.size(); ++t) {
      if (tok.star) {
        next[t] = at[t] || (t > 0 && next[t - 1]);
      } else if (t > 0) {
        next[t] = at[t - 1] && tok.set[static_cast<unsigned char>(text[t - 1])];
      }
    }
    at = std::move(next);
  }
  return at[text.size()];
}

bool RefLike(const std::string& text, const std::string& pattern) {
  const auto toks = RefParse(pattern);
  return toks && RefMatch(*toks, text);
}

TEST(VBLikePattern, AgreesWithLikeOnTheTable) {
  const std::vector<std::string> patterns = {
      "", "*", "**", "a", "abc", "a*", "*c", "*b*", "a*c", "a*b*c", "*a*a*", "a?c", "??", "*?", "?*?",
      "#", "a#*", "*[!a-z]darn[!a-z]*", "[[]General] *", "[[]Co-Vassals[]]*", "*says,*", "You * for * with *",
      "[a-c]*[x-z]", "[!]", "[]", "a[]b", "a[]]b", "[a-]", "[-a]", "]", "*]*", "[*]", "[?]*", "[#]",
      "*rule pattern number 7*", "Critical hit!*You*", "*for 0 points*", "m*i*s*p*i", "*sip*", "*ss*ss*",
      // malformed
      "[abc", "[z-a]", "abc[", "[!", "*[", "a*[b-a]*",
  };
  const std::vector<std::string> texts = {
      "", "a", "b", "c", "abc", "aac", "abbc", "ac", "ab", "5", "a5", "a]b", "ab]", "]", "*", "?", "-", "#",
      "[General] hi", "[Co-Vassals] x", "Bob says, hi", "You hit the drudge for 5 with a sword", " darn ",
      "what the darn!", "darnit", "xyz", "cz", "Critical hit! You smash", "hits for 0 points", "mississippi",
      "a rule pattern number 7 b", "rule pattern number 70", "\xE9t\xE9",
  };
  for (const std::string& p : patterns) {
    const LikePattern compiled(p);
    EXPECT_EQ(compiled.Valid(), IsValidLikePattern(p)) << p;
    EXPECT_EQ(compiled.Valid(), RefParse(p).has_value()) << p;
    for (const std::string& t : texts) {
      const bool expected = RefLike(t, p);
      EXPECT_EQ(compiled.Match(t), expected) << '"' << t << "\" Like \"" << p << '"';
      EXPECT_EQ(compiled.Match(t, TextBytes(t)), expected) << '"' << t << "\" Like \"" << p << "\" (bytes known)";
      EXPECT_EQ(Like(t, p), expected) << '"' << t << "\" Like \"" << p << '"';
    }
  }
  // A default-made pattern is the empty one.
  EXPECT_TRUE(LikePattern().Match(""));
  EXPECT_FALSE(LikePattern().Match("a"));
}

TEST(VBLikePattern, AgreesOnGeneratedPatterns) {
  // Small alphabets make stars, sets and repeats meet often.
  const std::string patternChars = "ab1-*?#[]!";
  const std::string textChars = "ab1-]";
  std::mt19937 rng(20240607);
  auto pick = [&](const std::string& from, std::size_t maxLen) {
    std::string s(std::uniform_int_distribution<std::size_t>(0, maxLen)(rng), ' ');
    for (char& c : s) c = from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    return s;
  };
  std::vector<std::string> texts;
  for (int i = 0; i < 40; ++i) texts.push_back(pick(textChars, 9));
  int failures = 0;
  for (int i = 0; i < 2000 && failures < 10; ++i) {
    const std::string p = pick(patternChars, 8);
    const LikePattern compiled(p);
    const auto toks = RefParse(p);
    if (compiled.Valid() != toks.has_value()) {
      ADD_FAILURE() << "validity of \"" << p << '"';
      ++failures;
    }
    for (const std::string& t : texts) {
      const bool expected = toks && RefMatch(*toks, t);
      if (compiled.Match(t) != expected || compiled.Match(t, TextBytes(t)) != expected) {
        ADD_FAILURE() << '"' << t << "\" Like \"" << p << "\" should be " << expected;
        ++failures;
      }
    }
  }
}

TEST(VBLiteralSearch, FindsWhatFindFinds) {
  const std::string chars = "aab-\xE9";
  std::mt19937 rng(7);
  auto pick = [&](std::size_t maxLen) {
    std::string s(std::uniform_int_distribution<std::size_t>(0, maxLen)(rng), ' ');
    for (char& c : s) c = chars[std::uniform_int_distribution<std::size_t>(0, chars.size() - 1)(rng)];
    return s;
  };
  for (int i = 0; i < 400; ++i) {
    const std::string needle = pick(4);
    const std::string text = pick(12);
    const LiteralSearch search(needle);
    EXPECT_EQ(search.MayOccurIn(TextBytes(text)) || text.find(needle) == std::string::npos, true) << needle << " in " << text;
    for (std::size_t from = 0; from <= text.size() + 1; ++from) {
      EXPECT_EQ(search.Find(text, from), std::string_view(text).find(needle, from))
          << '"' << needle << "\" in \"" << text << "\" from " << from;
    }
  }
  // The rarest byte leads the scan; a needle whose rare byte sits late still
  // finds the leftmost place.
  EXPECT_EQ(LiteralSearch("ee7e").Find("ee7 ee7e ee7e"), 4u);
  EXPECT_EQ(LiteralSearch("Xa").Find("aXaXa", 2), 3u);

  TextBytes bytes("ab\xFF");
  EXPECT_TRUE(bytes.Has('a') && bytes.Has(0xFF));
  EXPECT_FALSE(bytes.Has('c') || bytes.Has(0));
  EXPECT_TRUE(bytes.HasAll(TextBytes("ba")));
  EXPECT_FALSE(bytes.HasAll(TextBytes("abc")));
  EXPECT_TRUE(bytes.HasAll(TextBytes()));
}

}  // namespace
}  // namespace mellox::vb
