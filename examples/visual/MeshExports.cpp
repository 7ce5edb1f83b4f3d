#include "visual/MeshExports.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace visual
{
namespace
{
// Bytes of a file in the making, appended with a fixed byte order whatever the machine's.
class ByteWriter
{
public:
    explicit ByteWriter(bool bigEndian) : m_bigEndian(bigEndian) {}
    void Float(double value) { Word(Bits(float(value))); }
    void Int(std::int32_t value) { Word(std::uint32_t(value)); }
    void Byte(std::uint8_t value) { m_bytes.push_back(char(value)); }
    void Text(std::string const& text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }
    // Writes out what has gathered; large meshes are written in pieces to bound the memory.
    void FlushTo(std::ostream& out)
    {
        out.write(m_bytes.data(), std::streamsize(m_bytes.size()));
        m_bytes.clear();
        if (!out) throw std::runtime_error("cannot write the file");
    }
    bool IsLarge() const { return m_bytes.size() > (1u << 20); }

private:
    static std::uint32_t Bits(float value)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    void Word(std::uint32_t w)
    {
        for (int k = 0; k < 4; ++k)
            m_bytes.push_back(char(m_bigEndian ? (w >> (24 - 8 * k)) & 0xff : (w >> (8 * k)) & 0xff));
    }
    bool m_bigEndian;
    std::vector<char> m_bytes;
};

std::int32_t ToInt(double value) { return std::isfinite(value) ? std::int32_t(std::llround(value)) : 0; }
std::uint8_t ToByte(double value)
{
    return std::isfinite(value) ? std::uint8_t(std::llround(std::fmin(std::fmax(value, 0.0), 255.0))) : 0;
}

void WriteValue(ByteWriter& w, FaceAttribute const& a, std::size_t face)
{
    double const v = a.values[face];
    switch (a.type)
    {
    case FaceAttribute::Type::Float: w.Float(v); break;
    case FaceAttribute::Type::Int: w.Int(ToInt(v)); break;
    case FaceAttribute::Type::Byte: w.Byte(ToByte(v)); break;
    }
}

char const* PlyType(FaceAttribute::Type type)
{
    switch (type)
    {
    case FaceAttribute::Type::Float: return "float";
    case FaceAttribute::Type::Int: return "int";
    default: return "uchar";
    }
}

char const* VtkType(FaceAttribute::Type type)
{
    switch (type)
    {
    case FaceAttribute::Type::Float: return "float";
    case FaceAttribute::Type::Int: return "int";
    default: return "unsigned_char";
    }
}

// Comments and titles are single lines.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}
} // namespace

void WritePly(std::ostream& out, FaceMesh const& mesh, ColourScale const& scale, std::string const& comment)
{
    ByteWriter w(false);
    w.Text("ply\nformat binary_little_endian 1.0\n");
    if (!comment.empty()) w.Text("comment " + OneLine(comment) + "\n");
    w.Text("element vertex " + std::to_string(mesh.verticesMm.size()) + "\n");
    w.Text("property float x\nproperty float y\nproperty float z\n");
    w.Text("element face " + std::to_string(mesh.faces.size()) + "\n");
    w.Text("property list uchar int vertex_indices\n");
    w.Text("property uchar red\nproperty uchar green\nproperty uchar blue\n");
    for (FaceAttribute const& a : mesh.attributes)
        w.Text(std::string("property ") + PlyType(a.type) + " " + a.name + "\n");
    w.Text("end_header\n");
    for (Vec3 const& p : mesh.verticesMm)
    {
        for (double c : p) w.Float(c);
        if (w.IsLarge()) w.FlushTo(out);
    }
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
    {
        w.Byte(3);
        for (std::uint32_t v : mesh.faces[f]) w.Int(std::int32_t(v));
        Rgb8 const c = scale.ColourOf(mesh.colourValues[f]);
        w.Byte(c.r);
        w.Byte(c.g);
        w.Byte(c.b);
        for (FaceAttribute const& a : mesh.attributes) WriteValue(w, a, f);
        if (w.IsLarge()) w.FlushTo(out);
    }
    w.FlushTo(out);
    out.flush();
    if (!out) throw std::runtime_error("cannot write the file");
}

void WriteVtk(std::ostream& out, FaceMesh const& mesh, ColourScale const& scale, std::string const& title)
{
    ByteWriter w(true);
    std::size_t const faces = mesh.faces.size();
    w.Text("# vtk DataFile Version 3.0\n" + OneLine(title.empty() ? "mesh" : title) + "\nBINARY\nDATASET POLYDATA\n");
    w.Text("POINTS " + std::to_string(mesh.verticesMm.size()) + " float\n");
    for (Vec3 const& p : mesh.verticesMm)
    {
        for (double c : p) w.Float(c);
        if (w.IsLarge()) w.FlushTo(out);
    }
    w.Text("\nPOLYGONS " + std::to_string(faces) + " " + std::to_string(4 * faces) + "\n");
    for (auto const& face : mesh.faces)
    {
        w.Int(3);
        for (std::uint32_t v : face) w.Int(std::int32_t(v));
        if (w.IsLarge()) w.FlushTo(out);
    }
    w.Text("\nCELL_DATA " + std::to_string(faces) + "\n");
    for (FaceAttribute const& a : mesh.attributes)
    {
        w.Text(std::string("SCALARS ") + a.name + " " + VtkType(a.type) + " 1\nLOOKUP_TABLE default\n");
        for (std::size_t f = 0; f < faces; ++f)
        {
            WriteValue(w, a, f);
            if (w.IsLarge()) w.FlushTo(out);
        }
        w.Text("\n");
    }
    w.Text("COLOR_SCALARS colour 3\n");
    for (std::size_t f = 0; f < faces; ++f)
    {
        Rgb8 const c = scale.ColourOf(mesh.colourValues[f]);
        w.Byte(c.r);
        w.Byte(c.g);
        w.Byte(c.b);
        if (w.IsLarge()) w.FlushTo(out);
    }
    w.Text("\n");
    w.FlushTo(out);
    out.flush();
    if (!out) throw std::runtime_error("cannot write the file");
}

void WriteCsv(std::ostream& out, FaceMesh const& mesh)
{
    for (std::size_t i = 0; i < mesh.attributes.size(); ++i) out << (i ? "," : "") << mesh.attributes[i].name;
    out << "\n";
    char field[64];
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
    {
        for (std::size_t i = 0; i < mesh.attributes.size(); ++i)
        {
            FaceAttribute const& a = mesh.attributes[i];
            double const v = a.values[f];
            if (i) out << ',';
            if (a.type != FaceAttribute::Type::Float)
                out << (a.type == FaceAttribute::Type::Int ? ToInt(v) : int(ToByte(v)));
            else if (!std::isnan(v))
            {
                // Nine significant digits bring a float back exactly.
                std::snprintf(field, sizeof field, "%.9g", double(float(v)));
                out << field;
            }
        }
        out << '\n';
    }
    out.flush();
    if (!out) throw std::runtime_error("cannot write the file");
}
} // namespace visual
