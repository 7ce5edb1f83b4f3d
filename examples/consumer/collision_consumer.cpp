// Two 10 mm cubes made from STL bytes held in memory, placed side by side with a gap between them,
// checked for collision with a tolerance of 0.5 mm. With a 0.3 mm gap both parts report the
// triangles that face the gap or touch its edges, and never the far face of either cube; with a
// 2.3 mm gap neither part reports anything. Exits with 1 when the library answers otherwise.
#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "interfaces/MeshData.h"
#include "interfaces/StlFiles.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

namespace
{
constexpr double kUnitsPerMillimetre = kStlDefaultUnitsPerMillimetre;

using Vertex = std::array<float, 3>;

void Append(std::vector<char>& bytes, void const* data, std::size_t size)
{
    char const* p = static_cast<char const*>(data);
    bytes.insert(bytes.end(), p, p + size);
}

// Binary STL of the cube [0, side]^3 in millimetres: 12 triangles, outward normals.
std::vector<char> CubeStlBytes(float side)
{
    Vertex const c[8] = {{0, 0, 0},    {side, 0, 0},    {side, side, 0},    {0, side, 0},
                         {0, 0, side}, {side, 0, side}, {side, side, side}, {0, side, side}};
    int const faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                              {2, 3, 7}, {2, 7, 6}, {1, 2, 6}, {1, 6, 5}, {0, 4, 7}, {0, 7, 3}};
    std::vector<char> bytes(80, '\0');
    std::uint32_t const count = 12;
    Append(bytes, &count, sizeof count);
    for (auto const& f : faces)
    {
        float const normal[3] = {0, 0, 0}; // readers take the normal from the vertex order
        Append(bytes, normal, sizeof normal);
        for (int k = 0; k < 3; ++k) Append(bytes, c[f[k]].data(), sizeof(Vertex));
        std::uint16_t const attributes = 0;
        Append(bytes, &attributes, sizeof attributes);
    }
    return bytes;
}

// True when all three vertices of the triangle lie in the plane x = planeX (internal units).
bool LiesInPlaneX(MStlTriangle const& t, std::int32_t planeX)
{
    for (int k = 0; k < 3; ++k)
        if (t.GetPoint(k)->x != planeX) return false;
    return true;
}

struct Reported
{
    std::set<MStlTriangle const*> first, second;
};

Reported Check(MStlBase& first, MStlBase& second, double gapMillimetres, double sideMillimetres)
{
    Reported reported;
    MUserOperatorCollisionDetectorWithTolerance detector;
    detector.SetFirstPart(&first, [&reported](MStlTriangle& t) { reported.first.insert(&t); });
    detector.SetSecondPart(&second, [&reported](MStlTriangle& t) { reported.second.insert(&t); });
    double const offset = (sideMillimetres + gapMillimetres) * kUnitsPerMillimetre;
    detector.SetSecondPartTransform(MMTransformMatrix::Translation(MMPoint3d<double>(offset, 0.0, 0.0)));
    MUserOperatorCollisionDetectorWithTolerance::MParams params;
    params.Tolerance = 0.5 * kUnitsPerMillimetre;
    detector.SetAllParams(params);
    if (detector.Operate() != MUserOperatorCollisionDetectorWithTolerance::eOK) std::exit(1);
    return reported;
}
} // namespace

int main()
{
    float const side = 10.0f;
    std::vector<char> const bytes = CubeStlBytes(side);
    std::unique_ptr<MStlBase> first = ReadStlMemory("first cube", bytes.data(), bytes.size());
    std::unique_ptr<MStlBase> second = ReadStlMemory("second cube", bytes.data(), bytes.size());

    Reported const near = Check(*first, *second, 0.3, side);
    Reported const far = Check(*first, *second, 2.3, side);
    std::printf("gap 0.3 mm: %zu + %zu triangles within 0.5 mm; gap 2.3 mm: %zu + %zu\n", near.first.size(),
                near.second.size(), far.first.size(), far.second.size());

    bool ok = !near.first.empty() && !near.second.empty() && far.first.empty() && far.second.empty();
    // The first cube's face at x = 0 lies 10.3 mm from the second cube; the second cube's face at
    // its own x = side lies as far from the first.
    std::int32_t const farFace = std::int32_t(side * kUnitsPerMillimetre);
    for (MStlTriangle const* t : near.first) ok = ok && !LiesInPlaneX(*t, 0);
    for (MStlTriangle const* t : near.second) ok = ok && !LiesInPlaneX(*t, farFace);
    std::puts(ok ? "collision check as expected" : "collision check FAILED");
    return ok ? 0 : 1;
}
