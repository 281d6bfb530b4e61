// What the readers of code_readers.h share: turning numbers, quoted texts
// and UTF-8 into what a code needs, and the readers of the two formats with
// a nesting syntax (markup_readers.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/chars.h"
#include "export/code_readers.h"

namespace kestrel::reader {

// UTF-8 as Latin-1: characters beyond U+00FF become "?", and a byte that
// starts no valid sequence is taken as Latin-1 itself.
std::string Latin1(std::string_view utf8);
// Appends a character as UTF-8.
void AppendUtf8(std::string& out, uint32_t codePoint);

// A whole number of decimal digits with an optional sign, at most
// 999999999999 in size; nothing for any other text.
std::optional<int64_t> WholeNumber(std::string_view text);

// The text of a quoted scalar at the start of text (after blanks): "..."
// with backslash escapes (YAML, TOML, JSON), or '...' ('' for a quote);
// otherwise the text up to a " #" comment, without blanks at either end.
// end receives where the scalar ends in text.
std::string Scalar(std::string_view text, size_t* end = nullptr);

// Adds a code: the durations' signs (positive a mark) are kept, a leading
// space is dropped, zeros are dropped and neighbours of one sign joined.
// A code left with no duration, or with more than kMostReadDurations or one
// beyond 32 bits, is left out with a note naming it and where.
void AddCode(CodeFile& file, std::string name, int64_t carrierHz,
             const std::vector<int64_t>& durations, const std::string& where);

// Magnitudes that alternate, a mark first, as signed durations.
std::vector<int64_t> Alternating(const std::vector<int64_t>& magnitudes);

CodeFile ReadGirr(std::string_view text);
CodeFile ReadBroadlinkJson(std::string_view text);

}  // namespace kestrel::reader
