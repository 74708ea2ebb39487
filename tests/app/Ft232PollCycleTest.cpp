// The FT232 poll cycle on its own, without a window: what it reports for
// the tags on the simulated reader, and a close asked for during its wait.
#include <QSignalSpy>
#include <QTimer>

#include "Ft232PollCycle.h"
#include "StationFixture.h"
#include "TagText.h"

using namespace tagstation;
using namespace tagstation::test;

Q_DECLARE_METATYPE(tagstation::TBytes)
Q_DECLARE_METATYPE(tagstation::pn532::TTypeATarget)

namespace {

struct TCycleOnSimulator {
    std::shared_ptr<TManualClock> Clock = std::make_shared<TManualClock>();
    TSimulatedFt232Driver* Reader = nullptr;
    std::unique_ptr<TFt232PollCycle> Cycle;
    QStringList Log;
    QStringList Titles;
    std::vector<TBytes> Tags;

    TCycleOnSimulator()
    {
        auto reader = std::make_unique<TSimulatedFt232Driver>(Clock, TReaction::CancelsPendingCommand);
        Reader = reader.get();
        Cycle = std::make_unique<TFt232PollCycle>(std::move(reader), Clock, [](const std::string&) {});
        QObject::connect(Cycle.get(), &TPollCycle::Logged, [this](const QString& line) { Log << line; });
        QObject::connect(Cycle.get(), &TPollCycle::TitleChanged, [this](const QString& title) { Titles << title; });
        QObject::connect(Cycle.get(), &TPollCycle::TagRead, [this](const TBytes& uid) { Tags.push_back(uid); });
    }
    long Count(const char* call) const
    {
        return std::count(Reader->Calls().begin(), Reader->Calls().end(), std::string(call));
    }
};

}  // namespace

class Ft232PollCycleTest : public QObject {
    Q_OBJECT
private slots:
    void connectsThenReadsTheTag_data();
    void connectsThenReadsTheTag();
    void closeDuringWaitClosesAtTheEnd();
    void replyCutShortIsDropped();
};

void Ft232PollCycleTest::connectsThenReadsTheTag_data()
{
    QTest::addColumn<pn532::TTypeATarget>("target");
    QTest::addColumn<QString>("uid");
    QTest::addColumn<long>("reads");
    QTest::addColumn<int>("replyBytes");
    QTest::newRow("MIFARE Classic") << TPn532Model::TargetWithUid(Bytes({0xDE, 0xAD, 0xBE, 0xEF})) << "DE AD BE EF"
                                    << 1L << 25;
    QTest::newRow("NTAG215") << TPn532Model::TargetWithUid(Bytes({0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80}))
                             << "04 5A 3C 2A 6E 4F 80" << 2L << 28;
    QTest::newRow("DESFire EV1") << pn532::TTypeATarget{0x0344, 0x20, Bytes({0x04, 0x31, 0x58, 0x1A, 0xC2, 0x2C, 0x80}),
                                                        Bytes({0x06, 0x75, 0x77, 0x81, 0x02, 0x80})}
                                 << "04 31 58 1A C2 2C 80" << 2L << 34;
}

void Ft232PollCycleTest::connectsThenReadsTheTag()
{
    QFETCH(pn532::TTypeATarget, target);
    QFETCH(QString, uid);
    QFETCH(long, reads);
    QFETCH(int, replyBytes);
    TCycleOnSimulator sim;
    QCOMPARE(sim.Cycle->AbsentTitle(), QStringLiteral("FTDI FT232 USB to UART TTL / PN532 - Kein Gerät vorhanden ..."));
    sim.Cycle->Tick();
    QVERIFY(sim.Cycle->LinkOpen());
    QCOMPARE(sim.Titles, QStringList("FTDI FT232 USB to UART TTL / PN532 - Gerät vorhanden ..."));
    QVERIFY(sim.Tags.empty());

    sim.Reader->PutTag(target);
    sim.Reader->ClearRecords();
    sim.Cycle->Tick();
    QCOMPARE(sim.Tags.size(), std::size_t(1));
    QCOMPARE(UidPanelText(sim.Tags[0]), uid);
    QCOMPARE(sim.Count("FT_Read"), reads);
    QCOMPARE(sim.Log.last().split(' ', Qt::SkipEmptyParts).size() - 3, replyBytes);
    QCOMPARE(sim.Reader->QueuedFromDevice(), std::size_t(0));  // the whole reply was taken
}

void Ft232PollCycleTest::closeDuringWaitClosesAtTheEnd()
{
    TCycleOnSimulator sim;
    sim.Cycle->Tick();
    sim.Reader->PutTag(Bytes({0xDE, 0xAD, 0xBE, 0xEF}));
    sim.Reader->ClearRecords();
    bool closedDuringWait = false;
    QTimer::singleShot(0, [&] {
        sim.Cycle->Close();
        closedDuringWait = sim.Reader->IsOpen() && sim.Cycle->Busy();
    });
    sim.Cycle->Tick();

    QVERIFY(closedDuringWait);
    QCOMPARE(sim.Tags.size(), std::size_t(1));  // the poll ran to its end
    QCOMPARE(sim.Reader->Calls().back(), std::string("FT_Close"));
    QVERIFY(!sim.Reader->IsOpen());
    QVERIFY(!sim.Cycle->LinkOpen());
    const std::size_t calls = sim.Reader->Calls().size();
    sim.Cycle->Tick();
    QCOMPARE(sim.Reader->Calls().size(), calls);  // a closed cycle polls no more
}

void Ft232PollCycleTest::replyCutShortIsDropped()
{
    // A 7-byte UID's reply whose last bytes do not come.
    TCycleOnSimulator sim;
    sim.Cycle->Tick();
    TBytes reply = TPn532Model::AckFrame();
    const TBytes response = TPn532Model::ListingResponse(Bytes({0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80}));
    reply.insert(reply.end(), response.begin(), response.end() - 2);
    sim.Reader->ReplaceNextReply(reply);
    const std::uint32_t start = sim.Clock->Now;
    sim.Cycle->Tick();
    QVERIFY(sim.Tags.empty());
    QCOMPARE(sim.Log.last().split(' ', Qt::SkipEmptyParts).size() - 3, 26);
    QVERIFY(sim.Clock->Now - start < 2 * 150 + 2 * 300 + 50);  // the rest was waited for once
}

QTEST_MAIN(Ft232PollCycleTest)
#include "Ft232PollCycleTest.moc"
