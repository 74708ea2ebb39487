// xlstool: the command-line front end of the workbook engine.
//
// Exit codes: 0 success, 1 the engine refused or failed (its message on
// stderr), 2 wrong usage.
#include <array>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "XlsToolCommands.h"

namespace xlstool {

void RequireArgCount(TArgs args, std::size_t min, std::size_t max)
{
    if (args.size() < min) throw EUsageError("missing arguments");
    if (args.size() > max) throw EUsageError("too many arguments");
}

namespace {

constexpr std::array kCommands{
    TSubcommand{"template", "write the empty workbook that new files start from",
                "usage: xlstool template OUT\n\n"
                "Writes the empty workbook the engine starts new files and sheets from\n"
                "(one empty visible sheet \"Sheet1\") to OUT, replacing OUT if it exists.\n",
                CmdTemplate},
};

void PrintOverview(std::ostream& out)
{
    out << "usage: xlstool SUBCOMMAND [ARGS...]\n"
           "       xlstool SUBCOMMAND --help\n\n"
           "Reads and writes Excel 97-2003 (.xls) workbooks.\n\nSubcommands:\n";
    for (const auto& cmd : kCommands) {
        std::string name(cmd.Name);
        name.resize(std::max<std::size_t>(name.size() + 2, 12), ' ');
        out << "  " << name << cmd.Summary << '\n';
    }
}

const TSubcommand* FindCommand(std::string_view name)
{
    for (const auto& cmd : kCommands)
        if (cmd.Name == name) return &cmd;
    return nullptr;
}

}  // namespace
}  // namespace xlstool

int main(int argc, char** argv)
{
    using namespace xlstool;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintOverview(std::cerr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        PrintOverview(std::cout);
        return 0;
    }
    const TSubcommand* cmd = FindCommand(args[0]);
    if (!cmd) {
        std::cerr << "xlstool: unknown subcommand '" << args[0] << "'\n";
        PrintOverview(std::cerr);
        return 2;
    }
    TArgs rest(args.data() + 1, args.size() - 1);
    for (const auto& a : rest)
        if (a == "--help" || a == "-h") {
            std::cout << cmd->Help;
            return 0;
        }
    try {
        return cmd->Run(rest);
    } catch (const EUsageError& e) {
        std::cerr << "xlstool " << cmd->Name << ": " << e.what() << "\n\n" << cmd->Help;
        return 2;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << e.what() << '\n';
        return 1;
    }
}
