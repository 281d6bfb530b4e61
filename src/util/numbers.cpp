#include "util/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/chars.h"
#include "base/rounding.h"
#include "util/text.h"

namespace kestrel {
namespace {

struct Scan {
    double value = 0;
    bool found = false;  // at least one digit was read
    size_t end = 0;      // index after the number
};

int DigitValue(char c, int base) {
    const int v = HexDigit(c);
    return v < base ? v : -1;
}

// Reads one number at the front of s, which holds no skippable characters.
Scan ScanNumber(std::string_view s) {
    Scan scan;
    size_t i = 0;
    if (s.size() >= 2 && s[0] == '&' && (UpperAscii(s[1]) == 'H' || UpperAscii(s[1]) == 'O')) {
        const int base = UpperAscii(s[1]) == 'H' ? 16 : 8;
        i = 2;
        double value = 0;
        while (i < s.size() && DigitValue(s[i], base) >= 0) {
            value = value * base + DigitValue(s[i], base);
            scan.found = true;
            ++i;
        }
        scan.value = value;
        scan.end = scan.found ? i : 0;
        return scan;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string digits;  // mantissa and exponent in from_chars' notation
    bool point = false;
    while (i < s.size()) {
        if (IsDigit(s[i])) {
            digits.push_back(s[i]);
            scan.found = true;
        } else if (s[i] == '.' && !point) {
            digits.push_back('.');
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!scan.found) return Scan{};
    // An exponent counts only when digits follow its letter (and sign).
    if (i < s.size() && (UpperAscii(s[i]) == 'E' || UpperAscii(s[i]) == 'D')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        const size_t firstDigit = j;
        while (j < s.size() && IsDigit(s[j]))
            exponent.push_back(s[j++]);
        if (j > firstDigit) {
            digits += exponent;
            i = j;
        }
    }
    double value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large gives infinity, too small gives zero.
        const size_t e = digits.find('e');
        const bool tiny = e != std::string::npos && e + 1 < digits.size() && digits[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    scan.value = negative ? -value : value;
    scan.end = i;
    return scan;
}

template <typename T>
bool RoundTo(double value, T& out) {
    if (!std::isfinite(value)) return false;
    const double rounded = std::nearbyint(value);  // default mode: halves to even
    if (rounded < static_cast<double>(std::numeric_limits<T>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<T>::max())) {
        return false;
    }
    out = static_cast<T>(rounded);
    return true;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    std::string packed;
    packed.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') packed.push_back(c);
    }
    return ScanNumber(packed).value;
}

bool IsNumericText(std::string_view text, double* value) {
    const std::string_view trimmed = TrimBlanks(text);
    const Scan scan = ScanNumber(trimmed);
    if (!scan.found || scan.end != trimmed.size()) return false;
    if (value) *value = scan.value;
    return true;
}

bool IsNumberToken(std::string_view token) {
    size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    return i < token.size() && IsDigit(token[i]);
}

bool RoundToInt32(double value, int32_t& out) {
    return RoundTo(value, out);
}
bool RoundToInt16(double value, int16_t& out) {
    return RoundTo(value, out);
}
bool RoundToInt64(double value, int64_t& out) {
    return RoundHalfEven(value, out);
}

std::optional<int32_t> ParseDecimalInt32(std::string_view text) {
    text = TrimBlanks(text);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::string ShortestDecimal(double value) {
    if (value == 0) return "0";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general);
    return std::string(buffer, result.ptr);
}

std::string PlainDecimal15(double value) {
    if (value == 0) return "0";
    if (!std::isfinite(value)) return ShortestDecimal(value);
    // The 15 significant digits and the exponent, as "-d.dddddddddddddde+XX";
    // the text is built from them, so no digit beyond the 15th appears.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    const std::string_view text(buffer);
    const bool negative = text[0] == '-';
    const size_t first = negative ? 1 : 0;
    const size_t e = text.find('e');
    std::string digits = std::string(1, text[first]) + std::string(text.substr(first + 2, 14));
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out;
    if (exponent < 0) {
        out = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else if (static_cast<size_t>(exponent) + 1 >= digits.size()) {
        out = digits + std::string(static_cast<size_t>(exponent) + 1 - digits.size(), '0');
    } else {
        out = digits.substr(0, static_cast<size_t>(exponent) + 1) + "." +
              digits.substr(static_cast<size_t>(exponent) + 1);
    }
    return negative ? "-" + out : out;
}

std::string WholeDecimal(double value) {
    if (!std::isfinite(value)) return ShortestDecimal(value);
    // Every double of this size is a whole number; glibc writes its exact
    // decimal digits.
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::nearbyint(value));
    return std::string(buffer) == "-0" ? "0" : buffer;
}

}  // namespace kestrel
