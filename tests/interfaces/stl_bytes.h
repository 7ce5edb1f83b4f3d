#pragma once
// Shared by the file tests: hand-made STL bytes (written independently of the library's writer) and
// the check that a refused file names itself and its problem.
#include <gtest/gtest.h>

#include "interfaces/StlFiles.h"
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace vz_test
{
// The call must throw a file error whose message starts with `prefix` and contains `phrase`.
template <class Call>
void ExpectFileError(Call&& call, std::string const& prefix, std::string const& phrase)
{
    try
    {
        call();
        ADD_FAILURE() << "accepted, expected: " << phrase;
    }
    catch (MStlFileError const& e)
    {
        std::string const message = e.what();
        EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
        EXPECT_NE(message.find(phrase), std::string::npos) << message;
    }
}

struct FloatTriangle
{
    float v[3][3];
};

inline std::vector<char> BinaryStl(std::vector<FloatTriangle> const& triangles, std::string const& header = "test part")
{
    std::vector<char> bytes(84 + 50 * triangles.size(), 0);
    std::memcpy(bytes.data(), header.data(), std::min<std::size_t>(header.size(), 80));
    std::uint32_t const n = std::uint32_t(triangles.size());
    for (int k = 0; k < 4; ++k) bytes[80 + k] = char((n >> (8 * k)) & 0xFF);
    for (std::size_t t = 0; t < triangles.size(); ++t) std::memcpy(bytes.data() + 84 + 50 * t + 12, triangles[t].v, 36);
    return bytes;
}

inline std::string AsciiStl(std::vector<FloatTriangle> const& triangles)
{
    std::string text = "solid part\n";
    char line[200];
    for (auto const& t : triangles)
    {
        text += "  facet normal 0 0 1\n    outer loop\n";
        for (auto const& v : t.v)
        {
            std::snprintf(line, sizeof line, "      vertex %.9g %.9g %.9g\n", double(v[0]), double(v[1]), double(v[2]));
            text += line;
        }
        text += "    endloop\n  endfacet\n";
    }
    return text + "endsolid part\n";
}

// A closed tetrahedron in millimetres, outward winding.
inline std::vector<FloatTriangle> Tetrahedron()
{
    return {FloatTriangle{{{0, 0, 0}, {0, 10, 0}, {10, 0, 0}}}, FloatTriangle{{{0, 0, 0}, {10, 0, 0}, {0, 0, 10}}},
            FloatTriangle{{{0, 0, 0}, {0, 0, 10}, {0, 10, 0}}}, FloatTriangle{{{10, 0, 0}, {0, 10, 0}, {0, 0, 10}}}};
}
} // namespace vz_test
