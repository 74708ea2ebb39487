#include "Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <string>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "IniFile.h"
#include "PathShortener.h"
#include "TagReply.h"
#include "UpDown.h"
#include "facade/XLSAdapter.h"

namespace tagstation {

namespace {

const char* const TitleDevicePresent = "FTDI FT232 USB to UART TTL / PN532 - Gerät vorhanden ...";
const char* const TitleNoDevice = "FTDI FT232 USB to UART TTL / PN532 - Kein Gerät vorhanden ...";
const char* const NoChipNumber = "KEINE CHIP-NUMMER";
const char* const NoWorkbook = "Keine Excel Datei ausgewählt";

// The three PN532 host frames, sent exactly as they stand.
constexpr std::array<std::uint8_t, 44> FrameTable = {
    // Wake-up: 55 55, zeros, then SAMConfiguration (normal mode).
    0x55, 0x55, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0xFF, 0x03, 0xFD, 0xD4, 0x14, 0x01, 0x17, 0x01,
    // InListPassiveTarget: at most 2 targets, 106 kbps type A.
    0x00, 0x00, 0xFF, 0x04, 0xFC, 0xD4, 0x4A, 0x02, 0x00, 0xE0, 0x00,
    // GetFirmwareVersion with a wrong checksum (0x28): the PN532 does not
    // answer it; the station sends it as the second frame of every poll.
    0x00, 0x00, 0xFF, 0x02, 0xFE, 0xD4, 0x02, 0x28, 0x00};
constexpr std::size_t WakeUpOffset = 0, WakeUpSize = 24;
constexpr std::size_t ListTargetsOffset = 24, ListTargetsSize = 11;
constexpr std::size_t VersionRequestOffset = 35, VersionRequestSize = 9;

constexpr std::uint32_t BaudRate = 115200;
constexpr std::uint32_t TransferTimeoutMs = 300;
constexpr std::uint32_t FrameGapMs = 150;
constexpr int MoveQuietMs = 500;
// A tag left on the reader adds three lines a second; keep about a day's worth.
constexpr int LogLineLimit = 250'000;

constexpr int IntervalChoices = 5;
constexpr int ColumnChoices = 15;
constexpr int DefaultLeft = 80;
constexpr int DefaultTop = 50;

const QColor MediumGray(0xA0, 0xA0, 0xA4);

QFont TahomaFont(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

template <typename TWidget>
TWidget* Place(TWidget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* AddLabel(QWidget* page, const char* name, QRect box, const QString& text, Qt::Alignment alignment)
{
    auto* label = Place(new QLabel(text, page), name, box.left(), box.top(), box.width(), box.height());
    label->setAlignment(alignment);
    return label;
}

void SetTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QLabel* AddResultPanel(QWidget* page, const char* name, int left, const QColor& color)
{
    auto* panel = Place(new QLabel(page), name, left, 15, 190, 33);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFont(TahomaFont(24, true));
    SetTextColor(panel, color);
    return panel;
}

QString SystemName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Windows");
#elif defined(Q_OS_LINUX)
    return QStringLiteral("Linux");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("macOS");
#else
    return QSysInfo::kernelType();
#endif
}

}  // namespace

const char* const TForm1::MakerUrl = "https://ftdichip.com/drivers/d2xx-drivers/";

QString VersionLine()
{
    return QStringLiteral("Version: %1 - %2 %3Bit")
        .arg(QStringLiteral(TAGSTATION_VERSION), SystemName())
        .arg(QSysInfo::WordSize);
}

TForm1::TForm1(TStationServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FServices(std::move(services)),
      FClock(FServices.Clock ? FServices.Clock : std::make_shared<TSystemTickClock>()),
      FLink(std::move(FServices.Driver),
            [this](const std::string& text) { ShowError(QString::fromStdString(text)); })
{
    CreateControls();
    FormCreate();
}

TForm1::~TForm1() = default;

// ---------------------------------------------------------------- controls

void TForm1::CreateControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(TitleNoDevice));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(TahomaFont(15));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    PageControl1 = Place(new QTabWidget(this), "PageControl1", 0, 0, ClientWidth, ClientHeight);
    PageControl1->tabBar()->setCursor(Qt::PointingHandCursor);
    const auto addPage = [this](const char* name, const QString& caption) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        PageControl1->addTab(page, caption);
        return page;
    };
    CreateDataPage(addPage("TabSheet1", QStringLiteral("Daten")));
    CreateLogPage(addPage("TabSheet2", QStringLiteral("Logging")));
    CreateInfoPage(addPage("TabSheet3", QStringLiteral("Info")));
    PageControl1->setCurrentIndex(0);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    FMoveQuiet = new QTimer(this);
    FMoveQuiet->setSingleShot(true);
    FMoveQuiet->setInterval(MoveQuietMs);
    connect(FMoveQuiet, &QTimer::timeout, this, [this] { FWindowMoving = false; });

    OpenDialog1 = new QFileDialog(this, QStringLiteral("EXCEL Arbeitsmappe auswählen"), QString(),
                                  QStringLiteral("Excel (*.xls)"));
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
}

void TForm1::CreateDataPage(QWidget* page)
{
    const auto right = Qt::AlignRight | Qt::AlignTop;
    AddLabel(page, "Label1", {15, 23, 60, 16}, QStringLiteral("UID hex:"), right);
    Panel1 = AddResultPanel(page, "Panel1", 84, Qt::red);
    AddLabel(page, "Label2", {300, 23, 100, 16}, QStringLiteral("CHIP Nummer:"), right);
    Panel2 = AddResultPanel(page, "Panel2", 410, QColor(0x00, 0x80, 0x00));

    auto* label3 = AddLabel(page, "Label3", {17, 60, 583, 18}, QStringLiteral("Codierung Hex to Dec -> Little-Endian"),
                            Qt::AlignHCenter | Qt::AlignTop);
    QFont italic = TahomaFont(13);
    italic.setItalic(true);
    label3->setFont(italic);

    auto* separator = Place(new QFrame(page), "GroupBox1", 0, 95, 616, 2);
    QPalette gray = separator->palette();
    gray.setColor(QPalette::Window, MediumGray);
    separator->setPalette(gray);
    separator->setAutoFillBackground(true);

    Button1 = Place(new QPushButton(QStringLiteral("EXCEL Datei auswählen"), page), "Button1", 10, 112, 280, 30);
    Button2 = Place(new QPushButton(QString::fromUtf8(NoChipNumber), page), "Button2", 320, 112, 280, 30);
    for (auto* button : {Button1, Button2}) {
        button->setFont(TahomaFont(15, true));
        button->setCursor(Qt::PointingHandCursor);
    }
    Button2->setEnabled(false);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);

    StaticText1 = Place(new QLabel(page), "StaticText1", 10, 156, 590, 22);

    ComboBox1 = Place(new QComboBox(page), "ComboBox1", 10, 195, 110, 26);
    for (char column = 'A'; column < 'A' + ColumnChoices; ++column)
        ComboBox1->addItem(QStringLiteral("Spalte ") + QChar(column));
    ComboBox1->setCursor(Qt::PointingHandCursor);

    AddLabel(page, "Label4", {173, 199, 165, 18}, QStringLiteral("Nächste Zeile (Nummer):"), right);
    Edit1 = Place(new QLineEdit(page), "Edit1", 344, 195, 57, 26);
    Edit1->setReadOnly(true);
    Edit1->setAlignment(Qt::AlignCenter);
    Edit1->setFont(TahomaFont(15, true));
    UpDown1 = Place(new TUpDown(Edit1, RowMin, RowMax, page), "UpDown1", 401, 195, 100, 26);
    UpDown1->setCursor(Qt::PointingHandCursor);

    ComboBox2 = Place(new QComboBox(page), "ComboBox2", 10, 240, 110, 26);
    ComboBox2->addItem(QStringLiteral("1 Sekunde"));
    for (int seconds = 2; seconds <= IntervalChoices; ++seconds)
        ComboBox2->addItem(QStringLiteral("%1 Sekunden").arg(seconds));
    AddLabel(page, "Label5", {126, 244, 105, 18}, QStringLiteral("Timer Intervall"), Qt::AlignLeft | Qt::AlignTop);

    CheckBox1 = Place(new QCheckBox(QStringLiteral("Zeile (Nummer) automatisch erhöhen"), page), "CheckBox1", 333, 244,
                      267, 17);
    CheckBox1->setChecked(true);
    CheckBox1->setCursor(Qt::PointingHandCursor);
}

void TForm1::CreateLogPage(QWidget* page)
{
    Memo1 = new QPlainTextEdit(page);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    QFont consolas(QStringLiteral("Consolas"));
    consolas.setStyleHint(QFont::Monospace);
    consolas.setPixelSize(15);
    Memo1->setFont(consolas);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setMaximumBlockCount(LogLineLimit);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
}

void TForm1::CreateInfoPage(QWidget* page)
{
    const QString heading = QStringLiteral("FTDI FT232 USB to UART TTL / PN532");
    const auto centred = Qt::AlignHCenter | Qt::AlignTop;
    // The shadow first, so that the heading is drawn over it.
    auto* shadow = AddLabel(page, "Label6", {35, 30, 540, 41}, heading, centred);
    auto* title = AddLabel(page, "Label7", {37, 32, 540, 41}, heading, centred);
    for (auto* label : {shadow, title}) label->setFont(TahomaFont(27, true));
    SetTextColor(shadow, QColor(0x00, 0xFF, 0x00));
    SetTextColor(title, QColor(0x00, 0x80, 0x00));

    Label8 = AddLabel(page, "Label8", {35, 85, 540, 24}, QString(), centred);
    Label8->setFont(TahomaFont(19));

    Label39 = AddLabel(page, "Label39", {16, 210, 580, 33}, QString::fromLatin1(MakerUrl), centred);
    QFont link = TahomaFont(16);
    link.setUnderline(true);
    Label39->setFont(link);
    SetTextColor(Label39, Qt::blue);
    Label39->setCursor(Qt::PointingHandCursor);
    Label39->installEventFilter(this);
}

// ---------------------------------------------------------------- settings

QString TForm1::ConfigFile() const { return FDataFolder + QStringLiteral("config.ini"); }

void TForm1::FormCreate()
{
    const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QString documents = FServices.DocumentsFolder;
    if (documents.isEmpty()) documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) documents = QDir::rootPath();
    FDataFolder = QDir::cleanPath(documents + QLatin1Char('/') + baseName) + QLatin1Char('/');
    QDir().mkpath(FDataFolder);  // a failure shows later, when the settings cannot be written

    Label8->setText(VersionLine());

    const TIniFile ini(ConfigFile());
    move(ini.ReadInteger(QStringLiteral("WINDOW"), QStringLiteral("Left"), DefaultLeft),
         ini.ReadInteger(QStringLiteral("WINDOW"), QStringLiteral("Top"), DefaultTop));
    // Item indexes from the file are taken into the lists' ranges.
    ComboBox2->setCurrentIndex(
        std::clamp(ini.ReadInteger(QStringLiteral("TIMER"), QStringLiteral("Intervall"), 0), 0, IntervalChoices - 1));
    ComboBox1->setCurrentIndex(
        std::clamp(ini.ReadInteger(QStringLiteral("EXCEL"), QStringLiteral("Spalte"), 0), 0, ColumnChoices - 1));
    CheckBox1->setChecked(ini.ReadBool(QStringLiteral("EXCEL"), QStringLiteral("Automatisch"), true));
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TForm1::ComboBox2Change);

    FLinkOpen = false;
    FLink.BaudRate = BaudRate;
    FLink.DataBits = FT_BITS_8;
    FLink.StopBits = FT_STOP_BITS_1;
    FLink.Parity = FT_PARITY_NONE;
    FLink.ErrorReportEnabled = false;

    Timer1->setInterval((ComboBox2->currentIndex() + 1) * 1000);
    Timer1->start();
}

void TForm1::FormClose()
{
    if (FClosed) return;
    FClosed = true;
    Timer1->stop();
    if (FLinkOpen) {
        FLink.CloseDevice();
        FLinkOpen = false;
    }
    TIniFile ini(ConfigFile());
    ini.WriteInteger(QStringLiteral("WINDOW"), QStringLiteral("Left"), x());
    ini.WriteInteger(QStringLiteral("WINDOW"), QStringLiteral("Top"), y());
    ini.WriteInteger(QStringLiteral("TIMER"), QStringLiteral("Intervall"), ComboBox2->currentIndex());
    ini.WriteInteger(QStringLiteral("EXCEL"), QStringLiteral("Spalte"), ComboBox1->currentIndex());
    ini.WriteBool(QStringLiteral("EXCEL"), QStringLiteral("Automatisch"), CheckBox1->isChecked());
    if (!ini.UpdateFile())
        ShowError(QStringLiteral("In %1 kann nicht geschrieben werden").arg(QDir::toNativeSeparators(ConfigFile())));
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();  // also when the settings could not be written
}

void TForm1::ShowError(const QString& text)
{
    if (FServices.ShowError)
        FServices.ShowError(text);
    else
        QMessageBox::critical(this, QApplication::applicationDisplayName(), text);
}

// ---------------------------------------------------------------- window

void TForm1::ComboBox2Change()
{
    Timer1->stop();
    Timer1->setInterval((ComboBox2->currentIndex() + 1) * 1000);
    Timer1->start();
}

void TForm1::Label39Click()
{
    const QUrl url(QString::fromLatin1(MakerUrl));
    if (FServices.OpenUrl)
        FServices.OpenUrl(url);
    else
        QDesktopServices::openUrl(url);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label39 && event->type() == QEvent::MouseButtonRelease) {
        Label39Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
#ifndef Q_OS_WIN
    // X11 and Wayland tell no start and end of a drag: a move of the shown
    // window suspends polling until the moves have stopped for a moment.
    if (!isVisible()) return;
    FWindowMoving = true;
    FMoveQuiet->start();
#endif
}

bool TForm1::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
#ifdef Q_OS_WIN
    if (eventType == "windows_generic_MSG") {
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_ENTERSIZEMOVE) FWindowMoving = true;
        if (msg->message == WM_EXITSIZEMOVE) FWindowMoving = false;
    }
#endif
    return QWidget::nativeEvent(eventType, message, result);
}

// ---------------------------------------------------------------- workbook

void TForm1::Button1Click()
{
    QString path;
    if (FServices.ChooseWorkbook) {
        path = FServices.ChooseWorkbook();
    } else if (OpenDialog1->exec() == QDialog::Accepted && !OpenDialog1->selectedFiles().isEmpty()) {
        path = OpenDialog1->selectedFiles().constFirst();
    }
    if (path.isEmpty()) return;

    FWorkbookPath = QFileInfo(path).absoluteFilePath();
    StaticText1->setText(QLatin1Char(' ') + ShortenPath(QDir::toNativeSeparators(FWorkbookPath), QFontMetrics(font()),
                                                        StaticText1->width() - 10));
    ShowEntryButtonState();
}

void TForm1::ShowEntryButtonState()
{
    const bool ready = !FChipNumber.isEmpty();
    Button2->setText(ready ? EntryCaption() : QString::fromUtf8(NoChipNumber));
    Button2->setEnabled(ready);
}

void TForm1::Button2Click()
{
    // Without a number or a workbook file there is nothing to enter.
    if (FChipNumber.isEmpty() || !QFileInfo(FWorkbookPath).isFile()) return;
    const int row = UpDown1->Position();
    const int column = ComboBox1->currentIndex() + 1;
    try {
        const std::string path = QFile::encodeName(FWorkbookPath).toStdString();
        const auto adapter = std::make_unique<xls::TXLSAdapter>();
        const auto workbook = std::make_unique<xls::TXLSFile>(adapter.get(), true);
        workbook->Connect();
        workbook->OpenFile(path);
        workbook->SetActiveSheet(1);
        // On a chart sheet the cells would silently go nowhere.
        if (!workbook->IsWorksheet(1)) xls::RaiseXls(xls::TXlsMsg::NotAWorksheet, {std::int64_t(1)});
        workbook->SetCellString(row, column, FChipNumber.toStdU16String(), u"", u"");
        workbook->SetCellString(row, column + 1, Panel1->text().toStdU16String(), u"", u"");
        workbook->Save(true, path, nullptr, nullptr, nullptr);
        workbook->Disconnect();
    } catch (const std::exception& error) {
        // The file is as it was (the save replaces it only when complete);
        // number, panels, button and row stay for another try.
        ShowError(QString::fromStdString(error.what()));
        return;
    }
    // Row 300 is the selector's last: the row stays there, and the next
    // tag's button reads "Nr: 300  EINTRAGEN" again, so a further entry
    // into row 300 is announced before it is made.
    if (CheckBox1->isChecked()) UpDown1->SetPosition(std::min(row + 1, RowMax));
    Button2->setText(QString::fromUtf8(NoChipNumber));
    Button2->setEnabled(false);
    FChipNumber.clear();
    Panel1->clear();
    Panel2->clear();
}

QString TForm1::EntryCaption() const { return QStringLiteral("Nr: %1  EINTRAGEN").arg(UpDown1->Position()); }

// ---------------------------------------------------------------- poll cycle

void TForm1::Log(const QString& line)
{
    Memo1->appendPlainText(line);
    // The caret at the start of the new line: the log follows its end
    // without scrolling sideways to the ends of the long lines.
    QTextCursor caret = Memo1->textCursor();
    caret.movePosition(QTextCursor::End);
    caret.movePosition(QTextCursor::StartOfBlock);
    Memo1->setTextCursor(caret);
}

void TForm1::WaitPumping(std::uint32_t milliseconds)
{
    const std::uint32_t start = FClock->TickCount();
    // Unsigned difference: right across the tick counter's wrap-around.
    while (static_cast<std::uint32_t>(FClock->TickCount() - start) < milliseconds) {
        QCoreApplication::processEvents();
        FClock->YieldTimeSlice();
    }
}

void TForm1::Timer1Timer()
{
    // A tick that comes while a cycle waits (a nested event loop, such as a
    // dialog opened during the wait) would interleave its frames with the
    // running cycle's: it is skipped.
    if (FWindowMoving || FInCycle) return;
    FInCycle = true;
    if (FLinkOpen)
        PollStep();
    else
        ConnectStep();
    FInCycle = false;
}

void TForm1::ConnectStep()
{
    const std::int32_t openStatus = FLink.OpenDevice();
    if (openStatus != 0) return;
    FLinkOpen = true;
    Log(QStringLiteral("Open_USB_Device: %1").arg(openStatus));
    Log(QStringLiteral("Set_USB_Device_BaudRate: %1").arg(FLink.SetBaudRate()));
    Log(QStringLiteral("Set_USB_Device_DataCharacteristics: %1").arg(FLink.SetDataCharacteristics()));
    Log(QStringLiteral("Reset_USB_Device: %1").arg(FLink.ResetDevice()));
    Log(QStringLiteral("Set_USB_Device_TimeOuts: %1").arg(FLink.SetTimeouts(TransferTimeoutMs, TransferTimeoutMs)));
    WakeUp();
    setWindowTitle(QString::fromUtf8(TitleDevicePresent));
}

void TForm1::WakeUp()
{
    std::copy_n(FrameTable.begin() + WakeUpOffset, WakeUpSize, FLink.TxBuffer().begin());
    const std::int32_t written = FLink.WriteBuffer(WakeUpSize);
    Log(HexDump(QStringLiteral("HEX write ... "), FLink.TxBuffer().first(static_cast<std::size_t>(written))));
    WaitPumping(FrameGapMs);
    FLink.PurgeReceive();
    FLink.PurgeTransmit();
}

QString TForm1::SendFrame(std::size_t offset, std::size_t size)
{
    std::copy_n(FrameTable.begin() + static_cast<std::ptrdiff_t>(offset), size, FLink.TxBuffer().begin());
    const std::int32_t written = FLink.WriteBuffer(static_cast<std::int32_t>(size));
    const QString trace =
        HexDump(QStringLiteral("HEX write ... "), FLink.TxBuffer().first(static_cast<std::size_t>(written)));
    WaitPumping(FrameGapMs);
    return trace;
}

void TForm1::PollStep()
{
    if (FLink.GetQueueStatus() != 0) {
        FLinkOpen = false;
        setWindowTitle(QString::fromUtf8(TitleNoDevice));
        // Release the lost handle, or every lost link would leak one.
        FLink.CloseDevice();
        return;
    }
    // Bytes still queued came after an earlier poll's read (a reply that was
    // late or longer than 25 bytes); left there, they would shift this poll's
    // reply and could keep every later one shifted.
    FLink.PurgeReceive();
    const QString listTrace = SendFrame(ListTargetsOffset, ListTargetsSize);
    const QString versionTrace = SendFrame(VersionRequestOffset, VersionRequestSize);
    if (FLink.ReadBuffer(TagReplySize) != TagReplySize) return;

    const TByteView reply = FLink.RxBuffer().first(TagReplySize);
    Log(listTrace);
    Log(versionTrace);
    Log(HexDump(QStringLiteral("HEX read  ... "), reply));
    if (IsTagReply(reply)) AcceptTag(reply);
}

void TForm1::AcceptTag(TByteView reply)
{
    FUidHex = UidHexOf(reply);
    Panel1->setText(UidPanelTextOf(reply));
    FChipNumber = ChipNumberOf(reply);
    Panel2->setText(FChipNumber);
    QGuiApplication::clipboard()->setText(FChipNumber);
    if (FWorkbookPath.isEmpty()) {
        Button2->setText(QString::fromUtf8(NoWorkbook));  // stays disabled: no workbook, no entry
        return;
    }
    Button2->setText(EntryCaption());
    Button2->setEnabled(true);
}

}  // namespace tagstation
