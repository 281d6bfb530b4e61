// The plot library: the picture of a code painted on an image and written
// as a PNG file, without a display.

#include "plot_library.h"

#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "plot/signal_plot.h"

namespace kestrel {
namespace {

// Qt's own notices (a missing XDG_RUNTIME_DIR, say) are no message of
// kestrel-gen's; only its errors are shown.
void ShowQtErrors(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

std::string WritePng(const QImage& image, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString().toStdString();
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) return writer.errorString().toStdString();
    if (!file.commit()) return file.errorString().toStdString();
    return "";
}

}  // namespace
}  // namespace kestrel

extern "C" __attribute__((visibility("default"))) int KestrelGenWritePlot(const char* pronto,
                                                                          const char* path,
                                                                          char* reason,
                                                                          size_t size) {
    using namespace kestrel;
    std::string failure;
    const Result<ProntoCode> code = ReadProntoCode(pronto);
    if (!code) {
        failure = "the text is not a Pronto code: " + code.reason();
    } else {
        // Qt's painter needs an application for its fonts; without a
        // display it paints on the offscreen platform.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(ShowQtErrors);
        int argc = 1;
        char name[] = "kestrel-gen";
        char* argv[] = {name, nullptr};
        const QGuiApplication application(argc, argv);
        failure = WritePng(SignalImage(code), QString::fromLocal8Bit(path));
    }
    if (failure.empty()) return 0;
    if (size > 0) {
        const size_t length = std::min(failure.size(), size - 1);
        std::memcpy(reason, failure.data(), length);
        reason[length] = '\0';
    }
    return 1;
}
