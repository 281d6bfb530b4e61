// kestrel-gen identify: which catalogue entries captures of a remote's
// codes are.
//
//   identify [--model MODEL] [--dir DIR] [FILE|-]...
//
// Each file (standard input for "-" or none) is read as mode2 text, ir-ctl
// text, Pronto hex lines or a file of another IR tool that the exports
// write (export_captures.h), one or many captures each. For each capture:
//   capture 1 (power.mode2:3): carrier 38000 Hz, 162 durations
//     frame: 2600 -2600 575 -550 ... 1760 -1760 560
//     heard: 3 times in 3 frames, marks 150 us longer, jitter 12 us, 1 blip
//     match: discrete, device 16 (0x10), function 49 (0x31)
//     match: valuetext, device 16 (0x10), value "1"
//     entry: Tessel10: Power = On
//     code: 0000 006C 001B 0000 ...
// A part of a file that cannot be read is reported as FILE:LINE: REASON on
// standard error; the other captures are still named.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue_session.h"
#include "commands.h"
#include "export_captures.h"
#include "identified_text.h"
#include "learn/capture_readers.h"
#include "learn/identifier.h"
#include "stderr_display.h"

namespace kestrel {
namespace {

// Exit status when every capture was read but one has no entry.
constexpr int kExitNoEntry = 3;

std::string Report(const Capture& capture, size_t number, const Identification& found,
                   int32_t protocolHz) {
    const CleanSignal& signal = found.signal;
    std::ostringstream out;
    out << "capture " << number << " (" << capture.where.Text() << "): carrier "
        << (signal.carrierHz ? std::to_string(*signal.carrierHz) + " Hz" : "unknown") << ", "
        << Plural(static_cast<int64_t>(signal.heard), "duration", "durations") << "\n";
    if (!capture.name.empty()) out << "  name: " << capture.name << "\n";
    return out.str() + IdentifiedText(found, protocolHz);
}

// The bytes of a file, or of standard input for "-".
bool ReadInput(const std::string& name, std::string& text, Display& display) {
    if (name == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), {});
        if (!std::cin.bad()) return true;
    } else {
        std::ifstream in(name, std::ios::binary);
        if (in) text.assign(std::istreambuf_iterator<char>(in), {});
        if (in && !in.bad()) return true;
    }
    display.ShowMessage("Could not read the file '" + name + "': " + std::strerror(errno));
    return false;
}

}  // namespace

int RunIdentify(const CliOptions& options) {
    StderrDisplay display;
    Identifier identifier;
    if (!AddCatalogues(options, identifier, display)) return kExitRefused;

    std::vector<std::string> inputs = options.positional;
    if (inputs.empty()) inputs.push_back("-");
    CaptureReaders readers;
    AddExportReaders(readers);
    bool allRead = true;
    bool allNamed = true;
    size_t number = 0;
    for (const std::string& input : inputs) {
        std::string text;
        if (!ReadInput(input, text, display)) {
            allRead = false;
            continue;
        }
        const CaptureFile file = readers.Read(input, text);
        for (const ReadProblem& problem : file.problems)
            display.ShowMessage(problem.Text());
        if (file.captures.empty() && file.problems.empty()) {
            display.ShowMessage(input + ": no captures");
        }
        allRead = allRead && file.problems.empty() && !file.captures.empty();
        for (const Capture& capture : file.captures) {
            const Identification found = identifier.Identify(capture);
            Show(found.notices, display);
            allNamed = allNamed && found.Named();
            std::cout << Report(capture, ++number, found,
                                identifier.GeneratorUsed().Protocol().CarrierHz);
        }
    }
    std::cout.flush();
    if (!allRead) return kExitRefused;
    return allNamed ? 0 : kExitNoEntry;
}

}  // namespace kestrel
