#include "identified_text.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "catalogue_session.h"
#include "display/display.h"
#include "learn/decoded_text.h"

namespace kestrel {
namespace {

void ReportCode(const HeardCode& code, const CleanSignal& signal, std::ostringstream& out) {
    out << "  frame:";
    for (const int64_t d : code.frame.durations)
        out << ' ' << d;
    int frames = 0;
    for (const CleanFrame& f : signal.frames)
        frames += f.count;
    out << "\n  heard: " << Plural(code.frame.count, "time", "times") << " in "
        << Plural(frames, "frame", "frames") << ", marks " << signal.markExcessMicros
        << " us longer, jitter " << signal.jitterMicros << " us, "
        << Plural(signal.spikes, "blip", "blips") << "\n";
    for (const DecodedCode& d : code.decoded)
        out << "  match: " << DecodedText(d) << "\n";
    if (code.decoded.empty()) out << "  match: none\n";
    std::vector<std::string> codes;
    for (const CatalogueEntry& entry : code.entries) {
        out << "  entry: " << entry.Name() << "\n";
        if (std::find(codes.begin(), codes.end(), entry.code) == codes.end()) {
            codes.push_back(entry.code);
        }
    }
    if (code.entries.empty()) out << "  entry: none\n";
    for (const NearEntry& near : code.nearest) {
        out << "  nearest: " << near.entry->Name() << " ("
            << Plural(near.bits, "bit differs", "bits differ") << ")\n";
    }
    for (const std::string& text : codes)
        out << "  code: " << text << "\n";
}

}  // namespace

std::string Plural(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

bool AddCatalogues(const CliOptions& options, Identifier& identifier, Display& display) {
    const std::vector<ModelSource> models = ListModels(options.dir, options.userDir);
    if (options.Has("--model")) {
        const std::string model = options.Value("--model");
        const Result<std::vector<Notice>> added =
            identifier.AddModel(model, ModelFolder(models, model, options.dir));
        if (!added) display.ShowMessage(added.reason());
        Show(added.value_or({}), display);
        return added.ok();
    }
    for (const ModelSource& model : models) {
        const Result<std::vector<Notice>> added = identifier.AddModel(model.name, model.folder);
        if (!added) display.ShowMessage(added.reason());
        Show(added.value_or({}), display);
    }
    if (identifier.Indexes().empty()) {
        display.ShowMessage("kestrel-gen: no device files in " + options.dir);
        return false;
    }
    return true;
}

std::string IdentifiedText(const Identification& found, int32_t protocolHz) {
    const CleanSignal& signal = found.signal;
    std::ostringstream out;
    if (found.carrierDiffers) {
        out << "  note: the carrier is more than " << kCarrierTolerancePercent
            << " % away from the protocol's " << protocolHz << " Hz\n";
    }
    if (found.separatorMicros != kCaptureGapMicros) {
        out << "  note: frames cut at spaces of " << found.separatorMicros << " us\n";
    }
    if (found.codes.empty()) out << "  frame: none\n  match: none\n  entry: none\n";
    for (const HeardCode& code : found.codes)
        ReportCode(code, signal, out);
    return out.str();
}

}  // namespace kestrel
