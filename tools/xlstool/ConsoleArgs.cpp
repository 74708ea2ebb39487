#include "ConsoleArgs.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it builds on.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "base/UXlsPaths.h"
#endif

namespace xlstool {

#ifdef _WIN32

namespace {

struct TLocalFree {
    void operator()(wchar_t** p) const { LocalFree(p); }
};

// Puts the console's output code page back when the tool ends.
class TConsoleCodePage {
public:
    TConsoleCodePage() : FSaved(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~TConsoleCodePage() { SetConsoleOutputCP(FSaved); }
    TConsoleCodePage(const TConsoleCodePage&) = delete;
    TConsoleCodePage& operator=(const TConsoleCodePage&) = delete;

private:
    UINT FSaved;
};

}  // namespace

std::vector<std::string> Utf8Arguments(int /*argc*/, char** /*argv*/)
{
    int count = 0;
    const std::unique_ptr<wchar_t*, TLocalFree> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) args.push_back(xls::Utf8FromPath(wide.get()[i]));
    return args;
}

void PrepareConsole()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR) static TConsoleCodePage utf8;
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

void PrepareConsole() {}

#endif

}  // namespace xlstool
