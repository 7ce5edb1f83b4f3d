// Pictures of shapes whose colours are known: a plate whose thin strip must show the colour map's
// low end and its thick parts the high end; background pixels stay empty. Pixel positions are
// worked out here from the view frame. (The colours of a collision's hits are checked in the
// exported files, which take them from the same scale.)
#include <gtest/gtest.h>

#include "example_shapes.h"
#include "meshanalysis/PartFaces.h"
#include "visual/BitmapFont.h"
#include "visual/Picture.h"
#include "visual/PngFile.h"
#include "visual/Rasteriser.h"
#include <algorithm>
#include <cmath>
#include <sstream>

namespace
{
using namespace visual;

// The pixel (x, y) whose centre is nearest to the point (right, up) of the view plane, in mm.
struct Pixel
{
    int x, y;
};
Pixel PixelAt(ViewFrame const& f, double rightMm, double upMm)
{
    return {int(std::floor((rightMm - f.centreRightMm) / f.mmPerPixel + f.width / 2.0)),
            int(std::floor(f.height / 2.0 - (upMm - f.centreUpMm) / f.mmPerPixel))};
}

// True when the pixel is the colour times one brightness from the ambient light to full, as flat
// shading draws it: every channel scaled alike, to within rounding.
bool IsShadeOf(Rgba8 pixel, Rgb8 colour)
{
    if (pixel.a != 255) return false;
    double const k = double(pixel.r + pixel.g + pixel.b) / double(colour.r + colour.g + colour.b);
    if (k < kAmbientLight - 0.01 || k > 1.0 + 1e-9) return false;
    return std::abs(pixel.r - k * colour.r) <= 1.5 && std::abs(pixel.g - k * colour.g) <= 1.5 &&
           std::abs(pixel.b - k * colour.b) <= 1.5;
}

Image Draw(FaceMesh const& mesh, View const& view, ViewFrame const& frame, ColourScale const& scale)
{
    FaceBuffer const buffer = Rasterise(mesh, view, frame);
    Image image(frame.width, frame.height);
    DrawShadedFaces(buffer, mesh, view, scale, image, 0, 0);
    return image;
}
} // namespace

TEST(Picture, ThinStripShowsTheLowEndThickPartsTheHighEndAndTheBackgroundStaysEmpty)
{
    vz_test::MeasuredPlate const plate;
    FaceMesh const& faces = plate.faces;
    ColourScale const scale = ThicknessScale(0.5, 1.5);
    // Looking down the thickness (from +y): screen right is -x, screen up is +z.
    View const view = MakeView("from +y", {0, 1, 0}, {0, 0, 1});
    ASSERT_NEAR(view.right[0], -1.0, 1e-12);
    ViewFrame const frame{-15.0, 5.0, 0.1, 400, 150};
    Image const image = Draw(faces, view, frame, scale);

    // Along the groove floor (0.4 mm, clamped to 0.5): the map's low end.
    for (Pixel const p : {PixelAt(frame, -15.0, 5.0), PixelAt(frame, -12.5, 1.0), PixelAt(frame, -17.5, 1.0)})
        EXPECT_TRUE(IsShadeOf(image.At(p.x, p.y), HeatColour(0.0))) << p.x << "," << p.y;
    // The two thick prongs either side of the groove (3 mm, clamped to 1.5): its high end.
    for (Pixel const p : {PixelAt(frame, -3.0, 8.0), PixelAt(frame, -27.0, 8.0)})
        EXPECT_TRUE(IsShadeOf(image.At(p.x, p.y), HeatColour(1.0))) << p.x << "," << p.y;
    // Beside the plate and above it: nothing drawn.
    for (Pixel const p : {PixelAt(frame, 3.0, 5.0), PixelAt(frame, -15.0, 11.0), PixelAt(frame, -33.0, -1.0)})
        EXPECT_EQ(image.At(p.x, p.y), Rgba8{}) << p.x << "," << p.y;
}

TEST(Picture, ZBufferKeepsTheNearestFaceWhateverTheOrderAndEdgeOnFacesCoverNothing)
{
    // Two squares facing the eye, 1 mm apart in depth, the far one given first and then last.
    for (bool nearFirst : {false, true})
    {
        FaceMesh mesh;
        for (double z : nearFirst ? std::vector<double>{1.0, 0.0} : std::vector<double>{0.0, 1.0})
        {
            std::uint32_t const base = std::uint32_t(mesh.verticesMm.size());
            for (Vec3 const& p : std::vector<Vec3>{{-1, -1, z}, {1, -1, z}, {1, 1, z}, {-1, 1, z}})
                mesh.verticesMm.push_back(p);
            mesh.faces.push_back({base, base + 1, base + 2});
            mesh.faces.push_back({base, base + 2, base + 3});
        }
        // An edge-on triangle in front of everything.
        std::uint32_t const base = std::uint32_t(mesh.verticesMm.size());
        mesh.verticesMm.insert(mesh.verticesMm.end(), {{-1, 0, 2}, {1, 0, 2}, {0, 0, 3}});
        mesh.faces.push_back({base, base + 1, base + 2});
        View const view = MakeView("top", {0, 0, 1}, {0, 1, 0});
        FaceBuffer const buffer = Rasterise(mesh, view, {0.0, 0.0, 0.1, 40, 40});
        int covered = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
            {
                std::int32_t const f = buffer.FaceAt(x, y);
                if (f < 0) continue;
                ++covered;
                EXPECT_EQ(mesh.verticesMm[mesh.faces[std::size_t(f)][0]][2], 1.0);
            }
        // The square spans 20 x 20 pixel centres.
        EXPECT_EQ(covered, 400);
    }
}

TEST(Picture, ComposedPictureHasTheColourBarTheStandardViewsAndSurvivesAPngRoundTrip)
{
    vz_test::MeasuredPlate const plate;
    FaceMesh const& faces = plate.faces;
    ColourScale const scale = ThicknessScale(0.5, 1.5);
    PictureOptions options;
    options.panelWidth = 200;
    options.panelHeight = 160;
    options.title = "plate";
    Image const picture = RenderPicture(faces, scale, options);
    PictureLayout const layout = LayOutPicture(faces, scale, options);
    ASSERT_EQ(picture.Width(), layout.width);
    ASSERT_EQ(picture.Height(), layout.height);
    ASSERT_EQ(layout.views.size(), 4u);

    // The bar: the map's low end at the bottom, its high end at the top.
    PixelRectangle const& bar = layout.colourBar;
    Rgba8 const bottom = picture.At(bar.left + bar.width / 2, bar.top + bar.height - 1);
    Rgba8 const top = picture.At(bar.left + bar.width / 2, bar.top);
    EXPECT_EQ((Rgb8{bottom.r, bottom.g, bottom.b}), HeatColour(0.0));
    EXPECT_EQ((Rgb8{top.r, top.g, top.b}), HeatColour(1.0));
    // The corners are empty, and every panel shows some of the part.
    EXPECT_EQ(picture.At(0, 0), Rgba8{});
    EXPECT_EQ(picture.At(picture.Width() - 1, picture.Height() - 1), Rgba8{});
    for (PixelRectangle const& panel : layout.panels)
    {
        int drawn = 0;
        for (int y = panel.top; y < panel.top + panel.height; ++y)
            for (int x = panel.left; x < panel.left + panel.width; ++x) drawn += picture.At(x, y).a != 0;
        EXPECT_GT(drawn, 100);
    }

    // Categories: two swatches meeting halfway, each its category's colour.
    PictureLayout const twoParts = LayOutPicture(faces, CollisionScale(), options);
    Image const categories = RenderPicture(faces, CollisionScale(), options);
    PixelRectangle const& swatches = twoParts.colourBar;
    for (int y = swatches.top; y < swatches.top + swatches.height; ++y)
    {
        Rgba8 const p = categories.At(swatches.left + swatches.width / 2, y);
        bool const upper = y - swatches.top < swatches.height / 2;
        EXPECT_EQ((Rgb8{p.r, p.g, p.b}), HeatColour(upper ? 1.0 : 0.0)) << y;
    }

    std::stringstream file;
    WritePng(file, picture);
    EXPECT_EQ(file.str().substr(1, 3), "PNG");
    Image const back = ReadPng(file);
    ASSERT_EQ(back.Width(), picture.Width());
    ASSERT_EQ(back.Height(), picture.Height());
    EXPECT_TRUE(back.Pixels() == picture.Pixels());
    std::stringstream notPng("not a picture at all");
    EXPECT_THROW(ReadPng(notPng), std::runtime_error);
}

TEST(ColourMap, RunsFromDarkToLightWithoutStepsAndClampsOutsideItsRange)
{
    auto luminance = [](Rgb8 c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; };
    double previous = -1.0;
    for (int i = 0; i <= 100; ++i)
    {
        double const l = luminance(HeatColour(i / 100.0));
        EXPECT_GT(l, previous) << i;
        EXPECT_LT(l - previous, i == 0 ? 256.0 : 6.0) << i; // no jumps between neighbouring values
        previous = l;
    }
    EXPECT_EQ(HeatColour(-3.0), HeatColour(0.0));
    EXPECT_EQ(HeatColour(7.0), HeatColour(1.0));
    ColourScale const scale{2.0, 4.0, "", {}};
    EXPECT_EQ(scale.ColourOf(2.0), HeatColour(0.0));
    EXPECT_EQ(scale.ColourOf(4.0), HeatColour(1.0));
    EXPECT_EQ(scale.ColourOf(std::nan("")), kNoValueColour);
    auto const ticks = TickLabels(scale, 5);
    ASSERT_EQ(ticks.size(), 5u);
    EXPECT_EQ(ticks.front().second, "2.0");
    EXPECT_EQ(ticks[1].second, "2.5");
    EXPECT_EQ(ticks.back().second, "4.0");
}

TEST(BitmapFont, DrawsInsideItsCellsAndSkipsWhatLiesOutsideThePicture)
{
    Image image(40, 20);
    DrawText(image, 1, 1, "8", {1, 2, 3, 255}, 2);
    int drawn = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            if (image.At(x, y).a)
            {
                ++drawn;
                EXPECT_TRUE(x >= 1 && x < 1 + kGlyphWidth * 2 && y >= 1 && y < 1 + kGlyphHeight * 2) << x << "," << y;
            }
    // "8" has 17 dots in its 5 x 7 cell, each 2 x 2 pixels.
    EXPECT_EQ(drawn, 17 * 4);
    EXPECT_EQ(TextWidth("ab", 1), 11);
    DrawText(image, 35, 15, "WWW", {1, 2, 3, 255}, 3); // mostly outside: clipped, no fault
}
