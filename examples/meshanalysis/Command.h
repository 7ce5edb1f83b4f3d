#pragma once
// Subcommands of the meshanalysis program. Each subcommand lives in its own file and registers
// itself with a static CommandRegistration object:
//
//     static CommandRegistration reg{"thickness", "<file.stl> [options]", "wall thickness histogram", &RunThickness};
//
// A command returns the process exit code. It throws UsageError for bad arguments; any other
// std::exception ends the program with a one-line error and exit code 1.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

using CommandFunction = std::function<int(std::vector<std::string> const& args)>;

struct CommandInfo
{
    std::string name;
    std::string usage;
    std::string summary;
    CommandFunction run;
};

std::vector<CommandInfo>& CommandRegistry();

struct CommandRegistration
{
    CommandRegistration(std::string name, std::string usage, std::string summary, CommandFunction run)
    {
        CommandRegistry().push_back({std::move(name), std::move(usage), std::move(summary), std::move(run)});
    }
};
