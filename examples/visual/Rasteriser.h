#pragma once
// Software rendering of a FaceMesh in orthographic views: a z-buffer that keeps, for every pixel,
// the nearest face whose area covers the pixel's centre, and flat shading of those faces.
#include "visual/ColourScale.h"
#include "visual/FaceMesh.h"
#include "visual/Image.h"
#include <cstdint>
#include <string>
#include <vector>

namespace visual
{
// An orthographic view: screen x along `right`, screen y (up the picture) along `up`, and
// `towardViewer` pointing from the part to the eye. The three are unit vectors with
// right x up = towardViewer.
struct View
{
    std::string name;
    Vec3 right, up, towardViewer;
};

// A view from the direction `towardViewer` (need not be unit) with `upHint` showing upwards as far
// as it can; `upHint` must not be parallel to the direction.
View MakeView(std::string name, Vec3 towardViewer, Vec3 upHint);

// Front (from -y), top (from +z), right (from +x) and an isometric view from (+x, -y, +z), with z
// upwards in the side views and y upwards in the top view.
std::vector<View> StandardViews();

// Where the view's picture lies: the point of the view plane (in mm along right and up) at the
// centre of a width x height pixel area, and the size of a pixel in mm.
struct ViewFrame
{
    double centreRightMm = 0.0;
    double centreUpMm = 0.0;
    double mmPerPixel = 1.0;
    int width = 0;
    int height = 0;
};

// The smallest and largest coordinate of the mesh's vertices along the view's right and up.
struct ViewExtent
{
    double minRight, maxRight, minUp, maxUp;
};
ViewExtent ExtentInView(FaceMesh const& mesh, View const& view);

// The nearest face at every pixel: -1 where no face covers the pixel's centre. Pixel (x, y) has
// its centre at right = centre + (x + 0.5 - width / 2) * mmPerPixel and up = centre - (y + 0.5 -
// height / 2) * mmPerPixel. Of faces at the same depth the one that comes first in the mesh stays.
struct FaceBuffer
{
    int width = 0;
    int height = 0;
    double mmPerPixel = 1.0;
    std::vector<std::int32_t> faces;
    std::vector<float> depths; // of the nearest face, toward the eye in mm
    std::int32_t FaceAt(int x, int y) const { return faces[std::size_t(y) * width + x]; }
};
FaceBuffer Rasterise(FaceMesh const& mesh, View const& view, ViewFrame const& frame);

// Brightness of a face seen in the view: kAmbientLight plus the rest times the cosine between the
// face's normal and a light above, left of and behind the eye (kLightInView along right, up and
// toward the viewer), front and back sides alike. The light is off the view direction so that
// faces which meet the view at the same angle, as the three sides of a box seen from a corner do,
// still look different.
constexpr double kAmbientLight = 0.35;
constexpr double kLightInView[3] = {-0.35, 0.45, 1.0};
double FaceBrightness(Vec3 const& unitNormal, View const& view);

// Where the surface jumps in depth by more than this many pixel sizes between neighbouring pixels,
// or ends, the pixel is an outline pixel, drawn at kOutlineShade of its brightness: outlines show
// steps and holes between faces of the same colour and brightness.
constexpr double kOutlineDepthPixels = 3.0;
constexpr double kOutlineShade = 0.55;

// Draws the faces of the buffer into the image with its top-left corner at (left, top): each pixel
// the face's colour on the scale times its brightness (and the outline shade on outlines), fully
// opaque; empty pixels stay as they are.
void DrawShadedFaces(FaceBuffer const& buffer, FaceMesh const& mesh, View const& view, ColourScale const& scale,
                     Image& image, int left, int top);
} // namespace visual
