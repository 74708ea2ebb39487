#include "ReaderChoice.h"

#include "D2xxLibraryDriver.h"
#include "SimulatedFt232Driver.h"
#ifndef _WIN32
#include "SerialPortDriver.h"
#endif

namespace tagstation {

namespace {

bool DeviceAnswers(TFtdiDriver& driver)
{
    FT_HANDLE handle = 0;
    if (driver.FT_Open(0, &handle) != FT_OK) return false;
    driver.FT_Close(handle);
    return true;
}

TReader SerialReader(const std::string& device)
{
#ifdef _WIN32
    (void)device;
    return {nullptr, nullptr, "serial ports are not supported on Windows; use the D2XX driver"};
#else
    return {std::make_unique<TSerialPortDriver>(device), nullptr,
            device.empty() ? "serial port of the first FT232 (ftdi_sio)" : "serial port " + device};
#endif
}

}  // namespace

std::optional<TReaderChoice> ParseReaderChoice(std::string_view text)
{
    TReaderChoice choice;
    if (text == "auto") return choice;
    if (text == "d2xx") {
        choice.Kind = TReaderChoice::TKind::D2xx;
        return choice;
    }
    if (text == "serial" || (text.starts_with("serial:") && text.size() > 7)) {
        choice.Kind = TReaderChoice::TKind::Serial;
        if (text.size() > 7) choice.SerialDevice = std::string(text.substr(7));
        return choice;
    }
    if (text == "sim" || text == "sim:cancel" || text == "sim:ignore") {
        choice.Kind = TReaderChoice::TKind::Simulated;
        if (text == "sim:ignore") choice.SimulatedReaction = TPn532Model::TBadChecksumReaction::Ignored;
        return choice;
    }
    return std::nullopt;
}

TReader MakeReader(const TReaderChoice& choice, const std::shared_ptr<TTickClock>& clock)
{
    switch (choice.Kind) {
    case TReaderChoice::TKind::Simulated: {
        auto simulator = std::make_unique<TSimulatedFt232Driver>(clock, choice.SimulatedReaction);
        TSimulatedFt232Driver* raw = simulator.get();
        return {std::move(simulator), raw, "simulated FT232 with PN532"};
    }
    case TReaderChoice::TKind::D2xx: {
        auto library = TD2xxLibraryDriver::Load();
        if (!library) return {nullptr, nullptr, std::string(TD2xxLibraryDriver::DefaultLibraryName()) + " not found"};
        return {std::move(library), nullptr, "D2XX library"};
    }
    case TReaderChoice::TKind::Serial:
        return SerialReader(choice.SerialDevice);
    case TReaderChoice::TKind::Auto:
        break;
    }
    if (auto library = TD2xxLibraryDriver::Load(); library && DeviceAnswers(*library))
        return {std::move(library), nullptr, "D2XX library"};
    return SerialReader({});
}

}  // namespace tagstation
