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
#include <string>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "Ft232PollCycle.h"
#include "IniFile.h"
#include "PathShortener.h"
#include "PcscPollCycle.h"
#include "TagText.h"
#include "UpDown.h"
#include "WorkbookEntry.h"

namespace tagstation {

namespace {

const char* const NoChipNumber = "KEINE CHIP-NUMMER";
const char* const NoWorkbook = "Keine Excel Datei ausgewählt";

constexpr int MoveQuietMs = 500;
// A tag left on the reader adds three lines a second; keep about a day's worth.
constexpr int LogLineLimit = 250'000;

constexpr int IntervalChoices = 5;
constexpr int ColumnChoices = 15;
constexpr int DefaultLeft = 80;
constexpr int DefaultTop = 50;
constexpr int PanelFontPixels = 24;
constexpr int SmallestPanelFontPixels = 10;

const QString OptionsSection = QStringLiteral("OPTIONEN");
const QString DuplicatesKey = QStringLiteral("DoppelteMelden");
const QString TimeStampKey = QStringLiteral("Zeitstempel");

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
    panel->setFont(TahomaFont(PanelFontPixels, true));
    SetTextColor(panel, color);
    return panel;
}

// A 7-byte UID's texts are longer than the panels: their font gets smaller
// until they fit.
void ShowInPanel(QLabel* panel, const QString& text)
{
    const int room = panel->contentsRect().width() - 2 * panel->frameWidth() - 6;
    int pixels = PanelFontPixels;
    while (pixels > SmallestPanelFontPixels && QFontMetrics(TahomaFont(pixels, true)).horizontalAdvance(text) > room)
        --pixels;
    panel->setFont(TahomaFont(pixels, true));
    panel->setText(text);
}

// Writes an option only once the user has turned it on, so that the file
// holds just the specified keys until then.
void WriteOption(TIniFile& ini, const QString& key, bool on)
{
    if (on || ini.ValueExists(OptionsSection, key)) ini.WriteBool(OptionsSection, key, on);
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
      FServices(std::move(services)), FClock(FServices.Clock ? FServices.Clock : std::make_shared<TSystemTickClock>()),
      FCycle(MakeCycle())
{
    CreateControls();
    FormCreate();
}

TForm1::~TForm1() = default;

std::unique_ptr<TPollCycle> TForm1::MakeCycle()
{
    std::unique_ptr<TPollCycle> cycle;
    if (FServices.Driver)
        cycle = std::make_unique<TFt232PollCycle>(std::move(FServices.Driver), FClock, [this](const std::string& text) {
            ShowError(QString::fromStdString(text));
        });
    else if (FServices.Pcsc)
        cycle = std::make_unique<TPcscPollCycle>(std::move(FServices.Pcsc), FServices.PcscReader);
    else
        throw std::invalid_argument("the station needs a reader");
    connect(cycle.get(), &TPollCycle::TitleChanged, this, &QWidget::setWindowTitle);
    connect(cycle.get(), &TPollCycle::Logged, this, &TForm1::Log);
    connect(cycle.get(), &TPollCycle::TagRead, this, &TForm1::AcceptTag);
    return cycle;
}

bool TForm1::LinkOpen() const { return FCycle->LinkOpen(); }

// ---------------------------------------------------------------- controls

void TForm1::CreateControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(FCycle->AbsentTitle());
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
    CreateOptionsPage(addPage("TabSheet4", QStringLiteral("Optionen")));
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
    connect(UpDown1, &TUpDown::PositionChanged, this, &TForm1::ShowUndoState);

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

void TForm1::CreateOptionsPage(QWidget* page)
{
    const auto addHint = [page](const char* name, QRect box, const QString& text) {
        auto* hint = AddLabel(page, name, box, text, Qt::AlignLeft | Qt::AlignTop);
        hint->setFont(TahomaFont(13));
        hint->setWordWrap(true);
        SetTextColor(hint, MediumGray.darker(160));
    };
    const auto addOption = [page](const char* name, int top, const QString& text) {
        auto* option = Place(new QCheckBox(text, page), name, 15, top, 585, 20);
        option->setCursor(Qt::PointingHandCursor);
        return option;
    };
    CheckBox2 = addOption("CheckBox2", 20, QStringLiteral("Doppelte Chipnummer melden"));
    addHint("Label10", {37, 42, 563, 18},
            QStringLiteral("Vor dem Eintragen fragen, wenn die Chipnummer schon in der Spalte steht"));
    CheckBox3 = addOption("CheckBox3", 75, QStringLiteral("Zeitstempel eintragen"));
    addHint("Label11", {37, 97, 563, 18},
            QStringLiteral("Datum und Uhrzeit des Eintrags rechts neben die UID schreiben"));

    Button3 = Place(new QPushButton(QStringLiteral("Letzten Eintrag rückgängig"), page), "Button3", 15, 140, 280, 30);
    Button3->setFont(TahomaFont(15, true));
    Button3->setCursor(Qt::PointingHandCursor);
    Button3->setEnabled(false);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    addHint("Label9", {15, 176, 585, 36},
            QStringLiteral("Stellt die Zellen wieder her, die der letzte Eintrag überschrieben hat, "
                           "und geht mit der Zeile zurück."));
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
    CheckBox2->setChecked(ini.ReadBool(OptionsSection, DuplicatesKey, false));
    CheckBox3->setChecked(ini.ReadBool(OptionsSection, TimeStampKey, false));
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TForm1::ComboBox2Change);

    // The reader link's line settings are the poll cycle's (Ft232PollCycle).
    Timer1->setInterval((ComboBox2->currentIndex() + 1) * 1000);
    Timer1->start();
}

void TForm1::FormClose()
{
    if (FClosed) return;
    FClosed = true;
    Timer1->stop();
    FCycle->Close();
    TIniFile ini(ConfigFile());
    ini.WriteInteger(QStringLiteral("WINDOW"), QStringLiteral("Left"), x());
    ini.WriteInteger(QStringLiteral("WINDOW"), QStringLiteral("Top"), y());
    ini.WriteInteger(QStringLiteral("TIMER"), QStringLiteral("Intervall"), ComboBox2->currentIndex());
    ini.WriteInteger(QStringLiteral("EXCEL"), QStringLiteral("Spalte"), ComboBox1->currentIndex());
    ini.WriteBool(QStringLiteral("EXCEL"), QStringLiteral("Automatisch"), CheckBox1->isChecked());
    WriteOption(ini, DuplicatesKey, CheckBox2->isChecked());
    WriteOption(ini, TimeStampKey, CheckBox3->isChecked());
    if (!ini.UpdateFile())
        ShowError(QStringLiteral("In %1 kann nicht geschrieben werden").arg(QDir::toNativeSeparators(ConfigFile())));
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (FCycle->Busy()) {
        // The cycle would go on with a closed link: the close waits for its end.
        event->ignore();
        WhenCycleEnds([this] { close(); });
        return;
    }
    FormClose();
    event->accept();  // also when the settings could not be written
}

void TForm1::CloseOnRequest()
{
    // An open dialog is cancelled: the handler that opened it then finds the
    // window closed and changes nothing.
    if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog != this) dialog->close();
    close();
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
    WhenCycleEnds([this] { ChooseWorkbook(); });
}

void TForm1::ChooseWorkbook()
{
    QString path;
    if (FServices.ChooseWorkbook) {
        path = FServices.ChooseWorkbook();
    } else if (OpenDialog1->exec() == QDialog::Accepted && !OpenDialog1->selectedFiles().isEmpty()) {
        path = OpenDialog1->selectedFiles().constFirst();
    }
    if (path.isEmpty() || FClosed) return;

    FWorkbookPath = QFileInfo(path).absoluteFilePath();
    StaticText1->setText(QLatin1Char(' ') + ShortenPath(QDir::toNativeSeparators(FWorkbookPath), QFontMetrics(font()),
                                                        StaticText1->width() - 10));
    ShowEntryButtonState();
    ShowUndoState();
}

void TForm1::ShowEntryButtonState()
{
    const bool ready = !FChipNumber.isEmpty();
    Button2->setText(ready ? EntryCaption() : QString::fromUtf8(NoChipNumber));
    Button2->setEnabled(ready);
}

void TForm1::Button2Click()
{
    // What the window shows at the click goes in, also when the entry waits
    // for a running poll cycle to end.
    if (FChipNumber.isEmpty()) return;
    TEntryCells cells;
    cells.Row = UpDown1->Position();
    cells.Column = ComboBox1->currentIndex() + 1;
    cells.ChipNumber = FChipNumber;
    cells.ChipNumberAsText = FChipNumberAsText;
    cells.UidText = Panel1->text();
    WhenCycleEnds([this, path = FWorkbookPath, cells] { EnterTag(path, cells); });
}

void TForm1::EnterTag(const QString& path, TEntryCells cells)
{
    // Without a workbook file there is nothing to enter into.
    if (!QFileInfo(path).isFile() || FClosed) return;
    if (CheckBox3->isChecked()) cells.TimeStamp = FServices.Now ? FServices.Now() : QDateTime::currentDateTime();
    std::optional<TEntryUndo> undo = TEntryUndo::Before(path);
    try {
        auto workbook = std::make_unique<TEntryWorkbook>(path);
        if (CheckBox2->isChecked()) {
            if (const int row = workbook->RowOf(cells.Column, cells.ChipNumber); row > 0) {
                // The question may stay open for long: what the file is then
                // is read once it is answered.
                workbook.reset();
                if (!ConfirmDuplicate(cells.ChipNumber, row)) return;  // the number stays pending
                undo = TEntryUndo::Before(path);
                workbook = std::make_unique<TEntryWorkbook>(path);
            }
        }
        workbook->Write(cells);
        workbook->Save();
    } catch (const std::exception& error) {
        // The file is as it was (the save replaces it only when complete);
        // number, panels, button and row stay for another try.
        ShowError(QString::fromStdString(error.what()));
        return;
    }
    // Row 300 is the selector's last: the row stays there, and the next
    // tag's button reads "Nr: 300  EINTRAGEN" again, so a further entry
    // into row 300 is announced before it is made.
    if (CheckBox1->isChecked()) UpDown1->SetPosition(std::min(cells.Row + 1, RowMax));
    if (FChipNumber == cells.ChipNumber) {
        Button2->setText(QString::fromUtf8(NoChipNumber));
        Button2->setEnabled(false);
        FChipNumber.clear();
        Panel1->clear();
        Panel2->clear();
    } else {
        ShowEntryButtonState();  // another tag was read while the entry waited
    }

    FUndo = std::move(undo);
    if (FUndo) FUndo->Saved();
    FUndoRow = cells.Row;
    FRowAfterEntry = UpDown1->Position();
    ShowUndoState();
}

bool TForm1::ConfirmDuplicate(const QString& chipNumber, int row)
{
    const QString question =
        QStringLiteral("Die Chipnummer %1 steht schon in Zeile %2.\nSoll sie noch einmal eingetragen werden?")
            .arg(chipNumber)
            .arg(row);
    // No poll while the question is open: a tag read meanwhile would replace
    // the number that the answer is about.
    FAsking = true;
    bool yes = false;
    if (FServices.Confirm) {
        yes = FServices.Confirm(question);
    } else {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Doppelte Chipnummer"), question, QMessageBox::NoButton,
                        this);
        QPushButton* yesButton = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        QPushButton* noButton = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        box.setDefaultButton(noButton);
        box.setEscapeButton(noButton);
        box.exec();
        yes = box.clickedButton() == yesButton;
    }
    FAsking = false;
    return yes && !FClosed;
}

void TForm1::Button3Click()
{
    WhenCycleEnds([this] { UndoLastEntry(); });
}

void TForm1::ShowUndoState()
{
    Button3->setEnabled(FUndo && FUndo->Path() == FWorkbookPath && UpDown1->Position() == FRowAfterEntry);
}

void TForm1::UndoLastEntry()
{
    if (!Button3->isEnabled() || FClosed) return;
    const QString file = QDir::toNativeSeparators(FUndo->Path());
    if (!FUndo->StillAsSaved()) {
        ShowError(QStringLiteral("Der letzte Eintrag kann nicht rückgängig gemacht werden: %1 wurde seither geändert.")
                      .arg(file));
        FUndo.reset();
        ShowUndoState();
        return;
    }
    if (!FUndo->Restore()) {
        ShowError(QStringLiteral("In %1 kann nicht geschrieben werden").arg(file));
        return;  // the undo stays possible
    }
    FUndo.reset();
    UpDown1->SetPosition(FUndoRow);
    ShowUndoState();
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

void TForm1::Timer1Timer()
{
    if (FWindowMoving || FAsking) return;
    FCycle->Tick();
    // A tick that came during the cycle's wait returns at once: only the
    // outer one runs what was deferred.
    if (!FCycle->Busy()) RunDeferred();
}

void TForm1::WhenCycleEnds(std::function<void()> action)
{
    if (FCycle->Busy())
        FDeferred.push_back(std::move(action));
    else
        action();
}

void TForm1::RunDeferred()
{
    std::vector<std::function<void()>> actions;
    actions.swap(FDeferred);
    for (auto& action : actions) action();
}

void TForm1::AcceptTag(const TBytes& uid)
{
    FUidHex = UidHexText(uid);
    ShowInPanel(Panel1, UidPanelText(uid));
    FChipNumber = ChipNumberText(uid);
    FChipNumberAsText = uid.size() > 4;
    ShowInPanel(Panel2, FChipNumber);
    QGuiApplication::clipboard()->setText(FChipNumber);
    if (FWorkbookPath.isEmpty()) {
        Button2->setText(QString::fromUtf8(NoWorkbook));  // stays disabled: no workbook, no entry
        return;
    }
    Button2->setText(EntryCaption());
    Button2->setEnabled(true);
}

}  // namespace tagstation
