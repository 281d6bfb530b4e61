// The catalogue subcommands of kestrel-gen: models, show, code, remote,
// manual and export. Each works through the same objects and field record
// as the window, so what it prints or writes equals what the window shows or
// writes for the same clicks.

#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "catalogue/generate_all.h"
#include "catalogue/output_file.h"
#include "catalogue_session.h"
#include "commands.h"
#include "export/format_writers.h"
#include "launcher/launch_app.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/program_folder.h"
#include "util/text.h"

namespace kestrel {
namespace {

int Usage(const std::string& line) {
    std::cerr << "usage: kestrel-gen " << line << "\n";
    return kExitUsage;
}

// Prints a generated code, or reports the refusal through the exit status.
int PrintCode(const std::optional<std::string>& code) {
    if (!code || code->empty()) return kExitRefused;
    std::cout << *code << '\n';
    std::cout.flush();
    return 0;
}

// Starts a session for the options and picks the model.
bool OpenModel(CliSession& session, const CliOptions& options, const std::string& model) {
    session.folder = options.dir;
    session.userFolder = options.userDir;
    return session.SelectModel(model);
}

std::string FlagsText(const CommandEntry& e) {
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (e.IsEnumeration) add("enumeration");
    if (e.HasRange) {
        add(std::string(e.IsInteger ? "integer" : "real") + " range " + e.Range.Min + " to " +
            e.Range.Max);
    }
    if (text.empty()) text = "query (not sent by IR)";
    return text;
}

// The options of a complete export; nothing (after a message) for a value
// that does not fit.
std::optional<ExportOptions> ExportOptionsOf(const CliOptions& options) {
    ExportOptions out;
    const auto fail = [](const std::string& option, const std::string& value) {
        std::cerr << "kestrel-gen: " << option << " does not take '" << value << "'\n";
        return std::nullopt;
    };
    if (options.entries == "all") {
        out.everyEntry = true;
    } else if (!options.entries.empty() && options.entries != "samples") {
        return fail("--entries", options.entries);
    }
    if (options.names == "key") {
        out.names = NameStyle::Key;
    } else if (!options.names.empty() && options.names != "caption") {
        return fail("--names", options.names);
    }
    if (!options.step.empty()) {
        double step = 0;
        if (!IsNumericText(options.step, &step) || !(step > 0) || !std::isfinite(step)) {
            return fail("--step", options.step);
        }
        out.step = step;
    }
    out.raw = options.raw;
    return out;
}

std::string OrNone(const std::string& text) {
    return text.empty() ? "(none)" : text;
}

}  // namespace

int RunModels(const Args& args) {
    CliOptions options;
    if (!ParseCliOptions(args, {"--dir"}, options)) return kExitUsage;
    if (!options.positional.empty()) return Usage("models [--dir DIR]");
    std::error_code error;
    if (!std::filesystem::is_directory(options.dir, error)) {
        StderrDisplay display;
        display.ShowMessage("The folder '" + options.dir + "' cannot be read");
        return kExitRefused;
    }
    for (const ModelSource& model : ListModels(options.dir, options.userDir))
        std::cout << model.name << '\n';
    std::cout.flush();
    return 0;
}

int RunShow(const Args& args) {
    CliOptions options;
    if (!ParseCliOptions(args, {"--dir"}, options)) return kExitUsage;
    if (options.positional.size() != 1) return Usage("show MODEL [--dir DIR]");
    CliSession session;
    if (!OpenModel(session, options, options.positional[0])) return kExitRefused;
    const Catalogue& catalogue = session.catalogue;
    std::string out;
    out += "Model: " + OrNone(catalogue.ModelName) + "\n";
    out += "Firmware: " + OrNone(catalogue.ModelFirmware) + "\n";
    out += "Options: " + OrNone(catalogue.ModelOptions) + "\n";
    out +=
        std::string("Manual mode: ") + (catalogue.AllowManual ? "allowed" : "not allowed") + "\n";
    out += "Commands: " + std::to_string(catalogue.CommandCount()) + "\n";
    for (int i = 1; i <= catalogue.CommandCount(); ++i) {
        const CommandEntry& e = catalogue.Command(i);
        out += "  " + std::to_string(i) + ". " + e.Name + " = " + e.FunctionCode + " (decimal " +
               std::to_string(HexToLong(e.FunctionCode).value_or(0)) + "): " + FlagsText(e) + "\n";
        for (const EnumValue& value : e.Values) {
            out += "       (" + std::to_string(value.Code) + ") " + value.Label + "\n";
        }
    }
    out += "Remote buttons: " + std::to_string(catalogue.RemoteCount()) + "\n";
    for (int i = 1; i <= catalogue.RemoteCount(); ++i) {
        const RemoteEntry& button = catalogue.Remote(i);
        out += "  " + std::to_string(i) + ". " + button.Name + " = " + button.Code + "\n";
    }
    std::cout << out;
    std::cout.flush();
    return 0;
}

int RunCode(const Args& args) {
    CliOptions options;
    if (!ParseCliOptions(args, {"--dir"}, options)) return kExitUsage;
    if (options.positional.size() != 3) return Usage("code MODEL COMMAND VALUE [--dir DIR]");
    CliSession session;
    if (!OpenModel(session, options, options.positional[0])) return kExitRefused;
    return PrintCode(DiscreteCode(session, options.positional[1], options.positional[2]));
}

int RunRemote(const Args& args) {
    CliOptions options;
    if (!ParseCliOptions(args, {"--dir"}, options)) return kExitUsage;
    if (options.positional.size() != 2) return Usage("remote MODEL BUTTON [--dir DIR]");
    CliSession session;
    if (!OpenModel(session, options, options.positional[0])) return kExitRefused;
    return PrintCode(RemoteCode(session, options.positional[1]));
}

int RunManual(const Args& args) {
    CliOptions options;
    if (!ParseCliOptions(args, {"--dir", "--kind"}, options)) return kExitUsage;
    const char* usage = "manual CODE VALUE [--kind A|D|H|V] [--dir DIR]";
    if (options.positional.size() != 2) return Usage(usage);
    const std::optional<ValueKindOption> kind = KindOption(options.kind);
    if (!kind) return Usage(usage);
    CliSession session;
    session.folder = options.dir;
    return PrintCode(ManualCode(session, options.positional[0], options.positional[1], *kind));
}

int RunExport(const Args& args) {
    CliOptions options;
    if (!ParseCliOptions(
            args, {"--dir", "--no-wait", "--format", "--entries", "--step", "--names", "--raw"},
            options)) {
        return kExitUsage;
    }
    const std::string usage = "export MODEL FILE [--format lircd|json|csv|" +
                              std::string(ExportKindNames()) +
                              "] [--entries samples|all] [--step N] [--names caption|key] "
                              "[--raw] [--dir DIR] [--no-wait]";
    if (options.positional.size() != 2) return Usage(usage);
    // Without --format the file name picks the kind, as Gen ALL's does.
    const OutputKind* kind = &OutputKindOf(options.positional[1]);
    if (!options.format.empty() && !(kind = ExportKindNamed(options.format))) {
        std::cerr << "kestrel-gen: unknown format '" << options.format << "'\n";
        return Usage(usage);
    }
    const std::optional<ExportOptions> exportOptions = ExportOptionsOf(options);
    if (!exportOptions) return Usage(usage);
    CliSession session;
    if (!OpenModel(session, options, options.positional[0])) return kExitRefused;
    std::error_code error;
    const std::string chosen = std::filesystem::absolute(options.positional[1], error).string();
    if (error || options.positional[1].empty()) {
        session.display.ShowMessage("The file name '" + options.positional[1] + "' cannot be used");
        return kExitRefused;
    }

    StdioOutputFiles files;
    GenerateAll run(session.catalogue, session.generator, session.display, files);
    run.SetExportOptions(*exportOptions);
    std::unique_ptr<StartedProgram> converter;
    bool converterAsked = false;  // the kind hands its file to a converter
    run.SetConverter(ProgramFolder(),
                     [&](const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder) -> Status {
                         converterAsked = true;
                         std::string error;
                         converter = StartProgram(program, arguments, folder, error);
                         if (!converter) return Refused(error);
                         return {};
                     });
    const GenerateAllResult result = run.Run(session.fields, chosen, *kind);
    if (!result.written || result.converterMissing) return kExitRefused;
    if (!converterAsked || options.noWait) return 0;
    if (!converter) return kExitRefused;  // it could not be started; that was reported
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
    return 0;
}

}  // namespace kestrel
