#include "visual/Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace visual
{
namespace
{
double Dot(Vec3 const& a, Vec3 const& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 Cross(Vec3 const& a, Vec3 const& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec3 Unit(Vec3 v)
{
    double const length = std::sqrt(Dot(v, v));
    if (!(length > 0.0)) throw std::invalid_argument("a view needs a direction");
    for (double& c : v) c /= length;
    return v;
}

// A vertex in pixel coordinates: x to the right, y downwards, depth growing toward the eye.
struct ScreenPoint
{
    double x, y, depth;
};

std::vector<ScreenPoint> ToScreen(FaceMesh const& mesh, View const& view, ViewFrame const& frame)
{
    std::vector<ScreenPoint> points(mesh.verticesMm.size());
    double const halfWidth = frame.width / 2.0, halfHeight = frame.height / 2.0;
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        Vec3 const& p = mesh.verticesMm[i];
        points[i] = {(Dot(p, view.right) - frame.centreRightMm) / frame.mmPerPixel + halfWidth,
                     halfHeight - (Dot(p, view.up) - frame.centreUpMm) / frame.mmPerPixel, Dot(p, view.towardViewer)};
    }
    return points;
}

// Twice the signed area of the triangle (a, b, c) in pixel coordinates; its sign tells on which
// side of the edge a -> b the point c lies.
double EdgeFunction(ScreenPoint const& a, ScreenPoint const& b, double x, double y)
{
    return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
}

void RasteriseFace(std::int32_t face, ScreenPoint const& a, ScreenPoint const& b, ScreenPoint const& c,
                   FaceBuffer& buffer)
{
    double const area = EdgeFunction(a, b, c.x, c.y);
    // Edge-on or degenerate faces cover no area; NaN (from an overflowing vertex) covers nothing either.
    if (!(std::abs(area) > 0.0) || !std::isfinite(area)) return;
    // Pixel centres are at whole numbers plus one half. The bounds are clamped to the buffer while
    // still doubles, so that far-off vertices never overflow an int.
    auto clampTo = [](double v, int size) { return int(std::clamp(v, -1.0, double(size))); };
    int const x0 = std::max(0, clampTo(std::ceil(std::min({a.x, b.x, c.x}) - 0.5), buffer.width));
    int const x1 = std::min(buffer.width - 1, clampTo(std::floor(std::max({a.x, b.x, c.x}) - 0.5), buffer.width));
    int const y0 = std::max(0, clampTo(std::ceil(std::min({a.y, b.y, c.y}) - 0.5), buffer.height));
    int const y1 = std::min(buffer.height - 1, clampTo(std::floor(std::max({a.y, b.y, c.y}) - 0.5), buffer.height));
    double const inverseArea = 1.0 / area;
    for (int y = y0; y <= y1; ++y)
    {
        double const py = y + 0.5;
        for (int x = x0; x <= x1; ++x)
        {
            double const px = x + 0.5;
            // Barycentric weights; all of one sign (that of the area) inside the triangle.
            double const wa = EdgeFunction(b, c, px, py) * inverseArea;
            double const wb = EdgeFunction(c, a, px, py) * inverseArea;
            double const wc = 1.0 - wa - wb;
            if (wa < 0.0 || wb < 0.0 || wc < 0.0) continue;
            float const depth = float(wa * a.depth + wb * b.depth + wc * c.depth);
            std::size_t const pixel = std::size_t(y) * buffer.width + x;
            if (depth > buffer.depths[pixel])
            {
                buffer.depths[pixel] = depth;
                buffer.faces[pixel] = face;
            }
        }
    }
}
} // namespace

View MakeView(std::string name, Vec3 towardViewer, Vec3 upHint)
{
    View view;
    view.name = std::move(name);
    view.towardViewer = Unit(towardViewer);
    view.right = Unit(Cross(upHint, view.towardViewer));
    view.up = Cross(view.towardViewer, view.right);
    return view;
}

std::vector<View> StandardViews()
{
    return {MakeView("front", {0, -1, 0}, {0, 0, 1}), MakeView("top", {0, 0, 1}, {0, 1, 0}),
            MakeView("right", {1, 0, 0}, {0, 0, 1}), MakeView("iso", {1, -1, 1}, {0, 0, 1})};
}

ViewExtent ExtentInView(FaceMesh const& mesh, View const& view)
{
    double const inf = std::numeric_limits<double>::infinity();
    ViewExtent e{inf, -inf, inf, -inf};
    for (Vec3 const& p : mesh.verticesMm)
    {
        double const r = Dot(p, view.right), u = Dot(p, view.up);
        e.minRight = std::min(e.minRight, r);
        e.maxRight = std::max(e.maxRight, r);
        e.minUp = std::min(e.minUp, u);
        e.maxUp = std::max(e.maxUp, u);
    }
    return e;
}

FaceBuffer Rasterise(FaceMesh const& mesh, View const& view, ViewFrame const& frame)
{
    if (frame.width <= 0 || frame.height <= 0 || !(frame.mmPerPixel > 0.0))
        throw std::invalid_argument("a view frame needs a size and a positive pixel size");
    FaceBuffer buffer;
    buffer.width = frame.width;
    buffer.height = frame.height;
    buffer.mmPerPixel = frame.mmPerPixel;
    buffer.faces.assign(std::size_t(frame.width) * frame.height, -1);
    buffer.depths.assign(buffer.faces.size(), -std::numeric_limits<float>::infinity());
    std::vector<ScreenPoint> const points = ToScreen(mesh, view, frame);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
    {
        auto const& face = mesh.faces[f];
        RasteriseFace(std::int32_t(f), points[face[0]], points[face[1]], points[face[2]], buffer);
    }
    return buffer;
}

double FaceBrightness(Vec3 const& unitNormal, View const& view)
{
    Vec3 light;
    for (int k = 0; k < 3; ++k)
        light[k] =
            kLightInView[0] * view.right[k] + kLightInView[1] * view.up[k] + kLightInView[2] * view.towardViewer[k];
    double const cosine = std::abs(Dot(unitNormal, light)) / std::sqrt(Dot(light, light));
    return kAmbientLight + (1.0 - kAmbientLight) * std::min(1.0, cosine);
}

namespace
{
bool IsOutline(FaceBuffer const& buffer, int x, int y)
{
    float const depth = buffer.depths[std::size_t(y) * buffer.width + x];
    double const jump = kOutlineDepthPixels * buffer.mmPerPixel;
    int const dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
    for (int k = 0; k < 4; ++k)
    {
        int const nx = x + dx[k], ny = y + dy[k];
        if (nx < 0 || ny < 0 || nx >= buffer.width || ny >= buffer.height) continue; // the panel's edge is no outline
        if (buffer.FaceAt(nx, ny) < 0) return true;
        // Only the nearer side of a step is drawn as its outline, so that outlines stay one pixel wide.
        if (depth - buffer.depths[std::size_t(ny) * buffer.width + nx] > jump) return true;
    }
    return false;
}
} // namespace

void DrawShadedFaces(FaceBuffer const& buffer, FaceMesh const& mesh, View const& view, ColourScale const& scale,
                     Image& image, int left, int top)
{
    // Colour and brightness per face are worked out once, for the faces that show.
    std::vector<Rgba8> shades(mesh.faces.size());
    std::vector<bool> known(mesh.faces.size(), false);
    auto darken = [](std::uint8_t c) { return std::uint8_t(std::lround(c * kOutlineShade)); };
    for (int y = 0; y < buffer.height; ++y)
        for (int x = 0; x < buffer.width; ++x)
        {
            std::int32_t const face = buffer.FaceAt(x, y);
            if (face < 0 || !image.Contains(left + x, top + y)) continue;
            std::size_t const f = std::size_t(face);
            if (!known[f])
            {
                Rgb8 const colour = scale.ColourOf(mesh.colourValues[f]);
                double const light = FaceBrightness(FaceNormal(mesh, f), view);
                auto shade = [light](std::uint8_t c) { return std::uint8_t(std::lround(c * light)); };
                shades[f] = {shade(colour.r), shade(colour.g), shade(colour.b), 255};
                known[f] = true;
            }
            Rgba8 pixel = shades[f];
            if (IsOutline(buffer, x, y)) pixel = {darken(pixel.r), darken(pixel.g), darken(pixel.b), 255};
            image.At(left + x, top + y) = pixel;
        }
}
} // namespace visual
