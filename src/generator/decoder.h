// Reading a code's durations back into the request that made it: which of
// the protocol's three forms they follow, with which device code and
// function code or value text.
//
// The decoder knows no timing of its own. It walks the form texts of the
// protocol record as the encoder does, expecting each raw span's durations
// and, for every bit of a field, the one or the zero symbol of the record,
// so a change of the protocol's timings changes both ways at once.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "generator/defines.h"
#include "generator/pronto_reader.h"
#include "generator/protocol.h"

namespace kestrel {

// A received duration matches the expected one when it lies within 30 % of
// it or within 100 us of it, whichever allows more: the tolerances LIRC
// records for a remote by default (lircd.conf(5) of Debian's lirc package:
// "eps ... By default, irrecord set this to 30 (i. e., 30%)", "aeps ... By
// default irrecord sets this to 100").
inline constexpr int64_t kTolerancePercent = 30;
inline constexpr int64_t kToleranceMicros = 100;
bool WithinTolerance(int64_t actual, int64_t expected);

// Words of a read code in microseconds, marks positive and spaces
// negative (a part starts with a mark): each word times the carrier period,
// rounded.
std::vector<int64_t> MicrosOf(const std::vector<uint32_t>& words, double periodMicros);
// The durations of one sending of code: the once part, then the repeat part.
std::vector<int64_t> MicrosOf(const ProntoCode& code);

// What a code carries in one form.
struct DecodedCode {
    BuiltInForm form = BuiltInForm::Discrete;
    uint32_t device = 0;    // the device field's bits (D, or d of the remote form)
    uint32_t function = 0;  // the function field's bits (F or f); 0 in the text form
    std::string valueText;  // the characters of the value field (text form)

    bool operator==(const DecodedCode&) const = default;
};

// How the durations end.
//   Exact    as a code is made: every duration of the form is there.
//   Capture  as a receiver hears a frame, from its first mark to its last:
//            the form's final space is not there, nor is anything from a
//            space of kCaptureGapMicros or more on (a receiver ends a signal
//            at such a gap). What the form holds after the cut must be raw
//            spans or labels already read, so that no field goes unread.
//   FinalSpace as a code from a file whose last duration is its last mark:
//            the form's final space alone may be missing.
enum class DecodeEnd { Exact, Capture, FinalSpace };
inline constexpr int64_t kCaptureGapMicros = 10000;

// Every form of protocol whose items durations follow from the first to the
// last, with the fields read back: raw spans within tolerance, every field a
// sequence of whole bit symbols, the checksum byte equal to the low byte of
// the sum of the labelled fields before it, and a label sent twice (f and
// its complement -f) the same both times. A code of one character of value
// text follows both discrete forms. defines are the protocol's labels.
// When no form is followed so, the final space is taken for the gap after a
// code, which receivers and other formats lengthen, shorten or leave out:
// an Exact read that matches nothing is tried again as FinalSpace, without
// the durations' final space.
std::vector<DecodedCode> DecodeDurations(std::span<const int64_t> durations,
                                         const ProtocolRecord& protocol, const DefineTable& defines,
                                         DecodeEnd end = DecodeEnd::Exact);

}  // namespace kestrel
