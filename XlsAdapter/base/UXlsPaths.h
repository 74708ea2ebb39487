// File names as the engine's interface carries them (UTF-8 text) and as the
// file system takes them: UTF-16 on Windows, where a path longer than the
// classic 260-character limit also needs the "\\?\" form; bytes elsewhere.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace xls {

std::filesystem::path PathFromUtf8(std::string_view name);
std::string Utf8FromPath(const std::filesystem::path& path);

// The form of a path that the file functions take at any length: on Windows
// a long path made absolute with the "\\?\" prefix; elsewhere, and for short
// paths, the path itself.
std::filesystem::path LongPathForm(const std::filesystem::path& path);
// The path that the file functions are given for a file name.
std::filesystem::path FileSystemPath(std::string_view name);

}  // namespace xls
