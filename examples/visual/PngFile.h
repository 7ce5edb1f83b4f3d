#pragma once
// PNG files of RGBA pictures, through libpng.
#include "visual/Image.h"
#include <istream>
#include <ostream>

namespace visual
{
// Writes the image as an 8-bit RGBA PNG; throws std::runtime_error when the stream fails.
void WritePng(std::ostream& out, Image const& image);

// Reads a PNG of any colour type into RGBA (for checking written pictures); throws
// std::runtime_error for a stream that is not a PNG.
Image ReadPng(std::istream& in);
} // namespace visual
