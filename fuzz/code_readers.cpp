// The readers of other tools' files over arbitrary bytes: the first byte
// picks the format, the rest is the file. Whatever they read is a code a
// sender can take: durations from a mark, alternating, none 0, not too many.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "export/code_readers.h"
#include "fuzz_targets.h"

namespace kestrel::fuzz {

int FuzzCodeReaders(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const auto format = static_cast<CodeFormat>(data[0] % 7);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    (void)DetectCodeFormat(text);
    for (const ReadCode& code : ReadCodes(text, format, "file").codes) {
        KESTREL_FUZZ_CHECK(!code.durations.empty());
        KESTREL_FUZZ_CHECK(code.durations.size() <= kMostReadDurations);
        KESTREL_FUZZ_CHECK(code.carrierHz >= 0);
        for (size_t i = 0; i < code.durations.size(); ++i)
            KESTREL_FUZZ_CHECK(i % 2 == 0 ? code.durations[i] > 0 : code.durations[i] < 0);
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzCodeReaders)
