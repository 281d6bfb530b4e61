// What the catalogue subcommands of kestrel-gen share: the objects of one
// window (display, generator, catalogue, field record), option parsing, and
// the Discrete-mode request that `code` makes and `send` will make before it
// transmits.
//
// The routines below show the notes of what they do on standard error as
// they arise and return a refusal's reason for the command to show.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "commands.h"
#include "generator/generator.h"
#include "session/request.h"
#include "stderr_display.h"

namespace kestrel {

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
    // when that folder holds it; refused when its device file is missing.
    Status SelectModel(const std::string& model);
    // The folder SelectModel reads model from.
    std::string ModelFolderOf(const std::string& model) const;
    // What a routine returns, shown on standard error as the window shows
    // it, with the field writes that follow; a refusal is returned instead
    // of shown.
    Status Play(const Outcome& outcome);
};

// The generator's notes, shown in order.
void ShowNotes(const std::vector<std::string>& notes, Display& display);

// Discrete mode as a user does it: a click on the command, then a click on
// the value whose label equals value (ignoring case) for an enumeration, or
// value typed into the range panel and IR Gen for a range command. The
// Pronto text, or the reason it was refused.
Result<std::string> DiscreteCode(CliSession& session, const std::string& command,
                                 const std::string& value);

// Remote mode: a click on the button.
Result<std::string> RemoteCode(CliSession& session, const std::string& button);

// The value-kind option for --kind (A, D, H or V, any case; empty is V).
// Nothing for any other text.
std::optional<ValueKindOption> KindOption(const std::string& letter);
// The --kind of options; nothing after the usage error for another letter.
std::optional<ValueKindOption> KindOf(const CliOptions& options);

// Manual mode: the code typed in decimal and Enter (a code above 255 other
// than 8324 is warned about, not refused), the value typed, the kind option
// selected, IR Gen.
Result<std::string> ManualCode(CliSession& session, const std::string& code,
                               const std::string& value, ValueKindOption kind);

// Where a code comes from: the command `code`, `remote` or `manual`.
enum class CodeSource { Discrete, Remote, Manual };

// The code the source's command makes for options (positional arguments
// from first on): its Pronto text and status 0; kExitRefused after the
// reason when it was refused; kExitUsage after the usage error when the
// arguments do not fit the command.
struct MadeCode {
    std::string code;
    int status = 0;
};
MadeCode MakeCode(CodeSource source, const CliOptions& options, size_t first = 0);

// One request line as pronto - reads it: FORM, CODE, VALUE and KIND
// separated by TAB, through generator; its notes and a refusal's reason
// are shown (a line that is no request is refused without a message).
Result<std::string> RequestLine(Generator& generator, std::string_view line,
                                StderrDisplay& display);

}  // namespace kestrel
