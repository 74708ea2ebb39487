// The reader link: statuses, the error report and its texts, the buffers,
// and the run-time loading of the vendor library.
#include <QTest>
#include <functional>
#include <map>

#include "D2XXUnit.h"
#include "D2xxLibraryDriver.h"
#include "StationFixture.h"

using namespace tagstation;
using namespace tagstation::test;

namespace {

struct TLinkOnSimulator {
    std::shared_ptr<TManualClock> Clock = std::make_shared<TManualClock>();
    TSimulatedFt232Driver* Reader = nullptr;
    std::vector<std::string> Dialogs;
    std::unique_ptr<TD2XXLink> Link;

    TLinkOnSimulator()
    {
        auto reader = std::make_unique<TSimulatedFt232Driver>(Clock, TReaction::CancelsPendingCommand);
        Reader = reader.get();
        Link = std::make_unique<TD2XXLink>(std::move(reader), [this](const std::string& text) { Dialogs.push_back(text); });
    }
};

using TOperation = std::function<std::int32_t(TD2XXLink&)>;

const std::map<QString, TOperation>& Operations()
{
    static const std::map<QString, TOperation> operations = {
        {"OpenDevice", [](TD2XXLink& l) { return l.OpenDevice(); }},
        {"CloseDevice", [](TD2XXLink& l) { return l.CloseDevice(); }},
        {"ResetDevice", [](TD2XXLink& l) { return l.ResetDevice(); }},
        {"PurgeReceive", [](TD2XXLink& l) { return l.PurgeReceive(); }},
        {"PurgeTransmit", [](TD2XXLink& l) { return l.PurgeTransmit(); }},
        {"SetBaudRate", [](TD2XXLink& l) { return l.SetBaudRate(); }},
        {"SetDataCharacteristics", [](TD2XXLink& l) { return l.SetDataCharacteristics(); }},
        {"SetTimeouts", [](TD2XXLink& l) { return l.SetTimeouts(300, 300); }},
        {"GetQueueStatus", [](TD2XXLink& l) { return l.GetQueueStatus(); }},
        {"WriteBuffer", [](TD2XXLink& l) { return l.WriteBuffer(11); }},
        {"ReadBuffer", [](TD2XXLink& l) { return l.ReadBuffer(25); }},
    };
    return operations;
}

}  // namespace

class ReaderLinkTest : public QObject {
    Q_OBJECT
private slots:
    void failureShowsLabelAndMessage_data();
    void failureShowsLabelAndMessage();
    void switchedOffReportShowsNothing();
    void successShowsNoDialog();
    void shortReadReturnsCountWithoutDialog();
    void purgesClearTheirOwnSide();
    void transfersStayInsideTheBuffers();
    void closeForgetsTheHandle();
    void vendorLibraryIsLoadedAtRunTime();
    void missingOrIncompleteLibraryIsRefused();
};

void ReaderLinkTest::failureShowsLabelAndMessage_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("call");
    QTest::addColumn<uint>("status");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("open") << "OpenDevice" << "FT_Open" << 2u << 2 << "FT_Open - Device Not Found....";
    QTest::newRow("close") << "CloseDevice" << "FT_Close" << 1u << 1 << "FT_Close - Invalid Handle...";
    QTest::newRow("purge rx") << "PurgeReceive" << "FT_Purge" << 4u << 4 << "FT_Purge RX - General IO Error...";
    QTest::newRow("purge tx") << "PurgeTransmit" << "FT_Purge" << 4u << 4 << "FT_Purge TX - General IO Error...";
    QTest::newRow("baud") << "SetBaudRate" << "FT_SetBaudRate" << 8u << 8
                          << "FT_SetBaudRate Device not opened for erase  ...";
    QTest::newRow("reset") << "ResetDevice" << "FT_ResetDevice" << 9u << 9
                           << "FT_ResetDevice Device not opened for write ...";
    QTest::newRow("format") << "SetDataCharacteristics" << "FT_SetDataCharacteristics" << 16u << 16
                            << "FT_SetDataCharacteristics - invalid Arguments ...";
    QTest::newRow("time-outs") << "SetTimeouts" << "FT_SetTimeouts" << 17u << 17 << "FT_SetTimeouts - other error  ...";
    QTest::newRow("queue") << "GetQueueStatus" << "FT_GetQueueStatus" << 6u << 6
                           << "FT_GetQueueStatus - Invalid Parameter ...";
    QTest::newRow("write returns count") << "WriteBuffer" << "FT_Write" << 10u << 0 << "FT_Write - Failed to write ...";
    QTest::newRow("read returns count") << "ReadBuffer" << "FT_Read" << 11u << 0 << "FT_Read - EEPROM read Failed ...";
    QTest::newRow("unknown status") << "OpenDevice" << "FT_Open" << 42u << 42 << "FT_Open - unknown status 42 ...";
}

void ReaderLinkTest::failureShowsLabelAndMessage()
{
    QFETCH(QString, operation);
    QFETCH(QString, call);
    QFETCH(uint, status);
    QFETCH(int, result);
    QFETCH(QString, text);
    TLinkOnSimulator link;
    if (operation != "OpenDevice") QCOMPARE(link.Link->OpenDevice(), 0);
    link.Reader->FailCall(call.toStdString(), status);

    QCOMPARE(Operations().at(operation)(*link.Link), result);
    QCOMPARE(link.Dialogs.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(link.Dialogs[0]), text);
}

void ReaderLinkTest::switchedOffReportShowsNothing()
{
    for (const auto& [name, operation] : Operations()) {
        TLinkOnSimulator link;
        link.Link->ErrorReportEnabled = false;
        link.Reader->Unplug();  // every call fails
        operation(*link.Link);
        QVERIFY2(link.Dialogs.empty(), qPrintable(name));
    }
}

void ReaderLinkTest::successShowsNoDialog()
{
    TLinkOnSimulator link;
    link.Link->BaudRate = 115200;
    link.Link->DataBits = 8;
    for (const char* name : {"OpenDevice", "SetBaudRate", "SetDataCharacteristics", "ResetDevice", "SetTimeouts",
                             "PurgeReceive", "PurgeTransmit", "GetQueueStatus", "WriteBuffer", "CloseDevice"})
        QCOMPARE(Operations().at(name)(*link.Link), name == QString("WriteBuffer") ? 11 : 0);
    QVERIFY(link.Dialogs.empty());
}

void ReaderLinkTest::shortReadReturnsCountWithoutDialog()
{
    TLinkOnSimulator link;
    link.Link->OpenDevice();
    link.Link->SetTimeouts(300, 300);
    link.Reader->QueueFromDevice(Bytes({1, 2, 3, 4, 5, 6, 7}));
    const std::uint32_t before = link.Clock->Now;
    QCOMPARE(link.Link->ReadBuffer(25), 7);
    QVERIFY(link.Dialogs.empty());
    QCOMPARE(link.Clock->Now - before, 300u);  // it waited out the read time-out
    QVERIFY(TBytes(link.Link->RxBuffer().begin(), link.Link->RxBuffer().begin() + 7) == Bytes({1, 2, 3, 4, 5, 6, 7}));
}

void ReaderLinkTest::purgesClearTheirOwnSide()
{
    TLinkOnSimulator link;
    link.Link->OpenDevice();
    link.Reader->QueueFromDevice(Bytes({1, 2, 3}));
    QCOMPARE(link.Link->PurgeTransmit(), 0);
    QCOMPARE(link.Reader->QueuedFromDevice(), std::size_t(3));
    QCOMPARE(link.Link->PurgeReceive(), 0);
    QCOMPARE(link.Reader->QueuedFromDevice(), std::size_t(0));
}

void ReaderLinkTest::transfersStayInsideTheBuffers()
{
    TLinkOnSimulator link;
    link.Link->OpenDevice();
    QCOMPARE(link.Link->WriteBuffer(100'000), std::int32_t(TD2XXLink::TxBufferSize));
    QCOMPARE(link.Link->WriteBuffer(-5), 0);
    QCOMPARE(link.Reader->Writes().back().size(), std::size_t(0));
    QCOMPARE(link.Link->TxBuffer().size(), TD2XXLink::TxBufferSize);
    QCOMPARE(link.Link->RxBuffer().size(), TD2XXLink::RxBufferSize);
}

void ReaderLinkTest::closeForgetsTheHandle()
{
    TLinkOnSimulator link;
    QCOMPARE(link.Link->OpenDevice(), 0);
    QVERIFY(link.Link->DeviceHandle() != 0);
    QCOMPARE(link.Link->CloseDevice(), 0);
    QCOMPARE(link.Link->DeviceHandle(), FT_HANDLE(0));
    link.Link->ErrorReportEnabled = false;
    QCOMPARE(link.Link->CloseDevice(), std::int32_t(FT_INVALID_HANDLE));
    QCOMPARE(link.Link->OpenDevice(), 0);  // the device is free again
}

void ReaderLinkTest::vendorLibraryIsLoadedAtRunTime()
{
    auto library = TD2xxLibraryDriver::Load(FAKE_FTD2XX_PATH);
    QVERIFY(library);
    std::vector<std::string> dialogs;
    TD2XXLink link(std::move(library), [&](const std::string& text) { dialogs.push_back(text); });

    QCOMPARE(link.OpenDevice(), 0);
    QCOMPARE(link.SetBaudRate(), std::int32_t(FT_INVALID_BAUD_RATE));  // 0 baud: the library's status comes through
    link.BaudRate = 115200;
    QCOMPARE(link.SetBaudRate(), 0);
    link.DataBits = 9;
    QCOMPARE(link.SetDataCharacteristics(), std::int32_t(FT_INVALID_PARAMETER));
    link.DataBits = 8;
    QCOMPARE(link.SetDataCharacteristics(), 0);
    QCOMPARE(link.SetTimeouts(300, 300), 0);

    const TBytes frame = Bytes({0x00, 0x00, 0xFF, 0x04, 0xFC, 0xD4, 0x4A, 0x02, 0x00, 0xE0, 0x00});
    std::copy(frame.begin(), frame.end(), link.TxBuffer().begin());
    QCOMPARE(link.WriteBuffer(11), 11);
    QCOMPARE(link.GetQueueStatus(), 0);
    QCOMPARE(link.RxQueueCount(), 11u);
    QCOMPARE(link.ReadBuffer(25), 11);  // the loopback has no more
    QVERIFY(TBytes(link.RxBuffer().begin(), link.RxBuffer().begin() + 11) == frame);
    QCOMPARE(link.PurgeReceive(), 0);
    QCOMPARE(link.CloseDevice(), 0);
    QCOMPARE(dialogs.size(), std::size_t(2));
    QCOMPARE(QString::fromStdString(dialogs[0]), QStringLiteral("FT_SetBaudRate - Invalid baud rate ..."));
}

void ReaderLinkTest::missingOrIncompleteLibraryIsRefused()
{
    QVERIFY(!TD2xxLibraryDriver::Load("/nonexistent/libftd2xx.so"));
    QVERIFY(!TD2xxLibraryDriver::Load("libm.so.6"));  // loads, but has none of the calls
}

QTEST_MAIN(ReaderLinkTest)
#include "ReaderLinkTest.moc"
