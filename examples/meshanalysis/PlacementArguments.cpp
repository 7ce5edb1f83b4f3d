#include "PlacementArguments.h"

#include "Command.h"
#include "NumberArguments.h"

void PartPlacement::SetMove(std::string const& option, std::string const& text)
{
    std::vector<double> const v = ParseNumberList(option, text, 3);
    moveMm = MMPoint3d<double>(v[0], v[1], v[2]);
}

void PartPlacement::SetTurn(std::string const& option, std::string const& text)
{
    std::vector<double> const v = ParseNumberList(option, text, 4);
    turnAxis = MMPoint3d<double>(v[0], v[1], v[2]);
    if (turnAxis.Length() == 0.0) throw UsageError(option + ": the axis must not be zero");
    turnDegrees = v[3];
}

MMTransformMatrix PartPlacement::Transform() const
{
    MMTransformMatrix m = MMTransformMatrix::Translation(moveMm * kExampleUnitsPerMm);
    m.PostMultiply(MMTransformMatrix::Rotation(turnAxis, turnDegrees * 3.141592653589793 / 180.0));
    return m;
}
