// Text cut into lines the one way every reader of the program cuts it.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrel {

// The characters of text, split into lines at CR, CR LF and a lone LF; a
// last line without an end is a line too, and a line end at the very end
// starts no other line.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            visit(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) visit(text.substr(start));
}

// ForEachLine with each line's number, from 1.
template <typename Visit>
void ForEachNumberedLine(std::string_view text, Visit&& visit) {
    int64_t number = 0;
    ForEachLine(text, [&](std::string_view line) { visit(line, ++number); });
}

}  // namespace kestrel
