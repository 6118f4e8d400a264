// Display format patterns.

#include "common/text.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>

using common::Format;

namespace {

struct FormatCase {
    const char* pattern;
    double value;
    const char* expected;
};

std::ostream& operator<<(std::ostream& os, const FormatCase& c) {
    return os << "Format(" << c.value << ", \"" << c.pattern << "\")";
}

class FormatPatterns : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatPatterns, GivesTheClassicText) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(Format(c.value, c.pattern), c.expected);
}

// Readout patterns: frequency, volts, dB, power, THD.
INSTANTIATE_TEST_SUITE_P(
    Readouts, FormatPatterns,
    ::testing::Values(
        FormatCase{"###.#", 1001.2752, "1001.3"}, FormatCase{"###.#", 999.94, "999.9"},
        // the 15-digit form of 12.35 is exact, so the half rounds away from zero
        FormatCase{"###.#", 12.35, "12.4"}, FormatCase{"###.#", -3.45, "-3.5"},
        FormatCase{"###.#", 0.05, ".1"},
        // a pattern ending in optional decimals keeps its point when they all drop
        FormatCase{"###.#", 1000, "1000."}, FormatCase{"###.#", 0, "."},
        FormatCase{"###.#", 0.04, "."},
        // a negative value whose shown digits are all zero loses its sign
        FormatCase{"###.#", -0.04, "."}, FormatCase{"###.#", 1e20, "100000000000000000000."},
        FormatCase{"#.###", 1.5, "1.5"}, FormatCase{"#.###", 0.5, ".5"},
        FormatCase{"#.###", 1.0, "1."}, FormatCase{"#.###", 0.0005, ".001"},
        FormatCase{"#.###", 0.00049, "."}, FormatCase{"#.###", 2.71828, "2.718"},
        FormatCase{"#.##", 1.005, "1.01"}, FormatCase{"#.##", 0.25, ".25"},
        FormatCase{"#.##", -6.02, "-6.02"}, FormatCase{"#.##", -0.004, "."},
        FormatCase{"#.##", -0.005, "-.01"}, FormatCase{"#.##", 100, "100."},
        FormatCase{"#.##", 1e-300, "."}, FormatCase{"###.##", 2.5, "2.5"},
        FormatCase{"###.##", 0.015, ".02"}, FormatCase{"###.###", 0.1234, ".123"},
        FormatCase{"###.###", 0.0125, ".013"}, FormatCase{"###.###", 45.6789, "45.679"},
        FormatCase{"####.##", 1000, "1000."}, FormatCase{"####.##", 19999.999, "20000."},
        FormatCase{"##.#", 99.96, "100."}, FormatCase{"##.##", 21.999, "22."},
        FormatCase{"##.##", -12.345, "-12.35"}));

// Generator and log patterns with required digits.
INSTANTIATE_TEST_SUITE_P(
    RequiredDigits, FormatPatterns,
    ::testing::Values(
        FormatCase{"##.00", -3.5, "-3.50"}, FormatCase{"##.00", 0, ".00"},
        FormatCase{"##.00", -0.001, ".00"}, FormatCase{"##.00", 123.456, "123.46"},
        FormatCase{"##0.0##", 1.5, "1.5"}, FormatCase{"##0.0##", 1.23456, "1.235"},
        FormatCase{"##0.0##", 0, "0.0"}, FormatCase{"##0.0##", -0.0004, "0.0"},
        FormatCase{"##0.0##", 0.0005, "0.001"}, FormatCase{"##0.0##", -1e6, "-1000000.0"},
        FormatCase{"###.0", 0.96, "1.0"}, FormatCase{"###.0", 999.95, "1000.0"},
        FormatCase{"###.0", 0, ".0"}, FormatCase{"#####.0", 1000, "1000.0"},
        FormatCase{"#####.0", 0.04, ".0"}, FormatCase{"###.0000", 0.5, ".5000"},
        FormatCase{"###.0000", 0.12345, ".1235"}, FormatCase{"###.0000", 12, "12.0000"},
        FormatCase{"#####", 10, "10"}, FormatCase{"#####", 0, ""}, FormatCase{"#####", 0.4, ""},
        FormatCase{"#####", 0.5, "1"}, FormatCase{"#####", 2.5, "3"},
        FormatCase{"#####", -2.5, "-3"}, FormatCase{"#####", 22050.0 / 44100 * 10, "5"},
        FormatCase{"#####", 123456.7, "123457"},
        // beyond 15 significant digits the value shows its 15-digit form
        FormatCase{"#####", 123456789012345678.0, "123456789012346000"}));

// The table cell patterns of the editor.
INSTANTIATE_TEST_SUITE_P(
    TableCells, FormatPatterns,
    ::testing::Values(
        FormatCase{"###.0##", 20, "20.0"}, FormatCase{"###.0##", 1000, "1000.0"},
        FormatCase{"###.0##", 0.001, ".001"}, FormatCase{"###.0##", 1234.56789, "1234.568"},
        FormatCase{"###.00##", -1, "-1.00"}, FormatCase{"###.00##", 0.12345, ".1235"},
        FormatCase{"###.00##", -1.2, "-1.20"}, FormatCase{"###.0###", 0.5, ".5"},
        FormatCase{"###.0###", 0.00001, ".0"}, FormatCase{"###.0###", 0.01234, ".0123"},
        FormatCase{"##0.00##", 0, "0.00"}, FormatCase{"##0.00##", -1.2, "-1.20"},
        FormatCase{"##0.00##", 0.123456, "0.1235"}, FormatCase{"##0.0###", 0.01, "0.01"},
        FormatCase{"##0.0###", 3, "3.0"}, FormatCase{"##0.00###", 1.23456789, "1.23457"},
        FormatCase{"##0.00###", -40, "-40.00"}, FormatCase{"###.0#", 20, "20.0"},
        FormatCase{"###.0#", 20.125, "20.13"}, FormatCase{"###.0#", 15.5, "15.5"}));

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Edges, FormatPatterns,
    ::testing::Values(
        // 2.675 is stored as 2.67499999999999982236431605997495353221893310546875;
        // its 15-digit form 2.67500000000000 rounds up, a value below the half down.
        FormatCase{"#.##", 2.675, "2.68"}, FormatCase{"#.##", -2.675, "-2.68"},
        FormatCase{"#.##", 2.67499999999, "2.67"},
        // carries into a new leading digit
        FormatCase{"#.##", 9.9999, "10."}, FormatCase{"##0.00", -9.996, "-10.00"},
        FormatCase{"###.0##", 0.99999, "1.0"},
        // required integer zeros pad the integer part
        FormatCase{"000", 5, "005"}, FormatCase{"0.00", 0.25, "0.25"},
        FormatCase{"00", 1234, "1234"},
        // literal text around the placeholders is kept
        FormatCase{"##0.0 Hz", 5, "5.0 Hz"}, FormatCase{"(#.0)", -5, "(-5.0)"},
        FormatCase{"none", 5, "none"},
        // an empty pattern gives the plain text
        FormatCase{"", 0.1 + 0.2, "0.3"}, FormatCase{"", -1000, "-1000"},
        // non-finite values give a word
        FormatCase{"#.##", kInf, "Inf"}, FormatCase{"#.##", -kInf, "-Inf"},
        FormatCase{"#.##", std::numeric_limits<double>::quiet_NaN(), "NaN"},
        FormatCase{"##0.0##", std::numeric_limits<double>::denorm_min(), "0.0"},
        FormatCase{"#.0000000000000000000000000", 1.0, "1.0000000000000000000000000"}));

TEST(Format, SinglesRoundFromTheirSevenDigitForm) {
    EXPECT_EQ(common::FormatSingle(1.00005f, "##0.00##"), "1.0001");
    EXPECT_EQ(Format(1.00005f, "##0.00##"), "1.00");
    EXPECT_EQ(common::FormatSingle(-0.12345f, "###.0###"), "-.1235");
    EXPECT_EQ(common::FormatSingle(0.1f, ""), "0.1");
}

TEST(Format, TheLargestDoubleShowsAllItsDigits) {
    const double big = std::numeric_limits<double>::max();
    const std::string text = Format(big, "###.0");
    EXPECT_EQ(text.size(), 309u + 2u);
    EXPECT_EQ(text.substr(0, 15), "179769313486232");
}

} // namespace
