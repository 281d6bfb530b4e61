// The capture readers and the identifier over arbitrary files. Input: byte
// 0 picks the file name the readers see, the rest is the file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_lines.h"
#include "fuzz_targets.h"
#include "learn/capture_readers.h"
#include "learn/identifier.h"

namespace kestrel::fuzz {

namespace {

// One model with every kind of entry, indexed once for the whole run.
struct Captures {
    Captures() {
        auto catalogue = std::make_unique<Catalogue>();
        catalogue->LoadDeviceText(
            "[SYSTEM]\nALLOWMANUAL = TRUE\n[COMMANDS]\nPower = 10; Enumeration; (0)Off, (1)On\n"
            "Level = 20; Integer; 0..100\nStatus = 40; Query\n[REMOTECODES]\nMenu = 5\n");
        identifier.AddCatalogue("Fuzz", std::move(catalogue));
    }
    Identifier identifier;
    CaptureReaders readers;
};

}  // namespace

int FuzzCaptures(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static Captures fixture;
    const CaptureReaders& readers = fixture.readers;
    Identifier* identifier = &fixture.identifier;
    static const char* kNames[] = {"-", "a.mode2", "b.txt", "c.hex"};
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const CaptureFile file = readers.Read(kNames[data[0] % 4], text);
    for (const ReadProblem& problem : file.problems) {
        KESTREL_FUZZ_CHECK(problem.where.line >= 1 && !problem.reason.empty());
    }
    for (const Capture& capture : file.captures) {
        KESTREL_FUZZ_CHECK(!capture.durations.empty());
        KESTREL_FUZZ_CHECK(capture.durations.size() <= kMaxCaptureDurations);
        const Identification found = identifier->Identify(capture);
        // Frames run from a mark to a mark; a named code is the catalogue's.
        for (const HeardCode& code : found.codes) {
            KESTREL_FUZZ_CHECK(!code.frame.durations.empty() && code.frame.durations.front() > 0 &&
                               code.frame.durations.back() > 0);
            for (const CatalogueEntry& entry : code.entries)
                KESTREL_FUZZ_CHECK(!entry.code.empty());
        }
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzCaptures)
