// The subcommands of kestrel-gen and the one table that describes them.
//
// A row of kCommands (commands.cpp) says everything about a command: its
// name, its handler, its usage lines, a one-line summary, its help text and
// its options. The table alone drives the dispatch, the options each
// command accepts (parsed before the handler runs), the list of commands,
// `help COMMAND`, the "did you mean" of an unknown command, the shell
// completion (which reads the usage lines) and the test that the manual
// page lists every command. A new command is one row and its handler.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

using Args = std::vector<std::string>;

// Exit status for refused input and usage errors.
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// An option of a command. Its value's placeholder tells the completion what
// to offer: DIR, FILE, MODEL, or alternatives such as "A|D|H|V".
struct OptionRow {
    std::string_view name;       // "--dir"
    std::string_view shortName;  // "-d", or ""
    std::string_view value;      // "DIR"; "" for a flag
    std::string_view help;       // one line for the usage text
};

struct CliOptions;

struct CommandRow {
    std::string_view name;
    int (*run)(const CliOptions& options);
    // One usage line per form, after "kestrel-gen ", in the placeholders
    // the completion knows: MODEL, COMMAND, VALUE, BUTTON, FILE, DIR; lower
    // case words are literal ("code|remote|manual"); options in brackets
    // are optional, options outside them pick the form ("send --remote").
    std::vector<std::string_view> usage;
    std::string_view summary;  // the list of commands
    std::string_view help;     // help COMMAND, after the usage lines
    std::vector<OptionRow> options;
    // Ends with the text on where the device files come from.
    bool readsModels = false;
};

// The table, in the order of the list of commands.
const std::vector<CommandRow>& Commands();
// The row named name; null when there is none.
const CommandRow* CommandNamed(std::string_view name);
// The nearest command to a mistyped name, for "did you mean"; "" when none
// is near.
std::string NearestCommand(std::string_view name);

// The options and arguments of one invocation, parsed by the table's row.
struct CliOptions {
    const CommandRow* command = nullptr;
    // The options given, by their long names, in order; a flag's value is "".
    std::vector<std::pair<std::string, std::string>> given;
    std::vector<std::string> positional;
    std::string dir;      // --dir; the program's folder when not given
    std::string userDir;  // the user's own device files when --dir is not given

    bool Has(std::string_view option) const;
    // The value last given for option; "" when it was not given.
    std::string Value(std::string_view option) const;
    // Every value given for option, in order.
    std::vector<std::string> Values(std::string_view option) const;
};

// Parses args by command's options: "--name VALUE", "--name=VALUE", a
// short name, "--" ends the options. False (after a message on standard
// error) for an unknown option or a missing value.
bool ParseCliOptions(const Args& args, const CommandRow& command, CliOptions& options);

// A usage error: "kestrel-gen: " what, then the command's usage lines.
// Returns kExitUsage.
int UsageError(const CliOptions& options, const std::string& what);
// "expected MODEL COMMAND VALUE, got 2 arguments" for a positional count
// that differs from the first usage line's.
int ArgumentCountError(const CliOptions& options, std::string_view expected);

// A whole-number option within min..max, fallback when it is not given;
// nothing after the usage error.
std::optional<int> NumberOption(const CliOptions& options, std::string_view name, int fallback,
                                int min, int max);

// Prints the list of commands (kestrel-gen --help).
void PrintUsage(bool toStandardError);
// The help of one command: its usage lines, its help text, its options.
void PrintCommandHelp(const CommandRow& command);

// The handlers.
int RunPronto(const CliOptions& options);
int RunModels(const CliOptions& options);
int RunShow(const CliOptions& options);
int RunCode(const CliOptions& options);
int RunRemote(const CliOptions& options);
int RunManual(const CliOptions& options);
int RunExport(const CliOptions& options);
int RunSend(const CliOptions& options);
int RunCheck(const CliOptions& options);
int RunPlot(const CliOptions& options);
int RunDecode(const CliOptions& options);
int RunIdentify(const CliOptions& options);
int RunLearn(const CliOptions& options);
int RunDevices(const CliOptions& options);
int RunHelp(const CliOptions& options);

// kestrel-gen __complete SHELL LINE [WORD]: the completion of the last word
// of LINE (the command line up to the cursor), one candidate a line; see
// complete.cpp.
int RunComplete(const Args& args);

}  // namespace kestrel
