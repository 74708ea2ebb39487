#include "TestProcess.h"

#include "base/UXlsPaths.h"

#include <algorithm>
#include <random>
#include <stdexcept>

namespace testproc {

TTempDir::TTempDir(const std::string& prefix)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / (prefix + "-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            FPath = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made");
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
}

std::vector<std::string> TTempDir::Names() const
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(FPath)) names.push_back(xls::Utf8FromPath(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testproc
