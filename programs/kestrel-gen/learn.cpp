// kestrel-gen learn: a code heard from a remote through the transceiver,
// named as identify names a capture.
//
//   learn [--model MODEL] [--dir DIR] [--count N] [--timeout S]
//         [--driver NAME|FILE] [--device FILE]
//
// Each press gives a block:
//   press 1: carrier 38000 Hz, 68 durations
//     pronto: 0000 006D 0022 0002 ...
//     frame: ...
//     match: discrete, device 16 (0x10), function 49 (0x31)
//     entry: Tessel10: Power = On
//     code: 0000 006C ...
// and with --count, a last line "presses: N agree" or one
// "press N differs from press 1: ..." for each press that decodes otherwise.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "identified_text.h"
#include "learn/capture_readers.h"
#include "learn/decoded_text.h"
#include "stderr_display.h"
#include "transceiver.h"
#include "transmitter/transmitter.h"

namespace kestrel {
namespace {

constexpr int kMaxCount = 100;
constexpr int kMaxTimeoutSeconds = 3600;
constexpr int kDefaultTimeoutSeconds = 30;

// The abort flag Ctrl-C sets. A signal handler can reach nothing else; it
// is set before the handler is installed and the handler only stores to it.
int* interruptFlag = nullptr;

extern "C" void OnInterrupt(int) {
    if (interruptFlag != nullptr) __atomic_store_n(interruptFlag, 1, __ATOMIC_RELEASE);
}

// Ctrl-C asks abort while the guard lives; a second Ctrl-C ends the program
// as it always would.
class InterruptGuard {
  public:
    explicit InterruptGuard(LearnAbort& abort) {
        interruptFlag = abort.Flag();
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptGuard() {
        sigaction(SIGINT, &previous_, nullptr);
        interruptFlag = nullptr;
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    struct sigaction previous_ {};
};

// Asks abort when seconds pass before the deadline is destroyed; 0 seconds
// never asks.
class Deadline {
  public:
    Deadline(LearnAbort& abort, int seconds) {
        if (seconds <= 0) return;
        watcher_ = std::thread([this, &abort, seconds] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!ended_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
                expired_ = true;
                abort.Ask();
            }
        });
    }
    ~Deadline() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ended_.notify_all();
        if (watcher_.joinable()) watcher_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    bool Expired() {
        std::lock_guard<std::mutex> lock(mutex_);
        return expired_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    bool expired_ = false;
    std::thread watcher_;
};

// What a press decodes as, for comparing presses: the fields of every code
// heard, or "nothing decodable".
std::string FieldsOf(const Identification& found) {
    std::string fields;
    for (const HeardCode& code : found.codes) {
        for (const DecodedCode& decoded : code.decoded)
            fields += (fields.empty() ? "" : "; ") + DecodedText(decoded);
    }
    return fields.empty() ? "nothing decodable" : fields;
}

// The lines a learned code gives, headed by its press.
std::string PressReport(int press, const std::string& pronto, const Identification& found,
                        int32_t protocolHz) {
    const CleanSignal& signal = found.signal;
    return "press " + std::to_string(press) + ": carrier " +
           (signal.carrierHz ? std::to_string(*signal.carrierHz) + " Hz" : "unknown") + ", " +
           Plural(static_cast<int64_t>(signal.heard), "duration", "durations") +
           "\n  pronto: " + pronto + "\n" + IdentifiedText(found, protocolHz);
}

}  // namespace

int RunLearn(const CliOptions& options) {
    if (!options.positional.empty()) return ArgumentCountError(options, "no argument");
    const std::optional<int> count = NumberOption(options, "--count", 1, 1, kMaxCount);
    if (!count) return kExitUsage;
    const std::optional<int> timeout =
        NumberOption(options, "--timeout", kDefaultTimeoutSeconds, 0, kMaxTimeoutSeconds);
    if (!timeout) return kExitUsage;
    const std::optional<DriverLocation> location = ChosenDriver(options);
    if (!location) return kExitUsage;

    StderrDisplay display;
    Identifier identifier;
    if (!AddCatalogues(options, identifier, display)) return kExitRefused;

    Transmitter transmitter(*location);
    if (const Status opened = transmitter.OpenTransmitter(); !opened) {
        display.ShowMessage(opened.reason());
        return kExitRefused;
    }
    if (!transmitter.CanLearn()) {
        transmitter.CloseTransmitter();
        display.ShowMessage(kCannotLearnText);
        return kExitRefused;
    }

    const bool terminal = isatty(STDERR_FILENO) == 1;
    const LearnProgress progress = [terminal](unsigned percent, unsigned quality,
                                              unsigned long carrierHz) {
        if (!terminal) return;
        std::fprintf(stderr, "\r  heard %3u %%, signal %3u %%", percent, quality);
        if (carrierHz != 0) std::fprintf(stderr, ", carrier %lu Hz", carrierHz);
        std::fflush(stderr);
    };
    LearnAbort abort;
    InterruptGuard interrupt(abort);
    std::vector<std::string> fields;
    for (int press = 1; press <= *count; ++press) {
        if (terminal) {
            std::fprintf(stderr, "kestrel-gen: press a button of the remote (%d of %d)\n", press,
                         *count);
        }
        Result<std::string> learned = Refused("");
        bool expired = false;
        {
            Deadline deadline(abort, *timeout);
            learned = transmitter.LearnPronto(abort, progress);
            expired = deadline.Expired();
        }
        // A deadline that passed just as the code came asks nothing of the
        // next press.
        if (learned && expired) abort.Reset();
        if (terminal) std::fputs("\n", stderr);
        if (!learned) {
            transmitter.CloseTransmitter();
            display.ShowMessage(expired ? "no code heard within " +
                                              Plural(*timeout, "second", "seconds")
                                        : learned.reason());
            return kExitRefused;
        }
        const Result<Capture> capture = CaptureOfPronto(*learned, {"press", press});
        if (!capture) {
            transmitter.CloseTransmitter();
            display.ShowMessage("the driver's code is not a Pronto code: " + capture.reason());
            return kExitRefused;
        }
        const Identification found = identifier.Identify(*capture);
        Show(found.notices, display);
        std::cout << PressReport(press, *learned, found,
                                 identifier.GeneratorUsed().Protocol().CarrierHz);
        std::cout.flush();
        fields.push_back(FieldsOf(found));
    }
    transmitter.CloseTransmitter();

    if (*count > 1) {
        bool agree = true;
        for (size_t i = 1; i < fields.size(); ++i) {
            if (fields[i] == fields[0]) continue;
            agree = false;
            std::cout << "press " << i + 1 << " differs from press 1: " << fields[i]
                      << " instead of " << fields[0] << "\n";
        }
        if (agree) std::cout << "presses: " << *count << " agree\n";
    }
    return 0;
}

}  // namespace kestrel
