// The display operations on the window: a modal message box titled Kestrel,
// flashes of the red status line lblError with two beeps, and waits on the
// single timer tmrDelay while the window keeps processing events.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "util/display.h"

namespace kestrel {

class KTL;

class WindowDisplay : public Display {
  public:
    explicit WindowDisplay(KTL& window);

    void ShowMessage(const std::string& text) override;
    void ShowStatus(const std::string& text, int seconds) override;
    void ShowValueError() override;
    void Delay(int milliseconds) override;
    // The program is ending: the wait in progress, every wait around it and
    // every open message box or dialog return at once.
    void EndWaits();

    // For tests: where messages go instead of a modal box, what sounds the
    // beep, and a factor on every wait (0.001 turns seconds into
    // milliseconds). Waits asked for are recorded in milliseconds.
    std::function<void(const std::string&)> messageHook;
    std::function<void()> beep;
    double timeScale = 1.0;
    std::function<void(int)> delayHook;

  private:
    void Flash(const QString& text, int milliseconds);

    KTL& window_;
};

}  // namespace kestrel
