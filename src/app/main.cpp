// Kestrel: infrared codes for a line of video processors.

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "app/startup.h"
#include "app/wait_cursor.h"
#include "transmitter/driver_choice.h"
#include "transmitter/transmitter.h"
#include "util/program_folder.h"
#include "util/version.h"
#include "window/main_window.h"

namespace {

constexpr const char* kUsage = "usage: kestrel [--help | --version] [Qt options]\n";
constexpr const char* kHelp =
    "usage: kestrel [--help | --version] [Qt options]\n"
    "Shows, sends and saves infrared codes for a line of video processors.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  -V, --version  print the version and exit\n"
    "\n"
    "The model list holds the device files <Model>IR.ini of the program's folder,\n"
    "then those of $XDG_DATA_HOME/kestrel/devices (by default\n"
    "~/.local/share/kestrel/devices); a model in both is read from the latter.\n"
    "KESTREL_UUIRT_LIBRARY names the transceiver's driver library.\n"
    "See kestrel(1).\n";

// The options Qt's application object takes itself (with one dash or two),
// those that take a value first.
constexpr const char* kQtValueOptions[] = {"platform",
                                           "platformpluginpath",
                                           "platformtheme",
                                           "plugin",
                                           "qwindowgeometry",
                                           "qwindowicon",
                                           "qwindowtitle",
                                           "session",
                                           "display",
                                           "geometry",
                                           "style",
                                           "stylesheet",
                                           "name",
                                           "title",
                                           "visual",
                                           "ncols",
                                           "cmap",
                                           "qmljsdebugger"};
constexpr const char* kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// Whether every argument is one of Qt's options; otherwise the first that
// is not, in unknown.
bool OnlyQtOptions(int argc, char** argv, std::string& unknown) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        const bool option = name.size() > 1 && name[0] == '-';
        name.erase(0, name.rfind("--", 0) == 0 ? 2 : 1);
        const size_t equals = name.find('=');
        const std::string bare = name.substr(0, equals);
        bool known = false;
        for (const char* flag : kQtFlags)
            known = known || bare == flag;
        for (const char* valued : kQtValueOptions) {
            if (bare != valued) continue;
            known = true;
            if (equals == std::string::npos) ++i;  // its value follows
        }
        if (!option || !known) {
            unknown = argv[i < argc ? i : argc - 1];
            return false;
        }
    }
    return true;
}

// Whether Qt can show a window: a display to connect to, or a platform
// chosen outright (offscreen, say).
bool HasDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.rfind("-platform", 0) == 0 || arg.rfind("--platform", 0) == 0) return true;
    }
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so they need no display.
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
        std::printf("kestrel %s\n", kestrel::kVersion);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    std::string unknown;
    if (!OnlyQtOptions(argc, argv, unknown)) {
        std::fprintf(stderr, "kestrel: unknown argument '%s'\n%s", unknown.c_str(), kUsage);
        return 2;
    }
    if (!HasDisplay(argc, argv)) {
        std::fputs(
            "kestrel: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are "
            "not set); kestrel-gen works without one\n",
            stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const std::string folder = kestrel::ProgramFolder();
    kestrel::QtWaitCursor waitCursor;
    // The window has no flags: the driver and device come from the user's
    // settings file and the environment.
    const kestrel::Result<kestrel::DriverChoice> choice = kestrel::ChooseDriver(folder);
    kestrel::Transmitter transmitter(choice->location, &waitCursor);
    kestrel::MainWindowServices services;
    services.programFolder = folder;
    services.userFolder =
        kestrel::UserDevicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    services.transmitter = &transmitter;
    kestrel::MainWindow window(services);
    kestrel::StartUp(window, transmitter, choice->problems);
    // The user may already have ended the program during the start-up flash.
    if (window.Ending()) return 0;
    return QApplication::exec();
}
