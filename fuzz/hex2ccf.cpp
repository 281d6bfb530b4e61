// The Pronto hex reader of hex2ccf over arbitrary text: the whole file, and
// each line as a code and as an entry header; a file that reads is built
// into a CCF file in memory. The first line is also read as the
// SOURCE_DATE_EPOCH text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ccf_writer.h"
#include "convert.h"
#include "fuzz_targets.h"
#include "hex_reader.h"

namespace kestrel::fuzz {
namespace {

void CheckCode(const hex2ccf::ProntoParseResult& code) {
    if (!code.ok()) return;
    // A code that reads is whole: its header words announce its length.
    KESTREL_FUZZ_CHECK(code.words.size() >= 4);
    KESTREL_FUZZ_CHECK(code.words.size() ==
                       4 + 2 * (static_cast<size_t>(code.words[2]) + code.words[3]));
}

}  // namespace

int FuzzHex2ccf(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (first) {
            const auto stamp = hex2ccf::TimestampFromEpochText(std::string(line));
            if (stamp) KESTREL_FUZZ_CHECK(stamp->year >= 1970 && stamp->year <= 9999);
            first = false;
        }
        CheckCode(hex2ccf::ParseProntoCode(line));
        const hex2ccf::HeaderParseResult header = hex2ccf::ParseEntryHeader(line);
        if (header.ok())
            KESTREL_FUZZ_CHECK(header.caption.size() + header.label.size() < line.size());
        start = end + 1;
    }

    const hex2ccf::HexReadResult read = hex2ccf::ReadHexText(text);
    if (!read.ok()) {
        KESTREL_FUZZ_CHECK(read.entries.empty());
        return 0;
    }
    for (const hex2ccf::HexEntry& entry : read.entries) {
        hex2ccf::ProntoParseResult code;
        code.words = entry.words;
        CheckCode(code);
        KESTREL_FUZZ_CHECK(entry.line >= 1);
    }
    hex2ccf::CcfOptions options;
    options.deviceName = read.entries.empty() ? "fuzz" : read.entries.front().caption;
    // A small limit now and then, so that the refusal of a file too large
    // for the format is reached as well.
    if (size % 7 == 0) options.maxFileSize = size * 4;
    const hex2ccf::CcfBuildResult ccf = hex2ccf::BuildCcf(read.entries, options);
    if (ccf.ok()) {
        KESTREL_FUZZ_CHECK(ccf.bytes.size() >= hex2ccf::ccf::kHeaderSize);
        KESTREL_FUZZ_CHECK(ccf.bytes.size() <= options.maxFileSize);
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzHex2ccf)
