// The PC/SC poll cycle against a reader of the test's own: what a tick makes
// of the service, the readers, the card and its answer to "get data".
#include <QTest>

#include "PcscPollCycle.h"
#include "StationFixture.h"
#include "TagText.h"

using namespace tagstation;
using namespace tagstation::test;

Q_DECLARE_METATYPE(tagstation::TBytes)

namespace {

// A PC/SC service with readers and at most one card.
class TFakePcsc final : public TPcscApi {
public:
    TScardStatus ServiceStatus = ScardSuccess;
    TScardStatus ListStatus = ScardSuccess;
    TScardStatus ConnectStatus = ScardSuccess;  // with a card on the reader
    std::vector<std::string> Readers = {"Virtual PCD 00 00", "ACS ACR122U PICC Interface 00 00"};
    std::string CardIn;  // the reader the card lies on
    TBytes Answer;
    std::vector<std::string> Calls;
    TBytes LastCommand;
    int OpenContexts = 0;

    TScardStatus EstablishContext(TContext& context) override
    {
        Calls.push_back("EstablishContext");
        if (ServiceStatus != ScardSuccess) return ServiceStatus;
        context = 7;
        ++OpenContexts;
        return ScardSuccess;
    }
    TScardStatus ReleaseContext(TContext) override
    {
        Calls.push_back("ReleaseContext");
        --OpenContexts;
        return ScardSuccess;
    }
    TScardStatus ListReaders(TContext, std::vector<std::string>& readers) override
    {
        Calls.push_back("ListReaders");
        if (ListStatus != ScardSuccess) return ListStatus;
        if (Readers.empty()) return ScardNoReadersAvailable;
        readers = Readers;
        return ScardSuccess;
    }
    TScardStatus Connect(TContext, const std::string& reader, TCard& card, std::uint32_t& protocol) override
    {
        Calls.push_back("Connect " + reader);
        if (reader != CardIn) return ScardNoSmartcard;
        if (ConnectStatus != ScardSuccess) return ConnectStatus;
        card = 11;
        protocol = 2;
        return ScardSuccess;
    }
    TScardStatus Disconnect(TCard) override
    {
        Calls.push_back("Disconnect");
        return ScardSuccess;
    }
    TScardStatus Transmit(TCard, std::uint32_t, TByteView command, TBytes& response) override
    {
        Calls.push_back("Transmit");
        LastCommand.assign(command.begin(), command.end());
        response = Answer;
        return ScardSuccess;
    }
};

struct TPcscCycle {
    TFakePcsc* Pcsc = nullptr;
    std::unique_ptr<TPcscPollCycle> Cycle;
    QStringList Log;
    QStringList Titles;
    std::vector<TBytes> Tags;

    explicit TPcscCycle(const std::string& readerName = {})
    {
        auto pcsc = std::make_unique<TFakePcsc>();
        Pcsc = pcsc.get();
        Cycle = std::make_unique<TPcscPollCycle>(std::move(pcsc), readerName);
        QObject::connect(Cycle.get(), &TPollCycle::Logged, [this](const QString& line) { Log << line; });
        QObject::connect(Cycle.get(), &TPollCycle::TitleChanged, [this](const QString& title) { Titles << title; });
        QObject::connect(Cycle.get(), &TPollCycle::TagRead, [this](const TBytes& uid) { Tags.push_back(uid); });
    }
};

const QString Absent = QStringLiteral("PC/SC-Leser - Kein Gerät vorhanden ...");

}  // namespace

class PcscPollCycleTest : public QObject {
    Q_OBJECT
private slots:
    void cardAnswer_data();
    void cardAnswer();
    void readerByName_data();
    void readerByName();
    void noServiceIsLoggedOnce();
    void lostServiceIsFoundAgain();
    void readerComesAndGoes();
    void closeReleasesTheContext();
};

void PcscPollCycleTest::cardAnswer_data()
{
    QTest::addColumn<TBytes>("answer");
    QTest::addColumn<QString>("uid");  // empty: no tag
    QTest::newRow("4-byte UID") << Bytes({0xDE, 0xAD, 0xBE, 0xEF, 0x90, 0x00}) << "DE AD BE EF";
    QTest::newRow("7-byte UID") << Bytes({0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80, 0x90, 0x00})
                                << "04 5A 3C 2A 6E 4F 80";
    QTest::newRow("command refused") << Bytes({0x6A, 0x81}) << "";
    QTest::newRow("UID with an error status") << Bytes({0xDE, 0xAD, 0xBE, 0xEF, 0x63, 0x00}) << "";
    QTest::newRow("status only") << Bytes({0x90, 0x00}) << "";
    QTest::newRow("one byte") << Bytes({0x90}) << "";
    QTest::newRow("nothing") << TBytes() << "";
    QTest::newRow("10-byte UID") << Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0x90, 0x00}) << "";
}

void PcscPollCycleTest::cardAnswer()
{
    QFETCH(TBytes, answer);
    QFETCH(QString, uid);
    TPcscCycle cycle;
    cycle.Pcsc->CardIn = "Virtual PCD 00 00";
    cycle.Pcsc->Answer = answer;
    cycle.Cycle->Tick();

    QVERIFY(cycle.Pcsc->LastCommand == Bytes({0xFF, 0xCA, 0x00, 0x00, 0x00}));
    QCOMPARE(cycle.Pcsc->Calls.back(), std::string("Disconnect"));
    QCOMPARE(cycle.Titles, QStringList("PC/SC-Leser Virtual PCD 00 00 - Gerät vorhanden ..."));
    QCOMPARE(cycle.Log.value(0), QStringLiteral("HEX write ...  FF CA 00 00 00"));
    QCOMPARE(cycle.Log.value(1), HexDump(QStringLiteral("HEX read  ... "), answer));
    QCOMPARE(cycle.Tags.size(), std::size_t(uid.isEmpty() ? 0 : 1));
    if (!uid.isEmpty()) QCOMPARE(UidPanelText(cycle.Tags[0]), uid);
}

void PcscPollCycleTest::readerByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reader");  // empty: none
    QTest::newRow("first reader") << "" << "Virtual PCD 00 00";
    QTest::newRow("part of the name, any case") << "acr122" << "ACS ACR122U PICC Interface 00 00";
    QTest::newRow("no such reader") << "Omnikey" << "";
}

void PcscPollCycleTest::readerByName()
{
    QFETCH(QString, name);
    QFETCH(QString, reader);
    TPcscCycle cycle(name.toStdString());
    cycle.Pcsc->CardIn = "ACS ACR122U PICC Interface 00 00";
    cycle.Pcsc->Answer = Bytes({0xDE, 0xAD, 0xBE, 0xEF, 0x90, 0x00});
    cycle.Cycle->Tick();
    QCOMPARE(cycle.Cycle->LinkOpen(), !reader.isEmpty());
    const QString title = QStringLiteral("PC/SC-Leser %1 - Gerät vorhanden ...").arg(reader);
    QCOMPARE(cycle.Titles, reader.isEmpty() ? QStringList() : QStringList(title));
    QCOMPARE(cycle.Tags.size(), std::size_t(reader.startsWith("ACS") ? 1 : 0));
}

void PcscPollCycleTest::noServiceIsLoggedOnce()
{
    TPcscCycle cycle;
    QCOMPARE(cycle.Cycle->AbsentTitle(), Absent);
    cycle.Pcsc->ServiceStatus = ScardNoService;
    cycle.Cycle->Tick();
    cycle.Cycle->Tick();
    QCOMPARE(cycle.Log, QStringList("SCardEstablishContext: 0x8010001D"));
    QVERIFY(!cycle.Cycle->LinkOpen());
    QVERIFY(cycle.Titles.isEmpty());

    // pcscd started later: the next tick finds it.
    cycle.Pcsc->ServiceStatus = ScardSuccess;
    cycle.Cycle->Tick();
    QVERIFY(cycle.Cycle->LinkOpen());
}

void PcscPollCycleTest::lostServiceIsFoundAgain()
{
    TPcscCycle cycle;
    cycle.Cycle->Tick();
    QVERIFY(cycle.Cycle->LinkOpen());
    cycle.Pcsc->ListStatus = ScardServiceStopped;
    cycle.Cycle->Tick();
    QVERIFY(!cycle.Cycle->LinkOpen());
    QCOMPARE(cycle.Titles.last(), Absent);
    QCOMPARE(cycle.Pcsc->OpenContexts, 0);  // the dead context was released
    QCOMPARE(cycle.Log, QStringList("SCardListReaders: 0x8010001E"));

    cycle.Pcsc->ListStatus = ScardSuccess;
    cycle.Cycle->Tick();
    QVERIFY(cycle.Cycle->LinkOpen());
    QCOMPARE(cycle.Pcsc->OpenContexts, 1);

    // pcscd ends while a card is on the reader, and does not come back.
    cycle.Pcsc->CardIn = "Virtual PCD 00 00";
    cycle.Pcsc->ConnectStatus = ScardNoService;
    cycle.Pcsc->ServiceStatus = ScardNoService;
    cycle.Cycle->Tick();
    cycle.Cycle->Tick();
    QVERIFY(!cycle.Cycle->LinkOpen());
    QCOMPARE(cycle.Titles.last(), Absent);
    QCOMPARE(cycle.Pcsc->OpenContexts, 0);
}

void PcscPollCycleTest::readerComesAndGoes()
{
    TPcscCycle cycle;
    const std::vector<std::string> readers = cycle.Pcsc->Readers;
    cycle.Pcsc->Readers.clear();
    cycle.Cycle->Tick();
    QVERIFY(!cycle.Cycle->LinkOpen());
    QVERIFY(cycle.Log.isEmpty());  // no reader is no failure

    cycle.Pcsc->Readers = readers;
    cycle.Cycle->Tick();
    cycle.Cycle->Tick();
    cycle.Pcsc->Readers.clear();
    cycle.Cycle->Tick();
    QCOMPARE(cycle.Titles, QStringList({"PC/SC-Leser Virtual PCD 00 00 - Gerät vorhanden ...", Absent}));
    QVERIFY(cycle.Tags.empty());
}

void PcscPollCycleTest::closeReleasesTheContext()
{
    TPcscCycle cycle;
    cycle.Cycle->Tick();
    QCOMPARE(cycle.Pcsc->OpenContexts, 1);
    cycle.Cycle->Close();
    QCOMPARE(cycle.Pcsc->OpenContexts, 0);
    QVERIFY(!cycle.Cycle->LinkOpen());
    const std::size_t calls = cycle.Pcsc->Calls.size();
    cycle.Cycle->Tick();
    QCOMPARE(cycle.Pcsc->Calls.size(), calls);
}

QTEST_MAIN(PcscPollCycleTest)
#include "PcscPollCycleTest.moc"
