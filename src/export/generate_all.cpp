#include "export/generate_all.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>
#include <vector>

#include "catalogue/catalogue.h"
#include "export/output_file.h"
#include "generator/generator.h"
#include "session/request.h"
#include "util/hex.h"
#include "util/numbers.h"

namespace kestrel {
namespace {

// The caption of a sample; dec gives the decimal function code (and shows
// its message) each time a caption needs it.
template <typename Dec>
std::string Caption(CaptionStyle style, const CommandEntry& entry, const Sample& sample,
                    const Dec& dec) {
    if (sample.rule == SampleRule::Value && style == CaptionStyle::Short) {
        return entry.Name + " = " + sample.value;
    }
    if (sample.rule != SampleRule::Enumeration) {
        return entry.Name + "(0x" + entry.FunctionCode + "/" + dec() + ") " + sample.label + "=" +
               sample.value;
    }
    std::string caption = entry.Name + " = " + sample.label;
    if (style == CaptionStyle::Listing) {
        caption += "  (0x" + entry.FunctionCode + "/" + dec() + "  '" + sample.value + "'/" +
                   EditValue(sample.value) + ")";
    }
    return caption;
}

}  // namespace

std::optional<std::string> MiddleOfRange(const ValueRange& range) {
    const double middle = (LeadingNumber(range.Min) + LeadingNumber(range.Max)) / 2;
    if (!std::isfinite(middle)) return std::nullopt;
    if (range.Min.find('.') != std::string::npos) return PlainDecimal15(middle);
    // Kept as a whole number of any size (0..65535 gives 32768).
    return WholeDecimal(middle);
}

std::vector<PlannedSample> SamplesOf(const CommandEntry& entry, bool ranges) {
    std::vector<PlannedSample> samples;
    if (entry.IsEnumeration()) {
        int item = 0;
        for (const EnumValue& choice : entry.Values) {
            samples.push_back(
                {SampleRule::Enumeration, ++item, std::to_string(choice.Code), choice.Label});
        }
    } else if (entry.HasRange() && ranges) {
        samples = {{SampleRule::Minimum, 1, entry.Range.Min, "Minimum of Range"},
                   {SampleRule::Middle, 2, MiddleOfRange(entry.Range), "Middle of Range"},
                   {SampleRule::Maximum, 3, entry.Range.Max, "Maximum of Range"}};
    }
    return samples;
}

std::vector<PlannedSample> SamplesOf(const CommandEntry& entry, bool ranges,
                                     const ExportOptions& options, std::string& note) {
    note.clear();
    if (!options.everyEntry || entry.IsEnumeration() || !entry.HasRange() || !ranges) {
        return SamplesOf(entry, ranges);
    }
    const double low = LeadingNumber(entry.Range.Min);
    const double high = LeadingNumber(entry.Range.Max);
    const std::string keeps = "; its minimum, middle and maximum are taken";
    std::optional<double> step = options.step;
    if (step && entry.IsInteger()) step = std::max(1.0, std::nearbyint(*step));
    if (!step && entry.IsInteger()) step = 1;
    if (!step || !std::isfinite(low) || !std::isfinite(high) || !(*step > 0) || high < low) {
        note = entry.Name + (step ? ": the range gives no values" : ": a range of real numbers") +
               keeps + (step ? "" : " (give --step to take values along it)");
        return SamplesOf(entry, ranges);
    }
    // The values at the step up to Max, which ends the list when the step
    // does not reach it exactly.
    const double steps = std::floor((high - low) / *step * (1 + 1e-12));
    const bool stepped = options.step.has_value();
    const double limit =
        stepped ? ExportOptions::kMostRangeValues : ExportOptions::kWholeRangeValues;
    if (steps + 1 > limit) {
        note = entry.Name + ": the range holds more than " + WholeDecimal(limit) + " values" +
               (stepped ? " at that step" : "") + keeps +
               (stepped ? "" : " (give --step to take more)");
        return SamplesOf(entry, ranges);
    }
    const auto text = [&](double value) {
        return entry.IsInteger() ? WholeDecimal(value) : PlainDecimal15(value);
    };
    std::vector<PlannedSample> samples;
    const auto count = static_cast<int>(steps) + 1;
    for (int i = 0; i < count; ++i) {
        samples.push_back({SampleRule::Value, i + 1, text(low + i * *step), "Value of Range"});
    }
    if (samples.back().value != text(high)) {
        samples.push_back({SampleRule::Value, count + 1, text(high), "Value of Range"});
    }
    return samples;
}

int64_t SampleCount(const Catalogue& catalogue, bool ranges, const ExportOptions& options) {
    int64_t count = options.everyEntry ? static_cast<int64_t>(catalogue.RemoteCount()) : 0;
    std::string note;
    for (const CommandEntry& entry : catalogue.Commands()) {
        for (const PlannedSample& sample : SamplesOf(entry, ranges, options, note)) {
            if (sample.value) ++count;
        }
    }
    return count;
}

GenerateAll::GenerateAll(const Catalogue& catalogue, Generator& generator, OutputFiles& files)
    : catalogue_(catalogue), generator_(generator), files_(files) {}

void GenerateAll::SetConverter(std::string programFolder, ProgramStarter starter) {
    converter_ = {std::move(programFolder), std::move(starter)};
}

GenerateAllResult GenerateAll::Run(WindowFields& fields, const std::string& chosenPath) {
    return Run(fields, chosenPath, OutputKindOf(chosenPath));
}

GenerateAllResult GenerateAll::Run(WindowFields& fields, const std::string& chosenPath,
                                   const OutputKind& kind) {
    GenerateAllResult result;
    if (chosenPath.empty()) return result;
    result.ran = true;
    GenerateAllObserver quiet;
    GenerateAllObserver& observer = observer_ ? *observer_ : quiet;

    // Kept per run, so that a run started from inside another (through the
    // window's events) has files of its own.
    const std::unique_ptr<OutputWriter> writer = kind.make();
    writer->Configure(options_);
    if (const Status opened = writer->Open(files_, chosenPath, catalogue_); !opened) {
        observer.Show(Notice::Message(opened.reason()));
        return result;
    }
    fields.PickMode(Mode::Discrete);
    observer.RunStarted(SampleCount(catalogue_, writer->TakesRanges(), options_));

    const Status walked = Walk(fields, *writer, observer, result);
    if (result.stopped) {  // ending: nothing further is reported or started
        writer->Abandon();
        return result;
    }
    const Status closed = writer->Close();
    const Status& failure = walked ? closed : walked;
    if (!failure) observer.Show(Notice::Message(failure.reason()));
    observer.RunEnded();
    fields.SetText(Box::Output, "");
    if (!failure) return result;
    result.written = true;
    if (const Status finished = writer->Finish(converter_, result); !finished) {
        observer.Show(Notice::Message(finished.reason()));
    }
    return result;
}

// Samples are written only between two looks at whether the program is
// ending; the window's events run in between. The first failure to write
// ends the walk.
Status GenerateAll::Walk(WindowFields& fields, OutputWriter& writer, GenerateAllObserver& observer,
                         GenerateAllResult& result) {
    const auto stopping = [&] {
        if (observer.ShouldStop()) result.stopped = true;
        return result.stopped;
    };
    // The tables may be refilled by a model chosen while events run, so each
    // entry is copied before its samples are taken and the count read once.
    const size_t count = catalogue_.CommandCount();
    for (size_t i = 0; i < count && !stopping(); ++i) {
        const CommandEntry entry = catalogue_.Command(i);
        fields.SetText(Box::Value, "");
        fields.SetText(Box::CodeHex, entry.FunctionCode);
        fields.SetText(Box::CodeDecimal,
                       std::to_string(ParseHexInt32(fields.Text(Box::CodeHex)).value_or(0)));
        fields.SetText(Box::Output, "");
        // The decimal code, worked out (and its message shown) at each use.
        const auto dec = [&] {
            const Result<int16_t> code = ParseHexByte(entry.FunctionCode);
            if (!code) observer.Show(Notice::Message(code.reason()));
            return std::to_string(code.value_or(0));
        };

        std::string note;
        std::vector<PlannedSample> plan = SamplesOf(entry, writer.TakesRanges(), options_, note);
        if (!note.empty()) observer.Show(Notice::Message(note));
        for (PlannedSample& planned : plan) {
            if (!planned.value) {
                observer.Show(Notice::Message("The middle of the range of " + entry.Name +
                                              " is no finite number; that sample is left out"));
                continue;
            }
            Sample sample;
            sample.entry = static_cast<int>(i) + 1;
            sample.item = planned.item;
            sample.rule = planned.rule;
            sample.number = result.samples;
            sample.command = entry.Name;
            sample.label = std::move(planned.label);
            sample.functionHex = entry.FunctionCode;
            // The value as the window holds it, and the caption shown.
            const auto takeCaption = [&] {
                sample.value = fields.Text(Box::Value);
                sample.caption = Caption(writer.Captions(), entry, sample, dec);
                observer.CaptionChanged(sample.caption);
            };
            fields.SetText(Box::Value, *planned.value);
            // A choice's caption follows its code; a range sample's is shown
            // before the events run, while the previous code is still shown.
            const bool choice = planned.rule == SampleRule::Enumeration;
            if (choice) {
                fields.SetText(Box::Output, "");
            } else {
                fields.SelectKind(ValueKindOption::Value);
                takeCaption();
            }
            observer.ProcessEvents();
            if (stopping()) return {};
            Request(fields, observer);
            if (choice) takeCaption();
            sample.functionDec = dec();
            if (const Status written = WriteSample(fields, writer, observer, result, sample);
                !written) {
                return written;
            }
        }
    }
    if (!options_.everyEntry || stopping()) return {};
    return WalkRemote(fields, writer, observer, result);
}

// Every remote button as a click in Remote mode makes its code.
Status GenerateAll::WalkRemote(WindowFields& fields, OutputWriter& writer,
                               GenerateAllObserver& observer, GenerateAllResult& result) {
    const size_t count = catalogue_.RemoteCount();
    if (count > 0) fields.PickMode(Mode::Remote);
    for (size_t i = 0; i < count; ++i) {
        const RemoteEntry button = catalogue_.Remote(i);
        Sample sample;
        sample.item = static_cast<int>(i) + 1;
        sample.rule = SampleRule::Remote;
        sample.number = result.samples;
        sample.command = button.Name;
        sample.label = "Remote button";
        sample.caption = writer.Captions() == CaptionStyle::Listing ? "Remote button " + button.Name
                                                                    : button.Name;
        fields.SetText(Box::Value, button.Code);
        fields.SetText(Box::Output, "");
        observer.CaptionChanged(sample.caption);
        observer.ProcessEvents();
        if (observer.ShouldStop()) {
            result.stopped = true;
            return {};
        }
        Request(fields, observer);
        sample.value = fields.Text(Box::Value);
        sample.functionHex = fields.Text(Box::CodeHex);
        sample.functionDec = fields.Text(Box::CodeDecimal);
        if (const Status written = WriteSample(fields, writer, observer, result, sample);
            !written) {
            return written;
        }
    }
    return {};
}

// The code for the fields into the output box, after what the request shows.
void GenerateAll::Request(WindowFields& fields, GenerateAllObserver& observer) {
    const Outcome requested = RequestCode(fields, generator_);
    requested.Play(fields, [&observer](const Notice& notice) { observer.Show(notice); });
    fields.SetText(Box::Output, requested.code);
}

// The code in the output box and what the generator made it from, written.
Status GenerateAll::WriteSample(WindowFields& fields, OutputWriter& writer,
                                GenerateAllObserver& observer, GenerateAllResult& result,
                                Sample& sample) {
    sample.valueKind = KindLetter(fields.SelectedKind());
    sample.code = fields.Text(Box::Output);
    if (!sample.code.empty()) {
        sample.carrierHz = generator_.Protocol().CarrierHz;
        const std::span<const int32_t> durations = generator_.Durations();
        sample.durations.assign(durations.begin(), durations.end());
    }
    if (const Status written = writer.Write(sample); !written) return written;
    ++result.samples;
    observer.SampleWritten(fields, sample);
    return {};
}

}  // namespace kestrel
