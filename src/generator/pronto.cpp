// Pronto code assembly: the encoder's durations become carrier-cycle counts
// written as one line of Pronto hex (learned, modulated format): 0000, the
// carrier word, the burst-pair count, 0000, then one word per duration.

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

// Appends number as upper-case hexadecimal of at least four digits; like
// Hex4, a negative number gives only the zeros.
void AppendWord(std::string& out, int64_t number) {
    if (number < 0) number = 0;
    char digits[20];
    int n = 0;
    do {
        digits[n++] = "0123456789ABCDEF"[number % 16];
        number /= 16;
    } while (number != 0);
    for (int pad = n; pad < 4; ++pad) out.push_back('0');
    while (n > 0) out.push_back(digits[--n]);
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
    code_.Preamble.clear();
    code_.FrequencyWord = 0;
    code_.OncePairs = 0;
    code_.RepeatPairs = 0;
    code_.PeriodMicros = 0;
    code_.Cycles.fill(0);
    code_.OnceCount = 0;
    code_.RepeatCount = 0;
    code_.TotalCount = 0;
    code_.Durations.fill(0);
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
    const double period = code_.PeriodMicros;
    for (int i = 1; i <= code_.TotalCount; ++i) {
        // Cycle counts round halves away from zero.
        const double magnitude = std::fabs(static_cast<double>(code_.Durations[i]));
        code_.Cycles[i] = period > 0 ? static_cast<int64_t>(std::round(magnitude / period)) : 0;
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
    std::string out;
    out.reserve(20 + 5 * static_cast<size_t>(code_.TotalCount + 1));
    out.append(code_.Preamble, code_.Preamble.size() - 4, 4);
    out.push_back(' ');
    AppendWord(out, code_.FrequencyWord);
    out.push_back(' ');
    AppendWord(out, code_.OncePairs);
    out.push_back(' ');
    AppendWord(out, code_.RepeatPairs);
    for (int i = 1; i <= code_.TotalCount; ++i) {
        out.push_back(' ');
        AppendWord(out, code_.Cycles[i]);
    }
    return out;
}

}  // namespace kestrel
