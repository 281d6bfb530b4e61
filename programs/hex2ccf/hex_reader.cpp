#include "hex_reader.h"

#include <string>

#include "base/lines.h"
#include "catalogue/file_formats.h"
#include "util/text.h"

namespace kestrel::hex2ccf {
namespace {

using file_format::kDeviceCodeMark;
using file_format::kEntryPrefix;
using file_format::kFunctionMark;

// Captions quoted in a message are cut to this many characters.
constexpr size_t kQuoteLimit = 16;

// The position of the last occurrence of needle in text, ignoring case.
size_t FindLastNoCase(std::string_view text, std::string_view needle) {
    size_t found = std::string_view::npos;
    for (size_t at = FindNoCase(text, needle); at != std::string_view::npos;
         at = FindNoCase(text, needle, at + 1)) {
        found = at;
    }
    return found;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsBlankLine(std::string_view line) {
    for (char c : line) {
        if (!IsBlank(c)) return false;
    }
    return true;
}

std::string Quote(std::string_view text) {
    if (text.size() <= kQuoteLimit) return "\"" + std::string(text) + "\"";
    return "\"" + std::string(text.substr(0, kQuoteLimit)) + "...\"";
}

// Cuts the text into lines at CR LF, CR or LF. A line end at the very end
// of the text does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

// The words of a code read strictly, as they stand in its line.
std::vector<uint16_t> WordsOf(const ProntoCode& code) {
    std::vector<uint16_t> words = {
        static_cast<uint16_t>(code.formatWord), static_cast<uint16_t>(code.frequencyWord),
        static_cast<uint16_t>(code.once.size() / 2), static_cast<uint16_t>(code.repeat.size() / 2)};
    words.insert(words.end(), code.once.begin(), code.once.end());
    words.insert(words.end(), code.repeat.begin(), code.repeat.end());
    return words;
}

std::string LinePrefix(size_t line) {
    return "line " + std::to_string(line) + ": ";
}

}  // namespace

Result<EntryHeader> ParseEntryHeader(std::string_view line) {
    if (line.size() < kEntryPrefix.size() ||
        !EqualsNoCase(line.substr(0, kEntryPrefix.size()), kEntryPrefix)) {
        return Refused("expected a line starting with \"" + std::string(kEntryPrefix) + "\"");
    }
    std::string_view rest = line.substr(kEntryPrefix.size());
    // The caption comes from the device file and could hold anything; the
    // label after it is a number and a value, so the last mark is the real one.
    size_t device = FindLastNoCase(rest, kDeviceCodeMark);
    if (device == std::string_view::npos) {
        return Refused("no \"" + std::string(kDeviceCodeMark) +
                       "\" after the caption: this is not a line of a Pronto hex file");
    }
    std::string_view afterDevice = rest.substr(device + kDeviceCodeMark.size());
    size_t function = FindNoCase(afterDevice, kFunctionMark);
    if (function == std::string_view::npos) {
        return Refused("no \"" + std::string(kFunctionMark) + "\" after the device code");
    }
    return EntryHeader{std::string(rest.substr(0, device)),
                       std::string(afterDevice.substr(function + kFunctionMark.size()))};
}

Result<std::vector<HexEntry>> ReadHexText(std::string_view text) {
    std::vector<HexEntry> entries;
    const std::vector<std::string_view> lines = SplitLines(text);
    size_t i = 0;
    while (i < lines.size()) {
        if (IsBlankLine(lines[i])) {
            ++i;
            continue;
        }
        const size_t headerLine = i + 1;
        Result<EntryHeader> header = ParseEntryHeader(lines[i]);
        if (!header) return Refused(LinePrefix(headerLine) + header.reason());
        const std::string& caption = header->caption;
        ++i;
        if (i >= lines.size()) {
            return Refused(LinePrefix(headerLine) + "the entry " + Quote(caption) +
                           " has no code line: the file ends");
        }
        if (IsBlankLine(lines[i])) {
            return Refused(LinePrefix(i + 1) + "the entry " + Quote(caption) +
                           " has an empty code line: its code was not generated");
        }
        const Result<ProntoCode> code = ReadProntoCode(lines[i], kCodeLine);
        if (!code) return Refused(LinePrefix(i + 1) + code.reason());
        ++i;
        entries.push_back(HexEntry{headerLine, std::move(header.value().caption),
                                   std::move(header.value().label), WordsOf(*code)});
    }
    return entries;
}

}  // namespace kestrel::hex2ccf
