// Input layout shared by the catalogue fuzz targets: the first line is text
// a user types (into the range box or the manual code boxes), the rest is
// the device file. The seeds are the sample models behind such a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::fuzz {

struct CatalogueInput {
    std::string typed;
    std::string_view deviceText;
    std::string model;  // ModelName before the load
};

inline CatalogueInput SplitCatalogueInput(const uint8_t* data, size_t size) {
    CatalogueInput input;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t end = all.find('\n');
    if (end == std::string_view::npos) {
        input.deviceText = all;
    } else {
        input.typed = std::string(all.substr(0, end));
        input.deviceText = all.substr(end + 1);
    }
    // Qualifier groups are tested against a model picked by the input.
    static const char* const kModels[] = {"Tessel10", "Tessel20", "Vorta", ""};
    input.model = kModels[size % 4];
    return input;
}

// Whether text is what GenerateCode gives for a code it made: words of
// hexadecimal digits separated by single blanks.
inline bool LooksLikeProntoLine(std::string_view text) {
    if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
    char previous = 'x';
    for (const char c : text) {
        const bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (!digit && !(c == ' ' && previous != ' ')) return false;
        previous = c;
    }
    return true;
}

}  // namespace kestrel::fuzz
