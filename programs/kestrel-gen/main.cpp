// kestrel-gen: the headless command line over the same core as the window.
// The command table (commands.cpp) drives the dispatch.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"
#include "util/version.h"

namespace {

// What a command printed must reach its reader: a standard output that
// cannot take it (a full disk, /dev/full) is a failure.
int FinishStandardOutput(int status) {
    errno = 0;
    std::cout.flush();
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) || std::cout.bad();
    if (!failed) return status;
    const int error = errno;
    std::cerr << "kestrel-gen: standard output cannot be written"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
    return status == 0 ? kestrel::kExitRefused : status;
}

int UnknownCommand(const std::string& command) {
    if (command.size() > 1 && command[0] == '-') {
        std::cerr << "kestrel-gen: unknown option '" << command << "'; see 'kestrel-gen --help'\n";
        return kestrel::kExitUsage;
    }
    const std::string nearest = kestrel::NearestCommand(command);
    std::cerr << "kestrel-gen: '" << command << "' is not a command"
              << (nearest.empty() ? std::string(".") : "; did you mean '" + nearest + "'?")
              << " See 'kestrel-gen --help'.\n";
    return kestrel::kExitUsage;
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "kestrel-gen: no command given\n";
        kestrel::PrintUsage(true);
        return kestrel::kExitUsage;
    }
    const std::string command = argv[1];
    const kestrel::Args args(argv + 2, argv + argc);
    if (command == "--version" || command == "-V") {
        std::cout << "kestrel-gen " << kestrel::kVersion << '\n';
        return 0;
    }
    if (command == "--help" || command == "-h") {
        kestrel::PrintUsage(false);
        return 0;
    }
    if (command == "__complete") return kestrel::RunComplete(args);
    const kestrel::CommandRow* row = kestrel::CommandNamed(command);
    if (row == nullptr) return UnknownCommand(command);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        kestrel::PrintCommandHelp(*row);
        return 0;
    }
    kestrel::CliOptions options;
    if (!kestrel::ParseCliOptions(args, *row, options)) return kestrel::kExitUsage;
    return row->run(options);
}

}  // namespace

int main(int argc, char** argv) {
    return FinishStandardOutput(Run(argc, argv));
}
