// Which reader backend the station talks to, from its --reader option.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "FtdiDriver.h"
#include "Pn532Model.h"
#include "TickClock.h"

namespace tagstation {

class TSimulatedFt232Driver;

struct TReaderChoice {
    enum class TKind { Auto, D2xx, Serial, Simulated };
    TKind Kind = TKind::Auto;
    std::string SerialDevice;  // empty: the first FT232 port found
    TPn532Model::TBadChecksumReaction SimulatedReaction = TPn532Model::TBadChecksumReaction::CancelsPendingCommand;
};

// "auto", "d2xx", "serial", "serial:DEVICE", "sim", "sim:cancel", "sim:ignore";
// nothing for anything else.
std::optional<TReaderChoice> ParseReaderChoice(std::string_view text);

struct TReader {
    std::unique_ptr<TFtdiDriver> Driver;        // null: the choice cannot be served here
    TSimulatedFt232Driver* Simulator = nullptr;  // the driver, when it is the simulated one
    std::string Description;
};

// auto: the D2XX library when it loads and finds a device, else the serial port.
TReader MakeReader(const TReaderChoice& choice, const std::shared_ptr<TTickClock>& clock);

}  // namespace tagstation
