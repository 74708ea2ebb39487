// config.ini in the data folder: defaults, round trip, odd values, and a
// file that cannot be written.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "StationFixture.h"

using namespace tagstation;
using namespace tagstation::test;

namespace {

QString ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void WriteFile(const QString& path, const QString& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

struct TShownSettings {
    QPoint Position;
    int Interval;
    int Column;
    bool Automatic;
};

TShownSettings Shown(const TStation& station)
{
    return {station.Form->pos(), station.Form->findChild<QTimer*>("Timer1")->interval(),
            station.Control<QComboBox>("ComboBox1")->currentIndex(), station.Control<QCheckBox>("CheckBox1")->isChecked()};
}

QString DataFolderOf(const TStation& station)
{
    return station.Documents.path() + '/' + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + '/';
}

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunUsesDefaultsAndWritesThemOnClose();
    void settingsSurviveARestart();
    void oddValuesInTheFile_data();
    void oddValuesInTheFile();
    void otherContentOfTheFileIsKept();
    void unwritableFileIsReportedAndWindowCloses();
    void closeWithOpenLinkClosesTheDevice();
    void dataFolderLiesInTheUsersDocuments();
    void versionLineNamesBuildAndSystem();
};

void SettingsTest::firstRunUsesDefaultsAndWritesThemOnClose()
{
    TStation station;
    QCOMPARE(station.Form->DataFolder(), DataFolderOf(station));
    QVERIFY(QFileInfo(station.Form->DataFolder()).isDir());
    const TShownSettings shown = Shown(station);
    QCOMPARE(shown.Position, QPoint(80, 50));
    QCOMPARE(shown.Interval, 1000);
    QCOMPARE(shown.Column, 0);
    QVERIFY(shown.Automatic);
    QVERIFY(station.Form->findChild<QTimer*>("Timer1")->isActive());
    QVERIFY(!QFile::exists(station.Form->DataFolder() + "config.ini"));

    QVERIFY(station.Form->close());
    QCOMPARE(ReadFile(station.Form->DataFolder() + "config.ini"),
             QStringLiteral("[WINDOW]\nLeft=80\nTop=50\n[TIMER]\nIntervall=0\n[EXCEL]\nSpalte=0\nAutomatisch=1\n"));
    QVERIFY(!station.Form->findChild<QTimer*>("Timer1")->isActive());
    QVERIFY(station.Errors.isEmpty());
}

void SettingsTest::settingsSurviveARestart()
{
    TStation station;
    station.Form->move(300, 140);
    station.Control<QComboBox>("ComboBox2")->setCurrentIndex(3);
    station.Control<QComboBox>("ComboBox1")->setCurrentIndex(14);
    station.Control<QCheckBox>("CheckBox1")->setChecked(false);
    QVERIFY(station.Form->close());

    station.Open();
    const TShownSettings shown = Shown(station);
    QCOMPARE(shown.Position, QPoint(300, 140));
    QCOMPARE(shown.Interval, 4000);
    QCOMPARE(shown.Column, 14);
    QVERIFY(!shown.Automatic);
    QCOMPARE(station.Control<QLineEdit>("Edit1")->text(), QStringLiteral("1"));  // the row is not kept
    QVERIFY(station.Form->WorkbookPath().isEmpty());
}

void SettingsTest::oddValuesInTheFile_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("automatic");
    const QPoint home(80, 50);
    QTest::newRow("Automatisch=0") << "[EXCEL]\nAutomatisch=0\n" << home << 1000 << 0 << false;
    QTest::newRow("Automatisch=yes") << "[EXCEL]\nAutomatisch=yes\n" << home << 1000 << 0 << true;
    QTest::newRow("Automatisch=5") << "[EXCEL]\nAutomatisch=5\n" << home << 1000 << 0 << true;
    QTest::newRow("Intervall=2") << "[TIMER]\nIntervall=2\n" << home << 3000 << 0 << true;
    QTest::newRow("Intervall too big") << "[TIMER]\nIntervall=9\n" << home << 5000 << 0 << true;
    QTest::newRow("Intervall negative") << "[TIMER]\nIntervall=-1\n" << home << 1000 << 0 << true;
    QTest::newRow("Intervall empty") << "[TIMER]\nIntervall=\n" << home << 1000 << 0 << true;
    QTest::newRow("Spalte too big") << "[EXCEL]\nSpalte=99\n" << home << 1000 << 14 << true;
    QTest::newRow("Spalte text") << "[EXCEL]\nSpalte=C\n" << home << 1000 << 0 << true;
    QTest::newRow("Left not a number") << "[WINDOW]\nLeft=1e3\nTop=200\n" << QPoint(80, 200) << 1000 << 0 << true;
    QTest::newRow("Top beyond int") << "[WINDOW]\nTop=99999999999\n" << home << 1000 << 0 << true;
    QTest::newRow("names in any case, blanks, CRLF")
        << "[window]\r\n left = 120 \r\n[Excel]\r\nSPALTE=3\r\n" << QPoint(120, 50) << 1000 << 3 << true;
    QTest::newRow("key in the wrong section") << "[TIMER]\nSpalte=4\n" << home << 1000 << 0 << true;
}

void SettingsTest::oddValuesInTheFile()
{
    QFETCH(QString, ini);
    QFETCH(QPoint, position);
    QFETCH(int, interval);
    QFETCH(int, column);
    QFETCH(bool, automatic);
    TStation station;
    WriteFile(station.Form->DataFolder() + "config.ini", ini);
    station.Open();
    const TShownSettings shown = Shown(station);
    QCOMPARE(shown.Position, position);
    QCOMPARE(shown.Interval, interval);
    QCOMPARE(shown.Column, column);
    QCOMPARE(shown.Automatic, automatic);
}

void SettingsTest::otherContentOfTheFileIsKept()
{
    TStation station;
    const QString file = station.Form->DataFolder() + "config.ini";
    WriteFile(file, "; station settings\n[OTHER]\nKey=Value\n\n[excel]\nspalte=2\n\n[TIMER]\nIntervall=1\n");
    station.Open();
    QVERIFY(station.Form->close());
    QCOMPARE(ReadFile(file), QStringLiteral("; station settings\n[OTHER]\nKey=Value\n\n[excel]\nspalte=2\n"
                                            "Automatisch=1\n\n[TIMER]\nIntervall=1\n[WINDOW]\nLeft=80\nTop=50\n"));
}

void SettingsTest::unwritableFileIsReportedAndWindowCloses()
{
    TStation station;
    const QString file = station.Form->DataFolder() + "config.ini";
    QVERIFY(QDir().mkpath(file));  // a folder where the file should be
    QVERIFY(station.Form->close());
    QCOMPARE(station.Errors,
             QStringList(QStringLiteral("In %1 kann nicht geschrieben werden").arg(QDir::toNativeSeparators(file))));
}

void SettingsTest::closeWithOpenLinkClosesTheDevice()
{
    TStation station;
    station.Connect();
    QVERIFY(station.Reader->IsOpen());
    QVERIFY(station.Form->close());
    QCOMPARE(station.Reader->Calls().back(), std::string("FT_Close"));
    QVERIFY(!station.Reader->IsOpen());
    QVERIFY(!station.Form->LinkOpen());
    QVERIFY(QFile::exists(station.Form->DataFolder() + "config.ini"));

    TStation closedLink;
    QVERIFY(closedLink.Form->close());
    QVERIFY(closedLink.Reader->Calls().empty());  // nothing to close
}

void SettingsTest::dataFolderLiesInTheUsersDocuments()
{
    // The real lookup, with HOME in a temporary folder.
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    TStationServices services;
    services.Driver = std::make_unique<TSimulatedFt232Driver>(std::make_shared<TManualClock>(), TReaction::Ignored);
    services.ShowError = [](const QString&) {};
    TForm1 form(std::move(services));
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);

    const QString expected =
        home.path() + "/Documents/" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + '/';
    QCOMPARE(form.DataFolder(), expected);
    QVERIFY(QFileInfo(expected).isDir());
}

void SettingsTest::versionLineNamesBuildAndSystem()
{
    TStation station;
    const QString line = station.Text("Label8");
    QCOMPARE(line, VersionLine());
    QCOMPARE(line, QStringLiteral("Version: 1.0.1.134 - Linux %1Bit").arg(QSysInfo::WordSize));
}

QTEST_MAIN(SettingsTest)
#include "SettingsTest.moc"
