#include "export/generate_all_writers.h"

#include "catalogue/file_formats.h"
#include "export/export_writers.h"
#include "export/generate_all.h"
#include "export/output_file.h"
#include "util/text.h"

namespace kestrel {
namespace {

using namespace file_format;

// The folder a file name lies in; "." for a bare name, "/" for the root.
std::string FolderOfFile(const std::string& path) {
    if (path.find('/') == std::string::npos) return ".";
    const std::string folder = FolderOf(path);
    return folder.empty() ? "/" : folder;
}

std::string InFolder(const std::string& folder, std::string_view name) {
    return folder == "/" ? folder + std::string(name) : folder + "/" + std::string(name);
}

// path with its ending replaced by newEnding; added when path lacks it.
std::string WithEnding(const std::string& path, std::string_view ending,
                       std::string_view newEnding) {
    const size_t keep = EndsWithNoCase(path, ending) ? path.size() - ending.size() : path.size();
    return path.substr(0, keep) + std::string(newEnding);
}

// Two lines a sample: the caption, then the code.
class TextListingWriter : public OutputWriter {
  public:
    bool TakesRanges() const override { return true; }
    CaptionStyle Captions() const override { return CaptionStyle::Listing; }
    Status Open(OutputFiles& files, const std::string& chosenPath, const Catalogue&) override {
        return file_.Create(files, chosenPath);
    }
    Status Write(const Sample& sample) override {
        const Status caption = file_.WriteLine(std::string(kEntryPrefix) + sample.caption);
        return caption ? file_.WriteLine(sample.code) : caption;
    }
    Status Close() override { return file_.Close(); }

  private:
    RunFile file_;
};

// Two lines a sample: the caption with the device code and the button
// label, then the code.
class ProntoHexWriter : public OutputWriter {
  public:
    bool TakesRanges() const override { return false; }
    CaptionStyle Captions() const override { return CaptionStyle::Short; }
    Status Open(OutputFiles& files, const std::string& chosenPath, const Catalogue&) override {
        return hex_.Create(files, chosenPath);
    }
    Status Write(const Sample& sample) override {
        const Status caption = hex_.WriteLine(std::string(kEntryPrefix) + sample.caption +
                                              std::string(kDeviceCodeMark) + sample.functionDec +
                                              std::string(kFunctionMark) + sample.ButtonLabel());
        return caption ? hex_.WriteLine(sample.code) : caption;
    }
    Status Close() override { return hex_.Close(); }

  protected:
    RunFile hex_;
};

// The Pronto hex lines into the temporary file beside the chosen CCF file,
// a companion listing of the buttons, then the converter that makes the
// CCF file from the temporary file.
class CcfRunWriter : public ProntoHexWriter {
  public:
    static constexpr std::string_view kExtension = ".ccf";

    std::vector<CompanionFile> CompanionFiles(const std::string& chosenPath) const override {
        return {{WithEnding(chosenPath, kExtension, ".txt"), "the button listing", false},
                {InFolder(FolderOfFile(chosenPath), kTemporaryFile),
                 "the Pronto hex file for the converter", true}};
    }
    Status Open(OutputFiles& files, const std::string& chosenPath, const Catalogue&) override {
        chosen_ = chosenPath;
        // The listing is created first, and closed last.
        const std::vector<CompanionFile> companions = CompanionFiles(chosenPath);
        const Status listing = listing_.Create(files, companions[0].path);
        if (!listing) return listing;
        const Status hex = hex_.Create(files, companions[1].path);
        if (!hex) (void)listing_.Close();
        return hex;
    }
    Status Write(const Sample& sample) override {
        const Status line =
            listing_.WriteLine(CompanionLine(sample.number, sample.ButtonLabel(), sample.caption));
        return line ? ProntoHexWriter::Write(sample) : line;
    }
    Status Close() override {
        const Status hex = hex_.Close();
        const Status listing = listing_.Close();
        return hex ? listing : hex;
    }
    Status Finish(const ConverterSetup& converter, GenerateAllResult& result) override {
        const std::string program = InFolder(converter.programFolder, kConverterName);
        if (!FileExists(program)) {
            result.converterMissing = true;
            return Refused("file '" + program + "' does not exist");
        }
        if (!converter.starter) return {};
        const Status started = converter.starter(program, {std::string(kTemporaryFile), chosen_},
                                                 FolderOfFile(chosen_));
        result.converterStarted = started.ok();
        if (!started) {
            return Refused("Could not start the converter '" + program + "': " + started.reason());
        }
        return {};
    }

  private:
    std::string chosen_;
    RunFile listing_;
};

template <typename Writer>
std::unique_ptr<OutputWriter> Make() {
    return std::make_unique<Writer>();
}

// The output kinds; the first is also taken for a file name that no
// ending picks. The exports are picked by their names alone.
const OutputKind kOutputKinds[] = {
    {"txt", ".txt", Make<TextListingWriter>},
    {"hex", ".hex", Make<ProntoHexWriter>},
    {"ccf", CcfRunWriter::kExtension, Make<CcfRunWriter>},
    {"lircd", "", MakeLircdWriter},
    {"json", "", MakeJsonWriter},
    {"csv", "", MakeCsvWriter},
};

}  // namespace

const OutputKind& OutputKindOf(std::string_view fileName) {
    for (const OutputKind& kind : kOutputKinds) {
        if (!kind.extension.empty() && EndsWithNoCase(fileName, kind.extension)) return kind;
    }
    return kOutputKinds[0];
}

const OutputKind* OutputKindNamed(std::string_view name) {
    for (const OutputKind& kind : kOutputKinds) {
        if (EqualsNoCase(kind.name, name)) return &kind;
    }
    return nullptr;
}

std::string CompanionLine(int64_t buttonNumber, std::string_view label, std::string_view caption) {
    std::string number = std::to_string(buttonNumber);
    if (number.size() < kButtonDigits) number.insert(0, kButtonDigits - number.size(), '0');
    std::string line = std::string(kButtonPrefix) + number;
    line += kLabeledAs;
    line += label;
    // A label longer than the width gets no padding.
    if (label.size() < kLabelWidth) line.append(kLabelWidth - label.size(), ' ');
    line += kCommandMark;
    line += caption;
    return line;
}

std::string ConverterFailure(const std::string& ccfPath, std::string_view errors,
                             const std::string& how) {
    while (!errors.empty() && (errors.back() == '\n' || errors.back() == '\r')) {
        errors.remove_suffix(1);
    }
    return "The CCF file '" + ccfPath + "' was not made: " +
           (errors.empty() ? std::string(kConverterName) + " ended with " + how
                           : std::string(errors));
}

}  // namespace kestrel
