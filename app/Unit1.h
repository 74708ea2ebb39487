// The station's main window: the tag panels, the workbook controls, the
// interval and column choices, the log and the information page; the poll
// cycle that its timer drives; the workbook entry; and the settings it
// restores and saves.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "D2XXUnit.h"
#include "TickClock.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QUrl;

namespace tagstation {

class TUpDown;

// What the window needs from outside; tests put their own in.
struct TStationServices {
    std::unique_ptr<TFtdiDriver> Driver;
    std::shared_ptr<TTickClock> Clock;              // null: the system's clock
    QString DocumentsFolder;                        // empty: the user's documents folder
    std::function<QString()> ChooseWorkbook;        // null: the file-open dialog
    std::function<void(const QString&)> ShowError;  // null: a modal message box
    std::function<void(const QUrl&)> OpenUrl;       // null: the desktop's browser
};

// "Version: 1.0.1.134 - Linux 64Bit": the build's version, system and word size.
QString VersionLine();

class TForm1 : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 624;
    static constexpr int ClientHeight = 311;
    static constexpr int RowMin = 1;
    static constexpr int RowMax = 300;
    static const char* const MakerUrl;

    explicit TForm1(TStationServices services, QWidget* parent = nullptr);
    ~TForm1() override;

    void Timer1Timer();
    void Button1Click();
    void Button2Click();
    void ComboBox2Change();
    void Label39Click();

    bool LinkOpen() const { return FLinkOpen; }
    bool WindowMoving() const { return FWindowMoving; }
    const QString& UidHex() const { return FUidHex; }
    const QString& ChipNumber() const { return FChipNumber; }
    const QString& WorkbookPath() const { return FWorkbookPath; }
    const QString& DataFolder() const { return FDataFolder; }
    TD2XXLink& Link() { return FLink; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateDataPage(QWidget* page);
    void CreateLogPage(QWidget* page);
    void CreateInfoPage(QWidget* page);
    void FormCreate();
    void FormClose();
    QString ConfigFile() const;

    void ConnectStep();
    void PollStep();
    void WakeUp();
    // Sends one frame of the frame table; returns its trace line.
    QString SendFrame(std::size_t offset, std::size_t size);
    void WaitPumping(std::uint32_t milliseconds);
    void AcceptTag(TByteView reply);
    void ShowEntryButtonState();
    QString EntryCaption() const;
    void Log(const QString& line);
    void ShowError(const QString& text);

    TStationServices FServices;
    std::shared_ptr<TTickClock> FClock;
    TD2XXLink FLink;

    bool FLinkOpen = false;
    bool FWindowMoving = false;
    bool FInCycle = false;
    bool FClosed = false;
    QString FUidHex;
    QString FChipNumber;
    QString FWorkbookPath;
    QString FDataFolder;

    QTabWidget* PageControl1 = nullptr;
    QLabel* Panel1 = nullptr;
    QLabel* Panel2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* StaticText1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    TUpDown* UpDown1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label39 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* FMoveQuiet = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
};

}  // namespace tagstation
