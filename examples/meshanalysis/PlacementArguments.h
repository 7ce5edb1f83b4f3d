#pragma once
// Command-line placement of a part: "--move X,Y,Z" in millimetres and "--turn AX,AY,AZ,DEGREES"
// (a turn about an axis through the origin, applied before the move).
#include "interfaces/MathCore.h"
#include <string>
#include <vector>

constexpr double kExampleUnitsPerMm = 10000.0;

struct PartPlacement
{
    MMPoint3d<double> moveMm;
    MMPoint3d<double> turnAxis{0.0, 0.0, 1.0};
    double turnDegrees = 0.0;

    void SetMove(std::string const& option, std::string const& text);
    void SetTurn(std::string const& option, std::string const& text);
    // In internal units.
    MMTransformMatrix Transform() const;
};
