// The station on a real PC/SC stack: its own pcscd with the virtual reader
// driver vpcd, and a virtual card (tests/app/pcsc/virtual_card.py) that the
// test puts on the reader and takes off again. The window shows the cards'
// 4-byte and 7-byte UIDs and enters them into a workbook.
//
// pcscd's socket path is fixed, so the test runs it in a mount namespace of
// its own with a temporary folder over /run/pcscd: a pcscd of the system is
// not disturbed. Every process the test starts dies with it.
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include "ReaderChoice.h"
#include "StationFixture.h"

using namespace tagstation;
using namespace tagstation::test;

namespace {

const QString Pcscd = QStringLiteral("/usr/sbin/pcscd");
const QString VpcdDriver = QStringLiteral("/usr/lib/pcsc/drivers/serial/libifdvpcd.so");
const QString Python = QStringLiteral("/usr/bin/python3");
const QString CardScript = QStringLiteral(TAGSTATION_TEST_DIR "/pcsc/virtual_card.py");
const char* const ReaderName = "Virtual PCD 00 00";

bool PortFree(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

// vpcd listens on the port of its first slot and the one after it.
int FreePortPair()
{
    for (int port = 35963 + int(::getpid() % 2000) * 2; port < 60000; port += 2)
        if (PortFree(port) && PortFree(port + 1)) return port;
    return 0;
}

void DiesWithTheTest(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void Stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

class TVirtualReader {
public:
    ~TVirtualReader()
    {
        Stop(FCard);
        Stop(FPcscd);
    }

    // Empty when pcscd runs with the virtual reader; else why not.
    QString Start()
    {
        for (const QString& file : {Pcscd, VpcdDriver, Python})
            if (!QFile::exists(file)) return file + " is not installed (scripts/install-deps installs it)";
        FPort = FreePortPair();
        if (FPort == 0) return QStringLiteral("no free port");
        QDir().mkpath(FDir.filePath("run"));
        QDir().mkpath(FDir.filePath("conf"));
        QFile conf(FDir.filePath("conf/vpcd"));
        if (!conf.open(QIODevice::WriteOnly)) return QStringLiteral("cannot write the reader configuration");
        conf.write(
            QStringLiteral("FRIENDLYNAME \"Virtual PCD\"\nDEVICENAME /dev/null:0x%1\nLIBPATH %2\nCHANNELID 0x%1\n")
                .arg(FPort, 0, 16)
                .arg(VpcdDriver)
                .toUtf8());
        conf.close();

        // As root a mount namespace; for another user one of its own user namespace.
        const QString script = QStringLiteral(
                                   "mkdir -p /run/pcscd && mount --bind \"$0\" /run/pcscd && "
                                   "exec %1 --foreground --config \"$1\"")
                                   .arg(Pcscd);
        const QStringList namespaces = ::geteuid() == 0 ? QStringList{"-m"} : QStringList{"-r", "-m"};
        FPcscd.setProcessChannelMode(QProcess::MergedChannels);
        DiesWithTheTest(FPcscd);
        FPcscd.start(QStringLiteral("unshare"),
                     namespaces + QStringList{"sh", "-c", script, FDir.filePath("run"), FDir.filePath("conf")});
        const QString socket = FDir.filePath("run/pcscd.comm");
        for (int i = 0; i < 100 && !QFile::exists(socket); ++i) {
            if (FPcscd.state() == QProcess::NotRunning || FPcscd.waitForFinished(100))
                return QStringLiteral("pcscd did not start: ") + QString::fromUtf8(FPcscd.readAll());
        }
        if (!QFile::exists(socket)) return QStringLiteral("pcscd made no socket");
        qputenv("PCSCLITE_CSOCK_NAME", QFile::encodeName(socket));
        return {};
    }

    bool PutCard(const QString& uidHex)
    {
        Stop(FCard);
        FCard.setProcessChannelMode(QProcess::MergedChannels);
        DiesWithTheTest(FCard);
        FCard.start(Python, {CardScript, QString::number(FPort), uidHex});
        for (int i = 0; i < 200 && !FCardOutput.contains("card on the reader"); ++i) {
            FCard.waitForReadyRead(100);
            FCardOutput += FCard.readAll();
            if (FCard.state() == QProcess::NotRunning) break;
        }
        const bool on = FCardOutput.contains("card on the reader");
        FCardOutput.clear();
        return on;
    }
    void TakeCard() { Stop(FCard); }
    QString PcscdOutput() { return QString::fromUtf8(FPcscd.readAll()); }

private:
    QTemporaryDir FDir;
    int FPort = 0;
    QProcess FPcscd;
    QProcess FCard;
    QByteArray FCardOutput;
};

struct TPcscStation {
    QTemporaryDir Documents;
    QString Workbook;
    QStringList Errors;
    std::unique_ptr<TForm1> Form;

    bool Open()
    {
        TReader reader = MakeReader(*ParseReaderChoice(std::string("pcsc:") + ReaderName), nullptr);
        if (!reader.Pcsc) return false;
        TStationServices services;
        services.Pcsc = std::move(reader.Pcsc);
        services.PcscReader = reader.PcscReader;
        services.DocumentsFolder = Documents.path();
        Workbook = Documents.filePath("liste.xls");
        services.ChooseWorkbook = [this] { return Workbook; };
        services.ShowError = [this](const QString& text) { Errors << text; };
        Form = std::make_unique<TForm1>(std::move(services));
        return true;
    }
    QString Text(const char* name) const { return Form->findChild<QLabel*>(name)->text(); }
    QPushButton* Button(const char* name) const { return Form->findChild<QPushButton*>(name); }
    // Ticks as the timer does until the window shows `uid`.
    bool TickUntilShown(const QString& uid)
    {
        for (int i = 0; i < 80; ++i) {
            Form->Timer1Timer();
            if (Text("Panel1") == uid) return true;
            QTest::qWait(250);
        }
        return false;
    }
};

}  // namespace

class PcscEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void virtualCardsInTheWindow();
};

void PcscEndToEndTest::virtualCardsInTheWindow()
{
    TVirtualReader reader;
    // scripts/test installs what the test needs, so in CI a missing piece is a failure.
    if (const QString failure = reader.Start(); !failure.isEmpty()) {
        if (qEnvironmentVariableIsSet("CI")) QFAIL(qPrintable(failure));
        QSKIP(qPrintable(failure));
    }
    TPcscStation station;
    QVERIFY2(station.Open(), "libpcsclite.so.1 did not load");
    QVERIFY(NewWorkbook(station.Workbook));
    station.Form->Button1Click();

    QVERIFY(reader.PutCard("DEADBEEF"));
    QVERIFY2(station.TickUntilShown("DE AD BE EF"), qPrintable(reader.PcscdOutput()));
    QCOMPARE(station.Form->windowTitle(), QStringLiteral("PC/SC-Leser Virtual PCD 00 00 - Gerät vorhanden ..."));
    QCOMPARE(station.Text("Panel2"), QStringLiteral("4022250974"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("4022250974"));
    QCOMPARE(station.Button("Button2")->text(), QStringLiteral("Nr: 1  EINTRAGEN"));
    QTest::mouseClick(station.Button("Button2"), Qt::LeftButton);

    reader.TakeCard();
    QVERIFY(reader.PutCard("045A3C2A6E4F80"));
    QVERIFY2(station.TickUntilShown("04 5A 3C 2A 6E 4F 80"), qPrintable(reader.PcscdOutput()));
    QCOMPARE(station.Text("Panel2"), QStringLiteral("36116131592559108"));
    QCOMPARE(station.Form->UidHex(), QStringLiteral("045A3C2A6E4F80"));
    QTest::mouseClick(station.Button("Button2"), Qt::LeftButton);

    QCOMPARE(station.Errors, QStringList());
    QCOMPARE(CellText(station.Workbook, 1, 1), QStringLiteral("4022250974"));
    QCOMPARE(CellText(station.Workbook, 2, 1), QStringLiteral("36116131592559108"));
    QCOMPARE(CellText(station.Workbook, 2, 2), QStringLiteral("04 5A 3C 2A 6E 4F 80"));
    QVERIFY(station.Form->close());
}

QTEST_MAIN(PcscEndToEndTest)
#include "PcscEndToEndTest.moc"
