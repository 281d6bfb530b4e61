#include "uirt_protocol.h"

#include <cmath>

#include "learned_code.h"
#include "pronto_bursts.h"

namespace kestrel::usb_uirt {

namespace {

constexpr const char* kTooMany = "more durations than the device takes";
constexpr const char* kCarrierOutside = "a carrier outside 20-500 kHz";
constexpr const char* kZeroDuration = "a duration of zero";
constexpr const char* kTooLong = "a duration longer than the device takes";
constexpr const char* kTooLongInAll = "longer than a send may last";

// The device's carrier clock: the carrier byte counts its periods of 0.4 us.
constexpr double kCarrierClockHz = 2500000.0;
// Wideband durations are counted in 400 ns units, raw ones in 50 us.
constexpr double kWidebandUnitMicros = 0.4;
constexpr uint32_t kRawUnitMicros = 50;
// A carrier the marks show outside these is a broken report, not a carrier.
constexpr double kLeastCarrierHz = 10000;
constexpr double kMostCarrierHz = 1000000;
// Ends a signal where a space would start.
constexpr uint8_t kSignalEnd = 0xFF;
// The first byte of a two-byte duration or cycle count.
constexpr uint8_t kTwoBytes = 0x80;

// DOTXRAW: command, length, carrier, repeat count, gap (2), byte count.
constexpr size_t kFrameHeaderSize = 7;
// One transmission of the signal; the repeats are laid out in the signal.
constexpr uint8_t kSendOnce = 1;

}  // namespace

const char* StatusText(uint8_t status) {
    switch (status) {
        case kTransmitting:
            return "transmitting";
        case kCommandOk:
            return "ok";
        case kChecksumError:
            return "checksum error";
        case kTimeoutError:
            return "timeout error";
        case kCommandError:
            return "command error";
        default:
            return "no status";
    }
}

uint8_t ChecksumOf(std::span<const uint8_t> bytes) {
    unsigned sum = 0;
    for (const uint8_t byte : bytes)
        sum += byte;
    return static_cast<uint8_t>(-sum & 0xFF);
}

std::vector<uint8_t> Framed(std::span<const uint8_t> bytes) {
    std::vector<uint8_t> frame(bytes.begin(), bytes.end());
    frame.push_back(ChecksumOf(bytes));
    return frame;
}

std::vector<uint8_t> ModeFrame(Mode mode) {
    const uint8_t command = mode == Mode::Uir   ? kSetModeUir
                            : mode == Mode::Raw ? kSetModeRaw
                                                : kSetModeWideband;
    return Framed(std::span(&command, 1));
}

uint8_t CarrierByte(double hz) {
    return static_cast<uint8_t>(std::lround(kCarrierClockHz / hz));
}

void AppendDuration(std::vector<uint8_t>& bytes, uint32_t cycles) {
    if (cycles >= kTwoBytes) bytes.push_back(static_cast<uint8_t>(kTwoBytes | (cycles >> 8)));
    bytes.push_back(static_cast<uint8_t>(cycles & 0xFF));
}

Result<Transmission> TransmissionOf(std::string_view pronto, int repeatCount) {
    const Result<uuirt::ProntoBursts> bursts =
        uuirt::BurstsOf(pronto, repeatCount, kLimits.mostStreamedDurations, kTooMany);
    if (!bursts) return Refused(bursts.reason());
    const double hz = bursts->CarrierHz();
    if (!(hz >= kLimits.lowestCarrierHz && hz <= kLimits.highestCarrierHz)) {
        return Refused(kCarrierOutside);
    }
    // Every word, the final space too: the device keeps quiet for it, so
    // that a code sent next cannot start inside it.
    std::vector<uint32_t> words = bursts->words;
    if (bursts->finalSpace != 0) words.push_back(bursts->finalSpace);
    if (words.size() > kLimits.mostStreamedDurations) return Refused(kTooMany);
    const uint8_t carrier = CarrierByte(hz);
    std::vector<uint8_t> durations;
    uint64_t cycles = 0;
    for (const uint32_t word : words) {
        if (word == 0) return Refused(kZeroDuration);
        if (word > kLimits.mostCycles) return Refused(kTooLong);
        AppendDuration(durations, word);
        cycles += word;
    }
    Transmission sent;
    sent.micros = static_cast<double>(cycles) * carrier * 1e6 / kCarrierClockHz;
    if (sent.micros > kLimits.mostSignalMillis * 1000.0) return Refused(kTooLongInAll);
    sent.streamed = words.size() > kLimits.mostFrameDurations;
    if (sent.streamed) {
        // The command framed on its own; the carrier and the durations
        // follow unframed, and the device closes with a status.
        sent.bytes = Framed(std::span(&kStreamTransmit, 1));
        sent.bytes.push_back(carrier);
    } else {
        // 36 LL FF RR IH IL NN d1 ... dn CS: LL counts what follows it, the
        // checksum included; the gap between repeats is unused for one.
        sent.bytes = {kDoTxRaw,
                      static_cast<uint8_t>(durations.size() + kFrameHeaderSize - 1),
                      carrier,
                      kSendOnce,
                      0,
                      0,
                      static_cast<uint8_t>(durations.size())};
    }
    sent.bytes.insert(sent.bytes.end(), durations.begin(), durations.end());
    if (!sent.streamed) sent.bytes.push_back(ChecksumOf(sent.bytes));
    return sent;
}

std::optional<DeviceVersion> VersionOf(std::span<const uint8_t> reply) {
    if (reply.size() != kVersionReplySize || ChecksumOf(reply) != 0) return std::nullopt;
    DeviceVersion version;
    version.firmware = static_cast<unsigned>(reply[0]) << 8 | reply[1];
    version.protocol = static_cast<unsigned>(reply[2]) << 8 | reply[3];
    version.day = reply[4];
    version.month = reply[5];
    version.year = reply[6];
    if (version.day < 1 || version.day > 31 || version.month < 1 || version.month > 12) {
        return std::nullopt;
    }
    return version;
}

std::optional<size_t> FindReply(std::span<const uint8_t> input, size_t replySize, Mode mode,
                                bool (*valid)(std::span<const uint8_t>)) {
    const size_t step = mode == Mode::Uir ? kUirCodeSize : 1;
    for (size_t at = 0; at + replySize <= input.size(); at += step) {
        if (valid(input.subspan(at, replySize))) return at;
    }
    return std::nullopt;
}

uint32_t HeardSignal::CarrierHz() const {
    if (markCycles == 0 || markUnits == 0) return 0;
    const double hz = static_cast<double>(markCycles) * 1e6 / (markUnits * kWidebandUnitMicros);
    return hz < kLeastCarrierHz || hz > kMostCarrierHz ? 0 : static_cast<uint32_t>(std::lround(hz));
}

void SignalReader::Reset() {
    state_ = State::GapHigh;
    ended_ = false;
    signal_ = {};
}

void SignalReader::Add(uint32_t micros) {
    if (signal_.micros.size() < uuirt::kMaxLearnedDurations) signal_.micros.push_back(micros);
}

bool SignalReader::Take(uint8_t byte) {
    if (ended_) {
        ended_ = false;
        signal_ = {};
    }
    const auto wideband = [](uint32_t units) {
        return static_cast<uint32_t>(std::lround(units * kWidebandUnitMicros));
    };
    const bool raw = form_ == ReceiveForm::Raw;
    switch (state_) {
        case State::GapHigh:
            signal_ = {};
            state_ = State::GapLow;
            break;
        case State::GapLow:
            state_ = State::MarkHigh;
            break;
        case State::MarkHigh:
            if (raw) {
                Add(std::max<uint32_t>(byte, 1) * kRawUnitMicros);
                state_ = State::SpaceHigh;
            } else {
                high_ = byte;
                state_ = State::MarkLow;
            }
            break;
        case State::MarkLow:
            markUnits_ = high_ << 8 | byte;
            Add(wideband(markUnits_));
            state_ = State::CyclesHigh;
            break;
        case State::CyclesHigh:
            if (byte & kTwoBytes) {
                high_ = byte & ~kTwoBytes;
                state_ = State::CyclesLow;
                break;
            }
            high_ = 0;
            [[fallthrough]];
        case State::CyclesLow:
            if (markUnits_ > 0 && signal_.micros.size() < uuirt::kMaxLearnedDurations) {
                signal_.markCycles += high_ << 8 | byte;
                signal_.markUnits += markUnits_;
            }
            state_ = State::SpaceHigh;
            break;
        case State::SpaceHigh:
            if (byte == kSignalEnd) {
                state_ = State::GapHigh;
                ended_ = true;
                return true;
            }
            if (raw) {
                Add(std::max<uint32_t>(byte, 1) * kRawUnitMicros);
                state_ = State::MarkHigh;
            } else {
                high_ = byte;
                state_ = State::SpaceLow;
            }
            break;
        case State::SpaceLow:
            Add(wideband(high_ << 8 | byte));
            state_ = State::MarkHigh;
            break;
    }
    return false;
}

}  // namespace kestrel::usb_uirt
