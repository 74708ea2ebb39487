// The simulated reader: the PN532's frame handling and the FT232's queue,
// line settings, time-outs and plug state.
#include <QTest>

#include "StationFixture.h"

using namespace tagstation;
using namespace tagstation::test;

Q_DECLARE_METATYPE(tagstation::test::TReaction)

namespace {

const TBytes SamConfiguration = Bytes({0x00, 0x00, 0xFF, 0x03, 0xFD, 0xD4, 0x14, 0x01, 0x17, 0x00});
const TBytes ListTargets = Bytes({0x00, 0x00, 0xFF, 0x04, 0xFC, 0xD4, 0x4A, 0x02, 0x00, 0xE0, 0x00});
const TBytes BadVersionRequest = Bytes({0x00, 0x00, 0xFF, 0x02, 0xFE, 0xD4, 0x02, 0x28, 0x00});
const TBytes VersionRequest = Bytes({0x00, 0x00, 0xFF, 0x02, 0xFE, 0xD4, 0x02, 0x2A, 0x00});
const TUid DeadBeef = {0xDE, 0xAD, 0xBE, 0xEF};

TBytes Concat(TBytes a, const TBytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TPn532Model AwakeModel(TReaction reaction = TReaction::CancelsPendingCommand)
{
    TPn532Model model(reaction);
    model.Receive(SamConfiguration);
    return model;
}

struct TOpenSimulator {
    std::shared_ptr<TManualClock> Clock = std::make_shared<TManualClock>();
    TSimulatedFt232Driver Reader{Clock, TReaction::CancelsPendingCommand};
    FT_HANDLE Handle = 0;

    explicit TOpenSimulator(bool setLine = true)
    {
        if (Reader.FT_Open(0, &Handle) != FT_OK) qFatal("simulator did not open");
        if (!setLine) return;
        Reader.FT_SetBaudRate(Handle, 115200);
        Reader.FT_SetDataCharacteristics(Handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
        Reader.FT_SetTimeouts(Handle, 300, 300);
    }
    std::uint32_t Write(const TBytes& bytes)
    {
        std::uint32_t written = 0;
        Reader.FT_Write(Handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
        return written;
    }
    TBytes Read(std::uint32_t count)
    {
        TBytes buffer(count);
        std::uint32_t read = 0;
        Reader.FT_Read(Handle, buffer.data(), count, &read);
        buffer.resize(read);
        return buffer;
    }
};

}  // namespace

class SimulatedReaderTest : public QObject {
    Q_OBJECT
private slots:
    void pn532NeedsSamConfigurationAfterPowerUp();
    void listingAnswersAtOnceWhenTagIsThere();
    void listingWaitsForTag();
    void badChecksumFrame_data();
    void badChecksumFrame();
    void hostAckAbortsListing();
    void framesMaySpanWrites();
    void versionAndUnknownCommands();
    void readLeavesTheRestQueued();
    void readWaitsOutTimeoutOnlyWhenShort();
    void pn532HearsNothingOnWrongLine();
    void unplugInvalidatesHandleAndPowersDown();
};

void SimulatedReaderTest::pn532NeedsSamConfigurationAfterPowerUp()
{
    TPn532Model model;
    model.PutTag(DeadBeef);
    QVERIFY(model.Receive(ListTargets).empty());
    // The station's wake-up block: 55 55, zeros, then the frame with its 0x01 postamble.
    const TBytes wakeUp = Bytes({0x55, 0x55, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0xFF, 0x03, 0xFD, 0xD4,
                                 0x14, 0x01, 0x17, 0x01});
    QVERIFY(model.Receive(wakeUp) ==
            Bytes({0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x02, 0xFE, 0xD5, 0x15, 0x16, 0x00}));
    QVERIFY(model.Awake());
}

void SimulatedReaderTest::listingAnswersAtOnceWhenTagIsThere()
{
    TPn532Model model = AwakeModel();
    model.PutTag(DeadBeef);
    const TBytes reply = model.Receive(ListTargets);
    QCOMPARE(reply.size(), std::size_t(25));
    QVERIFY(reply == Bytes({0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x0C, 0xF4, 0xD5, 0x4B,
                            0x01, 0x01, 0x00, 0x04, 0x08, 0x04, 0xDE, 0xAD, 0xBE, 0xEF, 0x96, 0x00}));
    QVERIFY(!model.ListingPending());
}

void SimulatedReaderTest::listingWaitsForTag()
{
    TPn532Model model = AwakeModel();
    QVERIFY(model.Receive(ListTargets) == TPn532Model::AckFrame());
    QVERIFY(model.ListingPending());
    QVERIFY(model.PutTag(DeadBeef) == TPn532Model::ListingResponse(DeadBeef));
    QVERIFY(!model.ListingPending());
    QVERIFY(model.PutTag(DeadBeef).empty());  // nothing was asked
}

void SimulatedReaderTest::badChecksumFrame_data()
{
    QTest::addColumn<TReaction>("reaction");
    QTest::addColumn<bool>("stillPending");
    QTest::newRow("cancels") << TReaction::CancelsPendingCommand << false;
    QTest::newRow("ignored") << TReaction::Ignored << true;
}

void SimulatedReaderTest::badChecksumFrame()
{
    QFETCH(TReaction, reaction);
    QFETCH(bool, stillPending);
    TPn532Model model = AwakeModel(reaction);
    model.Receive(ListTargets);
    QVERIFY(model.Receive(BadVersionRequest).empty());  // never an answer to it
    QCOMPARE(model.ListingPending(), stillPending);
    QCOMPARE(model.PutTag(DeadBeef).empty(), !stillPending);
}

void SimulatedReaderTest::hostAckAbortsListing()
{
    TPn532Model model = AwakeModel(TReaction::Ignored);
    model.Receive(ListTargets);
    QVERIFY(model.Receive(TPn532Model::AckFrame()).empty());
    QVERIFY(!model.ListingPending());
}

void SimulatedReaderTest::framesMaySpanWrites()
{
    TPn532Model model = AwakeModel();
    model.PutTag(DeadBeef);
    TBytes reply;
    for (const std::uint8_t byte : Concat(ListTargets, ListTargets)) {
        const TBytes part = model.Receive(TByteView(&byte, 1));
        reply.insert(reply.end(), part.begin(), part.end());
    }
    const TBytes one = Concat(TPn532Model::AckFrame(), TPn532Model::ListingResponse(DeadBeef));
    QVERIFY(reply == Concat(one, one));
}

void SimulatedReaderTest::versionAndUnknownCommands()
{
    TPn532Model model = AwakeModel();
    QVERIFY(model.Receive(VersionRequest) ==
            Concat(TPn532Model::AckFrame(), TPn532Model::InformationFrame(Bytes({0xD5, 0x03, 0x32, 0x01, 0x06, 0x07}))));
    const TBytes unknown = TPn532Model::InformationFrame(Bytes({0xD4, 0x77}));
    QVERIFY(model.Receive(unknown) == Bytes({0x00, 0x00, 0xFF, 0x01, 0xFF, 0x7F, 0x81, 0x00}));
}

void SimulatedReaderTest::readLeavesTheRestQueued()
{
    TOpenSimulator sim;
    sim.Write(SamConfiguration);
    sim.Reader.FT_Purge(sim.Handle, FT_PURGE_RX);
    sim.Reader.PutTag(DeadBeef);
    sim.Write(ListTargets);
    QCOMPARE(sim.Read(10).size(), std::size_t(10));
    std::uint32_t queued = 0;
    QCOMPARE(sim.Reader.FT_GetQueueStatus(sim.Handle, &queued), FT_OK);
    QCOMPARE(queued, 15u);
    const TBytes rest = sim.Read(25);
    QCOMPARE(rest.size(), std::size_t(15));
    QCOMPARE(rest[9], std::uint8_t(0xDE));
}

void SimulatedReaderTest::readWaitsOutTimeoutOnlyWhenShort()
{
    TOpenSimulator sim;
    sim.Reader.QueueFromDevice(TBytes(30, 0x42));
    std::uint32_t before = sim.Clock->Now;
    QCOMPARE(sim.Read(25).size(), std::size_t(25));
    QCOMPARE(sim.Clock->Now, before);
    QCOMPARE(sim.Read(25).size(), std::size_t(5));
    QCOMPARE(sim.Clock->Now - before, 300u);
}

void SimulatedReaderTest::pn532HearsNothingOnWrongLine()
{
    TOpenSimulator sim(false);  // still at the FT232's 9600 baud
    QCOMPARE(sim.Write(SamConfiguration), std::uint32_t(SamConfiguration.size()));
    QCOMPARE(sim.Reader.QueuedFromDevice(), std::size_t(0));
    QVERIFY(!sim.Reader.Pn532().Awake());
}

void SimulatedReaderTest::unplugInvalidatesHandleAndPowersDown()
{
    TOpenSimulator sim;
    sim.Write(SamConfiguration);
    sim.Reader.Unplug();
    std::uint32_t queued = 0;
    QCOMPARE(sim.Reader.FT_GetQueueStatus(sim.Handle, &queued), FT_IO_ERROR);
    FT_HANDLE other = 0;
    QCOMPARE(sim.Reader.FT_Open(0, &other), FT_DEVICE_NOT_FOUND);

    sim.Reader.Plug();
    QCOMPARE(sim.Reader.FT_GetQueueStatus(sim.Handle, &queued), FT_IO_ERROR);  // the old handle stays dead
    QCOMPARE(sim.Reader.FT_Open(0, &other), FT_OK);
    QVERIFY(other != sim.Handle);
    QCOMPARE(sim.Reader.FT_GetQueueStatus(sim.Handle, &queued), FT_INVALID_HANDLE);
    QCOMPARE(sim.Reader.BaudRate(), 9600u);  // a fresh device
    QVERIFY(!sim.Reader.Pn532().Awake());
}

QTEST_MAIN(SimulatedReaderTest)
#include "SimulatedReaderTest.moc"
