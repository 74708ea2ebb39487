#include "SerialPortDriver.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "Ft232Ports.h"

namespace tagstation {

namespace {

using TClock = std::chrono::steady_clock;

struct TBaudRate {
    std::uint32_t Rate;
    speed_t Speed;
};

constexpr TBaudRate BaudRates[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

// Milliseconds left until `deadline`, for poll(); -1 waits without end.
int RemainingMs(bool unbounded, TClock::time_point deadline)
{
    if (unbounded) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool HungUp(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) < 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

FT_STATUS ChangeTermios(int fd, auto change)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) return FT_IO_ERROR;
    if (FT_STATUS status = change(t); status != FT_OK) return status;
    return tcsetattr(fd, TCSANOW, &t) == 0 ? FT_OK : FT_IO_ERROR;
}

}  // namespace

TSerialPortDriver::TSerialPortDriver(std::string devicePath, std::filesystem::path sysfsRoot)
    : FFixedPath(std::move(devicePath)), FSysfsRoot(std::move(sysfsRoot))
{
}

TSerialPortDriver::~TSerialPortDriver() { CloseFd(); }

void TSerialPortDriver::CloseFd()
{
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    FHandle = 0;
    FOpenPath.clear();
}

std::string TSerialPortDriver::DevicePath(int deviceNumber) const
{
    if (!FFixedPath.empty()) return deviceNumber == 0 ? FFixedPath : std::string();
    const auto ports = FindFt232SerialPorts(FSysfsRoot);
    if (deviceNumber < 0 || static_cast<std::size_t>(deviceNumber) >= ports.size()) return {};
    return ports[static_cast<std::size_t>(deviceNumber)];
}

FT_STATUS TSerialPortDriver::FT_Open(int deviceNumber, FT_HANDLE* handle)
{
    if (FFd >= 0) return FT_DEVICE_NOT_OPENED;  // one port at a time
    const std::string path = DevicePath(deviceNumber);
    if (path.empty()) return FT_DEVICE_NOT_FOUND;

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENXIO || errno == ENODEV ? FT_DEVICE_NOT_FOUND : FT_DEVICE_NOT_OPENED;
    struct stat st{};
    termios t{};
    if (fstat(fd, &st) != 0 || tcgetattr(fd, &t) != 0) {  // not a terminal: not a serial port
        ::close(fd);
        return FT_DEVICE_NOT_OPENED;
    }
    ::ioctl(fd, TIOCEXCL);  // keep other programs off the reader while we use it
    // Raw bytes. VMIN 1 makes a non-blocking read with nothing queued fail
    // with EAGAIN, so a read of 0 bytes can only mean a hang-up.
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        ::close(fd);
        return FT_IO_ERROR;
    }
    FFd = fd;
    FOpenPath = path;
    FOpenDevice = st.st_rdev;
    FHandle = ++FLastHandle;
    *handle = FHandle;
    return FT_OK;
}

FT_STATUS TSerialPortDriver::FT_Close(FT_HANDLE handle)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    CloseFd();
    return FT_OK;
}

FT_STATUS TSerialPortDriver::FT_ResetDevice(FT_HANDLE handle)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    return tcflush(FFd, TCIOFLUSH) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS TSerialPortDriver::FT_Purge(FT_HANDLE handle, std::uint32_t mask)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    const bool rx = mask & FT_PURGE_RX;
    const bool tx = mask & FT_PURGE_TX;
    if ((mask & ~(FT_PURGE_RX | FT_PURGE_TX)) != 0) return FT_INVALID_PARAMETER;
    if (!rx && !tx) return FT_OK;
    return tcflush(FFd, rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS TSerialPortDriver::FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    for (const auto& b : BaudRates) {
        if (b.Rate != baudRate) continue;
        return ChangeTermios(FFd, [&](termios& t) { return cfsetspeed(&t, b.Speed) == 0 ? FT_OK : FT_INVALID_BAUD_RATE; });
    }
    return FT_INVALID_BAUD_RATE;
}

FT_STATUS TSerialPortDriver::FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength,
                                                       std::uint8_t stopBits, std::uint8_t parity)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    if ((wordLength != FT_BITS_7 && wordLength != FT_BITS_8) ||
        (stopBits != FT_STOP_BITS_1 && stopBits != FT_STOP_BITS_2) || parity > FT_PARITY_EVEN)
        return FT_INVALID_PARAMETER;
    return ChangeTermios(FFd, [&](termios& t) {
        t.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARENB | PARODD);
        t.c_cflag |= wordLength == FT_BITS_8 ? CS8 : CS7;
        if (stopBits == FT_STOP_BITS_2) t.c_cflag |= CSTOPB;
        if (parity != FT_PARITY_NONE) t.c_cflag |= PARENB;
        if (parity == FT_PARITY_ODD) t.c_cflag |= PARODD;
        return FT_OK;
    });
}

FT_STATUS TSerialPortDriver::FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeoutMs,
                                            std::uint32_t writeTimeoutMs)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    FReadTimeout = readTimeoutMs;
    FWriteTimeout = writeTimeoutMs;
    return FT_OK;
}

FT_STATUS TSerialPortDriver::FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    // Presence test: an unplugged adapter's tty is hung up and its device
    // node goes away (or comes back as another device).
    struct stat st{};
    if (::stat(FOpenPath.c_str(), &st) != 0 || st.st_rdev != FOpenDevice || HungUp(FFd)) return FT_IO_ERROR;
    int queued = 0;
    if (::ioctl(FFd, FIONREAD, &queued) != 0) return FT_IO_ERROR;
    *rxBytes = static_cast<std::uint32_t>(queued);
    return FT_OK;
}

FT_STATUS TSerialPortDriver::FT_Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t bytesToWrite,
                                      std::uint32_t* bytesWritten)
{
    *bytesWritten = 0;
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    const bool unbounded = FWriteTimeout == 0;
    const auto deadline = TClock::now() + std::chrono::milliseconds(FWriteTimeout);
    while (*bytesWritten < bytesToWrite) {
        const ssize_t n = ::write(FFd, buffer + *bytesWritten, bytesToWrite - *bytesWritten);
        if (n > 0) {
            *bytesWritten += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return FT_IO_ERROR;
        pollfd p{FFd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, RemainingMs(unbounded, deadline));
        if (ready == 0) break;  // time-out: report what went out
        if (ready < 0 && errno != EINTR) return FT_IO_ERROR;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return FT_IO_ERROR;
    }
    return FT_OK;
}

FT_STATUS TSerialPortDriver::FT_Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t bytesToRead,
                                     std::uint32_t* bytesReturned)
{
    *bytesReturned = 0;
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    const bool unbounded = FReadTimeout == 0;
    const auto deadline = TClock::now() + std::chrono::milliseconds(FReadTimeout);
    while (*bytesReturned < bytesToRead) {
        const ssize_t n = ::read(FFd, buffer + *bytesReturned, bytesToRead - *bytesReturned);
        if (n > 0) {
            *bytesReturned += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) return FT_IO_ERROR;  // hung up
        pollfd p{FFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, RemainingMs(unbounded, deadline));
        if (ready == 0) break;  // time-out: return what arrived
        if (ready < 0 && errno != EINTR) return FT_IO_ERROR;
    }
    return FT_OK;
}

}  // namespace tagstation
