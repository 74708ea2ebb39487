// The command line and the console as xlstool uses them on every platform:
// arguments as UTF-8 text, output bytes written as they are.
#pragma once

#include <string>
#include <vector>

namespace xlstool {

// The arguments after the program name, in UTF-8 (on Windows taken from the
// UTF-16 command line, so that any file name comes through).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Output is UTF-8 with LF line ends on every platform: on Windows stdout and
// stderr are switched to binary, and a console shows UTF-8 while the tool runs.
void PrepareConsole();

}  // namespace xlstool
