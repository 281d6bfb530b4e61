#include "hex_reader.h"

#include <string>

#include "base/chars.h"
#include "base/lines.h"
#include "catalogue/file_formats.h"
#include "util/text.h"

namespace kestrel::hex2ccf {
namespace {

using file_format::kDeviceCodeMark;
using file_format::kEntryPrefix;
using file_format::kFunctionMark;

// A Pronto code starts with four header words: format, carrier, number of
// once pairs, number of repeat pairs.
constexpr size_t kProntoHeaderWords = 4;
// Words quoted in a message are cut to this many characters.
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

std::string LinePrefix(size_t line) {
    return "line " + std::to_string(line) + ": ";
}

}  // namespace

Result<std::vector<uint16_t>> ParseProntoCode(std::string_view line) {
    std::vector<uint16_t> words;
    size_t i = 0;
    size_t wordNumber = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < line.size() && !IsBlank(line[end]))
            ++end;
        std::string_view word = line.substr(i, end - i);
        i = end;
        ++wordNumber;

        bool allHex = true;
        for (char c : word)
            allHex = allHex && HexDigit(c) >= 0;
        std::string where = "word " + std::to_string(wordNumber) + " " + Quote(word);
        if (!allHex)
            return Refused(where + " is not a hexadecimal word: the line is not Pronto hex");
        if (word.size() > 4) {
            return Refused(where +
                           " has more than four digits: a duration of more than 65535 carrier "
                           "cycles does not fit a Pronto code");
        }
        if (word.size() < 4) return Refused(where + " is not a four-digit Pronto word");
        uint16_t value = 0;
        for (char c : word)
            value = static_cast<uint16_t>(value * 16 + HexDigit(c));
        words.push_back(value);
    }

    const size_t count = words.size();
    if (count == 0) return Refused("the line holds no Pronto code (it is empty)");
    if (count < kProntoHeaderWords) {
        return Refused("only " + std::to_string(count) +
                       " words: a Pronto code needs at least its four header words");
    }
    if (count % 2 != 0) {
        return Refused("odd number of words (" + std::to_string(count) +
                       "): a Pronto code holds whole burst pairs");
    }
    const size_t once = words[2];
    const size_t repeat = words[3];
    const size_t expected = kProntoHeaderWords + 2 * (once + repeat);
    if (expected != count) {
        return Refused("the code announces " + std::to_string(once) + " once and " +
                       std::to_string(repeat) + " repeat burst pairs (" + std::to_string(expected) +
                       " words in all) but has " + std::to_string(count) + " words");
    }
    return words;
}

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
        Result<std::vector<uint16_t>> code = ParseProntoCode(lines[i]);
        if (!code) return Refused(LinePrefix(i + 1) + code.reason());
        ++i;
        entries.push_back(HexEntry{headerLine, std::move(header.value().caption),
                                   std::move(header.value().label), std::move(code).value()});
    }
    return entries;
}

}  // namespace kestrel::hex2ccf
