// kestrel-gen send: codes made as `code`, `remote` or `manual` make them, or
// read from standard input, transmitted through the transceiver's driver
// library.
//
//   send MODEL COMMAND VALUE [--dir DIR]
//   send --remote MODEL BUTTON [--dir DIR]
//   send --manual CODE VALUE [--kind A|D|H|V]
//   send -                      Pronto lines or pronto requests, one a line
// with --repeat N, --gap MS and --dry-run for any of them, and --driver and
// --device for the transceiver.

#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalogue_session.h"
#include "commands.h"
#include "generator/pronto_reader.h"
#include "transceiver.h"
#include "transmitter/transmitter.h"

namespace kestrel {
namespace {

constexpr int kMaxRepeat = 100;
constexpr int kMaxGapMilliseconds = 60000;

// How often and how far apart the codes go.
struct Sending {
    int repeat = 1;
    int gapMilliseconds = 0;
    bool dryRun = false;
};

// The codes of standard input, one a line (blank lines skipped): a Pronto
// code as it stands, or a pronto request made through one generator.
// Nothing when a line gives no code (each is reported).
std::optional<std::vector<std::string>> CodesFromInput() {
    StderrDisplay display;
    Generator generator;
    ShowNotes(generator.SetupProtocol(), display);
    std::vector<std::string> codes;
    bool allMade = true;
    std::string line;
    for (long number = 1; std::getline(std::cin, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const bool request = line.find('\t') != std::string::npos;
        const Result<std::string> code =
            request ? RequestLine(generator, line, display) : Result<std::string>(line);
        const Result<ProntoCode> read = ReadProntoCode(code ? *code : "");
        if (!code || !read) {
            display.ShowMessage("line " + std::to_string(number) + ": " +
                                (!code ? code.reason() : "not a Pronto code: " + read.reason()));
            allMade = false;
            continue;
        }
        codes.push_back(*code);
    }
    if (!allMade) return std::nullopt;
    return codes;
}

// Sends every code; the status the command ends with.
int Transmit(const std::vector<std::string>& codes, const Sending& sending,
             const DriverLocation& location) {
    // The window opens the transmitter once at start-up and closes it at
    // Done; a command line run does both around its codes.
    Transmitter transmitter(location);
    const Status opened = transmitter.OpenTransmitter();
    if (!opened) {
        StderrDisplay().ShowMessage(opened.reason() + " IR Transmission Disabled.");
        return kExitRefused;
    }
    bool first = true;
    for (const std::string& code : codes) {
        for (int time = 0; time < sending.repeat; ++time) {
            if (!first)
                std::this_thread::sleep_for(std::chrono::milliseconds(sending.gapMilliseconds));
            first = false;
            if (!transmitter.SendPronto(code)) {
                transmitter.CloseTransmitter();
                StderrDisplay().ShowStatus("Could not transmit data", 0);
                return kExitRefused;
            }
        }
    }
    transmitter.CloseTransmitter();
    return 0;
}

}  // namespace

int RunSend(const CliOptions& options) {
    const std::optional<DriverLocation> location = ChosenDriver(options);
    if (!location) return kExitUsage;
    Sending sending;
    const std::optional<int> repeat = NumberOption(options, "--repeat", 1, 1, kMaxRepeat);
    if (!repeat) return kExitUsage;
    const std::optional<int> gap = NumberOption(options, "--gap", 0, 0, kMaxGapMilliseconds);
    if (!gap) return kExitUsage;
    sending = {*repeat, *gap, options.Has("--dry-run")};

    std::vector<std::string> codes;
    if (options.positional.size() == 1 && options.positional[0] == "-") {
        if (options.Has("--remote") || options.Has("--manual")) {
            return UsageError(options,
                              "send - reads its codes from standard input; "
                              "--remote and --manual do not apply");
        }
        std::optional<std::vector<std::string>> read = CodesFromInput();
        if (!read) return kExitRefused;
        codes = std::move(*read);
    } else {
        if (options.Has("--remote") && options.Has("--manual")) {
            return UsageError(options, "--remote and --manual exclude each other");
        }
        const CodeSource source = options.Has("--remote")   ? CodeSource::Remote
                                  : options.Has("--manual") ? CodeSource::Manual
                                                            : CodeSource::Discrete;
        const MadeCode made = MakeCode(source, options);
        if (made.status != 0) return made.status;
        codes.push_back(made.code);
    }
    for (const std::string& code : codes)
        std::cout << code << '\n';
    std::cout.flush();
    if (sending.dryRun) {
        StderrDisplay().ShowMessage("dry run: " + std::to_string(codes.size()) +
                                    (codes.size() == 1 ? " code" : " codes") +
                                    " above, each sent " + std::to_string(sending.repeat) +
                                    (sending.repeat == 1 ? " time" : " times") + ", " +
                                    std::to_string(sending.gapMilliseconds) +
                                    " ms apart; the driver library was not opened");
        return 0;
    }
    return Transmit(codes, sending, *location);
}

}  // namespace kestrel
