// Number reading and rounding.
//
// The leading-number rule reads a number from the front of a text: blanks,
// tabs and line feeds anywhere are skipped; an optional sign, digits with at
// most one decimal point and an optional exponent (E or D) are read, or a
// hexadecimal (&H) or octal (&O) integer; reading stops at the first other
// character, and a text without a leading number reads as 0.
//
// Every conversion of a floating-point value to an integer rounds halves to
// even and checks the target range; nothing here is undefined for any input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The leading-number rule. Overflowing exponents give +-infinity.
double LeadingNumber(std::string_view text);

// True when text, without the blanks around it, is exactly one number as the
// leading-number rule reads it (no blank inside it); value receives it.
bool IsNumericText(std::string_view text, double* value = nullptr);

// A number token of a raw span or a field name: an optional sign followed by
// a digit. Its value is its leading number ("12ab" is 12).
bool IsNumberToken(std::string_view token);

// Rounds halves to even; false (and out untouched) when the result falls
// outside the target type or value is not finite.
bool RoundToInt32(double value, int32_t& out);
bool RoundToInt16(double value, int16_t& out);
bool RoundToInt64(double value, int64_t& out);

// A decimal integer: blanks around it, an optional sign and at least one
// digit, nothing else, within the signed 32-bit range.
std::optional<int32_t> ParseDecimalInt32(std::string_view text);

// The shortest decimal text that reads back as the same double ("0.5", "5"),
// with an exponent only for very small or large magnitudes; -0 is written 0.
std::string ShortestDecimal(double value);
// A decimal text of value without exponent, at most 15 significant digits
// and no trailing zeros (1.75, 50); -0 is written 0.
std::string PlainDecimal15(double value);
// value rounded to a whole number (halves to even) in decimal digits, however
// large; -0 is written 0.
std::string WholeDecimal(double value);

}  // namespace kestrel
