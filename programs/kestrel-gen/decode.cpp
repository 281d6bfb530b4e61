// kestrel-gen decode: what Pronto lines carry, read back through the
// protocol's forms, and which catalogue entries of a model make them.
//
//   decode [--model MODEL [--dir DIR]] [PRONTO ...]
//
// For each line (an argument, or a line of standard input when there are
// none; blank input lines are skipped):
//   line 1: carrier 38378 Hz, 54 durations
//     once: 2605 -2605 573 -547 ...
//     repeat: none
//     match: discrete, device 16 (0x10), function 49 (0x31)
//     match: valuetext, device 16 (0x10), value "1"
//     entry: Power = On
// "match: none" when no form matches; with --model, one "entry:" line per
// catalogue entry whose code equals the line's, or "entry: none".

#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/generate_all.h"
#include "catalogue_session.h"
#include "commands.h"
#include "generator/decoder.h"
#include "generator/pronto_reader.h"

namespace kestrel {
namespace {

struct Entry {
    std::string name;
    ProntoCode code;
};

bool SameCode(const ProntoCode& a, const ProntoCode& b) {
    return a.frequencyWord == b.frequencyWord && a.once == b.once && a.repeat == b.repeat;
}

// Every code of the model's catalogue, made as `code` and `remote` make
// them: each enumeration value; the minimum, middle and maximum of a range
// command (as Gen ALL samples it); each remote button.
std::vector<Entry> CatalogueEntries(CliSession& session) {
    std::vector<Entry> entries;
    const auto add = [&](std::string name, const std::optional<std::string>& text) {
        if (!text) return;
        Result<ProntoCode> code = ReadProntoCode(*text);
        if (code) entries.push_back({std::move(name), std::move(code).value()});
    };
    const Catalogue& catalogue = session.catalogue;
    for (int i = 1; i <= catalogue.CommandCount(); ++i) {
        const CommandEntry entry = catalogue.Command(i);
        for (const PlannedSample& sample : SamplesOf(entry, /*ranges=*/true)) {
            if (!sample.value) continue;
            if (sample.rule == SampleRule::Enumeration) {
                add(entry.Name + " = " + sample.label,
                    DiscreteCode(session, entry.Name, sample.label));
            } else {  // "Level = 0 (minimum of range)"
                const char* which = sample.rule == SampleRule::Minimum  ? "minimum"
                                    : sample.rule == SampleRule::Middle ? "middle"
                                                                        : "maximum";
                add(entry.Name + " = " + *sample.value + " (" + which + " of range)",
                    DiscreteCode(session, entry.Name, *sample.value));
            }
        }
    }
    for (int i = 1; i <= catalogue.RemoteCount(); ++i) {
        const std::string name = catalogue.Remote(i).Name;
        add("remote button " + name, RemoteCode(session, name));
    }
    return entries;
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// A value text in double quotes; quotes, backslashes and bytes outside
// printable ASCII escaped.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte > 0x7E) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Durations(const std::vector<uint32_t>& words, double periodMicros) {
    if (words.empty()) return "none";
    std::string out;
    for (const int64_t micros : MicrosOf(words, periodMicros)) {
        out += (out.empty() ? "" : " ") + std::to_string(micros);
    }
    return out;
}

// Prints what line number carries; false when it is no Pronto code.
bool DecodeLine(const std::string& line, size_t number, CliSession& session,
                const std::vector<Entry>* entries) {
    const Result<ProntoCode> code = ReadProntoCode(line);
    if (!code) {
        session.display.ShowMessage("Line " + std::to_string(number) +
                                    " is not a Pronto code: " + code.reason());
        return false;
    }
    std::string out = "line " + std::to_string(number) + ": carrier " +
                      std::to_string(std::lround(code->CarrierHz())) + " Hz, " +
                      std::to_string(code->Count()) + " durations\n";
    out += "  once: " + Durations(code->once, code->PeriodMicros()) + "\n";
    out += "  repeat: " + Durations(code->repeat, code->PeriodMicros()) + "\n";
    const std::vector<DecodedCode> matches =
        DecodeDurations(MicrosOf(*code), session.generator.Protocol(), session.generator.Defines());
    for (const DecodedCode& match : matches) {
        out += std::string("  match: ") + FormWord(match.form) + ", device " +
               std::to_string(match.device) + " (" + Hex(match.device) + "), ";
        out += match.form == BuiltInForm::ValueText ? "value " + Quoted(match.valueText)
                                                    : "function " + std::to_string(match.function) +
                                                          " (" + Hex(match.function) + ")";
        out += "\n";
    }
    if (matches.empty()) out += "  match: none\n";
    if (entries) {
        bool named = false;
        for (const Entry& entry : *entries) {
            if (!SameCode(entry.code, *code)) continue;
            out += "  entry: " + entry.name + "\n";
            named = true;
        }
        if (!named) out += "  entry: none\n";
    }
    std::cout << out;
    return true;
}

}  // namespace

int RunDecode(const CliOptions& options) {
    const std::string model = options.Value("--model");
    CliSession session;
    std::vector<Entry> entries;
    if (options.Has("--model")) {
        session.folder = options.dir;
        session.userFolder = options.userDir;
        if (!session.SelectModel(model)) return kExitRefused;
        entries = CatalogueEntries(session);
    }
    const std::vector<Entry>* named = options.Has("--model") ? &entries : nullptr;

    bool allRead = true;
    if (!options.positional.empty()) {
        for (size_t i = 0; i < options.positional.size(); ++i) {
            allRead = DecodeLine(options.positional[i], i + 1, session, named) && allRead;
        }
    } else {
        std::string line;
        for (size_t number = 1; std::getline(std::cin, line); ++number) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            allRead = DecodeLine(line, number, session, named) && allRead;
        }
    }
    return allRead ? 0 : kExitRefused;
}

}  // namespace kestrel
