#include "export_captures.h"

#include <memory>
#include <string>

#include "export/code_readers.h"

namespace kestrel {
namespace {

// The formats identify reads through the export readers, and how sure their
// markers are: a file type line, a namespace, a table or a transmit action
// are theirs alone; "b64:" and a leading "{" only look like theirs.
struct ExportFormat {
    CodeFormat format;
    int sureness;
};
constexpr ExportFormat kExportFormats[] = {
    {CodeFormat::Flipper, kReaderSure},
    {CodeFormat::Esphome, kReaderSure},
    {CodeFormat::HomeAssistant, kReaderLikely},
    {CodeFormat::Broadlink, kReaderLikely},
    {CodeFormat::Girr, kReaderSure},
    {CodeFormat::Keymap, kReaderSure},
};

constexpr int64_t kMaxLine = int64_t{1} << 40;

// The line holding name at or after the line from, counted from 1; 0 when
// no line holds it (a Broadlink name joins the keys of nested objects).
int64_t LineOf(std::string_view text, const std::string& name, int64_t from) {
    if (name.empty()) return 0;
    int64_t number = 0;
    int64_t found = 0;
    size_t start = 0;
    while (found == 0 && start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (++number >= from && text.substr(start, end - start).find(name) != std::string::npos) {
            found = number;
        }
        start = end + 1;
    }
    return found;
}

// A reader's note ("line 12: the code Power is left out: ...") as a problem
// at its line; a note of no line is at line 0.
ReadProblem ProblemOf(const std::string& fileName, const std::string& note) {
    constexpr std::string_view kLine = "line ";
    int64_t line = 0;
    size_t at = 0;
    if (note.starts_with(kLine)) {
        at = kLine.size();
        while (at < note.size() && note[at] >= '0' && note[at] <= '9' && line < kMaxLine)
            line = line * 10 + (note[at++] - '0');
    }
    if (line > 0 && note.compare(at, 2, ": ") == 0) return {{fileName, line}, note.substr(at + 2)};
    return {{fileName, 0}, note};
}

class ExportCaptureReader : public CaptureReader {
  public:
    explicit ExportCaptureReader(ExportFormat format) : format_(format) {}

    std::string_view Name() const override { return CodeFormatName(format_.format); }

    int Recognise(std::string_view, std::string_view text) const override {
        return DetectCodeFormat(text) == format_.format ? format_.sureness : 0;
    }

    // Each code of the file is a capture, located at the line that names
    // it; what the format's reader left out is a problem of the file.
    void Read(std::string_view text, const std::string& fileName, CaptureFile& out) const override {
        const CodeFile codes = ReadCodes(text, format_.format, fileName);
        for (const std::string& note : codes.notes)
            out.problems.push_back(ProblemOf(fileName, note));
        int64_t line = 1;
        for (const ReadCode& code : codes.codes) {
            Capture capture;
            capture.durations.assign(code.durations.begin(), code.durations.end());
            if (code.carrierHz > 0) capture.carrierHz = code.carrierHz;
            const std::string& name = code.name;
            const int64_t named = LineOf(text, name.substr(name.rfind('/') + 1), line);
            if (named > 0) line = named;
            capture.where = {fileName, named};
            capture.name = name;
            out.captures.push_back(std::move(capture));
        }
    }

  private:
    ExportFormat format_;
};

}  // namespace

void AddExportReaders(CaptureReaders& readers) {
    for (const ExportFormat& format : kExportFormats)
        readers.Add(std::make_unique<ExportCaptureReader>(format));
}

}  // namespace kestrel
