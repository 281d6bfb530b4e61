// The hourglass shown while a code is being transmitted.
#pragma once

#include <QApplication>
#include <QCursor>

#include "transmitter/transmitter.h"

namespace kestrel {

class QtWaitCursor : public WaitCursor {
  public:
    void Begin() override { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    void End() override { QApplication::restoreOverrideCursor(); }
};

}  // namespace kestrel
