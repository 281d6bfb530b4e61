// Rounding as the program rounds everywhere: halves to even.
#pragma once

#include <cmath>
#include <cstdint>

namespace kestrel {

// value rounded halves to even (the floating point's default mode); false,
// with out untouched, when it is not finite or beyond 64 bits (2^63 itself
// is not representable, so the bounds are compared exactly).
inline bool RoundHalfEven(double value, int64_t& out) {
    if (!std::isfinite(value)) return false;
    const double rounded = std::nearbyint(value);
    if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) return false;
    out = static_cast<int64_t>(rounded);
    return true;
}

}  // namespace kestrel
