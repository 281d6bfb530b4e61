// kestrel-gen identify: which catalogue entries captures of a remote's
// codes are.
//
//   identify [--model MODEL] [--dir DIR] [FILE|-]...
//
// Each file (standard input for "-" or none) is read as mode2 text, ir-ctl
// text or Pronto hex lines, one or many captures each. For each capture:
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
#include "decoded_text.h"
#include "learn/capture_readers.h"
#include "learn/identifier.h"
#include "stderr_display.h"

namespace kestrel {
namespace {

// Exit status when every capture was read but one has no entry.
constexpr int kExitNoEntry = 3;

std::string Plural(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

void ReportCode(const HeardCode& code, const CleanSignal& signal, std::ostringstream& out) {
    out << "  frame:";
    for (const int64_t d : code.frame.durations)
        out << ' ' << d;
    int frames = 0;
    for (const CleanFrame& f : signal.frames)
        frames += f.count;
    out << "\n  heard: " << Plural(code.frame.count, "time", "times") << " in "
        << Plural(frames, "frame", "frames") << ", marks " << signal.markExcessMicros
        << " us longer, jitter " << signal.jitterMicros << " us, "
        << Plural(signal.spikes, "blip", "blips") << "\n";
    for (const DecodedCode& d : code.decoded)
        out << "  match: " << DecodedText(d) << "\n";
    if (code.decoded.empty()) out << "  match: none\n";
    std::vector<std::string> codes;
    for (const CatalogueEntry& entry : code.entries) {
        out << "  entry: " << entry.Name() << "\n";
        if (std::find(codes.begin(), codes.end(), entry.code) == codes.end()) {
            codes.push_back(entry.code);
        }
    }
    if (code.entries.empty()) out << "  entry: none\n";
    for (const NearEntry& near : code.nearest) {
        out << "  nearest: " << near.entry->Name() << " ("
            << Plural(near.bits, "bit differs", "bits differ") << ")\n";
    }
    for (const std::string& text : codes)
        out << "  code: " << text << "\n";
}

std::string Report(const Capture& capture, size_t number, const Identification& found,
                   int32_t protocolHz) {
    const CleanSignal& signal = found.signal;
    std::ostringstream out;
    out << "capture " << number << " (" << capture.where.Text() << "): carrier "
        << (signal.carrierHz ? std::to_string(*signal.carrierHz) + " Hz" : "unknown") << ", "
        << Plural(static_cast<int64_t>(signal.heard), "duration", "durations") << "\n";
    if (!capture.name.empty()) out << "  name: " << capture.name << "\n";
    if (found.carrierDiffers) {
        out << "  note: the carrier is more than " << kCarrierTolerancePercent
            << " % away from the protocol's " << protocolHz << " Hz\n";
    }
    if (found.separatorMicros != kCaptureGapMicros) {
        out << "  note: frames cut at spaces of " << found.separatorMicros << " us\n";
    }
    if (found.codes.empty()) out << "  frame: none\n  match: none\n  entry: none\n";
    for (const HeardCode& code : found.codes)
        ReportCode(code, signal, out);
    return out.str();
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
    const std::string model = options.Value("--model");
    StderrDisplay display;
    const auto show = [&display](const std::vector<Notice>& notices) {
        for (const Notice& notice : notices)
            Show(notice, display);
    };
    Identifier identifier;
    const std::vector<ModelSource> models = ListModels(options.dir, options.userDir);
    if (options.Has("--model")) {
        const Result<std::vector<Notice>> added =
            identifier.AddModel(model, ModelFolder(models, model, options.dir));
        if (!added) {
            display.ShowMessage(added.reason());
            return kExitRefused;
        }
        show(*added);
    } else {
        for (const ModelSource& model : models) {
            const Result<std::vector<Notice>> added = identifier.AddModel(model.name, model.folder);
            if (added) {
                show(*added);
            } else {
                display.ShowMessage(added.reason());
            }
        }
        if (identifier.Indexes().empty()) {
            display.ShowMessage("kestrel-gen: no device files in " + options.dir);
            return kExitRefused;
        }
    }

    std::vector<std::string> inputs = options.positional;
    if (inputs.empty()) inputs.push_back("-");
    const CaptureReaders readers;
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
            show(found.notices);
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
