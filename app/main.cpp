// tagstation: reads RFID/NFC tags through a PN532 behind an FTDI FT232 and
// offers their chip numbers for entry into an .xls workbook.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFontDatabase>
#include <QSessionManager>
#include <cstdio>
#include <optional>

#include "ReaderChoice.h"
#include "ShutdownSignals.h"
#include "SimTagFeeder.h"
#include "Unit1.h"

namespace {

// The window is laid out for Tahoma. Where it is not installed, the
// metric-compatible copy that Wine's font package ships stands in.
void LoadTahomaWhereMissing()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) return;
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(QString::fromLatin1(file))) QFontDatabase::addApplicationFont(QString::fromLatin1(file));
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(TAGSTATION_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tag station: PN532 NFC reader behind an FTDI FT232"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption readerOption(
        QStringLiteral("reader"),
        QStringLiteral("Reader backend: auto (default), d2xx, serial[:DEVICE], pcsc[:NAME], sim[:cancel|:ignore]."),
        QStringLiteral("KIND"), QStringLiteral("auto"));
    parser.addOption(readerOption);
    parser.process(app);

    const auto choice = tagstation::ParseReaderChoice(parser.value(readerOption).toStdString());
    if (!choice) {
        std::fprintf(stderr, "tagstation: unknown reader '%s'\n", qPrintable(parser.value(readerOption)));
        return 2;
    }
    // From here on a signal that ends the session is not lost: it closes the
    // window once the event loop runs.
    tagstation::TShutdownSignals shutdownSignals;
    auto clock = std::make_shared<tagstation::TSystemTickClock>();
    tagstation::TReader reader = tagstation::MakeReader(*choice, clock);
    if (!reader.Driver && !reader.Pcsc) {
        std::fprintf(stderr, "tagstation: %s\n", reader.Description.c_str());
        return 1;
    }
    std::printf("tagstation: reader: %s\n", reader.Description.c_str());
    std::fflush(stdout);

    LoadTahomaWhereMissing();
    tagstation::TStationServices services;
    services.Driver = std::move(reader.Driver);
    services.Pcsc = std::move(reader.Pcsc);
    services.PcscReader = reader.PcscReader;
    services.Clock = clock;
    tagstation::TForm1 form(std::move(services));
    std::optional<tagstation::TSimTagFeeder> tagFeeder;
    if (reader.Simulator) tagFeeder.emplace(*reader.Simulator, nullptr);
    // Closing the window closes the reader and writes config.ini: the
    // session's end and the signals of a logout or a kill close it too.
    QObject::connect(&shutdownSignals, &tagstation::TShutdownSignals::Received, &form,
                     &tagstation::TForm1::CloseOnRequest);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.CloseOnRequest(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &form, [&form] { form.close(); });
    form.show();
    return app.exec();
}
