// kestrel-gen: the headless command line over the same core as the window.

#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: kestrel-gen COMMAND [ARGS]\n"
           "  pronto [--define DIRECTIVE]... FORM CODE VALUE KIND\n"
           "  pronto [--define DIRECTIVE]... -      requests from standard input, TAB-separated\n"
           "  models [--dir DIR]                    the models of the device files in DIR\n"
           "  show MODEL [--dir DIR]                the model's settings, commands and buttons\n"
           "  code MODEL COMMAND VALUE [--dir DIR]  a command with a value label or number\n"
           "  remote MODEL BUTTON [--dir DIR]       a remote-control button\n"
           "  manual CODE VALUE [--kind A|D|H|V]    a typed function code and value\n"
           "  export MODEL FILE [--dir DIR] [--no-wait]\n"
           "                                        Gen ALL into FILE (.txt, .hex or .ccf)\n"
           "  send MODEL COMMAND VALUE [--dir DIR]  a command's code, transmitted\n"
           "  send --remote MODEL BUTTON [--dir DIR]\n"
           "  send --manual CODE VALUE [--kind A|D|H|V]\n"
           "DIR defaults to the program's folder.\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(std::cerr);
        return kestrel::kExitUsage;
    }
    const std::string command = argv[1];
    const kestrel::Args args(argv + 2, argv + argc);
    if (command == "pronto") return kestrel::RunPronto(args);
    if (command == "models") return kestrel::RunModels(args);
    if (command == "show") return kestrel::RunShow(args);
    if (command == "code") return kestrel::RunCode(args);
    if (command == "remote") return kestrel::RunRemote(args);
    if (command == "manual") return kestrel::RunManual(args);
    if (command == "export") return kestrel::RunExport(args);
    if (command == "send") return kestrel::RunSend(args);
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(std::cout);
        return 0;
    }
    std::cerr << "kestrel-gen: unknown command '" << command << "'\n";
    PrintUsage(std::cerr);
    return kestrel::kExitUsage;
}
