#include "PlacementArguments.h"

#include "Command.h"
#include <cmath>
#include <sstream>

std::vector<double> ParseNumberList(std::string const& option, std::string const& text, std::size_t count)
{
    std::vector<double> values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
    {
        std::size_t used = 0;
        double value = 0.0;
        try
        {
            value = std::stod(item, &used);
        }
        catch (std::exception const&)
        {
            used = 0;
        }
        if (used == 0 || used != item.size() || !std::isfinite(value))
            throw UsageError(option + ": not a number: '" + item + "'");
        values.push_back(value);
    }
    if (values.size() != count)
        throw UsageError(option + ": expected " + std::to_string(count) + " comma-separated numbers, got '" + text +
                         "'");
    return values;
}

double ParseLengthMm(std::string const& option, std::string const& text)
{
    double const value = ParseNumberList(option, text, 1).front();
    if (value < 0.0 || value > 1e6) throw UsageError(option + ": a length from 0 to 1e6 mm");
    return value;
}

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
