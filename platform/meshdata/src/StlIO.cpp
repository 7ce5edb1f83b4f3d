#include "meshdata/StlIO.h"

#include "FileBytes.h"
#include "InternalUnits.h"
#include "PointWelder.h"
#include "StlTextScanner.h"
#include "TextSniffing.h"
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace
{
using namespace MeshFiles;

// Binary STL holds little-endian 32-bit floats, which are copied straight into floats here.
static_assert(sizeof(float) == 4, "binary STL holds 32-bit floats");
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "binary STL is read on little-endian machines only");

constexpr std::size_t kHeaderBytes = 80;
constexpr std::size_t kBinaryPrefixBytes = 84;
constexpr std::size_t kBinaryTriangleBytes = 50;

std::uint32_t ReadUint32(unsigned char const* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

bool HasBinaryLayout(std::size_t size, unsigned char const* bytes)
{
    if (size < kBinaryPrefixBytes) return false;
    std::uint64_t const count = ReadUint32(bytes + kHeaderBytes);
    return kBinaryPrefixBytes + kBinaryTriangleBytes * count == size;
}

bool StartsWithSolid(std::size_t size, char const* text)
{
    std::size_t i = 0;
    while (i < size && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    static char const keyword[] = "solid";
    for (std::size_t k = 0; k < 5; ++k, ++i)
        if (i >= size || (text[i] | 0x20) != keyword[k]) return false;
    return true;
}

// The parsers build the mesh as they go; when they throw, the caller's unique_ptr takes the partial
// mesh away with it, so a bad file still leaves nothing behind.
void ParseBinary(MStlBase& mesh, std::string const& name, unsigned char const* bytes, std::size_t size, double scale)
{
    if (size < kBinaryPrefixBytes)
        Fail(name, "truncated: " + std::to_string(size) + " bytes, shorter than the 84-byte header of a binary STL");
    std::uint64_t const count = ReadUint32(bytes + kHeaderBytes);
    std::uint64_t const expected = kBinaryPrefixBytes + kBinaryTriangleBytes * count;
    std::string const declared = "the header declares " + std::to_string(count) + " triangles (" +
                                 std::to_string(expected) + " bytes) but the file has " + std::to_string(size) +
                                 " bytes";
    if (size < expected) Fail(name, "truncated: " + declared);
    if (size > expected) Fail(name, "wrong triangle count: " + declared);

    mesh.ReserveTriangles(count);
    PointWelder welder(mesh, count / 2 + 16);
    unsigned char const* p = bytes + kBinaryPrefixBytes;
    constexpr std::uint64_t kBatch = 16;
    std::int32_t c[kBatch * 9];
    std::size_t hash[kBatch * 3];
    for (std::uint64_t first = 0; first < count; first += kBatch)
    {
        std::uint64_t const n = std::min(kBatch, count - first);
        for (std::uint64_t t = 0; t < n; ++t, p += kBinaryTriangleBytes)
        {
            float v[9];
            std::memcpy(v, p + 12, sizeof v);
            double scaled[9];
            for (int k = 0; k < 9; ++k) scaled[k] = double(v[k]) * scale;
            std::int32_t rounded[9];
            if (!RoundAllToInt32(scaled, rounded))
                for (int k = 0; k < 9; ++k) // finds the culprit and refuses the file
                    ToInternalUnits(name, "triangle " + std::to_string(first + t + 1), "coordinate", v[k], scale);
            std::memcpy(c + 9 * t, rounded, sizeof rounded);
        }
        std::uint32_t corner[kBatch * 3];
        std::uint32_t pending[kBatch * 3];
        std::size_t pendingCount = 0;
        for (std::uint64_t k = 0; k < 3 * n; ++k)
        {
            hash[k] = PointWelder::Hash(c[3 * k], c[3 * k + 1], c[3 * k + 2]);
            if (welder.FindRecent(c[3 * k], c[3 * k + 1], c[3 * k + 2], hash[k], corner[k])) continue;
            welder.Prefetch(hash[k]);
            pending[pendingCount++] = std::uint32_t(k);
        }
        for (std::size_t j = 0; j < pendingCount; ++j)
        {
            std::uint32_t const k = pending[j];
            corner[k] = welder.IndexOf(c[3 * k], c[3 * k + 1], c[3 * k + 2], hash[k]);
        }
        for (std::uint64_t t = 0; t < n; ++t)
            mesh.AddTriangle(welder.Point(corner[3 * t]), welder.Point(corner[3 * t + 1]),
                             welder.Point(corner[3 * t + 2]));
    }
}

void ParseAscii(MStlBase& mesh, std::string const& name, char const* text, std::size_t size, double scale)
{
    StlTextScanner in(name, text, size);
    PointWelder welder(mesh, size / 400 + 16);
    in.ExpectKeyword("solid");
    in.SkipRestOfLine();
    for (;;)
    {
        std::string_view const word = in.NextWord("facet or endsolid");
        if (StlTextScanner::IsKeyword(word, "endsolid"))
        {
            in.SkipRestOfLine();
            if (in.AtEnd()) break;
            in.ExpectKeyword("solid"); // several solids may follow one another
            in.SkipRestOfLine();
            continue;
        }
        if (!StlTextScanner::IsKeyword(word, "facet")) in.FailUnexpected(word, "facet or endsolid");
        in.ExpectKeyword("normal");
        for (int k = 0; k < 3; ++k) in.NextNumber(); // the normal follows from the winding
        in.ExpectKeyword("outer");
        in.ExpectKeyword("loop");
        MStlPoint* corner[3];
        for (MStlPoint*& point : corner)
        {
            in.ExpectKeyword("vertex");
            std::int32_t c[3];
            for (int k = 0; k < 3; ++k) c[k] = ToInternalUnits(name, in.Where(), "coordinate", in.NextNumber(), scale);
            point = welder.Point(welder.IndexOf(c[0], c[1], c[2]));
        }
        in.ExpectKeyword("endloop");
        in.ExpectKeyword("endfacet");
        mesh.AddTriangle(corner[0], corner[1], corner[2]);
    }
}

// Whether bytes that do not fit the binary layout are to be read as ASCII STL. Text that cannot
// be one, and text spoilt by binary bytes, is refused here with a message that says so, rather than
// being reported as a binary file of the wrong size. A binary file whose header starts with "solid"
// still counts as binary: its floats and attribute words make far more than one byte in a hundred
// binary, while a text file holds at most a few stray ones.
bool LooksLikeText(std::string const& name, char const* text, std::size_t size)
{
    if (IsOnlyWhitespace(text, size)) Fail(name, "no triangles: only whitespace (" + std::to_string(size) + " bytes)");
    std::size_t const binaryBytes = CountBinaryBytes(text, size);
    bool const mostlyText = binaryBytes * 100 < size;
    if (!mostlyText) return false;
    if (!StartsWithSolid(size, text))
    {
        if (binaryBytes == 0) Fail(name, "text that is no ASCII STL: it does not begin with 'solid'");
        return false;
    }
    if (binaryBytes > 0)
        Fail(name, "binary bytes in an ASCII STL: " + DescribeByteAt(text, FirstBinaryByte(text, size)));
    return true;
}

void AppendFloat(std::vector<char>& out, double v)
{
    float const f = float(v);
    char bytes[4];
    std::memcpy(bytes, &f, 4);
    out.insert(out.end(), bytes, bytes + 4);
}
} // namespace

std::unique_ptr<MStlBase> ReadStlMemory(std::string const& name, void const* data, std::size_t size,
                                        double unitsPerMillimetre)
{
    MeshFiles::RequireValidScale(unitsPerMillimetre);
    if (size == 0) MeshFiles::Fail(name, "empty file");
    if (!data) throw std::invalid_argument("ip_data is null");
    auto const* bytes = static_cast<unsigned char const*>(data);
    auto const* text = static_cast<char const*>(data);
    bool const ascii = !HasBinaryLayout(size, bytes) && LooksLikeText(name, text, size);
    auto mesh = std::make_unique<MStlBase>();
    if (ascii)
        ParseAscii(*mesh, name, text, size, unitsPerMillimetre);
    else
        ParseBinary(*mesh, name, bytes, size, unitsPerMillimetre);
    return mesh;
}

std::unique_ptr<MStlBase> ReadStlFile(std::string const& path, double unitsPerMillimetre)
{
    MeshFiles::RequireValidScale(unitsPerMillimetre);
    MeshFiles::FileBytes const file(path);
    return ReadStlMemory(path, file.Data(), file.Size(), unitsPerMillimetre);
}

std::vector<char> WriteStlMemory(MStlBase const& mesh, double unitsPerMillimetre)
{
    MeshFiles::RequireValidScale(unitsPerMillimetre);
    std::size_t const count = mesh.NumberOfTriangles();
    if (count > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("binary STL holds at most 2^32 - 1 triangles");
    std::vector<char> out;
    out.reserve(kBinaryPrefixBytes + kBinaryTriangleBytes * count);
    char header[kHeaderBytes] = "binary STL, millimetres";
    out.insert(out.end(), header, header + kHeaderBytes);
    std::uint32_t const n = std::uint32_t(count);
    char const countBytes[4] = {char(n & 0xFF), char((n >> 8) & 0xFF), char((n >> 16) & 0xFF), char(n >> 24)};
    out.insert(out.end(), countBytes, countBytes + 4);
    for (MStlTriangle const* t : mesh.GetTriangles())
    {
        MMPoint3d<double> const normal = t->GetNormal();
        for (int k = 0; k < 3; ++k) AppendFloat(out, normal[k]);
        for (int v = 0; v < 3; ++v)
        {
            MStlPoint const* p = t->GetPoint(v);
            // Dividing (rather than multiplying by the inverse) keeps exact millimetre values exact.
            AppendFloat(out, p->x / unitsPerMillimetre);
            AppendFloat(out, p->y / unitsPerMillimetre);
            AppendFloat(out, p->z / unitsPerMillimetre);
        }
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

void WriteStlFile(MStlBase const& mesh, std::string const& path, double unitsPerMillimetre)
{
    std::vector<char> const bytes = WriteStlMemory(mesh, unitsPerMillimetre);
    int const fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) MeshFiles::Fail(path, std::string("cannot write: ") + std::strerror(errno));
    std::size_t done = 0;
    while (done < bytes.size())
    {
        ssize_t const n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
        {
            int const error = errno;
            ::close(fd);
            MeshFiles::Fail(path, std::string("cannot write: ") + std::strerror(error));
        }
        done += std::size_t(n);
    }
    if (::close(fd) != 0) MeshFiles::Fail(path, std::string("cannot write: ") + std::strerror(errno));
}
