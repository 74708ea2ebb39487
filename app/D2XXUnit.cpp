#include "D2XXUnit.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace tagstation {

namespace {

constexpr std::array<std::string_view, 18> StatusMessages = {
    "",
    " - Invalid Handle...",
    " - Device Not Found....",
    " - Device Not Opened...",
    " - General IO Error...",
    " - Insufficient Resources...",
    " - Invalid Parameter ...",
    " - Invalid baud rate ...",
    " Device not opened for erase  ...",
    " Device not opened for write ...",
    " - Failed to write ...",
    " - EEPROM read Failed ...",
    " - EEPROM write failed ...",
    " - EEPROM erase failed ...",
    " - EEPROM not present ...",
    " - EEPROM not programmed ...",
    " - invalid Arguments ...",
    " - other error  ...",
};

std::uint32_t ClampCount(std::int32_t count, std::size_t bufferSize)
{
    if (count <= 0) return 0;
    return static_cast<std::uint32_t>(std::min<std::size_t>(static_cast<std::size_t>(count), bufferSize));
}

}  // namespace

std::string FtErrorText(std::string_view label, FT_STATUS status)
{
    std::string text(label);
    if (status < StatusMessages.size())
        text += StatusMessages[status];
    else
        text += " - unknown status " + std::to_string(status) + " ...";
    return text;
}

TD2XXLink::TD2XXLink(std::unique_ptr<TFtdiDriver> driver, TErrorDialog errorDialog)
    : FDriver(std::move(driver)), FErrorDialog(std::move(errorDialog)), FRxBuffer(RxBufferSize),
      FTxBuffer(TxBufferSize)
{
    if (!FDriver) throw std::invalid_argument("the reader link needs a driver");
}

std::int32_t TD2XXLink::Checked(std::string_view label, FT_STATUS status)
{
    ReportError(label, status);
    return static_cast<std::int32_t>(status);
}

std::int32_t TD2XXLink::OpenDevice()
{
    FT_HANDLE handle = 0;
    const FT_STATUS status = FDriver->FT_Open(static_cast<int>(FDeviceIndex), &handle);
    if (status == FT_OK) FDeviceHandle = handle;
    return Checked("FT_Open", status);
}

std::int32_t TD2XXLink::CloseDevice()
{
    const FT_STATUS status = FDriver->FT_Close(FDeviceHandle);
    // A handle is good for one close only; later calls must not reach a
    // device that the library may have handed out again.
    FDeviceHandle = 0;
    return Checked("FT_Close", status);
}

std::int32_t TD2XXLink::ResetDevice() { return Checked("FT_ResetDevice", FDriver->FT_ResetDevice(FDeviceHandle)); }

std::int32_t TD2XXLink::PurgeReceive() { return Checked("FT_Purge RX", FDriver->FT_Purge(FDeviceHandle, FT_PURGE_RX)); }

std::int32_t TD2XXLink::PurgeTransmit() { return Checked("FT_Purge TX", FDriver->FT_Purge(FDeviceHandle, FT_PURGE_TX)); }

std::int32_t TD2XXLink::SetBaudRate() { return Checked("FT_SetBaudRate", FDriver->FT_SetBaudRate(FDeviceHandle, BaudRate)); }

std::int32_t TD2XXLink::SetDataCharacteristics()
{
    return Checked("FT_SetDataCharacteristics",
                   FDriver->FT_SetDataCharacteristics(FDeviceHandle, DataBits, StopBits, Parity));
}

std::int32_t TD2XXLink::SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs)
{
    return Checked("FT_SetTimeouts", FDriver->FT_SetTimeouts(FDeviceHandle, readMs, writeMs));
}

std::int32_t TD2XXLink::GetQueueStatus()
{
    return Checked("FT_GetQueueStatus", FDriver->FT_GetQueueStatus(FDeviceHandle, &FRxQueueCount));
}

std::int32_t TD2XXLink::WriteBuffer(std::int32_t count)
{
    const std::uint32_t wanted = ClampCount(count, FTxBuffer.size());
    std::uint32_t written = 0;
    const FT_STATUS status = FDriver->FT_Write(FDeviceHandle, FTxBuffer.data(), wanted, &written);
    ReportError("FT_Write", status);
    return static_cast<std::int32_t>(std::min(written, wanted));
}

std::int32_t TD2XXLink::ReadBuffer(std::int32_t count)
{
    const std::uint32_t wanted = ClampCount(count, FRxBuffer.size());
    std::uint32_t read = 0;
    const FT_STATUS status = FDriver->FT_Read(FDeviceHandle, FRxBuffer.data(), wanted, &read);
    ReportError("FT_Read", status);
    return static_cast<std::int32_t>(std::min(read, wanted));
}

void TD2XXLink::ReportError(std::string_view label, FT_STATUS status)
{
    if (!ErrorReportEnabled || status == FT_OK || !FErrorDialog) return;
    FErrorDialog(FtErrorText(label, status));
}

}  // namespace tagstation
