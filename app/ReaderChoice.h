// Which reader backend the station talks to, from its --reader option.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "FtdiDriver.h"
#include "PcscApi.h"
#include "Pn532Model.h"
#include "TickClock.h"

namespace tagstation {

class TSimulatedFt232Driver;

struct TReaderChoice {
    enum class TKind { Auto, D2xx, Serial, Simulated, Pcsc };
    TKind Kind = TKind::Auto;
    std::string SerialDevice;  // empty: the first FT232 port found
    std::string PcscReader;    // empty: the first PC/SC reader
    TPn532Model::TBadChecksumReaction SimulatedReaction = TPn532Model::TBadChecksumReaction::CancelsPendingCommand;
};

// "auto", "d2xx", "serial", "serial:DEVICE", "sim", "sim:cancel", "sim:ignore",
// "pcsc", "pcsc:NAME"; nothing for anything else.
std::optional<TReaderChoice> ParseReaderChoice(std::string_view text);

// An FT232 driver or a PC/SC library; neither when the choice cannot be
// served here.
struct TReader {
    std::unique_ptr<TFtdiDriver> Driver;
    TSimulatedFt232Driver* Simulator = nullptr;  // the driver, when it is the simulated one
    std::unique_ptr<TPcscApi> Pcsc;
    std::string PcscReader;
    std::string Description;
};

// auto: the D2XX library when it loads and finds a device, else the serial
// port of an FT232 that is plugged in, else the PC/SC library when it lists
// a reader, else the serial port (which waits for an FT232).
TReader MakeReader(const TReaderChoice& choice, const std::shared_ptr<TTickClock>& clock);

}  // namespace tagstation
