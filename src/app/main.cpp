// Kestrel: infrared codes for a line of video processors.

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/startup.h"
#include "app/wait_cursor.h"
#include "transmitter/transmitter.h"
#include "util/program_folder.h"
#include "util/version.h"
#include "window/ktl.h"

namespace {

constexpr const char* kHelp =
    "usage: kestrel [--help | --version] [Qt options]\n"
    "Shows, sends and saves infrared codes for a line of video processors.\n"
    "\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "The model list holds the device files <Model>IR.ini of the program's folder,\n"
    "then those of $XDG_DATA_HOME/kestrel/devices (by default\n"
    "~/.local/share/kestrel/devices); a model in both is read from the latter.\n"
    "KESTREL_UUIRT_LIBRARY names the transceiver's driver library.\n"
    "See kestrel(1).\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so they need no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("kestrel %s\n", kestrel::kVersion);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const std::string folder = kestrel::ProgramFolder();
    kestrel::QtWaitCursor waitCursor;
    kestrel::Transmitter transmitter(folder, &waitCursor);
    kestrel::KtlServices services;
    services.programFolder = folder;
    services.userFolder =
        kestrel::UserDevicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    services.transmitter = &transmitter;
    kestrel::KTL window(services);
    kestrel::StartUp(window, transmitter);
    // The user may already have ended the program during the start-up flash.
    if (window.Ending()) return 0;
    return QApplication::exec();
}
