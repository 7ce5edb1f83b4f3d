// STL reading and writing (round trips, rounding and welding) and beam lattice text files (nodes, beams,
// diameters, comments), every kind of refused file of both, and files as a careless or hostile user
// hands them over: written to disk, read back, and refused with a message that names the file and
// says what it looks like.
#include <gtest/gtest.h>

#include "interfaces/MeshData.h"
#include "interfaces/StlFiles.h"
#include "meshdata/BeamGraphIO.h"
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace
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

// Hand-made STL bytes, written independently of the library's writer.
struct FloatTriangle
{
    float v[3][3];
};

std::vector<char> BinaryStl(std::vector<FloatTriangle> const& triangles, std::string const& header = "test part")
{
    std::vector<char> bytes(84 + 50 * triangles.size(), 0);
    std::memcpy(bytes.data(), header.data(), std::min<std::size_t>(header.size(), 80));
    std::uint32_t const n = std::uint32_t(triangles.size());
    for (int k = 0; k < 4; ++k) bytes[80 + k] = char((n >> (8 * k)) & 0xFF);
    for (std::size_t t = 0; t < triangles.size(); ++t) std::memcpy(bytes.data() + 84 + 50 * t + 12, triangles[t].v, 36);
    return bytes;
}

std::string AsciiStl(std::vector<FloatTriangle> const& triangles)
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
std::vector<FloatTriangle> Tetrahedron()
{
    return {FloatTriangle{{{0, 0, 0}, {0, 10, 0}, {10, 0, 0}}}, FloatTriangle{{{0, 0, 0}, {10, 0, 0}, {0, 0, 10}}},
            FloatTriangle{{{0, 0, 0}, {0, 0, 10}, {0, 10, 0}}}, FloatTriangle{{{10, 0, 0}, {0, 10, 0}, {0, 0, 10}}}};
}

using Position = std::tuple<long, long, long>;

Position PositionOf(MStlPoint const* p) { return Position(p->x, p->y, p->z); }

std::vector<Position> Corners(MStlBase const& mesh)
{
    std::vector<Position> out;
    for (MStlTriangle const* t : mesh.GetTriangles())
        for (int k = 0; k < 3; ++k) out.push_back(PositionOf(t->GetPoint(k)));
    return out;
}

// Rounded the way the reader promises: nearest integer, halves away from zero.
std::vector<Position> ExpectedCorners(std::vector<FloatTriangle> const& triangles, double scale)
{
    std::vector<Position> out;
    auto round = [scale](float mm) { return std::lround(double(mm) * scale); };
    for (auto const& t : triangles)
        for (auto const& v : t.v) out.emplace_back(round(v[0]), round(v[1]), round(v[2]));
    return out;
}

// Coordinates from a small grid, so that many corners coincide and welding has work to do.
std::vector<FloatTriangle> RandomSoup(std::mt19937& rng, int count)
{
    std::uniform_int_distribution<int> cell(-4, 4);
    std::vector<FloatTriangle> out(count);
    for (auto& t : out)
        for (auto& v : t.v)
            for (float& c : v) c = float(cell(rng)) * 1.25f;
    return out;
}

template <class Bytes>
std::unique_ptr<MStlBase> Read(std::string const& name, Bytes const& bytes, double scale = 10000.0)
{
    return ReadStlMemory(name, bytes.data(), bytes.size(), scale);
}

void ExpectRefused(std::string const& bytes, std::string const& phrase, double scale = 10000.0)
{
    ExpectFileError([&] { Read("refused-part.stl", bytes, scale); }, "refused-part.stl: ", phrase);
}

std::string AsString(std::vector<char> const& v) { return std::string(v.begin(), v.end()); }

std::unique_ptr<MStlBase> ReadLattice(std::string const& text, double scale = 10000.0)
{
    return ReadBeamGraphMemory("lattice.beams.txt", text.data(), text.size(), scale);
}

void ExpectLatticeRefused(std::string const& text, std::string const& phrase)
{
    ExpectFileError([&] { ReadLattice(text); }, "lattice.beams.txt: ", phrase);
}

std::string const kTwoBeams = "# a corner of a lattice\n"
                              "v 0 0 0\n"
                              "v 10 0 0   # trailing comment\n"
                              "\n"
                              "v 0 -2.5 1e1\r\n"
                              "b 0 1 1.2 0.8\n"
                              "b 2 0 0.00005 +1\n";

std::string PathFor(std::string const& stem)
{
    return ::testing::TempDir() + "vz_hostile_" + stem + "_" + std::to_string(::getpid());
}

void Write(std::string const& path, std::string const& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

struct HostileFile
{
    char const* what;
    std::string bytes;
    char const* messageFragment;
    bool beamGraph = false; // handed to the beam-graph reader instead of the STL reader
};
} // namespace

TEST(StlFiles, BinaryAndAsciiReadTheSameRoundedCornersAndWeldIdenticalPositions)
{
    std::mt19937 rng(7);
    std::vector<FloatTriangle> const soup = RandomSoup(rng, 300);
    for (double scale : {10000.0, 1.0, 0.4})
    {
        SCOPED_TRACE(scale);
        std::vector<Position> const expected = ExpectedCorners(soup, scale);
        std::set<Position> const distinct(expected.begin(), expected.end());
        std::unique_ptr<MStlBase> const meshes[] = {Read("soup.stl", BinaryStl(soup), scale),
                                                    Read("soup.stl", AsciiStl(soup), scale)};
        for (auto const& mesh : meshes)
        {
            EXPECT_EQ(Corners(*mesh), expected);
            // One point per distinct position, and every corner at that position is that point.
            EXPECT_EQ(mesh->NumberOfPoints(), distinct.size());
            std::map<Position, MStlPoint const*> owner;
            for (MStlTriangle const* t : mesh->GetTriangles())
                for (int k = 0; k < 3; ++k)
                    EXPECT_EQ(owner.emplace(PositionOf(t->GetPoint(k)), t->GetPoint(k)).first->second, t->GetPoint(k));
        }
    }
}

TEST(StlFiles, WrittenBinaryReadsBackToTheSameMesh)
{
    auto const original = Read("tetra.stl", BinaryStl(Tetrahedron()));
    std::vector<char> const bytes = WriteStlMemory(*original);
    ASSERT_EQ(bytes.size(), 84u + 50u * 4u);
    EXPECT_NE(AsString(bytes).rfind("solid", 0), 0u) << "a binary header must not look like ASCII";
    auto const again = Read("again.stl", bytes);
    EXPECT_EQ(Corners(*again), Corners(*original));
    EXPECT_EQ(again->NumberOfPoints(), 4u);
    // Stored normals follow the winding.
    float normal[3];
    std::memcpy(normal, bytes.data() + 84 + 3 * 50, 12);
    for (float n : normal) EXPECT_NEAR(n, 1.0 / std::sqrt(3.0), 1e-6);

    // The inverse scale: at 2 units per mm a point at 20 units is written as 10 mm.
    auto const scaled = Read("scaled.stl", BinaryStl(Tetrahedron()), 2.0);
    std::vector<char> const half = WriteStlMemory(*scaled, 2.0);
    float second[3];
    std::memcpy(second, half.data() + 84 + 12 + 12, 12); // second corner of the first triangle
    EXPECT_EQ(second[0], 0.0f);
    EXPECT_EQ(second[1], 10.0f);
    EXPECT_EQ(Corners(*Read("scaled-again.stl", half, 2.0)), Corners(*scaled));

    // Through a temporary file.
    std::mt19937 rng(11);
    auto const soup = Read("soup.stl", BinaryStl(RandomSoup(rng, 50)));
    std::string const path = ::testing::TempDir() + "vz_roundtrip_" + std::to_string(::getpid()) + ".stl";
    int const savedStdin = ::dup(0); // with standard input closed, the file gets descriptor 0
    ::close(0);
    EXPECT_NO_THROW(WriteStlFile(*soup, path));
    ::dup2(savedStdin, 0);
    ::close(savedStdin);
    EXPECT_EQ(Corners(*ReadStlFile(path)), Corners(*soup));
    std::remove(path.c_str());
}

TEST(StlFiles, BinaryWithASolidHeaderAndAsciiVariantsAreRecognised)
{
    auto const tetra = Tetrahedron();
    std::vector<char> bytes = BinaryStl(tetra, "solid but binary");
    EXPECT_EQ(Corners(*Read("solid-header.stl", bytes)), ExpectedCorners(tetra, 10000.0));
    // With a wrong count it still is recognised as binary (it holds NUL bytes) and refused as such.
    bytes.resize(bytes.size() - 50);
    ExpectRefused(AsString(bytes), "truncated");

    std::string const text =
        "\t\r\n  SOLID Upper\r\n FACET NORMAL 0 0 -1\r\n OUTER LOOP\r\n VERTEX +1e1 0 0\r\n VERTEX 0 -0.0 0\r\n"
        " VERTEX 0 1.5E+1 .5\r\n ENDLOOP\r\n ENDFACET\r\nENDSOLID Upper\r\n"
        "solid second\nfacet normal nan nan nan\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
        "endloop\nendfacet\nendsolid\n";
    auto const mesh = Read("variants.stl", text, 1.0);
    ASSERT_EQ(mesh->NumberOfTriangles(), 2u);
    EXPECT_EQ(PositionOf(mesh->GetTriangle(0)->GetPoint(0)), Position(10, 0, 0));
    EXPECT_EQ(PositionOf(mesh->GetTriangle(0)->GetPoint(2)), Position(0, 15, 1));
    EXPECT_EQ(mesh->GetTriangle(0)->GetPoint(1), mesh->GetTriangle(1)->GetPoint(0));
    EXPECT_EQ(Read("empty-solid.stl", std::string("solid nothing\nendsolid nothing\n"))->NumberOfTriangles(), 0u);
    EXPECT_EQ(Read("no-triangles.stl", BinaryStl({}))->NumberOfTriangles(), 0u);
}

TEST(StlFiles, BadBinaryFilesAreRefusedWithTheFileNameAndTheProblem)
{
    std::string const good = AsString(BinaryStl(Tetrahedron()));
    auto withCorner = [](float value)
    {
        auto tetra = Tetrahedron();
        tetra[2].v[1][2] = value;
        return AsString(BinaryStl(tetra));
    };
    float const inf = std::numeric_limits<float>::infinity();
    std::pair<std::string, char const*> const cases[] = {
        {good.substr(0, good.size() - 1), "truncated"},
        {good + std::string(50, '\0'), "wrong triangle count"},
        {withCorner(std::numeric_limits<float>::quiet_NaN()), "triangle 3: coordinate is NaN"},
        {withCorner(inf), "triangle 3: coordinate is infinite"},
        {withCorner(-inf), "coordinate is infinite"},
        {withCorner(1.0e6f), "beyond the 32-bit range"},
    };
    for (auto const& c : cases) ExpectRefused(c.first, c.second);
    // The largest float below 2^31 still fits at one unit per millimetre; 2^31 does not.
    EXPECT_NO_THROW(Read("edge.stl", withCorner(2147483520.0f), 1.0));
    EXPECT_NO_THROW(Read("edge.stl", withCorner(-2147483648.0f), 1.0));
    ExpectRefused(withCorner(2147483648.0f), "beyond the 32-bit range", 1.0);
}

TEST(StlFiles, BadAsciiFilesAreRefusedWithTheFileNameTheLineAndTheProblem)
{
    std::string const good = AsciiStl(Tetrahedron());
    auto replaced = [&](std::string const& from, std::string const& to)
    {
        std::string s = good;
        return s.replace(s.find(from), from.size(), to);
    };
    std::string const corner = "vertex 10 0 0";
    std::pair<std::string, char const*> const cases[] = {
        {"solid", "truncated"},
        {replaced(corner, "vertex 10 zero 0"), "line 6: 'zero' is not a number"},
        {replaced(corner, "vertex 10 0x1 0"), "'0x1' is not a number"},
        {replaced(corner, "vertex 10 1.0.0 0"), "'1.0.0' is not a number"},
        {replaced("normal 0 0 1", "normal 0 O 1"), "'O' is not a number"},
        {replaced(corner, "vertex 10 nan 0"), "line 6: coordinate is NaN"},
        {replaced(corner, "vertex 10 -inf 0"), "coordinate is infinite"},
        {replaced(corner, "vertex 10 1e400 0"), "coordinate is infinite"},
        {replaced(corner, "vertex 10 300000 0"), "beyond the 32-bit range"},
        {replaced("outer loop", "outer lop"), "expected loop but found 'lop'"},
        {replaced("facet normal", "facets normal"), "line 2: expected facet or endsolid but found 'facets'"},
        {replaced("endloop", "vertex 1 1 1\n endloop"), "expected endloop but found 'vertex'"},
        {good.substr(0, good.find("endfacet", 200)), "truncated"},
        {good.substr(0, good.rfind("endsolid")), "truncated"},
        {good + "garbage\n", "expected solid but found 'garbage'"},
    };
    for (auto const& c : cases) ExpectRefused(c.first, c.second);
    // Tiny values underflow to zero and are fine; the exact 32-bit edges at one unit per mm.
    EXPECT_NO_THROW(Read("tiny.stl", replaced(corner, "vertex 10 1e-400 0")));
    EXPECT_NO_THROW(Read("edge.stl", replaced(corner, "vertex 2147483647.49 -2147483648.49 0"), 1.0));
    ExpectRefused(replaced(corner, "vertex 2147483647.5 0 0"), "beyond the 32-bit range", 1.0);
    ExpectRefused(replaced(corner, "vertex -2147483648.5 0 0"), "beyond the 32-bit range", 1.0);
}

TEST(StlFiles, ScalesThatAreNotPositiveAndFiniteAreRefused)
{
    std::vector<char> const bytes = BinaryStl(Tetrahedron());
    auto const mesh = Read("scale.stl", bytes);
    for (double scale : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    {
        EXPECT_THROW(Read("scale.stl", bytes, scale), std::invalid_argument);
        EXPECT_THROW(WriteStlMemory(*mesh, scale), std::invalid_argument);
        EXPECT_THROW(ReadBeamGraphMemory("x", "v 0 0 0\n", 8, scale), std::invalid_argument);
    }
}

TEST(BeamGraphFiles, NodesBeamsAndDiametersAreReadInFileOrder)
{
    auto const mesh = ReadLattice(kTwoBeams);
    EXPECT_EQ(mesh->NumberOfTriangles(), 0u);
    ASSERT_EQ(mesh->NumberOfPoints(), 3u);
    EXPECT_EQ(mesh->GetPoint(2)->GetInteger(), MMPoint3d<long>(0, -25000, 100000));
    ASSERT_EQ(mesh->NumberOfGraphs(), 1u);
    MStlGraph const* graph = mesh->GetGraph(0);
    ASSERT_EQ(graph->NumberOfEdges(), 2u);
    EXPECT_EQ(graph->GetEdge(0).GetFirstVertex(), mesh->GetPoint(0));
    EXPECT_EQ(graph->GetEdge(0).GetSecondVertex(), mesh->GetPoint(1));
    EXPECT_EQ(graph->GetEdge(1).GetFirstVertex(), mesh->GetPoint(2));
    EXPECT_EQ(graph->GetEdge(1).GetSecondVertex(), mesh->GetPoint(0));
    MStlBaseElementInfo const* info = MStlBaseElementInfoStlDependency::GetDependency(mesh.get(), true);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetEdgeThickness(graph->GetEdge(0)), (MStlGraphEdgeThickness{12000, 8000}));
    // 0.00005 mm is half a unit and rounds away from zero.
    EXPECT_EQ(info->GetEdgeThickness(graph->GetEdge(1)), (MStlGraphEdgeThickness{1, 10000}));
    // The scale applies to diameters as well as to coordinates.
    auto const coarse = ReadLattice(kTwoBeams, 10.0);
    EXPECT_EQ(coarse->GetPoint(1)->GetInteger(), MMPoint3d<long>(100, 0, 0));
    EXPECT_EQ(coarse->GetElementInfo()->GetEdgeThickness(coarse->GetGraph(0)->GetEdge(0)),
              (MStlGraphEdgeThickness{12, 8}));
}

TEST(BeamGraphFiles, BadLatticesAreRefusedWithTheFileNameTheLineAndTheProblem)
{
    ExpectLatticeRefused("v 0 0 0\nx 1 2 3\n", "line 2: expected 'v', 'b' or '#' but found 'x'");
    ExpectLatticeRefused("v 0 0\nv 1 1 1\n", "line 1: the line ends where a number should follow");
    ExpectLatticeRefused("v 0 0 0 0\n", "line 1: unexpected '0' at the end of the line");
    ExpectLatticeRefused("v 0 zero 0\n", "line 1: 'zero' is not a number");
    ExpectLatticeRefused("v 0 nan 0\n", "line 1: coordinate is NaN");
    ExpectLatticeRefused("v 0 0 1e300\n", "line 1: coordinate 1e+300 mm lies beyond the 32-bit range");
    std::string const nodes = "v 0 0 0\nv 1 0 0\n";
    ExpectLatticeRefused(nodes + "b 0 1 inf 1\n", "line 3: diameter is infinite");
    ExpectLatticeRefused(nodes + "b 0 1 -0.5 1\n", "line 3: diameter -0.5 is negative");
    ExpectLatticeRefused(nodes + "b 0 1 1\n", "line 3: the line ends where a number should follow");
    ExpectLatticeRefused(nodes + "b 0 1.5 1 1\n", "line 3: '1.5' is not a node index");
    ExpectLatticeRefused(nodes + "b 0 -1 1 1\n", "'-1' is not a node index");
    ExpectLatticeRefused(nodes + "b 1 1 1 1\n", "line 3: beam joins node 1 to itself");
    ExpectLatticeRefused(nodes + "b 0 2 1 1\n", "line 3: node 2 does not exist (the file has 2 nodes)");
    ExpectLatticeRefused(nodes + "b 0 1 1 1 7\n", "unexpected '7'");
}

TEST(HostileFiles, ReadersSayWhatTheBytesLookLike)
{
    std::string const ascii = AsciiStl(Tetrahedron());
    std::string const binary = AsString(BinaryStl(Tetrahedron()));
    std::string withNul = ascii;
    withNul[ascii.find("outer")] = '\0';
    std::string withBell = ascii;
    withBell.insert(ascii.find("endloop"), 1, '\a');
    HostileFile const table[] = {
        {"nothing", "", "empty file"},
        {"spaces and newlines", " \n\t\r\n   \n", "no triangles: only whitespace (9 bytes)"},
        {"one newline", "\n", "no triangles: only whitespace"},
        {"NUL inside an ASCII STL", withNul, "binary bytes in an ASCII STL: byte 0x00 at line 3"},
        {"bell inside an ASCII STL", withBell, "binary bytes in an ASCII STL: byte 0x07 at line 7"},
        {"short text", "hello\n", "text that is no ASCII STL: it does not begin with 'solid'"},
        {"one binary byte in a hundred is too many for text", "solid x\n" + std::string(91, ' ') + '\x01', "truncated"},
        {"a beam graph given as STL", "v 0 0 0\nv 1 0 0\nb 0 1 0.5 0.5\n", "does not begin with 'solid'"},
        {"ASCII STL cut in a facet", ascii.substr(0, ascii.find("endloop")), "truncated"},
        {"binary STL cut short", binary.substr(0, binary.size() - 20), "truncated: the header declares 4"},
        {"binary header only", binary.substr(0, 70), "shorter than the 84-byte header"},
        {"binary STL with a tail", binary + std::string(3, '\0'), "wrong triangle count"},
        {"binary STL whose header starts with solid, cut short",
         AsString(BinaryStl(Tetrahedron(), "solid part")).substr(0, 150), "truncated"},
        {"no beam graph at all", "", "empty file", true},
        {"white space as a beam graph", "\n\n  \n", "no nodes: only whitespace (5 bytes)", true},
        {"NUL after a node", std::string("v 0 0 0\n\0v 1 1 1\n", 17),
         "binary bytes in a beam-graph text file: byte 0x00 at line 2", true},
        {"a binary STL given as a beam graph", binary, "binary bytes in a beam-graph text file", true},
    };
    for (HostileFile const& file : table)
    {
        SCOPED_TRACE(file.what);
        std::string const path = PathFor(file.beamGraph ? "beams" : "stl");
        Write(path, file.bytes);
        ExpectFileError([&] { file.beamGraph ? (void)ReadBeamGraphFile(path) : (void)ReadStlFile(path); }, path + ": ",
                        file.messageFragment);
        std::remove(path.c_str());
    }
}

// Opening waits for nothing: a named pipe without a writer, a directory and a device are refused at
// once, naming what they are.
TEST(HostileFiles, MissingFilesAndWhatIsNoRegularFileAreRefusedWithoutWaiting)
{
    std::string const missing = PathFor("missing");
    ExpectFileError([&] { ReadStlFile(missing); }, missing + ": cannot open", "");
    ExpectFileError([&] { ReadBeamGraphFile(missing); }, missing + ": cannot open", "");
    std::string const fifo = PathFor("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ExpectFileError([&] { ReadStlFile(fifo); }, fifo + ": cannot read", "a named pipe (FIFO)");
    ExpectFileError([&] { ReadBeamGraphFile(fifo); }, fifo + ": cannot read", "a named pipe (FIFO)");
    std::remove(fifo.c_str());
    std::string const directory = ::testing::TempDir();
    ExpectFileError([&] { ReadStlFile(directory); }, directory + ": cannot read", "a directory");
    ExpectFileError([&] { ReadStlFile("/dev/null"); }, "/dev/null: cannot read", "a character device");
}

// Files of /proc report a size of 0 but have content: they are read to their end, so the message is
// about the content, not an empty file. Files of /sys report a whole page but hold a few bytes.
TEST(HostileFiles, FilesReportingAWrongSizeAreReadUntilTheyEnd)
{
    struct stat info;
    ASSERT_EQ(::stat("/proc/self/status", &info), 0);
    ASSERT_EQ(info.st_size, 0);
    ExpectFileError([] { ReadStlFile("/proc/self/status"); }, "/proc/self/status: ", "text that is no ASCII STL");
    ExpectFileError([] { ReadBeamGraphFile("/proc/self/status"); }, "/proc/self/status: ", "line 1");
    std::string const cpus = "/sys/devices/system/cpu/online";
    if (::stat(cpus.c_str(), &info) == 0 && info.st_size > 64) // wherever /sys is mounted
        ExpectFileError([&] { ReadStlFile(cpus); }, cpus + ": cannot read", "the file shrank while being read");
    // Reads that fail are reported, not retried: address 0 of the process, a link speed loopback lacks.
    ExpectFileError([] { ReadStlFile("/proc/self/mem"); }, "/proc/self/mem: cannot read", "");
    std::string const speed = "/sys/class/net/lo/speed";
    if (::stat(speed.c_str(), &info) == 0 && info.st_size > 0)
        ExpectFileError([&] { ReadStlFile(speed); }, speed + ": cannot read", "");
}
