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

char* ProntoAssembler::PutDuration(char* out, int32_t duration) const {
    *out = ' ';
    return PutWord(out + 1, ProntoCycles(duration, period_));
}

bool ProntoAssembler::CachePair(CachedPair& pair, uint64_t key, int32_t first, int32_t second) {
    if (ProntoCycles(first, period_) > 0xFFFF || ProntoCycles(second, period_) > 0xFFFF) {
        return false;  // words of more than four digits are not kept
    }
    pair.key = key;
    PutDuration(PutDuration(pair.text, first), second);
    return true;
}

std::string ProntoAssembler::Assemble(const DurationBuffer& durations) {
    // At most 17 characters a word (16 digits and a blank), and room for
    // the last copy of a cached pair.
    char buffer[17 * (kProntoHeaderWords + DurationBuffer::kCapacity) + sizeof(CachedPair::text)];
    char* p = std::copy(kProntoLearnedWord.begin(), kProntoLearnedWord.end(), buffer);
    *p++ = ' ';
    p = PutWord(p, frequencyWord_);
    *p++ = ' ';
    p = PutWord(p, ProntoPairCount(static_cast<size_t>(durations.Size())));
    *p++ = ' ';
    p = PutWord(p, 0);  // nothing is repeated
    const std::span<const int32_t> d = durations.Durations();
    size_t i = 0;
    for (; i + 1 < d.size(); i += 2) {
        const uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(d[i])) << 32 |
                             static_cast<uint32_t>(d[i + 1]);
        CachedPair& pair = pairs_[(key * 0x9E3779B97F4A7C15ull) >> 58];
        if (pair.key == key || CachePair(pair, key, d[i], d[i + 1])) {
            std::memcpy(p, pair.text, sizeof pair.text);  // the rest is overwritten next
            p += 10;
        } else {
            p = PutDuration(PutDuration(p, d[i]), d[i + 1]);
        }
    }
    if (i < d.size()) p = PutDuration(p, d[i]);
    return std::string(buffer, p);
}

}  // namespace kestrel
