// Colouring and completion of sequence text.

#include "sequencer/seq_syntax.h"

#include <gtest/gtest.h>

namespace {

using sequencer::SyntaxKind;
using sequencer::SyntaxSpan;
using Spans = std::vector<SyntaxSpan>;
constexpr auto K = SyntaxKind::Keyword;
constexpr auto S = SyntaxKind::String;
constexpr auto C = SyntaxKind::Comment;
constexpr auto N = SyntaxKind::Number;
constexpr auto I = SyntaxKind::Instrument;

struct LineCase {
    const char16_t* line;
    Spans spans;
};

class SyntaxSpansTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(SyntaxSpansTest, ColoursTheLine) {
    EXPECT_EQ(sequencer::syntaxSpans(GetParam().line), GetParam().spans);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SyntaxSpansTest,
    ::testing::Values(LineCase{u"genfreq \"1000\" ' set it", {{0, 7, I}, {8, 6, S}, {15, 8, C}}},
                      // A name that merely contains an instrument function is a variable.
                      LineCase{u"mygenfreq = genfreqx + GENFREQ", {{23, 7, I}}},
                      LineCase{u"x.genfreq MathFunction.readch(1)",
                               {{10, 12, I}, {23, 6, I}, {30, 1, N}}},
                      LineCase{u"If a Then b = \"say \"\"hi\"\"\" Else c = 1.5E3",
                               {{0, 2, K}, {5, 4, K}, {14, 12, S}, {27, 4, K}, {36, 5, N}}},
                      LineCase{u"x = &HFF + .5 + #1/2/2020# Rem note",
                               {{4, 4, N}, {11, 2, N}, {16, 10, N}, {27, 8, C}}},
                      LineCase{u"\u00e9 = \"unclosed waitfor", {{4, 17, S}}},
                      LineCase{u"[genfreq] = x.End: End Sub", {{19, 3, K}, {23, 3, K}}}));

TEST(Completion, InstrumentFunctionsComeWithTheirArguments) {
    const sequencer::Completion* splash = sequencer::findCompletion(u"SPLASH");
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->name, "splash");
    EXPECT_EQ(splash->hint, "splash text, seconds");
    EXPECT_TRUE(splash->instrument);
    EXPECT_FALSE(sequencer::findCompletion(u"ElseIf")->instrument);
    EXPECT_EQ(sequencer::findCompletion(u"mygenfreq"), nullptr);
    int instrument = 0;
    for (const auto& c : sequencer::completions())
        instrument += c.instrument;
    EXPECT_EQ(instrument, 24); // the 23 functions and MathFunction
}

} // namespace
