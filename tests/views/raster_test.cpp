#include "views/graph.h"
#include "views/raster_surface.h"
#include "views/recording_surface.h"
#include "views/scales.h"

#include <QBuffer>
#include <QImageReader>
#include <filesystem>
#include <gtest/gtest.h>

namespace views {
namespace {

QRgb rgbOf(Rgb colour) {
    return 0xFF000000u | colour;
}

// The small graph's picture box on the graph's scale.
void smallGraph(RasterSurface& s) {
    s.setLayout(kSmallGraphLayout);
    s.setScale(kGraphScale);
}

TEST(RasterSurface, SizeFromTwipsAndUserScaleMapping) {
    RasterSurface s;
    s.setLayout(kSmallGraphLayout);
    ASSERT_EQ(s.image().width(), 521);  // 7815 twips
    ASSERT_EQ(s.image().height(), 217); // 3255 twips
    s.setScale(kGraphScale);
    EXPECT_EQ(s.pixelX(-1500), 0);
    EXPECT_EQ(s.pixelX(20500), 521); // just outside, as on the picture boxes
    EXPECT_EQ(s.pixelY(-20), 0);
    EXPECT_EQ(s.pixelY(440), 217);
    EXPECT_EQ(s.pixelX(12000), 319); // 13500 / 22000 * 521 = 319.7
    EXPECT_EQ(s.pixelY(200), 103);   // 220 / 460 * 217 = 103.8
    s.setScale({0, 0, 7755, 3195});
    EXPECT_EQ(s.pixelX(7755 / 2.0), 260);
}

TEST(RasterSurface, LinesLandOnTheirPixelsInTheirColourAndWidth) {
    RasterSurface s;
    smallGraph(s);
    s.setPenColour(colours::GridNormal);
    s.line(12000, 0, 12000, 400);
    s.setPenWidth(2);
    s.line(10, 200, 19800, 200, colours::LeftTrace);
    const QImage& image = s.image();
    const int x = s.pixelX(12000);
    EXPECT_EQ(image.pixel(x, s.pixelY(100)), rgbOf(colours::GridNormal));
    EXPECT_EQ(image.pixel(x + 2, s.pixelY(100)), rgbOf(colours::Background));
    EXPECT_EQ(image.pixel(s.pixelX(5000), s.pixelY(200)), rgbOf(colours::LeftTrace));
    // Width 2 covers two rows.
    const int y = s.pixelY(200);
    const int covered = (image.pixel(s.pixelX(5000), y - 1) == rgbOf(colours::LeftTrace)) +
                        (image.pixel(s.pixelX(5000), y + 1) == rgbOf(colours::LeftTrace));
    EXPECT_EQ(covered, 1);
}

TEST(RasterSurface, BackgroundPictureIsRestoredByClear) {
    RasterSurface a, b;
    smallGraph(a);
    smallGraph(b);
    a.line(0, 100, 19800, 100, colours::RightTrace);
    const PictureRef snapshot = a.takeImage();
    a.clear(); // the snapshot does not change with its surface
    b.setBackground(snapshot);
    const QPoint p(b.pixelX(9000), b.pixelY(100));
    EXPECT_EQ(b.image().pixel(p), rgbOf(colours::RightTrace));
    b.line(0, 300, 19800, 300, colours::LeftTrace);
    b.clear();
    EXPECT_EQ(b.image().pixel(p), rgbOf(colours::RightTrace));
    EXPECT_EQ(b.image().pixel(b.pixelX(9000), b.pixelY(300)), rgbOf(colours::Background));
    b.setBackground(nullptr);
    EXPECT_EQ(b.image().pixel(p), rgbOf(colours::Background));
    // A picture of another surface kind counts as no picture.
    RecordingSurface r;
    b.setBackground(r.takeImage());
    EXPECT_EQ(b.image().pixel(p), rgbOf(colours::Background));
}

TEST(RasterSurface, LabelsAreDrawnInThePenColourBelowAndRightOfTheirPoint) {
    RasterSurface s;
    smallGraph(s);
    s.setPenColour(colours::Label);
    s.text(-1400, 185, "-30");
    const int x0 = s.pixelX(-1400), y0 = s.pixelY(185);
    int lit = 0;
    for (int y = y0; y < y0 + 7; ++y)
        for (int x = x0; x < x0 + 18; ++x)
            lit += s.image().pixel(x, y) == rgbOf(colours::Label);
    EXPECT_GT(lit, 20);
    EXPECT_EQ(s.image().pixel(x0 - 1, y0 - 1), rgbOf(colours::Background));
}

TEST(GraphImage, SavesBmpOrPngByName) {
    RasterSurface s;
    smallGraph(s);
    s.line(12000, 0, 12000, 400, colours::GridNormal);
    const auto dir = std::filesystem::temp_directory_path() / "arv1_views_image_test";
    std::filesystem::create_directories(dir);
    const std::string bmp = (dir / "g.bmp").string();
    const std::string png = (dir / "G.PNG").string();
    ASSERT_TRUE(saveGraphImage(s, bmp));
    ASSERT_TRUE(saveGraphImage(s, png));
    for (const auto& [path, format] : {std::pair{bmp, "bmp"}, std::pair{png, "png"}}) {
        QImageReader reader(QString::fromStdString(path));
        EXPECT_EQ(reader.format().toStdString(), format);
        const QImage image = reader.read();
        ASSERT_EQ(image.size(), QSize(521, 217));
        EXPECT_EQ(image.pixel(s.pixelX(12000), 50) | 0xFF000000u, rgbOf(colours::GridNormal));
    }
    RecordingSurface r;
    EXPECT_FALSE(saveGraphImage(r, bmp)); // no raster image to save
    EXPECT_FALSE(saveGraphImage(s, (dir / "missing" / "x.bmp").string()));
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace views
