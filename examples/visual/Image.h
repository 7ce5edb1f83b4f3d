#pragma once
// An RGBA picture in memory, rows from the top; alpha 0 is empty background.
#include <cstdint>
#include <vector>

namespace visual
{
struct Rgba8
{
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(Rgba8 const& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(Rgba8 const& o) const { return !(*this == o); }
};

class Image
{
public:
    Image() = default;
    Image(int width, int height) : m_width(width), m_height(height), m_pixels(std::size_t(width) * height) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    Rgba8& At(int x, int y) { return m_pixels[std::size_t(y) * m_width + x]; }
    Rgba8 const& At(int x, int y) const { return m_pixels[std::size_t(y) * m_width + x]; }
    std::vector<Rgba8> const& Pixels() const { return m_pixels; }

    // Sets the pixels of the rectangle that lie inside the image.
    void FillRectangle(int x, int y, int width, int height, Rgba8 colour)
    {
        for (int j = y; j < y + height; ++j)
            for (int i = x; i < x + width; ++i)
                if (Contains(i, j)) At(i, j) = colour;
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Rgba8> m_pixels;
};
} // namespace visual
