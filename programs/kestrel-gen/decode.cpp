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
//
//   decode --file FILE|FOLDER [--format FORMAT] [--model MODEL [--dir DIR]]
//
// The codes of a file of another tool (export/code_readers.h; the format
// told by its content unless --format names it), or of every file of a
// folder of ir-ctl files, a block each:
//   code 1 "Power = On": carrier 38381 Hz, 54 durations
//     durations: 2605 -2605 573 -547 ...
//     match: ... and entry: ... as above, an entry's code compared within
//     the decoder's tolerance and its final space (a gap) left out

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "catalogue_session.h"
#include "commands.h"
#include "export/code_readers.h"
#include "export/generate_all.h"
#include "generator/decoder.h"
#include "generator/pronto_reader.h"
#include "learn/decoded_text.h"

namespace kestrel {
namespace {

struct Entry {
    std::string name;
    ProntoCode code;
};

bool SameCode(const ProntoCode& a, const ProntoCode& b) {
    return a.frequencyWord == b.frequencyWord && a.once == b.once && a.repeat == b.repeat;
}

// The code of the value at position (from 0) of the enumeration command
// named name, as a click on the command and then on the value makes it.
Result<std::string> ValueCode(CliSession& session, const std::string& name, int position) {
    session.fields.PickMode(Mode::Discrete);
    session.fields.selectedCommand = name;
    if (const Status clicked =
            session.Play(ClickCommand(session.catalogue, session.fields).outcome);
        !clicked) {
        return Refused(clicked.reason());
    }
    const Status made =
        session.Play(ClickValue(session.catalogue, session.fields, position, session.generator));
    if (!made) return Refused(made.reason());
    if (session.fields.output.empty()) return Refused("No code was generated");
    return session.fields.output;
}

// Every code of the model's catalogue, made as `code` and `remote` make
// them: each enumeration value (by its place, so that two values of one
// label both count); the minimum, middle and maximum of a range command (as
// Gen ALL samples it) and the other values of a range a complete export
// takes whole; each remote button.
std::vector<Entry> CatalogueEntries(CliSession& session) {
    std::vector<Entry> entries;
    const auto add = [&](std::string name, const Result<std::string>& text) {
        if (!text) {
            session.display.ShowMessage(text.reason());
            return;
        }
        Result<ProntoCode> code = ReadProntoCode(*text);
        if (code) entries.push_back({std::move(name), std::move(code).value()});
    };
    const Catalogue& catalogue = session.catalogue;
    ExportOptions everyEntry;
    everyEntry.everyEntry = true;
    for (size_t i = 0; i < catalogue.CommandCount(); ++i) {
        const CommandEntry entry = catalogue.Command(i);
        std::vector<std::string> sampled;
        for (const PlannedSample& sample : SamplesOf(entry, /*ranges=*/true)) {
            if (!sample.value) continue;
            if (sample.rule == SampleRule::Enumeration) {
                add(entry.Name + " = " + sample.label,
                    ValueCode(session, entry.Name, sample.item - 1));
            } else {  // "Level = 0 (minimum of range)"
                const char* which = sample.rule == SampleRule::Minimum  ? "minimum"
                                    : sample.rule == SampleRule::Middle ? "middle"
                                                                        : "maximum";
                add(entry.Name + " = " + *sample.value + " (" + which + " of range)",
                    DiscreteCode(session, entry.Name, *sample.value));
                sampled.push_back(*sample.value);
            }
        }
        std::string note;
        for (const PlannedSample& value : SamplesOf(entry, true, everyEntry, note)) {
            if (value.rule != SampleRule::Value ||
                std::find(sampled.begin(), sampled.end(), *value.value) != sampled.end()) {
                continue;
            }
            add(entry.Name + " = " + *value.value, DiscreteCode(session, entry.Name, *value.value));
        }
    }
    for (size_t i = 0; i < catalogue.RemoteCount(); ++i) {
        const std::string name = catalogue.Remote(i).Name;
        add("remote button " + name, RemoteCode(session, name));
    }
    return entries;
}

std::string Joined(const std::vector<int64_t>& micros) {
    std::string out;
    for (const int64_t duration : micros) {
        out += (out.empty() ? "" : " ") + std::to_string(duration);
    }
    return out;
}

std::string Durations(const std::vector<uint32_t>& words, double periodMicros) {
    return words.empty() ? "none" : Joined(MicrosOf(words, periodMicros));
}

// The "match:" lines of durations, and with entries the "entry:" lines of
// those entries same says are the code.
template <typename Same>
std::string Findings(std::span<const int64_t> micros, CliSession& session,
                     const std::vector<Entry>* entries, Same&& same) {
    std::string out;
    const std::vector<DecodedCode> matches =
        DecodeDurations(micros, session.generator.Protocol(), session.generator.Defines());
    for (const DecodedCode& match : matches)
        out += "  match: " + DecodedText(match) + "\n";
    if (matches.empty()) out += "  match: none\n";
    if (entries) {
        bool named = false;
        for (const Entry& entry : *entries) {
            if (!same(entry.code)) continue;
            out += "  entry: " + entry.name + "\n";
            named = true;
        }
        if (!named) out += "  entry: none\n";
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
    out += Findings(MicrosOf(*code), session, entries,
                    [&](const ProntoCode& entry) { return SameCode(entry, *code); });
    std::cout << out;
    return true;
}

// Durations without a final space: the gap after a code, which formats and
// receivers lengthen, shorten or leave out.
std::span<const int64_t> WithoutGap(std::span<const int64_t> micros) {
    return micros.empty() || micros.back() > 0 ? micros : micros.first(micros.size() - 1);
}

// Whether read durations are an entry's code within the decoder's tolerance,
// the final space left out.
bool SameDurations(std::span<const int64_t> read, const ProntoCode& entry) {
    const std::vector<int64_t> expected = MicrosOf(entry);
    const std::span<const int64_t> a = WithoutGap(read), b = WithoutGap(expected);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if ((a[i] > 0) != (b[i] > 0) || !WithinTolerance(std::llabs(a[i]), std::llabs(b[i]))) {
            return false;
        }
    }
    return true;
}

// The bytes of a file; nothing (after a message) when it cannot be read.
std::optional<std::string> FileText(const std::string& path, Display& display) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    if (!in.good() && !in.eof()) {
        display.ShowMessage("The file '" + path + "' cannot be read");
        return std::nullopt;
    }
    return text;
}

// Prints the codes of the file at path (a folder: of each file in it, as
// ir-ctl files unless format says otherwise); false when a file cannot be
// read or an entry was left out (each said in a message).
bool DecodeFile(const std::string& path, const std::optional<CodeFormat>& format,
                CliSession& session, const std::vector<Entry>* entries) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<std::string> paths;
    if (fs::is_directory(path, error)) {
        for (const fs::directory_entry& file : fs::directory_iterator(path, error)) {
            if (file.is_regular_file(error)) paths.push_back(file.path().string());
        }
        std::sort(paths.begin(), paths.end());
    } else {
        paths.push_back(path);
    }
    bool allRead = true;
    size_t number = 0;
    for (const std::string& file : paths) {
        const std::optional<std::string> text = FileText(file, session.display);
        if (!text) {
            allRead = false;
            continue;
        }
        const std::optional<CodeFormat> read = format             ? format
                                               : paths.size() > 1 ? CodeFormat::IrCtl
                                                                  : DetectCodeFormat(*text);
        if (!read) {
            session.display.ShowMessage("The file '" + file +
                                        "' is in no format decode reads; name one with --format");
            allRead = false;
            continue;
        }
        const CodeFile codes = ReadCodes(*text, *read, file);
        for (const std::string& note : codes.notes)
            session.display.ShowMessage(file + ": " + note);
        allRead = allRead && codes.notes.empty();
        for (const ReadCode& code : codes.codes) {
            const std::vector<int64_t> micros(code.durations.begin(), code.durations.end());
            std::string out =
                "code " + std::to_string(++number) + " " + Quoted(code.name) + ": " +
                (code.carrierHz > 0 ? "carrier " + std::to_string(code.carrierHz) + " Hz, "
                                    : "carrier unknown, ") +
                std::to_string(micros.size()) + " durations\n";
            out += "  durations: " + Joined(micros) + "\n";
            out += Findings(micros, session, entries,
                            [&](const ProntoCode& entry) { return SameDurations(micros, entry); });
            std::cout << out;
        }
    }
    return allRead;
}

}  // namespace

int RunDecode(const CliOptions& options) {
    const std::string model = options.Value("--model");
    const std::string file = options.Value("--file");
    std::optional<CodeFormat> format;
    if (options.Has("--format") && !(format = CodeFormatNamed(options.Value("--format")))) {
        return UsageError(options, "decode reads no format '" + options.Value("--format") + "'");
    }
    if (options.Has("--file") && !options.positional.empty()) {
        return UsageError(options, "--file takes the place of PRONTO arguments");
    }
    CliSession session;
    std::vector<Entry> entries;
    if (options.Has("--model")) {
        session.folder = options.dir;
        session.userFolder = options.userDir;
        if (const Status selected = session.SelectModel(model); !selected) {
            session.display.ShowMessage(selected.reason());
            return kExitRefused;
        }
        entries = CatalogueEntries(session);
    }
    const std::vector<Entry>* named = options.Has("--model") ? &entries : nullptr;

    bool allRead = true;
    if (options.Has("--file")) {
        allRead = DecodeFile(file, format, session, named);
    } else if (!options.positional.empty()) {
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
