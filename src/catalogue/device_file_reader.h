// The reader of device description files ("<Model>IR.ini"): it cuts a
// file's text into sections and entries and hands them to a handler. It
// knows the file's syntax only; what a setting, a command or a button means
// is the handler's business (the catalogue's loader is one handler).
//
// File format (8-bit text; a line ends at CR, CR LF or a lone LF; lines are
// numbered from 1 in that split):
//   [SYSTEM]        MODEL, FIRMWARE / CURRENTFIRMWARE, OPTIONS / OPTION, ALLOWMANUAL
//   [COMMANDS]      Name = FunctionCode; Enumeration; (code)Label, (code)Label ...
//                   Name = FunctionCode; Integer; Min..Max
//                   Name = FunctionCode; Real; Min..Max
//                   Name = FunctionCode; Query        (any other type: not sent by IR)
//   [REMOTECODES]   Button = Code
//
// - Blanks around a line are dropped. An apostrophe starts a comment that
//   runs to the end of the line (the text before it is not trimmed again);
//   a line left empty is passed over.
// - A line that starts with "[" is a section header. The three headers above
//   are matched ignoring case and blanks ("[ system ]"); any other header
//   keeps the section of the lines before it. Lines before the first known
//   header are in no section.
// - Every other line is an entry "Name = Value": the name is the text up to
//   the first "=" outside double quotes, the value the rest; both trimmed,
//   their double quotes dropped from the name. A line without "=" is no entry.
// - A name may carry a qualifier group before the "=":
//     Name(M:model, M:~model, F:firmware, O:option, O:~option) = ...
//   limiting the entry to some models ("~": all but that one; the model
//   "Vorta" stands for the whole product line), to firmware levels from the
//   given one on, or to options the model has ("~": has not). Qualifiers
//   are separated by commas; one of another form always passes. The group
//   must be closed before the "="; a line that breaks this is no entry. The
//   text after the line's first ")" follows the name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// Sections of the device file; None before the first known header.
enum class Section { None, System, Commands, RemoteCodes };

// One item of a qualifier group.
struct Qualifier {
    enum class Kind { Model, Firmware, Option, Other };
    Kind kind = Kind::Other;
    bool negated = false;  // "~" before a model or option word
    // Model and Option: the word after the "~" (blanks dropped); Firmware:
    // the text after "F:" as written; Other: empty.
    std::string word;
    std::string text;  // the item as written, trimmed
};

struct QualifierGroup {
    std::string text;              // between the parentheses, trimmed
    std::vector<Qualifier> items;  // in written order
};

struct DeviceFileEntry {
    Section section = Section::None;
    int64_t line = 0;
    std::string_view name;
    std::optional<QualifierGroup> group;  // when the line has one
    std::string_view value;
};

// Why a line that is neither blank, a comment nor a header is no entry.
enum class LineProblem { NoEquals, GroupNotClosed };

class DeviceFileHandler {
  public:
    virtual ~DeviceFileHandler() = default;
    // A known section header at line.
    virtual void OnSection(Section section, int64_t line) = 0;
    // Another header (its text, trimmed); the lines after it stay in section.
    virtual void OnUnknownHeader(std::string_view header, Section section, int64_t line) = 0;
    virtual void OnEntry(const DeviceFileEntry& entry) = 0;
    // A line in section that is no entry.
    virtual void OnUnreadable(LineProblem problem, Section section, int64_t line) = 0;
};

// Reads text line by line, in order, telling handler about each line that is
// not blank or a comment.
void ReadDeviceFile(std::string_view text, DeviceFileHandler& handler);

}  // namespace kestrel
