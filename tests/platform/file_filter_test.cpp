#include "platform/file_filter.h"

#include <gtest/gtest.h>

namespace {

using platform::FileFilter;
using Strings = std::vector<std::string>;

struct FilterCase {
    const char* filter;
    std::vector<FileFilter> choices;
    Strings qt;
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << '"' << c.filter << '"';
}

class ParseFileFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ParseFileFilter, SplitsChoicesAndBuildsQtNameFilters) {
    const auto& c = GetParam();
    const auto choices = platform::parseFileFilter(c.filter);
    ASSERT_EQ(choices.size(), c.choices.size());
    for (std::size_t i = 0; i < choices.size(); ++i) {
        EXPECT_EQ(choices[i].description, c.choices[i].description) << i;
        EXPECT_EQ(choices[i].patterns, c.choices[i].patterns) << i;
    }
    EXPECT_EQ(platform::qtNameFilters(c.filter), c.qt);
}

INSTANTIATE_TEST_SUITE_P(
    ProgramFilters, ParseFileFilter,
    ::testing::Values(
        FilterCase{"Audio Test Panel Files|*.atp;",
                   {{"Audio Test Panel Files", {"*.atp"}}},
                   {"Audio Test Panel Files (*.atp)"}},
        FilterCase{"Test Sequence Files|*.dfs|*.*|*.*",
                   {{"Test Sequence Files", {"*.dfs"}}, {"*.*", {"*.*"}}},
                   {"Test Sequence Files (*.dfs)", "*.* (*)"}},
        FilterCase{
            "All Files (*.bmp)|*.bmp|", {{"All Files (*.bmp)", {"*.bmp"}}}, {"All Files (*.bmp)"}},
        FilterCase{" |*.*;", {{"", {"*.*"}}}, {"*"}}, FilterCase{"", {}, {}},
        FilterCase{
            "Tables| *.dfl ; *.dfu;;", {{"Tables", {"*.dfl", "*.dfu"}}}, {"Tables (*.dfl *.dfu)"}},
        FilterCase{
            "Just a description", {{"Just a description", {"*.*"}}}, {"Just a description (*)"}},
        FilterCase{"Pictures (old)|*.bmp||", {{"Pictures (old)", {"*.bmp"}}}, {"Pictures (*.bmp)"}},
        FilterCase{"|||", {}, {}}));

TEST(FileFilter, MatchesNamesLikeTheProgramsHomeSystem) {
    const auto atp = platform::parseFileFilter("Audio Test Panel Files|*.atp;").at(0);
    EXPECT_TRUE(platform::matchesFileFilter(atp, "bench.atp"));
    EXPECT_TRUE(platform::matchesFileFilter(atp, "BENCH.ATP"));
    EXPECT_TRUE(platform::matchesFileFilter(atp, "a.b.atp"));
    EXPECT_FALSE(platform::matchesFileFilter(atp, "bench.atpx"));
    EXPECT_FALSE(platform::matchesFileFilter(atp, "atp"));
    EXPECT_FALSE(platform::matchesFileFilter(atp, "bench.dfs"));

    const auto all = platform::parseFileFilter("x|*.*").at(0);
    EXPECT_TRUE(platform::matchesFileFilter(all, "README"));
    EXPECT_TRUE(platform::matchesFileFilter(all, "a.b"));

    const FileFilter odd{"odd", {"?.log", "*a*b"}};
    EXPECT_TRUE(platform::matchesFileFilter(odd, "x.log"));
    EXPECT_FALSE(platform::matchesFileFilter(odd, "xy.log"));
    EXPECT_TRUE(platform::matchesFileFilter(odd, "xaxxb"));
    EXPECT_TRUE(platform::matchesFileFilter(odd, "ab"));
    EXPECT_FALSE(platform::matchesFileFilter(odd, "xba"));
}

TEST(FileFilter, DefaultExtensionIsTheFirstPlainExtension) {
    EXPECT_EQ(platform::defaultExtension({"", {"*.atp"}}), "atp");
    EXPECT_EQ(platform::defaultExtension({"", {"*.*", "*.log"}}), "log");
    EXPECT_EQ(platform::defaultExtension({"", {"*.*"}}), "");
    EXPECT_EQ(platform::defaultExtension({"", {"*.d?s", "*"}}), "");
}

} // namespace
