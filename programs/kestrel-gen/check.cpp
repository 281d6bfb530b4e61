// kestrel-gen check MODEL|FILE [--dir DIR] [--strict]: reads a device file
// with a fresh catalogue as the window loads it, and prints every line note
// the loader gives as FILE:LINE: REASON, its warnings included. The reader's
// calls go on to the catalogue's own loader, and the notes come from it, so
// what check reports is what the window loaded.

#include <iostream>
#include <string>

#include "catalogue/device_file_reader.h"
#include "catalogue/file_formats.h"
#include "catalogue_session.h"
#include "commands.h"
#include "util/text.h"

namespace kestrel {

namespace {

// Hands every line on to a load of catalogue and prints the notes it gives
// as shown:LINE: REASON; failed once a note fails the check (a skipped line;
// with strict, also an ignored line or a warning).
class CheckHandler final : public DeviceFileHandler {
  public:
    CheckHandler(Catalogue& catalogue, std::string shown, bool strict)
        : catalogue_(catalogue), shown_(std::move(shown)), strict_(strict), loader_(catalogue) {
        catalogue_.OnLineNote = [this](const LineNote& note) { Report(note); };
    }
    ~CheckHandler() override { catalogue_.OnLineNote = nullptr; }

    bool Failed() const { return failed_; }

    void OnSection(Section section, int64_t line) override { loader_.OnSection(section, line); }
    void OnUnknownHeader(std::string_view header, Section section, int64_t line) override {
        loader_.OnUnknownHeader(header, section, line);
    }
    void OnEntry(const DeviceFileEntry& entry) override { loader_.OnEntry(entry); }
    void OnUnreadable(LineProblem problem, Section section, int64_t line) override {
        loader_.OnUnreadable(problem, section, line);
    }

  private:
    void Report(const LineNote& note) {
        failed_ = failed_ || note.kind == LineNote::Kind::Skipped ||
                  (strict_ &&
                   (note.kind == LineNote::Kind::Ignored || note.kind == LineNote::Kind::Warning));
        std::cout << shown_ << ':' << note.line << ": " << note.reason << '\n';
    }

    Catalogue& catalogue_;
    const std::string shown_;  // the file's name in the notes
    const bool strict_;
    bool failed_ = false;
    Catalogue::Loader loader_;
};

}  // namespace

int RunCheck(const CliOptions& options) {
    if (options.positional.size() != 1) return ArgumentCountError(options, "MODEL or FILE");
    const std::string& target = options.positional[0];
    CliSession session;
    session.folder = options.dir;
    session.userFolder = options.userDir;

    std::string folder, name, shown;
    if (target.find('/') != std::string::npos ||
        EndsWithNoCase(target, file_format::kDeviceFileSuffix)) {
        // A file: its model name is what the model list would show for it.
        const size_t slash = target.rfind('/');
        folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
        name = target.substr(slash == std::string::npos ? 0 : slash + 1);
        shown = target;
        session.catalogue.ModelName =
            name.substr(0, FindNoCase(name, file_format::kDeviceFileSuffix));
    } else if (target.empty()) {
        session.display.ShowMessage("kestrel-gen: the model name is empty");
        return kExitRefused;
    } else {
        // As the model selector picks it.
        folder = session.ModelFolderOf(target);
        name = target + std::string(file_format::kDeviceFileSuffix);
        shown = DeviceFilePath(folder, name);
        session.catalogue.ModelName = target;
    }
    const Result<std::string> text = ReadDeviceFileText(folder, name);
    if (!text) {
        session.display.ShowMessage(text.reason());
        return kExitRefused;
    }
    CheckHandler handler(session.catalogue, shown, options.Has("--strict"));
    ReadDeviceFile(*text, handler);
    return handler.Failed() ? kExitRefused : 0;
}

}  // namespace kestrel
