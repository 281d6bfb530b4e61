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
    CodeSource source = CodeSource::Discrete;
    Args rest = args;
    if (!rest.empty() && (rest[0] == "--remote" || rest[0] == "--manual")) {
        source = rest[0] == "--remote" ? CodeSource::Remote : CodeSource::Manual;
        rest.erase(rest.begin());
    }
    CliOptions options;
    if (!ParseCliOptions(rest, SourceOptions(source), options)) return kExitUsage;
    const MadeCode made = MakeCode(source, options);
    if (made.status == kExitUsage) return Usage();
    if (made.status != 0) return made.status;
    const std::string& code = made.code;
    std::cout << code << '\n';
    std::cout.flush();

    // The window opens the transmitter once at start-up and closes it at
    // Done; a command line run does both around its one code.
    Transmitter transmitter(ProgramFolder());
    const Status opened = transmitter.OpenTransmitter();
    if (!opened) {
        StderrDisplay().ShowMessage(opened.reason() + " IR Transmission Disabled.");
        return kExitRefused;
    }
    const Status sent = transmitter.SendPronto(code);
    transmitter.CloseTransmitter();
    if (!sent) {
        StderrDisplay().ShowStatus("Could not transmit data", 0);
        return kExitRefused;
    }
    return 0;
}

}  // namespace kestrel
