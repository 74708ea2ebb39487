// The registrar's options on the page "Optionen": the duplicate question,
// the time stamp, the undo of the last entry, and how config.ini keeps them.
#include <QCheckBox>
#include <QDir>
#include <QFile>

#include "StationFixture.h"
#include "UpDown.h"
#include "WorkbookEntry.h"
#include "WriteProtection.h"

using namespace tagstation;
using namespace tagstation::test;

namespace {

const TUid DeadBeef = {0xDE, 0xAD, 0xBE, 0xEF};                // 4022250974
const TUid Ntag = {0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80};  // 36116131592559108

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QString ReadFile(const QString& path) { return QString::fromUtf8(FileBytes(path)); }

// A workbook whose first sheet has a text in B2 and a bold number in C2, and
// a station that has it chosen, its reader connected.
struct TOptionStation : TStation {
    QTemporaryDir Folder;
    QString Workbook;

    TOptionStation()
    {
        Workbook = Folder.filePath(QStringLiteral("Anmeldung.xls"));
        xls::TXLSFile file(nullptr, true);
        file.Connect();
        file.NewFile(1);
        file.SetActiveSheet(1);
        file.SetCellString(2, 2, u"Startnummer", u"", u"");
        xls::TTbrFormat bold = file.GetFormatList(file.GetCellFormat(2, 3));
        bold.Font.Style.Include(xls::TTbrFontStyle::flsBold);
        file.SetCellValueX(2, 3, xls::TXlsCellValue{xls::TXlsVariant(double(17)), file.AddFormat(bold), false});
        file.Save(true, QFile::encodeName(Workbook).toStdString(), nullptr, nullptr, nullptr);
        WorkbookChoice = Workbook;
        Form->Button1Click();
        Connect();
    }

    QCheckBox* Option(const char* name) const { return Control<QCheckBox>(name); }
    void Read(const TUid& uid)
    {
        Reader->TakeTag();
        Reader->PutTag(uid);
        Tick();
    }
    void EnterAt(int row, int columnChoice = 0)
    {
        Control<TUpDown>("UpDown1")->SetPosition(row);
        Control<QComboBox>("ComboBox1")->setCurrentIndex(columnChoice);
        QTest::mouseClick(Button("Button2"), Qt::LeftButton);
    }
    int Row() const { return Control<TUpDown>("UpDown1")->Position(); }
    QPushButton* Undo() const { return Button("Button3"); }
    void ClickUndo() { QTest::mouseClick(Undo(), Qt::LeftButton); }
    QString Cell(int row, int column) const { return CellText(Workbook, row, column); }
};

}  // namespace

class RegistrarOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void optionsPage();
    void duplicateIsAskedAbout_data();
    void duplicateIsAskedAbout();
    void timeStampIsADateCell();
    void undoRestoresTheWorkbook_data();
    void undoRestoresTheWorkbook();
    void undoNeedsTheSameWorkbookAndRow_data();
    void undoNeedsTheSameWorkbookAndRow();
    void undoKeepsLaterChanges();
    void undoThatCannotWriteStaysPossible();
    void optionsAreKeptOnlyOnceTurnedOn();
};

void RegistrarOptionsTest::optionsPage()
{
    TStation station;
    auto* pages = station.Control<QTabWidget>("PageControl1");
    QCOMPARE(pages->tabText(3), QStringLiteral("Optionen"));
    QCOMPARE(station.Control<QCheckBox>("CheckBox2")->text(), QStringLiteral("Doppelte Chipnummer melden"));
    QCOMPARE(station.Control<QCheckBox>("CheckBox3")->text(), QStringLiteral("Zeitstempel eintragen"));
    QCOMPARE(station.Button("Button3")->text(), QStringLiteral("Letzten Eintrag rückgängig"));
    QVERIFY(!station.Control<QCheckBox>("CheckBox2")->isChecked());
    QVERIFY(!station.Control<QCheckBox>("CheckBox3")->isChecked());
    QVERIFY(!station.Button("Button3")->isEnabled());
    // Every control of the page lies inside it.
    const QRect page = pages->widget(3)->rect();
    for (const QWidget* control : pages->widget(3)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(page.contains(control->geometry()), qPrintable(control->objectName()));
}

void RegistrarOptionsTest::duplicateIsAskedAbout_data()
{
    QTest::addColumn<bool>("optionOn");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("column");  // of the second entry
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("writtenAgain");
    const QStringList asked = {
        QStringLiteral("Die Chipnummer 4022250974 steht schon in Zeile 3.\nSoll sie noch einmal eingetragen werden?")};
    QTest::newRow("option off") << false << false << 0 << QStringList() << true;
    QTest::newRow("Ja") << true << true << 0 << asked << true;
    QTest::newRow("Nein") << true << false << 0 << asked << false;
    QTest::newRow("in another column") << true << false << 4 << QStringList() << true;
}

void RegistrarOptionsTest::duplicateIsAskedAbout()
{
    QFETCH(bool, optionOn);
    QFETCH(bool, answer);
    QFETCH(int, column);
    QFETCH(QStringList, questions);
    QFETCH(bool, writtenAgain);
    TOptionStation station;
    station.Option("CheckBox2")->setChecked(optionOn);
    station.Answer = answer;
    station.Read(DeadBeef);
    station.EnterAt(3);
    QVERIFY(station.Questions.isEmpty());  // not in the column yet
    station.Read(DeadBeef);
    const QByteArray before = FileBytes(station.Workbook);
    station.EnterAt(6, column);

    QCOMPARE(station.Questions, questions);
    QCOMPARE(station.Errors, QStringList());
    QCOMPARE(station.Cell(6, column + 1), writtenAgain ? QStringLiteral("4022250974") : QString());
    if (writtenAgain) return;
    // "Nein": nothing written, the number still pending for another row.
    QCOMPARE(FileBytes(station.Workbook), before);
    QCOMPARE(station.Row(), 6);
    QCOMPARE(station.Form->ChipNumber(), QStringLiteral("4022250974"));
    QVERIFY(station.Button("Button2")->isEnabled());
}

void RegistrarOptionsTest::timeStampIsADateCell()
{
    TOptionStation station;
    station.Option("CheckBox3")->setChecked(true);
    station.Read(Ntag);
    station.EnterAt(2, 0);  // A2, B2 (over "Startnummer") and C2 (over the bold 17)

    xls::TXLSFile file(nullptr, true);
    file.Connect();
    file.OpenFile(QFile::encodeName(station.Workbook).toStdString());
    file.SetActiveSheet(1);
    // 9 March 2024, 14:05:30: day 45360 since 30 December 1899.
    const double expected = 45360 + (14 * 3600 + 5 * 60 + 30) / 86400.0;
    QCOMPARE(SpreadsheetDate(station.Now), expected);
    QVERIFY(file.GetCellValue(2, 3) == xls::TXlsVariant(expected));
    const xls::TTbrFormat format = file.GetFormatList(file.GetCellFormat(2, 3));
    QVERIFY(format.Format == xls::TXlsString(u"DD.MM.YYYY hh:mm:ss"));
    QVERIFY(format.Font.Style.Contains(xls::TTbrFontStyle::flsBold));  // the cell's look stays
    QCOMPARE(station.Cell(2, 2), QStringLiteral("04 5A 3C 2A 6E 4F 80"));
}

void RegistrarOptionsTest::undoRestoresTheWorkbook_data()
{
    QTest::addColumn<bool>("advance");
    QTest::addColumn<bool>("timeStamp");
    QTest::newRow("row advanced") << true << false;
    QTest::newRow("row kept") << false << false;
    QTest::newRow("with time stamp") << true << true;
}

void RegistrarOptionsTest::undoRestoresTheWorkbook()
{
    QFETCH(bool, advance);
    QFETCH(bool, timeStamp);
    TOptionStation station;
    station.Control<QCheckBox>("CheckBox1")->setChecked(advance);
    station.Option("CheckBox3")->setChecked(timeStamp);
    QVERIFY(QFile::setPermissions(station.Workbook, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFile::Permissions permissions = QFile::permissions(station.Workbook);
    const QByteArray original = FileBytes(station.Workbook);
    station.Read(DeadBeef);
    QVERIFY(!station.Undo()->isEnabled());
    station.EnterAt(2, 1);  // over B2's text and C2's bold number
    QCOMPARE(station.Cell(2, 2), QStringLiteral("4022250974"));
    QVERIFY(station.Undo()->isEnabled());

    station.ClickUndo();
    QCOMPARE(station.Errors, QStringList());
    QCOMPARE(FileBytes(station.Workbook), original);
    QCOMPARE(QFile::permissions(station.Workbook), permissions);
    QCOMPARE(station.Row(), 2);
    QVERIFY(!station.Undo()->isEnabled());
    QCOMPARE(QDir(station.Folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList("Anmeldung.xls"));
}

void RegistrarOptionsTest::undoNeedsTheSameWorkbookAndRow_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("row moved") << "row";
    QTest::newRow("other workbook") << "workbook";
    QTest::newRow("next entry") << "entry";
}

void RegistrarOptionsTest::undoNeedsTheSameWorkbookAndRow()
{
    QFETCH(QString, change);
    TOptionStation station;
    station.Read(DeadBeef);
    station.EnterAt(2);
    QVERIFY(station.Undo()->isEnabled());
    if (change == "row") {
        station.Control<TUpDown>("UpDown1")->SetPosition(5);
        QVERIFY(!station.Undo()->isEnabled());
        station.Control<TUpDown>("UpDown1")->SetPosition(3);  // back where the entry left it
        QVERIFY(station.Undo()->isEnabled());
        return;
    }
    if (change == "workbook") {
        station.WorkbookChoice = station.Folder.filePath("andere.xls");
        station.Form->Button1Click();
        QVERIFY(!station.Undo()->isEnabled());
        return;
    }
    // The undo is of the last entry only.
    station.Read(Ntag);
    station.EnterAt(3);
    QVERIFY(station.Undo()->isEnabled());
    station.ClickUndo();
    QCOMPARE(station.Cell(2, 1), QStringLiteral("4022250974"));
    QCOMPARE(station.Cell(3, 1), QString());
    QCOMPARE(station.Row(), 3);
    QVERIFY(!station.Undo()->isEnabled());
}

void RegistrarOptionsTest::undoKeepsLaterChanges()
{
    TOptionStation station;
    station.Read(DeadBeef);
    station.EnterAt(2);
    // Someone else saves the workbook in the meantime.
    {
        xls::TXLSFile file(nullptr, true);
        file.Connect();
        file.OpenFile(QFile::encodeName(station.Workbook).toStdString());
        file.SetActiveSheet(1);
        file.SetCellString(9, 1, u"nachgetragen", u"", u"");
        file.Save(true, QFile::encodeName(station.Workbook).toStdString(), nullptr, nullptr, nullptr);
    }
    const QByteArray changed = FileBytes(station.Workbook);
    station.ClickUndo();
    QCOMPARE(station.Errors.size(), 1);
    QVERIFY2(station.Errors[0].startsWith("Der letzte Eintrag kann nicht rückgängig gemacht werden"),
             qPrintable(station.Errors[0]));
    QCOMPARE(FileBytes(station.Workbook), changed);
    QCOMPARE(station.Row(), 3);
    QVERIFY(!station.Undo()->isEnabled());
}

void RegistrarOptionsTest::undoThatCannotWriteStaysPossible()
{
    TOptionStation station;
    const QByteArray original = FileBytes(station.Workbook);
    station.Read(DeadBeef);
    station.EnterAt(2);
    {
        TWriteProtection protection;
        if (!protection.Protect(station.Workbook, false)) QSKIP("no write protection that holds for this user here");
        station.ClickUndo();
    }
    QCOMPARE(
        station.Errors,
        QStringList(
            QStringLiteral("In %1 kann nicht geschrieben werden").arg(QDir::toNativeSeparators(station.Workbook))));
    QVERIFY(station.Undo()->isEnabled());
    station.ClickUndo();
    QCOMPARE(FileBytes(station.Workbook), original);
}

void RegistrarOptionsTest::optionsAreKeptOnlyOnceTurnedOn()
{
    TStation station;
    const QString file = station.Form->DataFolder() + "config.ini";
    QVERIFY(station.Form->close());
    QVERIFY(!ReadFile(file).contains("OPTIONEN"));

    station.Open();
    station.Control<QCheckBox>("CheckBox2")->setChecked(true);
    QVERIFY(station.Form->close());
    QVERIFY(ReadFile(file).endsWith("[OPTIONEN]\nDoppelteMelden=1\n"));

    station.Open();
    QVERIFY(station.Control<QCheckBox>("CheckBox2")->isChecked());
    QVERIFY(!station.Control<QCheckBox>("CheckBox3")->isChecked());
    station.Control<QCheckBox>("CheckBox2")->setChecked(false);
    station.Control<QCheckBox>("CheckBox3")->setChecked(true);
    QVERIFY(station.Form->close());
    QVERIFY(ReadFile(file).endsWith("[OPTIONEN]\nDoppelteMelden=0\nZeitstempel=1\n"));

    station.Open();
    QVERIFY(!station.Control<QCheckBox>("CheckBox2")->isChecked());
    QVERIFY(station.Control<QCheckBox>("CheckBox3")->isChecked());
}

QTEST_MAIN(RegistrarOptionsTest)
#include "RegistrarOptionsTest.moc"
