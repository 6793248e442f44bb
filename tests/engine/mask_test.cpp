#include <gtest/gtest.h>

#include "engine/mask.h"
#include "engine/text_tokens.h"

namespace korvel {
namespace {

struct TMaskCase {
    const char* Mask;
    const char* Name;
    bool Matches;
};

class MaskMatching : public ::testing::TestWithParam<TMaskCase> {};

TEST_P(MaskMatching, MatchesTheWholeName) {
    const TMaskCase& c = GetParam();
    EXPECT_EQ(MatchesMask(c.Name, c.Mask), c.Matches) << "mask '" << c.Mask << "' name '" << c.Name << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, MaskMatching,
    ::testing::Values(
        // "*" and the need for a dot
        TMaskCase{"*", "README", true}, TMaskCase{"*.*", "README", false}, TMaskCase{"*.*", "a.b", true},
        TMaskCase{"*", "", true}, TMaskCase{"**", "abc", true}, TMaskCase{"", "", true},
        TMaskCase{"", "a", false},
        // the whole name must be consumed
        TMaskCase{"*.txt", "a.txt", true}, TMaskCase{"*.txt", "a.txt.bak", false},
        TMaskCase{"a", "ab", false}, TMaskCase{"ab", "a", false},
        // ASCII case folding only
        TMaskCase{"*.TXT", "a.txt", true}, TMaskCase{"ABC", "abc", true}, TMaskCase{"é*", "É", false},
        TMaskCase{"é*", "éa", true}, TMaskCase{"Ж", "ж", false}, TMaskCase{"ж", "ж", true},
        // "?"
        TMaskCase{"?", "a", true}, TMaskCase{"?", "", false}, TMaskCase{"a?", "a", false},
        TMaskCase{"??", "ab", true}, TMaskCase{"*?", "", true}, TMaskCase{"*?", "abc", true},
        TMaskCase{"*?x", "x", true}, TMaskCase{"?*", "", false},
        // "?" and sets take one whole UTF-8 character
        TMaskCase{"?", "é", true}, TMaskCase{"??", "é", false}, TMaskCase{"a?c", "aжc", true},
        TMaskCase{"[!a]", "é", true}, TMaskCase{"[é]", "é", true}, TMaskCase{"[а-я]*", "бар", true},
        TMaskCase{"[а-я]*", "Бар", false}, TMaskCase{"[!а-я]*", "Бар", true},
        // sets and ranges
        TMaskCase{"[a-c]*", "Backup.zip", true}, TMaskCase{"[a-c]*", "delta", false},
        TMaskCase{"[!a]*", "apple", false}, TMaskCase{"[!a]*", "Pear", true}, TMaskCase{"[abc]", "B", true},
        TMaskCase{"[A-z]", "q", true}, TMaskCase{"[c-a]x", "bx", false}, TMaskCase{"[!c-a]x", "bx", true},
        TMaskCase{"[a-c-e]", "d", true}, TMaskCase{"[a-c-e]", "f", false}, TMaskCase{"[*?]", "?", true},
        TMaskCase{"[*?]", "a", false}, TMaskCase{"[a-]x]", "[", true},
        // backtracking
        TMaskCase{"*a*b", "xaxxb", true}, TMaskCase{"*ab", "aab", true}, TMaskCase{"a*b*c", "abcbc", true},
        TMaskCase{"a*b*c", "abcbd", false}, TMaskCase{"*x*y*z", "zyxzyxyzz", true},
        TMaskCase{"*.tar.gz", "a.tar.tar.gz", true}, TMaskCase{"*[0-9]", "abc9", true},
        TMaskCase{"*[0-9]", "abc", false}, TMaskCase{"*?a", "ba", true}, TMaskCase{"a*", "a", true}));

struct TMalformedCase {
    const char* Mask;
    int Position;
};

class MalformedMask : public ::testing::TestWithParam<TMalformedCase> {};

TEST_P(MalformedMask, RaisesWithThePosition) {
    const TMalformedCase& c = GetParam();
    try {
        MatchesMask("anything", c.Mask);
        FAIL() << "no error for " << c.Mask;
    } catch (const EMaskException& e) {
        EXPECT_EQ(e.Position(), c.Position) << c.Mask;
        EXPECT_EQ(std::string(e.what()),
                  "'" + std::string(c.Mask) + "' is an invalid mask at (" + std::to_string(c.Position) + ")");
    }
}

std::string Stars(int count, bool trailing) {
    std::string mask;
    for (int i = 0; i < count; ++i)
        mask += "*a";
    if (trailing)
        mask += "*";
    return mask;
}

const std::string kStars31 = Stars(31, false);
const std::string kStars30Trailing = Stars(30, true);

INSTANTIATE_TEST_SUITE_P(Table, MalformedMask,
                         ::testing::Values(
                             // no closing "]": the position after the mask
                             TMalformedCase{"[abc", 5}, TMalformedCase{"x[", 3}, TMalformedCase{"[!", 3},
                             TMalformedCase{"[a-", 4}, TMalformedCase{"[a-]", 5},
                             // empty set: the "]"
                             TMalformedCase{"[]", 2}, TMalformedCase{"a[!]", 4},
                             // "-" with nothing before it
                             TMalformedCase{"[-a]", 2}, TMalformedCase{"a[!-b]", 4},
                             // more than 30 "*": the first "*" of the 31st run
                             TMalformedCase{kStars31.c_str(), 61},
                             TMalformedCase{kStars30Trailing.c_str(), 61},
                             // positions count characters, not bytes
                             TMalformedCase{"жж[", 4}));

TEST(MaskLimits, ThirtyStarRunsAreAllowed) {
    EXPECT_TRUE(MatchesMask(std::string(30, 'a'), Stars(30, false)));
    EXPECT_NO_THROW(TMask(Stars(29, true)));
    // Stars in a row, and "?" between them, make one run.
    EXPECT_NO_THROW(TMask(std::string(100, '*') + "a"));
    EXPECT_NO_THROW(TMask(Stars(29, false) + "*?*?**"));
    EXPECT_THROW(TMask(Stars(30, false) + "*?*?**"), EMaskException);
}

TEST(MaskLimits, LongNamesDoNotExplode) {
    const std::string name(5000, 'a');
    EXPECT_FALSE(MatchesMask(name, Stars(30, false) + "b"));
    EXPECT_TRUE(MatchesMask(name + "b", Stars(30, false) + "b"));
}

struct TSplitCase {
    const char* Text;
    std::vector<std::string> Tokens;
};

class FilterSplitting : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(FilterSplitting, GivesTheMasks) {
    // Filters split as the selection splits them: "," is a ";".
    EXPECT_EQ(SplitTokens(ReplaceChar(GetParam().Text, ',', ';'), ';'), GetParam().Tokens) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(Table, FilterSplitting,
                         ::testing::Values(TSplitCase{"*.doc; *.txt", {"*.doc", "*.txt"}},
                                           TSplitCase{"*.doc,*.txt", {"*.doc", "*.txt"}},
                                           TSplitCase{"*.doc *.txt", {"*.doc", "*.txt"}},
                                           TSplitCase{"My Files*.doc", {"My", "Files*.doc"}},
                                           TSplitCase{"   ", {}}, TSplitCase{"", {}},
                                           TSplitCase{";;,\t\n", {}},
                                           TSplitCase{"a\x01"
                                                      "b",
                                                      {"a", "b"}},
                                           TSplitCase{"*", {"*"}}, TSplitCase{"ж*;é", {"ж*", "é"}}));

TEST(TextHelpers, ReplaceCharReplacesEveryOccurrence) {
    EXPECT_EQ(ReplaceChar("a,b,,c", ',', ';'), "a;b;;c");
    EXPECT_EQ(ReplaceChar("", ',', ';'), "");
    EXPECT_EQ(SplitTokens("a|b||c", '|'), (std::vector<std::string>{"a", "b", "c"}));
}

} // namespace
} // namespace korvel
