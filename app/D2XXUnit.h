// The reader link: the one FTDI device the station talks to, its line
// settings, one receive and one transmit buffer, and one operation per D2XX
// call. Each operation returns the call's status (the transfers: the byte
// count) and hands failures to the error report.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "FtdiDriver.h"
#include "StationBytes.h"

namespace tagstation {

// The text that the error report shows for a failed call: the label directly
// followed by the status's message.
std::string FtErrorText(std::string_view label, FT_STATUS status);

class TD2XXLink {
public:
    static constexpr std::size_t RxBufferSize = 1024 * 1024;
    static constexpr std::size_t TxBufferSize = 32 * 1024;

    using TErrorDialog = std::function<void(const std::string& text)>;

    TD2XXLink(std::unique_ptr<TFtdiDriver> driver, TErrorDialog errorDialog);

    // Line settings; the main window sets them before the first open.
    std::uint32_t BaudRate = 0;
    std::uint8_t DataBits = 0;
    std::uint8_t StopBits = 0;
    std::uint8_t Parity = 0;
    // When false, failed calls show no dialog.
    bool ErrorReportEnabled = true;

    std::int32_t OpenDevice();
    std::int32_t CloseDevice();
    std::int32_t ResetDevice();
    std::int32_t PurgeReceive();
    std::int32_t PurgeTransmit();
    std::int32_t SetBaudRate();
    std::int32_t SetDataCharacteristics();
    std::int32_t SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs);
    std::int32_t GetQueueStatus();
    // Send the first `count` bytes of the transmit buffer / read up to `count`
    // bytes into the start of the receive buffer. Both return the bytes moved;
    // a count beyond the buffer is cut to the buffer's size.
    std::int32_t WriteBuffer(std::int32_t count);
    std::int32_t ReadBuffer(std::int32_t count);

    void ReportError(std::string_view label, FT_STATUS status);

    TByteSpan TxBuffer() { return FTxBuffer; }
    TByteView RxBuffer() const { return FRxBuffer; }
    FT_HANDLE DeviceHandle() const { return FDeviceHandle; }
    std::uint32_t RxQueueCount() const { return FRxQueueCount; }
    TFtdiDriver& Driver() { return *FDriver; }

private:
    std::int32_t Checked(std::string_view label, FT_STATUS status);

    std::unique_ptr<TFtdiDriver> FDriver;
    TErrorDialog FErrorDialog;
    std::uint32_t FDeviceIndex = 0;  // nothing changes it: the first device is used
    FT_HANDLE FDeviceHandle = 0;
    std::uint32_t FRxQueueCount = 0;
    TBytes FRxBuffer;
    TBytes FTxBuffer;
};

}  // namespace tagstation
