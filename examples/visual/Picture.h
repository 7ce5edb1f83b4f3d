#pragma once
// One picture of a part coloured by a per-face value: the standard views side by side at one
// common scale, a colour bar with the scale's labels, a length bar in millimetres and a title.
#include "visual/ColourScale.h"
#include "visual/FaceMesh.h"
#include "visual/Image.h"
#include "visual/Rasteriser.h"
#include <string>
#include <vector>

namespace visual
{
struct PictureOptions
{
    int panelWidth = 480; // pixels per view
    int panelHeight = 360;
    std::string title;
};

struct PixelRectangle
{
    int left = 0, top = 0, width = 0, height = 0;
};

// Where the parts of the picture go, for drawing and for checking a drawn picture.
struct PictureLayout
{
    int width = 0, height = 0;
    std::vector<View> views;
    std::vector<PixelRectangle> panels; // one per view: the area the view is drawn in
    std::vector<ViewFrame> frames;      // one per view
    PixelRectangle colourBar;           // low end at the bottom, high end at the top
};

// The layout for this mesh: every view at the same pixel size, chosen so that the largest view
// fills its panel with a small margin.
PictureLayout LayOutPicture(FaceMesh const& mesh, ColourScale const& scale, PictureOptions const& options);

// Text and frames are mid grey so that they read on light and dark backgrounds alike; the
// background is empty (alpha 0).
constexpr Rgba8 kLabelColour{110, 110, 110, 255};

Image RenderPicture(FaceMesh const& mesh, ColourScale const& scale, PictureOptions const& options);
} // namespace visual
