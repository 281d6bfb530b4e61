// kestrel-gen check MODEL|FILE [--dir DIR] [--strict]: loads a device file
// as the window does, with a fresh catalogue, and prints every line note the
// loader gives as FILE:LINE: REASON, its warnings included. The notes come
// from the loader itself, so what check reports is what the window loaded.

#include <iostream>
#include <string>

#include "catalogue/file_formats.h"
#include "catalogue_session.h"
#include "commands.h"
#include "util/text.h"

namespace kestrel {

int RunCheck(const CliOptions& options) {
    if (options.positional.size() != 1) return ArgumentCountError(options, "MODEL or FILE");
    const std::string& target = options.positional[0];
    CliSession session;
    session.folder = options.dir;
    session.userFolder = options.userDir;

    std::string shown;  // the file's name in the notes
    // Skipped lines fail the check; with --strict, lines ignored or warned
    // about too.
    const bool strict = options.Has("--strict");
    bool failed = false;
    session.catalogue.OnLineNote = [&](const LineNote& note) {
        failed = failed || note.kind == LineNote::Kind::Skipped ||
                 (strict &&
                  (note.kind == LineNote::Kind::Ignored || note.kind == LineNote::Kind::Warning));
        std::cout << shown << ':' << note.line << ": " << note.reason << '\n';
    };
    bool loaded = false;
    if (target.find('/') != std::string::npos ||
        EndsWithNoCase(target, file_format::kDeviceFileSuffix)) {
        // A file: its model name is what the model list would show for it.
        const size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : target.substr(0, slash);
        const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
        shown = target;
        session.catalogue.ModelName =
            name.substr(0, FindNoCase(name, file_format::kDeviceFileSuffix));
        const Status status = session.catalogue.LoadDeviceFile(folder, name);
        if (!status) session.display.ShowMessage(status.reason());
        loaded = status.ok();
    } else if (target.empty()) {
        session.display.ShowMessage("kestrel-gen: the model name is empty");
    } else {
        shown = DeviceFilePath(session.ModelFolderOf(target),
                               target + std::string(file_format::kDeviceFileSuffix));
        const Status selected = session.SelectModel(target);
        if (!selected) session.display.ShowMessage(selected.reason());
        loaded = selected.ok();
    }
    return loaded && !failed ? 0 : kExitRefused;
}

}  // namespace kestrel
