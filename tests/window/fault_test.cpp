// Faults at the window's seams: the driver library missing, unusable or
// failing each call; the converter missing, not executable or failing to
// start; files that cannot be created or fail part way; hostile device
// files. Each gives its message and leaves the window usable: a click still
// generates, and Gen ALL still runs.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "generator/generator.h"
#include "support/memory_files.h"
#include "window/window_display.h"
#include "window_fixture.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kSimDriver = KESTREL_PROGRAM_DIR "/libkestrel-sim-uuirt.so";

// A window over a program folder of its own, with the driver library, the
// output files and the real converter start.
class FaultWindow : public WindowFixture {
  public:
    explicit FaultWindow(WindowOptions options) : WindowFixture(WithRealConverter(options)) {}

    // The window still works: a click on a value generates its code, and a
    // Gen ALL run into a text file writes it without a message.
    void ExpectUsable() {
        KTL& k = w();
        QVERIFY(!k.lblError->isVisible());
        QVERIFY(k.cmdGenAll->isEnabled());
        k.optDiscrete->click();
        PickModel("Tessel20");
        WindowFixture::Click(k.lstCmnds, WindowFixture::Row(k.lstCmnds, "Power"));
        WindowFixture::Click(k.lstValues, 1);
        QCOMPARE(k.txtOutput->toPlainText().toStdString(),
                 Expected(&ProtocolRecord::FormValueText, "16", "1", "V"));
        const size_t messages = display.messages.size();
        const std::string check = Path("usable-check.txt");
        chooser.answer = check;
        k.cmdGenAll->click();
        QCOMPARE(display.messages.size(), messages);
        // Files kept in memory are checked by the test.
        if (!memoryFiles) QVERIFY(fs::file_size(check) > 0);
        QVERIFY(!k.lblError->isVisible());
        QCOMPARE(ended, 0);
    }

    bool memoryFiles = false;

  private:
    static WindowOptions WithRealConverter(WindowOptions options) {
        options.recordStarts = false;
        return options;
    }
};

// Sets environment variables for the scope of a test row.
class Environment {
  public:
    void Set(const QByteArray& name, const QByteArray& value) {
        qputenv(name.constData(), value);
        names_.push_back(name);
    }
    ~Environment() {
        for (const QByteArray& name : names_)
            qunsetenv(name.constData());
    }

  private:
    std::vector<QByteArray> names_;
};

}  // namespace

class FaultTest : public QObject {
    Q_OBJECT

  private slots:
    void driverFaultsDisableSendingOnly_data() {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing") << "no-such-driver.so"
                                 << ""
                                 << "" << kNoDriverText;
        QTest::newRow("not a library") << "garbage.so"
                                       << ""
                                       << "" << kNoDriverText;
        QTest::newRow("lacking an entry point") << KESTREL_PARTIAL_UUIRT_FILE << ""
                                                << "" << kInvalidVersionText;
        QTest::newRow("info fails") << QString::fromStdString(kSimDriver) << "KESTREL_SIM_INFO_FAIL"
                                    << "1" << kNoVersionText;
        QTest::newRow("version fails")
            << QString::fromStdString(kSimDriver) << "KESTREL_SIM_VERSION_FAIL"
            << "1" << kOldDriverText;
        QTest::newRow("open: no device")
            << QString::fromStdString(kSimDriver) << "KESTREL_SIM_OPEN_ERROR"
            << "0x20000001" << kNoConnectionText;
        QTest::newRow("open: null handle")
            << QString::fromStdString(kSimDriver) << "KESTREL_SIM_HANDLE"
            << "0" << kUnknownErrorText;
    }
    void driverFaultsDisableSendingOnly() {
        QFETCH(QString, driver);
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QString, text);
        Environment environment;
        if (!variable.isEmpty()) environment.Set(variable.toLatin1(), value.toLatin1());
        FaultWindow f({driver.toStdString()});
        std::ofstream(f.Path("garbage.so")) << "this is no shared library\n";
        StartUp(f.w(), *f.transmitter);
        QCOMPARE(f.display.statuses.size(), size_t{1});
        QCOMPARE(QString::fromStdString(f.display.statuses[0].text),
                 text + " IR Transmission Disabled.");
        QVERIFY(!f.w().Command1->isEnabled());
        QVERIFY(!f.w().Command3->isEnabled());
        QVERIFY(f.display.messages.empty());
        f.ExpectUsable();
        // A double click on a value sends nothing while sending is disabled.
        f.display.Clear();
        WindowFixture::DoubleClick(f.w().lstValues, 0);
        QVERIFY(f.display.statuses.empty());
        QVERIFY(!f.w().LED->isVisible());
    }

    void aFailingTransmitIsReportedAndTheNextOneWorks() {
        FaultWindow f({});
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Tessel20");
        WindowFixture::Click(w.lstCmnds, WindowFixture::Row(w.lstCmnds, "Power"));
        {
            Environment environment;
            environment.Set("KESTREL_SIM_TRANSMIT_FAIL", "1");
            WindowFixture::DoubleClick(w.lstValues, 1);
        }
        QCOMPARE(f.display.statuses.back().text, std::string("Could not transmit data"));
        QVERIFY(!w.LED->isVisible());
        f.display.Clear();
        WindowFixture::DoubleClick(w.lstValues, 0);
        QVERIFY(f.display.statuses.empty());
        QFile file(f.simLog);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromLatin1(file.readAll()).split('\n');
        QCOMPARE(lines.filter("UUIRTTransmitIR result=0").size(), 1);
        QCOMPARE(lines.filter("UUIRTTransmitIR result=1").size(), 1);
        f.ExpectUsable();
    }

    void converterFaults_data() {
        QTest::addColumn<QString>("converter");  // "", "folder", "plain", "no interpreter"
        // What the user is told; %1 stands for the converter, %2 for the CCF file.
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << ""
                                 << "file '%1' does not exist";
        QTest::newRow("a folder") << "folder"
                                  << "file '%1' does not exist";
        QTest::newRow("not executable") << "plain"
                                        << "Could not start the converter '%1': Permission denied";
        QTest::newRow("cannot start")
            << "no interpreter"
            << "Could not start the converter '%1': No such file or directory";
        QTest::newRow("starts and fails")
            << "false"
            << "The CCF file '%2' was not made: hex2ccf ended with exit status 1";
    }
    void converterFaults() {
        QFETCH(QString, converter);
        QFETCH(QString, message);
        FaultWindow f({});
        const fs::path program = f.Path("hex2ccf");
        if (converter == "folder") {
            fs::create_directory(program);
        } else if (converter == "plain") {
            std::ofstream(program) << "#!/bin/sh\nexit 0\n";
            fs::permissions(program, fs::perms::owner_read | fs::perms::owner_write);
        } else if (converter == "no interpreter") {
            std::ofstream(program) << "#!/nonexistent/interpreter\n";
            fs::permissions(program, fs::perms::owner_all);
        } else if (converter == "false") {
            fs::copy_file("/bin/false", program);
        }
        StartUp(f.w(), *f.transmitter);
        f.PickModel("Tessel10");
        fs::create_directory(f.Path("out"));
        f.chooser.answer = f.Path("out/codes.ccf");
        f.w().cmdGenAll->click();
        // A converter that was started is watched: its failure arrives later.
        const std::string expected = QString(message)
                                         .replace("%1", QString::fromStdString(program.string()))
                                         .replace("%2", QString::fromStdString(f.chooser.answer))
                                         .toStdString();
        QTRY_VERIFY2(f.display.messages == std::vector<std::string>{expected}, expected.c_str());
        // The run's files are kept whatever became of the converter.
        QVERIFY(fs::file_size(f.Path("out/Temp$$.hex")) > 0);
        QVERIFY(fs::file_size(f.Path("out/codes.txt")) > 0);
        f.display.Clear();
        f.ExpectUsable();
    }

    void filesThatCannotBeWritten_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("failAfter");  // -1: the file cannot be created
        QTest::addColumn<QString>("message");
        QTest::newRow("cannot create")
            << "/mem/out.txt" << -1
            << "Could not create the file '/mem/out.txt': Permission denied";
        QTest::newRow("full after 0 bytes")
            << "/mem/out.hex" << 0
            << "Could not write the file '/mem/out.hex': No space left on device";
        QTest::newRow("full after 500 bytes")
            << "/mem/out.txt" << 500
            << "Could not write the file '/mem/out.txt': No space left on device";
        QTest::newRow("CCF: full after 1000 bytes")
            << "/mem/out.ccf" << 1000
            << "Could not write the file '/mem/Temp$$.hex': No space left on device";
    }
    void filesThatCannotBeWritten() {
        QFETCH(QString, name);
        QFETCH(int, failAfter);
        QFETCH(QString, message);
        MemoryFiles files;
        const std::string chosen = name.toStdString();
        const std::string main = OutputKindOf(chosen).name == "ccf" ? "/mem/Temp$$.hex" : chosen;
        if (failAfter < 0)
            files.failCreate.insert(main);
        else
            files.failAfter[main] = static_cast<size_t>(failAfter);
        FaultWindow f({kSimDriver, &files});
        f.memoryFiles = true;
        StartUp(f.w(), *f.transmitter);
        f.PickModel("Tessel10");
        f.chooser.answer = chosen;
        f.w().cmdGenAll->click();
        QCOMPARE(f.display.messages, std::vector<std::string>{message.toStdString()});
        for (const auto& [path, content] : files.files)
            QVERIFY2(content.closed, path.c_str());
        QVERIFY(f.w().txtOutput->toPlainText().isEmpty());
        f.display.Clear();
        files.failAfter.clear();
        files.failCreate.clear();
        f.ExpectUsable();
        QVERIFY(!files.files.at(f.Path("usable-check.txt")).bytes.empty());
    }

    void aFolderThatIsGoneIsReported() {
        FaultWindow f({});
        StartUp(f.w(), *f.transmitter);
        f.PickModel("Tessel10");
        const std::string chosen = f.Path("gone/codes.txt");
        f.chooser.answer = chosen;
        f.w().cmdGenAll->click();
        QCOMPARE(f.display.messages,
                 std::vector<std::string>{"Could not create the file '" + chosen +
                                          "': No such file or directory"});
        f.display.Clear();
        f.ExpectUsable();
    }

    void aHugeMessageIsShownShortened() {
        FaultWindow f({kSimDriver, nullptr, /*ownDisplay=*/true});
        QFile file(f.folder.filePath(QStringLiteral("HostileIR.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[REMOTECODES]\r\nHuge = " + QByteArray(10 * 1024 * 1024, '9') + "\r\n");
        file.close();
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Hostile");
        w.optRemote->click();
        QString shown;
        QTimer::singleShot(0, [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            shown = box->text();
            box->accept();
        });
        WindowFixture::Click(w.lstRemote, 0);
        // The value is quoted shortened; the reason stays whole.
        QVERIFY2(shown.size() > 100 && shown.size() < 1300,
                 qPrintable(QString::number(shown.size())));
        QVERIFY(shown.startsWith(QStringLiteral("The value '999")));
        QVERIFY(
            shown.endsWith(QStringLiteral("is outside the 32-bit range; no code was generated")));
        QVERIFY(w.txtOutput->toPlainText().isEmpty());
    }

    void hostileDeviceFilesLoad_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("commands");
        using namespace std::string_literals;
        const std::string binary =
            "[COMMANDS]\r\nBin\x01\xff\x00name = 12; Enumeration; (0)\xe9t\xe9, (1)\x00\r\n"
            "\xff\xfe\x80 no line\r\nRange = 13; Real; \x01..\x02\r\n"s;
        QTest::newRow("binary bytes") << QByteArray::fromStdString(binary) << 2;
        QTest::newRow("a 10 MB command name")
            << "[COMMANDS]\r\n" + QByteArray(10 * 1024 * 1024, 'N') +
                   " = 13; Enumeration; (0)a\r\nShort = 14; Enumeration; (0)a\r\n"
            << 2;
        QByteArray many("[COMMANDS]\r\n");
        for (int i = 0; i < 100000; ++i)
            many += "C" + QByteArray::number(i) + " = 15; Enumeration; (1)v\r\n";
        QTest::newRow("100 000 lines") << many << 32767;
        const QByteArray huge(10 * 1024 * 1024, '1');
        QTest::newRow("a 10 MB range bound") << "[COMMANDS]\r\nWide = 15; Real; " + huge + "..2\r\n"
                                             << 1;
        QTest::newRow("a 10 MB value label")
            << "[COMMANDS]\r\nBig = 16; Enumeration; (0)" + huge + ", (1)b\r\n"
            << 1;
        QTest::newRow("a 10 MB model name and remote button")
            << "[SYSTEM]\r\nMODEL = " + huge + "\r\n[COMMANDS]\r\nA = 1; Enumeration; (0)a\r\n" +
                   "[REMOTECODES]\r\n" + huge + " = 5\r\n"
            << 1;
        // Files of a folder named by KESTREL_HOSTILE_DIR as well, e.g. the
        // fuzzers' corpus or files someone sends in (their counts are not
        // known here).
        const QString folder = qEnvironmentVariable("KESTREL_HOSTILE_DIR");
        if (!folder.isEmpty()) {
            const QDir dir(folder);
            for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
                QFile file(dir.filePath(name));
                if (file.open(QIODevice::ReadOnly))
                    QTest::newRow(qPrintable(name)) << file.readAll() << -1;
            }
        }
    }
    void hostileDeviceFilesLoad() {
        QFETCH(QByteArray, text);
        QFETCH(int, commands);
        FaultWindow f({});
        QFile file(f.folder.filePath(QStringLiteral("HostileIR.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        StartUp(f.w(), *f.transmitter);
        KTL& w = f.w();
        f.PickModel("Hostile");
        if (commands >= 0) QCOMPARE(w.lstCmnds->count(), commands);
        commands = w.lstCmnds->count();
        QCOMPARE(f.ended, 0);
        QVERIFY(f.display.messages.empty());
        // Every command shown can be clicked, and its first value too; a
        // range is generated with its panel.
        for (int row = 0; row < std::min(commands, 8); ++row) {
            WindowFixture::Click(w.lstCmnds, row);
            if (w.lstValues->isVisible() && w.lstValues->count() > 0)
                WindowFixture::Click(w.lstValues, 0);
            if (w.frmRange->isVisible()) {
                w.txtRange->setText(QStringLiteral("1.5"));
                w.cmdGen->click();
            }
        }
        QVERIFY(w.lblRange->text().size() <= 1100);
        // Long texts are shown shortened: Qt would lay them out whole at
        // every click, for seconds each time.
        for (QListWidget* list : {w.lstCmnds, w.lstValues, w.lstRemote}) {
            for (int row = 0; row < std::min(list->count(), 8); ++row)
                QVERIFY(list->item(row)->text().size() <= 1100);
        }
        w.optRemote->click();
        for (int row = 0; row < std::min(w.lstRemote->count(), 8); ++row)
            WindowFixture::Click(w.lstRemote, row);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
        QVERIFY(w.lblModel->text().size() <= 1100);
        // Gen ALL over the whole catalogue (a window takes about a
        // millisecond a sample, too long for the largest one here).
        if (commands < 1000) {
            f.chooser.answer = f.Path("hostile.txt");
            w.cmdGenAll->click();
            QVERIFY(fs::exists(f.Path("hostile.txt")));
        }
        // Only refusals of a sample, the note on a function code that is
        // not one or two digits, which a run shows at each use, and a range
        // middle that is no number.
        for (const std::string& message : f.display.messages) {
            QVERIFY2(message.find("no code was generated") != std::string::npos ||
                         message.rfind("Illegal call to Hex2Int with value ", 0) == 0 ||
                         message.find("that sample is left out") != std::string::npos,
                     message.c_str());
        }
        f.display.Clear();
        f.ExpectUsable();
    }
};

}  // namespace kestrel::test

QTEST_MAIN(kestrel::test::FaultTest)
#include "fault_test.moc"
