// The reader link through the D2XX backend, which loads the vendor library at
// run time, here the stand-in library over a simulated FT232 with a PN532.
// The same tests run on Linux and, under Wine, on Windows; the call
// transcripts are kept in tests/link/expected and must match on both.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "D2XXUnit.h"
#include "D2xxLibraryDriver.h"
#include "ReaderChoice.h"
#include "StandInControls.h"

namespace {

using namespace tagstation;

// The frames the station sends: the wake-up block with SAMConfiguration, the
// target listing, and the version request it sends after it.
const TBytes kWakeUp = {0x55, 0x55, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x00, 0xFF, 0x03, 0xFD, 0xD4, 0x14, 0x01, 0x17, 0x01};
const TBytes kListTargets = {0x00, 0x00, 0xFF, 0x04, 0xFC, 0xD4, 0x4A, 0x02, 0x00, 0xE0, 0x00};
const TBytes kVersionRequest = {0x00, 0x00, 0xFF, 0x02, 0xFE, 0xD4, 0x02, 0x28, 0x00};
constexpr std::uint32_t kTimeoutMs = 300;
constexpr std::chrono::milliseconds kFrameGap(150);

std::string Expected(const std::string& name)
{
    std::ifstream f(std::string(TAGSTATION_LINK_EXPECTED_DIR) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TReaderChoice D2xxChoice()
{
    TReaderChoice choice;
    choice.Kind = TReaderChoice::TKind::D2xx;
    return choice;
}

// The D2XX backend as the station chooses it, with the link set up the way
// the main window sets it up.
struct TStation {
    TReader Reader = MakeReader(D2xxChoice(), std::make_shared<TSystemTickClock>());
    std::vector<std::string> Dialogs;
    std::unique_ptr<TD2XXLink> Link;

    TStation()
    {
        if (!Reader.Driver) return;
        Link = std::make_unique<TD2XXLink>(std::move(Reader.Driver),
                                           [this](const std::string& text) { Dialogs.push_back(text); });
        Link->BaudRate = 115200;
        Link->DataBits = FT_BITS_8;
        Link->StopBits = FT_STOP_BITS_1;
        Link->Parity = FT_PARITY_NONE;
        Link->ErrorReportEnabled = false;
    }

    std::int32_t Send(const TBytes& frame)
    {
        std::copy(frame.begin(), frame.end(), Link->TxBuffer().begin());
        const std::int32_t written = Link->WriteBuffer(static_cast<std::int32_t>(frame.size()));
        std::this_thread::sleep_for(kFrameGap);
        return written;
    }

    // What a tick does while the link is closed.
    void Connect()
    {
        ASSERT_EQ(Link->OpenDevice(), 0);
        EXPECT_EQ(Link->SetBaudRate(), 0);
        EXPECT_EQ(Link->SetDataCharacteristics(), 0);
        EXPECT_EQ(Link->ResetDevice(), 0);
        EXPECT_EQ(Link->SetTimeouts(kTimeoutMs, kTimeoutMs), 0);
        EXPECT_EQ(Send(kWakeUp), 24);
        EXPECT_EQ(Link->PurgeReceive(), 0);
        EXPECT_EQ(Link->PurgeTransmit(), 0);
    }

    // What a tick does while the link is open; the bytes read.
    TBytes Poll()
    {
        if (Link->GetQueueStatus() != 0) return {};
        Link->PurgeReceive();
        Send(kListTargets);
        Send(kVersionRequest);
        const std::int32_t read = Link->ReadBuffer(25);
        const TByteView bytes = Link->RxBuffer().first(static_cast<std::size_t>(read));
        return TBytes(bytes.begin(), bytes.end());
    }
};

TEST(D2xxLibraryPresent, ReadsATagThroughTheVendorLibrary)
{
    TStation station;
    ASSERT_TRUE(station.Link) << station.Reader.Description;
    EXPECT_EQ(station.Reader.Description, "D2XX library");
    const linktest::TStandInControls standIn(TD2xxLibraryDriver::DefaultLibraryName());
    standIn.TakeTranscript();  // the reader choice's own probing

    station.Connect();
    standIn.PutTag({0xDE, 0xAD, 0xBE, 0xEF});
    const TBytes reply = station.Poll();
    const TBytes expected = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x0C, 0xF4, 0xD5, 0x4B,
                             0x01, 0x01, 0x00, 0x04, 0x08, 0x04, 0xDE, 0xAD, 0xBE, 0xEF, 0x96, 0x00};
    EXPECT_EQ(reply, expected);
    station.Link->CloseDevice();
    EXPECT_EQ(standIn.TakeTranscript(), Expected("tag-read.transcript"));
    EXPECT_TRUE(station.Dialogs.empty());
}

// FT_Read returns once its time-out has passed, with the bytes that came: with
// no tag on the reader only the ACK of the listing.
TEST(D2xxLibraryPresent, AReadEndsWithItsTimeOut)
{
    TStation station;
    ASSERT_TRUE(station.Link);
    const linktest::TStandInControls standIn(TD2xxLibraryDriver::DefaultLibraryName());
    standIn.TakeTag();
    station.Connect();
    ASSERT_EQ(station.Link->GetQueueStatus(), 0);
    station.Send(kListTargets);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(station.Link->ReadBuffer(25), 6);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(kTimeoutMs - 10));
    EXPECT_LT(waited, std::chrono::milliseconds(kTimeoutMs + 1500));
    station.Link->CloseDevice();
}

// Failures come back as the library's statuses, and the error report names
// the call and the status when it is switched on.
TEST(D2xxLibraryPresent, StatusesOfAnUnpluggedDevice)
{
    TStation station;
    ASSERT_TRUE(station.Link);
    const linktest::TStandInControls standIn(TD2xxLibraryDriver::DefaultLibraryName());
    station.Connect();
    standIn.Unplug();
    EXPECT_EQ(station.Link->GetQueueStatus(), static_cast<std::int32_t>(FT_IO_ERROR));
    EXPECT_EQ(station.Link->CloseDevice(), 0);
    station.Link->ErrorReportEnabled = true;
    EXPECT_EQ(station.Link->OpenDevice(), static_cast<std::int32_t>(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(station.Dialogs, std::vector<std::string>{"FT_Open - Device Not Found...."});
    standIn.Plug();
    EXPECT_EQ(station.Link->OpenDevice(), 0);
    EXPECT_EQ(station.Link->CloseDevice(), 0);
}

TEST(D2xxLibraryPresent, ALibraryWithoutEveryCallIsRefused)
{
    EXPECT_TRUE(TD2xxLibraryDriver::Load(TAGSTATION_STANDIN_LIBRARY));
    EXPECT_FALSE(TD2xxLibraryDriver::Load(TAGSTATION_INCOMPLETE_LIBRARY));
    EXPECT_FALSE(TD2xxLibraryDriver::Load(std::string(TAGSTATION_INCOMPLETE_LIBRARY) + ".missing"));
}

// Run where the library cannot be found.
TEST(D2xxLibraryAbsent, TheReaderChoiceSaysSo)
{
    const TStation station;
    EXPECT_FALSE(station.Link);
    EXPECT_EQ(station.Reader.Description, std::string(TD2xxLibraryDriver::DefaultLibraryName()) + " not found");
}

}  // namespace
