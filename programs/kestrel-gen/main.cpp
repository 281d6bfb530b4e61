// kestrel-gen: the headless command line over the same core as the window.

#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"
#include "util/version.h"

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: kestrel-gen COMMAND [ARGS]\n"
           "  pronto [--define DIRECTIVE]... FORM CODE VALUE KIND\n"
           "  pronto [--define DIRECTIVE]... -      requests from standard input, TAB-separated\n"
           "  models [--dir DIR]                    the model list\n"
           "  show MODEL [--dir DIR]                the model's settings, commands and buttons\n"
           "  code MODEL COMMAND VALUE [--dir DIR]  a command with a value label or number\n"
           "  remote MODEL BUTTON [--dir DIR]       a remote-control button\n"
           "  manual CODE VALUE [--kind A|D|H|V]    a typed function code and value\n"
           "  export MODEL FILE [--format FORMAT] [--entries samples|all] [--step N]\n"
           "         [--names caption|key] [--raw] [--dir DIR] [--no-wait]\n"
           "                                        Gen ALL into FILE (.txt, .hex or .ccf),\n"
           "                                        or its samples as a lircd.conf, JSON\n"
           "                                        or CSV, or for Flipper, ESPHome, Home\n"
           "                                        Assistant, Broadlink, Girr, a keymap or\n"
           "                                        ir-ctl (FILE a folder)\n"
           "  send MODEL COMMAND VALUE [--dir DIR]  a command's code, transmitted\n"
           "  send --remote MODEL BUTTON [--dir DIR]\n"
           "  send --manual CODE VALUE [--kind A|D|H|V]\n"
           "  check MODEL|FILE [--dir DIR]          the lines of a device file the loader\n"
           "                                        skips, ignores, keeps or drops\n"
           "  plot code|remote|manual ARGS... -o FILE\n"
           "  plot --pronto TEXT -o FILE            the picture of a code as a PNG file\n"
           "  decode [--model MODEL [--dir DIR]] [PRONTO]...\n"
           "                                        what Pronto lines carry, and which\n"
           "                                        entries of MODEL make them\n"
           "  decode --file FILE [--format FORMAT] [--model MODEL [--dir DIR]]\n"
           "                                        the same for the codes of an export\n"
           "  identify [--model MODEL] [--dir DIR] [FILE|-]...\n"
           "                                        which catalogue entries the captures\n"
           "                                        (mode2, ir-ctl, Pronto) in FILE are\n"
           "  help [COMMAND]                        this text, or the help of COMMAND\n"
           "  --version                             the program's version\n"
           "Without --dir the device files are those of the program's folder, then those\n"
           "of $XDG_DATA_HOME/kestrel/devices (by default ~/.local/share/kestrel/devices);\n"
           "--dir DIR reads DIR alone. See kestrel-gen(1).\n";
}

constexpr const char* kDirText =
    "Without --dir the model is read from the program's folder or, when the user's\n"
    "folder $XDG_DATA_HOME/kestrel/devices (by default ~/.local/share/kestrel/devices)\n"
    "holds a file of that model, from there; --dir DIR reads DIR alone.\n";

struct CommandHelp {
    const char* name;
    const char* text;
    bool dirText;  // followed by kDirText
};

constexpr CommandHelp kCommandHelp[] = {
    {"pronto",
     "usage: kestrel-gen pronto [--define DIRECTIVE]... FORM CODE VALUE KIND\n"
     "       kestrel-gen pronto [--define DIRECTIVE]... -\n"
     "One generator request: FORM is a form text or one of the words discrete,\n"
     "valuetext, remote; KIND is A, D, H or V. With -, requests come from standard\n"
     "input, one a line, FORM CODE VALUE KIND separated by TAB, all through one\n"
     "generator; one output line per request, empty where refused. Each --define\n"
     "is added to the defines table, replacing, in order, after the built-in set-up.\n",
     false},
    {"models",
     "usage: kestrel-gen models [--dir DIR]\n"
     "The model list as the window's model selector shows it, one model a line.\n",
     true},
    {"show",
     "usage: kestrel-gen show MODEL [--dir DIR]\n"
     "The loaded catalogue of MODEL: settings, commands with their function codes\n"
     "and values or ranges, remote buttons.\n",
     true},
    {"code",
     "usage: kestrel-gen code MODEL COMMAND VALUE [--dir DIR]\n"
     "Discrete mode: a click on COMMAND, then on the value labelled VALUE (labels\n"
     "match ignoring case), or VALUE typed into the range panel and IR Gen.\n",
     true},
    {"remote",
     "usage: kestrel-gen remote MODEL BUTTON [--dir DIR]\n"
     "Remote mode: a click on the remote button BUTTON.\n",
     true},
    {"manual",
     "usage: kestrel-gen manual CODE VALUE [--kind A|D|H|V]\n"
     "Manual mode: CODE typed in decimal and VALUE with the value kind A (ASCII),\n"
     "D (decimal), H (hexadecimal) or V (Value, the default).\n",
     false},
    {"export",
     "usage: kestrel-gen export MODEL FILE [--format FORMAT] [--entries samples|all] [--step N]\n"
     "           [--names caption|key] [--raw] [--dir DIR] [--no-wait]\n"
     "Gen ALL right after picking MODEL, into FILE: .hex gives a Pronto hex file,\n"
     ".ccf a CCF file through hex2ccf (waiting at most two minutes for it unless\n"
     "--no-wait is given), anything else a text listing. --format writes the\n"
     "samples of a text listing, in its order, whatever FILE's name:\n"
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
     "An export appears whole or not at all: it is written to a temporary file\n"
     "beside FILE and renamed over FILE when complete.\n",
     true},
    {"send",
     "usage: kestrel-gen send MODEL COMMAND VALUE [--dir DIR]\n"
     "       kestrel-gen send --remote MODEL BUTTON [--dir DIR]\n"
     "       kestrel-gen send --manual CODE VALUE [--kind A|D|H|V]\n"
     "The code that code, remote or manual makes, printed and transmitted through\n"
     "the transceiver's driver library (KESTREL_UUIRT_LIBRARY names it).\n",
     true},
    {"check",
     "usage: kestrel-gen check MODEL|FILE [--dir DIR]\n"
     "Loads a device file as the window does and lists, as FILE:LINE: REASON, every\n"
     "line the loader skips for breaking a limit of the format (\"skipped: ...\"),\n"
     "ignores (\"ignored: ...\"), or keeps or drops through its qualifier group\n"
     "(\"kept: ...\", \"dropped: ...\"). An argument holding a \"/\" or ending in\n"
     "IR.ini is a file; anything else is a model. Exit status 1 when a line was\n"
     "skipped or the file cannot be read, 0 otherwise.\n",
     true},
    {"plot",
     "usage: kestrel-gen plot code MODEL COMMAND VALUE [--dir DIR] -o FILE\n"
     "       kestrel-gen plot remote MODEL BUTTON [--dir DIR] -o FILE\n"
     "       kestrel-gen plot manual CODE VALUE [--kind A|D|H|V] -o FILE\n"
     "       kestrel-gen plot --pronto TEXT -o FILE\n"
     "The code that code, remote or manual makes, or the Pronto TEXT, drawn to\n"
     "scale as the window's signal view draws it, into the PNG file FILE (1000 x\n"
     "260 pixels): marks and spaces along a time axis in milliseconds, the once\n"
     "part blue and the repeat part orange, with the carrier and the number of\n"
     "durations above. No display is needed. Exit status 1 when the text is not a\n"
     "Pronto code or FILE cannot be written.\n",
     true},
    {"decode",
     "usage: kestrel-gen decode [--model MODEL [--dir DIR]] [PRONTO]...\n"
     "Each PRONTO argument, or each line of standard input when there is none\n"
     "(blank lines are skipped), read back: a block per line with the carrier in\n"
     "Hz and the number of durations, the once and the repeat durations in\n"
     "microseconds (spaces negative), and a \"match:\" line for every form the\n"
     "durations follow within 30 % or 100 us (discrete: device and function code;\n"
     "valuetext: device code and value text; remote: device and function code),\n"
     "or \"match: none\". With --model, an \"entry:\" line for every value, range\n"
     "sample and remote button of MODEL whose code equals the line, or \"entry:\n"
     "none\". Exit status 1 when a line is not a Pronto code (a message names the\n"
     "line and the reason), 0 otherwise.\n"
     "       kestrel-gen decode --file FILE [--format FORMAT] [--model MODEL [--dir DIR]]\n"
     "The codes of FILE, an export (flipper, esphome, homeassistant, broadlink, girr,\n"
     "keymap or irctl, told by its content unless --format names it; a folder is\n"
     "read as ir-ctl files), a block each: \"code N\" with its name, carrier and\n"
     "durations, then its \"match:\" and \"entry:\" lines as above, entries compared\n"
     "within the same tolerance and without the final space. Exit status 1 when a\n"
     "file cannot be read or a code in it is left out (a message says why).\n",
     true},
    {"identify",
     "usage: kestrel-gen identify [--model MODEL] [--dir DIR] [FILE|-]...\n"
     "Names the captures in each FILE (standard input for - or none): LIRC mode2\n"
     "text (pulse N, space N, carrier N, timeout N), ir-ctl text (+N -N ... with\n"
     "# timeout N) or Pronto hex lines (Kestrel's .txt and .hex files too; caption\n"
     "lines are skipped), one or many captures a file. Each capture is cleaned\n"
     "(blips taken out, durations clustered, the receiver's longer marks and\n"
     "shorter spaces undone, the repeated frame found), matched against the\n"
     "protocol's forms within 30 % or 100 us, and named: an \"entry:\" line for\n"
     "every value, range value, remote button or allowed manual code of MODEL,\n"
     "or of every model when none is given, that makes the same fields, then the\n"
     "catalogue's own \"code:\"; else \"entry: none\" and the \"nearest:\" entries.\n"
     "A part of a file that cannot be read is reported as FILE:LINE: REASON and\n"
     "the other captures are still named. Exit status 0 when every capture is\n"
     "named, 3 when one has no entry, 1 when a file or a line cannot be read.\n",
     true},
    {"help",
     "usage: kestrel-gen help [COMMAND]\n"
     "The list of commands, or the help of COMMAND (also: kestrel-gen COMMAND --help).\n",
     false},
};

const CommandHelp* FindHelp(const std::string& command) {
    for (const CommandHelp& help : kCommandHelp) {
        if (command == help.name) return &help;
    }
    return nullptr;
}

void PrintHelp(const CommandHelp& help) {
    std::cout << help.text;
    if (help.dirText) std::cout << kDirText;
}

int RunHelp(const kestrel::Args& args) {
    if (args.empty()) {
        PrintUsage(std::cout);
        return 0;
    }
    const CommandHelp* help = args.size() == 1 ? FindHelp(args[0]) : nullptr;
    if (help == nullptr) {
        std::cerr << "kestrel-gen: no help for '" << args[0] << "'\n";
        PrintUsage(std::cerr);
        return kestrel::kExitUsage;
    }
    PrintHelp(*help);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(std::cerr);
        return kestrel::kExitUsage;
    }
    const std::string command = argv[1];
    const kestrel::Args args(argv + 2, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        if (const CommandHelp* help = FindHelp(command)) {
            PrintHelp(*help);
            return 0;
        }
    }
    if (command == "pronto") return kestrel::RunPronto(args);
    if (command == "models") return kestrel::RunModels(args);
    if (command == "show") return kestrel::RunShow(args);
    if (command == "code") return kestrel::RunCode(args);
    if (command == "remote") return kestrel::RunRemote(args);
    if (command == "manual") return kestrel::RunManual(args);
    if (command == "export") return kestrel::RunExport(args);
    if (command == "send") return kestrel::RunSend(args);
    if (command == "check") return kestrel::RunCheck(args);
    if (command == "plot") return kestrel::RunPlot(args);
    if (command == "decode") return kestrel::RunDecode(args);
    if (command == "identify") return kestrel::RunIdentify(args);
    if (command == "help") return RunHelp(args);
    if (command == "--help" || command == "-h") {
        PrintUsage(std::cout);
        return 0;
    }
    if (command == "--version") {
        std::cout << "kestrel-gen " << kestrel::kVersion << '\n';
        return 0;
    }
    std::cerr << "kestrel-gen: unknown command '" << command << "'\n";
    PrintUsage(std::cerr);
    return kestrel::kExitUsage;
}
