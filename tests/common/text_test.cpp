// Number parsing, number texts, integer conversion and the file code page.

#include "common/text.h"
#include "common/vb_error.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

using namespace common;

namespace {

// Runs `f` and returns the VbError number it throws, or 0.
template <typename F> int errorOf(F f) {
    try {
        f();
    } catch (const VbError& e) {
        return e.number();
    }
    return 0;
}

struct ParseCase {
    std::string text;
    double expected;
};

class LeadingNumber : public ::testing::TestWithParam<ParseCase> {};

TEST_P(LeadingNumber, ReadsTheNumberAtTheStart) {
    EXPECT_DOUBLE_EQ(leadingNumber(GetParam().text), GetParam().expected)
        << "text: \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingNumber,
    ::testing::Values(
        ParseCase{" 12.5abc", 12.5}, ParseCase{"abc", 0}, ParseCase{"-.5", -0.5},
        ParseCase{"1e3x", 1000}, ParseCase{"", 0}, ParseCase{".", 0}, ParseCase{"1e", 1},
        ParseCase{"1e+", 1}, ParseCase{"\t 7", 7}, ParseCase{"+3", 3},
        ParseCase{"  -12.5e-1xyz", -1.25}, ParseCase{"1.5D2", 150}, ParseCase{"2d-1", 0.2},
        ParseCase{"5.", 5}, ParseCase{".5.", 0.5}, ParseCase{"1,5", 1}, ParseCase{"12 34", 12},
        ParseCase{"- 5", 0}, ParseCase{"e5", 0}, ParseCase{"0.000", 0}, ParseCase{"007", 7},
        ParseCase{"&HFF", 255}, ParseCase{"&hff", 255}, ParseCase{"&HFFFF", -1},
        ParseCase{"&H10000", 65536}, ParseCase{"&HFFFFFFFF", -1}, ParseCase{"&O17", 15},
        ParseCase{"&Hxyz", 0}, ParseCase{"&", 0}, ParseCase{std::string(1, '\0') + "5", 0},
        ParseCase{"5" + std::string(1, '\0') + "9", 5}, ParseCase{"1e-999", 0},
        ParseCase{"0.1", 0.1}, ParseCase{"123456789012345678901234567890", 1.2345678901234568e29}));

TEST(LeadingNumberLimits, OutOfRangeGivesTheLargestDoubleOrZero) {
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(leadingNumber("1e999"), max);
    EXPECT_EQ(leadingNumber("-1e999"), -max);
    EXPECT_EQ(leadingNumber(" 1" + std::string(400, '0')), max);
    EXPECT_EQ(leadingNumber("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(leadingNumber("1e99999999999999999999"), max);
}

TEST(LeadingNumberLimits, RoundsCorrectlyAroundTheShortNumberPath) {
    EXPECT_EQ(leadingNumber("9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(leadingNumber("9007199254740995"), 9007199254740996.0);
    EXPECT_EQ(leadingNumber("1e22"), 1e22);
    EXPECT_EQ(leadingNumber("1e23"), 1e23);
    EXPECT_EQ(leadingNumber("0.30000000000000004"), 0.1 + 0.2);
    EXPECT_EQ(leadingNumber("12345678901234567890123"), 12345678901234567890123.0);
    EXPECT_EQ(leadingSingle("16777217"), 16777216.0f);
    EXPECT_EQ(leadingSingle("16777219"), 16777220.0f);
    EXPECT_EQ(leadingSingle("3.4028235e38"), std::numeric_limits<float>::max());
    EXPECT_EQ(leadingSingle("-2.5E+3 dB"), -2500.0f);
    EXPECT_EQ(leadingSingle("1e-60"), 0.0f);
    EXPECT_EQ(errorOf([] { leadingSingle("1e39"); }), 6);
}

TEST(LeadingNumberLimits, AMegabyteOfDigitsIsRead) {
    std::string digits(1 << 20, '3');
    digits.insert(0, "0.");
    EXPECT_DOUBLE_EQ(leadingNumber(digits), 1.0 / 3.0);
}

TEST(WholeNumber, NothingOfTheTextMayBeIgnored) {
    for (const char* yes : {"-1.5", " 2E3 ", "5.", "-.5", "1.5D2", "&H1F", "&o17", "+0"})
        EXPECT_TRUE(isWholeNumber(yes)) << yes;
    for (const char* no : {"", " ", ".", "1,5", "12 dB", "1e", "e5", "&H", "&O8", "- 5", "1e+"})
        EXPECT_FALSE(isWholeNumber(no)) << no;
}

struct TextCase {
    double value;
    const char* expected;
};

class ShortestText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ShortestText, WritesTheShortestPlainForm) {
    EXPECT_EQ(shortestText(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Doubles, ShortestText,
    ::testing::Values(TextCase{0.5, "0.5"}, TextCase{1000, "1000"}, TextCase{-2.25, "-2.25"},
                      TextCase{0.1, "0.1"}, TextCase{1.5e-7, "1.5E-07"}, TextCase{1e15, "1E+15"},
                      TextCase{1e14, "100000000000000"}, TextCase{0.00001, "0.00001"},
                      TextCase{0.000012, "0.000012"}, TextCase{1e-6, "1E-06"},
                      TextCase{-1.25e20, "-1.25E+20"}, TextCase{1.0 / 3.0, "0.3333333333333333"},
                      TextCase{0.1 + 0.2, "0.30000000000000004"}, TextCase{0, "0"},
                      TextCase{-0.0, "0"}, TextCase{123456789012345.6, "123456789012345.6"},
                      TextCase{1.7976931348623157e308, "1.7976931348623157E+308"},
                      TextCase{5e-324, "5E-324"}));

TEST(ShortestTextSingle, UsesTheSinglesOwnDigits) {
    EXPECT_EQ(shortestText(0.1f), "0.1");
    EXPECT_EQ(shortestText(1.0f / 3.0f), "0.33333334");
    EXPECT_EQ(shortestText(16777216.0f), "16777216");
    EXPECT_EQ(shortestText(1e20f), "1E+20");
    EXPECT_EQ(shortestText(-1.5e-7f), "-1.5E-07");
    EXPECT_EQ(shortestText(std::numeric_limits<float>::infinity()), "Inf");
    EXPECT_EQ(shortestText(std::numeric_limits<double>::quiet_NaN()), "NaN");
}

TEST(ShortestTextRoundTrip, RandomDoublesReadBackExactly) {
    std::mt19937_64 rng(20240601);
    for (int i = 0; i < 200000; ++i) {
        double value = std::bit_cast<double>(rng());
        if (!std::isfinite(value) || value == 0) continue;
        const std::string text = shortestText(value);
        ASSERT_EQ(leadingNumber(text), value) << text;
        ASSERT_NE(text[0], ' ');
    }
    // Ordinary magnitudes, where the plain (non-exponent) form is used.
    std::uniform_real_distribution<double> ordinary(-1e6, 1e6);
    for (int i = 0; i < 100000; ++i) {
        const double value = ordinary(rng);
        const std::string text = shortestText(value);
        ASSERT_EQ(leadingNumber(text), value) << text;
        ASSERT_EQ(text.find('E'), std::string::npos) << text;
    }
}

TEST(ShortestTextRoundTrip, RandomSinglesReadBackExactly) {
    std::mt19937 rng(77);
    for (int i = 0; i < 200000; ++i) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
        if (!std::isfinite(value) || value == 0) continue;
        const std::string text = shortestText(value);
        ASSERT_EQ(leadingSingle(text), value) << text;
        ASSERT_LE(text.size(), 16u) << text; // "-" and 15 integer digits at most
    }
}

TEST(DisplayText, LimitsToFifteenDigits) {
    EXPECT_EQ(displayText(0.1 + 0.2), "0.3");
    EXPECT_EQ(displayText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(displayText(-1000), "-1000");
    EXPECT_EQ(displayText(1e15), "1E+15");
    EXPECT_EQ(displayText(123456789012345678.0), "1.23456789012346E+17");
    EXPECT_EQ(displayText(0.00001), "0.00001");
    EXPECT_EQ(displayText(0.000001234), "1.234E-06");
    EXPECT_EQ(displayText(999999999999999.9), "1E+15");
}

TEST(ErrorNumberText, HasOneLeadingBlank) {
    EXPECT_EQ(errorNumberText(53), " 53");
    EXPECT_EQ(errorNumberText(-1), "-1");
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(-0.49999999999999994), 0);
    EXPECT_EQ(roundHalfEven(4503599627370495.5), 4503599627370496.0);
}

TEST(IntegerConversion, Int16BoundariesRoundHalvesToEven) {
    EXPECT_EQ(toInt16(32766.5), 32766);
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768);
    EXPECT_EQ(toInt16(-32767.5), -32768);
    EXPECT_EQ(toInt16(2.5), 2);
    EXPECT_EQ(toInt16(3.5), 4);
    EXPECT_EQ(errorOf([] { toInt16(32767.5); }), 6);
    EXPECT_EQ(errorOf([] { toInt16(-32769); }), 6);
    EXPECT_EQ(errorOf([] { toInt16(-32768.51); }), 6);
    EXPECT_EQ(errorOf([] { toInt16(1e300); }), 6);
    EXPECT_EQ(errorOf([] { toInt16(std::numeric_limits<double>::quiet_NaN()); }), 6);
}

TEST(IntegerConversion, Int32AndByteBoundaries) {
    EXPECT_EQ(toInt32(2147483646.5), 2147483646);
    EXPECT_EQ(toInt32(-2147483648.5), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(errorOf([] { toInt32(2147483647.5); }), 6);
    EXPECT_EQ(errorOf([] { toInt32(-2147483649.0); }), 6);
    EXPECT_EQ(toByte(254.5), 254);
    EXPECT_EQ(toByte(-0.5), 0);
    EXPECT_EQ(errorOf([] { toByte(255.5); }), 6);
    EXPECT_EQ(errorOf([] { toByte(-0.6); }), 6);
}

TEST(IntegerConversion, SingleRange) {
    const float max = std::numeric_limits<float>::max();
    EXPECT_EQ(toSingle(static_cast<double>(max)), max);
    EXPECT_EQ(toSingle(-static_cast<double>(max)), -max);
    EXPECT_EQ(toSingle(0.1), 0.1f);
    EXPECT_EQ(toSingle(1e-50), 0.0f);
    EXPECT_EQ(errorOf([] { toSingle(3.5e38); }), 6);
    EXPECT_EQ(errorOf([] { toSingle(-1e300); }), 6);
}

TEST(CodePage, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(CodePage, MapsTheWindowsCharactersAndTheRestBecomesQuestionMarks) {
    EXPECT_EQ(cp1252ToUtf8("\x80\x93x\x94\x9F\xE9\x81"), "\u20AC\u201Cx\u201D\u0178\u00E9\u0081");
    EXPECT_EQ(utf8ToCp1252("\u20AC \u00B0\u2122"), "\x80 \xB0\x99");
    EXPECT_EQ(utf8ToCp1252("\u65E5\u672C"), "??");
    EXPECT_EQ(utf8ToCp1252("\U0001F600"), "?");
    EXPECT_EQ(utf8ToCp1252("\u0080"), "?"); // a control character with no byte
    EXPECT_EQ(utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");
    EXPECT_EQ(utf8ToCp1252("\xE2\x82"), "??");           // truncated
    EXPECT_EQ(utf8ToCp1252("\xC0\xAF"), "??");           // overlong
    EXPECT_EQ(utf8ToCp1252("\xED\xA0\x80"), "???");      // surrogate
    EXPECT_EQ(utf8ToCp1252("\x80x"), "?x");              // stray continuation
    EXPECT_EQ(utf8ToCp1252("\xF4\x90\x80\x80"), "????"); // beyond U+10FFFF
}

TEST(CodePage, RandomBytesNeverBreakTheConversion) {
    std::mt19937 rng(5);
    for (int i = 0; i < 2000; ++i) {
        std::string garbage(rng() % 64, '\0');
        for (char& c : garbage)
            c = static_cast<char>(rng());
        const std::string bytes = utf8ToCp1252(garbage);
        EXPECT_LE(bytes.size(), garbage.size());
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(bytes)), bytes);
    }
}

} // namespace
