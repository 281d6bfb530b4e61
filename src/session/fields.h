// The window's fields that a request reads and a handler writes.
//
// The request and list routines, the mode handlers and Gen ALL read and
// write the fields through this interface at the moment they need them, so
// a handler that runs inside a wait (a flash, the send indicator, a run)
// sees the window as it is then, and what it changes stands afterwards.
// The window implements the interface over its live widgets; the command
// line and the tests use the plain FieldRecord.
#pragma once

#include <string>

namespace kestrel {

// The mode option group: Discrete, Remote, Manual.
enum class Mode { Discrete, Remote, Manual };

// The value-kind option group: at most one of ASCII, DEC, HEX and Value is
// selected.
enum class ValueKindOption { None, Ascii, Dec, Hex, Value };

// The letter a request sends for a value-kind option: "A", "D", "H", or "V"
// for Value and for none selected.
constexpr char KindLetter(ValueKindOption kind) {
    switch (kind) {
        case ValueKindOption::Ascii:
            return 'A';
        case ValueKindOption::Dec:
            return 'D';
        case ValueKindOption::Hex:
            return 'H';
        case ValueKindOption::Value:
        case ValueKindOption::None:
            break;
    }
    return 'V';
}

// The text boxes: the function code in decimal (the generator's code text),
// the same code in hexadecimal, the value, and the output (the code).
enum class Box { CodeDecimal, CodeHex, Value, Output };

class WindowFields {
  public:
    virtual ~WindowFields() = default;

    virtual std::string Text(Box box) const = 0;
    // Sets a box as a handler does. The code boxes' change handlers run on a
    // real change: emptying one code box empties the other.
    virtual void SetText(Box box, const std::string& text) = 0;

    virtual Mode SelectedMode() const = 0;
    // Picks a mode option as a click does: its handler runs (once), also
    // when the option is already selected.
    virtual void PickMode(Mode mode) = 0;

    virtual ValueKindOption SelectedKind() const = 0;
    // Selects one value-kind option; None deselects all four.
    virtual void SelectKind(ValueKindOption kind) = 0;

    // Text of the item selected in the command list; empty when none is selected.
    virtual std::string SelectedCommand() const = 0;
};

// The fields as a plain record, for the command line and the tests. Its mode
// handlers are those of the core (SelectDiscrete and its siblings).
class FieldRecord : public WindowFields {
  public:
    std::string functionCodeDecimal;
    std::string functionCodeHex;
    std::string valueText;
    std::string output;
    Mode mode = Mode::Discrete;
    ValueKindOption valueKind = ValueKindOption::None;
    std::string selectedCommand;

    std::string Text(Box box) const override;
    void SetText(Box box, const std::string& text) override;
    Mode SelectedMode() const override { return mode; }
    void PickMode(Mode picked) override;
    ValueKindOption SelectedKind() const override { return valueKind; }
    void SelectKind(ValueKindOption kind) override { valueKind = kind; }
    std::string SelectedCommand() const override { return selectedCommand; }
};

}  // namespace kestrel
