// Broadlink IR packets, as Broadlink's RM devices learn and send them and as
// Home Assistant's Broadlink integration takes them ("b64:" and the packet
// in base64):
//
//   26 RR LL LL  d d d ... 00 0D 05
//
//   26     an IR packet (RF packets have other types)
//   RR     how many times the device sends the code again (0: once)
//   LL LL  the number of bytes after these four, little-endian
//   d      each duration, mark first, in units of 269/8192 ms (32.84 us):
//          one byte for 1-255 units, else 00 and the units in two bytes,
//          big-endian
//   00 0D 05  the closing gap (3333 units, 109 ms) that ends every IR packet
//             the devices learn; it stands for the code's final space
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace kestrel {

inline constexpr double kBroadlinkUnitMicros = 269.0 * 1000 / 8192;
inline constexpr uint32_t kBroadlinkClosingGap = 0x0D05;

// The packet of a code's durations (microseconds, marks positive, a mark
// first), sent once: each duration rounded to whole units (halves to even, at
// least 1), the final space replaced by the closing gap. Refused when a
// duration needs more than two bytes.
Result<std::string> BroadlinkPacket(std::span<const int64_t> micros);

// The durations of an IR packet in microseconds, marks positive, up to the
// length the packet gives (bytes after it, such as padding, are ignored; so
// is a bare 0D 05 at the very end). Refused, with the reason, for a packet
// that is not IR, is cut short or holds no duration.
Result<std::vector<int32_t>> ReadBroadlinkPacket(std::string_view bytes);

// Base64 (RFC 4648, with padding) and back; the reading skips blanks and
// line ends and gives nothing for any other character outside the alphabet.
std::string Base64(std::string_view bytes);
std::optional<std::string> FromBase64(std::string_view text);

}  // namespace kestrel
