#include "views_fixture.h"

#include <cmath>

namespace views {
namespace {

// The analyzer's log position of a bin, written out per decade.
double expectedPlotX(int i, int n) {
    const double k = n / 16384.0;
    if (i <= 10) return (2706 * std::log(i / (10 * k)) + 1) * 0.71 + 2760;
    if (i <= 100) return (2606 * std::log(i / (10 * k)) + 1) * 0.71 + 2760;
    if (i <= 1000) return (2706 * std::log(i / (100 * k)) + 6000) * 0.71 + 2760;
    if (i <= 10000) return (2656 * std::log(i / (1000 * k)) + 12000) * 0.71 + 2760;
    return (2606 * std::log(i / (10000 * k)) + 18000) * 0.71 + 2760;
}

struct BinCase {
    int n, first, last;
};

class SpectrumBins : public testing::TestWithParam<BinCase> {};

TEST_P(SpectrumBins, DrawsOneSegmentPerBinAndChannel) {
    const BinCase c = GetParam();
    EXPECT_EQ(firstSpectrumBin(c.n), c.first);
    EXPECT_EQ(lastSpectrumBin(c.n), c.last);
    SpectrumBuffers fx;
    RecordingSurface s;
    SpectrumView view;
    int pumps = 0;
    view.makespectrum(s, fx.frame(c.n), {2, false, 3255, [&] { ++pumps; }});
    const auto lines = s.shownLines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(2 * (c.last - c.first + 1)));
    EXPECT_EQ(pumps, 1);
    // The first segment has zero length; the others join bin to bin.
    EXPECT_DOUBLE_EQ(lines[0].xa, lines[0].xb);
    EXPECT_DOUBLE_EQ(lines[0].xb, expectedPlotX(c.first, c.n) / 2);
    EXPECT_EQ(lines[0].colour, colours::LeftTrace);
    EXPECT_EQ(lines[1].colour, colours::RightTrace);
    EXPECT_DOUBLE_EQ(lines[2].xa, lines[0].xb);
    EXPECT_NEAR(lines.back().xb, expectedPlotX(c.last, c.n) / 2, 1e-9);
    EXPECT_EQ(view.binPixelX[static_cast<std::size_t>(c.last)],
              std::lround(expectedPlotX(c.last, c.n) / 2));
    EXPECT_DOUBLE_EQ(view.binFreq[static_cast<std::size_t>(c.last)], c.last * 44100.0 / c.n);
    // Frame finished: windowed samples cleared over 0..N-1, average restarted.
    EXPECT_EQ(fx.winLeft[0], 0);
    EXPECT_EQ(fx.winRight[static_cast<std::size_t>(c.n - 1)], 0);
    EXPECT_EQ(fx.winLeft[static_cast<std::size_t>(c.n)], 7);
    EXPECT_EQ(fx.counter, 1);
}

INSTANTIATE_TEST_SUITE_P(BothSizes, SpectrumBins,
                         testing::Values(BinCase{16384, 4, 7200}, BinCase{32768, 8, 15392}));

TEST(Spectrum, LevelAndYMapping) {
    SpectrumBuffers fx;
    RecordingSurface s;
    SpectrumView view;
    // s = sqrt((1000 + 1000) / 1000) = sqrt 2
    view.makespectrum(s, fx.frame(16384), {0, false, 3255, {}});
    const double level = 20 * std::log(std::sqrt(2.0)) / 2.3;
    EXPECT_DOUBLE_EQ(view.binDbLeft[100], level);
    EXPECT_DOUBLE_EQ(view.binYLeft[100], 0.88 * (3255 + 360 + (-60 / 0.05) - 40 * level));
    EXPECT_DOUBLE_EQ(view.levelToY(0, 3255), 0.88 * (3255 + 360 - 1200.0));
    // Only the left channel: right tables untouched, left colour only.
    EXPECT_EQ(view.binDbRight[100], 0);
    for (const DrawOp& op : s.shownLines())
        EXPECT_EQ(op.colour, colours::LeftTrace);

    // The reference level lowers every value by half of it.
    SpectrumBuffers fx2;
    SpectrumView view2;
    SpectrumFrame f = fx2.frame(16384);
    f.refLevel = 6;
    view2.makespectrum(s, f, {0, false, 3255, {}});
    EXPECT_DOUBLE_EQ(view2.binDbLeft[100], level - 3);
}

TEST(Spectrum, ZeroBinsKeepThePreviousLevel) {
    SpectrumBuffers fx;
    RecordingSurface s;
    SpectrumView view;
    view.makespectrum(s, fx.frame(16384), {1, false, 3255, {}});
    const double before = view.binDbRight[500];
    fx.right[500] = 0;
    fx.right[501] = 0;
    fx.right[502] = 5000;
    view.makespectrum(s, fx.frame(16384), {1, false, 3255, {}});
    EXPECT_EQ(view.binDbRight[500], before);
    EXPECT_NE(view.binDbRight[501], before);
    EXPECT_EQ(view.binDbLeft[500], 0); // right channel only
}

TEST(Spectrum, GeneratorOnDividesEachDrawnBinOnceInPlaceAndExportIsWhite) {
    SpectrumBuffers fx;
    RecordingSurface s;
    SpectrumView view;
    view.makespectrum(s, fx.frame(16384, true), {2, false, 3255, {}});
    EXPECT_DOUBLE_EQ(fx.left[4], 1000 / 0.38);
    EXPECT_DOUBLE_EQ(fx.right[7200], 1000 / 0.38);
    EXPECT_EQ(fx.left[3], 1000);
    EXPECT_EQ(fx.left[7201], 1000);
    // Each level sums its own bin, already divided, with the next, not yet.
    const double level = 20 * std::log(std::sqrt((1000 + 1000 / 0.38) / 1000)) / 2.3;
    EXPECT_DOUBLE_EQ(view.binDbLeft[300], level);

    // Exported, both traces are white.
    s.clear();
    view.makespectrum(s, fx.frame(16384), {2, true, 3255, {}});
    for (const DrawOp& op : s.shownLines())
        ASSERT_EQ(op.colour, colours::Export);
}

TEST(Spectrum, CursorReadout) {
    SpectrumBuffers fx;
    RecordingSurface s;
    SpectrumView view;
    EXPECT_FALSE(view.cursorReadout(5000).has_value()); // nothing drawn yet
    view.makespectrum(s, fx.frame(16384), {2, false, 3255, {}});
    // Pointer between the pixels of bins 371 and 372.
    const double a = (view.binPixelX[371] + view.binPixelX[372]) / 2.0 - 380 + 0.25;
    const auto text = view.cursorReadout(a * 2.75);
    ASSERT_TRUE(text.has_value());
    const double db = 22 - view.binYLeft[372] * 160 / 2755;
    char expected[80];
    std::snprintf(expected, sizeof expected, "1001.3 Hz   %.2f dBL  %.2f dBR", db, db);
    EXPECT_EQ(*text, expected);
}

} // namespace
} // namespace views
