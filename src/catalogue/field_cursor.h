// Field splitting for the device file reader and loader without copying the
// rest of the line at every cut.
//
// A cursor over a text, trimmed at the start, cut by util's one tokenizer
// (CutToken, quote flag 0): the token is the text up to the first delimiter
// outside double quotes, matched ignoring case, with the double quotes
// dropped and blanks trimmed; the rest starts after the delimiter, trimmed.
// Cutting a long line into many fields stays linear in its length.
#pragma once

#include <string>
#include <string_view>

#include "util/text.h"

namespace kestrel {

class FieldCursor {
  public:
    explicit FieldCursor(std::string_view text) : text_(TrimBlanks(text)) {}

    bool Empty() const { return text_.empty(); }
    // The rest of the text, trimmed, as NextToken would leave it.
    std::string_view Rest() const { return text_; }

    std::string Next(std::string_view delimiter) { return CutToken(text_, delimiter); }

  private:
    std::string_view text_;
};

}  // namespace kestrel
