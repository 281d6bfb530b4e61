// Pronto code assembly.

#include "generator/pronto.h"

#include <algorithm>
#include <cstring>

#include "generator/durations.h"
#include "generator/pronto_format.h"
#include "util/numbers.h"

namespace kestrel {
namespace {

// Writes number as upper-case hexadecimal of at least four digits at out and
// returns the end; a negative number gives only the zeros.
char* PutWord(char* out, int64_t number) {
    if (number < 0) number = 0;
    int digits = 4;
    while (digits < 16 && (number >> (4 * digits)) != 0)
        ++digits;
    for (int i = digits - 1; i >= 0; --i)
        *out++ = "0123456789ABCDEF"[(number >> (4 * i)) & 15];
    return out;
}

}  // namespace

int16_t ProntoPairCount(size_t durations) {
    int16_t pairs = 0;
    RoundToInt16(static_cast<double>(durations) / 2.0, pairs);
    return pairs;
}

ProntoAssembler::ProntoAssembler(int32_t carrierHz)
    : carrierHz_(carrierHz), frequencyWord_(ProntoFreqWord(carrierHz)) {
    const auto hz = static_cast<int64_t>(ProntoCarrierHz(carrierHz));
    period_ = hz > 0 ? static_cast<int32_t>(1000000 / hz) : 0;
}

char* ProntoAssembler::PutUncached(char* out, uint32_t magnitude, CachedWord& word) {
    const int64_t cycles = ProntoCycles(magnitude, period_);
    *out = ' ';
    if (cycles > 0xFFFF) return PutWord(out + 1, cycles);
    word.magnitude = magnitude;
    word.text[0] = ' ';
    PutWord(word.text + 1, cycles);
    std::memcpy(out, word.text, 5);
    return out + 5;
}

std::string ProntoAssembler::Assemble(const DurationBuffer& durations) {
    // At most 17 characters a word: 16 digits and a blank.
    char buffer[17 * (kProntoHeaderWords + DurationBuffer::kCapacity) + 8];
    char* p = std::copy(kProntoLearnedWord.begin(), kProntoLearnedWord.end(), buffer);
    *p++ = ' ';
    p = PutWord(p, frequencyWord_);
    *p++ = ' ';
    p = PutWord(p, ProntoPairCount(static_cast<size_t>(durations.Size())));
    *p++ = ' ';
    p = PutWord(p, 0);  // nothing is repeated
    for (const int32_t duration : durations.Durations()) {
        const uint32_t magnitude =
            duration < 0 ? 0u - static_cast<uint32_t>(duration) : static_cast<uint32_t>(duration);
        CachedWord& word = words_[(magnitude * 2654435761u) >> 26];
        if (word.magnitude == magnitude) {
            std::memcpy(p, word.text, 8);  // the padding is overwritten next
            p += 5;
        } else {
            p = PutUncached(p, magnitude, word);
        }
    }
    return std::string(buffer, p);
}

}  // namespace kestrel
