// Every kept fuzz input, fed to the fuzz targets' bodies in the normal build:
// the seeds of fuzz/corpus/<target>/ and the findings of
// fuzz/regressions/<target>/, each of which once crashed, hung or broke a
// property and must now run clean.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_targets.h"

namespace kestrel::fuzz {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;
    int (*body)(const uint8_t*, size_t);
};

const Target kTargets[] = {
    {"tokenizer", FuzzTokenizer}, {"defines", FuzzDefines}, {"evaluator", FuzzEvaluator},
    {"generate", FuzzGenerate},   {"loader", FuzzLoader},   {"batch", FuzzBatch},
    {"lirc", FuzzLirc},           {"hex2ccf", FuzzHex2ccf},
};

std::vector<fs::path> InputsOf(const std::string& kind, const std::string& target) {
    std::vector<fs::path> files;
    const fs::path folder = fs::path(KESTREL_SOURCE_DIR) / "fuzz" / kind / target;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzInputs : public testing::TestWithParam<Target> {};

TEST_P(FuzzInputs, EveryKeptInputRunsClean) {
    const Target target = GetParam();
    std::vector<fs::path> files = InputsOf("corpus", target.name);
    EXPECT_FALSE(files.empty()) << "no seeds for " << target.name;
    const std::vector<fs::path> findings = InputsOf("regressions", target.name);
    files.insert(files.end(), findings.begin(), findings.end());
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        ASSERT_TRUE(in) << file;
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        // Named before the run, so that a crash says which input it was.
        std::fprintf(stderr, "%s: %s\n", target.name, file.string().c_str());
        EXPECT_EQ(target.body(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0)
            << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzInputs, testing::ValuesIn(kTargets),
                         [](const testing::TestParamInfo<Target>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace kestrel::fuzz
