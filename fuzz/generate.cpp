// GenerateCode over arbitrary forms, codes, values and kinds.
// Input lines: "!DIRECTIVE" adds a define; any other line is a request
// FORM<TAB>CODE<TAB>VALUE<TAB>KIND, all served by one generator.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "fuzz_lines.h"
#include "fuzz_targets.h"
#include "generator/generator.h"
#include "generator/pronto.h"
#include "generator/pronto_format.h"

namespace kestrel::fuzz {

int FuzzGenerate(const uint8_t* data, size_t size) {
    Generator generator;
    generator.SetupProtocol();
    for (const std::string& line : Lines(data, size)) {
        if (!line.empty() && line[0] == '!') {
            std::string directive = line.substr(1);
            (void)generator.AddDefine(directive, true);
            continue;
        }
        std::string fields[4];
        int field = 0;
        for (char c : line) {
            if (c == '\t' && field < 3)
                ++field;
            else
                fields[field].push_back(c);
        }
        const Result<std::string> code =
            generator.GenerateCode(fields[0], fields[1], fields[2], fields[3]).result;
        // A code that was made has the header and one word per duration,
        // each the duration in whole carrier periods; a refused one has none.
        const std::span<const int32_t> durations = generator.Durations();
        if (!code) {
            KESTREL_FUZZ_CHECK(durations.empty());
            KESTREL_FUZZ_CHECK(code.reason().find(kNoCodeGenerated) != std::string::npos);
            continue;
        }
        const int64_t period = *ProntoAssembler(generator.Protocol().CarrierHz).PeriodMicros();
        std::istringstream words(*code);
        std::string word;
        size_t count = 0;
        while (words >> word) {
            if (count >= kProntoHeaderWords) {
                const size_t index = count - kProntoHeaderWords;
                KESTREL_FUZZ_CHECK(index < durations.size());
                const int64_t cycles = std::stoll(word, nullptr, 16);
                const int64_t micros = std::llabs(static_cast<int64_t>(durations[index]));
                KESTREL_FUZZ_CHECK(std::llabs(cycles * period - micros) * 2 <= period);
            }
            ++count;
        }
        KESTREL_FUZZ_CHECK(count == kProntoHeaderWords + durations.size());
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzGenerate)
