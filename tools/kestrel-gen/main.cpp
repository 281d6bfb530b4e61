// kestrel-gen: the headless command line over the same core as the window.

#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: kestrel-gen COMMAND [ARGS]\n"
           "  pronto [--define DIRECTIVE]... FORM CODE VALUE KIND\n"
           "  pronto [--define DIRECTIVE]... -      requests from standard input, TAB-separated\n";
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
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(std::cout);
        return 0;
    }
    std::cerr << "kestrel-gen: unknown command '" << command << "'\n";
    PrintUsage(std::cerr);
    return kestrel::kExitUsage;
}
