#include "visual/Picture.h"

#include "visual/BitmapFont.h"
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace visual
{
namespace
{
constexpr int kMargin = 16;
constexpr int kTextScale = 2;
constexpr int kLineHeight = (kGlyphHeight + 3) * kTextScale;
constexpr int kBarWidth = 22;
constexpr int kTickCount = 5;
constexpr double kFill = 0.92; // share of a panel the largest view fills

int TitleHeight(PictureOptions const& options) { return options.title.empty() ? 0 : kLineHeight + kMargin / 2; }

// A round length (1, 2 or 5 times a power of ten, in mm) that is about a fifth of a panel wide.
double LengthBarMm(double mmPerPixel, int panelWidth)
{
    double const target = mmPerPixel * panelWidth / 5.0;
    double const power = std::pow(10.0, std::floor(std::log10(target)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= target) return step * power;
    return power;
}

std::string LengthText(double mm)
{
    int const decimals = mm >= 1.0 ? 0 : int(std::ceil(-std::log10(mm) - 1e-9));
    return FormatFixed(mm, decimals) + " mm";
}
} // namespace

PictureLayout LayOutPicture(FaceMesh const& mesh, ColourScale const& scale, PictureOptions const& options)
{
    if (options.panelWidth < 32 || options.panelHeight < 32 + kLineHeight)
        throw std::invalid_argument("picture panels are too small");
    PictureLayout layout;
    layout.views = StandardViews();
    int const top = kMargin + TitleHeight(options);
    int const drawHeight = options.panelHeight - kLineHeight; // the view's name takes the panel's first line
    std::vector<ViewExtent> extents;
    double mmPerPixel = 0.0;
    for (View const& view : layout.views)
    {
        extents.push_back(ExtentInView(mesh, view));
        ViewExtent const& e = extents.back();
        mmPerPixel = std::max({mmPerPixel, (e.maxRight - e.minRight) / (kFill * options.panelWidth),
                               (e.maxUp - e.minUp) / (kFill * drawHeight)});
    }
    if (!(mmPerPixel > 0.0) || !std::isfinite(mmPerPixel)) mmPerPixel = 1.0; // nothing or a single point
    for (std::size_t i = 0; i < layout.views.size(); ++i)
    {
        int const column = int(i % 2), row = int(i / 2);
        PixelRectangle panel{kMargin + column * (options.panelWidth + kMargin),
                             top + row * (options.panelHeight + kMargin), options.panelWidth, options.panelHeight};
        layout.panels.push_back(panel);
        ViewExtent const& e = extents[i];
        bool const empty = !(e.maxRight >= e.minRight);
        layout.frames.push_back({empty ? 0.0 : (e.minRight + e.maxRight) / 2, empty ? 0.0 : (e.minUp + e.maxUp) / 2,
                                 mmPerPixel, options.panelWidth, drawHeight});
    }
    int labelWidth = TextWidth(scale.caption, kTextScale);
    for (auto const& tick : TickLabels(scale, kTickCount))
        labelWidth = std::max(labelWidth, kBarWidth + kMargin / 2 + TextWidth(tick.second, kTextScale));
    int const panelsRight = kMargin + 2 * (options.panelWidth + kMargin);
    int const panelsBottom = top + 2 * options.panelHeight + kMargin;
    layout.colourBar = {panelsRight, top + kLineHeight + kLineHeight / 2, kBarWidth,
                        panelsBottom - top - 2 * kLineHeight - kLineHeight / 2};
    layout.width = panelsRight + labelWidth + kMargin;
    layout.height = panelsBottom + kMargin / 2 + kLineHeight + kMargin;
    return layout;
}

Image RenderPicture(FaceMesh const& mesh, ColourScale const& scale, PictureOptions const& options)
{
    PictureLayout const layout = LayOutPicture(mesh, scale, options);
    Image image(layout.width, layout.height);
    int const viewCount = int(layout.views.size());
    // Views are independent; each one is drawn by one thread into its own panel.
#pragma omp parallel for schedule(dynamic, 1)
    for (int i = 0; i < viewCount; ++i)
    {
        PixelRectangle const& panel = layout.panels[std::size_t(i)];
        View const& view = layout.views[std::size_t(i)];
        FaceBuffer const buffer = Rasterise(mesh, view, layout.frames[std::size_t(i)]);
        DrawShadedFaces(buffer, mesh, view, scale, image, panel.left, panel.top + kLineHeight);
    }
    for (std::size_t i = 0; i < layout.views.size(); ++i)
        DrawText(image, layout.panels[i].left, layout.panels[i].top, layout.views[i].name, kLabelColour, kTextScale);
    if (!options.title.empty()) DrawText(image, kMargin, kMargin, options.title, kLabelColour, kTextScale);

    // Colour bar: low end at the bottom, a one-pixel frame around it, labels to its right.
    PixelRectangle const& bar = layout.colourBar;
    DrawText(image, bar.left, bar.top - kLineHeight - kLineHeight / 2 + 2, scale.caption, kLabelColour, kTextScale);
    auto const ticks = TickLabels(scale, kTickCount);
    for (int y = 0; y < bar.height; ++y)
    {
        double const t = bar.height > 1 ? 1.0 - double(y) / (bar.height - 1) : 0.0;
        Rgb8 c = HeatColour(t);
        if (scale.categories && !ticks.empty())
        {
            // The category whose position on the bar is nearest: swatches that meet halfway.
            auto nearest = std::min_element(
                ticks.begin(), ticks.end(),
                [&](auto const& a, auto const& b)
                { return std::abs(scale.Position(a.first) - t) < std::abs(scale.Position(b.first) - t); });
            c = scale.ColourOf(nearest->first);
        }
        image.FillRectangle(bar.left, bar.top + y, bar.width, 1, {c.r, c.g, c.b, 255});
    }
    image.FillRectangle(bar.left - 1, bar.top - 1, bar.width + 2, 1, kLabelColour);
    image.FillRectangle(bar.left - 1, bar.top + bar.height, bar.width + 2, 1, kLabelColour);
    image.FillRectangle(bar.left - 1, bar.top, 1, bar.height, kLabelColour);
    image.FillRectangle(bar.left + bar.width, bar.top, 1, bar.height, kLabelColour);
    for (auto const& tick : ticks)
    {
        int const y = bar.top + int(std::lround((1.0 - scale.Position(tick.first)) * (bar.height - 1)));
        image.FillRectangle(bar.left + bar.width, y, 5, 1, kLabelColour);
        DrawText(image, bar.left + bar.width + kMargin / 2, y - kGlyphHeight * kTextScale / 2, tick.second,
                 kLabelColour, kTextScale);
    }

    // Length bar under the views: a round length at the views' common pixel size.
    double const mmPerPixel = layout.frames.front().mmPerPixel;
    double const lengthMm = LengthBarMm(mmPerPixel, options.panelWidth);
    int const lengthPixels = int(std::lround(lengthMm / mmPerPixel));
    int const y = layout.height - kMargin - kLineHeight / 2;
    image.FillRectangle(kMargin, y, lengthPixels, 2, kLabelColour);
    image.FillRectangle(kMargin, y - 4, 2, 10, kLabelColour);
    image.FillRectangle(kMargin + lengthPixels - 2, y - 4, 2, 10, kLabelColour);
    DrawText(image, kMargin + lengthPixels + kMargin / 2, y - kGlyphHeight * kTextScale / 2, LengthText(lengthMm),
             kLabelColour, kTextScale);
    return image;
}
} // namespace visual
