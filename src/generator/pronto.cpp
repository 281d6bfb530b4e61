// Pronto code assembly: the encoder's durations become carrier-cycle counts
// written as one line of Pronto hex (learned, modulated format): 0000, the
// carrier word, the burst-pair count, 0000, then one word per duration.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "generator/generator.h"
#include "util/display.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {
namespace {

// The Pronto clock period in microseconds.
constexpr double kProntoClockMicros = 0.241246;
constexpr const char* kRefused = "; no code was generated";

// Writes number as upper-case hexadecimal of at least four digits at out and
// returns the end; like Hex4, a negative number gives only the zeros.
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

int16_t Generator::ProntoFreqWord(int32_t carrierHz) {
    if (carrierHz < 1) return 0;
    int64_t a = 0;
    if (!RoundToInt64(carrierHz * kProntoClockMicros, a) || a == 0) return 0;
    return static_cast<int16_t>(1000000 / a);
}

float Generator::ProntoCarrierHz(int32_t carrierHz) {
    int64_t word = 0;
    int64_t a = 0;
    if (RoundToInt64(carrierHz * kProntoClockMicros, a) && a != 0) word = 1000000 / a;
    int64_t b = 0;
    if (!RoundToInt64(static_cast<double>(word) * kProntoClockMicros, b) || b == 0) return 0;
    return static_cast<float>(1000000 / b);
}

void Generator::ClearCode() {
    // Nothing beyond the high-water mark was written since the last clear.
    std::fill_n(code_.Durations.begin() + 1, codeHighWater_, 0);
    std::fill_n(code_.Cycles.begin() + 1, codeHighWater_, 0);
    codeHighWater_ = 0;
    code_.Preamble.clear();
    code_.FrequencyWord = 0;
    code_.OncePairs = 0;
    code_.RepeatPairs = 0;
    code_.PeriodMicros = 0;
    code_.OnceCount = 0;
    code_.RepeatCount = 0;
    code_.TotalCount = 0;
}

bool Generator::LoadRequest(const std::string& code, const std::string& value,
                            const std::string& kind) {
    code_.OnceCount = code_.RepeatCount = code_.TotalCount = 0;
    // Check everything before any request value changes, so that a refused
    // request leaves the values that carry over untouched.
    const std::optional<int32_t> device = ParseDecimalInt32(code);
    if (!device) {
        display_.ShowMessage("The function code '" + code +
                             "' is not a decimal number that fits 32 bits" + kRefused);
        return false;
    }
    const char letter = kind.empty() ? 'V' : UpperAscii(kind[0]);
    const bool oneLetter = kind.size() == 1;
    if (oneLetter && letter == 'A') {
        if (value.empty()) {
            display_.ShowMessage(std::string("An ASCII value needs a character") + kRefused);
            return false;
        }
        requestFunction_ = static_cast<unsigned char>(value[0]);
    } else if (oneLetter && letter == 'H') {
        const std::optional<int32_t> number = HexToLong(value);
        if ((!value.empty() && !IsHexDigits(value)) || !number) {
            display_.ShowMessage("The value '" + value +
                                 "' is not a hexadecimal number that fits 32 bits" + kRefused);
            return false;
        }
        requestFunction_ = *number;
    } else if (oneLetter && letter == 'D') {
        int32_t number = 0;
        if (!RoundToInt32(LeadingNumber(value), number)) {
            display_.ShowMessage("The value '" + value + "' is outside the 32-bit range" +
                                 kRefused);
            return false;
        }
        requestFunction_ = number;
    } else {
        requestValueText_ = value;
    }
    requestDevice_ = *device;

    const int n = EncodeForm(protocol_.Form, span_, 1);
    if (n < 0) return false;
    std::copy(span_.Durations.begin() + 1, span_.Durations.begin() + 1 + n,
              code_.Durations.begin() + 1);
    code_.OnceCount = code_.TotalCount = static_cast<int16_t>(n);
    codeHighWater_ = std::max(codeHighWater_, n);
    return true;
}

void Generator::BuildProntoBody() {
    code_.Preamble = "0x0000";
    // The carrier period in whole microseconds, from the carrier the
    // frequency word stands for.
    const int64_t carrier = static_cast<int64_t>(ProntoCarrierHz(protocol_.CarrierHz));
    code_.PeriodMicros = carrier > 0 ? static_cast<int32_t>(1000000 / carrier) : 0;
    code_.FrequencyWord = ProntoFreqWord(protocol_.CarrierHz);
    int16_t pairs = 0;
    RoundToInt16(code_.OnceCount / 2.0, pairs);
    code_.OncePairs = pairs;
    RoundToInt16(code_.RepeatCount / 2.0, pairs);
    code_.RepeatPairs = pairs;
    const int64_t period = code_.PeriodMicros;
    for (int i = 1; i <= code_.TotalCount && period > 0; ++i) {
        // |duration| / period rounded halves away from zero, in whole numbers
        // (the same result as the division in double precision).
        const int64_t magnitude = std::llabs(static_cast<int64_t>(code_.Durations[i]));
        code_.Cycles[i] = magnitude / period + (2 * (magnitude % period) >= period ? 1 : 0);
    }
}

std::string Generator::GenerateCode(const std::string& form, const std::string& code,
                                    const std::string& value, const std::string& kind) {
    protocol_.Form = form;
    ClearCode();
    if (!LoadRequest(code, value, kind)) return {};
    BuildProntoBody();
    if (code_.PeriodMicros <= 0) {
        display_.ShowMessage("The carrier of " + std::to_string(protocol_.CarrierHz) +
                             " Hz cannot be written as a Pronto code" + kRefused);
        return {};
    }
    // At most 17 characters a word: 16 digits and a blank.
    std::string out(17 * (4 + static_cast<size_t>(code_.TotalCount)), '\0');
    char* p = out.data();
    p = std::copy_n(code_.Preamble.end() - 4, 4, p);
    *p++ = ' ';
    p = PutWord(p, code_.FrequencyWord);
    *p++ = ' ';
    p = PutWord(p, code_.OncePairs);
    *p++ = ' ';
    p = PutWord(p, code_.RepeatPairs);
    for (int i = 1; i <= code_.TotalCount; ++i) {
        *p++ = ' ';
        p = PutWord(p, code_.Cycles[i]);
    }
    out.resize(static_cast<size_t>(p - out.data()));
    return out;
}

}  // namespace kestrel
