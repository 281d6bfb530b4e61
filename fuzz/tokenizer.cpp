// The tokenizer and the number conversions over arbitrary text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_targets.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel::fuzz {

int FuzzTokenizer(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kDelimiters[] = {",", ":", " ", "", "..", " AS ", "=", ";"};
    const char* delimiter = kDelimiters[data[0] % 8];
    const int quoteFlag = data[0] & 8 ? 1 : 0;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    (void)LeadingNumber(text);
    (void)IsNumericText(text);
    (void)ParseDecimalInt32(text);
    (void)ParseHexInt32(text);
    (void)SqueezeUpper(text);
    (void)FolderOf(text);
    double value = LeadingNumber(text);
    int32_t i32 = 0;
    int16_t i16 = 0;
    (void)RoundToInt32(value, i32);
    (void)RoundToInt16(value, i16);
    (void)ShortestDecimal(value);
    (void)PlainDecimal15(value);
    (void)ToHex(i32, data[0] % 12);
    (void)ParseHexByte(text.substr(0, data[0] % 4));

    // Every cut makes the text shorter, so this ends.
    while (!text.empty()) {
        const size_t before = text.size();
        const std::string token = NextToken(text, delimiter, quoteFlag);
        KESTREL_FUZZ_CHECK(text.size() < before);
        (void)IsNumberToken(token);
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzTokenizer)
