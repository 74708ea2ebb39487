#include "base/UXlsPaths.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace xls {

namespace fs = std::filesystem;

#ifdef _WIN32

namespace {

// Paths from this length on are too long for some of the classic calls
// (a folder name may take 248 characters, a file name 260).
constexpr std::size_t kClassicLimit = 248;

std::wstring WideFromUtf8(std::string_view text)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
    return wide;
}

std::string Utf8FromWide(std::wstring_view text)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::wstring FullPath(const std::wstring& path)
{
    std::wstring full(path.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return path;
        if (n < full.size()) {
            full.resize(n);
            return full;
        }
        full.resize(n);
    }
}

}  // namespace

fs::path PathFromUtf8(std::string_view name) { return fs::path(WideFromUtf8(name)); }

std::string Utf8FromPath(const fs::path& path) { return Utf8FromWide(path.native()); }

fs::path LongPathForm(const fs::path& path)
{
    const std::wstring& text = path.native();
    if (text.size() < kClassicLimit || text.starts_with(LR"(\\?\)")) return path;
    // The prefix turns off the name rules, so the path must be complete and
    // in its final form first: absolute, backslashes, no "." or "..".
    const std::wstring full = FullPath(text);
    if (full.starts_with(LR"(\\?\)")) return full;
    if (full.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + full.substr(2);
    return LR"(\\?\)" + full;
}

#else

fs::path PathFromUtf8(std::string_view name) { return fs::path(name); }

std::string Utf8FromPath(const fs::path& path) { return path.string(); }

fs::path LongPathForm(const fs::path& path) { return path; }

#endif

fs::path FileSystemPath(std::string_view name) { return LongPathForm(PathFromUtf8(name)); }

}  // namespace xls
