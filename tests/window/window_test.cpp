// The window driven offscreen through its controls, with the sample models
// and the simulated transceiver.

#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/startup.h"
#include "generator/generator.h"
#include "window/window_display.h"
#include "window_fixture.h"

namespace kestrel::test {
namespace {

std::string Text(QLineEdit* box) {
    return box->text().toStdString();
}
std::string Text(QPlainTextEdit* box) {
    return box->toPlainText().toStdString();
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TypeAndEnter(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->setText(text);
    QTest::keyClick(box, Qt::Key_Return);
}

// A code as the golden request file holds it: the line after "$ [a] [b] ...".
std::string Golden(const std::string& request) {
    QFile file(KESTREL_SOURCE_DIR "/tests/programs/kestrel-gen/golden/requests.txt");
    if (!file.open(QIODevice::ReadOnly)) return "<no golden file>";
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].toStdString() == "$ " + request) return lines[i + 1].toStdString();
    }
    return "<no such request>";
}

// Runs act at the start of the next wait, from inside it: as a user's input
// arriving while a flash or the send indicator is shown.
void DuringTheNextWait(WindowDisplay& display, std::function<void()> act) {
    display.delayHook = [&display, act](int) {
        QTimer::singleShot(0, act);
        display.delayHook = nullptr;  // destroys this function: the last thing it does
    };
}

// A window with its own display operations, waits shortened but real.
struct LiveWindow : WindowFixture {
    explicit LiveWindow(double timeScale = 0.2, bool transmitter = true)
        : WindowFixture(Options(transmitter)) {
        w().windowDisplay().timeScale = timeScale;
        w().windowDisplay().messageHook = [this](const std::string& text) {
            display.messages.push_back(text);
        };
    }
    static WindowOptions Options(bool transmitter) {
        WindowOptions options;
        if (!transmitter) options.driver = "no-such-driver.so";
        options.ownDisplay = true;
        return options;
    }
    void Pick(QListWidget* list, const QString& item) { Click(list, Row(list, item)); }
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void loadsWithTheDesignedLayout() {
        WindowFixture f;
        KTL& w = f.w();
        QCOMPARE(w.size(), QSize(560, 344));
        QCOMPARE(w.windowTitle(), QStringLiteral("RE Riveziz"));
        const char* names[] = {"Command1",  "frmIR",       "lstmodel",  "frmRange",  "Command3",
                               "cmdGen",    "txtRange",    "lblRange",  "Label2",    "frmManual",
                               "Command2",  "txtFCdec",    "txtFChex",  "txtValue",  "optVAL",
                               "optDec",    "optHex",      "optAscii",  "Line2",     "lblvalues",
                               "Label12",   "Label3",      "Label13",   "Label6",    "tmrDelay",
                               "cmdGenAll", "quit",        "txtOutput", "lstCmnds",  "lstValues",
                               "lstRemote", "optDiscrete", "optRemote", "optManual", "Label1",
                               "LED",       "lblModel",    "lblError",  "Line1"};
        for (const char* name : names) {
            QVERIFY2(w.findChild<QObject*>(QString::fromLatin1(name)) != nullptr, name);
        }
        QCOMPARE(w.lstCmnds->geometry(), QRect(8, 88, 201, 134));
        QCOMPARE(w.lstRemote->pos(), w.lstCmnds->pos());
        QCOMPARE(w.frmRange->pos(), w.lstValues->pos());
        QCOMPARE(w.frmManual->pos(), QPoint(8, 82));
        QCOMPARE(w.frmIR->width(), 560);
        QCOMPARE(w.optRemote->text(), QStringLiteral("Remote "));
        QCOMPARE(w.quit->text(), QStringLiteral("Done"));
        QCOMPARE(w.lblError->text(), QStringLiteral("Value Error"));
        QVERIFY(w.optDiscrete->isChecked());
        QVERIFY(!w.tmrDelay->isActive());
        // Command1 lies beneath frmIR.
        QVERIFY(w.frmIR->geometry().contains(w.Command1->geometry()));
        QCOMPARE(w.children().indexOf(w.Command1) < w.children().indexOf(w.frmIR), true);
    }

    void startUpListsModelsAndOpensTheTransmitter() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        QStringList items;
        for (int i = 0; i < w.lstmodel->count(); ++i)
            items << w.lstmodel->itemText(i);
        QCOMPARE(items.front(), QString());
        items.removeFirst();
        items.sort();
        QCOMPARE(items, (QStringList{"Tessel10", "Tessel20", "Vorta"}));
        QVERIFY(!w.optManual->isEnabled());
        QVERIFY(w.isVisible());
        QVERIFY(w.lstCmnds->isVisible());
        QVERIFY(!w.lstValues->isVisible() && !w.lstRemote->isVisible());
        QVERIFY(!w.frmRange->isVisible() && !w.frmManual->isVisible() && !w.LED->isVisible());
        QVERIFY(w.Command1->isEnabled() && w.Command3->isEnabled());
        QVERIFY(f.display.statuses.empty());
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
        QCOMPARE(w.lblModel->text(), QStringLiteral("Model=????"));
        QVERIFY(f.SimLog().filter("UUIRTOpen handle=0x").size() == 1);
    }

    // The user's models follow the program folder's; a name in both is read
    // from the user's folder.
    void theUserFolderAddsAndOverridesModels() {
        QTemporaryDir user;
        const auto write = [&](const char* name, const char* text) {
            QFile file(user.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        write("tessel10IR.ini", "[SYSTEM]\r\nMODEL = Mine\r\n[COMMANDS]\r\nOnly = 10; Query\r\n");
        write("ExtraIR.ini", "[COMMANDS]\r\nX = 1; Query\r\n");
        WindowOptions options;
        options.userFolder = user.path().toStdString();
        WindowFixture f(options);
        KTL& w = f.w();
        w.FillModelList();
        QStringList items;
        for (int i = 1; i < w.lstmodel->count(); ++i)
            items << w.lstmodel->itemText(i);
        QCOMPARE(items.size(), 4);
        QCOMPARE(items.takeLast(), QStringLiteral("Extra"));
        items.sort();
        QCOMPARE(items, (QStringList{"Tessel10", "Tessel20", "Vorta"}));
        f.PickModel(QStringLiteral("Tessel10"));
        QCOMPARE(w.lstCmnds->count(), 1);
        QCOMPARE(w.lstCmnds->item(0)->text(), QStringLiteral("Only"));
        f.PickModel(QStringLiteral("Extra"));
        QCOMPARE(w.lstCmnds->item(0)->text(), QStringLiteral("X"));
    }

    void startUpWithoutTransmitterDisablesSending() {
        WindowFixture f(false);
        StartUp(f.w(), *f.transmitter);
        QCOMPARE(f.display.statuses.size(), size_t{1});
        QCOMPARE(f.display.statuses[0].text,
                 std::string("Unable to find USB-UIRT Driver! IR Transmission Disabled."));
        QCOMPARE(f.display.statuses[0].seconds, 3);
        QVERIFY(!f.w().Command1->isEnabled());
        QVERIFY(!f.w().Command3->isEnabled());
    }

    void pickingModelsFillsTheLists() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        const Catalogue& catalogue = w.catalogue();
        QCOMPARE(w.lstCmnds->count(), static_cast<int>(catalogue.Commands().size()));
        for (int i = 0; i < w.lstCmnds->count(); ++i) {
            QCOMPARE(w.lstCmnds->item(i)->text().toStdString(), catalogue.Commands()[i].Name);
        }
        QCOMPARE(w.lstRemote->count(), static_cast<int>(catalogue.RemoteCodes().size()));
        f.PickModel("Tessel10");
        QCOMPARE(w.lstCmnds->count(), static_cast<int>(w.catalogue().Commands().size()));
        for (int i = 0; i < w.lstRemote->count(); ++i) {
            QCOMPARE(w.lstRemote->item(i)->text().toStdString(),
                     w.catalogue().RemoteCodes()[i].Name);
        }
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
        QCOMPARE(w.lblModel->text(), QStringLiteral("Model=Tessel10"));
        // The leading empty item changes nothing.
        const int commands = w.lstCmnds->count();
        f.PickModel("");
        QCOMPARE(w.lstCmnds->count(), commands);
        QCOMPARE(f.ended, 0);
    }

    void missingDeviceFileEndsTheProgram() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        QFile::remove(f.folder.filePath("Tessel10IR.ini"));
        f.PickModel("Tessel10");
        QCOMPARE(f.display.messages.size(), size_t{1});
        QCOMPARE(f.display.messages[0],
                 std::string("There is no INI file named Tessel10IR.ini, one is required"));
        QCOMPARE(f.ended, 1);
    }

    void modesSwitchPanelsAndFields() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Vorta");
        w.optRemote->click();
        QCOMPARE(Text(w.txtFCdec), std::string("8324"));
        QCOMPARE(Text(w.txtFChex), std::string("2084"));
        QVERIFY(w.optDec->isChecked());
        QVERIFY(w.lstRemote->isVisible() && !w.lstCmnds->isVisible());
        w.optDiscrete->click();
        QCOMPARE(Text(w.txtFCdec), std::string());
        QCOMPARE(Text(w.txtFChex), std::string());
        QVERIFY(!w.optDec->isChecked());
        QVERIFY(w.lstCmnds->isVisible() && !w.lstRemote->isVisible());
        if (w.optManual->isEnabled()) {
            w.optManual->click();
            QVERIFY(w.frmManual->isVisible() && w.lblvalues->isVisible());
            QVERIFY(w.lblvalues->text().startsWith("Enter either a decinal or hex number"));
            QVERIFY(w.optVAL->isChecked());
            QVERIFY(!w.lstCmnds->isVisible());
        }
        // Clearing the remote list's selection generates nothing.
        w.optRemote->click();
        WindowFixture::Click(w.lstRemote, 0);
        QVERIFY(!Text(w.txtOutput).empty());
        w.optDiscrete->click();
        f.display.Clear();
        w.optRemote->click();
        QCOMPARE(Text(w.txtOutput), std::string());
        QVERIFY(f.display.statuses.empty());
        QCOMPARE(w.lstRemote->selectedItems().size(), 0);
    }

    void enumerationCommandAndValue() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Power"));
        QVERIFY(w.lstValues->isVisible());
        QCOMPARE(w.lstValues->count(), 3);
        QCOMPARE(w.lstValues->item(1)->text(), QStringLiteral("On"));
        QCOMPARE(Text(w.txtFChex), std::string("10"));
        QCOMPARE(Text(w.txtFCdec), std::string("16"));
        QVERIFY(w.optVAL->isChecked());
        WindowFixture::Click(w.lstValues, 1);
        QCOMPARE(Text(w.txtValue), std::string("1"));
        QCOMPARE(Text(w.txtOutput), Expected(&ProtocolRecord::FormValueText, "16", "1", "V"));
        // Clicking the same value again generates again, once.
        w.txtOutput->clear();
        WindowFixture::Click(w.lstValues, 1);
        QCOMPARE(Text(w.txtOutput), Expected(&ProtocolRecord::FormValueText, "16", "1", "V"));
        // A negative code keeps its sign.
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Vertical Shift"));
        WindowFixture::Click(w.lstValues, 0);
        QCOMPARE(Text(w.txtValue), std::string("-3"));
        QVERIFY(f.display.statuses.empty());
    }

    void rangeCommandGeneratesChecksAndSends() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Brightness"));
        QVERIFY(w.frmRange->isVisible() && !w.lstValues->isVisible());
        QCOMPARE(w.lblRange->text(), QStringLiteral("Enter a value in the range 0 to 100"));
        w.txtRange->setText("50");
        w.cmdGen->click();
        QCOMPARE(Text(w.txtValue), std::string("50"));
        const std::string code = Expected(&ProtocolRecord::FormValueText, "32", "50", "V");
        QCOMPARE(Text(w.txtOutput), code);
        w.Command3->click();
        const QStringList sent = f.SimLog().filter("UUIRTTransmitIR");
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent[0].endsWith(QString::fromStdString(" code=" + code)));
        QVERIFY(sent[0].contains("format=16 repeatCount=1 inactivityWaitTime=0"));
        QVERIFY(!w.LED->isVisible());
        QCOMPARE(f.display.delays, std::vector<int>{250});
        // A value out of range: the value error, nothing generated or sent.
        w.txtRange->setText("101");
        w.Command3->click();
        QCOMPARE(f.display.valueErrors, 1);
        QCOMPARE(Text(w.txtValue), std::string());
        QCOMPARE(Text(w.txtOutput), std::string());
        QCOMPARE(w.txtRange->text(), QStringLiteral("101"));
        QCOMPARE(f.SimLog().filter("UUIRTTransmitIR").size(), 1);
        // A query command leaves the range panel as it was.
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Status"));
        QCOMPARE(f.display.statuses.back().text,
                 std::string("Query Commands are not handled by IR"));
        QVERIFY(w.frmRange->isVisible());
    }

    void doubleClicksSend() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Power"));
        WindowFixture::DoubleClick(w.lstValues, 2);
        QStringList sent = f.SimLog().filter("UUIRTTransmitIR");
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent[0].endsWith(QString::fromStdString(
            " code=" + Expected(&ProtocolRecord::FormValueText, "16", "2", "V"))));

        w.optRemote->click();
        WindowFixture::DoubleClick(w.lstRemote, 0);
        const std::string button = w.catalogue().RemoteCodes()[0].Code;
        QCOMPARE(Text(w.txtValue), button);
        const std::string remote = Expected(&ProtocolRecord::FormRemote, "8324", button, "D");
        QCOMPARE(Text(w.txtOutput), remote);
        sent = f.SimLog().filter("UUIRTTransmitIR");
        QCOMPARE(sent.size(), 2);
        QVERIFY(sent[1].endsWith(QString::fromStdString(" code=" + remote)));
    }

    void withoutTransmitterValueDoubleClickSendsNothing() {
        WindowFixture f(false);
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Power"));
        f.display.Clear();
        WindowFixture::DoubleClick(w.lstValues, 1);
        QVERIFY(f.display.statuses.empty());
        // The remote list's double click runs the send action regardless.
        w.optRemote->click();
        WindowFixture::DoubleClick(w.lstRemote, 0);
        QCOMPARE(f.display.statuses.back().text, std::string("Could not transmit data"));
    }

    void manualEntryKeepsTheCodeBoxesInStep() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Vorta");
        QVERIFY(w.optManual->isEnabled());
        w.optManual->click();
        TypeAndEnter(w.txtFCdec, "255");
        QCOMPARE(Text(w.txtFChex), std::string("ff"));
        TypeAndEnter(w.txtFCdec, "256");
        QCOMPARE(f.display.messages,
                 std::vector<std::string>{
                     "Illegal function code. The function code exceeds 255 decimal"});
        QCOMPARE(Text(w.txtFChex), std::string("ff"));
        TypeAndEnter(w.txtFCdec, "8324");
        QCOMPARE(Text(w.txtFChex), std::string("2084"));
        f.display.Clear();
        TypeAndEnter(w.txtFChex, "1f3");
        QCOMPARE(Text(w.txtFChex), std::string("1F3"));
        QCOMPARE(Text(w.txtFCdec), std::string("499"));
        QCOMPARE(f.display.messages.size(), size_t{1});
        w.txtFChex->clear();
        QCOMPARE(Text(w.txtFCdec), std::string());
        w.txtFCdec->setText("12");
        w.txtFChex->setText("c");
        w.txtFCdec->clear();
        QCOMPARE(Text(w.txtFChex), std::string());
        // Text that is no decimal number never reaches the generator.
        f.display.Clear();
        TypeAndEnter(w.txtFCdec, "12x");
        QCOMPARE(f.display.messages.size(), size_t{1});
        QCOMPARE(Text(w.txtFChex), std::string());

        TypeAndEnter(w.txtFCdec, "32");
        w.txtValue->setText("01");
        w.optHex->click();
        w.Command2->click();
        QCOMPARE(Text(w.txtOutput), Expected(&ProtocolRecord::FormDiscrete, "32", "01", "H"));
        // Manual mode with the exact code 8324 uses the remote form.
        TypeAndEnter(w.txtFCdec, "8324");
        w.optDec->click();
        w.txtValue->setText("5");
        w.Command2->click();
        QCOMPARE(Text(w.txtOutput), Expected(&ProtocolRecord::FormRemote, "8324", "5", "D"));
        // Enter in the value box with no command picked is a value error.
        f.display.Clear();
        TypeAndEnter(w.txtValue, "7");
        QCOMPARE(f.display.valueErrors, 1);
    }

    void genAllWritesWhatTheCommandLineExports_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("text listing") << "codes.txt";
        QTest::newRow("pronto hex") << "CODES.HEX";
        QTest::newRow("ccf") << "codes.ccf";
    }

    void genAllWritesWhatTheCommandLineExports() {
        QFETCH(QString, name);
        WindowFixture f;
        QFile::copy(KESTREL_PROGRAM_DIR "/hex2ccf", f.folder.filePath("hex2ccf"));
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        QDir(f.folder.path()).mkdir("window");
        QDir(f.folder.path()).mkdir("cli");
        f.chooser.answer = f.folder.filePath("window/" + name).toStdString();
        w.cmdGenAll->click();
        QCOMPARE(f.chooser.calls, 1);

        QProcess cli;
        cli.start(
            KESTREL_PROGRAM_DIR "/kestrel-gen",
            {"export", "Tessel20", f.folder.filePath("cli/" + name), "--dir", f.folder.path()});
        QVERIFY(cli.waitForFinished(60000));
        QStringList files = {name};
        if (name.endsWith(".ccf")) files = {"Temp$$.hex", "codes.txt"};
        for (const QString& file : files) {
            const QByteArray window = ReadAll(f.folder.filePath("window/" + file));
            QVERIFY2(!window.isEmpty() && window != "<missing>", qPrintable(file));
            QCOMPARE(window, ReadAll(f.folder.filePath("cli/" + file)));
        }
        if (name.endsWith(".ccf")) {
            QCOMPARE(f.starts.size(), size_t{1});
            QCOMPARE(f.starts[0].program, f.programFolder + "/hex2ccf");
            QCOMPARE(f.starts[0].arguments,
                     (std::vector<std::string>{"Temp$$.hex", f.chooser.answer}));
            QCOMPARE(f.starts[0].folder, f.programFolder + "/window");
        }
        // After a run: Discrete mode, the status line hidden, the output empty.
        QVERIFY(w.optDiscrete->isChecked());
        QVERIFY(!w.lblError->isVisible());
        QCOMPARE(w.lblError->text(), QString());
        QCOMPARE(Text(w.txtOutput), std::string());
        QVERIFY(!Text(w.txtFChex).empty());
    }

    void genAllCancelledChangesNothing() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        w.optRemote->click();
        w.cmdGenAll->click();
        QCOMPARE(f.chooser.calls, 1);
        QCOMPARE(f.chooser.lastStart, std::string());
        QVERIFY(w.optRemote->isChecked());
        QCOMPARE(Text(w.txtFCdec), std::string("8324"));
        QVERIFY(QDir(f.folder.path()).entryList({"*.txt", "*.hex"}).isEmpty());
    }

    void clicksDuringARunAreIgnored() {
        WindowFixture f;
        // A command whose code is no one- or two-digit text makes the run
        // show a message; the test clicks Gen ALL and a list meanwhile.
        QFile device(f.folder.filePath("NestIR.ini"));
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.write("[COMMANDS]\nBig = 1A2; Enumeration; (1)One, (2)Two\n");
        device.close();
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Nest");
        f.chooser.answer = f.folder.filePath("nested.txt").toStdString();
        int clicks = 0;
        f.display.onMessage = [&](const std::string&) {
            if (clicks++ == 0) {
                QTest::mouseClick(w.cmdGenAll, Qt::LeftButton);
                QTest::mouseClick(w.optRemote, Qt::LeftButton);
            }
        };
        w.cmdGenAll->click();
        QCOMPARE(f.chooser.calls, 1);
        QVERIFY(clicks > 0);
        QVERIFY(w.optDiscrete->isChecked());
    }

    void doneRemovesTheTemporaryFileAndClosesTheTransmitter() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        QFile temporary(f.folder.filePath("Temp$$.hex"));
        QVERIFY(temporary.open(QIODevice::WriteOnly));
        temporary.close();
        f.w().quit->click();
        QVERIFY(!QFile::exists(f.folder.filePath("Temp$$.hex")));
        QCOMPARE(f.SimLog().filter("UUIRTClose").size(), 1);
        QCOMPARE(f.ended, 1);
    }

    void closingByTheFrameTouchesNothing() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        QFile temporary(f.folder.filePath("Temp$$.hex"));
        QVERIFY(temporary.open(QIODevice::WriteOnly));
        temporary.close();
        f.w().close();
        QVERIFY(QFile::exists(f.folder.filePath("Temp$$.hex")));
        QCOMPARE(f.SimLog().filter("UUIRTClose").size(), 0);
        QCOMPARE(f.ended, 1);
    }

    void displayOperationsFlashTheStatusLine() {
        WindowFixture f;
        KTL& w = f.w();
        w.show();
        WindowDisplay& display = w.windowDisplay();
        display.timeScale = 0.001;
        int beeps = 0;
        display.beep = [&] { ++beeps; };
        std::vector<int> waits;
        bool visibleDuringWait = false;
        display.delayHook = [&](int ms) {
            waits.push_back(ms);
            visibleDuringWait = w.lblError->isVisible();
        };
        display.ShowStatus("Could not transmit data", 0);
        display.ShowStatus("Three seconds", 3);
        QCOMPARE(waits, (std::vector<int>{1000, 3000}));
        QCOMPARE(beeps, 4);
        QVERIFY(visibleDuringWait);
        QVERIFY(!w.lblError->isVisible());
        QCOMPARE(w.lblError->text(), QStringLiteral("Three seconds"));
        display.ShowValueError();
        QCOMPARE(w.lblError->text(), QStringLiteral("Value Error"));
        std::string shown;
        display.messageHook = [&](const std::string& text) { shown = text; };
        display.ShowMessage("Hello");
        QCOMPARE(shown, std::string("Hello"));
    }

    void nestedWaitsEndTogether() {
        WindowFixture f;
        WindowDisplay& display = f.w().windowDisplay();
        bool innerDone = false;
        QTimer::singleShot(0, [&] {
            display.Delay(20);
            innerDone = true;
        });
        QElapsedTimer clock;
        clock.start();
        display.Delay(20000);  // restarted by the inner wait, so it ends with it
        QVERIFY(clock.elapsed() < 10000);
        QTRY_VERIFY(innerDone);
        QVERIFY(!f.w().tmrDelay->isActive());
    }

    // The user acts while a handler waits; what the inner handler does
    // stands when the outer one resumes.
    void handlersInsideAWaitActOnTheLiveWindow_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("value error, then Remote and a button") << "value error";
        QTest::newRow("query flash, then another command") << "query";
        QTest::newRow("send indicator, then another command") << "send";
        QTest::newRow("no value entered, then typing") << "no value";
    }
    void handlersInsideAWaitActOnTheLiveWindow() {
        QFETCH(QString, situation);
        LiveWindow f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        const std::string film = Golden("[remote] [Tessel20] [Film]");
        std::string during;
        if (situation == "value error") {
            f.Pick(w.lstCmnds, "Brightness");
            w.txtRange->setText("101");
            DuringTheNextWait(w.windowDisplay(), [&] {
                QTest::mouseClick(w.optRemote, Qt::LeftButton);
                f.Pick(w.lstRemote, "Film");
                during = Text(w.txtOutput);
            });
            QTest::mouseClick(w.cmdGen, Qt::LeftButton);
            QCOMPARE(during, film);
            QVERIFY(w.optRemote->isChecked());
            QVERIFY(w.lstRemote->isVisible() && !w.lstCmnds->isVisible());
            QCOMPARE(Text(w.txtFCdec), std::string("8324"));
            // The flash ends as it always does: value and output emptied.
            QCOMPARE(Text(w.txtOutput), std::string());
        } else if (situation == "query" || situation == "send") {
            if (situation == "query") {
                DuringTheNextWait(w.windowDisplay(), [&] { f.Pick(w.lstCmnds, "Power"); });
                f.Pick(w.lstCmnds, "Status");
            } else {
                f.Pick(w.lstCmnds, "Power");
                DuringTheNextWait(w.windowDisplay(), [&] { f.Pick(w.lstCmnds, "Brightness"); });
                WindowFixture::DoubleClick(w.lstValues, 1);
                QCOMPARE(f.SimLog().filter("UUIRTTransmitIR").size(), 1);
            }
            const bool query = situation == "query";
            QCOMPARE(Text(w.txtFChex), std::string(query ? "10" : "20"));
            QCOMPARE(Text(w.txtFCdec), std::string(query ? "16" : "32"));
            QCOMPARE(w.lstValues->isVisible(), query);
            QCOMPARE(w.frmRange->isVisible(), !query);
            QCOMPARE(w.lstValues->count(), query ? 3 : 0);
        } else {
            f.PickModel("Vorta");
            QTest::mouseClick(w.optManual, Qt::LeftButton);
            TypeAndEnter(w.txtFCdec, "12");
            DuringTheNextWait(w.windowDisplay(), [&] {
                QTest::keyClicks(w.txtFCdec, "7");
                QTest::mouseClick(w.optHex, Qt::LeftButton);
            });
            QTest::mouseClick(w.Command2, Qt::LeftButton);
            QCOMPARE(w.lblError->text(), QStringLiteral("There is no value entered"));
            QCOMPARE(Text(w.txtFCdec), std::string("127"));
            QVERIFY(w.optHex->isChecked());
        }
    }

    // A list that gets the focus has a current row but nothing selected:
    // nothing is generated or half-selected. Tab passes over the output box.
    void theFocusAloneSelectsNothing_data() {
        QTest::addColumn<bool>("remote");
        QTest::newRow("commands") << false;
        QTest::newRow("remote buttons") << true;
    }
    void theFocusAloneSelectsNothing() {
        QFETCH(bool, remote);
        LiveWindow f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        if (remote) w.optRemote->click();
        QListWidget* list = remote ? w.lstRemote : w.lstCmnds;
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtOutput->setFocus();
        const std::string before = Text(w.txtOutput);
        QTest::keyClick(w.txtOutput, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), list);
        QCOMPARE(Text(w.txtOutput), before);
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(Text(w.txtOutput), std::string());
        QCOMPARE(Text(w.txtFChex), std::string(remote ? "2084" : ""));
        QVERIFY(!w.lstValues->isVisible() && !w.frmRange->isVisible());
        QVERIFY(!w.lblError->isVisible());
        // The keys still pick: Down selects the next item and runs its click.
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->selectedItems().size(), 1);
        QVERIFY(remote ? !Text(w.txtOutput).empty() : !Text(w.txtFChex).empty());
    }

    // Done and the window's close end the program at once from anywhere.
    void endingAtOnce_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("close");  // the window's close instead of Done
        QTest::newRow("Done in the start-up flash") << "start-up" << false;
        QTest::newRow("close in a status flash") << "flash" << true;
        QTest::newRow("Done in a nested wait") << "nested" << false;
        QTest::newRow("close in a message box") << "message box" << true;
        QTest::newRow("Done in a Gen ALL run") << "run" << false;
    }
    void endingAtOnce() {
        QFETCH(QString, where);
        QFETCH(bool, close);
        LiveWindow f(1.0, where != "start-up");
        KTL& w = f.w();
        const auto end = [&] {
            if (close)
                w.close();
            else
                QTest::mouseClick(w.quit, Qt::LeftButton);
        };
        QElapsedTimer clock;
        clock.start();
        if (where == "start-up") {
            DuringTheNextWait(w.windowDisplay(), end);
            StartUp(w, *f.transmitter);  // a three-second flash: no driver
            QVERIFY(!w.Command1->isEnabled());
        } else {
            StartUp(w, *f.transmitter);
            f.PickModel("Tessel20");
            if (where == "flash") {
                DuringTheNextWait(w.windowDisplay(), end);
                f.Pick(w.lstCmnds, "Status");
            } else if (where == "nested") {
                DuringTheNextWait(w.windowDisplay(), [&] {
                    DuringTheNextWait(w.windowDisplay(), end);
                    f.Pick(w.lstCmnds, "Status");
                });
                f.Pick(w.lstCmnds, "Status");
            } else if (where == "message box") {
                w.windowDisplay().messageHook = nullptr;  // the real box
                QTimer::singleShot(100, end);
                w.optRemote->click();
                TypeAndEnter(w.txtFCdec, "300");  // a code above 255 is warned about
            } else {
                QFile::copy(KESTREL_PROGRAM_DIR "/hex2ccf", f.folder.filePath("hex2ccf"));
                QDir(f.folder.path()).mkdir("out");
                f.chooser.answer = f.Path("out/codes.ccf");
                f.chooser.onAsk = [&] { QTimer::singleShot(0, end); };
                QTest::mouseClick(w.cmdGenAll, Qt::LeftButton);
                // Stopped before its next sample, its files closed, no converter.
                QVERIFY(f.starts.empty());
                const QByteArray written = ReadAll(f.folder.filePath("out/Temp$$.hex"));
                QCOMPARE(written.count('\n') % 2, 0);
                QVERIFY(written.count('\n') < 10);
            }
        }
        QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(w.Ending());
        QCOMPARE(f.ended, 1);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        // Done releases the transceiver (there is none in the start-up row).
        QCOMPARE(f.SimLog().filter("UUIRTClose").size(), close || where == "start-up" ? 0 : 1);
    }

    // A Gen ALL run to a .ccf file whose captions are too long for a CCF
    // text still makes the CCF file, with the real converter.
    void aCaptionTooLongForACcfStillGivesTheFile() {
        WindowOptions options;
        options.recordStarts = false;
        WindowFixture f(options);
        QFile::copy(KESTREL_PROGRAM_DIR "/hex2ccf", f.folder.filePath("hex2ccf"));
        QFile device(f.folder.filePath("LongIR.ini"));
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.write("[COMMANDS]\n" + QByteArray(300, 'N') + " = 10; Enumeration; (1)On\n");
        device.close();
        StartUp(f.w(), *f.transmitter);
        f.PickModel("Long");
        f.chooser.answer = f.Path("long.ccf");
        f.w().cmdGenAll->click();
        QTRY_VERIFY(QFile::exists(f.folder.filePath("long.ccf")));
        QTest::qWait(100);
        QVERIFY(f.display.messages.empty());
    }

    void theSignalViewFollowsTheOutput() {
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Power"));
        WindowFixture::Click(w.lstValues, 1);
        // The code box's context menu keeps Qt's entries and opens the view.
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu && menu->findChild<QAction*>(QStringLiteral("select-all")));
            for (QAction* action : menu->actions()) {
                if (action->text() == QStringLiteral("Show signal\u2026")) action->trigger();
            }
            menu->close();
        });
        emit w.txtOutput->customContextMenuRequested(QPoint(4, 4));
        auto* view = w.findChild<QWidget*>(QStringLiteral("signalView"));
        QVERIFY(view && view->isVisible() && !view->isModal());
        const auto caption = [view] { return view->accessibleDescription().toStdString(); };
        // One value character: 38 + 16 durations; a remote button: 72.
        QCOMPARE(caption(), std::string("Carrier 38381 Hz, 54 durations (54 once, 0 repeat)"));
        w.optRemote->click();
        QCOMPARE(caption(), std::string("Not a Pronto code: not a Pronto hex code"));
        WindowFixture::Click(w.lstRemote, 0);
        QCOMPARE(caption(), std::string("Carrier 38381 Hz, 72 durations (72 once, 0 repeat)"));
        w.txtOutput->setPlainText(QStringLiteral("0000 006C 0003 0000 0010"));
        QCOMPARE(caption(), std::string("Not a Pronto code: pair counts do not match the words"));
    }

    void screenshot() {
        // For the README: KESTREL_SCREENSHOT=path writes the window with a
        // model loaded and a code shown.
        const QByteArray path = qgetenv("KESTREL_SCREENSHOT");
        if (path.isEmpty()) QSKIP("KESTREL_SCREENSHOT not set");
        WindowFixture f;
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Power"));
        WindowFixture::Click(w.lstValues, 1);
        QVERIFY(w.grab().save(QString::fromLocal8Bit(path)));
    }
};

}  // namespace kestrel::test

QTEST_MAIN(kestrel::test::WindowTest)
#include "window_test.moc"
