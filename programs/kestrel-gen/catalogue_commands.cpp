// The catalogue subcommands of kestrel-gen: models, show, code, remote,
// manual and export. Each works through the same objects and field record
// as the window, so what it prints or writes equals what the window shows or
// writes for the same clicks.

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "catalogue_session.h"
#include "commands.h"
#include "export/format_writers.h"
#include "export/generate_all.h"
#include "export/output_file.h"
#include "launcher/launch_app.h"
#include "util/file_writer.h"
#include "util/hex.h"
#include "util/json_text.h"
#include "util/numbers.h"
#include "util/program_folder.h"
#include "util/text.h"

namespace kestrel {
namespace {

// Prints a generated code, or shows why it was refused.
int PrintCode(CliSession& session, const Result<std::string>& code) {
    if (!code) {
        session.display.ShowMessage(code.reason());
        return kExitRefused;
    }
    std::cout << *code << '\n';
    return 0;
}

// Starts a session for the options and picks the model; false after the
// reason when it cannot be loaded.
bool OpenModel(CliSession& session, const CliOptions& options, const std::string& model) {
    session.folder = options.dir;
    session.userFolder = options.userDir;
    const Status selected = session.SelectModel(model);
    if (!selected) session.display.ShowMessage(selected.reason());
    return selected.ok();
}

std::string FlagsText(const CommandEntry& e) {
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (e.IsEnumeration()) add("enumeration");
    if (e.HasRange()) {
        add(std::string(e.IsInteger() ? "integer" : "real") + " range " + e.Range.Min + " to " +
            e.Range.Max);
    }
    if (text.empty()) text = "query (not sent by IR)";
    return text;
}

// The options of a complete export; nothing (after a message) for a value
// that does not fit.
// The options of a complete export; none (after a usage error) when one of
// them takes no such value.
std::optional<ExportOptions> ExportOptionsOf(const CliOptions& options) {
    ExportOptions out;
    const auto fail = [&](const std::string& option) {
        UsageError(options, option + " does not take '" + options.Value(option) + "'");
        return std::nullopt;
    };
    const std::string entries = options.Value("--entries");
    if (entries == "all") {
        out.everyEntry = true;
    } else if (options.Has("--entries") && entries != "samples") {
        return fail("--entries");
    }
    const std::string names = options.Value("--names");
    if (names == "key") {
        out.names = NameStyle::Key;
    } else if (options.Has("--names") && names != "caption") {
        return fail("--names");
    }
    if (options.Has("--step")) {
        double step = 0;
        if (!IsNumericText(options.Value("--step"), &step) || !(step > 0) || !std::isfinite(step)) {
            return fail("--step");
        }
        out.step = step;
    }
    out.raw = options.Has("--raw");
    return out;
}

std::string OrNone(const std::string& text) {
    return text.empty() ? "(none)" : text;
}

std::string JsonList(const std::vector<std::string>& items, const std::string& indent) {
    if (items.empty()) return "[]";
    std::string out = "[\n";
    for (size_t i = 0; i < items.size(); ++i)
        out += indent + "  " + items[i] + (i + 1 < items.size() ? ",\n" : "\n");
    return out + indent + "]";
}

// show --json: the catalogue as one object (the schema is in kestrel-gen(1)).
std::string CatalogueJson(const Catalogue& catalogue) {
    std::vector<std::string> commands;
    for (const CommandEntry& e : catalogue.Commands()) {
        std::string values = "null";
        if (e.IsEnumeration()) {
            std::vector<std::string> items;
            for (const EnumValue& value : e.Values) {
                items.push_back("{\"code\": " + std::to_string(value.Code) +
                                ", \"label\": " + JsonString(value.Label) + "}");
            }
            values = JsonList(items, "      ");
        }
        std::string range = "null";
        if (e.HasRange()) {
            range = "{\"min\": " + JsonString(e.Range.Min) +
                    ", \"max\": " + JsonString(e.Range.Max) +
                    ", \"integer\": " + (e.IsInteger() ? "true" : "false") + "}";
        }
        commands.push_back(
            "{\n      \"name\": " + JsonString(e.Name) +
            ",\n      \"functionCode\": {\"hex\": " + JsonString(e.FunctionCode) +
            ", \"decimal\": " + std::to_string(ParseHexInt32(e.FunctionCode).value_or(0)) +
            "},\n      \"values\": " + values + ",\n      \"range\": " + range + "\n    }");
    }
    std::vector<std::string> buttons;
    for (const RemoteEntry& button : catalogue.RemoteCodes()) {
        buttons.push_back("{\"name\": " + JsonString(button.Name) +
                          ", \"code\": " + JsonString(button.Code) + "}");
    }
    return "{\n  \"model\": " + JsonString(catalogue.ModelName) +
           ",\n  \"firmware\": " + JsonString(catalogue.ModelFirmware) +
           ",\n  \"options\": " + JsonString(catalogue.ModelOptions) +
           ",\n  \"manualAllowed\": " + (catalogue.AllowManual ? "true" : "false") +
           ",\n  \"commands\": " + JsonList(commands, "  ") +
           ",\n  \"remoteButtons\": " + JsonList(buttons, "  ") + "\n}\n";
}

// What export writes besides FILE (the .ccf kind's listing and temporary
// file): false, after the message, when it would replace a listing that
// --force does not allow it to.
bool CompanionsMayBeWritten(const std::vector<CompanionFile>& companions, bool force,
                            StderrDisplay& display) {
    for (const CompanionFile& companion : companions) {
        std::error_code error;
        if (companion.temporary || force || !std::filesystem::exists(companion.path, error)) {
            continue;
        }
        display.ShowMessage("'" + companion.path + "' (" + std::string(companion.role) +
                            ") exists; give --force to replace it");
        return false;
    }
    return true;
}

// A run whose messages go to standard error as they arise.
class ShownRun : public GenerateAllObserver {
  public:
    explicit ShownRun(Display& display) : display_(display) {}
    void Show(const Notice& notice) override { kestrel::Show(notice, display_); }

  private:
    Display& display_;
};

}  // namespace

int RunModels(const CliOptions& options) {
    if (!options.positional.empty()) return ArgumentCountError(options, "no argument");
    std::error_code error;
    if (!std::filesystem::is_directory(options.dir, error)) {
        StderrDisplay().ShowMessage("The folder '" + options.dir + "' cannot be read");
        return kExitRefused;
    }
    const std::vector<ModelSource> models = ListModels(options.dir, options.userDir);
    if (options.Has("--json")) {
        std::vector<std::string> items;
        for (const ModelSource& model : models) {
            items.push_back("{\"name\": " + JsonString(model.name) +
                            ", \"folder\": " + JsonString(model.folder) + "}");
        }
        std::cout << "{\n  \"models\": " << JsonList(items, "  ") << "\n}\n";
        return 0;
    }
    for (const ModelSource& model : models)
        std::cout << model.name << '\n';
    return 0;
}

int RunShow(const CliOptions& options) {
    if (options.positional.size() != 1) return ArgumentCountError(options, "MODEL");
    CliSession session;
    if (!OpenModel(session, options, options.positional[0])) return kExitRefused;
    const Catalogue& catalogue = session.catalogue;
    if (options.Has("--json")) {
        std::cout << CatalogueJson(catalogue);
        return 0;
    }
    std::string out;
    out += "Model: " + OrNone(catalogue.ModelName) + "\n";
    out += "Firmware: " + OrNone(catalogue.ModelFirmware) + "\n";
    out += "Options: " + OrNone(catalogue.ModelOptions) + "\n";
    out +=
        std::string("Manual mode: ") + (catalogue.AllowManual ? "allowed" : "not allowed") + "\n";
    out += "Commands: " + std::to_string(catalogue.CommandCount()) + "\n";
    for (size_t i = 0; i < catalogue.CommandCount(); ++i) {
        const CommandEntry& e = catalogue.Command(i);
        out += "  " + std::to_string(i + 1) + ". " + e.Name + " = " + e.FunctionCode +
               " (decimal " + std::to_string(ParseHexInt32(e.FunctionCode).value_or(0)) +
               "): " + FlagsText(e) + "\n";
        for (const EnumValue& value : e.Values) {
            out += "       (" + std::to_string(value.Code) + ") " + value.Label + "\n";
        }
    }
    out += "Remote buttons: " + std::to_string(catalogue.RemoteCount()) + "\n";
    for (size_t i = 0; i < catalogue.RemoteCount(); ++i) {
        const RemoteEntry& button = catalogue.Remote(i);
        out += "  " + std::to_string(i + 1) + ". " + button.Name + " = " + button.Code + "\n";
    }
    std::cout << out;
    return 0;
}

int RunCode(const CliOptions& options) {
    if (options.positional.size() != 3) return ArgumentCountError(options, "MODEL COMMAND VALUE");
    CliSession session;
    session.display.CountRepeats();
    if (!OpenModel(session, options, options.positional[0])) return kExitRefused;
    return PrintCode(session, DiscreteCode(session, options.positional[1], options.positional[2]));
}

int RunRemote(const CliOptions& options) {
    if (options.positional.size() != 2) return ArgumentCountError(options, "MODEL BUTTON");
    CliSession session;
    if (!OpenModel(session, options, options.positional[0])) return kExitRefused;
    return PrintCode(session, RemoteCode(session, options.positional[1]));
}

int RunManual(const CliOptions& options) {
    if (options.positional.size() != 2) return ArgumentCountError(options, "CODE VALUE");
    const std::optional<ValueKindOption> kind = KindOf(options);
    if (!kind) return kExitUsage;
    CliSession session;
    session.folder = options.dir;
    return PrintCode(session,
                     ManualCode(session, options.positional[0], options.positional[1], *kind));
}

int RunExport(const CliOptions& options) {
    if (options.positional.size() != 2) return ArgumentCountError(options, "MODEL FILE");
    const std::string& file = options.positional[1];
    // Without --format the file name picks the kind, as Gen ALL's does.
    const OutputKind* kind = &OutputKindOf(file);
    const std::string format = options.Value("--format");
    if (options.Has("--format") && !(kind = ExportKindNamed(format))) {
        return UsageError(options, "unknown format '" + format + "'");
    }
    const std::optional<ExportOptions> exportOptions = ExportOptionsOf(options);
    if (!exportOptions) return kExitUsage;
    CliSession session;
    session.display.CountRepeats();
    if (!OpenModel(session, options, options.positional[0])) return kExitRefused;
    std::error_code error;
    std::string chosen = file == "-" ? file : std::filesystem::absolute(file, error).string();
    if (error || file.empty()) {
        session.display.ShowMessage("The file name '" + file + "' cannot be used");
        return kExitRefused;
    }
    std::vector<CompanionFile> companions = kind->make()->CompanionFiles(chosen);
    if (!companions.empty()) {
        // Its files go beside FILE, and beside the file a link leads to; a
        // name that stands for anything else (standard output, a pipe, a
        // device) would put them where no file of the user's belongs: /dev.
        struct stat status {};
        const bool exists = stat(chosen.c_str(), &status) == 0;
        if (file == "-" || StandardStream(chosen) || (exists && !S_ISREG(status.st_mode))) {
            session.display.ShowMessage("A " + std::string(kind->name) +
                                        " export writes files beside FILE; '" + file +
                                        "' is no regular file");
            return kExitRefused;
        }
        if (exists) chosen = std::filesystem::canonical(chosen, error).string();
        companions = kind->make()->CompanionFiles(chosen);
        if (!CompanionsMayBeWritten(companions, options.Has("--force"), session.display)) {
            return kExitRefused;
        }
    }

    StdioOutputFiles files(/*dashIsStandardOutput=*/true);
    GenerateAll run(session.catalogue, session.generator, files);
    ShownRun observer(session.display);
    run.SetObserver(&observer);
    run.SetExportOptions(*exportOptions);
    std::unique_ptr<StartedProgram> converter;
    bool converterAsked = false;  // the kind hands its file to a converter
    run.SetConverter(ProgramFolder(),
                     [&](const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder) -> Status {
                         converterAsked = true;
                         Result<std::unique_ptr<StartedProgram>> started =
                             StartProgram(program, arguments, folder);
                         if (!started) return Refused(started.reason());
                         converter = std::move(started).value();
                         return {};
                     });
    const GenerateAllResult result = run.Run(session.fields, chosen, *kind);
    // The files written come first, then what the run says about them.
    if (result.written) {
        for (const CompanionFile& companion : companions) {
            StderrDisplay().ShowMessage("wrote '" + companion.path + "' (" +
                                        std::string(companion.role) + ")");
        }
    }
    session.display.CountRepeats(false);
    if (!result.written) return kExitRefused;
    if (result.converterMissing) return kExitRefused;
    if (!converterAsked) return 0;
    if (!converter) return kExitRefused;  // it could not be started; that was reported
    if (options.Has("--no-wait")) {
        session.display.ShowMessage("hex2ccf is writing '" + chosen + "'");
        return 0;
    }
    // A script expects the CCF file to be there when the command returns.
    const std::optional<ProgramEnd> end = converter->WaitForEnd(std::chrono::seconds(120));
    if (!end) {
        session.display.ShowMessage("The converter is still running; not waiting any longer");
        return 0;
    }
    if (!end->ok()) {
        session.display.ShowMessage(ConverterFailure(chosen, converter->Errors(), end->Describe()));
        return kExitRefused;
    }
    std::cerr << converter->Errors();  // its warnings
    session.display.ShowMessage("hex2ccf wrote '" + chosen + "'");
    return 0;
}

}  // namespace kestrel
