// AddDefine with ClassifyDefine and NormaliseSpan over arbitrary directives,
// then a request with the built-in forms over the resulting table.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_lines.h"
#include "fuzz_targets.h"
#include "generator/generator.h"

namespace kestrel::fuzz {

int FuzzDefines(const uint8_t* data, size_t size) {
    Generator generator;
    generator.SetupProtocol();
    for (std::string line : Lines(data, size)) {
        const bool replace = !line.empty() && line[0] == '!';
        (void)generator.AddDefine(line, replace);
        (void)DefineTable::NormaliseSpan(line, generator.Protocol().TimeUnit);
    }
    for (const DefineRecord& define : generator.Defines()) {
        (void)generator.EvaluateDefine(define.Label);
    }
    (void)generator.GenerateCode(generator.Protocol().FormDiscrete, "32", "1", "H");
    (void)generator.GenerateCode(generator.Protocol().FormValueText, "32", "ab", "V");
    (void)generator.GenerateCode(generator.Protocol().FormRemote, "8324", "16", "D");
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzDefines)
