// The --reader option's values.
#include <QTest>

#include "ReaderChoice.h"

using namespace tagstation;

Q_DECLARE_METATYPE(tagstation::TReaderChoice::TKind)

class ReaderChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void refused_data();
    void refused();
};

void ReaderChoiceTest::choice_data()
{
    using TKind = TReaderChoice::TKind;
    QTest::addColumn<QString>("text");
    QTest::addColumn<TKind>("kind");
    QTest::addColumn<QString>("device");  // the serial device or the PC/SC reader's name
    QTest::newRow("auto") << "auto" << TKind::Auto << "";
    QTest::newRow("d2xx") << "d2xx" << TKind::D2xx << "";
    QTest::newRow("serial") << "serial" << TKind::Serial << "";
    QTest::newRow("serial port") << "serial:/dev/ttyUSB1" << TKind::Serial << "/dev/ttyUSB1";
    QTest::newRow("pcsc") << "pcsc" << TKind::Pcsc << "";
    QTest::newRow("pcsc reader") << "pcsc:ACS ACR122U" << TKind::Pcsc << "ACS ACR122U";
    QTest::newRow("sim") << "sim" << TKind::Simulated << "";
}

void ReaderChoiceTest::choice()
{
    QFETCH(QString, text);
    QFETCH(TReaderChoice::TKind, kind);
    QFETCH(QString, device);
    const auto choice = ParseReaderChoice(text.toStdString());
    QVERIFY(choice);
    QCOMPARE(choice->Kind, kind);
    QCOMPARE(QString::fromStdString(kind == TReaderChoice::TKind::Pcsc ? choice->PcscReader : choice->SerialDevice),
             device);
}

void ReaderChoiceTest::refused_data()
{
    QTest::addColumn<QString>("text");
    for (const char* text : {"", "pcsc:", "serial:", "sim:other", "PCSC", "usb"}) QTest::newRow(text) << text;
}

void ReaderChoiceTest::refused()
{
    QFETCH(QString, text);
    QVERIFY(!ParseReaderChoice(text.toStdString()));
}

QTEST_GUILESS_MAIN(ReaderChoiceTest)
#include "ReaderChoiceTest.moc"
