// The display operations on the window: a modal message box titled Kestrel,
// flashes of the red status line statusLabel with two beeps, and waits on the
// single timer delayTimer while the window keeps processing events.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "display/display.h"

class QDialog;

namespace kestrel {

class MainWindow;

class WindowDisplay : public Display {
  public:
    explicit WindowDisplay(MainWindow& window);

    void ShowMessage(const std::string& text) override;
    void ShowStatus(const std::string& text, int seconds) override;
    void ShowValueError() override;
    void Delay(int milliseconds) override;
    // The program is ending: the wait in progress, every wait around it and
    // every open message box or dialog return at once.
    void EndWaits();

    // Shows dialog (a message box, the save dialog) over the window and
    // waits until it is closed, while the window holds back the rest of the
    // user's input to itself. Not modal to Qt, which would hold back Done
    // and the window's close as well: those still end the program. The
    // dialog's result; Rejected when the program ends.
    int Run(QDialog& dialog);
    // Brings the dialog that is waiting in front again, if there is one.
    void RaiseOpenDialog();

    // For tests: where messages go instead of a modal box, what sounds the
    // beep, and a factor on every wait (0.001 turns seconds into
    // milliseconds). Waits asked for are recorded in milliseconds.
    std::function<void(const std::string&)> messageHook;
    std::function<void()> beep;
    double timeScale = 1.0;
    std::function<void(int)> delayHook;

  private:
    void Flash(const QString& text, int milliseconds);

    MainWindow& window_;
    std::vector<QPointer<QDialog>> open_;  // the dialogs waiting, innermost last
};

}  // namespace kestrel
