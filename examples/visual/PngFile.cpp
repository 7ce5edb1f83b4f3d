#include "visual/PngFile.h"

#include <csetjmp>
#include <cstdio>
#include <png.h>
#include <stdexcept>
#include <string>

namespace visual
{
namespace
{
// libpng's error path is a longjmp back to the setjmp of the call that started the work. The
// functions between that setjmp and libpng hold only trivial locals, so nothing is skipped; the
// message is kept here and thrown as an exception once libpng is left behind.
struct PngErrorState
{
    char message[200] = "";
};

void OnPngError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "PNG: %s", message);
    png_longjmp(png, 1);
}
void IgnoreWarning(png_structp, png_const_charp) {}

void WriteToStream(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::ostream*>(png_get_io_ptr(png));
    if (!out->write(reinterpret_cast<char const*>(data), std::streamsize(length))) png_error(png, "cannot write");
}
void FlushStream(png_structp png) { static_cast<std::ostream*>(png_get_io_ptr(png))->flush(); }

void ReadFromStream(png_structp png, png_bytep data, png_size_t length)
{
    auto* in = static_cast<std::istream*>(png_get_io_ptr(png));
    if (!in->read(reinterpret_cast<char*>(data), std::streamsize(length))) png_error(png, "the file ends early");
}

bool WriteRows(png_structp png, png_infop info, std::ostream& out, Image const& image)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, WriteToStream, FlushStream);
    png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    static_assert(sizeof(Rgba8) == 4, "rows are written as they lie in memory");
    for (int y = 0; y < image.Height(); ++y) png_write_row(png, reinterpret_cast<png_const_bytep>(&image.At(0, y)));
    png_write_end(png, nullptr);
    return true;
}

bool ReadHeader(png_structp png, png_infop info, std::istream& in, png_uint_32& width, png_uint_32& height)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &in, ReadFromStream);
    png_read_info(png, info);
    // Whatever the file holds becomes 8-bit RGBA.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    return true;
}

bool ReadRows(png_structp png, Image& image)
{
    if (setjmp(png_jmpbuf(png))) return false;
    for (int y = 0; y < image.Height(); ++y) png_read_row(png, reinterpret_cast<png_bytep>(&image.At(0, y)), nullptr);
    png_read_end(png, nullptr);
    return true;
}
} // namespace

void WritePng(std::ostream& out, Image const& image)
{
    if (image.Width() <= 0 || image.Height() <= 0) throw std::runtime_error("PNG: an empty picture");
    PngErrorState state;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, IgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool const created = info != nullptr;
    bool const written = created && WriteRows(png, info, out, image);
    png_destroy_write_struct(&png, &info);
    if (!created) throw std::runtime_error("PNG: out of memory");
    if (!written) throw std::runtime_error(state.message);
    out.flush();
    if (!out) throw std::runtime_error("PNG: cannot write");
}

Image ReadPng(std::istream& in)
{
    PngErrorState state;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, IgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool const created = info != nullptr;
    png_uint_32 width = 0, height = 0;
    bool ok = created && ReadHeader(png, info, in, width, height) && width < 1u << 15 && height < 1u << 15;
    Image image;
    if (ok)
    {
        image = Image(int(width), int(height));
        ok = ReadRows(png, image);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!created) throw std::runtime_error("PNG: out of memory");
    if (!ok) throw std::runtime_error(state.message[0] ? state.message : "PNG: a picture too large");
    return image;
}
} // namespace visual
