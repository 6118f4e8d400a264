#include "views_fixture.h"

#include <cmath>

namespace views {
namespace {

struct BinCase {
    int n, first, last;
    double firstX, lastX; // the bins' log positions on the graph
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
    EXPECT_NEAR(lines[0].xb, c.firstX, 0.001);
    EXPECT_EQ(lines[0].colour, colours::LeftTrace);
    EXPECT_EQ(lines[1].colour, colours::RightTrace);
    EXPECT_DOUBLE_EQ(lines[2].xa, lines[0].xb);
    EXPECT_NEAR(lines.back().xb, c.lastX, 0.001);
    EXPECT_EQ(view.binPixelX[static_cast<std::size_t>(c.last)], std::lround(c.lastX));
    // 1 kHz lies at the same place for both sizes.
    EXPECT_EQ(view.binPixelX[static_cast<std::size_t>(372 * c.n / 16384)], 4772);
    EXPECT_DOUBLE_EQ(view.binFreq[static_cast<std::size_t>(c.last)], c.last * 44100.0 / c.n);
    // Frame finished: windowed samples cleared over 0..N-1, average restarted.
    EXPECT_EQ(fx.winLeft[0], 0);
    EXPECT_EQ(fx.winRight[static_cast<std::size_t>(c.n - 1)], 0);
    EXPECT_EQ(fx.winLeft[static_cast<std::size_t>(c.n)], 7);
    EXPECT_EQ(fx.counter, 1);
}

INSTANTIATE_TEST_SUITE_P(BothSizes, SpectrumBins,
                         testing::Values(BinCase{16384, 4, 7200, 500.1386, 7501.3215},
                                         BinCase{32768, 8, 15392, 500.1386, 7527.7229}));

TEST(Spectrum, LevelAndYMapping) {
    SpectrumBuffers fx;
    RecordingSurface s;
    SpectrumView view;
    // A bin of sqrt 2 by the classic natural-log decibel: 20 ln(sqrt 2) / 2.3.
    view.makespectrum(s, fx.frame(16384), {0, false, 3255, {}});
    EXPECT_NEAR(view.binDbLeft[100], 3.01368, 1e-5);
    EXPECT_NEAR(view.binYLeft[100], 2019.118, 0.001);
    EXPECT_NEAR(view.levelToY(0, 3255), 2125.2, 1e-9);
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
    EXPECT_NEAR(view2.binDbLeft[100], 0.01368, 1e-5);
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
    EXPECT_NEAR(view.binDbLeft[300], 5.60725, 1e-5); // of 1000 + 1000 / 0.38

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
