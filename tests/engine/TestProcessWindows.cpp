#include <windows.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "HeldFileWindows.h"
#include "TestProcess.h"
#include "base/UXlsPaths.h"

namespace testproc {

namespace {

class THandle {
public:
    explicit THandle(HANDLE handle = INVALID_HANDLE_VALUE) : FHandle(handle) {}
    ~THandle()
    {
        if (Valid()) CloseHandle(FHandle);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
    HANDLE Get() const { return FHandle; }
    void Close()
    {
        if (Valid()) CloseHandle(FHandle);
        FHandle = INVALID_HANDLE_VALUE;
    }
    void Reset(HANDLE handle)
    {
        Close();
        FHandle = handle;
    }

private:
    HANDLE FHandle;
};

std::string FileText(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring QuotedArgument(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

HANDLE InheritableFile(const fs::path& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Wine's own call for the Unix path of a Windows path; null outside Wine.
using TUnixName = char*(CDECL*)(const wchar_t*);

TUnixName WineUnixName()
{
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC address = kernel ? GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
    TUnixName call = nullptr;
    static_assert(sizeof call == sizeof address);
    std::memcpy(&call, &address, sizeof call);
    return call;
}

std::string UnixPath(TUnixName unixName, const fs::path& path)
{
    char* name = unixName(fs::absolute(path).c_str());
    if (!name) throw std::runtime_error("no Unix path for " + xls::Utf8FromPath(path));
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::string ShellQuoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

TRun RunProgram(const std::vector<std::string>& args)
{
    TTempDir io("testproc");
    const fs::path out = io / "stdout", err = io / "stderr";
    TRun run;
    {
        const THandle in(InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING));
        const THandle o(InheritableFile(out, GENERIC_WRITE, CREATE_ALWAYS));
        const THandle e(InheritableFile(err, GENERIC_WRITE, CREATE_ALWAYS));
        if (!in.Valid() || !o.Valid() || !e.Valid()) return run;
        std::wstring commandLine;
        for (const auto& a : args) commandLine += (commandLine.empty() ? L"" : L" ") + QuotedArgument(xls::PathFromUtf8(a));
        const fs::path program = xls::PathFromUtf8(args.at(0)).make_preferred();
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.Get();
        startup.hStdOutput = o.Get();
        startup.hStdError = e.Get();
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                            nullptr, &startup, &process))
            return run;
        const THandle processHandle(process.hProcess), threadHandle(process.hThread);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) run.Code = static_cast<int>(code);
    }
    run.Out = FileText(out);
    run.Err = FileText(err);
    return run;
}

// Wine starts Unix programs but hands back no handle to wait on: the shell
// around the reader writes its exit code last, and the test waits for it.
TRun RunPythonReader(const std::string& script, const std::vector<std::string>& options, const fs::path& file)
{
    const TUnixName unixName = WineUnixName();
    if (!unixName) return {-1, "", "the Python readers run on Wine's Unix side only\n"};
    TTempDir io("testproc");
    std::string command = "/usr/bin/python3 " + ShellQuoted(std::string(TAGSTATION_TEST_TOOLS_DIR) + "/" + script);
    for (const auto& o : options) command += " " + ShellQuoted(o);
    command += " " + ShellQuoted(UnixPath(unixName, file));
    const std::string folder = UnixPath(unixName, io.Path());
    std::ofstream(io / "run.sh", std::ios::binary)
        << "cd " << ShellQuoted(folder) << " || exit\n"
        << command << " >stdout 2>stderr\n"
        << "echo $? >code.part && mv code.part code\n";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"/bin/sh " + QuotedArgument(xls::PathFromUtf8(UnixPath(unixName, io / "run.sh")));
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return {};
    const THandle processHandle(process.hProcess), threadHandle(process.hThread);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!fs::exists(io / "code")) {
        if (std::chrono::steady_clock::now() > deadline) return {-1, "", "the Python reader did not finish\n"};
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {std::stoi(FileText(io / "code")), FileText(io / "stdout"), FileText(io / "stderr")};
}

struct THeldFile::TProcess {
    THandle Input;  // closing it ends the holder
    THandle Output;
    THandle Process;
};

THeldFile::THeldFile(const fs::path& file, const std::string& access, const std::string& share)
    : FProcess(std::make_unique<TProcess>())
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, parentIn = nullptr, parentOut = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &parentIn, &inherit, 0) || !CreatePipe(&parentOut, &childOut, &inherit, 0))
        throw std::runtime_error("no pipe for the holding process");
    const THandle childInput(childIn), childOutput(childOut);
    FProcess->Input.Reset(parentIn);
    FProcess->Output.Reset(parentOut);
    SetHandleInformation(parentIn, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(parentOut, HANDLE_FLAG_INHERIT, 0);

    const fs::path program = xls::PathFromUtf8(TAGSTATION_HOLDFILE).make_preferred();
    std::wstring commandLine = QuotedArgument(program) + L" " + QuotedArgument(file.native()) + L" " +
                               QuotedArgument(xls::PathFromUtf8(access)) + L" " + QuotedArgument(xls::PathFromUtf8(share));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        throw std::runtime_error("the holding process did not start");
    CloseHandle(process.hThread);
    FProcess->Process.Reset(process.hProcess);
    // Its first line tells whether it holds the file.
    char c = 0;
    DWORD n = 0;
    while (ReadFile(FProcess->Output.Get(), &c, 1, &n, nullptr) && n == 1 && c != '\n')
        if (c != '\r') FState += c;
}

THeldFile::~THeldFile()
{
    FProcess->Input.Close();
    WaitForSingleObject(FProcess->Process.Get(), 10000);
}

fs::path TestProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace testproc
