#include "plot/signal_plot.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kestrel {
namespace {

const QColor kBackground(255, 255, 255);
const QColor kText(0, 0, 0);
const QColor kRefused(176, 0, 0);
const QColor kBaseLine(150, 150, 150);
const QColor kOnce(31, 95, 191);
const QColor kRepeat(214, 110, 20);

// Room around the picture, between its bands, and for a tick label.
constexpr int kMargin = 8;
constexpr int kGap = 5;
constexpr int kTick = 4;
constexpr int kTickLabelWidth = 90;

// A step of 1, 2 or 5 times a power of ten that cuts span into at most
// count steps.
double TickStep(double span, int count) {
    const double raw = span / count;
    if (!(raw > 0)) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw) return factor * power;
    }
    return 10 * power;
}

double TotalMicros(const ProntoCode& code) {
    double total = 0;
    for (const std::vector<uint32_t>* part : {&code.once, &code.repeat}) {
        for (const uint32_t word : *part)
            total += word * code.PeriodMicros();
    }
    return total;
}

}  // namespace

QString SignalCaption(const Result<ProntoCode>& code) {
    if (!code) return QStringLiteral("Not a Pronto code: ") + QString::fromStdString(code.reason());
    return QStringLiteral("Carrier %1 Hz, %2 durations (%3 once, %4 repeat)")
        .arg(std::lround(code->CarrierHz()))
        .arg(code->Count())
        .arg(code->once.size())
        .arg(code->repeat.size());
}

void PaintSignal(QPainter& painter, const QRect& area, const Result<ProntoCode>& code) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, kBackground);
    const QFontMetrics metrics = painter.fontMetrics();
    const int line = metrics.height();
    const QRect inner = area.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    painter.setPen(code ? kText : kRefused);
    painter.drawText(QRect(inner.left(), inner.top(), inner.width(), line),
                     Qt::AlignLeft | Qt::AlignVCenter, SignalCaption(code));

    const int namesTop = inner.top() + line + kGap;
    const int traceTop = namesTop + line + kGap;
    const int axis = inner.bottom() - line - kGap;
    const int baseLine = axis - kGap;
    if (!code || baseLine <= traceTop || inner.width() < 2) {
        painter.restore();
        return;
    }
    double total = TotalMicros(*code);
    if (total <= 0) total = 1;
    const auto x = [&](double micros) {
        return inner.left() + static_cast<int>(std::lround(micros / total * inner.width()));
    };

    painter.setPen(kBaseLine);
    painter.drawLine(inner.left(), baseLine, inner.right(), baseLine);
    struct Part {
        const std::vector<uint32_t>& words;
        QColor colour;
        QString name;
    };
    const Part parts[] = {{code->once, kOnce, QStringLiteral("once")},
                          {code->repeat, kRepeat, QStringLiteral("repeat")}};
    double t = 0;
    for (const Part& part : parts) {
        if (part.words.empty()) continue;
        const double start = t;
        for (size_t i = 0; i < part.words.size(); ++i) {
            const double length = part.words[i] * code->PeriodMicros();
            if (i % 2 == 0) {  // a mark; a part starts with one
                const int left = x(t);
                const int right = std::max(left + 1, x(t + length));
                painter.fillRect(QRect(left, traceTop, right - left, baseLine - traceTop),
                                 part.colour);
            }
            t += length;
        }
        painter.setPen(part.colour);
        painter.drawText(QPoint(x(start) + 2, namesTop + metrics.ascent()), part.name);
        const int under = namesTop + line + 1;
        painter.drawLine(x(start), under, std::max(x(start), x(t) - 1), under);
    }

    painter.setPen(kText);
    painter.drawLine(inner.left(), axis, inner.right(), axis);
    const double totalMs = total / 1000;
    const double step = TickStep(totalMs, std::max(2, inner.width() / kTickLabelWidth));
    for (int i = 0; i * step <= totalMs * (1 + 1e-9); ++i) {
        const int at = x(i * step * 1000);
        painter.drawLine(at, axis, at, axis + kTick);
        const QString label = QString::number(i * step) + QStringLiteral(" ms");
        const int width = metrics.horizontalAdvance(label);
        const int left = std::max(inner.left(), std::min(at - width / 2, inner.right() - width));
        painter.drawText(QPoint(left, axis + kTick + metrics.ascent()), label);
    }
    painter.restore();
}

QImage SignalImage(const Result<ProntoCode>& code, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintSignal(painter, image.rect(), code);
    return image;
}

}  // namespace kestrel
