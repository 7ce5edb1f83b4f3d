#pragma once
// Checks of settings that have no meaning, made before an operator starts any work.
#include <cmath>

#include "interfaces/MathCore.h"

namespace parameterchecks
{
// A length limit: a number, not below 0 (+infinity means no limit).
inline bool IsLengthLimit(double value) { return !std::isnan(value) && value >= 0.0; }

// An angle in degrees between 0 and 180 inclusive.
inline bool IsAngleInDegrees(double value) { return value >= 0.0 && value <= 180.0; }

// Every entry of the placement is a finite number.
inline bool IsFiniteTransform(MMTransformMatrix const& transform)
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            if (!std::isfinite(transform.Get(row, column))) return false;
    return true;
}
} // namespace parameterchecks
