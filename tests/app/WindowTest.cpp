// The main window's make-up: size, flags, pages, controls with their
// places, texts and looks; the workbook choice and the row selector.
#include <QCheckBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>

#include "PathShortener.h"
#include "StationFixture.h"
#include "UpDown.h"

using namespace tagstation;
using namespace tagstation::test;

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void windowIsFixedWithoutMaximize();
    void pagesInOrder();
    void controlsAndTheirPlaces_data();
    void controlsAndTheirPlaces();
    void fontsAndColours_data();
    void fontsAndColours();
    void choiceLists();
    void openDialogTitleAndFilter();
    void rowSelectorIsTheOnlyWayToChangeTheRow();
    void chosenWorkbookIsShownShortened();
    void cancelledChoiceChangesNothing();
    void shortenPath_data();
    void shortenPath();
    void linkLabelOpensTheSite();
};

void WindowTest::windowIsFixedWithoutMaximize()
{
    TStation station;
    TForm1& form = *station.Form;
    QCOMPARE(form.size(), QSize(624, 311));
    QCOMPARE(form.minimumSize(), QSize(624, 311));
    QCOMPARE(form.maximumSize(), QSize(624, 311));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(form.windowTitle(), QStringLiteral("FTDI FT232 USB to UART TTL / PN532 - Kein Gerät vorhanden ..."));
}

void WindowTest::pagesInOrder()
{
    TStation station;
    auto* pages = station.Control<QTabWidget>("PageControl1");
    QCOMPARE(pages->geometry(), QRect(0, 0, 624, 311));
    QCOMPARE(pages->count(), 4);
    const QStringList captions = {"Daten", "Logging", "Info", "Optionen"};
    const QStringList names = {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(pages->tabText(i), captions[i]);
        QCOMPARE(pages->widget(i)->objectName(), names[i]);
    }
    QCOMPARE(pages->currentIndex(), 0);
}

void WindowTest::controlsAndTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label1") << "Label1" << QRect(15, 23, 60, 16) << "UID hex:";
    QTest::newRow("Panel1") << "Panel1" << QRect(84, 15, 190, 33) << "";
    QTest::newRow("Label2") << "Label2" << QRect(300, 23, 100, 16) << "CHIP Nummer:";
    QTest::newRow("Panel2") << "Panel2" << QRect(410, 15, 190, 33) << "";
    QTest::newRow("Label3") << "Label3" << QRect(17, 60, 583, 18) << "Codierung Hex to Dec -> Little-Endian";
    QTest::newRow("GroupBox1") << "GroupBox1" << QRect(0, 95, 616, 2) << "";
    QTest::newRow("Button1") << "Button1" << QRect(10, 112, 280, 30) << "EXCEL Datei auswählen";
    QTest::newRow("Button2") << "Button2" << QRect(320, 112, 280, 30) << "KEINE CHIP-NUMMER";
    QTest::newRow("StaticText1") << "StaticText1" << QRect(10, 156, 590, 22) << "";
    QTest::newRow("ComboBox1") << "ComboBox1" << QRect(10, 195, 110, 26) << "Spalte A";
    QTest::newRow("Label4") << "Label4" << QRect(173, 199, 165, 18) << "Nächste Zeile (Nummer):";
    QTest::newRow("Edit1") << "Edit1" << QRect(344, 195, 57, 26) << "1";
    QTest::newRow("UpDown1") << "UpDown1" << QRect(401, 195, 100, 26) << "";
    QTest::newRow("ComboBox2") << "ComboBox2" << QRect(10, 240, 110, 26) << "1 Sekunde";
    QTest::newRow("Label5") << "Label5" << QRect(126, 244, 105, 18) << "Timer Intervall";
    QTest::newRow("CheckBox1") << "CheckBox1" << QRect(333, 244, 267, 17) << "Zeile (Nummer) automatisch erhöhen";
    QTest::newRow("Label6") << "Label6" << QRect(35, 30, 540, 41) << "FTDI FT232 USB to UART TTL / PN532";
    QTest::newRow("Label7") << "Label7" << QRect(37, 32, 540, 41) << "FTDI FT232 USB to UART TTL / PN532";
    QTest::newRow("Label8") << "Label8" << QRect(35, 85, 540, 24) << VersionLine();
    QTest::newRow("Label39") << "Label39" << QRect(16, 210, 580, 33) << QString::fromLatin1(TForm1::MakerUrl);
}

void WindowTest::controlsAndTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    TStation station;
    auto* control = station.Form->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(control)) shown = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) shown = button->text();
    if (auto* combo = qobject_cast<QComboBox*>(control)) shown = combo->currentText();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) shown = edit->text();
    QCOMPARE(shown, text);
}

void WindowTest::fontsAndColours_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("style");
    QTest::newRow("window") << "Form1" << "Tahoma" << 15 << false << QColor() << "";
    QTest::newRow("Panel1") << "Panel1" << "Tahoma" << 24 << true << QColor(Qt::red) << "";
    QTest::newRow("Panel2") << "Panel2" << "Tahoma" << 24 << true << QColor(0, 0x80, 0) << "";
    QTest::newRow("Label3") << "Label3" << "Tahoma" << 13 << false << QColor() << "italic";
    QTest::newRow("Button1") << "Button1" << "Tahoma" << 15 << true << QColor() << "";
    QTest::newRow("Button2") << "Button2" << "Tahoma" << 15 << true << QColor() << "";
    QTest::newRow("Edit1") << "Edit1" << "Tahoma" << 15 << true << QColor() << "";
    QTest::newRow("Label6") << "Label6" << "Tahoma" << 27 << true << QColor(0, 0xFF, 0) << "";
    QTest::newRow("Label7") << "Label7" << "Tahoma" << 27 << true << QColor(0, 0x80, 0) << "";
    QTest::newRow("Label8") << "Label8" << "Tahoma" << 19 << false << QColor() << "";
    QTest::newRow("Label39") << "Label39" << "Tahoma" << 16 << false << QColor(Qt::blue) << "underline";
    QTest::newRow("Memo1") << "Memo1" << "Consolas" << 15 << false << QColor() << "";
}

void WindowTest::fontsAndColours()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(int, pixelSize);
    QFETCH(bool, bold);
    QFETCH(QColor, colour);
    QFETCH(QString, style);
    TStation station;
    QWidget* widget = name == "Form1" ? station.Form.get() : station.Form->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->font().family(), family);
    QCOMPARE(widget->font().pixelSize(), pixelSize);
    QCOMPARE(widget->font().bold(), bold);
    if (colour.isValid()) QCOMPARE(widget->palette().color(QPalette::WindowText), colour);
    QCOMPARE(widget->font().italic(), style == "italic");
    QCOMPARE(widget->font().underline(), style == "underline");
}

void WindowTest::choiceLists()
{
    TStation station;
    auto* columns = station.Control<QComboBox>("ComboBox1");
    QCOMPARE(columns->count(), 15);
    for (int i = 0; i < 15; ++i) QCOMPARE(columns->itemText(i), QStringLiteral("Spalte %1").arg(QChar('A' + i)));
    auto* intervals = station.Control<QComboBox>("ComboBox2");
    const QStringList expected = {"1 Sekunde", "2 Sekunden", "3 Sekunden", "4 Sekunden", "5 Sekunden"};
    QCOMPARE(intervals->count(), 5);
    for (int i = 0; i < 5; ++i) QCOMPARE(intervals->itemText(i), expected[i]);
    QVERIFY(station.Control<QCheckBox>("CheckBox1")->isChecked());
    QVERIFY(!station.Button("Button2")->isEnabled());
    QVERIFY(station.Control<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
}

void WindowTest::openDialogTitleAndFilter()
{
    TStation station;
    auto* dialog = station.Control<QFileDialog>("OpenDialog1");
    QCOMPARE(dialog->windowTitle(), QStringLiteral("EXCEL Arbeitsmappe auswählen"));
    QCOMPARE(dialog->nameFilters(), QStringList(QStringLiteral("Excel (*.xls)")));
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
}

void WindowTest::rowSelectorIsTheOnlyWayToChangeTheRow()
{
    TStation station;
    auto* edit = station.Control<QLineEdit>("Edit1");
    auto* upDown = station.Control<TUpDown>("UpDown1");
    QVERIFY(edit->isReadOnly());
    QCOMPARE(upDown->Min(), 1);
    QCOMPARE(upDown->Max(), 300);

    auto* up = upDown->findChild<QToolButton*>("Up");
    auto* down = upDown->findChild<QToolButton*>("Down");
    QTest::mouseClick(down, Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("1"));
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("3"));
    QCOMPARE(upDown->Position(), 3);
    upDown->SetPosition(301);
    QCOMPARE(edit->text(), QStringLiteral("300"));
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(upDown->Position(), 300);
}

void WindowTest::chosenWorkbookIsShownShortened()
{
    TStation station;
    const QString deep = station.Documents.path() + "/Stationen/Anmeldung/Saison 2024/Erste Mannschaft/Kontrollen/"
                                                    "Tag 1/Nachmittag/Lauf 3/Chipliste der Teilnehmer.xls";
    station.WorkbookChoice = deep;
    station.Form->Button1Click();
    QCOMPARE(station.Form->WorkbookPath(), deep);

    const QString shown = station.Text("StaticText1");
    QVERIFY(shown.startsWith(' '));
    QVERIFY(shown.endsWith("/Chipliste der Teilnehmer.xls"));
    QVERIFY(shown.contains("/.../"));
    QVERIFY(QFontMetrics(station.Form->font()).horizontalAdvance(shown.mid(1)) <= 590 - 10);

    station.WorkbookChoice = "/tmp/kurz.xls";
    station.Form->Button1Click();
    QCOMPARE(station.Text("StaticText1"), QStringLiteral(" /tmp/kurz.xls"));
}

void WindowTest::cancelledChoiceChangesNothing()
{
    TStation station;
    station.WorkbookChoice = "/tmp/liste.xls";
    station.Form->Button1Click();
    station.WorkbookChoice.clear();  // the dialog was cancelled
    station.Form->Button1Click();
    QCOMPARE(station.Form->WorkbookPath(), QStringLiteral("/tmp/liste.xls"));
    QCOMPARE(station.Text("StaticText1"), QStringLiteral(" /tmp/liste.xls"));
}

void WindowTest::shortenPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fitted");  // what must come out when exactly this is allowed
    QTest::newRow("fits") << "/home/anna/liste.xls" << "/home/anna/liste.xls";
    QTest::newRow("one folder dropped") << "/home/anna/verein/liste.xls" << "/.../anna/verein/liste.xls";
    QTest::newRow("all folders dropped") << "/home/anna/verein/liste.xls" << "/.../liste.xls";
    QTest::newRow("only the file") << "/home/anna/verein/liste.xls" << ".../liste.xls";
}

void WindowTest::shortenPath()
{
    QFETCH(QString, path);
    QFETCH(QString, fitted);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(15);
    const QFontMetrics metrics(font);
    QCOMPARE(ShortenPath(path, metrics, metrics.horizontalAdvance(fitted)), fitted);

    // Far too narrow for even the file name: cut, never wider than allowed.
    const QString squeezed = ShortenPath(path, metrics, 30);
    QVERIFY(metrics.horizontalAdvance(squeezed) <= 30);
}

void WindowTest::linkLabelOpensTheSite()
{
    QUrl opened;
    TStationServices services;
    services.Driver = std::make_unique<TSimulatedFt232Driver>(std::make_shared<TManualClock>(), TReaction::Ignored);
    QTemporaryDir documents;
    services.DocumentsFolder = documents.path();
    services.OpenUrl = [&](const QUrl& url) { opened = url; };
    TForm1 form(std::move(services));
    auto* label = form.findChild<QLabel*>("Label39");
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(opened, QUrl(QString::fromLatin1(TForm1::MakerUrl)));
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
