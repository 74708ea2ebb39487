// The poll cycle of the main window, driven tick by tick against the
// simulated reader on a manual clock.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMoveEvent>
#include <QTimer>

#include "StationFixture.h"
#include "UpDown.h"

using namespace tagstation;
using namespace tagstation::test;

Q_DECLARE_METATYPE(tagstation::TBytes)
Q_DECLARE_METATYPE(tagstation::test::TReaction)

namespace {

const QString TitlePresent = QStringLiteral("FTDI FT232 USB to UART TTL / PN532 - Gerät vorhanden ...");
const QString TitleAbsent = QStringLiteral("FTDI FT232 USB to UART TTL / PN532 - Kein Gerät vorhanden ...");
const TUid DeadBeef = {0xDE, 0xAD, 0xBE, 0xEF};

TBytes TagReply(const TUid& uid)
{
    TBytes reply = TPn532Model::AckFrame();
    const TBytes response = TPn532Model::ListingResponse(uid);
    reply.insert(reply.end(), response.begin(), response.end());
    return reply;
}

}  // namespace

class PollCycleTest : public QObject {
    Q_OBJECT
private slots:
    void connectStepSetsUpLineAndWakesReader();
    void setupFailureIsOnlyLogged_data();
    void setupFailureIsOnlyLogged();
    void failedOpenTriesAgainNextTick();
    void pollSendsBothFramesAndLogsReply();
    void acceptedTagShowsUidAndChipNumber_data();
    void acceptedTagShowsUidAndChipNumber();
    void rejectedReplyChangesNothing_data();
    void rejectedReplyChangesNothing();
    void entryButtonFollowsWorkbookAndChipNumber();
    void tagPutOnBetweenPollsIsRead_data();
    void tagPutOnBetweenPollsIsRead();
    void staleBytesDoNotShiftTheReply();
    void unplugLosesLinkAndReplugReconnects();
    void tickWhileMovingDoesNothing();
    void intervalChoiceRestartsTimer();
    void waitPumpingHandlesTickWrapAround();
    void tickDuringWaitIsSkipped();
    void closeDuringWaitWaitsForTheCycle_data();
    void closeDuringWaitWaitsForTheCycle();
    void entryDuringWaitEntersWhatWasShown();
    void sevenByteTagShowsFourteenDigits_data();
    void sevenByteTagShowsFourteenDigits();
};

void PollCycleTest::connectStepSetsUpLineAndWakesReader()
{
    TStation station;
    QCOMPARE(station.Form->windowTitle(), TitleAbsent);
    const std::uint32_t start = station.Clock->Now;
    station.Tick();

    QVERIFY(station.Form->LinkOpen());
    QCOMPARE(station.Form->windowTitle(), TitlePresent);
    QCOMPARE(station.LogLines(),
             QStringList({"Open_USB_Device: 0", "Set_USB_Device_BaudRate: 0", "Set_USB_Device_DataCharacteristics: 0",
                          "Reset_USB_Device: 0", "Set_USB_Device_TimeOuts: 0",
                          "HEX write ...  55 55 00 00 00 00 00 00 00 00 00 00 00 00 00 00 FF 03 FD D4 14 01 17 01"}));
    const std::vector<std::string> calls = {"FT_Open",        "FT_SetBaudRate", "FT_SetDataCharacteristics",
                                            "FT_ResetDevice", "FT_SetTimeouts", "FT_Write",
                                            "FT_Purge",       "FT_Purge"};
    QVERIFY(station.Reader->Calls() == calls);
    QCOMPARE(station.Reader->BaudRate(), 115200u);
    QCOMPARE(station.Reader->WordLength(), FT_BITS_8);
    QCOMPARE(station.Reader->StopBits(), FT_STOP_BITS_1);
    QCOMPARE(station.Reader->Parity(), FT_PARITY_NONE);
    QCOMPARE(station.Reader->ReadTimeout(), 300u);
    QCOMPARE(station.Reader->WriteTimeout(), 300u);
    QVERIFY(station.Reader->Pn532().Awake());
    QCOMPARE(station.Reader->QueuedFromDevice(), std::size_t(0));  // the SAMConfiguration reply is purged
    QVERIFY(station.Clock->Now - start >= 150);                     // the PN532 had its 150 ms
}

void PollCycleTest::setupFailureIsOnlyLogged_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("baud rate") << "FT_SetBaudRate" << "Set_USB_Device_BaudRate: 7";
    QTest::newRow("line format") << "FT_SetDataCharacteristics" << "Set_USB_Device_DataCharacteristics: 7";
    QTest::newRow("reset") << "FT_ResetDevice" << "Reset_USB_Device: 7";
    QTest::newRow("time-outs") << "FT_SetTimeouts" << "Set_USB_Device_TimeOuts: 7";
}

void PollCycleTest::setupFailureIsOnlyLogged()
{
    QFETCH(QString, call);
    QFETCH(QString, logLine);
    TStation station;
    station.Reader->FailCall(call.toStdString(), 7);
    station.Tick();
    QVERIFY(station.Form->LinkOpen());
    QCOMPARE(station.Form->windowTitle(), TitlePresent);
    QVERIFY(station.LogLines().contains(logLine));
    QCOMPARE(station.LogLines().size(), 6);  // the sequence went on to the wake-up
    QVERIFY(station.Errors.isEmpty());
}

void PollCycleTest::failedOpenTriesAgainNextTick()
{
    TStation station;
    station.Reader->Unplug();
    station.Tick();
    QVERIFY(!station.Form->LinkOpen());
    QCOMPARE(station.Form->windowTitle(), TitleAbsent);
    QVERIFY(station.LogLines().isEmpty());
    station.Reader->Plug();
    station.Tick();
    QVERIFY(station.Form->LinkOpen());
}

void PollCycleTest::pollSendsBothFramesAndLogsReply()
{
    TStation station;
    station.Connect();
    station.Reader->PutTag(DeadBeef);
    const qsizetype linesBefore = station.LogLines().size();
    station.Tick();

    QCOMPARE(station.Reader->Writes().size(), std::size_t(2));
    QVERIFY(station.Reader->Writes()[0] == Bytes({0x00, 0x00, 0xFF, 0x04, 0xFC, 0xD4, 0x4A, 0x02, 0x00, 0xE0, 0x00}));
    QVERIFY(station.Reader->Writes()[1] == Bytes({0x00, 0x00, 0xFF, 0x02, 0xFE, 0xD4, 0x02, 0x28, 0x00}));
    const QStringList added = station.LogLines().mid(linesBefore);
    QCOMPARE(added, QStringList({
                        "HEX write ...  00 00 FF 04 FC D4 4A 02 00 E0 00",
                        "HEX write ...  00 00 FF 02 FE D4 02 28 00",
                        "HEX read  ...  00 00 FF 00 FF 00 00 00 FF 0C F4 D5 4B 01 01 00 04 08 04 DE AD BE EF 96 00",
                    }));
    QCOMPARE(added[2].split(' ', Qt::SkipEmptyParts).size() - 3, 25);  // "HEX", "read", "..." and 25 pairs
    const std::vector<std::string> calls = {"FT_GetQueueStatus", "FT_Purge", "FT_Write", "FT_Write", "FT_Read"};
    QVERIFY(station.Reader->Calls() == calls);
}

void PollCycleTest::acceptedTagShowsUidAndChipNumber_data()
{
    QTest::addColumn<TBytes>("uid");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("chipNumber");
    QTest::newRow("DE AD BE EF") << Bytes({0xDE, 0xAD, 0xBE, 0xEF}) << "DE AD BE EF" << "4022250974";
    QTest::newRow("04 A1 B2 C3") << Bytes({0x04, 0xA1, 0xB2, 0xC3}) << "04 A1 B2 C3" << "3283263748";
    QTest::newRow("all ones") << Bytes({0xFF, 0xFF, 0xFF, 0xFF}) << "FF FF FF FF" << "4294967295";
    QTest::newRow("zero") << Bytes({0x00, 0x00, 0x00, 0x00}) << "00 00 00 00" << "0";
    QTest::newRow("one") << Bytes({0x01, 0x00, 0x00, 0x00}) << "01 00 00 00" << "1";
    // Its reply's checksum byte (byte 23) is 0xFF: a good reply all the same.
    QTest::newRow("checksum FF") << Bytes({0x00, 0x00, 0x00, 0xCF}) << "00 00 00 CF" << "3472883712";
}

void PollCycleTest::acceptedTagShowsUidAndChipNumber()
{
    QFETCH(TBytes, uid);
    QFETCH(QString, panel);
    QFETCH(QString, chipNumber);
    TStation station;
    station.Connect();
    station.Reader->PutTag({uid[0], uid[1], uid[2], uid[3]});
    station.Tick();

    QCOMPARE(station.Text("Panel1"), panel);
    QCOMPARE(station.Text("Panel2"), chipNumber);
    QCOMPARE(station.Form->ChipNumber(), chipNumber);
    QCOMPARE(station.Form->UidHex(), QString(panel).remove(' '));
    QCOMPARE(QGuiApplication::clipboard()->text(), chipNumber);
    QCOMPARE(station.Button("Button2")->text(), QStringLiteral("Keine Excel Datei ausgewählt"));
    QVERIFY(!station.Button("Button2")->isEnabled());
}

void PollCycleTest::rejectedReplyChangesNothing_data()
{
    const TBytes good = TagReply({0x11, 0x22, 0x33, 0x44});
    QTest::addColumn<TBytes>("reply");
    QTest::addColumn<int>("linesAdded");

    QTest::newRow("ACK only (no tag)") << TPn532Model::AckFrame() << 0;
    QTest::newRow("24 bytes") << TBytes(good.begin(), good.end() - 1) << 0;
    TBytes badChecksum = good;
    badChecksum[23] = 0xFF;
    QTest::newRow("byte 23 is FF") << badChecksum << 3;
    // A late response ahead of the next ACK: the ACK lands on bytes 19-24.
    TBytes shifted(good.begin() + 6, good.end());
    shifted.insert(shifted.end(), good.begin(), good.begin() + 6);
    QTest::newRow("response before ACK") << shifted << 3;
    // A 7-byte UID: bytes 19-22 would be its first four bytes.
    TBytes longUid = TPn532Model::AckFrame();
    const TBytes longResponse = TPn532Model::InformationFrame(
        Bytes({0xD5, 0x4B, 0x01, 0x01, 0x00, 0x44, 0x00, 0x07, 0x04, 0x51, 0x62, 0x73, 0x84, 0x95, 0xA6}));
    longUid.insert(longUid.end(), longResponse.begin(), longResponse.begin() + 19);
    QTest::newRow("7-byte UID") << longUid << 3;
    TBytes wrongCommand = good;
    wrongCommand[12] = 0x4D;
    wrongCommand[23] = static_cast<std::uint8_t>(wrongCommand[23] - 2);
    QTest::newRow("other response code") << wrongCommand << 3;
}

void PollCycleTest::rejectedReplyChangesNothing()
{
    QFETCH(TBytes, reply);
    QFETCH(int, linesAdded);
    TStation station;
    station.WorkbookChoice = station.Documents.filePath("book.xls");
    station.Form->Button1Click();
    station.Connect();
    station.Reader->PutTag(DeadBeef);
    station.Tick();
    station.Reader->TakeTag();
    QGuiApplication::clipboard()->setText(QStringLiteral("unchanged"));
    station.Form->findChild<TUpDown*>("UpDown1")->SetPosition(9);
    const qsizetype linesBefore = station.LogLines().size();

    station.Reader->ReplaceNextReply(reply);
    station.Tick();

    QCOMPARE(station.LogLines().size() - linesBefore, linesAdded);
    QCOMPARE(station.Text("Panel1"), QStringLiteral("DE AD BE EF"));
    QCOMPARE(station.Text("Panel2"), QStringLiteral("4022250974"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("unchanged"));
    QCOMPARE(station.Button("Button2")->text(), QStringLiteral("Nr: 1  EINTRAGEN"));  // not refreshed to row 9
    QVERIFY(station.Form->LinkOpen());
}

void PollCycleTest::entryButtonFollowsWorkbookAndChipNumber()
{
    TStation station;
    QPushButton* entry = station.Button("Button2");
    station.WorkbookChoice = station.Documents.filePath("book.xls");
    station.Form->Button1Click();
    QCOMPARE(entry->text(), QStringLiteral("KEINE CHIP-NUMMER"));
    QVERIFY(!entry->isEnabled());

    station.Connect();
    station.Reader->PutTag(DeadBeef);
    station.Tick();
    QCOMPARE(entry->text(), QStringLiteral("Nr: 1  EINTRAGEN"));
    QVERIFY(entry->isEnabled());

    station.Form->findChild<TUpDown*>("UpDown1")->SetPosition(7);
    station.Tick();  // the same tag again: everything is refreshed
    QCOMPARE(entry->text(), QStringLiteral("Nr: 7  EINTRAGEN"));

    // A tag read before any workbook was chosen.
    TStation other;
    other.Connect();
    other.Reader->PutTag(DeadBeef);
    other.Tick();
    QCOMPARE(other.Button("Button2")->text(), QStringLiteral("Keine Excel Datei ausgewählt"));
    other.WorkbookChoice = other.Documents.filePath("book.xls");
    other.Form->Button1Click();
    QCOMPARE(other.Button("Button2")->text(), QStringLiteral("Nr: 1  EINTRAGEN"));
    QVERIFY(other.Button("Button2")->isEnabled());
}

void PollCycleTest::tagPutOnBetweenPollsIsRead_data()
{
    QTest::addColumn<TReaction>("reaction");
    QTest::newRow("bad frame cancels the listing") << TReaction::CancelsPendingCommand;
    QTest::newRow("bad frame is ignored") << TReaction::Ignored;
}

void PollCycleTest::tagPutOnBetweenPollsIsRead()
{
    QFETCH(TReaction, reaction);
    TStation station(reaction);
    station.Connect();
    station.Tick();  // no tag: only the ACK comes
    QVERIFY(station.Text("Panel1").isEmpty());
    QCOMPARE(station.Reader->Pn532().ListingPending(), reaction == TReaction::Ignored);

    // Under the second reaction the listing is still pending, and its
    // response comes the moment the tag is put on, ahead of the next poll.
    const TUid tags[] = {DeadBeef, {0x04, 0xA1, 0xB2, 0xC3}, {0xFF, 0xFF, 0xFF, 0xFF}};
    const QString panels[] = {"DE AD BE EF", "04 A1 B2 C3", "FF FF FF FF"};
    for (int i = 0; i < 3; ++i) {
        station.Reader->TakeTag();
        station.Reader->PutTag(tags[i]);
        station.Tick();
        QCOMPARE(station.Text("Panel1"), panels[i]);
    }
}

void PollCycleTest::staleBytesDoNotShiftTheReply()
{
    TStation station;
    station.Connect();
    station.Reader->QueueFromDevice(Bytes({0x00, 0x00, 0xFF, 0x0C, 0xF4, 0xD5, 0x4B}));
    station.Reader->PutTag(DeadBeef);
    station.Tick();
    QCOMPARE(station.Text("Panel1"), QStringLiteral("DE AD BE EF"));
    QCOMPARE(station.Form->ChipNumber(), QStringLiteral("4022250974"));
}

void PollCycleTest::unplugLosesLinkAndReplugReconnects()
{
    TStation station;
    station.Connect();
    station.Reader->PutTag(DeadBeef);
    station.Tick();

    station.Reader->Unplug();
    station.Tick();
    QVERIFY(!station.Form->LinkOpen());
    QCOMPARE(station.Form->windowTitle(), TitleAbsent);
    QVERIFY(!station.Reader->IsOpen());  // the lost handle was released
    QCOMPARE(station.Text("Panel1"), QStringLiteral("DE AD BE EF"));  // the last values stay

    const qsizetype linesUnplugged = station.LogLines().size();
    station.Tick();
    QCOMPARE(station.Form->windowTitle(), TitleAbsent);
    QCOMPARE(station.LogLines().size(), linesUnplugged);

    station.Reader->Plug();
    station.Reader->TakeTag();
    station.Reader->PutTag({0x04, 0xA1, 0xB2, 0xC3});
    station.Tick();
    QVERIFY(station.Form->LinkOpen());
    QCOMPARE(station.Form->windowTitle(), TitlePresent);
    QCOMPARE(station.LogLines().value(linesUnplugged), QStringLiteral("Open_USB_Device: 0"));
    QVERIFY(station.Reader->Pn532().Awake());  // woken up again after the power loss
    QCOMPARE(station.Text("Panel1"), QStringLiteral("DE AD BE EF"));  // that tick only connected

    station.Tick();
    QCOMPARE(station.Text("Panel1"), QStringLiteral("04 A1 B2 C3"));
}

void PollCycleTest::tickWhileMovingDoesNothing()
{
    TStation station;
    station.Form->show();
    QVERIFY(QTest::qWaitForWindowExposed(station.Form.get()));
    const auto drag = [&] {
        QMoveEvent move(station.Form->pos() + QPoint(5, 5), station.Form->pos());
        QApplication::sendEvent(station.Form.get(), &move);
    };

    drag();
    QVERIFY(station.Form->WindowMoving());
    station.Tick();
    QVERIFY(station.Reader->Calls().empty());
    QVERIFY(!station.Form->LinkOpen());

    QTRY_VERIFY_WITH_TIMEOUT(!station.Form->WindowMoving(), 5000);
    station.Connect();
    drag();
    station.Tick();
    QVERIFY(station.Reader->Calls().empty());  // not even the presence test

    QTRY_VERIFY_WITH_TIMEOUT(!station.Form->WindowMoving(), 5000);
    station.Tick();
    QCOMPARE(station.Reader->Calls().front(), std::string("FT_GetQueueStatus"));
}

void PollCycleTest::intervalChoiceRestartsTimer()
{
    TStation station;
    auto* timer = station.Form->findChild<QTimer*>("Timer1");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    station.Control<QComboBox>("ComboBox2")->setCurrentIndex(2);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 3000);
    QVERIFY(timer->remainingTime() > 2500);  // a full new interval from the change
}

void PollCycleTest::waitPumpingHandlesTickWrapAround()
{
    TStation station;
    const std::uint32_t start = 0xFFFFFFFFu - 99;  // the counter wraps during the wake-up wait
    station.Clock->Now = start;
    station.Tick();
    QVERIFY(station.Form->LinkOpen());
    QCOMPARE(static_cast<std::uint32_t>(station.Clock->Now - start), 150u);
}

void PollCycleTest::tickDuringWaitIsSkipped()
{
    TStation station;
    station.Connect();
    station.Reader->PutTag(DeadBeef);
    bool nestedTickRan = false;
    QTimer::singleShot(0, station.Form.get(), [&] {
        nestedTickRan = true;
        station.Form->Timer1Timer();
    });
    station.Tick();
    QVERIFY(nestedTickRan);  // the wait let the event run
    QCOMPARE(station.Reader->Writes().size(), std::size_t(2));
    QCOMPARE(station.Text("Panel1"), QStringLiteral("DE AD BE EF"));
}

enum class TCloseDuring { Wait, EntryMessage, FileDialog };
Q_DECLARE_METATYPE(TCloseDuring)

void PollCycleTest::closeDuringWaitWaitsForTheCycle_data()
{
    // While a poll waits, the window is closed: directly, or while the
    // message of an entry clicked during the wait is open, or while the file
    // dialog opened during the wait is open (a signal or the session's end
    // closes the window then).
    QTest::addColumn<TCloseDuring>("during");
    QTest::newRow("the wait") << TCloseDuring::Wait;
    QTest::newRow("an entry's message") << TCloseDuring::EntryMessage;
    QTest::newRow("the file dialog") << TCloseDuring::FileDialog;
}

void PollCycleTest::closeDuringWaitWaitsForTheCycle()
{
    QFETCH(TCloseDuring, during);
    TStation station;
    const QString notAWorkbook = station.Documents.filePath("liste.xls");
    QFile text(notAWorkbook);
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Chipnummer;UID\n");
    text.close();
    station.WorkbookChoice = notAWorkbook;
    station.Form->Button1Click();
    station.Connect();
    station.Reader->PutTag(DeadBeef);
    station.Tick();
    QVERIFY(station.Button("Button2")->isEnabled());

    station.Reader->ClearRecords();
    const auto closeWindow = [&] { station.Form->close(); };
    station.OnError = [&](const QString&) { closeWindow(); };
    station.WorkbookChoice.clear();
    station.OnChooseWorkbook = closeWindow;
    QTimer::singleShot(0, station.Form.get(), [&] {
        if (during == TCloseDuring::Wait) closeWindow();
        if (during == TCloseDuring::EntryMessage) QTest::mouseClick(station.Button("Button2"), Qt::LeftButton);
        if (during == TCloseDuring::FileDialog) QTest::mouseClick(station.Button("Button1"), Qt::LeftButton);
    });
    station.Tick();

    // The poll ran to its end; then the link was closed, and nothing after it.
    const std::vector<std::string> calls = {"FT_GetQueueStatus", "FT_Purge", "FT_Write", "FT_Write", "FT_Read",
                                            "FT_Close"};
    QVERIFY(station.Reader->Calls() == calls);
    QVERIFY(!station.Reader->IsOpen());
    QVERIFY(!station.Form->LinkOpen());
    QVERIFY(!station.Form->isVisible());
    QVERIFY(QFile::exists(station.Form->DataFolder() + "config.ini"));
    station.Tick();
    QCOMPARE(station.Reader->Calls().size(), calls.size());
}

void PollCycleTest::entryDuringWaitEntersWhatWasShown()
{
    TStation station;
    const QString workbook = station.Documents.filePath("liste.xls");
    QVERIFY(NewWorkbook(workbook));
    station.WorkbookChoice = workbook;
    station.Form->Button1Click();
    station.Connect();
    station.Reader->PutTag(DeadBeef);
    station.Tick();

    // The next poll reads another tag; the click came before its reply.
    station.Reader->TakeTag();
    station.Reader->PutTag({0x04, 0xA1, 0xB2, 0xC3});
    QString shownAtClick;
    QTimer::singleShot(0, station.Form.get(), [&] {
        shownAtClick = station.Text("Panel2");
        QTest::mouseClick(station.Button("Button2"), Qt::LeftButton);
        QCOMPARE(CellText(workbook, 1, 1), QString());  // not during the wait
    });
    station.Tick();

    QCOMPARE(shownAtClick, QStringLiteral("4022250974"));
    QCOMPARE(CellText(workbook, 1, 1), QStringLiteral("4022250974"));
    QCOMPARE(CellText(workbook, 1, 2), QStringLiteral("DE AD BE EF"));
    // The tag read meanwhile stays pending, for the next row.
    QCOMPARE(station.Text("Panel1"), QStringLiteral("04 A1 B2 C3"));
    QCOMPARE(station.Button("Button2")->text(), QStringLiteral("Nr: 2  EINTRAGEN"));
    QVERIFY(station.Button("Button2")->isEnabled());
}

void PollCycleTest::sevenByteTagShowsFourteenDigits_data()
{
    QTest::addColumn<TBytes>("uid");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("chipNumber");
    QTest::newRow("NTAG215") << Bytes({0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80}) << "04 5A 3C 2A 6E 4F 80"
                             << "36116131592559108";
    QTest::newRow("all ones") << Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) << "FF FF FF FF FF FF FF"
                              << "72057594037927935";
    QTest::newRow("small") << Bytes({0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}) << "01 00 00 00 00 00 00" << "1";
}

void PollCycleTest::sevenByteTagShowsFourteenDigits()
{
    QFETCH(TBytes, uid);
    QFETCH(QString, panel);
    QFETCH(QString, chipNumber);
    TStation station;
    station.Connect();
    station.Reader->PutTag(uid);
    station.Tick();

    QCOMPARE(station.Text("Panel1"), panel);
    QCOMPARE(station.Form->UidHex().size(), 14);
    QCOMPARE(station.Form->UidHex(), QString(panel).remove(' '));
    QCOMPARE(station.Text("Panel2"), chipNumber);
    QCOMPARE(QGuiApplication::clipboard()->text(), chipNumber);
    // The longer texts fit their panels.
    for (const char* name : {"Panel1", "Panel2"}) {
        auto* label = station.Control<QLabel>(name);
        QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width());
    }
    QCOMPARE(station.LogLines().last().split(' ', Qt::SkipEmptyParts).size() - 3, 28);  // ACK and a 22-byte response
}

QTEST_MAIN(PollCycleTest)
#include "PollCycleTest.moc"
