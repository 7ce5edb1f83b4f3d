// The export files read back by readers written here from the formats' rules: every face's value,
// colour, vertices and attributes must be the operator's own results.
#include <gtest/gtest.h>

#include "example_shapes.h"
#include "meshanalysis/PartFaces.h"
#include "visual/MeshExports.h"
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using namespace visual;

// What a reader finds in a file: vertices, faces, face colours and the named face values.
struct ReadMesh
{
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<std::int32_t, 3>> faces;
    std::vector<Rgb8> colours;
    std::map<std::string, std::vector<double>> values;
};

// Binary numbers in the file's byte order.
struct BinaryReader
{
    std::istream& in;
    bool bigEndian;

    std::uint32_t Word()
    {
        unsigned char b[4];
        in.read(reinterpret_cast<char*>(b), 4);
        if (bigEndian) std::reverse(b, b + 4);
        return std::uint32_t(b[3]) << 24 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[1]) << 8 | b[0];
    }
    float Float()
    {
        std::uint32_t const w = Word();
        float f;
        std::memcpy(&f, &w, 4);
        return f;
    }
    double Scalar(std::string const& type)
    {
        if (type == "float") return Float();
        if (type == "int") return double(std::int32_t(Word()));
        EXPECT_EQ(type, bigEndian ? "unsigned_char" : "uchar");
        return double(std::uint8_t(in.get()));
    }
    std::array<float, 3> Point() { return {Float(), Float(), Float()}; }
    std::array<std::int32_t, 3> Face()
    {
        std::array<std::int32_t, 3> face;
        for (auto& v : face) v = std::int32_t(Word());
        return face;
    }
    Rgb8 Colour()
    {
        Rgb8 c;
        for (std::uint8_t* channel : {&c.r, &c.g, &c.b}) *channel = std::uint8_t(in.get());
        return c;
    }
};

// Binary little-endian PLY with float vertices and faces of "list uchar int vertex_indices"
// followed by scalar properties.
ReadMesh ReadPly(std::istream& in)
{
    std::string line, element;
    std::size_t vertexCount = 0, faceCount = 0;
    std::vector<std::pair<std::string, std::string>> faceProperties; // type, name
    std::getline(in, line);
    EXPECT_EQ(line, "ply");
    std::getline(in, line);
    EXPECT_EQ(line, "format binary_little_endian 1.0");
    while (std::getline(in, line) && line != "end_header")
    {
        std::istringstream words(line);
        std::string word, type, name;
        words >> word;
        EXPECT_TRUE(word == "comment" || word == "element" || word == "property") << line;
        std::size_t count = 0;
        if (word == "element" && words >> element >> count) (element == "vertex" ? vertexCount : faceCount) = count;
        if (word != "property" || element != "face") continue;
        words >> type >> name;
        if (type == "list")
        {
            std::string indexType, listName;
            words >> indexType >> listName; // after the count's type, read as the name
            EXPECT_EQ(name + indexType + listName, "ucharintvertex_indices");
        }
        else
            faceProperties.emplace_back(type, name);
    }
    ReadMesh mesh;
    BinaryReader read{in, false};
    for (std::size_t i = 0; i < vertexCount; ++i) mesh.vertices.push_back(read.Point());
    for (std::size_t f = 0; f < faceCount; ++f)
    {
        EXPECT_EQ(in.get(), 3);
        mesh.faces.push_back(read.Face());
        Rgb8 colour;
        for (auto const& [type, name] : faceProperties)
        {
            double const v = read.Scalar(type);
            if (name == "red")
                colour.r = std::uint8_t(v);
            else if (name == "green")
                colour.g = std::uint8_t(v);
            else if (name == "blue")
                colour.b = std::uint8_t(v);
            else
                mesh.values[name].push_back(v);
        }
        mesh.colours.push_back(colour);
    }
    EXPECT_TRUE(in.good());
    EXPECT_EQ(in.peek(), EOF);
    return mesh;
}

// Legacy binary VTK polydata: big-endian POINTS, POLYGONS, CELL_DATA with SCALARS and COLOR_SCALARS.
ReadMesh ReadVtk(std::istream& in)
{
    ReadMesh mesh;
    BinaryReader read{in, true};
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.rfind("# vtk DataFile Version", 0), 0u);
    std::getline(in, line); // title
    std::getline(in, line);
    EXPECT_EQ(line, "BINARY");
    std::size_t cells = 0;
    while (std::getline(in, line))
    {
        if (line.empty()) continue; // the line break after a binary block
        std::istringstream words(line);
        std::string keyword, name, type;
        std::size_t n = 0, size = 0;
        words >> keyword;
        if (keyword == "POINTS" && words >> n)
            for (std::size_t i = 0; i < n; ++i) mesh.vertices.push_back(read.Point());
        else if (keyword == "POLYGONS" && words >> n >> size)
        {
            EXPECT_EQ(size, 4 * n);
            for (std::size_t i = 0; i < n; ++i)
            {
                EXPECT_EQ(read.Word(), 3u);
                mesh.faces.push_back(read.Face());
            }
        }
        else if (keyword == "CELL_DATA")
            words >> cells;
        else if (keyword == "SCALARS" && words >> name >> type)
        {
            std::getline(in, line);
            EXPECT_EQ(line, "LOOKUP_TABLE default");
            for (std::size_t i = 0; i < cells; ++i) mesh.values[name].push_back(read.Scalar(type));
        }
        else if (keyword == "COLOR_SCALARS")
            for (std::size_t i = 0; i < cells; ++i) mesh.colours.push_back(read.Colour());
        else if (keyword != "DATASET")
            ADD_FAILURE() << "unexpected line " << line;
    }
    return mesh;
}
} // namespace

TEST(Export, PlyVtkAndCsvCarryEveryFacesThicknessColourAndVertices)
{
    vz_test::MeasuredPlate const m;
    MStlBase const& plate = *m.plate;
    ColourScale const scale = ThicknessScale(0.5, 1.5);
    std::stringstream ply, vtk, csv;
    WritePly(ply, m.faces, scale, "plate\nwith a line break");
    WriteVtk(vtk, m.faces, scale, "plate");
    for (ReadMesh const& read : {ReadPly(ply), ReadVtk(vtk)})
    {
        ASSERT_EQ(read.vertices.size(), plate.NumberOfPoints());
        for (std::size_t i = 0; i < plate.NumberOfPoints(); ++i)
        {
            MStlPoint const* p = plate.GetPoint(i);
            double const mm = vz_test::kUnitsPerMm;
            EXPECT_EQ(read.vertices[i], (std::array<float, 3>{float(p->x / mm), float(p->y / mm), float(p->z / mm)}));
        }
        ASSERT_EQ(read.faces.size(), plate.NumberOfTriangles());
        ASSERT_EQ(read.values.at("thickness_mm").size(), plate.NumberOfTriangles());
        std::size_t thin = 0;
        for (std::size_t f = 0; f < plate.NumberOfTriangles(); ++f)
        {
            MStlTriangle const* t = plate.GetTriangle(f);
            for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(read.faces[f][k], std::int32_t(t->GetPoint(k)->GetIndex()));
            EXPECT_EQ(read.values.at("thickness_mm")[f], double(float(m.thicknessMm[f])));
            EXPECT_EQ(read.values.at("triangle")[f], double(f));
            EXPECT_EQ(read.colours[f], scale.ColourOf(m.thicknessMm[f]));
            thin += m.thicknessMm[f] == 0.5;
        }
        // The groove floor and the bottom under it, at least, are thinner than the minimum.
        EXPECT_GE(thin, 4u);
    }

    // One CSV row per face, with floats that come back exactly.
    WriteCsv(csv, m.faces);
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "triangle,thickness_mm");
    std::size_t f = 0;
    for (; std::getline(csv, line); ++f)
    {
        std::size_t const comma = line.find(',');
        ASSERT_NE(comma, std::string::npos);
        EXPECT_EQ(std::stoul(line.substr(0, comma)), f);
        EXPECT_EQ(std::stof(line.substr(comma + 1)), float(m.thicknessMm[f]));
    }
    EXPECT_EQ(f, plate.NumberOfTriangles());
}

TEST(Export, TwoPlacedPartsGoToOneFileWithPartIdsAndHitFlagsOfTheTouchingBand)
{
    vz_test::TouchingCubes const cubes;
    ASSERT_TRUE(cubes.operated);
    FaceMesh const& faces = cubes.faces;

    std::stringstream ply, vtk;
    WritePly(ply, faces, CollisionScale(), "cubes");
    WriteVtk(vtk, faces, CollisionScale(), "cubes");
    for (ReadMesh const& read : {ReadPly(ply), ReadVtk(vtk)})
    {
        std::size_t const n = cubes.a->NumberOfTriangles();
        ASSERT_EQ(read.faces.size(), 2 * n);
        ASSERT_EQ(read.vertices.size(), 2 * cubes.a->NumberOfPoints());
        std::size_t hits = 0;
        for (std::size_t f = 0; f < 2 * n; ++f)
        {
            bool const second = f >= n;
            EXPECT_EQ(read.values.at("part")[f], second ? 1.0 : 0.0);
            EXPECT_EQ(read.values.at("triangle")[f], double(second ? f - n : f));
            // Closed form: B fills x 10..20 mm beside A's 0..10 over the same y and z, so a face of A
            // is within 0.1 mm of B exactly when it reaches x >= 9.9, and one of B when it reaches x <= 10.1.
            double reach = second ? 1e9 : -1e9;
            for (std::int32_t v : read.faces[f])
            {
                double const x = read.vertices[std::size_t(v)][0];
                reach = second ? std::min(reach, x) : std::max(reach, x);
            }
            bool const expectHit = second ? reach <= 10.1 : reach >= 9.9;
            EXPECT_EQ(read.values.at("hit")[f], expectHit ? 1.0 : 0.0) << f;
            EXPECT_EQ(read.values.at("hit")[f], (second ? cubes.hitB[f - n] : cubes.hitA[f]) ? 1.0 : 0.0);
            EXPECT_EQ(read.colours[f], HeatColour(expectHit ? 0.0 : 1.0));
            hits += expectHit;
        }
        // Per cube: the touching face (32 triangles) and a column of 4 quads on each of its 4 neighbours.
        EXPECT_EQ(hits, 2u * (32 + 4 * 8));
        // B is placed: its vertices lie at x 10..20.
        for (std::size_t v = cubes.a->NumberOfPoints(); v < read.vertices.size(); ++v)
            EXPECT_GE(read.vertices[v][0], 10.0f);
    }
}
