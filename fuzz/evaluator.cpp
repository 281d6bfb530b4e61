// EvaluateDefine over an arbitrary definition with arbitrary request values.
// Input: line 1 the device code text, line 2 the function value text (kind D),
// line 3 the definition of X, further lines more directives.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_lines.h"
#include "fuzz_targets.h"
#include "generator/generator.h"

namespace kestrel::fuzz {

int FuzzEvaluator(const uint8_t* data, size_t size) {
    const std::vector<std::string> lines = Lines(data, size);
    Generator generator;
    generator.SetupProtocol();
    const std::string device = lines.size() > 0 ? lines[0] : "32";
    const std::string function = lines.size() > 1 ? lines[1] : "5";
    // Loads the request values into the defines.
    (void)generator.GenerateCode("D:8,F:8", device, function, "D");
    for (size_t i = 2; i < lines.size(); ++i) {
        std::string directive = (i == 2 ? "X=" : "") + lines[i];
        (void)generator.AddDefine(directive, true);
    }
    // A failure names the define it failed for.
    for (char c = '@'; c <= 'Z'; ++c) {
        const std::string label = c == '@' ? "X" : std::string(1, c);
        const Result<int32_t> value = generator.EvaluateDefine(label).result;
        KESTREL_FUZZ_CHECK(value.ok() ||
                           value.reason().rfind("Evaluation of define " + label + " failed: ", 0) ==
                               0);
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzEvaluator)
