// The bursts a driver sends for a Pronto hex code and a repeat count, in
// the code's own unit (carrier periods): what every driver library means by
// UUIRTTransmitIR's repeat count.
//
// Header-only and free of other Kestrel code but the Pronto reader, so that
// a driver library includes it without linking anything.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "generator/pronto_reader.h"

namespace kestrel::uuirt {

inline constexpr const char* kNoGapForRepeat = "a code ending with a pulse cannot be repeated";

struct ProntoBursts {
    uint32_t frequencyWord = 0;
    // Mark, space, mark, ... ending with a mark, in carrier periods.
    std::vector<uint32_t> words;
    // The final space of the last copy, which is not sent (0 when the code
    // ends with a mark): the quiet time the code asks for after it.
    uint32_t finalSpace = 0;

    double PeriodMicros() const { return ProntoPeriodOfWord(frequencyWord); }
    double CarrierHz() const { return 1000000.0 / PeriodMicros(); }
};

// The bursts of a learned Pronto code (read by ReadProntoCode) sent
// repeatCount times: the once part once, then the repeat part repeatCount
// times (at least once); a code without a repeat part is repeated whole.
// The copies follow each other, each one's final space being the gap before
// the next; the final space of the last copy is kept apart. Refused when the
// text is not such a code, or with tooMany when more than mostBursts bursts
// would be sent.
inline Result<ProntoBursts> BurstsOf(std::string_view text, int repeatCount, size_t mostBursts,
                                     const char* tooMany) {
    // Every word but the final space is sent at least once, so a longer
    // code cannot fit and is not read to its end.
    const Result<ProntoCode> read =
        ReadProntoCode(text, {.maxWords = kProntoHeaderWords + mostBursts + 1});
    if (!read) return Refused(read.reason());
    const ProntoCode& code = *read;
    const bool whole = code.repeat.empty();
    const std::span<const uint32_t> once = whole ? std::span<const uint32_t>() : code.once;
    const std::span<const uint32_t> repeat = whole ? code.once : code.repeat;
    const uint64_t copies = static_cast<uint64_t>(std::max(repeatCount, 1));
    if (copies > 1 && repeat.size() % 2 != 0) return Refused(kNoGapForRepeat);

    uint64_t count = once.size() + repeat.size() * copies;
    const bool endsWithSpace = count % 2 == 0;
    if (count - (endsWithSpace ? 1 : 0) > mostBursts) return Refused(tooMany);

    ProntoBursts bursts;
    bursts.frequencyWord = code.frequencyWord;
    bursts.words.reserve(count);
    for (uint64_t n = 0; n < count; ++n) {
        bursts.words.push_back(n < once.size() ? once[n]
                                               : repeat[(n - once.size()) % repeat.size()]);
    }
    if (endsWithSpace) {
        bursts.finalSpace = bursts.words.back();
        bursts.words.pop_back();
    }
    return bursts;
}

}  // namespace kestrel::uuirt
