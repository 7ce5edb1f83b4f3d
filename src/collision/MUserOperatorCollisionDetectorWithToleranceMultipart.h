#pragma once
// Which pairs of placed parts come within a tolerance of each other. Parts are meshes or compact
// meshes in any mix; the examination of a pair stops at its first triangle within the tolerance.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include <cstddef>
#include <utility>
#include <variant>
#include <vector>

struct MultipartPart
{
    std::variant<MStlBase const*, MStlCompact const*> part;
    MMTransformMatrix transform;
};

class MUserOperatorCollisionDetectorWithToleranceMultipart
{
public:
    struct MParams
    {
        // Mesh units; valid: 0 <= Tolerance <= +infinity (NaN and negative values are refused).
        double Tolerance = 5000.0;
    };

    enum EReturnCode
    {
        eOK = 0,
        eNoParts = 1,
        // The tolerance is NaN or negative, or a part's transform holds a NaN or infinite entry;
        // nothing was examined and the collisions of an earlier run are kept.
        eInvalidParameters = 2
    };

    MUserOperatorCollisionDetectorWithToleranceMultipart();

    // Transforms: every entry finite.
    std::size_t AddPart(MStlBase const* part, MMTransformMatrix transform);
    std::size_t AddPart(MStlCompact const* part, MMTransformMatrix transform);
    void SetAllParams(MParams const& params);
    EReturnCode Operate();
    void GetCollisions(std::vector<std::pair<std::size_t, std::size_t>>& collisions) const;

private:
    // Part indexes by ascending (triangle count, index).
    std::vector<std::size_t> _SizeOrder() const;
    // Appends (r, j) for every part j of `others` that comes within the tolerance of part r.
    void _ExaminePart(std::size_t r, std::vector<std::size_t> const& others);

    std::vector<MultipartPart> parts;
    std::vector<std::pair<std::size_t, std::size_t>> collisions;
    MParams params;
};
