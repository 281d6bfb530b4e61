// The signal view: a window of its own that draws the code shown in the
// output box to scale (see plot/signal_plot.h) and follows the box while it
// stays open, whatever changes it: a click, a handler, a Gen ALL run or the
// user's typing. It opens from the box's context menu, "Show signal...",
// after Qt's own entries (or Shift+F10 and the Menu key in the box); one
// view at a time, closed by Escape as by its frame.
#pragma once

#include <QWidget>
#include <functional>

#include "generator/pronto_reader.h"

class QMenu;
class QPlainTextEdit;

namespace kestrel {

class SignalView : public QWidget {
  public:
    // A window of owner's ("signalView") showing the text of box. The
    // caption line is also its accessible description, for screen readers.
    SignalView(QWidget* owner, QPlainTextEdit* box);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Follow();

    QPlainTextEdit* box_;
    Result<ProntoCode> code_ = Refused("");
};

// Adds "Show signal..." to box's context menu; it opens the view, or shows
// the one that is open. Shift+F10 and the Menu key open the menu too, at
// the text cursor. more adds the owner's own entries after it.
void AddSignalViewEntry(QPlainTextEdit* box, QWidget* owner, std::function<void(QMenu&)> more = {});

}  // namespace kestrel
