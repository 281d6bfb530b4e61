// Kestrel: infrared codes for a line of video processors.

#include <QApplication>
#include <QStyleFactory>

#include "app/startup.h"
#include "app/wait_cursor.h"
#include "transmitter/transmitter.h"
#include "util/program_folder.h"
#include "window/ktl.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const std::string folder = kestrel::ProgramFolder();
    kestrel::QtWaitCursor waitCursor;
    kestrel::Transmitter transmitter(folder, &waitCursor);
    kestrel::KtlServices services;
    services.programFolder = folder;
    services.transmitter = &transmitter;
    kestrel::KTL window(services);
    kestrel::StartUp(window, transmitter);
    // The user may already have ended the program during the start-up flash.
    if (window.Ending()) return 0;
    return QApplication::exec();
}
