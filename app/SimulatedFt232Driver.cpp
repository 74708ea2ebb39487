#include "SimulatedFt232Driver.h"

#include <algorithm>

namespace tagstation {

namespace {

// What an FT232 comes up with after plug-in.
constexpr std::uint32_t PowerOnBaudRate = 9600;
constexpr std::uint32_t Pn532BaudRate = 115200;

}  // namespace

TSimulatedFt232Driver::TSimulatedFt232Driver(std::shared_ptr<TTickClock> clock,
                                             TPn532Model::TBadChecksumReaction reaction)
    : FClock(std::move(clock)), FPn532(reaction)
{
    ResetLine();
}

void TSimulatedFt232Driver::ResetLine()
{
    FBaudRate = PowerOnBaudRate;
    FWordLength = FT_BITS_8;
    FStopBits = FT_STOP_BITS_1;
    FParity = FT_PARITY_NONE;
    FReadTimeout = 0;
    FWriteTimeout = 0;
}

bool TSimulatedFt232Driver::LineMatchesPn532() const
{
    return FBaudRate == Pn532BaudRate && FWordLength == FT_BITS_8 && FStopBits == FT_STOP_BITS_1 &&
           FParity == FT_PARITY_NONE;
}

FT_STATUS TSimulatedFt232Driver::Enter(const char* call, FT_HANDLE handle)
{
    FCalls.emplace_back(call);
    if (auto failure = FFailures.find(call); failure != FFailures.end()) return failure->second;
    if (handle == 0 || handle != FOpenHandle) return FT_INVALID_HANDLE;
    if (!FPlugged || FOpenGeneration != FPlugGeneration) return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS TSimulatedFt232Driver::FT_Open(int deviceNumber, FT_HANDLE* handle)
{
    FCalls.emplace_back("FT_Open");
    if (auto failure = FFailures.find("FT_Open"); failure != FFailures.end()) return failure->second;
    if (!FPlugged || deviceNumber != 0) return FT_DEVICE_NOT_FOUND;
    if (FOpenHandle != 0 && FOpenGeneration == FPlugGeneration) return FT_DEVICE_NOT_OPENED;  // already in use
    FOpenHandle = ++FLastHandle;
    FOpenGeneration = FPlugGeneration;
    *handle = FOpenHandle;
    return FT_OK;
}

FT_STATUS TSimulatedFt232Driver::FT_Close(FT_HANDLE handle)
{
    FCalls.emplace_back("FT_Close");
    if (auto failure = FFailures.find("FT_Close"); failure != FFailures.end()) return failure->second;
    if (handle == 0 || handle != FOpenHandle) return FT_INVALID_HANDLE;
    FOpenHandle = 0;  // closing a handle of an unplugged device still releases it
    return FT_OK;
}

FT_STATUS TSimulatedFt232Driver::FT_ResetDevice(FT_HANDLE handle)
{
    const FT_STATUS status = Enter("FT_ResetDevice", handle);
    if (status == FT_OK) FRxQueue.clear();
    return status;
}

FT_STATUS TSimulatedFt232Driver::FT_Purge(FT_HANDLE handle, std::uint32_t mask)
{
    const FT_STATUS status = Enter("FT_Purge", handle);
    if (status != FT_OK) return status;
    if ((mask & ~(FT_PURGE_RX | FT_PURGE_TX)) != 0) return FT_INVALID_PARAMETER;
    if (mask & FT_PURGE_RX) FRxQueue.clear();
    return FT_OK;  // writes go out at once: the transmit side never holds anything
}

FT_STATUS TSimulatedFt232Driver::FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate)
{
    const FT_STATUS status = Enter("FT_SetBaudRate", handle);
    if (status != FT_OK) return status;
    if (baudRate < 300 || baudRate > 3'000'000) return FT_INVALID_BAUD_RATE;
    FBaudRate = baudRate;
    return FT_OK;
}

FT_STATUS TSimulatedFt232Driver::FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength,
                                                           std::uint8_t stopBits, std::uint8_t parity)
{
    const FT_STATUS status = Enter("FT_SetDataCharacteristics", handle);
    if (status != FT_OK) return status;
    const bool valid = (wordLength == FT_BITS_7 || wordLength == FT_BITS_8) &&
                       (stopBits == FT_STOP_BITS_1 || stopBits == FT_STOP_BITS_2) && parity <= 4;
    if (!valid) return FT_INVALID_PARAMETER;
    FWordLength = wordLength;
    FStopBits = stopBits;
    FParity = parity;
    return FT_OK;
}

FT_STATUS TSimulatedFt232Driver::FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeoutMs,
                                                std::uint32_t writeTimeoutMs)
{
    const FT_STATUS status = Enter("FT_SetTimeouts", handle);
    if (status != FT_OK) return status;
    FReadTimeout = readTimeoutMs;
    FWriteTimeout = writeTimeoutMs;
    return FT_OK;
}

FT_STATUS TSimulatedFt232Driver::FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes)
{
    const FT_STATUS status = Enter("FT_GetQueueStatus", handle);
    if (status == FT_OK) *rxBytes = static_cast<std::uint32_t>(FRxQueue.size());
    return status;
}

FT_STATUS TSimulatedFt232Driver::FT_Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t bytesToWrite,
                                          std::uint32_t* bytesWritten)
{
    *bytesWritten = 0;
    const FT_STATUS status = Enter("FT_Write", handle);
    if (status != FT_OK) return status;
    const TByteView bytes(buffer, bytesToWrite);
    FWrites.emplace_back(bytes.begin(), bytes.end());
    *bytesWritten = bytesToWrite;
    // At a wrong baud rate or frame format the PN532 sees only garbage.
    TBytes reply = LineMatchesPn532() ? FPn532.Receive(bytes) : TBytes();
    if (FNextReply) {
        reply = std::move(*FNextReply);
        FNextReply.reset();
    }
    QueueFromDevice(reply);
    return FT_OK;
}

FT_STATUS TSimulatedFt232Driver::FT_Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t bytesToRead,
                                         std::uint32_t* bytesReturned)
{
    *bytesReturned = 0;
    const FT_STATUS status = Enter("FT_Read", handle);
    if (status != FT_OK) return status;
    // The simulated PN532 answers at once, so a short queue stays short: the
    // read waits out its time-out (0 means none here) and returns what is there.
    if (FRxQueue.size() < bytesToRead) FClock->Sleep(FReadTimeout);
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(bytesToRead, FRxQueue.size()));
    std::copy_n(FRxQueue.begin(), count, buffer);
    FRxQueue.erase(FRxQueue.begin(), FRxQueue.begin() + count);
    *bytesReturned = count;
    return FT_OK;
}

void TSimulatedFt232Driver::QueueFromDevice(TByteView bytes) { FRxQueue.insert(FRxQueue.end(), bytes.begin(), bytes.end()); }

void TSimulatedFt232Driver::PutTag(const TPn532Model::TUid& uid) { PutTag(TPn532Model::TargetWithUid(uid)); }

void TSimulatedFt232Driver::PutTag(const pn532::TTypeATarget& target)
{
    const TBytes reply = FPn532.PutTag(target);
    if (FPlugged && IsOpen()) QueueFromDevice(reply);
}

void TSimulatedFt232Driver::TakeTag() { FPn532.TakeTag(); }

void TSimulatedFt232Driver::Unplug()
{
    FPlugged = false;
    FRxQueue.clear();
    FPn532.PowerCycle();
}

void TSimulatedFt232Driver::Plug()
{
    if (FPlugged) return;
    FPlugged = true;
    ++FPlugGeneration;
    ResetLine();
}

void TSimulatedFt232Driver::ClearRecords()
{
    FCalls.clear();
    FWrites.clear();
}

}  // namespace tagstation
