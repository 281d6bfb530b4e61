// The Pronto hex reader of hex2ccf over arbitrary text: the whole file, and
// each line as a code (read strictly) and as an entry header; a file that
// reads is built into a CCF file in memory. The first line is also read as
// the SOURCE_DATE_EPOCH text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ccf_writer.h"
#include "convert.h"
#include "fuzz_targets.h"
#include "hex_reader.h"

namespace kestrel::fuzz {
namespace {

// A code that reads is whole: its header words announce its length.
void CheckCode(const std::vector<uint16_t>& words) {
    KESTREL_FUZZ_CHECK(words.size() >= 4);
    KESTREL_FUZZ_CHECK(words.size() == 4 + 2 * (static_cast<size_t>(words[2]) + words[3]));
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
        if (const auto code = ReadProntoCode(line, hex2ccf::kCodeLine)) {
            KESTREL_FUZZ_CHECK(code->once.size() % 2 == 0);
            KESTREL_FUZZ_CHECK(code->repeat.size() % 2 == 0);
        }
        const auto header = hex2ccf::ParseEntryHeader(line);
        if (header) KESTREL_FUZZ_CHECK(header->caption.size() + header->label.size() < line.size());
        start = end + 1;
    }

    const Result<std::vector<hex2ccf::HexEntry>> read = hex2ccf::ReadHexText(text);
    if (!read) return 0;
    const std::vector<hex2ccf::HexEntry>& entries = *read;
    for (const hex2ccf::HexEntry& entry : entries) {
        CheckCode(entry.words);
        KESTREL_FUZZ_CHECK(entry.line >= 1);
    }
    hex2ccf::CcfOptions options;
    options.deviceName = entries.empty() ? "fuzz" : entries.front().caption;
    // A small limit now and then, so that the refusal of a file too large
    // for the format is reached as well.
    if (size % 7 == 0) options.maxFileSize = size * 4;
    const Result<hex2ccf::CcfFile> ccf = hex2ccf::BuildCcf(entries, options);
    if (ccf) {
        KESTREL_FUZZ_CHECK(ccf->bytes.size() >= hex2ccf::ccf::kHeaderSize);
        KESTREL_FUZZ_CHECK(ccf->bytes.size() <= options.maxFileSize);
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzHex2ccf)
