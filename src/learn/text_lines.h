// Lines and words of the capture readers' text files.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "base/lines.h"
#include "catalogue/catalogue.h"

namespace kestrel {

// Blanks and tabs at both ends removed.
inline std::string_view TrimSpace(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The words of a line, separated by blanks and tabs.
inline std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while ((i = line.find_first_not_of(" \t", i)) != std::string_view::npos) {
        const size_t end = line.find_first_of(" \t", i);
        words.push_back(line.substr(i, end - i));
        if (end == std::string_view::npos) break;
        i = end;
    }
    return words;
}

// The first lines of text that are neither blank nor comments ("#"), for a
// reader that tells whether a file is in its format.
template <typename Visit>
void ForFirstLines(std::string_view text, Visit&& visit) {
    constexpr int kLinesLooked = 40;
    constexpr size_t kBytesLooked = 16384;
    int lines = 0;
    ForEachLine(text.substr(0, kBytesLooked), [&](std::string_view line) {
        line = TrimSpace(line);
        if (lines >= kLinesLooked || line.empty() || line[0] == '#') return;
        ++lines;
        visit(line);
    });
}

// A count of microseconds or hertz written in decimal digits only, at most
// 2^31 - 1; none for anything else.
inline std::optional<int64_t> Count(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        text[0] == '-' || text[0] == '+' || value > INT32_MAX) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kestrel
