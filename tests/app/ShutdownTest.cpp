// The station program ended by the signals of a session's end, a kill or
// Ctrl+C: it writes config.ini as a closed window does, and exits cleanly.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class ShutdownTest : public QObject {
    Q_OBJECT
private slots:
    void signalClosesLikeTheWindow_data();
    void signalClosesLikeTheWindow();
};

void ShutdownTest::signalClosesLikeTheWindow_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM (logout, kill)") << int(SIGTERM);
    QTest::newRow("SIGINT (Ctrl+C)") << int(SIGINT);
    QTest::newRow("SIGHUP (terminal closed)") << int(SIGHUP);
}

void ShutdownTest::signalClosesLikeTheWindow()
{
    QFETCH(int, signalNumber);
    QTemporaryDir home;
    const QString dataFolder = home.filePath("Documents/tagstation");
    QVERIFY(QDir().mkpath(dataFolder));
    const QString config = dataFolder + "/config.ini";
    {
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[TIMER]\nIntervall=2\n[EXCEL]\nSpalte=4\nAutomatisch=0\n");
    }

    QProcess station;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    environment.insert("XDG_RUNTIME_DIR", home.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    station.setProcessEnvironment(environment);
    station.start(QStringLiteral(TAGSTATION_BINARY), {"--reader", "sim"});
    QVERIFY(station.waitForStarted(10'000));
    // The line comes once the signals are handled; the reader's first tick
    // follows one second later.
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += station.readAllStandardOutput()).contains("tagstation: reader: "), 10'000);
    QTest::qWait(1500);

    ::kill(static_cast<pid_t>(station.processId()), signalNumber);
    QVERIFY2(station.waitForFinished(10'000), output.constData());
    QCOMPARE(station.exitStatus(), QProcess::NormalExit);
    QCOMPARE(station.exitCode(), 0);
    QFile file(config);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("[TIMER]\nIntervall=2\n[EXCEL]\nSpalte=4\nAutomatisch=0\n[WINDOW]\nLeft=80\nTop=50\n"));
}

QTEST_GUILESS_MAIN(ShutdownTest)
#include "ShutdownTest.moc"
