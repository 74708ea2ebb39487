// The station's main window: the tag panels, the workbook controls, the
// interval and column choices, the log, the information page and the
// registrar's options; the poll cycle that its timer drives; the workbook
// entry and its undo; and the settings it restores and saves.
//
// The poll cycle may wait with events running. A click on a button or a
// close that comes during such a wait is carried out when the cycle ends.
#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EntryUndo.h"
#include "FtdiDriver.h"
#include "PcscApi.h"
#include "StationBytes.h"
#include "TickClock.h"
#include "WorkbookEntry.h"

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

class TPollCycle;
class TUpDown;

// What the window needs from outside; tests put their own in.
struct TStationServices {
    // The reader: an FT232 with a PN532 behind it through this driver, or,
    // without one, a PC/SC reader through this interface (the first reader
    // whose name contains PcscReader).
    std::unique_ptr<TFtdiDriver> Driver;
    std::unique_ptr<TPcscApi> Pcsc;
    std::string PcscReader;
    std::shared_ptr<TTickClock> Clock;              // null: the system's clock
    QString DocumentsFolder;                        // empty: the user's documents folder
    std::function<QString()> ChooseWorkbook;        // null: the file-open dialog
    std::function<void(const QString&)> ShowError;  // null: a modal message box
    std::function<void(const QUrl&)> OpenUrl;       // null: the desktop's browser
    std::function<bool(const QString&)> Confirm;    // null: a question with "Ja" and "Nein"
    std::function<QDateTime()> Now;                 // null: the system's clock
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
    void Button3Click();
    void ComboBox2Change();
    void Label39Click();
    // Closes the window as the user would, for a signal or the session's end:
    // an open dialog is cancelled first.
    void CloseOnRequest();

    bool LinkOpen() const;
    bool WindowMoving() const { return FWindowMoving; }
    const QString& UidHex() const { return FUidHex; }
    const QString& ChipNumber() const { return FChipNumber; }
    const QString& WorkbookPath() const { return FWorkbookPath; }
    const QString& DataFolder() const { return FDataFolder; }

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
    void CreateOptionsPage(QWidget* page);
    std::unique_ptr<TPollCycle> MakeCycle();
    void FormCreate();
    void FormClose();
    QString ConfigFile() const;

    // Runs `action` now, or when the running poll cycle ends.
    void WhenCycleEnds(std::function<void()> action);
    void RunDeferred();

    void ChooseWorkbook();
    void EnterTag(const QString& path, TEntryCells cells);
    void UndoLastEntry();
    bool ConfirmDuplicate(const QString& chipNumber, int row);
    void ShowUndoState();
    void AcceptTag(const TBytes& uid);
    void ShowEntryButtonState();
    QString EntryCaption() const;
    void Log(const QString& line);
    void ShowError(const QString& text);

    TStationServices FServices;
    std::shared_ptr<TTickClock> FClock;
    std::unique_ptr<TPollCycle> FCycle;
    std::vector<std::function<void()>> FDeferred;

    bool FWindowMoving = false;
    bool FAsking = false;
    bool FClosed = false;
    QString FUidHex;
    QString FChipNumber;
    bool FChipNumberAsText = false;
    QString FWorkbookPath;
    QString FDataFolder;
    // The last entry, while it can be undone, and the row it left.
    std::optional<TEntryUndo> FUndo;
    int FUndoRow = 0;
    int FRowAfterEntry = 0;

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
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QPushButton* Button3 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label39 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* FMoveQuiet = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
};

}  // namespace tagstation
