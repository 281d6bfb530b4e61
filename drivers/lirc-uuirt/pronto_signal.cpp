#include "pronto_signal.h"

#include <algorithm>
#include <cmath>

namespace kestrel::lirc {

namespace {

constexpr size_t kMaxWordDigits = 8;
constexpr uint32_t kMaxHeaderWord = 0xFFFF;

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Cuts text into words of hexadecimal digits. Stops early (true, with more
// than limit words) once the words cannot fit into one write anyway.
bool ReadWords(std::string_view text, size_t limit, std::vector<uint32_t>& words) {
    size_t i = 0;
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            ++i;
            continue;
        }
        uint32_t word = 0;
        size_t digits = 0;
        for (; i < text.size() && !IsSeparator(text[i]); ++i, ++digits) {
            const int value = HexValue(text[i]);
            if (value < 0 || digits == kMaxWordDigits) return false;
            word = word * 16 + static_cast<uint32_t>(value);
        }
        words.push_back(word);
        if (words.size() > limit) return true;
    }
    return true;
}

}  // namespace

const char* Describe(ProntoError error) {
    switch (error) {
        case ProntoError::None:
            return "no error";
        case ProntoError::Malformed:
            return "not a Pronto hex code";
        case ProntoError::NotLearned:
            return "not a learned code (first word is not 0000)";
        case ProntoError::NoCarrier:
            return "no usable carrier frequency word";
        case ProntoError::CountMismatch:
            return "pair counts do not match the words";
        case ProntoError::Empty:
            return "no durations";
        case ProntoError::NoGapForRepeat:
            return "a code ending with a pulse cannot be repeated";
        case ProntoError::ZeroDuration:
            return "a duration of zero";
        case ProntoError::TooManyValues:
            return "more durations than one write takes";
        case ProntoError::TooLong:
            return "longer than one write takes";
    }
    return "unknown error";
}

ProntoError ConvertPronto(std::string_view text, int repeatCount, ProntoSignal& signal) {
    signal = ProntoSignal{};
    // Every body word but the last is sent at least once.
    const size_t wordLimit = kProntoHeaderWords + kMaxValues + 1;
    std::vector<uint32_t> words;
    if (!ReadWords(text, wordLimit, words) || words.size() < kProntoHeaderWords) {
        return ProntoError::Malformed;
    }
    if (words.size() > wordLimit) return ProntoError::TooManyValues;
    if (words[0] != kProntoLearned) return ProntoError::NotLearned;
    const uint32_t frequencyWord = words[1];
    if (frequencyWord == 0 || frequencyWord > kMaxHeaderWord) return ProntoError::NoCarrier;
    const uint32_t oncePairs = words[2];
    const uint32_t repeatPairs = words[3];
    if (oncePairs > kMaxHeaderWord || repeatPairs > kMaxHeaderWord) return ProntoError::Malformed;
    if (oncePairs == 0 && repeatPairs == 0) return ProntoError::Empty;

    const std::vector<uint32_t> body(words.begin() + kProntoHeaderWords, words.end());
    const size_t expected = 2 * (static_cast<size_t>(oncePairs) + repeatPairs);
    // The once part and the part that is repeated.
    size_t onceWords = 0;
    if (repeatPairs > 0) {
        if (body.size() != expected) return ProntoError::CountMismatch;
        onceWords = 2 * static_cast<size_t>(oncePairs);
    } else if (body.size() + 1 < expected || body.size() > expected + 1) {
        return ProntoError::CountMismatch;
    }
    const size_t repeatWords = body.size() - onceWords;
    const uint64_t copies = static_cast<uint64_t>(std::max(repeatCount, 1));
    // A copy that ends with a pulse leaves no gap before the next one.
    if (copies > 1 && repeatWords % 2 != 0) return ProntoError::NoGapForRepeat;

    uint64_t total = onceWords + repeatWords * copies;
    if (total % 2 == 0) --total;  // the final space is not sent
    if (total > kMaxValues) return ProntoError::TooManyValues;

    const double periodMicros = ProntoPeriodOfWord(frequencyWord);
    signal.carrierHz = static_cast<uint32_t>(std::lround(1000000.0 / periodMicros));
    signal.durations.reserve(total);
    uint64_t sumMicros = 0;
    for (uint64_t n = 0; n < total; ++n) {
        const uint32_t word =
            n < onceWords ? body[n] : body[onceWords + (n - onceWords) % repeatWords];
        const double micros = std::round(word * periodMicros);
        if (micros > static_cast<double>(kMaxTotalMicros - sumMicros)) {
            signal = ProntoSignal{};
            return ProntoError::TooLong;
        }
        if (micros < 1) {
            signal = ProntoSignal{};
            return ProntoError::ZeroDuration;
        }
        const auto value = static_cast<unsigned int>(micros);
        sumMicros += value;
        signal.durations.push_back(value);
    }
    return ProntoError::None;
}

}  // namespace kestrel::lirc
