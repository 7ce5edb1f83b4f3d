// meshanalysis: runs the library's operators on STL parts and beam lattices from the command line.
#include "Command.h"
#include <algorithm>
#include <exception>
#include <iostream>

std::vector<CommandInfo>& CommandRegistry()
{
    static std::vector<CommandInfo> registry;
    return registry;
}

namespace
{
void PrintUsage(std::ostream& out)
{
    auto commands = CommandRegistry();
    std::sort(commands.begin(), commands.end(), [](auto const& a, auto const& b) { return a.name < b.name; });
    out << "usage: meshanalysis <command> [arguments]\n"
        << "       meshanalysis             (same as: meshanalysis summary, on the built-in sample "
           "part)\n\ncommands:\n";
    for (auto const& c : commands) out << "  " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string name = args.empty() ? "summary" : args.front();
    if (!args.empty()) args.erase(args.begin());
    if (name == "-h" || name == "--help" || name == "help")
    {
        PrintUsage(std::cout);
        return 0;
    }
    auto const& registry = CommandRegistry();
    auto const it = std::find_if(registry.begin(), registry.end(), [&](auto const& c) { return c.name == name; });
    if (it == registry.end())
    {
        std::cerr << "meshanalysis: unknown command '" << name << "' (try --help)\n";
        return 2;
    }
    try
    {
        return it->run(args);
    }
    catch (UsageError const& e)
    {
        std::cerr << "meshanalysis " << name << ": " << e.what() << " (usage: meshanalysis " << name << " " << it->usage
                  << ")\n";
        return 2;
    }
    catch (std::exception const& e)
    {
        std::cerr << "meshanalysis " << name << ": " << e.what() << "\n";
        return 1;
    }
}
