// The window driven offscreen through its controls and its real event loop,
// with the sample models, the simulated transceiver and the golden files of
// kestrel-gen; then what the window itself does with a failure at its seams
// (the driver's and Gen ALL's own reports have tables of their own).

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "plot/signal_plot.h"
#include "support/golden.h"
#include "support/recording_display.h"
#include "transmitter/transmitter.h"
#include "window/learn_dialog.h"
#include "window/main_window.h"
#include "window/save_file_chooser.h"
#include "window/shown_text.h"
#include "window/window_display.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kFilm = GoldenCode("requests.txt", "$ [remote] [Tessel20] [Film]");

// A sample's code in the golden Gen ALL listing of a model.
std::string Listed(const std::string& model, const std::string& caption) {
    return GoldenCode("export_" + model + ".txt", "IR Data For Command " + caption);
}

// Runs act at the start of the next wait, from inside it: as a user's input
// arriving while a flash or the send indicator is shown.
void DuringTheNextWait(WindowDisplay& display, std::function<void()> act) {
    display.delayHook = [&display, act](int) {
        QTimer::singleShot(0, act);
        display.delayHook = nullptr;  // destroys this function: the last thing it does
    };
}

struct WindowOptions {
    std::string driver = KESTREL_PROGRAM_DIR "/libkestrel-sim-uuirt.so";  // or a name in the folder
    bool live = false;            // the window's own flashes and waits (x 0.2), messages recorded
    bool countStarts = true;      // false: the converter is really started
    std::string userFolder = {};  // the user's own device files
};

// A fresh window over a program folder holding the sample models; a display
// that records; the save dialog answered here; converter starts counted.
class Window : public SaveFileChooser {
  public:
    explicit Window(const WindowOptions& options = {}) {
        const QDir devices(QStringLiteral(KESTREL_SOURCE_DIR "/devices"));
        for (const QString& name : devices.entryList({QStringLiteral("*IR.ini")}, QDir::Files))
            QFile::copy(devices.filePath(name), folder.filePath(name));
        programFolder = folder.path().toStdString();
        qputenv("KESTREL_SIM_LOG", folder.filePath(QStringLiteral("sim.log")).toLocal8Bit());
        const std::string& driver = options.driver;
        transmitter = std::make_unique<Transmitter>(DriverLocation{
            .programFolder = programFolder,
            .libraryFile = driver[0] == '/' ? driver : programFolder + "/" + driver});
        MainWindowServices services;
        services.programFolder = programFolder;
        services.userFolder = options.userFolder;
        services.transmitter = transmitter.get();
        services.display = options.live ? nullptr : &display;
        services.chooser = this;
        if (options.countStarts) {
            services.starter = [this](const auto&...) {
                ++starts;
                return Status();
            };
        }
        services.endProgram = [this] { ++ended; };
        window = std::make_unique<MainWindow>(services);
        window->windowDisplay().beep = [] {};
        window->windowDisplay().timeScale = options.live ? 0.2 : 0.001;
        RecordMessages();
    }
    // A converter still running 5 s after the test is ended here and fails it.
    ~Window() override {
        for (const char* name : {"KESTREL_SIM_LOG", "KESTREL_SIM_LEARN", "KESTREL_SIM_LEARN_DELAY"})
            qunsetenv(name);
        const bool ended = QTest::qWaitFor([] { return RunningChildren().empty(); }, 5000);
        for (const pid_t pid : RunningChildren())
            kill(pid, SIGKILL);
        QVERIFY2(ended, "a converter did not end");
    }
    std::string GetSaveFileName(const std::string&) override {
        ++asked;
        if (onAsk) onAsk();
        return answer;
    }
    void RecordMessages() {
        window->windowDisplay().messageHook = [this](const std::string& text) {
            display.messages.push_back(text);
        };
    }

    // The processes this test started (the converters) that have not ended.
    static std::vector<pid_t> RunningChildren() {
        std::vector<pid_t> running;
        for (const auto& process : fs::directory_iterator("/proc")) {
            std::string stat;
            std::getline(std::ifstream(process.path() / "stat"), stat);
            char state = 'Z';
            int parent = 0;
            std::sscanf(stat.substr(stat.rfind(')') + 1).c_str(), " %c %d", &state, &parent);
            if (parent == getpid() && state != 'Z')
                running.push_back(std::stoi(process.path().filename()));
        }
        return running;
    }

    MainWindow& w() { return *window; }
    void Start() { StartUp(*window, *transmitter); }
    std::string Path(const QString& name) const { return folder.filePath(name).toStdString(); }
    void Write(const QString& name, const QByteArray& bytes) const {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(bytes) == bytes.size());
    }
    QByteArray Read(const QString& name) const {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // The lines of the simulated driver's log that hold text.
    QStringList SimLog(const QString& text) const {
        return QString::fromLatin1(Read(QStringLiteral("sim.log"))).split('\n').filter(text);
    }

    static std::string Text(const QLineEdit* box) { return box->text().toStdString(); }
    static std::string Text(const QPlainTextEdit* box) { return box->toPlainText().toStdString(); }
    static QStringList Items(const QListWidget* list) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    QString ModelLabel() {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(window.get(), &activate);
        return window->modelCaption->text();
    }
    static void TypeAndEnter(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    void PickModel(const QString& name) {
        window->modelList->setCurrentIndex(window->modelList->findText(name));
        emit window->modelList->activated(window->modelList->currentIndex());
    }
    static QPoint At(QListWidget* list, int row) {
        return list->visualItemRect(list->item(row)).center();
    }
    static void Click(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, At(list, row));
    }
    static void Pick(QListWidget* list, const QString& text) {
        Click(list, list->row(list->findItems(text, Qt::MatchExactly).value(0)));
    }
    // What the window system delivers for a double click: press, release,
    // the double click in place of the second press, release.
    static void DoubleClick(QListWidget* list, int row) {
        QWidget* viewport = list->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, At(list, row));
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, At(list, row),
                                viewport->mapToGlobal(At(list, row)), Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &doubleClick);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, At(list, row));
    }

    // Triggers the entry of the code box's menu (with Qt's entries) that
    // key opens.
    void FromMenu(QKeyCombination key, const QString& entry) {
        QTimer::singleShot(0, [entry] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* action : menu ? menu->actions() : QList<QAction*>())
                if (action->text() == entry &&
                    menu->findChild<QAction*>(QStringLiteral("select-all")))
                    action->trigger();
            if (menu) menu->close();
        });
        QTest::keyClick(window->outputBox, key.key(), key.keyboardModifiers());
    }
    // The signal view; null when it does not open.
    QWidget* OpenSignalView(QKeyCombination key) {
        FromMenu(key, QStringLiteral("Show signal\u2026"));
        return window->findChild<QWidget*>(QStringLiteral("signalView"));
    }
    // The learn dialog, listening to the capture file holding text.
    LearnDialog* OpenLearnDialog(const QByteArray& text) {
        Write("learn.capture", text);
        qputenv("KESTREL_SIM_LEARN",
                folder.filePath(QStringLiteral("learn.capture")).toLocal8Bit());
        FromMenu(Qt::Key_Menu, QStringLiteral("Learn from remote\u2026"));
        return window->findChild<LearnDialog*>(QStringLiteral("learnDialog"));
    }
    template <typename T>
    T* In(QWidget* dialog, const char* name) {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }

    // After a fault: a click on a value generates its code, and a Gen ALL
    // run writes its file without a message.
    void ExpectUsable() {
        QVERIFY(!window->statusLabel->isVisible());
        window->discreteOption->click();
        PickModel("Tessel20");
        Pick(window->commandList, "Power");
        Click(window->valueList, 1);
        QCOMPARE(Text(window->outputBox), Listed("Tessel20", "Power = On "));
        answer = Path("usable-check.txt");
        display.messages.clear();
        window->genAllButton->click();
        QVERIFY(display.messages.empty());
        QVERIFY(fs::file_size(answer) > 0);
        QVERIFY(ended == 0);
    }

    QTemporaryDir folder;
    std::string programFolder;
    RecordingDisplay display;
    std::string answer;  // the save dialog's: a path, or "" for Cancel
    int asked = 0;
    std::function<void()> onAsk;
    int starts = 0;
    int ended = 0;
    std::unique_ptr<Transmitter> transmitter;
    std::unique_ptr<MainWindow> window;
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
    using W = Window;

  private slots:
    // The models of the program's folder, then the user's (a name in both is
    // read from the user's folder); the lists hold what kestrel-gen show
    // lists; a model whose file is gone ends the program.
    void startUpAndModels() {
        QTemporaryDir user;
        Window f({.userFolder = user.path().toStdString()});
        QFile::copy(f.folder.filePath("Tessel20IR.ini"), user.filePath("ExtraIR.ini"));
        QFile::copy(f.folder.filePath("VortaIR.ini"), user.filePath("tessel10IR.ini"));
        f.Start();
        MainWindow& w = f.w();
        QStringList models;
        for (int i = 0; i < w.modelList->count(); ++i)
            models << w.modelList->itemText(i);
        QCOMPARE(models.takeLast(), QStringLiteral("Extra"));  // in the folders' order
        models.sort();
        QCOMPARE(models, (QStringList{"", "Tessel10", "Tessel20", "Vorta"}));
        QVERIFY(w.isVisible());
        QVERIFY(w.commandList->isVisible());
        QVERIFY(!w.valueList->isVisible());
        QVERIFY(!w.remoteButtonList->isVisible());
        QVERIFY(!w.rangeFrame->isVisible());
        QVERIFY(!w.manualFrame->isVisible());
        QVERIFY(!w.manualOption->isEnabled());
        QVERIFY(w.hiddenSendButton->isEnabled());
        QVERIFY(w.rangeSendButton->isEnabled());
        QVERIFY(f.display.statuses.empty());
        QVERIFY(f.SimLog("UUIRTOpenEx handle=0x").size() == 1);
        QCOMPARE(f.ModelLabel(), QStringLiteral("Model=????"));
        QStringList shown;  // "  1. Power = 10 (decimal 16): ..." and "  1. Menu = 5"
        const QRegularExpression entry(QStringLiteral("^  \\d+\\. (.*?) = "));
        for (const QString& line : QString::fromLatin1(GoldenText("show_Tessel20.txt")).split('\n'))
            if (const auto match = entry.match(line); match.hasMatch()) shown << match.captured(1);
        for (const char* model : {"Tessel20", "Extra"}) {
            f.PickModel(model);
            QCOMPARE(W::Items(w.commandList) + W::Items(w.remoteButtonList), shown);
            QCOMPARE(f.ModelLabel(), QStringLiteral("Model=Tessel20"));
        }
        f.Write("BadIR.ini",
                "[COMMANDS]\nA(M:x = 10; Query\nB = 11; Integer; 0-9\nC = 12; Query\n");
        f.w().FillModelList();
        for (int twice = 0; twice < 2; ++twice)  // once a model
            f.PickModel("Bad");
        QCOMPARE(f.display.statuses.size(), 1u);
        QCOMPARE(f.display.statuses[0].text, "2 lines skipped \u2014 kestrel-gen check Bad");
        f.PickModel("Tessel10");
        f.PickModel("");  // the leading empty item changes nothing
        QVERIFY(f.ModelLabel() == QStringLiteral("Model=Vorta"));
        QVERIFY(w.manualOption->isEnabled());
        QFile::remove(f.folder.filePath("Tessel20IR.ini"));
        f.PickModel("Tessel20");
        QCOMPARE(f.display.messages, std::vector<std::string>{"There is no INI file named "
                                                              "Tessel20IR.ini, one is required"});
        QCOMPARE(f.ended, 1);
    }

    // A value, a range value or a remote button generates its code; IR SEND
    // and the double clicks send it, with the send indicator's 250 ms wait.
    void listsGenerateAndSend() {
        Window f;
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Tessel20");
        f.Pick(w.commandList, "Power");
        QCOMPARE(W::Items(w.valueList), (QStringList{"Off", "On", "Standby"}));
        QVERIFY(W::Text(w.codeHexBox) + " " + W::Text(w.codeDecimalBox) == "10 16");
        QVERIFY(w.valueKindOption->isChecked());
        for (int twice = 0; twice < 2; ++twice) {  // the selected value again: generated again
            w.outputBox->clear();
            W::Click(w.valueList, 1);
            QCOMPARE(W::Text(w.valueBox) + " " + W::Text(w.outputBox),
                     "1 " + Listed("Tessel20", "Power = On "));
        }
        W::DoubleClick(w.valueList, 2);
        W::Pick(w.commandList, "Vertical Shift");
        W::Click(w.valueList, 0);
        QCOMPARE(W::Text(w.valueBox), "-3");
        W::Pick(w.commandList, "Brightness");
        QVERIFY(w.rangeFrame->isVisible());
        QVERIFY(!w.valueList->isVisible());
        QCOMPARE(w.rangePrompt->text(), QStringLiteral("Enter a value in the range 0 to 100"));
        w.rangeBox->setText("50");
        w.rangeSendButton->click();
        const std::string fifty = Listed("Tessel20", "Brightness(0x20/32) Middle of Range=50");
        QCOMPARE(W::Text(w.valueBox) + " " + W::Text(w.outputBox), "50 " + fifty);
        w.rangeBox->setText("101");  // the value error; nothing generated or sent
        w.rangeSendButton->click();
        QCOMPARE(W::Text(w.valueBox) + W::Text(w.outputBox) + " " + W::Text(w.rangeBox), " 101");
        W::Pick(w.commandList, "Status");  // says so; the range panel stays
        QCOMPARE(f.display.statuses.back().text, "Query Commands are not handled by IR");
        QVERIFY(w.rangeFrame->isVisible());
        QVERIFY(f.display.valueErrors == 1);
        w.remoteOption->click();
        QCOMPARE(W::Text(w.codeDecimalBox) + " " + W::Text(w.codeHexBox), "8324 2084");
        QVERIFY(w.decimalKindOption->isChecked());
        QVERIFY(w.remoteButtonList->isVisible());
        QVERIFY(!w.commandList->isVisible());
        W::DoubleClick(w.remoteButtonList, W::Items(w.remoteButtonList).indexOf("Film"));
        QCOMPARE(W::Text(w.valueBox) + " " + W::Text(w.outputBox), "43 " + kFilm);
        const QStringList sent = f.SimLog(
            "UUIRTTransmitIR result=1 handle=0x5157 format=16 "
            "repeatCount=1 inactivityWaitTime=0 ");
        const std::string codes[] = {Listed("Tessel20", "Power = Standby "), fifty, kFilm};
        for (int i = 0; i < 3; ++i)
            QVERIFY(sent.value(i).endsWith(QString::fromStdString(" code=" + codes[i])));
        QVERIFY(sent.size() == 3);
        QVERIFY(f.display.delays == std::vector(3, 250));
        QVERIFY(!w.sendIndicator->isVisible());
        // Discrete mode again: the code boxes emptied; no button stays selected.
        w.discreteOption->click();
        QCOMPARE(W::Text(w.codeDecimalBox) + W::Text(w.codeHexBox), "");
        QVERIFY(!w.decimalKindOption->isChecked());
        QVERIFY(w.commandList->isVisible());
        QVERIFY(!w.remoteButtonList->isVisible());
        w.remoteOption->click();
        QVERIFY(w.remoteButtonList->selectedItems().isEmpty());
        QVERIFY(W::Text(w.outputBox).empty());
    }

    void manualEntryKeepsTheCodeBoxesInStep() {
        Window f;
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Vorta");
        w.manualOption->click();
        QVERIFY(w.manualFrame->isVisible());
        QVERIFY(w.valueKindOption->isChecked());
        QVERIFY(!w.commandList->isVisible());
        QVERIFY(w.manualInstructions->isVisible());
        QVERIFY(w.manualInstructions->text().startsWith("Enter either a dec"));
        W::TypeAndEnter(w.codeDecimalBox, "256");
        QCOMPARE(f.display.messages, std::vector<std::string>{"Illegal function code. The "
                                                              "function code exceeds 255 decimal"});
        W::TypeAndEnter(w.codeHexBox, "1f3");
        QCOMPARE(W::Text(w.codeHexBox) + " " + W::Text(w.codeDecimalBox), "1F3 499");
        w.codeHexBox->clear();  // emptying one code box empties the other
        QCOMPARE(W::Text(w.codeDecimalBox), "");
        // Leaving a box converts it; losing the focus to a message box or a popup does not.
        for (const Qt::FocusReason reason :
             {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason, Qt::TabFocusReason}) {
            w.codeHexBox->setText(QStringLiteral("1f"));
            QFocusEvent out(QEvent::FocusOut, reason);
            QApplication::sendEvent(w.codeHexBox, &out);
            QCOMPARE(W::Text(w.codeDecimalBox), reason == Qt::TabFocusReason ? "31" : "");
        }
        W::TypeAndEnter(w.codeDecimalBox, "8324");
        QCOMPARE(W::Text(w.codeHexBox), "2084");
        w.codeDecimalBox->clear();
        QCOMPARE(W::Text(w.codeHexBox), "");
        W::TypeAndEnter(w.codeDecimalBox, "16");
        w.valueBox->setText("7F");
        w.hexKindOption->click();
        w.manualGenButton->click();
        QCOMPARE(W::Text(w.outputBox),
                 GoldenCode("requests.txt", "$ [manual] [16] [7F] [--kind] [h]"));
        W::TypeAndEnter(w.valueBox, "7");  // no command picked: a value error
        QCOMPARE(f.display.valueErrors, 1);
    }

    // Gen ALL writes what kestrel-gen export writes, and the converter makes
    // the CCF file (also from captions too long for a CCF text). A file that
    // cannot be created, a converter that cannot start or that fails (its end
    // is watched) give their message; the run's files are kept.
    void genAll_data() {
        QTest::addColumn<QString>("converter");   // "real", "plain" (not executable), "false"
        QTest::addColumn<QString>("file");        // chosen in out/; "" cancels
        QTest::addColumn<QStringList>("golden");  // files of out/ and their golden files
        QTest::addColumn<QString>("message");     // %1: the converter, %2: the chosen file
        const auto row = [](const char* name, const char* converter, const char* file,
                            QStringList golden, const char* message) {
            QTest::newRow(name) << converter << file << golden << message;
        };
        const QStringList ccf = {"Temp$$.hex", "export_Tessel10.hex", "codes.txt",
                                 "export_Tessel10_ccf_listing.txt"};
        row("text", "", "codes.txt", {"codes.txt", "export_Tessel10.txt"}, "");
        row("hex", "", "CODES.HEX", {"CODES.HEX", "export_Tessel10.hex"}, "");
        row("CCF", "real", "codes.ccf", ccf, "");
        row("long captions", "real", "long.ccf", {}, "");
        row("cancelled", "", "", {}, "");
        row("no folder", "", "gone/codes.txt", {},
            "Could not create the file '%2': No such file or directory");
        row("converter not executable", "plain", "codes.ccf", ccf,
            "Could not start the converter '%1': Permission denied");
        row("converter fails", "false", "codes.ccf", ccf,
            "The CCF file '%2' was not made: hex2ccf ended with exit status 1");
    }
    void genAll() {
        QFETCH(QString, converter);
        QFETCH(QString, file);
        QFETCH(QStringList, golden);
        QFETCH(QString, message);
        Window f({.countStarts = false});
        const std::string program = f.Path("hex2ccf");
        if (converter == "real") fs::copy_file(KESTREL_PROGRAM_DIR "/hex2ccf", program);
        if (converter == "false") fs::copy_file("/bin/false", program);
        if (converter == "plain") f.Write("hex2ccf", "#!/bin/sh\nexit 0\n");
        f.Write("LongIR.ini",
                "[COMMANDS]\n" + QByteArray(300, 'N') + " = 10; Enumeration; (1)On\n");
        fs::create_directory(f.Path("out"));
        f.Start();
        MainWindow& w = f.w();
        f.PickModel(file == "long.ccf" ? "Long" : "Tessel10");
        w.remoteOption->click();
        f.answer = file.isEmpty() ? "" : f.Path("out/" + file);
        w.genAllButton->click();
        const std::string expected = message.replace("%1", QString::fromStdString(program))
                                         .replace("%2", QString::fromStdString(f.answer))
                                         .toStdString();
        if (converter == "real") QTRY_VERIFY(fs::exists(f.answer));
        QTest::qWait(converter.isEmpty() ? 0 : 100);
        QTRY_VERIFY2(f.display.messages == std::vector<std::string>(!expected.empty(), expected),
                     expected.c_str());
        for (qsizetype i = 0; i < golden.size(); i += 2)
            QCOMPARE(f.Read("out/" + golden[i]).toStdString(),
                     GoldenText(golden[i + 1].toStdString()));
        if (converter.isEmpty())
            QCOMPARE(QDir(f.folder.filePath("out")).entryList(QDir::Files).size(),
                     golden.size() / 2);
        // After a run: Discrete mode, the status line hidden, the output empty.
        const bool ran = !file.isEmpty() && !file.startsWith("gone");
        QVERIFY(f.asked == 1);
        QVERIFY(w.discreteOption->isChecked() == ran);
        QVERIFY(W::Text(w.outputBox).empty());
        QVERIFY(!w.statusLabel->isVisible());
        QVERIFY((!ran || w.statusLabel->text().isEmpty()));
        QCOMPARE(W::Text(w.codeDecimalBox) == "8324", !ran);
        f.ExpectUsable();
    }

    // The user's clicks, wheel and keys during a run are held back (here
    // while a message of the run is shown): no second run, no mode or model change. Escape and the
    // status line's Cancel stop the run before its next sample, without
    // ending the program. The status line counts the samples written.
    void inputIsHeldDuringARun_data() {
        QTest::addColumn<QString>("act");
        QTest::newRow("clicks held") << "";
        QTest::newRow("Escape stops") << "Escape";
        QTest::newRow("Cancel stops") << "Cancel";
    }
    void inputIsHeldDuringARun() {
        QFETCH(QString, act);
        Window f;
        f.Write("NestIR.ini",
                "[COMMANDS]\nA = 10; Enumeration; (1)One, (2)Two\n"
                "Big = 1A2; Enumeration; (1)One\nZ = 11; Enumeration; (1)One\n");
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Nest");
        f.answer = f.Path("nested.txt");
        QString progress;
        f.display.onMessage = [&](const std::string&) {
            if (progress.isEmpty()) progress = w.statusLabel->text();
            QTest::mouseClick(w.genAllButton, Qt::LeftButton);
            QTest::mouseClick(w.remoteOption, Qt::LeftButton);
            QWheelEvent wheel({}, {}, {}, {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w.modelList, &wheel);
            QTest::keyClick(w.modelList, Qt::Key_Down);
            if (act == "Escape") QTest::keyClick(w.commandList, Qt::Key_Escape);
            if (act == "Cancel") QTest::mouseClick(w.cancelRunButton, Qt::LeftButton);
        };
        w.genAllButton->click();
        QVERIFY(f.asked == 1);
        QVERIFY(w.discreteOption->isChecked());
        QCOMPARE(w.modelList->currentText(), QStringLiteral("Nest"));
        QVERIFY(f.ended == 0);
        QCOMPARE(progress, QStringLiteral("2 of 4   A = Two  (0x10/16  '2'/50)"));
        QCOMPARE(f.Read("nested.txt").count('\n'), act.isEmpty() ? 8 : 6);
        QCOMPARE(f.display.statuses.size(), act.isEmpty() ? 0u : 1u);
        if (!act.isEmpty())
            QCOMPARE(f.display.statuses[0].text, "Gen ALL cancelled after 3 of 4 samples");
        QVERIFY(!w.statusLabel->isVisible());
        QVERIFY(!w.cancelRunButton->isVisible());
        QVERIFY(W::Text(w.outputBox).empty());
    }

    // One timer serves every wait: a wait started inside another ends both.
    void nestedWaitsEndTogether() {
        Window f;
        QTimer::singleShot(0, [&f] { f.w().windowDisplay().Delay(20); });
        QElapsedTimer clock;
        clock.start();
        f.w().windowDisplay().Delay(20000000);  // 20 s at the tests' time scale
        QVERIFY(clock.elapsed() < 10000);
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
        Window f({.live = true});
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Tessel20");
        if (situation == "value error") {
            W::Pick(w.commandList, "Brightness");
            w.rangeBox->setText("101");
            std::string during;
            DuringTheNextWait(w.windowDisplay(), [&] {
                QTest::mouseClick(w.remoteOption, Qt::LeftButton);
                W::Pick(w.remoteButtonList, "Film");
                during = W::Text(w.outputBox);
            });
            QTest::mouseClick(w.rangeGenButton, Qt::LeftButton);
            QCOMPARE(during, kFilm);
            QVERIFY(w.remoteOption->isChecked());
            QVERIFY(w.remoteButtonList->isVisible());
            QVERIFY(!w.commandList->isVisible());
            QCOMPARE(W::Text(w.codeDecimalBox), "8324");
            QCOMPARE(W::Text(w.outputBox), "");  // the flash ends emptying value and output
        } else if (situation == "query" || situation == "send") {
            const bool query = situation == "query";
            if (query) {
                DuringTheNextWait(w.windowDisplay(), [&] { W::Pick(w.commandList, "Power"); });
                W::Pick(w.commandList, "Status");
            } else {
                W::Pick(w.commandList, "Power");
                DuringTheNextWait(w.windowDisplay(), [&] { W::Pick(w.commandList, "Brightness"); });
                W::DoubleClick(w.valueList, 1);
                QCOMPARE(f.SimLog("UUIRTTransmitIR").size(), 1);
            }
            QCOMPARE(W::Text(w.codeHexBox) + " " + W::Text(w.codeDecimalBox),
                     query ? "10 16" : "20 32");
            QVERIFY(w.valueList->isVisible() == query);
            QVERIFY(w.rangeFrame->isVisible() == !query);
            QCOMPARE(w.valueList->count(), query ? 3 : 0);
        } else {
            f.PickModel("Vorta");
            QTest::mouseClick(w.manualOption, Qt::LeftButton);
            W::TypeAndEnter(w.codeDecimalBox, "12");
            DuringTheNextWait(w.windowDisplay(), [&] {
                QTest::keyClicks(w.codeDecimalBox, "7");
                QTest::mouseClick(w.hexKindOption, Qt::LeftButton);
            });
            QTest::mouseClick(w.manualGenButton, Qt::LeftButton);
            QCOMPARE(w.statusLabel->text(), QStringLiteral("There is no value entered"));
            QVERIFY(W::Text(w.codeDecimalBox) == "127");
            QVERIFY(w.hexKindOption->isChecked());
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
        Window f({.live = true});
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Tessel20");
        if (remote) w.remoteOption->click();
        QListWidget* list = remote ? w.remoteButtonList : w.commandList;
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.outputBox->setFocus();
        QTest::keyClick(w.outputBox, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), list);
        QVERIFY(list->selectedItems().isEmpty());
        QVERIFY(W::Text(w.outputBox).empty());
        QCOMPARE(W::Text(w.codeHexBox), remote ? "2084" : "");
        QVERIFY(!w.valueList->isVisible());
        QVERIFY(!w.rangeFrame->isVisible());
        QVERIFY(!w.statusLabel->isVisible());
        // The keys still pick: Down selects the next item and runs its click.
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->selectedItems().size(), 1);
        QVERIFY(remote ? !W::Text(w.outputBox).empty() : !W::Text(w.codeHexBox).empty());
    }

    // Done and the window's close end the program at once from anywhere;
    // Done removes Temp$$.hex and releases the transceiver.
    void endingAtOnce_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("close");  // the window's close instead of Done
        QTest::newRow("Done") << "" << false;
        QTest::newRow("close") << "" << true;
        QTest::newRow("Done in the start-up flash") << "start-up" << false;
        QTest::newRow("close in a status flash") << "flash" << true;
        QTest::newRow("Done in a nested wait") << "nested" << false;
        QTest::newRow("Done in a message box") << "message box" << false;
        QTest::newRow("Done in a Gen ALL run") << "run" << false;
    }
    void endingAtOnce() {
        QFETCH(QString, where);
        QFETCH(bool, close);
        Window f(
            {.driver = where == "start-up" ? "none.so" : WindowOptions().driver, .live = true});
        MainWindow& w = f.w();
        w.windowDisplay().timeScale = 1.0;
        f.Write("Temp$$.hex", "");
        // Done by the window system's way in, which a modal box would block.
        const auto end = [&] {
            close ? (void)w.close()
                  : QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {},
                                      w.doneButton->mapTo(&w, w.doneButton->rect().center()));
        };
        QElapsedTimer clock;
        clock.start();
        if (where == "start-up") {
            DuringTheNextWait(w.windowDisplay(), end);
            f.Start();  // a three-second flash: no driver
            QVERIFY(!w.hiddenSendButton->isEnabled());
        } else {
            f.Start();
            f.PickModel("Tessel20");
            if (where == "flash") {
                DuringTheNextWait(w.windowDisplay(), end);
                W::Pick(w.commandList, "Status");
            } else if (where == "nested") {
                DuringTheNextWait(w.windowDisplay(), [&] {
                    DuringTheNextWait(w.windowDisplay(), end);
                    W::Pick(w.commandList, "Status");
                });
                W::Pick(w.commandList, "Status");
            } else if (where == "message box") {
                w.windowDisplay().messageHook = nullptr;  // the real box
                QTimer::singleShot(100, end);
                QTimer::singleShot(2000, &w, [&w] {  // a blocked Done: the box's OK, late
                    if (auto* box = w.findChild<QMessageBox*>()) box->accept();
                });
                w.remoteOption->click();
                W::TypeAndEnter(w.codeDecimalBox, "300");  // a code above 255 is warned about
            } else if (where == "run") {
                QFile::copy(KESTREL_PROGRAM_DIR "/hex2ccf", f.folder.filePath("hex2ccf"));
                QDir(f.folder.path()).mkdir("out");
                f.answer = f.Path("out/codes.ccf");
                f.onAsk = [&] { QTimer::singleShot(0, end); };
                QTest::mouseClick(w.genAllButton, Qt::LeftButton);
                // Stopped before its next sample, its files closed, no converter.
                const qsizetype lines = f.Read("out/Temp$$.hex").count('\n');
                QVERIFY(f.starts == 0);
                QVERIFY(lines % 2 == 0);
                QVERIFY(lines < 10);
            } else {
                end();
            }
        }
        QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(w.Ending());
        QVERIFY(f.ended == 1);
        QVERIFY(!w.findChild<QMessageBox*>());
        QCOMPARE(QFile::exists(f.folder.filePath("Temp$$.hex")), close);
        QCOMPARE(f.SimLog("UUIRTClose").size(), close || where == "start-up" ? 0 : 1);
    }

    // The code box's context menu (Shift+F10, the Menu key) keeps Qt's
    // entries and opens the signal view, which follows the box and closes
    // on Escape: one value character makes 38 + 16 durations, a remote
    // button 72. A long code is whole in the box, the clipboard, the view
    // and what is sent (it was once shown cut off at 1000 characters).
    void theSignalViewFollowsTheOutput() {
        Window f;
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Tessel20");
        W::Pick(w.commandList, "Power");
        W::Click(w.valueList, 1);
        QPointer<QWidget> view = f.OpenSignalView(Qt::SHIFT | Qt::Key_F10);
        QVERIFY(view);
        QVERIFY(view->isVisible());
        QVERIFY(!view->isModal());
        const auto caption = [&view] { return view->accessibleDescription().toStdString(); };
        QCOMPARE(caption(), "Carrier 38381 Hz, 54 durations (54 once, 0 repeat)");
        w.remoteOption->click();
        QCOMPARE(caption(), "Not a Pronto code: not a Pronto hex code");
        W::Click(w.remoteButtonList, 0);
        QCOMPARE(caption(), "Carrier 38381 Hz, 72 durations (72 once, 0 repeat)");
        w.outputBox->setPlainText(QStringLiteral("0000 006C 0003 0000 0010"));
        QCOMPARE(caption(), "Not a Pronto code: pair counts do not match the words");
        QTest::keyClick(view, Qt::Key_Escape);
        QTRY_VERIFY(!view);
        // Ten characters: 38 + 160 durations, 99 pairs; 4 + 198 words.
        f.PickModel("Vorta");
        w.manualOption->click();
        W::TypeAndEnter(w.codeDecimalBox, "16");
        w.valueBox->setText(QStringLiteral("0123456789"));
        w.manualGenButton->click();
        const QString code = w.outputBox->toPlainText();
        QVERIFY(code.size() == 202 * 5 - 1);
        QVERIFY(code.startsWith(QStringLiteral("0000 006C 0063 0000")));
        w.outputBox->selectAll();
        w.outputBox->copy();
        QCOMPARE(QApplication::clipboard()->text(), code);
        view = f.OpenSignalView(Qt::Key_Menu);
        QCOMPARE(caption(), "Carrier 38381 Hz, 198 durations (198 once, 0 repeat)");
        w.hiddenSendButton->click();
        QVERIFY(f.SimLog("UUIRTTransmitIR").value(0).endsWith(" code=" + code));
        // A window system's menu request just before the Menu key opens one menu.
        QSignalSpy menus(w.outputBox, &QWidget::customContextMenuRequested);
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
        });
        closer.start(0);
        QContextMenuEvent request(QContextMenuEvent::Keyboard, {}, {});
        QApplication::sendEvent(w.outputBox, &request);
        QTest::keyClick(w.outputBox, Qt::Key_Menu);
        QCOMPARE(menus.count(), 1);
    }

    // A code heard through the transceiver is named in the learn dialog (by
    // the window's model, or by every model when it shows none); "Show in
    // window" picks the entry through the window's handlers, which then show
    // the catalogue's code.
    void learnNamesTheCodeAndShowsItInTheWindow_data() {
        QTest::addColumn<QString>("model");    // shown by the window
        QTest::addColumn<QString>("golden");   // the golden file holding the code
        QTest::addColumn<QString>("caption");  // the line above the code there
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("picked");   // the window then
        QTest::addColumn<QString>("decoded");  // the first form it follows
        QTest::newRow("a remote button of the model shown")
            << "Tessel20"
            << "requests.txt"
            << "$ [remote] [Tessel20] [Film]"
            << "Tessel20: remote Film"
            << "Remote: Film"
            << "remote, device 8324 (0x2084), function 43 (0x2B)";
        QTest::newRow("a value, no model shown")
            << ""
            << "export_Tessel20.txt"
            << "IR Data For Command Power = On "
            << "Tessel20: Power = On"
            << "Power: On"
            << "discrete, device 16 (0x10), function 49 (0x31)";
        QTest::newRow("a range value")
            << "Tessel20"
            << "export_Tessel20.txt"
            << "IR Data For Command Brightness(0x20/32) Middle of Range=50"
            << "Tessel20: Brightness = 50"
            << "Brightness: 50"
            << "valuetext, device 32 (0x20), value \"50\"";
        QTest::newRow("a manual code") << "Vorta"
                                       << "requests.txt"
                                       << "$ [manual] [16] [7F] [--kind] [h]"
                                       << "Vorta: manual code 16 (Power), decimal value 127"
                                       << "Manual: 16 = 127 DEC"
                                       << "discrete, device 16 (0x10), function 127 (0x7F)";
        QTest::newRow("another model's code") << "Tessel20"
                                              << "export_Tessel10.txt"
                                              << "IR Data For Command Freeze = On"
                                              << "no entry"
                                              << ""
                                              << "discrete, device 7 (0x7), function 49 (0x31)";
    }
    void learnNamesTheCodeAndShowsItInTheWindow() {
        QFETCH(QString, model);
        QFETCH(QString, golden);
        QFETCH(QString, caption);
        QFETCH(QString, entry);
        QFETCH(QString, picked);
        QFETCH(QString, decoded);
        Window f;
        f.Start();
        MainWindow& w = f.w();
        if (!model.isEmpty()) f.PickModel(model);
        const std::string code = GoldenCode(golden.toStdString(), caption.toStdString());
        LearnDialog* dialog = f.OpenLearnDialog(QByteArray::fromStdString(code + "\n"));
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        auto* matches = f.In<QListWidget>(dialog, "learnMatches");
        QTRY_VERIFY(!dialog->Listening());
        QCOMPARE(W::Text(f.In<QPlainTextEdit>(dialog, "learnCode")), code);
        QCOMPARE(f.In<QPlainTextEdit>(dialog, "learnDecode")->toPlainText().section('\n', 0, 0),
                 decoded);
        const QStringList names = W::Items(matches);
        auto* show = f.In<QPushButton>(dialog, "learnShowInWindow");
        if (entry == "no entry") {  // and the nearest, as identify finds them
            QCOMPARE(names.value(0) + " | " + names.value(1),
                     "no entry | nearest: Tessel20: Picture Mode = Cin\u00e9ma (2 bits differ)");
            QVERIFY(!show->isEnabled());
            return;
        }
        QVERIFY2(names.contains(entry) && (model.isEmpty() || names.size() == 1),
                 qPrintable(names.join('|')));
        QVERIFY(w.rangeSendButton->isEnabled());
        QVERIFY(f.SimLog("UUIRTLearnIR result=1").size() == 1);
        if (model == "Tessel20") {  // elsewhere: Manual mode, nothing shown
            w.manualOption->setEnabled(true);
            w.manualOption->click();
        }
        matches->setCurrentRow(static_cast<int>(names.indexOf(entry)));
        show->click();
        QCOMPARE(w.modelList->currentText(), entry.section(':', 0, 0));
        QCOMPARE(W::Text(w.outputBox), code);
        QString shown;
        if (w.manualFrame->isVisible()) {
            shown = "Manual: " + w.codeDecimalBox->text() + " = " + w.valueBox->text() +
                    (w.decimalKindOption->isChecked() ? " DEC" : "");
        } else {
            const QListWidget* list =
                w.remoteButtonList->isVisible() ? w.remoteButtonList : w.commandList;
            shown = (list == w.remoteButtonList ? "Remote: " : "") + list->currentItem()->text();
            if (w.valueList->isVisible()) shown += ": " + w.valueList->currentItem()->text();
            if (w.rangeFrame->isVisible()) shown += ": " + w.rangeBox->text();
        }
        QCOMPARE(shown, picked);
        QVERIFY(f.In<QLabel>(dialog, "learnStatus")->text().startsWith("The window shows "));
    }

    // While the transceiver listens nothing is sent; Cancel ends the learn
    // and the send buttons come back. Done while it listens ends at once,
    // the learn stopped before the transceiver is released. Without a
    // transceiver the dialog says so and stays usable.
    void learnCancelDoneAndNoTransceiver() {
        Window f;
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Tessel20");
        w.remoteOption->click();
        qputenv("KESTREL_SIM_LEARN_DELAY", "600000");
        LearnDialog* dialog = f.OpenLearnDialog(QByteArray::fromStdString(kFilm + "\n"));
        QVERIFY(dialog->Listening());
        QVERIFY(!w.rangeSendButton->isEnabled());
        QVERIFY(!w.hiddenSendButton->isEnabled());
        QVERIFY(f.In<QProgressBar>(dialog, "learnProgress")->isVisible());
        QTRY_COMPARE(f.In<QLabel>(dialog, "learnQuality")->text(),
                     QStringLiteral("Signal quality 0 %"));  // the driver's reports come through
        W::DoubleClick(w.remoteButtonList, 0);               // shown, not sent
        QVERIFY(!W::Text(w.outputBox).empty());
        QVERIFY(f.SimLog("UUIRTTransmitIR").empty());
        f.In<QPushButton>(dialog, "learnCancel")->click();
        QTRY_VERIFY(!dialog->Listening());
        QCOMPARE(f.In<QLabel>(dialog, "learnStatus")->text(), QString(kLearnCancelledText));
        QVERIFY(w.rangeSendButton->isEnabled());
        QVERIFY(w.hiddenSendButton->isEnabled());
        QCOMPARE(f.SimLog("UUIRTLearnIR result=0").size(), 1);
        f.In<QPushButton>(dialog, "learnListen")->click();
        QVERIFY(dialog->Listening());
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(w.doneButton, Qt::LeftButton);
        QVERIFY(clock.elapsed() < 900);
        QVERIFY(f.ended == 1);
        QVERIFY(!dialog->Listening());
        const QStringList log = QString::fromLatin1(f.Read("sim.log")).split('\n');
        QCOMPARE(log.filter("error=ECANCELED").size(), 2);
        QVERIFY(log.indexOf(QRegularExpression("^UUIRTClose.*")) >
                log.lastIndexOf(QRegularExpression("^UUIRTLearnIR.*")));

        Window none({.driver = "none.so"});
        none.Start();
        dialog = none.OpenLearnDialog(QByteArray::fromStdString(kFilm + "\n"));
        QTRY_COMPARE(none.In<QLabel>(dialog, "learnStatus")->text(), QString(kNoConnectionText));
        QVERIFY(none.In<QPushButton>(dialog, "learnListen")->isEnabled());
        QVERIFY(!none.In<QPushButton>(dialog, "learnShowInWindow")->isEnabled());
        QVERIFY(!none.w().rangeSendButton->isEnabled());  // as the failed open left it
    }

    // Enter on a picked value or remote button does what its double click
    // does (shown and sent); Enter in the range box what IR Gen does (shown).
    void enterDoesWhatTheClicksDo_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("a value") << "value";
        QTest::newRow("a remote button") << "remote";
        QTest::newRow("the range box") << "range";
    }
    void enterDoesWhatTheClicksDo() {
        QFETCH(QString, where);
        Window f;
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Tessel20");
        W::Pick(w.commandList, where == "range" ? "Brightness" : "Power");
        W::Click(w.valueList, 1);
        if (where == "remote") {
            w.remoteOption->click();
            W::Pick(w.remoteButtonList, "Film");
        }
        w.rangeBox->setText(QStringLiteral("50"));
        const std::string code = where == "remote" ? kFilm
                                 : where == "value"
                                     ? Listed("Tessel20", "Power = On ")
                                     : Listed("Tessel20", "Brightness(0x20/32) Middle of Range=50");
        w.outputBox->clear();
        QTest::keyClick(where == "range"    ? static_cast<QWidget*>(w.rangeBox)
                        : where == "remote" ? w.remoteButtonList
                                            : w.valueList,
                        Qt::Key_Return);
        QCOMPARE(W::Text(w.outputBox), code);
        const QStringList sent = f.SimLog("UUIRTTransmitIR");
        QCOMPARE(sent.size(), where == "range" ? 0 : 1);
        QVERIFY(sent.isEmpty() || sent[0].endsWith(QString::fromStdString(" code=" + code)));
    }

    // Every control a user can reach has a name of its own for screen
    // readers (the manual boxes once all had their frame's); the covered
    // Send button is not there for them.
    void everyControlHasANameOfItsOwn() {
        Window f;
        QStringList names;
        const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            for (int i = 0; i < node->childCount(); ++i) {
                QAccessibleInterface* child = node->child(i);
                const auto* control = qobject_cast<QWidget*>(child->object());
                QVERIFY(control != f.w().hiddenSendButton);
                if (control && control->focusPolicy() != Qt::NoFocus)
                    names << child->text(QAccessible::Name);
                walk(child);
            }
        };
        walk(QAccessible::queryAccessibleInterface(&f.w()));
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        QVERIFY2(
            names.size() >= 22 && !names.contains("") && !names.contains("Manual IR Generation"),
            qPrintable(names.join('|')));
        for (const char* name : {"Function code, dec", "Function code, hex", "Value", "Commands"})
            QVERIFY(names.contains(name));
    }

    // A typed character that Latin-1 cannot hold is refused, naming it; it
    // once became "?" without a word. Nothing is generated or sent.
    void charactersBeyondLatin1AreRefused() {
        Window f;
        f.Start();
        MainWindow& w = f.w();
        f.PickModel("Vorta");
        W::Pick(w.commandList, "Brightness");
        w.rangeBox->setText(QStringLiteral("5\u20ac"));
        w.rangeSendButton->click();
        w.manualOption->click();
        W::TypeAndEnter(w.codeDecimalBox, QStringLiteral("16"));
        w.valueBox->setText(QStringLiteral("\u20ac5"));
        w.manualGenButton->click();
        W::TypeAndEnter(w.codeHexBox, QStringLiteral("1\U0001F4FA"));
        QStringList heads;  // up to the code point
        for (const std::string& message : f.display.messages)
            heads << QString::fromStdString(message.substr(0, message.find(", which")));
        QCOMPARE(
            heads,
            (QStringList{
                "The range holds the character \u201c\u20ac\u201d (U+20AC)",
                "The value holds the character \u201c\u20ac\u201d (U+20AC)",
                "The function code (hex) holds the character \u201c\U0001F4FA\u201d (U+1F4FA)"}));
        QVERIFY(f.display.messages[0].ends_with(
            "which Kestrel cannot send: only Latin-1 characters (U+0000 to U+00FF) can be used. "
            "Nothing was generated or sent."));
        QVERIFY(W::Text(w.outputBox).empty());
        QVERIFY(f.SimLog("UUIRTTransmitIR").empty());
    }

    // A device file that is valid UTF-8 as a whole is shown as UTF-8, any
    // other as Latin-1, and a file name or message by itself; either way the
    // file's bytes make the code (here Tessel20's Power = On).
    void utf8AndLatin1DeviceFilesReadAlike() {
        Window f;
        f.Write(QStringLiteral("Caf\u00e9IR.ini"),
                "[COMMANDS]\nLumi\xc3\xa8re = 10; Enumeration; (1)Allum\xc3\xa9\n");
        f.Write("LatinIR.ini", "[COMMANDS]\nLumi\xe8re = 10; Enumeration; (1)Allum\xe9\n");
        f.Start();
        MainWindow& w = f.w();
        for (const QString& model : {QStringLiteral("Caf\u00e9"), QStringLiteral("Latin")}) {
            f.PickModel(model);
            W::Pick(w.commandList, QStringLiteral("Lumi\u00e8re"));
            QCOMPARE(W::Items(w.valueList), QStringList{QStringLiteral("Allum\u00e9")});
            W::Click(w.valueList, 0);
            QCOMPARE(W::Text(w.outputBox), Listed("Tessel20", "Power = On "));
        }
        QCOMPARE(ShownMessage("/home/\xc3\xa9/a.txt") + ShownMessage("\xe9"),
                 QStringLiteral("/home/\u00e9/a.txt\u00e9"));
    }

    // The save dialog opens in the user's documents folder (else the home
    // folder), never in the program's folder, and then where a file was
    // last chosen. Cancel gives no file.
    void theSaveDialogOpensInTheUsersFolders() {
        Window f;
        DialogSaveFileChooser chooser(&f.w(), f.w().windowDisplay());
        QStringList opened;
        for (const QString& name :
             {f.folder.filePath("a.txt"), QStringLiteral("b.txt"), QString()}) {
            QTimer::singleShot(0, [&] {
                auto* dialog = f.w().findChild<QFileDialog*>(QStringLiteral("CD2"));
                opened << dialog->directory().absolutePath();
                dialog->selectFile(name.isEmpty() ? QStringLiteral("c.txt") : name);
                name.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
            });
            QCOMPARE(chooser.GetSaveFileName(""),
                     name.isEmpty() ? "" : f.Path(QFileInfo(name).fileName()));
        }
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(opened, (QStringList{QFileInfo(documents).isDir() ? documents : QDir::homePath(),
                                      f.folder.path(), f.folder.path()}));
    }

    // A picture too low or too narrow for a trace holds the caption alone.
    void aPictureTooSmallHoldsTheCaptionAlone() {
        const Result<ProntoCode> code = ReadProntoCode("0000 006C 0001 0000 0010 0010");
        const std::pair<const char*, QSize> rows[] = {{"low", {1000, 70}}, {"narrow", {17, 260}}};
        for (const auto& [name, size] : rows) {
            const QImage image = SignalImage(code, size);
            QImage blank(size.width(), size.height() / 2, image.format());
            blank.fill(image.pixel(0, 0));
            QVERIFY2(image.copy(0, size.height() / 2, size.width(), size.height() / 2) == blank,
                     name);
        }
    }

    // For the README: KESTREL_SCREENSHOT=path writes the window with a model
    // loaded and a code shown.
    void screenshot() {
        const QByteArray path = qgetenv("KESTREL_SCREENSHOT");
        if (path.isEmpty()) QSKIP("KESTREL_SCREENSHOT not set");
        Window f;
        f.Start();
        f.PickModel("Tessel20");
        f.ModelLabel();
        W::Pick(f.w().commandList, "Power");
        W::Click(f.w().valueList, 1);
        QVERIFY(f.w().grab().save(QString::fromLocal8Bit(path)));
    }
};

}  // namespace kestrel::test

QTEST_MAIN(kestrel::test::WindowTest)
#include "window_test.moc"
