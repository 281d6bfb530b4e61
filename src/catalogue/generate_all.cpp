#include "catalogue/generate_all.h"

#include <cmath>
#include <memory>

#include "catalogue/catalogue.h"
#include "catalogue/file_formats.h"
#include "catalogue/output_file.h"
#include "catalogue/request.h"
#include "generator/generator.h"
#include "util/display.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {
namespace {

using file_format::kLabelWidth;
using file_format::kLineEnd;
const std::string kTemporaryFile(file_format::kTemporaryFile);

// The folder a file name lies in; "." for a bare name, "/" for the root.
std::string FolderOfFile(const std::string& path) {
    if (path.find('/') == std::string::npos) return ".";
    const std::string folder = FolderOf(path);
    return folder.empty() ? "/" : folder;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder == "/" ? folder + name : folder + "/" + name;
}

}  // namespace

OutputKind OutputKindOf(std::string_view fileName) {
    if (fileName.size() < 4) return OutputKind::TextListing;
    const std::string_view last = fileName.substr(fileName.size() - 4);
    if (EqualsNoCase(last, ".hex")) return OutputKind::ProntoHex;
    if (EqualsNoCase(last, ".ccf")) return OutputKind::ProntoCcf;
    return OutputKind::TextListing;
}

std::optional<std::string> MiddleOfRange(const ValueRange& range) {
    const double middle = (LeadingNumber(range.Min) + LeadingNumber(range.Max)) / 2;
    if (!std::isfinite(middle)) return std::nullopt;
    if (range.Min.find('.') != std::string::npos) return PlainDecimal15(middle);
    // Kept as a whole number of any size (0..65535 gives 32768).
    return WholeDecimal(middle);
}

std::string CompanionLine(int64_t buttonNumber, std::string_view label, std::string_view caption) {
    using namespace file_format;
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
           (errors.empty() ? std::string(file_format::kConverterName) + " ended with " + how
                           : std::string(errors));
}

// The files of one run. Kept per run, so that a run started from inside
// another (through the window's events) has files of its own.
struct GenerateAll::RunFiles {
    std::unique_ptr<OutputFile> main;
    std::string mainPath;
    std::unique_ptr<OutputFile> companion;
    std::string companionPath;
    std::string failure;  // the first failure, as shown to the user

    bool Write(OutputFile& file, const std::string& path, std::string_view line) {
        if (!failure.empty()) return false;
        if (file.Write(line) && file.Write(kLineEnd)) return true;
        failure = "Could not write the file '" + path + "': " + file.Error();
        return false;
    }

    void CloseAll() {
        // The companion listing was opened first; close the main file first.
        if (main && !main->Close() && failure.empty()) {
            failure = "Could not write the file '" + mainPath + "': " + main->Error();
        }
        if (companion && !companion->Close() && failure.empty()) {
            failure = "Could not write the file '" + companionPath + "': " + companion->Error();
        }
    }
};

GenerateAll::GenerateAll(const Catalogue& catalogue, Generator& generator, Display& display,
                         OutputFiles& files)
    : catalogue_(catalogue), generator_(generator), display_(display), files_(files) {}

void GenerateAll::SetConverter(std::string programFolder, ProgramStarter starter) {
    programFolder_ = std::move(programFolder);
    starter_ = std::move(starter);
}

bool GenerateAll::SaveIRdata(RunFiles& files, const std::string& caption, const std::string& df,
                             const std::string& value, const std::string& code, OutputKind kind) {
    if (kind == OutputKind::TextListing) {
        if (!files.Write(*files.main, files.mainPath,
                         std::string(file_format::kEntryPrefix) + caption)) {
            return false;
        }
    } else {
        if (files.companion &&
            !files.Write(*files.companion, files.companionPath,
                         CompanionLine(ProntoButtonNumber, df + value, caption))) {
            return false;
        }
        if (!files.Write(*files.main, files.mainPath,
                         std::string(file_format::kEntryPrefix) + caption +
                             std::string(file_format::kDeviceCodeMark) + df +
                             std::string(file_format::kFunctionMark) + df + value)) {
            return false;
        }
        ++ProntoButtonNumber;
    }
    return files.Write(*files.main, files.mainPath, code);
}

GenerateAllResult GenerateAll::Run(WindowFields& fields, const std::string& chosenPath) {
    ProntoButtonNumber = 0;
    GenerateAllResult result;
    if (chosenPath.empty()) return result;
    result.ran = true;
    GenerateAllObserver quiet;
    GenerateAllObserver& observer = observer_ ? *observer_ : quiet;
    const OutputKind kind = OutputKindOf(chosenPath);

    RunFiles files;
    files.mainPath = chosenPath;
    if (kind == OutputKind::ProntoCcf) {
        files.mainPath = InFolder(FolderOfFile(chosenPath), kTemporaryFile);
        files.companionPath = chosenPath.substr(0, chosenPath.size() - 4) + ".txt";
        std::string error;
        files.companion = files_.Create(files.companionPath, error);
        if (!files.companion) {
            display_.ShowMessage("Could not create the file '" + files.companionPath +
                                 "': " + error);
            return result;
        }
    }
    std::string error;
    files.main = files_.Create(files.mainPath, error);
    if (!files.main) {
        if (files.companion) files.companion->Close();
        display_.ShowMessage("Could not create the file '" + files.mainPath + "': " + error);
        return result;
    }

    fields.PickMode(Mode::Discrete);
    observer.RunStarted();

    // Samples are written only between two looks at whether the program is
    // ending; the window's events run in between.
    const auto stopping = [&] {
        if (observer.ShouldStop()) result.stopped = true;
        return result.stopped;
    };
    const auto ongoing = [&] { return files.failure.empty() && !result.stopped; };

    // The tables may be refilled by a model chosen while events run, so each
    // entry is copied before its samples are taken and the count read once.
    const int last = catalogue_.CommandCount();
    for (int i = 1; i <= last && ongoing() && !stopping(); ++i) {
        const CommandEntry entry = catalogue_.Command(i);
        fields.SetText(Box::Value, "");
        fields.SetText(Box::FChex, entry.FunctionCode);
        fields.SetText(Box::FCdec, std::to_string(HexToLong(fields.Text(Box::FChex)).value_or(0)));
        fields.SetText(Box::Output, "");
        // The decimal code, worked out (and its message shown) at each use.
        const auto dec = [&] {
            const Result<int16_t> code = Hex2Int(entry.FunctionCode);
            if (!code) display_.ShowMessage(code.reason());
            return std::to_string(code.value_or(0));
        };

        if (entry.IsEnumeration) {
            const size_t count = entry.Values.size();
            for (size_t j = 0; j < count && ongoing(); ++j) {
                const EnumValue& item = entry.Values[j];
                fields.SetText(Box::Value, std::to_string(item.Code));
                fields.SetText(Box::Output, "");
                observer.ProcessEvents();
                if (stopping()) break;
                fields.SetText(Box::Output, RequestCode(fields, generator_, display_));
                const std::string value = fields.Text(Box::Value);
                std::string caption = entry.Name + " = " + item.Label;
                if (kind == OutputKind::TextListing) {
                    caption += "  (0x" + entry.FunctionCode + "/" + dec() + "  '" + value + "'/" +
                               EditValue(value) + ")";
                }
                observer.CaptionChanged(caption);
                const std::string df = dec();
                if (!SaveIRdata(files, caption, df, value, fields.Text(Box::Output), kind)) break;
                observer.SampleWritten(fields,
                                       Sample{i, static_cast<int>(j) + 1, SampleRule::Enumeration,
                                              result.samples++, caption, df});
            }
        } else if (entry.HasRange && kind == OutputKind::TextListing) {
            struct RangeSample {
                SampleRule rule;
                const char* name;
                std::optional<std::string> value;
            };
            const RangeSample samples[] = {
                {SampleRule::Minimum, ") Minimum of Range=", entry.Range.Min},
                {SampleRule::Middle, ") Middle of Range=", MiddleOfRange(entry.Range)},
                {SampleRule::Maximum, ") Maximum of Range=", entry.Range.Max},
            };
            int item = 0;
            for (const RangeSample& sample : samples) {
                ++item;
                if (!ongoing()) break;
                if (!sample.value) {
                    display_.ShowMessage("The middle of the range of " + entry.Name +
                                         " is no finite number; that sample is left out");
                    continue;
                }
                fields.SetText(Box::Value, *sample.value);
                fields.SelectKind(ValueKindOption::Value);
                const std::string value = fields.Text(Box::Value);
                const std::string caption =
                    entry.Name + "(0x" + entry.FunctionCode + "/" + dec() + sample.name + value;
                observer.CaptionChanged(caption);
                observer.ProcessEvents();
                if (stopping()) break;
                fields.SetText(Box::Output, RequestCode(fields, generator_, display_));
                const std::string df = dec();
                if (!SaveIRdata(files, caption, df, value, fields.Text(Box::Output), kind)) break;
                observer.SampleWritten(fields,
                                       Sample{i, item, sample.rule, result.samples++, caption, df});
            }
        }
    }

    files.CloseAll();
    if (result.stopped) return result;  // ending: nothing further is reported or started
    if (!files.failure.empty()) display_.ShowMessage(files.failure);
    observer.RunEnded();
    fields.SetText(Box::Output, "");
    if (!files.failure.empty()) return result;
    result.written = true;

    if (kind == OutputKind::ProntoCcf) {
        const std::string converter =
            InFolder(programFolder_, std::string(file_format::kConverterName));
        if (!FileExists(converter)) {
            display_.ShowMessage("file '" + converter + "' does not exist");
            result.converterMissing = true;
        } else if (starter_) {
            std::string why;
            result.converterStarted =
                starter_(converter, {kTemporaryFile, chosenPath}, FolderOfFile(chosenPath), why);
            if (!result.converterStarted) {
                display_.ShowMessage("Could not start the converter '" + converter + "': " + why);
            }
        }
    }
    return result;
}

}  // namespace kestrel
