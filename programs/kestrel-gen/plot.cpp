// kestrel-gen plot: the picture of a code, as the window's signal view draws
// it, written as a PNG or SVG file (or to standard output) without a display.
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
#include "util/file_writer.h"
#include "util/program_folder.h"
#include "util/text.h"

namespace kestrel {
namespace {

// The plot library's drawing, loaded from the program's folder; null (and
// the reason in problem) when it cannot be loaded.
DrawPlotFunction* LoadPlotLibrary(std::string& problem) {
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
    return reinterpret_cast<DrawPlotFunction*>(entry);
}

void Collect(void* context, const char* bytes, size_t size) {
    static_cast<std::string*>(context)->append(bytes, size);
}

// The picture's format: --format, else FILE's ending; "" after the usage
// error for any other.
std::string PictureFormat(const CliOptions& options, const std::string& output) {
    if (options.Has("--format")) {
        const std::string format = options.Value("--format");
        if (format == "png" || format == "svg") return format;
        (void)UsageError(options, "--format takes png or svg, not '" + format + "'");
        return "";
    }
    if (output == "-" || EndsWithNoCase(output, ".png")) return "png";
    if (EndsWithNoCase(output, ".svg")) return "svg";
    (void)UsageError(options, "the file '" + output +
                                  "' ends neither in .png nor in .svg; name one, or give "
                                  "--format png|svg");
    return "";
}

}  // namespace

int RunPlot(const CliOptions& options) {
    if (!options.Has("--output") || options.Value("--output").empty()) {
        return UsageError(options, "plot needs -o FILE (- for standard output)");
    }
    const std::string output = options.Value("--output");
    const std::string format = PictureFormat(options, output);
    if (format.empty()) return kExitUsage;

    const Args& rest = options.positional;
    std::string text;
    if (options.Has("--pronto")) {
        if (!rest.empty()) return UsageError(options, "plot --pronto TEXT takes no other argument");
        text = options.Value("--pronto");
    } else {
        const std::string source = rest.empty() ? "" : rest[0];
        if (source != "code" && source != "remote" && source != "manual") {
            return UsageError(
                options, "plot draws code, remote, manual or --pronto TEXT, not '" + source + "'");
        }
        const MadeCode made = MakeCode(source == "code"     ? CodeSource::Discrete
                                       : source == "remote" ? CodeSource::Remote
                                                            : CodeSource::Manual,
                                       options, 1);
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
    DrawPlotFunction* draw = LoadPlotLibrary(problem);
    if (draw == nullptr) {
        display.ShowMessage(problem);
        return kExitRefused;
    }
    std::string picture;
    char reason[512] = "";
    if (draw(text.c_str(), format.c_str(), Collect, &picture, reason, sizeof reason) != 0) {
        display.ShowMessage(std::string("Could not draw the code: ") + reason);
        return kExitRefused;
    }
    const Status written = WriteFile(output, picture, /*dashIsStandardOutput=*/true);
    if (!written) {
        display.ShowMessage("Could not write the file '" + output + "': " + written.reason());
        return kExitRefused;
    }
    return 0;
}

}  // namespace kestrel
