// Shared by the station's test suites: a manual clock and a main window on
// the simulated reader with its documents folder in a temporary directory.
#pragma once

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "SimulatedFt232Driver.h"
#include "TickClock.h"
#include "Unit1.h"
#include "facade/XLSAdapter.h"

namespace tagstation::test {

// Time moves only when the code under test yields or sleeps.
class TManualClock final : public TTickClock {
public:
    explicit TManualClock(std::uint32_t start = 1'000'000) : Now(start) {}
    std::uint32_t TickCount() override { return Now; }
    void YieldTimeSlice() override { Now += 5; }
    void Sleep(std::uint32_t milliseconds) override { Now += milliseconds; }
    std::uint32_t Now;
};

using TUid = TPn532Model::TUid;
using TReaction = TPn532Model::TBadChecksumReaction;

struct TStation {
    std::shared_ptr<TManualClock> Clock = std::make_shared<TManualClock>();
    QTemporaryDir Documents;
    TSimulatedFt232Driver* Reader = nullptr;
    QStringList Errors;
    QString WorkbookChoice;
    // Run inside the window's error message and file dialog, while they are open.
    std::function<void(const QString&)> OnError;
    std::function<void()> OnChooseWorkbook;
    // The questions asked, and the answer to them.
    QStringList Questions;
    bool Answer = true;
    QDateTime Now = QDateTime(QDate(2024, 3, 9), QTime(14, 5, 30));
    std::unique_ptr<TForm1> Form;

    explicit TStation(TReaction reaction = TReaction::CancelsPendingCommand) { Open(reaction); }

    // A new window on the same documents folder (for settings round trips).
    void Open(TReaction reaction = TReaction::CancelsPendingCommand)
    {
        auto reader = std::make_unique<TSimulatedFt232Driver>(Clock, reaction);
        Reader = reader.get();
        TStationServices services;
        services.Driver = std::move(reader);
        services.Clock = Clock;
        services.DocumentsFolder = Documents.path();
        services.ChooseWorkbook = [this] {
            if (OnChooseWorkbook) OnChooseWorkbook();
            return WorkbookChoice;
        };
        services.ShowError = [this](const QString& text) {
            Errors << text;
            if (OnError) OnError(text);
        };
        services.Confirm = [this](const QString& question) {
            Questions << question;
            return Answer;
        };
        services.Now = [this] { return Now; };
        Form = std::make_unique<TForm1>(std::move(services));
    }

    template <typename T>
    T* Control(const char* name) const
    {
        auto* control = Form->findChild<T*>(QString::fromLatin1(name));
        if (!control) qFatal("no control %s", name);
        return control;
    }

    QString Text(const char* label) const { return Control<QLabel>(label)->text(); }
    QPushButton* Button(const char* name) const { return Control<QPushButton>(name); }
    QStringList LogLines() const
    {
        const QString text = Control<QPlainTextEdit>("Memo1")->toPlainText();
        return text.isEmpty() ? QStringList() : text.split('\n');
    }

    void Tick() { Form->Timer1Timer(); }
    // Opens the link (one tick) and clears the records of that.
    void Connect()
    {
        Tick();
        QVERIFY(Form->LinkOpen());
        Reader->ClearRecords();
    }
};

// A workbook of one empty sheet.
inline bool NewWorkbook(const QString& path)
{
    xls::TXLSFile workbook(nullptr, true);
    workbook.Connect();
    workbook.NewFile(1);
    workbook.Save(true, QFile::encodeName(path).toStdString(), nullptr, nullptr, nullptr);
    return QFile::exists(path);
}

// A cell of the workbook's first sheet, as text ("" when empty).
inline QString CellText(const QString& path, int row, int column)
{
    xls::TXLSFile workbook(nullptr, true);
    workbook.Connect();
    workbook.OpenFile(QFile::encodeName(path).toStdString());
    workbook.SetActiveSheet(1);
    return QString::fromStdU16String(xls::VarToText(workbook.GetCellValue(row, column)));
}

inline TBytes Bytes(std::initializer_list<int> values)
{
    TBytes bytes;
    for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

}  // namespace tagstation::test
