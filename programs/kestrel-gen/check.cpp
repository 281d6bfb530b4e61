// kestrel-gen check MODEL|FILE [--dir DIR]: loads a device file as the
// window does, with a fresh catalogue, and prints every line note the loader
// gives as FILE:LINE: REASON. The notes come from the loader itself, so what
// check reports is what the window loaded.

#include <iostream>
#include <string>

#include "catalogue/file_formats.h"
#include "catalogue_session.h"
#include "commands.h"
#include "util/text.h"

namespace kestrel {

int RunCheck(const Args& args) {
    CliOptions options;
    if (!ParseCliOptions(args, {"--dir"}, options)) return kExitUsage;
    if (options.positional.size() != 1) {
        std::cerr << "usage: kestrel-gen check MODEL|FILE [--dir DIR]\n";
        return kExitUsage;
    }
    const std::string& target = options.positional[0];
    CliSession session;
    session.folder = options.dir;
    session.userFolder = options.userDir;

    std::string shown;  // the file's name in the notes
    bool skipped = false;
    session.catalogue.OnLineNote = [&](const LineNote& note) {
        skipped = skipped || note.kind == LineNote::Kind::Skipped;
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
        loaded = session.SelectModel(target);
    }
    std::cout.flush();
    return loaded && !skipped ? 0 : kExitRefused;
}

}  // namespace kestrel
