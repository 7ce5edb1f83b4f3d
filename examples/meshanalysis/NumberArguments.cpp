#include "NumberArguments.h"

#include "Command.h"
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace
{
// The number, or NaN when the text is not one number and nothing else.
double ReadNumber(std::string const& text)
{
    // std::stod would skip leading blanks; a number on the command line has none.
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return std::nan("");
    std::size_t used = 0;
    double value = std::nan("");
    try
    {
        value = std::stod(text, &used);
    }
    catch (std::exception const&)
    {
        return std::nan("");
    }
    return used == text.size() && std::isfinite(value) ? value : std::nan("");
}

std::string Shown(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}
} // namespace

double ParseNumber(std::string const& option, std::string const& text, double low, double high)
{
    double const value = ReadNumber(text);
    if (!(value >= low && value <= high))
        throw UsageError(option + ": expected a number from " + Shown(low) + " to " + Shown(high) + ", got '" + text +
                         "'");
    return value;
}

int ParseWholeNumber(std::string const& option, std::string const& text, int low, int high)
{
    double const value = ParseNumber(option, text, low, high);
    if (value != std::floor(value)) throw UsageError(option + ": expected a whole number, got '" + text + "'");
    return int(value);
}

std::vector<double> ParseNumberList(std::string const& option, std::string const& text, std::size_t count)
{
    std::vector<double> values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
    {
        double const value = ReadNumber(item);
        if (std::isnan(value)) throw UsageError(option + ": not a number: '" + item + "'");
        values.push_back(value);
    }
    if (values.size() != count)
        throw UsageError(option + ": expected " + std::to_string(count) + " comma-separated numbers, got '" + text +
                         "'");
    return values;
}

double ParseLengthMm(std::string const& option, std::string const& text) { return ParseNumber(option, text, 0.0, 1e6); }
