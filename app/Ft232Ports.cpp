#include "Ft232Ports.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace tagstation {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view FtdiVendorId = "0403";
constexpr std::string_view Ft232ProductId = "6001";
constexpr std::string_view PortPrefix = "ttyUSB";
// sysfs: .../<usb device>/<interface>/<port>; the ids sit on the USB device.
constexpr int MaxLevelsUp = 4;

std::string ReadFirstWord(const fs::path& file)
{
    std::ifstream in(file);
    std::string word;
    in >> word;
    return word;
}

bool IsFt232(const fs::path& portDevice)
{
    std::error_code ec;
    fs::path dir = fs::canonical(portDevice, ec);
    if (ec) return false;
    for (int level = 0; level <= MaxLevelsUp && dir.has_relative_path(); ++level, dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec))
            return ReadFirstWord(dir / "idVendor") == FtdiVendorId && ReadFirstWord(dir / "idProduct") == Ft232ProductId;
    }
    return false;
}

unsigned long PortNumber(const std::string& name)
{
    const std::string digits = name.substr(PortPrefix.size());
    if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return ~0ul;
    return std::stoul(digits);
}

}  // namespace

std::vector<std::string> FindFt232SerialPorts(const fs::path& sysfsRoot, const fs::path& devRoot)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysfsRoot / "class" / "tty", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(PortPrefix) && IsFt232(entry.path() / "device")) names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return PortNumber(a) < PortNumber(b); });
    std::vector<std::string> paths;
    for (const auto& name : names) paths.push_back((devRoot / name).string());
    return paths;
}

}  // namespace tagstation
