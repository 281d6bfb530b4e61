// The USB-UIRT's serial protocol as pure functions: frames and their
// checksum, the transmit frames made from Pronto text, the version answer,
// where a reply lies among unsolicited input, and the learn stream read
// back into durations. No file descriptors here; uirt_device.cpp does the
// I/O, and the tests and the fuzz target call these directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace kestrel::usb_uirt {

// What the device takes and how long it is waited for. The sources agree on
// how frames are laid out but not on these numbers, so they all live here,
// for whoever tries real hardware to correct (README, "USB-UIRT on Linux").
struct DeviceLimits {
    // One duration in carrier cycles: the two-byte form holds 15 bits.
    uint32_t mostCycles;
    // Durations sent in one DOTXRAW frame; longer signals are streamed. The
    // proposed kernel driver's limit: the frame stays within one 64-byte
    // USB packet even when every duration takes two bytes.
    size_t mostFrameDurations;
    // Durations of one streamed signal: what the kernel hands an IR driver
    // in one transmission, and what the LIRC driver here sends in one write.
    size_t mostStreamedDurations;
    // The longest signal sent at once, final space included: far beyond any
    // remote's code, and a send never holds the device for minutes.
    int mostSignalMillis;
    // The carriers the device is asked for: the kernel driver's range; the
    // carrier byte round(2,500,000 / Hz) then stays within 7 bits (5-125).
    uint32_t lowestCarrierHz;
    uint32_t highestCarrierHz;
    // The version answer at open: a device silent this long is not there.
    int versionMillis;
    // Any other reply (LIRC waits a second for a result).
    int replyMillis;
    // Beyond the signal's own length, the wait for a streamed signal's
    // closing status (writes are paced by CTS while the device sends).
    int streamEndMillis;
    // Input is discarded before a command until the line has been quiet
    // this long: the FTDI chip passes on what it holds at least every 16 ms
    // (its default latency timer), so the tail of a code in flight shows.
    int quietMillis;
    // ... but never for longer than this, when a remote keeps sending.
    int mostDiscardMillis;
    // Learning: a signal that stops this long before its end is dropped.
    int signalStallMillis;
    // Learning: how often the abort flag is looked at.
    int learnSliceMillis;
};

inline constexpr DeviceLimits kLimits = {
    .mostCycles = 0x7FFF,
    .mostFrameDurations = 24,
    .mostStreamedDurations = 1024,
    .mostSignalMillis = 10000,
    .lowestCarrierHz = 20000,
    .highestCarrierHz = 500000,
    .versionMillis = 1000,
    .replyMillis = 1000,
    .streamEndMillis = 1000,
    .quietMillis = 20,
    .mostDiscardMillis = 250,
    .signalStallMillis = 500,
    .learnSliceMillis = 20,
};

// Commands; each frame ends with its checksum.
inline constexpr uint8_t kSetModeUir = 0x20;       // the power-up mode: a code per remote key
inline constexpr uint8_t kSetModeRaw = 0x21;       // received signals in 50 us units
inline constexpr uint8_t kGetVersion = 0x23;       // answered by kVersionReplySize bytes
inline constexpr uint8_t kSetModeWideband = 0x24;  // received signals with their carrier
inline constexpr uint8_t kStreamTransmit = 0x25;   // carrier byte, then durations paced by CTS
inline constexpr uint8_t kDoTxRaw = 0x36;          // a whole signal in one frame

// Status replies.
inline constexpr uint8_t kTransmitting = 0x20;
inline constexpr uint8_t kCommandOk = 0x21;
inline constexpr uint8_t kChecksumError = 0x80;
inline constexpr uint8_t kTimeoutError = 0x81;
inline constexpr uint8_t kCommandError = 0x82;

// The bytes of the unsolicited code the device sends in UIR mode.
inline constexpr size_t kUirCodeSize = 6;
inline constexpr size_t kVersionReplySize = 8;

// The device's modes. UIR is the mode it powers up in.
enum class Mode { Uir, Raw, Wideband };

inline bool IsStatus(uint8_t byte) {
    return byte == kTransmitting || byte == kCommandOk || byte == kChecksumError ||
           byte == kTimeoutError || byte == kCommandError;
}

// What a status byte says, for messages and the trace.
const char* StatusText(uint8_t status);

// The checksum byte that makes the bytes and it sum to 0 modulo 256.
uint8_t ChecksumOf(std::span<const uint8_t> bytes);

// The bytes followed by their checksum.
std::vector<uint8_t> Framed(std::span<const uint8_t> bytes);

// The two-byte frame of a mode command.
std::vector<uint8_t> ModeFrame(Mode mode);

// The carrier byte of a modulated carrier: round(2,500,000 / hz).
uint8_t CarrierByte(double hz);

// Appends a duration of 1 to kLimits.mostCycles cycles: one byte up to
// 127, else two bytes, high byte first with 0x80 set on it.
void AppendDuration(std::vector<uint8_t>& bytes, uint32_t cycles);

// What UUIRTTransmitIR writes for a code.
struct Transmission {
    // A DOTXRAW frame, or the streaming command followed by the durations.
    std::vector<uint8_t> bytes;
    bool streamed = false;
    // How long the device sends at its own carrier, the code's final space
    // included: the time before the next code may start.
    double micros = 0;
};

// The transmission of a learned Pronto code sent repeatCount times (see
// BurstsOf in pronto_bursts.h): each burst word, the final space included
// (unless it is 0), is copied as the count of carrier cycles it is. Refused
// when the text is not such a code, its carrier lies outside the limits, a
// duration is zero or above kLimits.mostCycles, or the signal holds more
// durations, or lasts longer, than kLimits allows.
Result<Transmission> TransmissionOf(std::string_view pronto, int repeatCount);

// The device's version answer.
struct DeviceVersion {
    unsigned int firmware = 0;  // high byte major, low byte minor
    unsigned int protocol = 0;
    uint8_t day = 0;
    uint8_t month = 0;
    uint8_t year = 0;  // counted from 2000
};

// The answer to GETVERSION: kVersionReplySize bytes that sum to 0, with a
// day of 1-31 and a month of 1-12; nothing else.
std::optional<DeviceVersion> VersionOf(std::span<const uint8_t> reply);

// Where a reply of replySize bytes starts in the input read after a
// command; nothing until it is all there. In UIR mode the device may send
// a whole code of kUirCodeSize bytes before its reply, so a reply is looked
// for at multiples of kUirCodeSize; in other modes at any place. The first
// place whose bytes valid accepts is taken.
std::optional<size_t> FindReply(std::span<const uint8_t> input, size_t replySize, Mode mode,
                                bool (*valid)(std::span<const uint8_t>));

// How the device reports a received signal.
enum class ReceiveForm {
    // Per mark a 16-bit duration in 400 ns units and its carrier cycles,
    // per space a 16-bit duration.
    Wideband,
    // One byte per duration in 50 us units.
    Raw,
};

// A signal the device reported.
struct HeardSignal {
    std::vector<uint32_t> micros;  // mark first, alternating; ends with a mark
    uint64_t markCycles = 0;       // carrier cycles counted over the marks (wideband)
    uint64_t markUnits = 0;        // and the length of those marks, in 400 ns units

    // The carrier the marks show; 0 when they show none or one outside
    // 10 kHz-1 MHz (a broken report).
    uint32_t CarrierHz() const;
};

// Reads the device's learn stream one byte at a time. Each signal comes as
// a 2-byte gap, then its durations, and 0xFF where a space would start
// ends it. A signal is kept to kMaxLearnedDurations durations.
class SignalReader {
  public:
    explicit SignalReader(ReceiveForm form) : form_(form) {}

    // Takes the next byte; true when it ended a signal, which signal()
    // then holds until the next Take.
    bool Take(uint8_t byte);
    const HeardSignal& signal() const { return signal_; }
    // Whether part of a signal has come.
    bool Hearing() const { return state_ != State::GapHigh; }
    // Drops what came of the current signal.
    void Reset();

  private:
    enum class State {
        GapHigh,
        GapLow,
        MarkHigh,
        MarkLow,
        CyclesHigh,
        CyclesLow,
        SpaceHigh,
        SpaceLow
    };
    void Add(uint32_t micros);

    ReceiveForm form_;
    State state_ = State::GapHigh;
    bool ended_ = false;
    uint32_t high_ = 0;
    uint32_t markUnits_ = 0;
    HeardSignal signal_;
};

}  // namespace kestrel::usb_uirt
