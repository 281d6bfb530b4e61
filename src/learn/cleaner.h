// The cleaner: what a receiver heard, turned back into the frame a remote
// sent.
//
// A capture is not a code. Receivers lengthen marks and shorten spaces by
// some 50-200 us, some count in 50 us units, noise adds short blips, and one
// press holds several repeats of a frame, the first or the last of them cut.
// The cleaner
//   1. drops blips shorter than kSpikeMicros (a blip inside a space or a
//      mark joins the two halves around it) and joins durations of one kind
//      that follow each other;
//   2. clusters the marks and the spaces apart, each cluster the durations
//      within tolerance of its mean (30 % or 100 us, as the decoder
//      allows), and puts each duration at its cluster's mean;
//   3. finds how much longer the receiver made the marks (and shorter the
//      spaces): the excess that brings the clusters nearest to the
//      durations the protocol sends, and takes it away;
//   4. cuts the signal into frames at gaps (spaces of kCaptureGapMicros or
//      more) and counts each distinct frame: the one that repeats most is
//      the frame the remote sent, and cut frames, heard once, come last.
//      Where a sender left shorter gaps, FramesOf cuts the cleaned signal
//      at a shorter separator.
// The carrier is the one the capture measured, when it has one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "generator/defines.h"
#include "generator/protocol.h"
#include "learn/capture.h"

namespace kestrel {

// A mark or space shorter than this is a blip of noise.
inline constexpr int64_t kSpikeMicros = 120;
// The largest excess of the marks over the spaces a receiver is taken to add.
inline constexpr int64_t kMaxMarkExcessMicros = 400;

// The durations a protocol sends, in microseconds: what the cleaner aligns
// a capture's clusters with.
struct ReferenceTimings {
    std::vector<int64_t> marks;
    std::vector<int64_t> spaces;  // as magnitudes
};
// Every raw-span duration of the protocol's three forms and every duration
// of its bit symbols, gaps and blips left out.
ReferenceTimings ReferenceTimingsOf(const ProtocolRecord& protocol, const DefineTable& defines);

struct CleanFrame {
    // From the frame's first mark to its last, marks positive and spaces
    // negative, as in CleanSignal::durations.
    std::vector<int64_t> durations;
    int count = 0;     // how often the capture holds it
    size_t first = 0;  // where it is first heard: the number of frames before it
};

struct CleanSignal {
    // The signal from its first mark to its last, blips taken out, each
    // duration at its cluster's mean with the excess taken away; gaps as
    // heard.
    std::vector<int64_t> durations;
    // FramesOf(durations, kCaptureGapMicros).
    std::vector<CleanFrame> frames;
    std::optional<int64_t> carrierHz;  // the capture's own
    int64_t markExcessMicros = 0;      // what the receiver added to each mark
    int64_t jitterMicros = 0;          // the mean distance of a duration from its cluster's mean
    int spikes = 0;                    // blips taken out
    size_t heard = 0;                  // durations in the capture

    // The frame the remote sent; null when nothing was heard.
    const CleanFrame* Frame() const { return frames.empty() ? nullptr : &frames.front(); }
};

CleanSignal Clean(const Capture& capture, const ReferenceTimings& reference);

// The distinct frames of cleaned durations cut at every space of at least
// separatorMicros: the most often heard first, then the longer, then the
// earlier.
std::vector<CleanFrame> FramesOf(std::span<const int64_t> cleaned, int64_t separatorMicros);

}  // namespace kestrel
