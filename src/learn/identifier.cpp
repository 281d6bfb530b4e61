#include "learn/identifier.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "session/request.h"

namespace kestrel {

Identifier::Identifier() {
    // The built-in protocol has its forms: its set-up notes nothing.
    (void)generator_.SetupProtocol();
    reference_ = ReferenceTimingsOf(generator_.Protocol(), generator_.Defines());
}

Identifier::~Identifier() = default;

Result<std::vector<Notice>> Identifier::AddModel(const std::string& model,
                                                 const std::string& folder) {
    auto catalogue = std::make_unique<Catalogue>();
    const Status loaded = SelectModel(*catalogue, folder, model);
    if (!loaded) return Refused(loaded.reason());
    return AddCatalogue(model, std::move(catalogue));
}

std::vector<Notice> Identifier::AddCatalogue(const std::string& model,
                                             std::unique_ptr<const Catalogue> catalogue) {
    std::vector<Notice> notices;
    indexes_.push_back(
        std::make_unique<CatalogueIndex>(model, std::move(catalogue), generator_, notices));
    return notices;
}

bool Identification::Named() const {
    return !codes.empty() && std::all_of(codes.begin(), codes.end(), [](const HeardCode& code) {
        return !code.entries.empty();
    });
}

std::vector<HeardCode> Identifier::Decodable(const std::vector<CleanFrame>& frames) const {
    std::vector<HeardCode> codes;
    for (const CleanFrame& frame : frames) {
        std::vector<DecodedCode> decoded = DecodeDurations(
            frame.durations, generator_.Protocol(), generator_.Defines(), DecodeEnd::Capture);
        if (!decoded.empty()) codes.push_back({frame, std::move(decoded), {}, {}});
    }
    std::sort(codes.begin(), codes.end(),
              [](const HeardCode& a, const HeardCode& b) { return a.frame.first < b.frame.first; });
    return codes;
}

Identification Identifier::Identify(const Capture& capture) {
    Identification found;
    found.signal = Clean(capture, reference_);
    found.codes = Decodable(found.signal.frames);
    // A sender that left less than a gap between frames: cut at the
    // longest spaces instead.
    std::vector<int64_t> spaces;
    for (const int64_t d : found.signal.durations) {
        if (d < 0 && -d < kCaptureGapMicros) spaces.push_back(-d);
    }
    std::sort(spaces.begin(), spaces.end(), std::greater<>());
    spaces.erase(std::unique(spaces.begin(), spaces.end()), spaces.end());
    for (size_t i = 0; i < spaces.size() && i < kSeparatorsTried && found.codes.empty(); ++i) {
        std::vector<CleanFrame> frames = FramesOf(found.signal.durations, spaces[i]);
        found.codes = Decodable(frames);
        if (found.codes.empty()) continue;
        found.signal.frames = std::move(frames);
        found.separatorMicros = spaces[i];
    }
    if (found.codes.empty() && !found.signal.frames.empty()) {
        found.codes.push_back({found.signal.frames.front(), {}, {}, {}});
    }
    for (HeardCode& code : found.codes) {
        for (const std::unique_ptr<CatalogueIndex>& index : indexes_) {
            index->Lookup(code.decoded, code.entries, found.notices);
        }
        if (!code.entries.empty() || code.decoded.empty()) continue;
        for (const std::unique_ptr<CatalogueIndex>& index : indexes_) {
            index->Nearest(code.decoded, kNearestShown, code.nearest);
        }
    }
    const int64_t protocolHz = generator_.Protocol().CarrierHz;
    if (found.signal.carrierHz) {
        found.carrierDiffers = std::llabs(*found.signal.carrierHz - protocolHz) * 100 >
                               protocolHz * kCarrierTolerancePercent;
    }
    return found;
}

}  // namespace kestrel
