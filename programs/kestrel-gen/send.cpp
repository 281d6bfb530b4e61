// kestrel-gen send: a code made as `code`, `remote` or `manual` makes it,
// transmitted through the transceiver's driver library.
//
//   send MODEL COMMAND VALUE [--dir DIR]
//   send --remote MODEL BUTTON [--dir DIR]
//   send --manual CODE VALUE [--kind A|D|H|V]

#include <iostream>
#include <optional>
#include <string>

#include "catalogue_session.h"
#include "commands.h"
#include "transmitter/transmitter.h"
#include "util/program_folder.h"

namespace kestrel {
namespace {

constexpr const char* kUsage =
    "usage: kestrel-gen send MODEL COMMAND VALUE [--dir DIR]\n"
    "       kestrel-gen send --remote MODEL BUTTON [--dir DIR]\n"
    "       kestrel-gen send --manual CODE VALUE [--kind A|D|H|V]\n";

int Usage() {
    std::cerr << kUsage;
    return kExitUsage;
}

}  // namespace

int RunSend(const Args& args) {
    enum class Source { Discrete, Remote, Manual } source = Source::Discrete;
    Args rest = args;
    if (!rest.empty() && (rest[0] == "--remote" || rest[0] == "--manual")) {
        source = rest[0] == "--remote" ? Source::Remote : Source::Manual;
        rest.erase(rest.begin());
    }
    CliOptions options;
    const std::vector<std::string> allowed = source == Source::Manual
                                                 ? std::vector<std::string>{"--dir", "--kind"}
                                                 : std::vector<std::string>{"--dir"};
    if (!ParseCliOptions(rest, allowed, options)) return kExitUsage;
    const size_t expected = source == Source::Discrete ? 3 : 2;
    if (options.positional.size() != expected) return Usage();

    CliSession session;
    session.folder = options.dir;
    session.userFolder = options.userDir;
    std::optional<std::string> code;
    switch (source) {
        case Source::Discrete:
            if (!session.SelectModel(options.positional[0])) return kExitRefused;
            code = DiscreteCode(session, options.positional[1], options.positional[2]);
            break;
        case Source::Remote:
            if (!session.SelectModel(options.positional[0])) return kExitRefused;
            code = RemoteCode(session, options.positional[1]);
            break;
        case Source::Manual: {
            const std::optional<ValueKindOption> kind = KindOption(options.kind);
            if (!kind) return Usage();
            code = ManualCode(session, options.positional[0], options.positional[1], *kind);
            break;
        }
    }
    if (!code) return kExitRefused;
    std::cout << *code << '\n';
    std::cout.flush();

    // The window opens the transmitter once at start-up and closes it at
    // Done; a command line run does both around its one code.
    Transmitter transmitter(ProgramFolder());
    const Status opened = transmitter.OpenTransmitter();
    if (!opened) {
        session.display.ShowMessage(opened.reason() + " IR Transmission Disabled.");
        return kExitRefused;
    }
    const Status sent = transmitter.SendPronto(*code);
    transmitter.CloseTransmitter();
    if (!sent) {
        session.display.ShowStatus("Could not transmit data", 0);
        return kExitRefused;
    }
    return 0;
}

}  // namespace kestrel
