#include "util/json_text.h"

#include <cstdio>

namespace kestrel {

std::string Utf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::string JsonString(std::string_view latin1) {
    std::string escaped;
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += c;
        } else if (byte < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04X", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return "\"" + Utf8(escaped) + "\"";
}

}  // namespace kestrel
