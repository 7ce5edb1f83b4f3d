#pragma once
// A minimal element type for exercising the R*-tree without any mesh: each element is its own box.
#include <random>
#include <vector>

#include "graphsearch/RStarTree.h"

namespace vz_test
{
struct BoxElement
{
    MBoundingBoxND<double, 3> box;
};

using BoxElementInfoBase = Zodara::IElementInfo<BoxElement const*, double, 3>;

class BoxElementInfo : public BoxElementInfoBase
{
public:
    MBoundingBoxND<double, 3> GetBoundingBox(BoxElement const* const& element) const override { return element->box; }
    bool Intersects(MMVector<double, 3> const& point, BoxElement const* const& element) const override
    {
        return element->box.GetHasPoint(point);
    }
    double DistanceSquared(BoxElement const* const& element, MMVector<double, 3> const& point) const override
    {
        return Zodara::util::BoxDistanceSquared(element->box, point);
    }
};

using BoxTree = Zodara::RStarTree<double, 3, BoxElement const*, 5>;

inline BoxElement MakeBox(double x0, double y0, double z0, double x1, double y1, double z1)
{
    return BoxElement{MBoundingBoxND<double, 3>(MMVector<double, 3>(x0, y0, z0), MMVector<double, 3>(x1, y1, z1))};
}

// Boxes of side 1 to 20 scattered over a cube of side 1000.
inline std::vector<BoxElement> RandomBoxes(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> corner(0.0, 1000.0), side(1.0, 20.0);
    std::vector<BoxElement> boxes;
    boxes.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        double const x = corner(random), y = corner(random), z = corner(random);
        boxes.push_back(MakeBox(x, y, z, x + side(random), y + side(random), z + side(random)));
    }
    return boxes;
}
} // namespace vz_test
