// A fresh window per test: a program folder holding the sample models, a
// display that records, a save dialog answered by the test, a converter
// start that is recorded, and the simulated transceiver.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/output_file.h"
#include "generator/generator.h"
#include "support/recording_display.h"
#include "transmitter/transmitter.h"
#include "window/ktl.h"

namespace kestrel::test {

// What a fresh generator makes of a request; the window's sequence of
// requests does not matter for the forms and kinds the tests use.
inline std::string Expected(std::string ProtocolRecord::*form, const std::string& code,
                            const std::string& value, const std::string& kind) {
    Generator generator;
    generator.SetupProtocol();
    return generator.GenerateCode(generator.Protocol().*form, code, value, kind).value_or("");
}

class AnsweringChooser : public SaveFileChooser {
  public:
    std::string GetSaveFileName(const std::string& startText) override {
        ++calls;
        lastStart = startText;
        if (onAsk) onAsk();
        return answer;
    }
    std::string answer;
    std::string lastStart = "?";
    int calls = 0;
    std::function<void()> onAsk;
};

struct StartCall {
    std::string program;
    std::vector<std::string> arguments;
    std::string folder;
};

// What a test chooses about its window.
struct WindowOptions {
    // The driver library: an absolute path, or a name inside the program folder.
    std::string driver = KESTREL_PROGRAM_DIR "/libkestrel-sim-uuirt.so";
    OutputFiles* files = nullptr;  // null: the file system
    bool ownDisplay = false;       // the window's message box and status line
    bool recordStarts = true;      // false: the converter is really started
    std::string userFolder = {};   // the user's own device files; "" for none
};

class WindowFixture {
  public:
    explicit WindowFixture(bool transmitterWorks = true)
        : WindowFixture(transmitterWorks ? WindowOptions{} : WindowOptions{"no-such-driver.so"}) {}

    explicit WindowFixture(const WindowOptions& options) {
        const QDir devices(QStringLiteral(KESTREL_SOURCE_DIR "/devices"));
        for (const QString& name : devices.entryList({QStringLiteral("*IR.ini")}, QDir::Files)) {
            QFile::copy(devices.filePath(name), folder.filePath(name));
        }
        programFolder = folder.path().toStdString();
        simLog = folder.filePath(QStringLiteral("sim.log"));
        qputenv("KESTREL_SIM_LOG", simLog.toLocal8Bit());
        DriverLocation location;
        location.programFolder = programFolder;
        location.libraryFile = options.driver.empty() || options.driver[0] == '/'
                                   ? options.driver
                                   : programFolder + "/" + options.driver;
        transmitter = std::make_unique<Transmitter>(location);

        KtlServices services;
        services.programFolder = programFolder;
        services.userFolder = options.userFolder;
        services.transmitter = transmitter.get();
        services.display = options.ownDisplay ? nullptr : &display;
        services.chooser = &chooser;
        services.files = options.files;
        if (options.recordStarts) {
            services.starter = [this](const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      const std::string& workingFolder) {
                starts.push_back({program, arguments, workingFolder});
                return Status();
            };
        }
        services.endProgram = [this] { ++ended; };
        window = std::make_unique<KTL>(services);
        window->windowDisplay().beep = [] {};
        window->windowDisplay().timeScale = 0.001;
    }

    ~WindowFixture() { qunsetenv("KESTREL_SIM_LOG"); }

    KTL& w() { return *window; }
    std::string Path(const char* name) const { return folder.filePath(name).toStdString(); }

    void PickModel(const QString& name) {
        const int index = window->lstmodel->findText(name);
        QVERIFY2(index >= 0, qPrintable(name));
        window->lstmodel->setCurrentIndex(index);
        emit window->lstmodel->textActivated(name);
    }

    static QPoint Centre(QListWidget* list, int row) {
        return list->visualItemRect(list->item(row)).center();
    }
    static void Click(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, Centre(list, row));
    }
    // What the window system delivers for a double click: press, release,
    // the double click in place of the second press, release.
    static void DoubleClick(QListWidget* list, int row) {
        QWidget* viewport = list->viewport();
        const QPoint at = Centre(list, row);
        QTest::mousePress(viewport, Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &doubleClick);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    }
    static int Row(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        return items.isEmpty() ? -1 : list->row(items.front());
    }

    // The lines the simulated driver logged.
    QStringList SimLog() const {
        QFile file(simLog);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir folder;
    std::string programFolder;
    QString simLog;
    RecordingDisplay display;
    AnsweringChooser chooser;
    std::vector<StartCall> starts;
    int ended = 0;
    std::unique_ptr<Transmitter> transmitter;
    std::unique_ptr<KTL> window;
};

}  // namespace kestrel::test
