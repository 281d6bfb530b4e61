// Reading a Pronto hex line back: the one reader of the program, used by
// the LIRC driver to send a code, by the decoder, by the signal view and,
// strictly, by hex2ccf.
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
    // The first word: 0000, unless the code was read strictly (ProntoReadOptions).
    uint32_t formatWord = kProntoLearned;

    double PeriodMicros() const { return ProntoPeriodOfWord(frequencyWord); }
    double CarrierHz() const { return 1000000.0 / PeriodMicros(); }
    size_t Count() const { return once.size() + repeat.size(); }
};

// How ReadProntoCode reads.
struct ProntoReadOptions {
    // At most this many words are read.
    size_t maxWords = 65536;
    // The form a converter demands of a code it copies as it stands: every
    // word exactly four hexadecimal digits, whole burst pairs, and exactly
    // as many duration words as the two pair counts announce. The header
    // words are taken as they are (any format and frequency word, no pairs
    // at all). Its reasons name the word or the count at fault.
    bool strict = false;
};

// The reasons ReadProntoCode gives when not strict.
inline constexpr const char* kProntoMalformed = "not a Pronto hex code";
inline constexpr const char* kProntoNotLearned = "not a learned code (first word is not 0000)";
inline constexpr const char* kProntoNoCarrier = "no usable carrier frequency word";
inline constexpr const char* kProntoCountMismatch = "pair counts do not match the words";
inline constexpr const char* kProntoEmpty = "no durations";
inline constexpr const char* kProntoTooManyWords = "more words than a code holds";

namespace pronto_detail {

inline bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A word of 1 to 8 hexadecimal digits.
inline Result<uint32_t> LenientWord(std::string_view digits) {
    constexpr size_t kMaxWordDigits = 8;
    if (digits.size() > kMaxWordDigits) return Refused(kProntoMalformed);
    uint32_t word = 0;
    for (const char c : digits) {
        const int value = HexDigit(c);
        if (value < 0) return Refused(kProntoMalformed);
        word = word * 16 + static_cast<uint32_t>(value);
    }
    return word;
}

// A word of exactly four hexadecimal digits; number counts from 1.
inline Result<uint32_t> StrictWord(size_t number, std::string_view digits) {
    const auto refused = [&](const char* why) {
        constexpr size_t kQuoteLimit = 16;
        return Refused("word " + std::to_string(number) + " \"" +
                       std::string(digits.substr(0, kQuoteLimit)) +
                       (digits.size() > kQuoteLimit ? "...\" " : "\" ") + why);
    };
    uint32_t word = 0;
    for (const char c : digits) {
        const int value = HexDigit(c);
        if (value < 0) return refused("is not a hexadecimal word: the line is not Pronto hex");
        word = word * 16 + static_cast<uint32_t>(value);
    }
    if (digits.size() > 4) {
        return refused(
            "has more than four digits: a duration of more than 65535 carrier cycles does not "
            "fit a Pronto code");
    }
    if (digits.size() < 4) return refused("is not a four-digit Pronto word");
    return word;
}

// The number of once words of a learned code that words hold; a code
// without a repeat part may be one word longer or shorter than its count.
inline Result<size_t> LenientOnceWords(const std::vector<uint32_t>& words) {
    constexpr uint32_t kMaxHeaderWord = 0xFFFF;
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
    if (repeatPairs > 0) {
        if (body != expected) return Refused(kProntoCountMismatch);
        return 2 * static_cast<size_t>(oncePairs);
    }
    if (body + 1 < expected || body > expected + 1) return Refused(kProntoCountMismatch);
    return body;
}

// The number of once words of a code of four-digit words that holds
// exactly the words its pair counts announce.
inline Result<size_t> StrictOnceWords(const std::vector<uint32_t>& words) {
    const size_t count = words.size();
    if (count == 0) return Refused("the line holds no Pronto code (it is empty)");
    if (count < kProntoHeaderWords) {
        return Refused("only " + std::to_string(count) +
                       " words: a Pronto code needs at least its four header words");
    }
    if (count % 2 != 0) {
        return Refused("odd number of words (" + std::to_string(count) +
                       "): a Pronto code holds whole burst pairs");
    }
    const size_t once = words[2];
    const size_t repeat = words[3];
    const size_t expected = kProntoHeaderWords + 2 * (once + repeat);
    if (expected != count) {
        return Refused("the code announces " + std::to_string(once) + " once and " +
                       std::to_string(repeat) + " repeat burst pairs (" + std::to_string(expected) +
                       " words in all) but has " + std::to_string(count) + " words");
    }
    return 2 * once;
}

}  // namespace pronto_detail

// Reads a Pronto hex line of a learned code: 0000, the frequency word, the
// once-pair count, the repeat-pair count, then one word per duration.
// Words are hexadecimal numbers of 1 to 8 digits separated by blanks (tabs
// and line ends count as blanks). A code without a repeat part may hold one
// word more or fewer than twice its pair count, as a code with an odd
// number of durations does (its count is the durations halved, halves to
// even); its words are taken as they stand. At most options.maxWords words
// are read. A strict reading demands what ProntoReadOptions::strict says.
inline Result<ProntoCode> ReadProntoCode(std::string_view text,
                                         const ProntoReadOptions& options = {}) {
    std::vector<uint32_t> words;
    for (size_t i = 0; i < text.size();) {
        if (pronto_detail::IsSeparator(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !pronto_detail::IsSeparator(text[end]))
            ++end;
        const std::string_view digits = text.substr(i, end - i);
        i = end;
        const Result<uint32_t> word = options.strict
                                          ? pronto_detail::StrictWord(words.size() + 1, digits)
                                          : pronto_detail::LenientWord(digits);
        if (!word) return Refused(word.reason());
        if (words.size() == options.maxWords) return Refused(kProntoTooManyWords);
        words.push_back(*word);
    }
    const Result<size_t> onceWords = options.strict ? pronto_detail::StrictOnceWords(words)
                                                    : pronto_detail::LenientOnceWords(words);
    if (!onceWords) return Refused(onceWords.reason());
    ProntoCode code;
    code.formatWord = words[0];
    code.frequencyWord = words[1];
    const auto first = words.begin() + kProntoHeaderWords;
    code.once.assign(first, first + static_cast<std::ptrdiff_t>(*onceWords));
    code.repeat.assign(first + static_cast<std::ptrdiff_t>(*onceWords), words.end());
    return code;
}

}  // namespace kestrel
