// How decode, identify and the window's learn dialog write the fields a code
// carries:
//   discrete, device 16 (0x10), function 49 (0x31)
//   valuetext, device 16 (0x10), value "1"
// A value text is in double quotes, a quote, a backslash and bytes outside
// printable ASCII escaped (\", \\, \xHH).
#pragma once

#include <cstdio>
#include <string>

#include "generator/decoder.h"

namespace kestrel {

// A text in double quotes, a quote, a backslash and bytes outside
// printable ASCII escaped.
inline std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte > 0x7E) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

inline std::string DecodedText(const DecodedCode& code) {
    const auto hex = [](uint32_t value) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", value);
        return std::string(text);
    };
    std::string out = std::string(FormWord(code.form)) + ", device " + std::to_string(code.device) +
                      " (" + hex(code.device) + "), ";
    if (code.form != BuiltInForm::ValueText) {
        return out + "function " + std::to_string(code.function) + " (" + hex(code.function) + ")";
    }
    return out + "value " + Quoted(code.valueText);
}

}  // namespace kestrel
