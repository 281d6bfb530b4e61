// Naming a capture: capture -> cleaner -> decoder -> the catalogue indexes
// -> every entry that makes the code, with the catalogue's own code.
//
//   Identifier identifier;
//   identifier.AddModel("Tessel10", folder);   // once per model, with its notices
//   for (const Capture& capture : captures) {
//       const Identification found = identifier.Identify(capture);
//       for (const HeardCode& code : found.codes)
//           for (const CatalogueEntry& entry : code.entries) show(entry.Name(), entry.code);
//   }
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "generator/generator.h"
#include "learn/capture.h"
#include "learn/catalogue_index.h"
#include "learn/cleaner.h"
#include "util/notice.h"

namespace kestrel {

// The carrier of a capture may lie this far from the protocol's.
inline constexpr int64_t kCarrierTolerancePercent = 10;
// How many nearest entries a code without entry is given.
inline constexpr size_t kNearestShown = 3;
// How many of the longest spaces are tried as separators between frames.
inline constexpr size_t kSeparatorsTried = 3;

// One code a capture holds, and what it is.
struct HeardCode {
    CleanFrame frame;
    // The forms the frame follows, with their fields.
    std::vector<DecodedCode> decoded;
    // Every catalogue entry that makes the code, model by model.
    std::vector<CatalogueEntry> entries;
    // With no entry but decoded fields: the nearest entries, nearest first.
    std::vector<NearEntry> nearest;
};

struct Identification {
    // The capture cleaned; its frames as the codes below were cut.
    CleanSignal signal;
    // The shortest space between frames: kCaptureGapMicros, or shorter when
    // only a shorter separator gives frames that follow a form.
    int64_t separatorMicros = kCaptureGapMicros;
    // Every distinct frame that follows a form, in the order first heard (a
    // press gives one; a toggling remote or a stream of several buttons
    // more). When none does, the most often heard frame alone, with no
    // fields. Empty when nothing was heard.
    std::vector<HeardCode> codes;
    // A measured carrier more than kCarrierTolerancePercent from the
    // protocol's.
    bool carrierDiffers = false;
    // What the request routines reported while codes were made, in order.
    std::vector<Notice> notices;

    // Every code is named by at least one entry.
    bool Named() const;
};

// Codes are made while naming, so one identifier serves one thread.
class Identifier {
  public:
    // The cleaner, decoder and code making use a generator of the
    // identifier's own, set up with the built-in protocol (which has its
    // forms, so the set-up notes nothing).
    Identifier();
    ~Identifier();
    Identifier(const Identifier&) = delete;
    Identifier& operator=(const Identifier&) = delete;

    // Loads model's device file from folder and indexes it: what the
    // request routines reported while its codes were made, in order;
    // refused (with the loader's reason) when the file is missing.
    Result<std::vector<Notice>> AddModel(const std::string& model, const std::string& folder);
    // Indexes a loaded catalogue under the name model; what the request
    // routines reported meanwhile.
    std::vector<Notice> AddCatalogue(const std::string& model,
                                     std::unique_ptr<const Catalogue> catalogue);
    const std::vector<std::unique_ptr<CatalogueIndex>>& Indexes() const { return indexes_; }

    // Cleans, decodes and names a capture. The nearest entries point into
    // the indexes: keep the identifier while they are used.
    Identification Identify(const Capture& capture);

    const Generator& GeneratorUsed() const { return generator_; }

  private:
    // The frames that follow a form, with their fields, in the order heard.
    std::vector<HeardCode> Decodable(const std::vector<CleanFrame>& frames) const;

    Generator generator_;
    ReferenceTimings reference_;
    std::vector<std::unique_ptr<CatalogueIndex>> indexes_;
};

}  // namespace kestrel
