#include "export/broadlink_packet.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kestrel {
namespace {

constexpr unsigned char kIrPacket = 0x26;
constexpr size_t kHeaderBytes = 4;
constexpr uint32_t kMostUnits = 0xFFFF;
constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendUnits(std::string& packet, uint32_t units) {
    if (units > 0xFF) {
        packet += '\0';
        packet += static_cast<char>(units >> 8);
    }
    packet += static_cast<char>(units & 0xFF);
}

}  // namespace

Result<std::string> BroadlinkPacket(std::span<const int64_t> micros) {
    std::string packet(kHeaderBytes, '\0');
    packet[0] = static_cast<char>(kIrPacket);
    // The final space gives way to the closing gap.
    const size_t count = micros.size() % 2 == 0 ? micros.size() - 1 : micros.size();
    for (size_t i = 0; i < count && i < micros.size(); ++i) {
        const double units = std::nearbyint(std::llabs(micros[i]) / kBroadlinkUnitMicros);
        if (units > kMostUnits) {
            return Refused("a duration of " + std::to_string(std::llabs(micros[i])) +
                           " us is longer than a Broadlink packet holds");
        }
        AppendUnits(packet, std::max<uint32_t>(1, static_cast<uint32_t>(units)));
    }
    AppendUnits(packet, kBroadlinkClosingGap);
    const size_t length = packet.size() - kHeaderBytes;
    if (length > 0xFFFF) return Refused("the code is longer than a Broadlink packet holds");
    packet[2] = static_cast<char>(length & 0xFF);
    packet[3] = static_cast<char>(length >> 8);
    return packet;
}

Result<std::vector<int32_t>> ReadBroadlinkPacket(std::string_view bytes) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() < kHeaderBytes) return Refused("a Broadlink packet is cut short");
    if (byte(0) != kIrPacket) {
        return Refused("not a Broadlink IR packet (its type is " + std::to_string(byte(0)) + ")");
    }
    const size_t end = kHeaderBytes + (byte(2) | static_cast<size_t>(byte(3)) << 8);
    if (end > bytes.size()) return Refused("a Broadlink packet is cut short");
    std::vector<int32_t> micros;
    bool bareEnding = false;  // the last two bytes were 0D 05, one a duration
    for (size_t i = kHeaderBytes; i < end;) {
        uint32_t units = byte(i++);
        bareEnding = units == 0x0D && i + 1 == end && byte(i) == 0x05;
        if (units == 0) {
            if (i + 2 > end) return Refused("a Broadlink packet is cut short");
            units = static_cast<uint32_t>(byte(i)) << 8 | byte(i + 1);
            i += 2;
        }
        const auto length = static_cast<int32_t>(std::nearbyint(units * kBroadlinkUnitMicros));
        micros.push_back(micros.size() % 2 == 0 ? length : -length);
        if (bareEnding) break;
    }
    if (bareEnding) micros.pop_back();
    if (micros.empty()) return Refused("a Broadlink packet holds no duration");
    return micros;
}

std::string Base64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        for (size_t k = 0; k < 4; ++k) {
            out += i + k <= bytes.size() ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return out;
}

std::optional<std::string> FromBase64(std::string_view text) {
    std::string out;
    uint32_t group = 0;
    int bits = 0;
    bool padded = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '=') {
            padded = true;
            continue;
        }
        const size_t value = kAlphabet.find(c);
        if (value == std::string_view::npos || padded) return std::nullopt;
        group = (group << 6 | static_cast<uint32_t>(value)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((group >> bits) & 0xFF);
        }
    }
    return out;
}

}  // namespace kestrel
