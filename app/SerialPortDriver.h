// The D2XX call contract over the operating system's serial port (POSIX
// termios): on Linux the kernel's ftdi_sio driver turns an FT232 into
// /dev/ttyUSBn. The line runs raw; the time-outs are kept here and applied
// with poll(), so FT_Read returns what arrived when its time-out ends.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

#include "FtdiDriver.h"

namespace tagstation {

class TSerialPortDriver final : public TFtdiDriver {
public:
    // With a device path, that port is device 0. Without one, the devices are
    // the FT232 ports found in sysfs at the time of FT_Open, in order.
    explicit TSerialPortDriver(std::string devicePath = {}, std::filesystem::path sysfsRoot = "/sys");
    ~TSerialPortDriver() override;
    TSerialPortDriver(const TSerialPortDriver&) = delete;
    TSerialPortDriver& operator=(const TSerialPortDriver&) = delete;

    FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle) override;
    FT_STATUS FT_Close(FT_HANDLE handle) override;
    FT_STATUS FT_ResetDevice(FT_HANDLE handle) override;
    FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) override;
    FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate) override;
    FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                        std::uint8_t parity) override;
    FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeoutMs, std::uint32_t writeTimeoutMs) override;
    FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes) override;
    FT_STATUS FT_Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t bytesToWrite,
                       std::uint32_t* bytesWritten) override;
    FT_STATUS FT_Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t bytesToRead,
                      std::uint32_t* bytesReturned) override;

    // The port that FT_Open opened last (empty while closed).
    const std::string& OpenPath() const { return FOpenPath; }

private:
    std::string DevicePath(int deviceNumber) const;
    bool Valid(FT_HANDLE handle) const { return handle != 0 && handle == FHandle; }
    void CloseFd();

    std::string FFixedPath;
    std::filesystem::path FSysfsRoot;
    int FFd = -1;
    std::string FOpenPath;
    dev_t FOpenDevice = 0;
    FT_HANDLE FHandle = 0;
    FT_HANDLE FLastHandle = 0;
    std::uint32_t FReadTimeout = 0;   // 0: wait for all bytes, as D2XX does
    std::uint32_t FWriteTimeout = 0;
};

}  // namespace tagstation
