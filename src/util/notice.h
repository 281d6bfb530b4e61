// Something the user is to be shown: a message that needs acknowledgement,
// a status flash for some seconds, or the value error's flash.
//
// Nothing below the window and the command line shows anything: the core
// returns notices in the order they arose, and the window shows them with
// its message box and status line (each flash a wait during which the
// window's events run), kestrel-gen writes them to standard error, and the
// tests read them.
#pragma once

#include <string>
#include <utility>

namespace kestrel {

struct Notice {
    enum class Kind { Message, Status, ValueError };
    Kind kind = Kind::Message;
    std::string text;  // the message or the status text; empty for ValueError
    int seconds = 0;   // how long a status is flashed; 0 means one second

    static Notice Message(std::string text) { return {Kind::Message, std::move(text), 0}; }
    static Notice Status(std::string text, int seconds) {
        return {Kind::Status, std::move(text), seconds};
    }
    // Flashes "Value Error" for one second.
    static Notice ValueError() { return {Kind::ValueError, {}, 0}; }

    bool operator==(const Notice&) const = default;
};

}  // namespace kestrel
