// A form text cut into its items once, so that repeated requests with the
// same form do not cut and classify the text again. Everything that depends
// on a request (define kinds and values) is still looked up per request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generator/generator.h"

namespace kestrel {

// One token of a raw span.
struct RawToken {
    enum class Type { Pad, Set, Number, Label };
    Type type = Type::Label;
    std::string text;    // the token as written (for labels and messages)
    double number = 0;   // N of a pad or set duration, or the number's value
    int16_t define = 0;  // a label's define index
};

struct Generator::FormItem {
    enum class Type { Raw, Literal, Label };
    Type type = Type::Label;
    bool invert = false;
    std::string label;      // the field's label, or a literal's text
    int16_t define = 0;     // the label's define index (0 when undefined)
    double literal = 0;     // the leading number of a literal field
    std::string widthText;  // empty when the item has no colon
    double width = 0;       // the leading number of widthText
    std::vector<RawToken> raw;
};

struct Generator::ParsedForm {
    std::vector<FormItem> items;
};

}  // namespace kestrel
