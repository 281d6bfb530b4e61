// Every kept fuzz input, fed to the fuzz targets' bodies in the normal build:
// the seeds of fuzz/corpus/<target>/ and the findings of
// fuzz/regressions/<target>/, each of which once crashed, hung or broke a
// property and must now run clean.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "fuzz_targets.h"

namespace kestrel::fuzz {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;
    int (*body)(const uint8_t*, size_t);
};

class FuzzInputs : public testing::TestWithParam<Target> {};

TEST_P(FuzzInputs, EveryKeptInputRunsClean) {
    std::set<fs::path> files;  // in order
    for (const char* kind : {"corpus", "regressions"}) {
        std::error_code error;
        const fs::path folder = fs::path(KESTREL_SOURCE_DIR "/fuzz") / kind / GetParam().name;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error))
            if (it->is_regular_file()) files.insert(it->path());
    }
    EXPECT_FALSE(files.empty()) << "no seeds for " << GetParam().name;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        // Named before the run, so that a crash says which input it was.
        std::fprintf(stderr, "%s: %s\n", GetParam().name, file.c_str());
        EXPECT_EQ(GetParam().body(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0)
            << file;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FuzzInputs,
    testing::Values(Target{"tokenizer", FuzzTokenizer}, Target{"defines", FuzzDefines},
                    Target{"evaluator", FuzzEvaluator}, Target{"generate", FuzzGenerate},
                    Target{"loader", FuzzLoader}, Target{"batch", FuzzBatch},
                    Target{"lirc", FuzzLirc}, Target{"hex2ccf", FuzzHex2ccf},
                    Target{"captures", FuzzCaptures}, Target{"code_readers", FuzzCodeReaders},
                    Target{"usb_uirt", FuzzUsbUirt}),
    [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrel::fuzz
