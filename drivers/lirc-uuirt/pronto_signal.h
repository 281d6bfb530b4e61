// Pronto hex text to what one write to a LIRC transmitter sends: the carrier
// frequency and the pulse and space durations in microseconds.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "generator/pronto_format.h"

namespace kestrel::lirc {

// What the kernel takes in one write: at most this many values, an odd
// count (pulse first and last), no zero value, at most this long in all.
inline constexpr size_t kMaxValues = 1024;
inline constexpr uint64_t kMaxTotalMicros = 500000;

enum class ProntoError {
    None,
    Malformed,       // not words of 1 to 8 hexadecimal digits, or too few
    NotLearned,      // the first word is not 0000 (only learned codes are sent)
    NoCarrier,       // frequency word 0 or above FFFF
    CountMismatch,   // the pair counts do not match the words
    Empty,           // no pairs at all
    NoGapForRepeat,  // a code ending with a pulse cannot be repeated
    ZeroDuration,    // a duration of 0 microseconds would be sent
    TooManyValues,   // more than kMaxValues
    TooLong,         // more than kMaxTotalMicros in all
};

const char* Describe(ProntoError error);

struct ProntoSignal {
    uint32_t carrierHz = 0;
    // Pulse, space, pulse, ... ending with a pulse.
    std::vector<unsigned int> durations;
};

// Reads a Pronto hex line of a learned code: 0000, the frequency word, the
// once-pair count, the repeat-pair count, then one word per duration in
// carrier periods. Words are separated by blanks (tabs and line ends also
// count); a word may have more than four digits.
//
// The once part is sent once and the repeat part repeatCount times (at
// least once); a code without a repeat part is sent repeatCount times (at
// least once). The copies follow each other, each one's final space being
// the gap before the next; the final space of the last copy is not sent.
//
// A code with an odd number of durations has, without a repeat part, one
// word more or fewer than twice its pair count (the count is the number of
// durations halved, halves to even); the words present are sent.
ProntoError ConvertPronto(std::string_view text, int repeatCount, ProntoSignal& signal);

}  // namespace kestrel::lirc
