// Reading a Pronto hex line back: the one reader of the program, used by
// the LIRC driver to send a code, by the decoder and by the signal view.
//
// Header-only and free of other Kestrel code but the result type, so that a
// driver library can include it without linking anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/chars.h"
#include "base/result.h"
#include "generator/pronto_format.h"

namespace kestrel {

// A learned code as its words say: the carrier, then the once part and the
// part that is repeated, each a list of durations in carrier periods (mark,
// space, mark, ...).
struct ProntoCode {
    uint32_t frequencyWord = 0;
    std::vector<uint32_t> once;
    std::vector<uint32_t> repeat;

    double PeriodMicros() const { return ProntoPeriodOfWord(frequencyWord); }
    double CarrierHz() const { return 1000000.0 / PeriodMicros(); }
    size_t Count() const { return once.size() + repeat.size(); }
};

namespace pronto_detail {

inline bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace pronto_detail

// The reasons ReadProntoCode gives.
inline constexpr const char* kProntoMalformed = "not a Pronto hex code";
inline constexpr const char* kProntoNotLearned = "not a learned code (first word is not 0000)";
inline constexpr const char* kProntoNoCarrier = "no usable carrier frequency word";
inline constexpr const char* kProntoCountMismatch = "pair counts do not match the words";
inline constexpr const char* kProntoEmpty = "no durations";
inline constexpr const char* kProntoTooManyWords = "more words than a code holds";

// Reads a Pronto hex line of a learned code: 0000, the frequency word, the
// once-pair count, the repeat-pair count, then one word per duration.
// Words are hexadecimal numbers of 1 to 8 digits separated by blanks (tabs
// and line ends count as blanks). A code without a repeat part may hold one
// word more or fewer than twice its pair count, as a code with an odd
// number of durations does (its count is the durations halved, halves to
// even); its words are taken as they stand. At most maxWords words are read.
inline Result<ProntoCode> ReadProntoCode(std::string_view text, size_t maxWords = 65536) {
    constexpr size_t kMaxWordDigits = 8;
    constexpr uint32_t kMaxHeaderWord = 0xFFFF;
    std::vector<uint32_t> words;
    for (size_t i = 0; i < text.size();) {
        if (pronto_detail::IsSeparator(text[i])) {
            ++i;
            continue;
        }
        uint32_t word = 0;
        for (size_t digits = 0; i < text.size() && !pronto_detail::IsSeparator(text[i]);
             ++i, ++digits) {
            const int value = HexDigit(text[i]);
            if (value < 0 || digits == kMaxWordDigits) return Refused(kProntoMalformed);
            word = word * 16 + static_cast<uint32_t>(value);
        }
        if (words.size() == maxWords) return Refused(kProntoTooManyWords);
        words.push_back(word);
    }
    if (words.size() < kProntoHeaderWords) return Refused(kProntoMalformed);
    if (words[0] != kProntoLearned) return Refused(kProntoNotLearned);
    if (words[1] == 0 || words[1] > kMaxHeaderWord) return Refused(kProntoNoCarrier);
    const uint32_t oncePairs = words[2];
    const uint32_t repeatPairs = words[3];
    if (oncePairs > kMaxHeaderWord || repeatPairs > kMaxHeaderWord) {
        return Refused(kProntoMalformed);
    }
    if (oncePairs == 0 && repeatPairs == 0) return Refused(kProntoEmpty);
    const size_t body = words.size() - kProntoHeaderWords;
    const size_t expected = 2 * (static_cast<size_t>(oncePairs) + repeatPairs);
    size_t onceWords = body;
    if (repeatPairs > 0) {
        if (body != expected) return Refused(kProntoCountMismatch);
        onceWords = 2 * static_cast<size_t>(oncePairs);
    } else if (body + 1 < expected || body > expected + 1) {
        return Refused(kProntoCountMismatch);
    }
    ProntoCode code;
    code.frequencyWord = words[1];
    const auto first = words.begin() + kProntoHeaderWords;
    code.once.assign(first, first + static_cast<std::ptrdiff_t>(onceWords));
    code.repeat.assign(first + static_cast<std::ptrdiff_t>(onceWords), words.end());
    return code;
}

}  // namespace kestrel
