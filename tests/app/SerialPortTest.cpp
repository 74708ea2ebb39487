// The serial-port reader over a pseudo-terminal pair: the station's side
// opens the pty like a /dev/ttyUSB port; on the other side a simulated PN532
// answers. Also: finding FT232 ports in a sysfs tree.
#include <QElapsedTimer>
#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Ft232Ports.h"
#include "SerialPortDriver.h"
#include "StationFixture.h"

using namespace tagstation;
using namespace tagstation::test;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(tagstation::test::TReaction)

namespace {

// The "device" end of a pseudo-terminal pair.
class TPty {
public:
    TPty()
    {
        FMaster = posix_openpt(O_RDWR | O_NOCTTY);
        if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0) qFatal("no pseudo-terminal");
        FSlavePath = ptsname(FMaster);
    }
    ~TPty() { Close(); }
    TPty(const TPty&) = delete;
    TPty& operator=(const TPty&) = delete;

    int Master() const { return FMaster; }
    const std::string& SlavePath() const { return FSlavePath; }
    void Close()
    {
        if (FMaster >= 0) ::close(FMaster);
        FMaster = -1;
    }
    void Send(const TBytes& bytes) const
    {
        if (::write(FMaster, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) qFatal("pty write");
    }
    // What the station side sent, collected for up to `ms`.
    TBytes Receive(std::size_t count, int ms = 1000) const
    {
        TBytes bytes;
        QElapsedTimer timer;
        timer.start();
        while (bytes.size() < count && timer.elapsed() < ms) {
            pollfd p{FMaster, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
            if (n > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

private:
    int FMaster = -1;
    std::string FSlavePath;
};

// A PN532 on the device end, answering from its own thread.
class TPn532OnPty {
public:
    TPn532OnPty(const TPty& pty, TReaction reaction) : FPty(pty), FModel(reaction), FThread([this] { Run(); }) {}
    ~TPn532OnPty()
    {
        FStop = true;
        FThread.join();
    }
    TPn532OnPty(const TPn532OnPty&) = delete;
    TPn532OnPty& operator=(const TPn532OnPty&) = delete;

    void PutTag(const TUid& uid)
    {
        std::lock_guard lock(FMutex);
        Answer(FModel.PutTag(uid));
    }

private:
    void Run()
    {
        while (!FStop) {
            pollfd p{FPty.Master(), POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN)) continue;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(FPty.Master(), buffer, sizeof buffer);
            if (n <= 0) continue;
            std::lock_guard lock(FMutex);
            Answer(FModel.Receive(TByteView(buffer, static_cast<std::size_t>(n))));
        }
    }
    void Answer(const TBytes& bytes)
    {
        if (!bytes.empty() && ::write(FPty.Master(), bytes.data(), bytes.size()) < 0) qWarning("pty write failed");
    }

    const TPty& FPty;
    std::mutex FMutex;
    TPn532Model FModel;
    std::atomic<bool> FStop = false;
    std::thread FThread;
};

struct TOpenPort {
    TSerialPortDriver Driver;
    FT_HANDLE Handle = 0;

    explicit TOpenPort(const std::string& path) : Driver(path)
    {
        if (Driver.FT_Open(0, &Handle) != FT_OK) qFatal("cannot open %s", path.c_str());
        Driver.FT_SetBaudRate(Handle, 115200);
        Driver.FT_SetDataCharacteristics(Handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
        Driver.FT_SetTimeouts(Handle, 300, 300);
    }
    TBytes Read(std::uint32_t count, FT_STATUS* status = nullptr)
    {
        TBytes buffer(count);
        std::uint32_t read = 0;
        const FT_STATUS s = Driver.FT_Read(Handle, buffer.data(), count, &read);
        if (status) *status = s;
        buffer.resize(read);
        return buffer;
    }
    std::uint32_t Write(const TBytes& bytes)
    {
        std::uint32_t written = 0;
        Driver.FT_Write(Handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
        return written;
    }
};

void WriteText(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << '\n';
}

// A sysfs tree with USB serial ports: class/tty/<port>/device points into
// devices/<usb device>/<interface>/<port>; the ids lie on the USB device.
void AddPort(const fs::path& sys, const std::string& port, const std::string& vendor, const std::string& product)
{
    const fs::path usbDevice = sys / "devices" / ("usb-" + port);
    WriteText(usbDevice / "idVendor", vendor);
    WriteText(usbDevice / "idProduct", product);
    const fs::path portDir = usbDevice / "1-1:1.0" / port;
    fs::create_directories(portDir);
    fs::create_directories(sys / "class" / "tty" / port);
    fs::create_directory_symlink(portDir, sys / "class" / "tty" / port / "device");
}

}  // namespace

class SerialPortTest : public QObject {
    Q_OBJECT
private slots:
    void findsOnlyFt232Ports();
    void openRefusesWhatIsNoSerialPort();
    void lineIsRawAt115200_8N1();
    void readReturnsWhatArrivedWhenTimeoutEnds();
    void presenceTestFailsWhenOtherSideGoesAway();
    void stationReadsTagsThroughThePort_data();
    void stationReadsTagsThroughThePort();
};

void SerialPortTest::findsOnlyFt232Ports()
{
    QTemporaryDir dir;
    const fs::path sys = dir.path().toStdString();
    AddPort(sys, "ttyUSB10", "0403", "6001");
    AddPort(sys, "ttyUSB2", "0403", "6001");
    AddPort(sys, "ttyUSB0", "0403", "6010");  // FT2232: another chip
    AddPort(sys, "ttyUSB1", "067b", "2303");  // another maker's bridge
    fs::create_directories(sys / "class" / "tty" / "ttyS0");  // a built-in port
    const auto ports = FindFt232SerialPorts(sys, "/dev");
    QCOMPARE(ports, (std::vector<std::string>{"/dev/ttyUSB2", "/dev/ttyUSB10"}));
    QVERIFY(FindFt232SerialPorts(sys / "missing").empty());

    // The driver's device numbers follow that order; no FT232: not found.
    TSerialPortDriver driver({}, sys);
    FT_HANDLE handle = 0;
    QCOMPARE(driver.FT_Open(2, &handle), FT_DEVICE_NOT_FOUND);
}

void SerialPortTest::openRefusesWhatIsNoSerialPort()
{
    QTemporaryDir dir;
    FT_HANDLE handle = 0;
    TSerialPortDriver missing(dir.filePath("ttyUSB0").toStdString());
    QCOMPARE(missing.FT_Open(0, &handle), FT_DEVICE_NOT_FOUND);

    const QString plainFile = dir.filePath("plain");
    WriteText(plainFile.toStdString(), "x");
    TSerialPortDriver notATerminal(plainFile.toStdString());
    QCOMPARE(notATerminal.FT_Open(0, &handle), FT_DEVICE_NOT_OPENED);

    TPty pty;
    TSerialPortDriver driver(pty.SlavePath());
    QCOMPARE(driver.FT_Open(1, &handle), FT_DEVICE_NOT_FOUND);
    QCOMPARE(driver.FT_Open(0, &handle), FT_OK);
    FT_HANDLE second = 0;
    QCOMPARE(driver.FT_Open(0, &second), FT_DEVICE_NOT_OPENED);
    QCOMPARE(driver.FT_Close(handle + 1), FT_INVALID_HANDLE);
    QCOMPARE(driver.FT_Close(handle), FT_OK);
    QCOMPARE(driver.FT_SetTimeouts(handle, 1, 1), FT_INVALID_HANDLE);
}

void SerialPortTest::lineIsRawAt115200_8N1()
{
    TPty pty;
    TOpenPort port(pty.SlavePath());
    termios t{};
    QCOMPARE(tcgetattr(pty.Master(), &t), 0);  // the master reports the port's settings
    QCOMPARE(cfgetospeed(&t), speed_t(B115200));
    QCOMPARE(cfgetispeed(&t), speed_t(B115200));
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(t.c_cflag & (CSTOPB | PARENB), tcflag_t(0));
    QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(t.c_iflag & (ICRNL | IXON | ISTRIP), tcflag_t(0));

    QCOMPARE(port.Driver.FT_SetBaudRate(port.Handle, 12345), FT_INVALID_BAUD_RATE);
    QCOMPARE(port.Driver.FT_SetDataCharacteristics(port.Handle, 8, 1, 0), FT_INVALID_PARAMETER);

    // Bytes that a cooked terminal would change or swallow pass unchanged.
    const TBytes awkward = Bytes({0x0D, 0x0A, 0x03, 0x11, 0x13, 0x7F, 0xFF, 0x00, 0x04});
    QCOMPARE(port.Write(awkward), std::uint32_t(awkward.size()));
    QVERIFY(pty.Receive(awkward.size()) == awkward);
    pty.Send(awkward);
    QVERIFY(port.Read(static_cast<std::uint32_t>(awkward.size())) == awkward);
}

void SerialPortTest::readReturnsWhatArrivedWhenTimeoutEnds()
{
    TPty pty;
    TOpenPort port(pty.SlavePath());
    QElapsedTimer timer;

    timer.start();
    FT_STATUS status = 99;
    QCOMPARE(port.Read(25, &status).size(), std::size_t(0));
    QCOMPARE(status, FT_OK);
    QVERIFY(timer.elapsed() >= 290);

    pty.Send(Bytes({1, 2, 3, 4, 5, 6, 7}));
    timer.restart();
    QCOMPARE(port.Read(25, &status).size(), std::size_t(7));
    QCOMPARE(status, FT_OK);
    QVERIFY(timer.elapsed() >= 290);

    pty.Send(TBytes(30, 0x55));
    QTest::qWait(50);  // let them arrive
    timer.restart();
    QCOMPARE(port.Read(25).size(), std::size_t(25));
    QVERIFY(timer.elapsed() < 290);  // all there: no waiting for the time-out
    std::uint32_t queued = 0;
    QCOMPARE(port.Driver.FT_GetQueueStatus(port.Handle, &queued), FT_OK);
    QCOMPARE(queued, 5u);
    QCOMPARE(port.Driver.FT_Purge(port.Handle, FT_PURGE_RX), FT_OK);
    QCOMPARE(port.Driver.FT_GetQueueStatus(port.Handle, &queued), FT_OK);
    QCOMPARE(queued, 0u);
}

void SerialPortTest::presenceTestFailsWhenOtherSideGoesAway()
{
    TPty pty;
    TOpenPort port(pty.SlavePath());
    std::uint32_t queued = 0;
    QCOMPARE(port.Driver.FT_GetQueueStatus(port.Handle, &queued), FT_OK);
    pty.Close();
    QVERIFY(port.Driver.FT_GetQueueStatus(port.Handle, &queued) != FT_OK);
    QElapsedTimer timer;
    timer.start();
    FT_STATUS status = FT_OK;
    port.Read(25, &status);
    QCOMPARE(status, FT_IO_ERROR);
    QVERIFY(timer.elapsed() < 290);  // a hung-up line does not wait for the time-out
    QCOMPARE(port.Driver.FT_Close(port.Handle), FT_OK);
}

void SerialPortTest::stationReadsTagsThroughThePort_data()
{
    QTest::addColumn<TReaction>("reaction");
    QTest::newRow("bad frame cancels the listing") << TReaction::CancelsPendingCommand;
    QTest::newRow("bad frame is ignored") << TReaction::Ignored;
}

void SerialPortTest::stationReadsTagsThroughThePort()
{
    QFETCH(TReaction, reaction);
    auto pty = std::make_unique<TPty>();
    auto pn532 = std::make_unique<TPn532OnPty>(*pty, reaction);
    QTemporaryDir documents;
    QStringList errors;
    TStationServices services;
    services.Driver = std::make_unique<TSerialPortDriver>(pty->SlavePath());
    services.DocumentsFolder = documents.path();
    services.ShowError = [&](const QString& text) { errors << text; };
    TForm1 form(std::move(services));

    form.Timer1Timer();
    QVERIFY(form.LinkOpen());
    QCOMPARE(form.windowTitle(), QStringLiteral("FTDI FT232 USB to UART TTL / PN532 - Gerät vorhanden ..."));
    form.Timer1Timer();  // no tag yet
    QVERIFY(form.ChipNumber().isEmpty());

    pn532->PutTag({0xDE, 0xAD, 0xBE, 0xEF});
    form.Timer1Timer();
    QCOMPARE(form.findChild<QLabel*>("Panel1")->text(), QStringLiteral("DE AD BE EF"));
    QCOMPARE(form.ChipNumber(), QStringLiteral("4022250974"));

    pn532.reset();
    pty.reset();  // unplugged
    form.Timer1Timer();
    QVERIFY(!form.LinkOpen());
    QCOMPARE(form.windowTitle(), QStringLiteral("FTDI FT232 USB to UART TTL / PN532 - Kein Gerät vorhanden ..."));
    QVERIFY(errors.isEmpty());
}

QTEST_MAIN(SerialPortTest)
#include "SerialPortTest.moc"
