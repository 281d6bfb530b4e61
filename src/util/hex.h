// Hexadecimal conversions in both directions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"

namespace kestrel {

// "0".."9" for 0..9, "a".."f" for 10..15, empty for any other number.
std::string DigitChar(int64_t digit);
// 0..15 for a hexadecimal digit (either case), 0 for any other character.
int HexDigitValue(char c);

// Lower-case hexadecimal digits of number, padded with zeros to at least
// minDigits. A negative number yields only the padding zeros.
std::string ToHex(int64_t number, int minDigits);
// ToHex with at least four digits.
std::string Hex4(int64_t number);

// Hexadecimal text to number; characters that are no hexadecimal digits count
// as 0. Empty when the value does not fit a signed 32-bit integer.
std::optional<int32_t> ParseHexInt32(std::string_view text);
// True when text is one or more hexadecimal digits and nothing else.
bool IsHexDigits(std::string_view text);

// A text of one or two hexadecimal digits to its value. Any other length is
// refused with "Illegal call to Hex2Int with value " + text (its callers
// show that and go on with 0).
Result<int16_t> ParseHexByte(std::string_view text);

}  // namespace kestrel
