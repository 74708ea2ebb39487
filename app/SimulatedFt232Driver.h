// A simulated FT232 with a PN532 behind it. The FT232 side keeps the line
// settings, the time-outs and a receive queue that keeps whatever a read
// leaves behind; the PN532 only understands the host while the line runs at
// its 115200 8N1. A tag can be put on and taken off, and the device can be
// unplugged and plugged in again (which powers the PN532 down).
//
// For tests it records every call and every write, and any call can be made
// to fail with a chosen status.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FtdiDriver.h"
#include "Pn532Model.h"
#include "TickClock.h"

namespace tagstation {

class TSimulatedFt232Driver final : public TFtdiDriver {
public:
    TSimulatedFt232Driver(std::shared_ptr<TTickClock> clock, TPn532Model::TBadChecksumReaction reaction);

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

    void PutTag(const TPn532Model::TUid& uid);
    void PutTag(const pn532::TTypeATarget& target);
    void TakeTag();
    void Unplug();
    void Plug();
    bool Plugged() const { return FPlugged; }
    bool IsOpen() const { return FOpenHandle != 0; }

    // Bytes that arrive from the device as if the PN532 had sent them.
    void QueueFromDevice(TByteView bytes);
    std::size_t QueuedFromDevice() const { return FRxQueue.size(); }

    // The PN532's answer to the next write is replaced by these bytes (the
    // chip still takes the frame in).
    void ReplaceNextReply(TBytes bytes) { FNextReply = std::move(bytes); }

    // Every later call of that name (e.g. "FT_SetBaudRate") fails with `status`.
    void FailCall(const std::string& call, FT_STATUS status) { FFailures[call] = status; }
    void ClearFailures() { FFailures.clear(); }

    const std::vector<std::string>& Calls() const { return FCalls; }
    const std::vector<TBytes>& Writes() const { return FWrites; }
    void ClearRecords();

    std::uint32_t BaudRate() const { return FBaudRate; }
    std::uint8_t WordLength() const { return FWordLength; }
    std::uint8_t StopBits() const { return FStopBits; }
    std::uint8_t Parity() const { return FParity; }
    std::uint32_t ReadTimeout() const { return FReadTimeout; }
    std::uint32_t WriteTimeout() const { return FWriteTimeout; }
    const TPn532Model& Pn532() const { return FPn532; }

private:
    // Records the call and checks the handle and any injected failure.
    FT_STATUS Enter(const char* call, FT_HANDLE handle);
    bool LineMatchesPn532() const;
    void ResetLine();

    std::shared_ptr<TTickClock> FClock;
    TPn532Model FPn532;
    bool FPlugged = true;
    unsigned FPlugGeneration = 1;   // counts plug-ins; a handle is good for one only
    unsigned FOpenGeneration = 0;
    FT_HANDLE FOpenHandle = 0;
    FT_HANDLE FLastHandle = 0;
    std::deque<std::uint8_t> FRxQueue;
    std::uint32_t FBaudRate = 0;
    std::uint8_t FWordLength = 0;
    std::uint8_t FStopBits = 0;
    std::uint8_t FParity = 0;
    std::uint32_t FReadTimeout = 0;
    std::uint32_t FWriteTimeout = 0;
    std::optional<TBytes> FNextReply;
    std::map<std::string, FT_STATUS> FFailures;
    std::vector<std::string> FCalls;
    std::vector<TBytes> FWrites;
};

}  // namespace tagstation
