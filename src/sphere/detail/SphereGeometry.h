#pragma once

#include "interfaces/MathCore.h"

namespace SphereGeometry
{

// Unit vector in the same direction; the zero vector is returned unchanged.
inline MMPoint3d<double> UnitOrZero(MMPoint3d<double> const& v)
{
    double const length = v.Length();
    return length != 0.0 ? v / length : v;
}

} // namespace SphereGeometry
