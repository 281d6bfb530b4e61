// The command table of kestrel-gen and what reads it: option parsing, the
// list of commands, the help of one command and the nearest command name.

#include "commands.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "util/numbers.h"
#include "util/program_folder.h"

namespace kestrel {
namespace {

constexpr const char* kDirText =
    "Without --dir the model is read from the program's folder or, when the user's\n"
    "folder $XDG_DATA_HOME/kestrel/devices (by default ~/.local/share/kestrel/devices)\n"
    "holds a file of that model, from there; --dir DIR reads DIR alone.\n";

const OptionRow kDir{"--dir", "-d", "DIR", "read the device files from DIR alone"};
const OptionRow kKind{"--kind", "", "A|D|H|V",
                      "the value kind: ASCII, decimal, hexadecimal or Value (default)"};
const OptionRow kJson{"--json", "", "", "print JSON (its schema is in kestrel-gen(1))"};
const OptionRow kDriver{"--driver", "", "usb-uirt|lirc|sim|FILE",
                        "the driver library: a bundled one by name, or a file"};
const OptionRow kDevice{"--device", "", "FILE", "the device the driver opens, e.g. /dev/ttyUSB0"};

constexpr const char* kDriverText =
    "--driver and --device override the environment (KESTREL_UUIRT_LIBRARY,\n"
    "KESTREL_UUIRT_DEVICE), which overrides $XDG_CONFIG_HOME/kestrel/kestrel.conf\n"
    "(driver=, device=); see kestrel-gen(1).\n";

// The commands, in the order of the list.
std::vector<CommandRow> MakeCommands() {
    return {
        {"pronto",
         RunPronto,
         {"pronto [--define DIRECTIVE]... FORM CODE VALUE KIND",
          "pronto [--define DIRECTIVE]... -"},
         "one generator request, or one a line from standard input",
         "One generator request: FORM is a form text or one of the words discrete,\n"
         "valuetext, remote; KIND is A, D, H or V. With -, requests come from standard\n"
         "input, one a line, FORM CODE VALUE KIND separated by TAB, all through one\n"
         "generator; one output line per request, empty where refused. Each --define\n"
         "is added to the defines table, replacing, in order, after the built-in set-up.\n",
         {{"--define", "", "DIRECTIVE", "a defines directive, replacing (may be repeated)"}}},
        {"models",
         RunModels,
         {"models [--dir DIR] [--json]"},
         "the model list",
         "The model list as the window's model selector shows it, one model a line.\n",
         {kDir, kJson},
         true},
        {"show",
         RunShow,
         {"show MODEL [--dir DIR] [--json]"},
         "the model's settings, commands and buttons",
         "The loaded catalogue of MODEL: settings, commands with their function codes\n"
         "and values or ranges, remote buttons.\n",
         {kDir, kJson},
         true},
        {"code",
         RunCode,
         {"code MODEL COMMAND VALUE [--dir DIR]"},
         "a command with a value label or number",
         "Discrete mode: a click on COMMAND, then on the value labelled VALUE (labels\n"
         "match ignoring case), or VALUE typed into the range panel and IR Gen.\n",
         {kDir},
         true},
        {"remote",
         RunRemote,
         {"remote MODEL BUTTON [--dir DIR]"},
         "a remote-control button",
         "Remote mode: a click on the remote button BUTTON.\n",
         {kDir},
         true},
        {"manual",
         RunManual,
         {"manual CODE VALUE [--kind A|D|H|V]"},
         "a typed function code and value",
         "Manual mode: CODE typed in decimal and VALUE with the value kind A (ASCII),\n"
         "D (decimal), H (hexadecimal) or V (Value, the default).\n",
         {kKind, kDir}},
        {"export",
         RunExport,
         {"export MODEL FILE [--format FORMAT] [--entries samples|all] [--step N] "
          "[--names caption|key] [--raw] [--dir DIR] [--no-wait] [--force]"},
         "Gen ALL into FILE, or its codes for LIRC, scripts or other IR tools",
         "Gen ALL right after picking MODEL, into FILE: .hex gives a Pronto hex file,\n"
         ".ccf a CCF file through hex2ccf (waiting at most two minutes for it unless\n"
         "--no-wait is given), anything else a text listing. A .ccf export names on\n"
         "standard error every file it writes: the CCF file, the button listing\n"
         "NAME.txt beside it and the temporary Temp$$.hex; it does not replace an\n"
         "existing listing unless --force is given. --format writes the samples of a\n"
         "text listing, in its order, whatever FILE's name:\n"
         "  lircd  a lircd.conf: one remote named after the model, RAW_CODES, one raw\n"
         "         code per sample named from its caption (upper case; blanks, \"#\" and\n"
         "         bytes outside printable ASCII become \"_\"; made unique with \"_2\"...)\n"
         "  json   model, firmware, options and the samples: caption, command, value,\n"
         "         functionCode {decimal, hex}, valueKind, carrier, durations, pronto\n"
         "  csv    the same fields as columns, one header row, RFC 4180 quoting\n"
         "  flipper        a Flipper Zero .ir file of raw entries\n"
         "  esphome        ESPHome buttons sending transmit_pronto (--raw: transmit_raw)\n"
         "  homeassistant  Home Assistant scripts sending b64: Broadlink packets\n"
         "  broadlink      a JSON object of name to base64 Broadlink packet\n"
         "  girr           Girr 1.3 XML: ccf, raw and the decoded form as parameters\n"
         "  keymap         a raw rc keymap (TOML) for ir-keytable and ir-ctl --keymap\n"
         "  irctl          FILE is a folder: an ir-ctl send file per code\n"
         "--entries all adds every remote button and every value of a range of at most\n"
         "256 values (or at --step N); a larger or real range keeps its three samples,\n"
         "with a note. --names key names the codes KEY_POWER, KEY_UP, ... where a key\n"
         "is obvious, else POWER_ON and the like (the new formats); names are made\n"
         "unique with \" (2)\" or \"_2\".\n"
         "A file appears whole or not at all: it is written to a temporary file beside\n"
         "FILE and renamed over FILE when complete; a link is followed, a pipe or\n"
         "device written directly, and FILE - is standard output.\n",
         {{"--format", "",
           "lircd|json|csv|flipper|esphome|homeassistant|broadlink|girr|keymap|irctl",
           "the kind of file, whatever FILE's name"},
          {"--entries", "", "samples|all", "Gen ALL's samples, or every entry"},
          {"--step", "", "N", "with --entries all, range values N apart"},
          {"--names", "", "caption|key", "name codes by caption or as keys"},
          {"--raw", "", "", "esphome: transmit_raw instead of transmit_pronto"},
          kDir,
          {"--no-wait", "", "", "do not wait for hex2ccf"},
          {"--force", "", "", "replace the listing beside a .ccf file"}},
         true},
        {"send",
         RunSend,
         {"send MODEL COMMAND VALUE [--dir DIR] [--repeat N] [--gap MS] [--dry-run] "
          "[--driver NAME|FILE] [--device FILE]",
          "send --remote MODEL BUTTON [--dir DIR]", "send --manual CODE VALUE [--kind A|D|H|V]",
          "send - [--repeat N] [--gap MS] [--dry-run] [--driver NAME|FILE] [--device FILE]"},
         "codes printed and transmitted",
         "The code that code, remote or manual makes, printed and transmitted through\n"
         "the transceiver's driver library (--driver names it, --device its device). With -,\n"
         "the codes come from standard input, one a line: a Pronto code, or a request\n"
         "FORM CODE VALUE KIND separated by TAB as pronto - reads it; all are printed\n"
         "first and then sent in order. --repeat N sends each code N times (1 to 100),\n"
         "--gap MS waits MS milliseconds (0 to 60000) after each sending but the last,\n"
         "and --dry-run prints what would be sent and opens nothing.\n",
         {{"--remote", "", "", "send a remote button"},
          {"--manual", "", "", "send a typed function code and value"},
          kDir,
          kKind,
          {"--repeat", "", "N", "send each code N times"},
          {"--gap", "", "MS", "wait MS milliseconds between sendings"},
          {"--dry-run", "", "", "print what would be sent; open nothing"},
          kDriver,
          kDevice},
         true},
        {"devices",
         RunDevices,
         {"devices [--driver NAME|FILE] [--device FILE]"},
         "the transceivers each bundled driver finds",
         "What each bundled driver finds, one line a device, fields separated by TAB:\n"
         "the driver's name, the device's path (\"-\" when the driver picks it itself)\n"
         "and \"ready\" (for a USB-UIRT with \", firmware 9.5, protocol 1.1,\n"
         "2004-03-26\") or why it cannot be opened. Looked for:\n"
         "  usb-uirt  serial ports of USB devices with the ids 0403:f850\n"
         "  lirc      /dev/lirc0, /dev/lirc1, ...\n"
         "A driver that finds nothing gives \"none found\", one whose library is not in\n"
         "the program's folder \"library missing\". The driver the settings, the\n"
         "environment or --driver choose, when it is another (sim, a FILE), is listed\n"
         "too. With --device, only that device is opened, through the chosen driver\n"
         "(the USB-UIRT's when none is chosen). Exit status 0 whatever is found, 1\n"
         "only when the program's folder cannot be told.\n",
         {kDriver, kDevice}},
        {"check",
         RunCheck,
         {"check MODEL|FILE [--dir DIR] [--strict]"},
         "the lines of a device file the loader skips, ignores, keeps, drops or doubts",
         "Loads a device file as the window does and lists, as FILE:LINE: REASON, every\n"
         "line the loader skips for breaking a limit of the format (\"skipped: ...\"),\n"
         "ignores (\"ignored: ...\"), keeps or drops through its qualifier group\n"
         "(\"kept: ...\", \"dropped: ...\"), or loads although it hardly says what was\n"
         "meant (\"warning: ...\"). An argument holding a \"/\" or ending in IR.ini is a\n"
         "file; anything else is a model. Exit status 1 when a line was skipped or the\n"
         "file cannot be read; with --strict also when a line was ignored or warned\n"
         "about; 0 otherwise.\n",
         {kDir, {"--strict", "", "", "fail on ignored lines and warnings too"}},
         true},
        {"plot",
         RunPlot,
         {"plot code MODEL COMMAND VALUE [--dir DIR] -o FILE",
          "plot remote MODEL BUTTON [--dir DIR] -o FILE",
          "plot manual CODE VALUE [--kind A|D|H|V] -o FILE", "plot --pronto TEXT -o FILE"},
         "the picture of a code as a PNG or SVG file",
         "The code that code, remote or manual makes, or the Pronto TEXT, drawn to\n"
         "scale as the window's signal view draws it, into FILE (1000 x 260): a PNG\n"
         "file for a name ending in .png, an SVG file for .svg, or the kind --format\n"
         "names (for -o -, standard output, PNG unless --format svg). Marks and spaces\n"
         "run along a time axis in milliseconds, the once part blue and the repeat\n"
         "part orange, with the carrier and the number of durations above. No display\n"
         "is needed. Exit status 1 when the text is not a Pronto code or FILE cannot\n"
         "be written.\n",
         {{"--output", "-o", "FILE", "the picture's file; - for standard output"},
          {"--pronto", "", "TEXT", "draw this Pronto text"},
          {"--format", "", "png|svg", "the picture's format, whatever FILE's name"},
          kDir,
          kKind},
         true},
        {"decode",
         RunDecode,
         {"decode [--model MODEL [--dir DIR]] [PRONTO]...",
          "decode --file FILE [--format FORMAT] [--model MODEL [--dir DIR]]"},
         "what Pronto lines carry, and which entries of MODEL make them",
         "Each PRONTO argument, or each line of standard input when there is none\n"
         "(blank lines are skipped), read back: a block per line with the carrier in\n"
         "Hz and the number of durations, the once and the repeat durations in\n"
         "microseconds (spaces negative), and a \"match:\" line for every form the\n"
         "durations follow within 30 % or 100 us (discrete: device and function code;\n"
         "valuetext: device code and value text; remote: device and function code),\n"
         "or \"match: none\". With --model, an \"entry:\" line for every value, range\n"
         "sample and remote button of MODEL whose code equals the line, or \"entry:\n"
         "none\". Exit status 1 when a line is not a Pronto code (a message names the\n"
         "line and the reason), 0 otherwise. With --file, the codes of FILE, an export\n"
         "(flipper, esphome, homeassistant, broadlink, girr, keymap or irctl, told by\n"
         "its content unless --format names it; a folder is read as ir-ctl files), a\n"
         "block each: \"code N\" with its name, carrier and durations, then its\n"
         "\"match:\" and \"entry:\" lines as above, entries compared within the same\n"
         "tolerance and without the final space. Exit status 1 when a file cannot be\n"
         "read or a code in it is left out (a message says why).\n",
         {{"--model", "", "MODEL", "name the entries of MODEL that make each line"},
          {"--file", "", "FILE", "read the codes of an export file"},
          {"--format", "", "flipper|esphome|homeassistant|broadlink|girr|keymap|irctl",
           "the export's format, whatever its content"},
          kDir},
         true},
        {"identify",
         RunIdentify,
         {"identify [--model MODEL] [--dir DIR] [FILE|-]..."},
         "which catalogue entries the captures (mode2, ir-ctl, Pronto) in FILE are",
         "Names the captures in each FILE (standard input for - or none): LIRC mode2\n"
         "text (pulse N, space N, carrier N, timeout N), ir-ctl text (+N -N ... with\n"
         "# timeout N), Pronto hex lines (Kestrel's .txt and .hex files too; caption\n"
         "lines are skipped) or the files of other IR tools that export writes\n"
         "(Flipper .ir, ESPHome and Home Assistant YAML, Broadlink JSON, Girr XML, rc\n"
         "keymaps), one or many captures a file. Each capture is cleaned\n"
         "(blips taken out, durations clustered, the receiver's longer marks and\n"
         "shorter spaces undone, the repeated frame found), matched against the\n"
         "protocol's forms within 30 % or 100 us, and named: an \"entry:\" line for\n"
         "every value, range value, remote button or allowed manual code of MODEL,\n"
         "or of every model when none is given, that makes the same fields, then the\n"
         "catalogue's own \"code:\"; else \"entry: none\" and the \"nearest:\" entries.\n"
         "A part of a file that cannot be read is reported as FILE:LINE: REASON and\n"
         "the other captures are still named. Exit status 0 when every capture is\n"
         "named, 3 when one has no entry, 1 when a file or a line cannot be read.\n",
         {{"--model", "", "MODEL", "name entries of MODEL only"}, kDir},
         true},
        {"learn",
         RunLearn,
         {"learn [--model MODEL] [--dir DIR] [--count N] [--timeout S] [--driver NAME|FILE] "
          "[--device FILE]"},
         "a code heard from a remote through the transceiver, and its catalogue entries",
         "Listens through the transceiver's driver library for a press of a remote's\n"
         "button and prints what it heard as identify does, a block a press:\n"
         "\"press N: carrier C Hz, D durations\", the learned \"pronto:\" line, then the\n"
         "\"frame:\", \"heard:\", \"match:\" and \"entry:\" lines (every value, range\n"
         "value, remote button or allowed manual code of MODEL, or of every model,\n"
         "that makes the same code, as \"Model: Command = Value\") and the catalogue's\n"
         "own \"code:\". --count N learns N presses (1 to 100) and ends with\n"
         "\"presses: N agree\" or, for each press that decodes otherwise than the first\n"
         "(a toggle bit, a noisy press), \"press N differs from press 1: ...\".\n"
         "--timeout S gives up after S seconds (0 to 3600, default 30; 0 waits for\n"
         "ever); Ctrl-C cancels. Progress and signal quality go to standard error when\n"
         "it is a terminal. Exit status 0 when every press was learned, 1 on a\n"
         "timeout, a cancel or a device error.\n",
         {{"--model", "", "MODEL", "name entries of MODEL only"},
          kDir,
          {"--count", "", "N", "learn N presses and compare them"},
          {"--timeout", "", "S", "give up after S seconds (0: never)"},
          kDriver,
          kDevice},
         true},
        {"help",
         RunHelp,
         {"help [COMMAND]"},
         "this text, or the help of COMMAND",
         "The list of commands, or the help of COMMAND (also: kestrel-gen COMMAND --help).\n",
         {}},
    };
}

const OptionRow* FindOption(const CommandRow& command, std::string_view name) {
    for (const OptionRow& option : command.options) {
        if (option.name == name || (!option.shortName.empty() && option.shortName == name)) {
            return &option;
        }
    }
    return nullptr;
}

// An argument that reads as an option: "--word", or "-" and one letter.
bool LooksLikeOption(const std::string& arg) {
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) return true;
    return arg.size() == 2 && arg[0] == '-' &&
           ((arg[1] >= 'a' && arg[1] <= 'z') || (arg[1] >= 'A' && arg[1] <= 'Z'));
}

size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

const std::vector<CommandRow>& Commands() {
    static const std::vector<CommandRow> commands = MakeCommands();
    return commands;
}

const CommandRow* CommandNamed(std::string_view name) {
    for (const CommandRow& command : Commands()) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

std::string NearestCommand(std::string_view name) {
    std::string nearest;
    size_t best = 3;  // at most two edits
    for (const CommandRow& command : Commands()) {
        size_t distance = EditDistance(name, command.name);
        // A beginning of a name is near too ("exp" for "export").
        if (name.size() >= 2 && command.name.substr(0, name.size()) == name) distance = 1;
        if (distance < best) {
            best = distance;
            nearest = std::string(command.name);
        }
    }
    return nearest;
}

bool CliOptions::Has(std::string_view option) const {
    return std::any_of(given.begin(), given.end(),
                       [&](const auto& entry) { return entry.first == option; });
}

std::string CliOptions::Value(std::string_view option) const {
    for (auto it = given.rbegin(); it != given.rend(); ++it) {
        if (it->first == option) return it->second;
    }
    return {};
}

std::vector<std::string> CliOptions::Values(std::string_view option) const {
    std::vector<std::string> values;
    for (const auto& [name, value] : given) {
        if (name == option) values.push_back(value);
    }
    return values;
}

bool ParseCliOptions(const Args& args, const CommandRow& command, CliOptions& options) {
    options.command = &command;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !LooksLikeOption(arg)) {
            options.positional.push_back(arg);
            continue;
        }
        const size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        const OptionRow* option = FindOption(command, name);
        if (option == nullptr) {
            std::cerr << "kestrel-gen: " << command.name << " has no option '" << name
                      << "'; see 'kestrel-gen " << command.name << " --help'\n";
            return false;
        }
        std::string value;
        if (option->value.empty()) {
            if (equals != std::string::npos) {
                std::cerr << "kestrel-gen: option '" << option->name << "' takes no value\n";
                return false;
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            std::cerr << "kestrel-gen: option '" << option->name << "' needs a value ("
                      << option->value << ")\n";
            return false;
        }
        options.given.emplace_back(std::string(option->name), std::move(value));
    }
    options.dir = options.Value("--dir");
    if (options.dir.empty()) {
        options.dir = ProgramFolder();
        options.userDir = UserDevicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    }
    return true;
}

int UsageError(const CliOptions& options, const std::string& what) {
    std::cerr << "kestrel-gen: " << what << "\n";
    const char* lead = "usage: ";
    for (const std::string_view line : options.command->usage) {
        std::cerr << lead << "kestrel-gen " << line << "\n";
        lead = "       ";
    }
    return kExitUsage;
}

int ArgumentCountError(const CliOptions& options, std::string_view expected) {
    const size_t count = options.positional.size();
    return UsageError(
        options,
        std::string(options.command->name) + " expects " + std::string(expected) + ", got " +
            (count == 0 ? std::string("no argument")
                        : std::to_string(count) + (count == 1 ? " argument" : " arguments")));
}

std::optional<int> NumberOption(const CliOptions& options, std::string_view name, int fallback,
                                int min, int max) {
    if (!options.Has(name)) return fallback;
    const std::string text = options.Value(name);
    const std::optional<int32_t> number = ParseDecimalInt32(text);
    if (!number || *number < min || *number > max) {
        (void)UsageError(options, std::string(name) + " takes a whole number from " +
                                      std::to_string(min) + " to " + std::to_string(max) +
                                      ", not '" + text + "'");
        return std::nullopt;
    }
    return *number;
}

void PrintUsage(bool toStandardError) {
    std::ostream& out = toStandardError ? std::cerr : std::cout;
    out << "usage: kestrel-gen COMMAND [ARGS]\n";
    for (const CommandRow& command : Commands()) {
        for (const std::string_view line : command.usage)
            out << "  " << line << "\n";
        out << "        " << command.summary << "\n";
    }
    out << "  --version, -V\n"
           "        the program's version\n"
           "Without --dir the device files are those of the program's folder, then those\n"
           "of $XDG_DATA_HOME/kestrel/devices (by default ~/.local/share/kestrel/devices);\n"
           "--dir DIR (-d DIR) reads DIR alone. See kestrel-gen(1).\n";
}

void PrintCommandHelp(const CommandRow& command) {
    const char* lead = "usage: ";
    for (const std::string_view line : command.usage) {
        std::cout << lead << "kestrel-gen " << line << "\n";
        lead = "       ";
    }
    std::cout << command.help;
    if (!command.options.empty()) std::cout << "Options:\n";
    for (const OptionRow& option : command.options) {
        std::string names = std::string(option.name);
        if (!option.shortName.empty()) names = std::string(option.shortName) + ", " + names;
        if (!option.value.empty()) names += " " + std::string(option.value);
        names.resize(std::max<size_t>(names.size() + 2, 26), ' ');
        std::cout << "  " << names << option.help << "\n";
    }
    if (command.readsModels) std::cout << kDirText;
    if (FindOption(command, "--driver") != nullptr) std::cout << kDriverText;
}

int RunHelp(const CliOptions& options) {
    if (options.positional.empty()) {
        PrintUsage(false);
        return 0;
    }
    if (options.positional.size() != 1) return ArgumentCountError(options, "at most one COMMAND");
    const CommandRow* command = CommandNamed(options.positional[0]);
    if (command == nullptr) {
        return UsageError(options,
                          "no help for '" + options.positional[0] + "': there is no such command");
    }
    PrintCommandHelp(*command);
    return 0;
}

}  // namespace kestrel
