// Field splitting for the device file loader without copying the rest of the
// line at every cut.
//
// A cursor over a text gives the same tokens as repeated NextToken calls
// (quote flag 0) with a delimiter that holds no blank and no double quote:
// the token is the text up to the first delimiter outside double quotes,
// matched ignoring case, with the double quotes dropped and blanks trimmed;
// the rest starts after the delimiter, trimmed. Cutting a long line into many
// fields stays linear in its length.
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

    std::string Next(std::string_view delimiter) {
        std::string token;
        bool inQuotes = false;
        size_t run = 0;  // first character not yet collected
        for (size_t i = 0; i < text_.size(); ++i) {
            const char c = text_[i];
            if (c == '"') {
                token.append(text_.substr(run, i - run));
                run = i + 1;
                inQuotes = !inQuotes;
            } else if (!inQuotes && StartsDelimiter(i, delimiter)) {
                token.append(text_.substr(run, i - run));
                text_ = TrimBlanks(text_.substr(i + delimiter.size()));
                return std::string(TrimBlanks(token));
            }
        }
        token.append(text_.substr(run));
        text_ = {};
        return std::string(TrimBlanks(token));
    }

  private:
    bool StartsDelimiter(size_t i, std::string_view delimiter) const {
        return !delimiter.empty() && UpperAscii(text_[i]) == UpperAscii(delimiter[0]) &&
               i + delimiter.size() <= text_.size() &&
               EqualsNoCase(text_.substr(i, delimiter.size()), delimiter);
    }

    std::string_view text_;
};

}  // namespace kestrel
