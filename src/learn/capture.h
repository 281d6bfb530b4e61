// A capture: what a receiver heard of one press of a remote's button, before
// it is cleaned, and where it came from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// A place in an input: the file's name as the user gave it ("-" for
// standard input) and a line counted from 1 (0 when there are no lines).
struct SourceLocation {
    std::string file;
    int64_t line = 0;

    // "file:line".
    std::string Text() const { return file + ":" + std::to_string(line); }
};

struct Capture {
    // In microseconds as heard, marks positive and spaces negative. A reader
    // may leave two of a kind in a row or a leading space; the cleaner
    // copes.
    std::vector<int64_t> durations;
    // The carrier in hertz when the source gives one (measured by the
    // receiver, or the carrier of a Pronto code).
    std::optional<int64_t> carrierHz;
    // Where the capture starts.
    SourceLocation where;
    // A name the source gives it (the caption above a code, a button's
    // name); empty when it has none. Naming never looks at it.
    std::string name;
};

// A part of an input that could not be read, and why ("file:12: ...").
struct ReadProblem {
    SourceLocation where;
    std::string reason;

    std::string Text() const { return where.Text() + ": " + reason; }
};

// What one input gave: its captures in order, and its problems in order.
// A capture with a problem inside it is not among the captures.
struct CaptureFile {
    std::vector<Capture> captures;
    std::vector<ReadProblem> problems;
};

// The most durations one capture may hold; a longer one is a problem.
inline constexpr size_t kMaxCaptureDurations = 65536;

// A space at least this long between two marks ends a capture: it lies
// between two presses, not between the repeats of one.
inline constexpr int64_t kPressGapMicros = 200000;

}  // namespace kestrel
