// The display operations of the program's two edges, the window and the
// command line. The core below them shows nothing: it returns notices
// (util/notice.h), and only these edges show them.
//
// The window implements the operations with a message box, the red status
// line, the system beep and its wait timer; the command line writes to
// standard error; tests record the calls and never block or sleep.
#pragma once

#include <string>
#include <vector>

#include "util/notice.h"

namespace kestrel {

class Display {
  public:
    virtual ~Display() = default;
    // A message that needs acknowledgement (a modal box titled Kestrel).
    virtual void ShowMessage(const std::string& text) = 0;
    // Flashes text in the status line for seconds (0 means one second).
    virtual void ShowStatus(const std::string& text, int seconds) = 0;
    // Flashes "Value Error" for one second (the caller then empties the
    // value and the output).
    virtual void ShowValueError() = 0;
    // Waits while the window keeps processing events.
    virtual void Delay(int milliseconds) = 0;
};

// Shows a notice the core returned.
inline void Show(const Notice& notice, Display& display) {
    switch (notice.kind) {
        case Notice::Kind::Message:
            display.ShowMessage(notice.text);
            return;
        case Notice::Kind::Status:
            display.ShowStatus(notice.text, notice.seconds);
            return;
        case Notice::Kind::ValueError:
            display.ShowValueError();
            return;
    }
}

// Shows the notices in order.
inline void Show(const std::vector<Notice>& notices, Display& display) {
    for (const Notice& notice : notices)
        Show(notice, display);
}

}  // namespace kestrel
