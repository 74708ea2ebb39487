// Holds a file open the way another program would, for the tests of saving
// on Windows:  holdfile PATH ACCESS SHARE
// ACCESS is r, w or rw; SHARE the letters of what others may do meanwhile
// (r read, w write, d delete) or "-". Prints "held" once the file is open
// (or "error N" with the system's error code) and keeps it open until its
// standard input ends.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

DWORD AccessOf(const std::wstring& letters)
{
    DWORD access = 0;
    if (letters.find(L'r') != std::wstring::npos) access |= GENERIC_READ;
    if (letters.find(L'w') != std::wstring::npos) access |= GENERIC_WRITE;
    return access;
}

DWORD ShareOf(const std::wstring& letters)
{
    DWORD share = 0;
    if (letters.find(L'r') != std::wstring::npos) share |= FILE_SHARE_READ;
    if (letters.find(L'w') != std::wstring::npos) share |= FILE_SHARE_WRITE;
    if (letters.find(L'd') != std::wstring::npos) share |= FILE_SHARE_DELETE;
    return share;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fputs("usage: holdfile PATH ACCESS SHARE\n", stderr);
        return 2;
    }
    const HANDLE file =
        CreateFileW(argv[1], AccessOf(argv[2]), ShareOf(argv[3]), nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("error %lu\n", GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
