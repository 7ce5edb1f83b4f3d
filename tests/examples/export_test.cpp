// The export files read back by readers written here from the formats' rules: every face's value,
// colour, vertices and attributes must be the operator's own results.
#include <gtest/gtest.h>

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "example_shapes.h"
#include "meshanalysis/PartFaces.h"
#include "thickness/MUserOperatorWallThickness.h"
#include "visual/MeshExports.h"
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

std::uint32_t Word(std::istream& in, bool bigEndian)
{
    unsigned char b[4];
    in.read(reinterpret_cast<char*>(b), 4);
    return bigEndian ? std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3]
                     : std::uint32_t(b[3]) << 24 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[1]) << 8 | b[0];
}
float Float(std::istream& in, bool bigEndian)
{
    std::uint32_t const w = Word(in, bigEndian);
    float f;
    std::memcpy(&f, &w, 4);
    return f;
}
double Scalar(std::istream& in, std::string const& type, bool bigEndian)
{
    if (type == "float") return Float(in, bigEndian);
    if (type == "int") return double(std::int32_t(Word(in, bigEndian)));
    return double(std::uint8_t(in.get())); // uchar / unsigned_char
}

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
        if (word == "element")
        {
            words >> element;
            (element == "vertex" ? vertexCount : faceCount) = [&]
            {
                std::size_t n;
                words >> n;
                return n;
            }();
        }
        else if (word == "property" && element == "face")
        {
            words >> type;
            if (type == "list")
            {
                std::string countType, indexType;
                words >> countType >> indexType >> name;
                EXPECT_EQ(countType + indexType + name, "ucharintvertex_indices");
                continue;
            }
            words >> name;
            faceProperties.emplace_back(type, name);
        }
    }
    ReadMesh mesh;
    for (std::size_t i = 0; i < vertexCount; ++i)
        mesh.vertices.push_back({Float(in, false), Float(in, false), Float(in, false)});
    for (std::size_t f = 0; f < faceCount; ++f)
    {
        EXPECT_EQ(in.get(), 3);
        std::array<std::int32_t, 3> face;
        for (auto& v : face) v = std::int32_t(Word(in, false));
        mesh.faces.push_back(face);
        Rgb8 colour;
        for (auto const& [type, name] : faceProperties)
        {
            double const v = Scalar(in, type, false);
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
        std::string keyword;
        words >> keyword;
        if (keyword == "POINTS")
        {
            std::size_t n;
            words >> n;
            for (std::size_t i = 0; i < n; ++i)
                mesh.vertices.push_back({Float(in, true), Float(in, true), Float(in, true)});
        }
        else if (keyword == "POLYGONS")
        {
            std::size_t n, size;
            words >> n >> size;
            EXPECT_EQ(size, 4 * n);
            for (std::size_t i = 0; i < n; ++i)
            {
                EXPECT_EQ(Word(in, true), 3u);
                std::array<std::int32_t, 3> face;
                for (auto& v : face) v = std::int32_t(Word(in, true));
                mesh.faces.push_back(face);
            }
        }
        else if (keyword == "CELL_DATA")
            words >> cells;
        else if (keyword == "SCALARS")
        {
            std::string name, type;
            words >> name >> type;
            std::getline(in, line);
            EXPECT_EQ(line, "LOOKUP_TABLE default");
            for (std::size_t i = 0; i < cells; ++i) mesh.values[name].push_back(Scalar(in, type, true));
        }
        else if (keyword == "COLOR_SCALARS")
            for (std::size_t i = 0; i < cells; ++i)
            {
                Rgb8 c;
                c.r = std::uint8_t(in.get());
                c.g = std::uint8_t(in.get());
                c.b = std::uint8_t(in.get());
                mesh.colours.push_back(c);
            }
        else if (keyword != "DATASET")
            ADD_FAILURE() << "unexpected line " << line;
    }
    return mesh;
}

// The measured plate with the operator's own mask values in mm, by triangle.
struct MeasuredPlate
{
    MeasuredPlate() : plate(vz_test::MakeGroovedPlate())
    {
        MDataMask<MStlTriangle, float> values(plate->GetDataMaskOwner(), -1.0f);
        MUserOperatorWallThickness op;
        MUserOperatorWallThickness::MParams params;
        params.MinThickness = 0.5 * vz_test::kUnitsPerMm;
        params.MaxThickness = 1.5 * vz_test::kUnitsPerMm;
        op.SetModel(plate.get());
        op.SetParams(params);
        op.SetOutputMask(values);
        EXPECT_EQ(op.Operate(), MUserOperatorWallThickness::eOK);
        for (MStlTriangle const* t : plate->GetTriangles())
            thicknessMm.push_back(values.GetInfo(t) / vz_test::kUnitsPerMm);
        faces = ThicknessFaces(*plate, values, vz_test::kUnitsPerMm);
    }
    std::unique_ptr<MStlBase> plate;
    std::vector<double> thicknessMm;
    FaceMesh faces;
};

void ExpectPlate(ReadMesh const& read, MeasuredPlate const& m, ColourScale const& scale)
{
    MStlBase const& plate = *m.plate;
    ASSERT_EQ(read.vertices.size(), plate.NumberOfPoints());
    for (std::size_t i = 0; i < plate.NumberOfPoints(); ++i)
    {
        MStlPoint const* p = plate.GetPoint(i);
        EXPECT_EQ(read.vertices[i][0], float(p->x / 10000.0));
        EXPECT_EQ(read.vertices[i][1], float(p->y / 10000.0));
        EXPECT_EQ(read.vertices[i][2], float(p->z / 10000.0));
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
} // namespace

TEST(Export, PlyAndVtkCarryEveryFacesThicknessColourAndVertices)
{
    MeasuredPlate const m;
    ColourScale const scale = ThicknessScale(0.5, 1.5);
    std::stringstream ply, vtk;
    WritePly(ply, m.faces, scale, "plate\nwith a line break");
    WriteVtk(vtk, m.faces, scale, "plate");
    ExpectPlate(ReadPly(ply), m, scale);
    ExpectPlate(ReadVtk(vtk), m, scale);
}

TEST(Export, CsvHasOneRowPerFaceWithFloatsThatComeBackExactly)
{
    MeasuredPlate const m;
    std::stringstream file;
    WriteCsv(file, m.faces);
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, "triangle,thickness_mm");
    std::size_t f = 0;
    while (std::getline(file, line))
    {
        std::size_t const comma = line.find(',');
        ASSERT_NE(comma, std::string::npos);
        EXPECT_EQ(std::stoul(line.substr(0, comma)), f);
        EXPECT_EQ(std::stof(line.substr(comma + 1)), float(m.thicknessMm[f]));
        ++f;
    }
    EXPECT_EQ(f, m.plate->NumberOfTriangles());
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
