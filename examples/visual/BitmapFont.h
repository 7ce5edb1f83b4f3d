#pragma once
// A small fixed-width bitmap font for the labels of the pictures: printable ASCII in cells of 5 x 7
// dots with one dot of spacing, drawn at a whole-number scale. Characters without a glyph are
// drawn as blanks.
#include "visual/Image.h"
#include <string>

namespace visual
{
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Width in pixels of the text at the scale (the advance of every character is 6 dots).
int TextWidth(std::string const& text, int scale);
// Draws the text with its top-left corner at (x, y); pixels outside the image are skipped.
void DrawText(Image& image, int x, int y, std::string const& text, Rgba8 colour, int scale);
} // namespace visual
