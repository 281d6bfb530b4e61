// The plot library: the picture of a code painted as a PNG image or as SVG,
// without a display.

#include "plot_library.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QSvgGenerator>
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

// The picture's bytes, or the reason it could not be drawn in failure.
QByteArray Draw(const Result<ProntoCode>& code, const std::string& format, std::string& failure) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (format == "svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(kPlotSize);
        svg.setViewBox(QRect(QPoint(0, 0), kPlotSize));
        svg.setTitle(SignalCaption(code));
        QPainter painter(&svg);
        PaintSignal(painter, QRect(QPoint(0, 0), kPlotSize), code);
        painter.end();
    } else {
        QImageWriter writer(&buffer, "png");
        if (!writer.write(SignalImage(code))) failure = writer.errorString().toStdString();
    }
    return buffer.data();
}

}  // namespace
}  // namespace kestrel

extern "C" __attribute__((visibility("default"))) int KestrelGenDrawPlot(
    const char* pronto, const char* format, kestrel::PlotSink* sink, void* context, char* reason,
    size_t size) {
    using namespace kestrel;
    std::string failure;
    const Result<ProntoCode> code = ReadProntoCode(pronto);
    if (!code) {
        failure = "the text is not a Pronto code: " + code.reason();
    } else if (std::strcmp(format, "png") != 0 && std::strcmp(format, "svg") != 0) {
        failure = std::string("no picture format '") + format + "'";
    } else {
        // Qt's painter needs an application for its fonts; without a
        // display it paints on the offscreen platform.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(ShowQtErrors);
        int argc = 1;
        char name[] = "kestrel-gen";
        char* argv[] = {name, nullptr};
        const QGuiApplication application(argc, argv);
        const QByteArray bytes = Draw(code, format, failure);
        if (failure.empty()) sink(context, bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    if (failure.empty()) return 0;
    if (size > 0) {
        const size_t length = std::min(failure.size(), size - 1);
        std::memcpy(reason, failure.data(), length);
        reason[length] = '\0';
    }
    return 1;
}
