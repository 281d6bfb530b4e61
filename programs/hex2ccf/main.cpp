// hex2ccf INPUT.hex OUTPUT.ccf
//
// Turns the Pronto hex file that a generate-all run writes into a CCF file
// with one device, named after the output file, whose panels hold one
// button per code. Messages go to standard error; any refusal exits
// non-zero and leaves no output file behind. A text too long for the
// format is shortened with a warning.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "convert.h"
#include "util/version.h"

namespace {

constexpr int kExitConversionFailed = 1;
constexpr int kExitUsage = 2;

void Report(const std::string& text) {
    std::fprintf(stderr, "hex2ccf: %s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
        std::printf("hex2ccf %s\n", kestrel::kVersion);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "usage: hex2ccf INPUT.hex OUTPUT.ccf\n"
            "Converts the Pronto hex file of a generate-all run into a CCF file with one\n"
            "device named after OUTPUT.ccf. Exit status 1 when the input is refused, 2 for\n"
            "a wrong argument count. SOURCE_DATE_EPOCH fixes the file's time stamp.\n"
            "See hex2ccf(1).\n");
        return 0;
    }
    if (argc != 3) {
        Report("expected two arguments, got " + std::to_string(argc > 0 ? argc - 1 : 0));
        std::fprintf(stderr, "usage: hex2ccf INPUT.hex OUTPUT.ccf\n");
        return kExitUsage;
    }
    // A caller that stopped listening must not cost the file: a warning
    // that can no longer be written is dropped.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        std::vector<std::string> warnings;
        const kestrel::Status converted = kestrel::hex2ccf::ConvertFile(
            argv[1], argv[2], kestrel::hex2ccf::TimestampNow(), &warnings);
        for (const std::string& warning : warnings)
            Report("warning: " + warning);
        if (!converted) {
            Report(converted.reason());
            return kExitConversionFailed;
        }
    } catch (const std::bad_alloc&) {
        Report("not enough memory to convert '" + std::string(argv[1]) + "'");
        return kExitConversionFailed;
    } catch (const std::exception& e) {
        Report(std::string("conversion failed: ") + e.what());
        return kExitConversionFailed;
    }
    return 0;
}
