// What the driver libraries share to answer UUIRTLearnIR: a signal heard
// in microseconds written as Pronto hex text, the abort flag read from the
// listening thread, and the hand-over of the code to the caller.
//
// Header-only and free of other Kestrel code but the Pronto format's
// constants and the result type, so that a driver library includes it
// without linking anything.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "base/result.h"
#include "generator/pronto_format.h"
#include "uuirt_api.h"

namespace kestrel::uuirt {

// The most durations a learned code holds, its final space included (as
// many as a code of the program holds); a longer signal ends there.
inline constexpr size_t kMaxLearnedDurations = 1000;
// The carrier written when the receiver measured none: the usual one of
// consumer remotes, also LIRC's default.
inline constexpr uint32_t kAssumedCarrierHz = 38000;
// The final space written when the receiver reported none.
inline constexpr uint32_t kAssumedGapMicros = 30000;

// Whether the caller asked the learn to stop: *abort set non-zero, perhaps
// from another thread. A null flag never asks.
inline bool AbortAsked(const int* abort) {
    return abort != nullptr && __atomic_load_n(abort, __ATOMIC_ACQUIRE) != 0;
}

// The learned code of a signal: durations in microseconds, mark first and
// alternating, at carrierHz (kAssumedCarrierHz for 0). After its last mark
// comes finalSpaceMicros (kAssumedGapMicros for 0) in place of any space
// the signal ends with, so the code has whole pairs. Each word is the duration in carrier periods
// of the frequency word, rounded, at least 1 and at most FFFF; a signal of
// more than kMaxLearnedDurations is cut there. Empty for an empty signal or
// a carrier that has no frequency word.
inline std::string LearnedProntoText(uint32_t carrierHz, std::span<const uint32_t> durations,
                                     uint32_t finalSpaceMicros) {
    if (carrierHz == 0) carrierHz = kAssumedCarrierHz;
    if (finalSpaceMicros == 0) finalSpaceMicros = kAssumedGapMicros;
    const int16_t frequencyWord = ProntoFreqWord(static_cast<int32_t>(carrierHz & 0x7FFFFFFF));
    if (frequencyWord <= 0 || durations.empty()) return {};
    size_t count = std::min(durations.size(), kMaxLearnedDurations);
    if (count % 2 == 0) --count;  // ends with a mark; the final space is added
    const double period = ProntoPeriodOfWord(static_cast<uint32_t>(frequencyWord));
    const auto word = [&](uint32_t micros) {
        const double cycles = std::round(micros / period);
        return cycles < 1 ? 1u : cycles > 0xFFFF ? 0xFFFFu : static_cast<unsigned>(cycles);
    };
    char text[32];
    std::snprintf(text, sizeof text, "0000 %04X %04X 0000", static_cast<unsigned>(frequencyWord),
                  static_cast<unsigned>((count + 1) / 2));
    std::string code = text;
    code.reserve(code.size() + 5 * (count + 1));
    for (size_t i = 0; i <= count; ++i) {
        std::snprintf(text, sizeof text, " %04X",
                      word(i < count ? durations[i] : finalSpaceMicros));
        code += text;
    }
    return code;
}

// Copies a learned code, zero-terminated, into a caller's buffer of
// kLearnBufferSize bytes; false (and nothing written) when it does not fit.
inline bool CopyLearnedCode(const std::string& text, char* code) {
    if (code == nullptr || text.size() + 1 > static_cast<size_t>(kLearnBufferSize)) return false;
    std::memcpy(code, text.c_str(), text.size() + 1);
    return true;
}

// UUIRTLearnIR's answer: learn(error) gives the learned code, or a refusal
// with an errno value left in error. 1 with the code in the caller's buffer;
// 0 with errno set (E2BIG for a code the buffer cannot hold, EIO for anything
// thrown, which never crosses into the caller).
template <typename Learn>
int AnswerLearn(char* code, Learn learn) {
    try {
        int error = EIO;
        const Result<std::string> learned = learn(error);
        if (!learned) {
            errno = error;
            return 0;
        }
        if (!CopyLearnedCode(*learned, code)) {
            errno = E2BIG;
            return 0;
        }
        return 1;
    } catch (...) {
        errno = EIO;
        return 0;
    }
}

}  // namespace kestrel::uuirt
