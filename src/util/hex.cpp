#include "util/hex.h"

#include <algorithm>
#include <cstdint>

#include "base/chars.h"

#include "util/text.h"

namespace kestrel {

std::string DigitChar(int64_t digit) {
    if (digit < 0 || digit > 15) return {};
    return std::string(1, "0123456789abcdef"[digit]);
}

int HexDigitValue(char c) {
    return std::max(0, HexDigit(c));
}

std::string ToHex(int64_t number, int minDigits) {
    std::string digits;
    do {
        digits.insert(0, DigitChar(number % 16));  // C++ remainders keep the sign
        number /= 16;
    } while (number != 0);
    if (minDigits > 0 && static_cast<int>(digits.size()) < minDigits) {
        digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), '0');
    }
    return digits;
}

std::string Hex4(int64_t number) {
    return ToHex(number, 4);
}

std::optional<int32_t> ParseHexInt32(std::string_view text) {
    int64_t result = 0;
    for (char c : text) {
        result = result * 16 + HexDigitValue(c);
        if (result > INT32_MAX) return std::nullopt;
    }
    return static_cast<int32_t>(result);
}

bool IsHexDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (HexDigit(c) < 0) return false;
    }
    return true;
}

Result<int16_t> ParseHexByte(std::string_view text) {
    if (text.size() == 1) return static_cast<int16_t>(HexDigitValue(text[0]));
    if (text.size() == 2) {
        return static_cast<int16_t>(HexDigitValue(text[0]) * 16 + HexDigitValue(text[1]));
    }
    return Refused("Illegal call to Hex2Int with value " + std::string(text));
}

}  // namespace kestrel
