// What the catalogue subcommands of kestrel-gen share: the objects of one
// window (display, generator, catalogue, field record), option parsing, and
// the Discrete-mode request that `code` makes and `send` will make before it
// transmits.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/request.h"
#include "commands.h"
#include "generator/generator.h"
#include "stderr_display.h"

namespace kestrel {

// Options of the catalogue subcommands.
struct CliOptions {
    std::string dir;      // --dir; the program's folder when not given
    std::string userDir;  // the user's own device files when --dir is not given
    std::string kind;     // --kind (manual)
    std::string model;    // --model (decode)
    std::string format;   // --format (export)
    bool noWait = false;  // --no-wait (export)
    std::string entries;  // --entries (export)
    std::string step;     // --step (export)
    std::string names;    // --names (export)
    bool raw = false;     // --raw (export)
    std::string file;     // --file (decode)
    std::vector<std::string> positional;
};

// Parses args; "--" ends the options. Returns false (after a message) on an
// unknown option or a missing option value. allowed names the options the
// subcommand takes, e.g. {"--dir", "--kind"}.
bool ParseCliOptions(const Args& args, const std::vector<std::string>& allowed,
                     CliOptions& options);

// The objects of one fresh window: one generator set up once, one catalogue,
// one field record in Discrete mode.
struct CliSession {
    CliSession();
    StderrDisplay display;
    Generator generator;
    Catalogue catalogue;
    FieldRecord fields;
    std::string folder;      // where the device files are
    std::string userFolder;  // the user's own device files; "" for none

    // Picks model as the model selector does, reading it from userFolder
    // when that folder holds it; false (after the message) when its device
    // file is missing.
    bool SelectModel(const std::string& model);
    // The folder SelectModel reads model from.
    std::string ModelFolderOf(const std::string& model) const;
};

// Discrete mode as a user does it: a click on the command, then a click on
// the value whose label equals value (ignoring case) for an enumeration, or
// value typed into the range panel and IR Gen for a range command. The
// Pronto text, or nothing when refused (the reason has been shown).
std::optional<std::string> DiscreteCode(CliSession& session, const std::string& command,
                                        const std::string& value);

// Remote mode: a click on the button. Nothing when refused.
std::optional<std::string> RemoteCode(CliSession& session, const std::string& button);

// The value-kind option for --kind (A, D, H or V, any case; empty is V).
// Nothing for any other text.
std::optional<ValueKindOption> KindOption(const std::string& letter);

// Manual mode: the code typed in decimal and Enter (a code above 255 other
// than 8324 is warned about, not refused), the value typed, the kind option
// selected, IR Gen. Nothing when refused.
std::optional<std::string> ManualCode(CliSession& session, const std::string& code,
                                      const std::string& value, ValueKindOption kind);

// Where a code comes from: the command `code`, `remote` or `manual`.
enum class CodeSource { Discrete, Remote, Manual };

// The options each source takes.
std::vector<std::string> SourceOptions(CodeSource source);

// The code the source's command makes for options: its Pronto text and
// status 0; kExitRefused when it was refused (the reason has been shown);
// kExitUsage, with nothing shown, when the arguments do not fit the command.
struct MadeCode {
    std::string code;
    int status = 0;
};
MadeCode MakeCode(CodeSource source, const CliOptions& options);

}  // namespace kestrel
