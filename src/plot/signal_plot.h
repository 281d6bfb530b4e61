// A code drawn to scale with Qt's painter: one function paints it for the
// window's signal view and for kestrel-gen plot.
//
// The picture, from the top: a caption line (the carrier in hertz and the
// number of durations), the names "once" and "repeat" over the parts they
// name, the trace, and a time axis in milliseconds. Time runs from the left
// margin to the right one. On the trace, which holds the picture's middle
// row, each mark is a bar over the trace's whole height and each space the
// bare base line; the marks of the once part are blue, those of the repeat
// part orange. Text that is not a Pronto code gets the caption "Not a
// Pronto code: " and the reader's reason, and nothing else.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "generator/pronto_reader.h"

class QPainter;

namespace kestrel {

// The size of the picture kestrel-gen plot writes.
inline constexpr QSize kPlotSize(1000, 260);

// The caption line: "Carrier 38378 Hz, 54 durations (54 once, 0 repeat)".
QString SignalCaption(const Result<ProntoCode>& code);

// Paints the picture of code into area (its background included).
void PaintSignal(QPainter& painter, const QRect& area, const Result<ProntoCode>& code);

// The picture on an image of size, painted without a display.
QImage SignalImage(const Result<ProntoCode>& code, QSize size = kPlotSize);

}  // namespace kestrel
