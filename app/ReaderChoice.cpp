#include "ReaderChoice.h"

#include "D2xxLibraryDriver.h"
#include "SimulatedFt232Driver.h"
#ifndef _WIN32
#include "Ft232Ports.h"
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

TReader FtdiReader(std::unique_ptr<TFtdiDriver> driver, std::string description)
{
    TReader reader;
    reader.Driver = std::move(driver);
    reader.Description = std::move(description);
    return reader;
}

TReader SerialReader(const std::string& device)
{
#ifdef _WIN32
    (void)device;
    return FtdiReader(nullptr, "serial ports are not supported on Windows; use the D2XX driver");
#else
    return FtdiReader(std::make_unique<TSerialPortDriver>(device),
                      device.empty() ? "serial port of the first FT232 (ftdi_sio)" : "serial port " + device);
#endif
}

bool Ft232PortPlugged()
{
#ifdef _WIN32
    return false;
#else
    return !FindFt232SerialPorts().empty();
#endif
}

TReader PcscReader(std::unique_ptr<TPcscApi> api, const std::string& name)
{
    TReader reader;
    reader.Description = api ? "PC/SC reader" + (name.empty() ? std::string() : " \"" + name + "\"")
                             : std::string(PcscLibraryName()) + " not found";
    reader.Pcsc = std::move(api);
    reader.PcscReader = name;
    return reader;
}

bool ListsAReader(TPcscApi& api)
{
    TPcscApi::TContext context = 0;
    if (api.EstablishContext(context) != ScardSuccess) return false;
    std::vector<std::string> readers;
    const bool listed = api.ListReaders(context, readers) == ScardSuccess && !readers.empty();
    api.ReleaseContext(context);
    return listed;
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
    if (text == "pcsc" || (text.starts_with("pcsc:") && text.size() > 5)) {
        choice.Kind = TReaderChoice::TKind::Pcsc;
        if (text.size() > 5) choice.PcscReader = std::string(text.substr(5));
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
        TReader reader = FtdiReader(std::move(simulator), "simulated FT232 with PN532");
        reader.Simulator = raw;
        return reader;
    }
    case TReaderChoice::TKind::D2xx: {
        auto library = TD2xxLibraryDriver::Load();
        if (!library) return FtdiReader(nullptr, std::string(TD2xxLibraryDriver::DefaultLibraryName()) + " not found");
        return FtdiReader(std::move(library), "D2XX library");
    }
    case TReaderChoice::TKind::Serial:
        return SerialReader(choice.SerialDevice);
    case TReaderChoice::TKind::Pcsc:
        return PcscReader(LoadPcscLibrary(), choice.PcscReader);
    case TReaderChoice::TKind::Auto:
        break;
    }
    if (auto library = TD2xxLibraryDriver::Load(); library && DeviceAnswers(*library))
        return FtdiReader(std::move(library), "D2XX library");
    if (!Ft232PortPlugged())
        if (auto pcsc = LoadPcscLibrary(); pcsc && ListsAReader(*pcsc)) return PcscReader(std::move(pcsc), {});
    return SerialReader({});
}

}  // namespace tagstation
