// The entry button: a read tag goes into a copy of a corpus workbook, checked
// with the independent dump tool; failures leave file and window as they were.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <optional>

#include "StationFixture.h"
#include "UpDown.h"
#include "WriteProtection.h"
#include "facade/XLSAdapter.h"

#ifdef Q_OS_LINUX
#include <sys/resource.h>

#include <csignal>
#endif

using namespace tagstation;
using namespace tagstation::test;

namespace {

const QString CorpusDir = QStringLiteral(TAGSTATION_CORPUS_DIR);
const TUid DeadBeef = {0xDE, 0xAD, 0xBE, 0xEF};
const TUid OtherTag = {0x04, 0xA1, 0xB2, 0xC3};  // chip number 3283263748

QString CorpusFile(const QString& name) { return CorpusDir + QStringLiteral("/gen/") + name; }

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The dump tool's lines of a workbook, sorted; a failure of the tool shows in the result.
QStringList DumpLines(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(TAGSTATION_TEST_TOOLS_DIR "/xlrd_dump.py"), path});
    if (!python.waitForFinished(60'000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        return {QStringLiteral("xlsdump failed: ") + QString::fromUtf8(python.readAllStandardError())};
    QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The corpus file's expected dump with the given cell lines ("Sheet!C7\tn\t1.0")
// in place of those cells, sorted.
QStringList ExpectedDumpWith(const QString& corpusFile, const QStringList& cells)
{
    QFile file(CorpusDir + QStringLiteral("/expected/") + corpusFile + QStringLiteral(".dump"));
    if (!file.open(QIODevice::ReadOnly)) return {QStringLiteral("no expected dump for ") + corpusFile};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    for (const QString& cell : cells) {
        const QString ref = cell.section('\t', 0, 0) + QLatin1Char('\t');
        lines.removeIf([&](const QString& line) { return line.startsWith(ref); });
    }
    lines += cells;
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A station whose chosen workbook is a writable copy of a corpus file, alone
// in its own folder, with the reader connected.
struct TEntryStation : TStation {
    QTemporaryDir Folder;
    QString Workbook;

    explicit TEntryStation(const QString& corpusFile = QStringLiteral("poi_tiny.xls"))
    {
        // A name beyond ASCII: the path must reach the engine intact.
        Workbook = Folder.filePath(QStringLiteral("Chipliste Köln.xls"));
        QFile::copy(CorpusFile(corpusFile), Workbook);
        QFile::setPermissions(Workbook, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        WorkbookChoice = Workbook;
        Form->Button1Click();
        Connect();
    }

    void Read(const TUid& uid)
    {
        Reader->PutTag(uid);
        Tick();
    }
    void Aim(int row, int columnChoice, bool advance)
    {
        Control<TUpDown>("UpDown1")->SetPosition(row);
        Control<QComboBox>("ComboBox1")->setCurrentIndex(columnChoice);
        Control<QCheckBox>("CheckBox1")->setChecked(advance);
    }
    void Enter() { QTest::mouseClick(Button("Button2"), Qt::LeftButton); }

    QString Row() const { return Control<QLineEdit>("Edit1")->text(); }
    // What an entry changes or keeps in the window.
    QStringList EntryState() const
    {
        QPushButton* entry = Button("Button2");
        return {Form->ChipNumber(),  Text("Panel1"), Text("Panel2"),
                entry->text(),       entry->isEnabled() ? "enabled" : "disabled",
                QStringLiteral("row ") + Row()};
    }
    QStringList FolderNames() const
    {
        return QDir(Folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
};

QStringList StateAfterEntry(const QString& row)
{
    return {"", "", "", "KEINE CHIP-NUMMER", "disabled", "row " + row};
}

enum class TFailure { NotAWorkbook, ChartSheetFirst, LockedFile, LockedFolder, FileSizeLimit };

#ifdef Q_OS_LINUX
// A write error while saving: files may not grow beyond 1 KiB, which the
// kernel enforces for root as well; the write fails with EFBIG (the signal
// that would end the process is ignored).
class TFileSizeLimit {
public:
    TFileSizeLimit()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit limited = FOld;
        limited.rlim_cur = 1024;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    ~TFileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &FOld); }

private:
    rlimit FOld{};
};
#endif

// The first sheet of this workbook is a chart sheet: the chart sheet of a
// corpus file whose worksheet has been deleted.
void WriteChartSheetFirst(const QString& path)
{
    xls::TXLSFile workbook(nullptr, true);
    workbook.Connect();
    workbook.OpenFile(QFile::encodeName(CorpusFile(QStringLiteral("gnm_chart_sheet.xls"))).toStdString());
    workbook.SetActiveSheet(1);
    workbook.DeleteSheet(1);
    workbook.Save(true, QFile::encodeName(path).toStdString(), nullptr, nullptr, nullptr);
}

}  // namespace

Q_DECLARE_METATYPE(TFailure)

class WorkbookEntryTest : public QObject {
    Q_OBJECT
private slots:
    void entryWritesNumberAndUid_data();
    void entryWritesNumberAndUid();
    void sevenByteUidIsEnteredAsText();
    void lastRowStaysLastRow();
    void missingWorkbookDoesNothing_data();
    void missingWorkbookDoesNothing();
    void failedEntryKeepsFileAndWindow_data();
    void failedEntryKeepsFileAndWindow();
};

void WorkbookEntryTest::entryWritesNumberAndUid_data()
{
    QTest::addColumn<QString>("corpusFile");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("columnChoice");
    QTest::addColumn<bool>("advance");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("nextRow");
    const QStringList c7 = {"Tabelle1!C7\tn\t4022250974.0", "Tabelle1!D7\ts\tDE AD BE EF"};
    QTest::newRow("Spalte C, advance") << "poi_tiny.xls" << 7 << 2 << true << c7 << "8";
    QTest::newRow("Spalte C, no advance") << "poi_tiny.xls" << 7 << 2 << false << c7 << "7";
    QTest::newRow("Spalte O") << "poi_tiny.xls" << 7 << 14 << true
                              << QStringList{"Tabelle1!O7\tn\t4022250974.0", "Tabelle1!P7\ts\tDE AD BE EF"} << "8";
    // C2 held an error value and D2 a text; the rest of both sheets stays.
    QTest::newRow("over present values") << "poi_values.xls" << 2 << 2 << true
                                         << QStringList{"Werte!C2\tn\t4022250974.0", "Werte!D2\ts\tDE AD BE EF"}
                                         << "3";
}

void WorkbookEntryTest::entryWritesNumberAndUid()
{
    QFETCH(QString, corpusFile);
    QFETCH(int, row);
    QFETCH(int, columnChoice);
    QFETCH(bool, advance);
    QFETCH(QStringList, cells);
    QFETCH(QString, nextRow);
    TEntryStation station(corpusFile);
    station.Aim(row, columnChoice, advance);
    station.Read(DeadBeef);
    QCOMPARE(station.Button("Button2")->text(), QStringLiteral("Nr: %1  EINTRAGEN").arg(row));

    station.Enter();
    QCOMPARE(station.Errors, QStringList());
    QCOMPARE(DumpLines(station.Workbook), ExpectedDumpWith(corpusFile, cells));
    QCOMPARE(station.FolderNames(), QStringList("Chipliste Köln.xls"));
    QCOMPARE(station.EntryState(), StateAfterEntry(nextRow));

    // A second entry without a new read: the button is disabled, and the
    // handler itself has no number to enter.
    const QByteArray written = FileBytes(station.Workbook);
    station.Enter();
    station.Form->Button2Click();
    QCOMPARE(FileBytes(station.Workbook), written);
    QCOMPARE(station.Errors, QStringList());

    station.Read(DeadBeef);
    QCOMPARE(station.Button("Button2")->text(), QStringLiteral("Nr: %1  EINTRAGEN").arg(nextRow));
}

void WorkbookEntryTest::sevenByteUidIsEnteredAsText()
{
    // An NTAG215: its chip number has 17 digits, more than a number cell
    // holds exactly, so it goes in as text; 4-byte numbers stay numbers.
    TEntryStation station;
    station.Aim(7, 2, true);
    station.Read({0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80});
    station.Enter();
    station.Reader->TakeTag();
    station.Read(DeadBeef);
    station.Enter();
    QCOMPARE(station.Errors, QStringList());
    QCOMPARE(
        DumpLines(station.Workbook),
        ExpectedDumpWith("poi_tiny.xls", {"Tabelle1!C7\ts\t36116131592559108", "Tabelle1!D7\ts\t04 5A 3C 2A 6E 4F 80",
                                          "Tabelle1!C8\tn\t4022250974.0", "Tabelle1!D8\ts\tDE AD BE EF"}));
}

void WorkbookEntryTest::lastRowStaysLastRow()
{
    TEntryStation station;
    station.Aim(299, 2, true);
    station.Read(DeadBeef);
    station.Enter();
    QCOMPARE(station.EntryState(), StateAfterEntry("300"));

    station.Read(OtherTag);
    station.Enter();
    QCOMPARE(station.Errors, QStringList());
    QCOMPARE(station.EntryState(), StateAfterEntry("300"));
    QCOMPARE(DumpLines(station.Workbook),
             ExpectedDumpWith("poi_tiny.xls", {"Tabelle1!C299\tn\t4022250974.0", "Tabelle1!D299\ts\tDE AD BE EF",
                                               "Tabelle1!C300\tn\t3283263748.0", "Tabelle1!D300\ts\t04 A1 B2 C3"}));

    // The next tag's button says where its entry would go.
    station.Read(DeadBeef);
    QCOMPARE(station.Button("Button2")->text(), QStringLiteral("Nr: 300  EINTRAGEN"));
}

void WorkbookEntryTest::missingWorkbookDoesNothing_data()
{
    QTest::addColumn<bool>("folderInItsPlace");
    QTest::newRow("file deleted") << false;
    QTest::newRow("a folder in its place") << true;
}

void WorkbookEntryTest::missingWorkbookDoesNothing()
{
    QFETCH(bool, folderInItsPlace);
    TEntryStation station;
    station.Aim(7, 2, true);
    station.Read(DeadBeef);
    QVERIFY(QFile::remove(station.Workbook));
    if (folderInItsPlace) QVERIFY(QDir().mkdir(station.Workbook));
    const QStringList before = station.EntryState();
    const QStringList names = station.FolderNames();

    station.Enter();
    QCOMPARE(station.Errors, QStringList());
    QCOMPARE(station.EntryState(), before);
    QCOMPARE(station.FolderNames(), names);
    QCOMPARE(QFileInfo(station.Workbook).isDir(), folderInItsPlace);
}

void WorkbookEntryTest::failedEntryKeepsFileAndWindow_data()
{
    QTest::addColumn<TFailure>("failure");
    QTest::addColumn<QString>("message");  // part of the message; %1 stands for the workbook's path
    QTest::newRow("not a workbook") << TFailure::NotAWorkbook << "The file \"%1\" is invalid";
    QTest::newRow("chart sheet first") << TFailure::ChartSheetFirst << "Sheet number \"1\" is not a worksheet";
    QTest::newRow("write-protected file") << TFailure::LockedFile << "Can't open file \"%1\": ";
    QTest::newRow("write-protected folder") << TFailure::LockedFolder << "Can't open file \"%1\": ";
    QTest::newRow("write error") << TFailure::FileSizeLimit << "I/O error on file \"%1\": File too large";
}

void WorkbookEntryTest::failedEntryKeepsFileAndWindow()
{
    QFETCH(TFailure, failure);
    QFETCH(QString, message);
    TEntryStation station;
    if (failure == TFailure::NotAWorkbook) {
        QFile text(station.Workbook);
        QVERIFY(text.open(QIODevice::WriteOnly | QIODevice::Truncate));
        text.write("Chipnummer;UID\n");
    }
    if (failure == TFailure::ChartSheetFirst) WriteChartSheetFirst(station.Workbook);
    station.Aim(7, 2, true);
    station.Read(DeadBeef);
    const QByteArray bytes = FileBytes(station.Workbook);
    const QStringList state = station.EntryState();
    QCOMPARE(state, QStringList({"4022250974", "DE AD BE EF", "4022250974", "Nr: 7  EINTRAGEN", "enabled", "row 7"}));

    {
        TWriteProtection protection;
        if (failure == TFailure::LockedFile || failure == TFailure::LockedFolder) {
            const bool folder = failure == TFailure::LockedFolder;
            if (!protection.Protect(folder ? station.Folder.path() : station.Workbook, folder))
                QSKIP("no write protection that holds for this user here");
        }
#ifdef Q_OS_LINUX
        std::optional<TFileSizeLimit> sizeLimit;
        if (failure == TFailure::FileSizeLimit) sizeLimit.emplace();
#else
        if (failure == TFailure::FileSizeLimit) QSKIP("the file size limit is a Linux test");
#endif
        station.Enter();
    }

    QCOMPARE(station.Errors.size(), 1);
    QVERIFY2(station.Errors[0].contains(message.replace("%1", station.Workbook)), qPrintable(station.Errors[0]));
    QCOMPARE(station.EntryState(), state);
    QCOMPARE(FileBytes(station.Workbook), bytes);
    QCOMPARE(station.FolderNames(), QStringList("Chipliste Köln.xls"));

    // Once the cause is gone, the same entry can be made again.
    if (failure == TFailure::NotAWorkbook || failure == TFailure::ChartSheetFirst) return;
    station.Enter();
    QCOMPARE(station.Errors.size(), 1);
    QCOMPARE(station.EntryState(), StateAfterEntry("8"));
    QCOMPARE(DumpLines(station.Workbook),
             ExpectedDumpWith("poi_tiny.xls", {"Tabelle1!C7\tn\t4022250974.0", "Tabelle1!D7\ts\tDE AD BE EF"}));
}

QTEST_MAIN(WorkbookEntryTest)
#include "WorkbookEntryTest.moc"
