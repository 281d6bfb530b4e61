// A USB-UIRT of our own on a pseudo-terminal, for the driver's tests: a
// thread answers on the master side as the device does, and the driver
// opens the slave (Path()) like a /dev/ttyUSB* port.
//
// It checks every frame's checksum (a bad one is answered 0x80), records
// each command it takes, and can answer with an error status, stay silent,
// slip unsolicited UIR codes in around its replies, and play a signal in
// wideband or raw form once the driver asks for that mode. It knows the
// protocol from the device's description, not from the driver's code.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::test {

using Bytes = std::vector<uint8_t>;

// A signal to play: durations in microseconds, mark first, and the carrier
// the marks are counted at.
struct PlayedSignal {
    std::vector<uint32_t> micros;
    uint32_t carrierHz = 38000;
};

class UirtEmulator {
  public:
    // The version answer: firmware 9.5, protocol 1.1, 26 March 2004.
    static constexpr uint8_t kVersion[] = {0x09, 0x05, 0x01, 0x01, 0x1A, 0x03, 0x04, 0xCF};

    UirtEmulator();
    ~UirtEmulator();
    UirtEmulator(const UirtEmulator&) = delete;
    UirtEmulator& operator=(const UirtEmulator&) = delete;

    // The slave's path, /dev/pts/N.
    const std::string& Path() const { return path_; }

    // Every command but GETVERSION answered with this status (0: as the
    // device would).
    void AnswerWith(uint8_t status) { answer_ = status; }
    // No answer at all.
    void StaySilent(bool silent) { silent_ = silent; }
    // A UIR code written before and one after every answer, in UIR mode.
    void SlipUirCodes(bool slip) { slip_ = slip; }
    // Plays the signal once the driver sets wideband or raw mode.
    void Play(const PlayedSignal& signal);

    // The commands taken so far, each with its checksum; a streamed signal
    // as 25 DB followed by the carrier byte and the durations.
    std::vector<Bytes> Frames();
    // When each of them started to come.
    std::vector<std::chrono::steady_clock::time_point> Arrivals();
    // The mode command last taken: 0x20 (UIR, the power-up mode), 0x21 or 0x24.
    uint8_t Mode();

  private:
    void Run();
    void Take(Bytes& input);
    // Answers; a mode command (newMode) changes the mode as it answers.
    void Answer(const Bytes& reply, uint8_t newMode = 0);
    void Send(const Bytes& bytes);
    Bytes Encoded(const PlayedSignal& signal, bool wideband) const;

    int master_ = -1;
    int slave_ = -1;  // kept open so the terminal's settings stay
    std::string path_;
    std::atomic<uint8_t> answer_{0};
    std::atomic<bool> silent_{false};
    std::atomic<bool> slip_{false};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Bytes> frames_;
    std::vector<std::chrono::steady_clock::time_point> arrivals_;
    std::chrono::steady_clock::time_point firstByte_;  // of the command being taken
    uint8_t mode_ = 0x20;
    bool playing_ = false;
    PlayedSignal signal_;
    Bytes stream_;  // a streamed signal being taken
    std::thread thread_;
};

}  // namespace kestrel::test
