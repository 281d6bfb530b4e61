// EncodeForm and GenerateCode over arbitrary forms, codes, values and kinds.
// Input lines: "!DIRECTIVE" adds a define; any other line is a request
// FORM<TAB>CODE<TAB>VALUE<TAB>KIND, all served by one generator.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_display.h"
#include "fuzz_targets.h"
#include "generator/generator.h"

namespace kestrel::fuzz {

int FuzzGenerate(const uint8_t* data, size_t size) {
    QuietDisplay display;
    Generator generator(display);
    generator.SetupProtocol();
    for (const std::string& line : Lines(data, size)) {
        if (!line.empty() && line[0] == '!') {
            std::string directive = line.substr(1);
            generator.AddDefine(directive, 1);
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
        const std::string code = generator.GenerateCode(fields[0], fields[1], fields[2], fields[3]);
        const CodeBuffer& buffer = generator.Code();
        // A code that was made has one word per duration after the header.
        KESTREL_FUZZ_CHECK(code.empty() || buffer.TotalCount <= kMaxDurations);
        SpanRecord span;
        (void)generator.EncodeForm(fields[0], span, static_cast<int16_t>(line.size() % 3));
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzGenerate)
