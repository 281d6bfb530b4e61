// The generate-all run over a catalogue loaded from arbitrary bytes, for
// all three output kinds, into files kept in memory; one run in a few goes
// to a real temporary folder instead. One of the in-memory runs has a file
// that fails after a number of bytes the input picks, as a full disk would.
// Input: as for the loader (line 1 is left to the loader target).

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "catalogue/catalogue.h"
#include "export/generate_all.h"
#include "export/output_file.h"
#include "fuzz_catalogue.h"
#include "fuzz_lines.h"
#include "fuzz_targets.h"
#include "generator/generator.h"
#include "support/memory_files.h"

namespace kestrel::fuzz {
namespace {

// A run that counts the messages needing acknowledgement.
class CountingObserver : public GenerateAllObserver {
  public:
    void Show(const Notice& notice) override {
        if (notice.kind == Notice::Kind::Message) ++messages;
    }
    int messages = 0;
};

size_t CountLineEnds(std::string_view text) {
    size_t count = 0;
    for (size_t at = text.find("\r\n"); at != std::string_view::npos;
         at = text.find("\r\n", at + 2)) {
        ++count;
    }
    return count;
}

// A folder of this process for the real runs, removed at exit.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kestrel-fuzz-batch-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TemporaryFolder() {
        std::error_code error;
        if (!path.empty()) std::filesystem::remove_all(path, error);
    }
    std::string path;
};

uint32_t Hash(const uint8_t* data, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

void RunInto(const Catalogue& catalogue, OutputFiles& files, const std::string& chosen,
             test::MemoryFiles* memory) {
    CountingObserver observer;
    Generator generator;
    generator.SetupProtocol();
    GenerateAll run(catalogue, generator, files);
    run.SetObserver(&observer);
    int starts = 0;
    run.SetConverter("/nonexistent-kestrel-program-folder",
                     [&](const std::string&, const std::vector<std::string>&, const std::string&) {
                         ++starts;
                         return Status();
                     });
    FieldRecord fields;
    const GenerateAllResult result = run.Run(fields, chosen);
    const bool ccf = OutputKindOf(chosen).name == "ccf";
    KESTREL_FUZZ_CHECK(result.ran);
    KESTREL_FUZZ_CHECK(starts == 0);
    KESTREL_FUZZ_CHECK(fields.output.empty());
    if (!result.written) {
        KESTREL_FUZZ_CHECK(observer.messages >= 1);  // the failure was reported
    } else if (ccf) {
        KESTREL_FUZZ_CHECK(result.converterMissing);
    }
    if (!memory) return;
    const std::string main = ccf ? "/fuzz/Temp$$.hex" : chosen;
    for (const auto& [path, content] : memory->files) {
        KESTREL_FUZZ_CHECK(content.closed);  // every file is closed, also after a failure
    }
    if (result.written) {
        // Two lines for every sample (caption and code), and the companion
        // listing one; no text of the catalogue can hold a line end.
        const auto found = memory->files.find(main);
        KESTREL_FUZZ_CHECK(found != memory->files.end());
        KESTREL_FUZZ_CHECK(CountLineEnds(found->second.bytes) ==
                           2 * static_cast<size_t>(result.samples));
        if (ccf) {
            const auto companion = memory->files.find("/fuzz/out.txt");
            KESTREL_FUZZ_CHECK(companion != memory->files.end());
            KESTREL_FUZZ_CHECK(CountLineEnds(companion->second.bytes) ==
                               static_cast<size_t>(result.samples));
        }
    }
}

}  // namespace

int FuzzBatch(const uint8_t* data, size_t size) {
    const CatalogueInput input = SplitCatalogueInput(data, size);
    Catalogue catalogue;
    catalogue.ModelName = input.model;
    catalogue.LoadDeviceText(input.deviceText);

    const uint32_t hash = Hash(data, size);
    const char* const names[] = {"/fuzz/out.txt", "/fuzz/out.hex", "/fuzz/out.ccf"};
    for (int k = 0; k < 3; ++k) {
        test::MemoryFiles files;
        if (static_cast<int>(hash % 3) == k && size > 0) {
            // This run's main file fails part way.
            files.failAfter[k == 2 ? "/fuzz/Temp$$.hex" : names[k]] = (hash >> 8) % (size * 4 + 1);
        }
        RunInto(catalogue, files, names[k], &files);
    }
    if (hash % 64 == 0) {
        static TemporaryFolder folder;
        if (!folder.path.empty()) {
            StdioOutputFiles files;
            const char* const real[] = {"/out.txt", "/out.hex", "/out.ccf"};
            RunInto(catalogue, files, folder.path + real[(hash >> 6) % 3], nullptr);
        }
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzBatch)
