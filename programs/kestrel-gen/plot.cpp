// kestrel-gen plot: the picture of a code, as the window's signal view draws
// it, written as a PNG file without a display.
//
//   plot code MODEL COMMAND VALUE [--dir DIR] -o FILE
//   plot remote MODEL BUTTON [--dir DIR] -o FILE
//   plot manual CODE VALUE [--kind A|D|H|V] -o FILE
//   plot --pronto TEXT -o FILE

#include <dlfcn.h>

#include <iostream>
#include <string>

#include "catalogue_session.h"
#include "commands.h"
#include "generator/pronto_reader.h"
#include "plot_library.h"
#include "util/program_folder.h"

namespace kestrel {
namespace {

constexpr const char* kUsage =
    "usage: kestrel-gen plot code MODEL COMMAND VALUE [--dir DIR] -o FILE\n"
    "       kestrel-gen plot remote MODEL BUTTON [--dir DIR] -o FILE\n"
    "       kestrel-gen plot manual CODE VALUE [--kind A|D|H|V] -o FILE\n"
    "       kestrel-gen plot --pronto TEXT -o FILE\n";

int Usage() {
    std::cerr << kUsage;
    return kExitUsage;
}

// The plot library's drawing, loaded from the program's folder; null (and
// the reason in problem) when it cannot be loaded.
WritePlotFunction* LoadPlotLibrary(std::string& problem) {
    const std::string file = ProgramFolder() + "/" + kPlotLibraryFile;
    dlerror();
    void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entry = library ? dlsym(library, kPlotEntryPoint) : nullptr;
    if (entry == nullptr) {
        const char* error = dlerror();
        problem = "Could not load the plot library '" + file + "': " + (error ? error : "");
        if (library) dlclose(library);
        return nullptr;
    }
    // Kept loaded until the program ends.
    return reinterpret_cast<WritePlotFunction*>(entry);
}

}  // namespace

int RunPlot(const Args& args) {
    // -o FILE may stand anywhere; the rest is the code's source.
    Args rest;
    std::string output;
    bool hasOutput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "-o") {
            rest.push_back(args[i]);
        } else if (i + 1 < args.size() && !hasOutput) {
            output = args[++i];
            hasOutput = true;
        } else {
            return Usage();
        }
    }
    if (!hasOutput || output.empty() || rest.empty()) return Usage();

    std::string text;
    if (rest[0] == "--pronto") {
        if (rest.size() != 2) return Usage();
        text = rest[1];
    } else {
        CodeSource source = CodeSource::Discrete;
        if (rest[0] == "remote") {
            source = CodeSource::Remote;
        } else if (rest[0] == "manual") {
            source = CodeSource::Manual;
        } else if (rest[0] != "code") {
            return Usage();
        }
        CliOptions options;
        if (!ParseCliOptions(Args(rest.begin() + 1, rest.end()), SourceOptions(source), options)) {
            return kExitUsage;
        }
        const MadeCode made = MakeCode(source, options);
        if (made.status == kExitUsage) return Usage();
        if (made.status != 0) return made.status;
        text = made.code;
    }
    StderrDisplay display;
    const Result<ProntoCode> code = ReadProntoCode(text);
    if (!code) {
        display.ShowMessage("The text is not a Pronto code: " + code.reason());
        return kExitRefused;
    }

    std::string problem;
    WritePlotFunction* write = LoadPlotLibrary(problem);
    if (write == nullptr) {
        display.ShowMessage(problem);
        return kExitRefused;
    }
    char reason[512] = "";
    if (write(text.c_str(), output.c_str(), reason, sizeof reason) != 0) {
        display.ShowMessage("Could not write the file '" + output + "': " + reason);
        return kExitRefused;
    }
    return 0;
}

}  // namespace kestrel
