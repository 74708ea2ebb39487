// Finds the serial ports that the kernel's ftdi_sio driver made for FT232
// bridges (USB vendor 0403, product 6001), through sysfs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tagstation {

// Device paths such as /dev/ttyUSB0, in port-number order.
std::vector<std::string> FindFt232SerialPorts(const std::filesystem::path& sysfsRoot = "/sys",
                                              const std::filesystem::path& devRoot = "/dev");

}  // namespace tagstation
