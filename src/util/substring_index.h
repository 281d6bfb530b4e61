// Whether a word occurs in one long text, ignoring case, without reading the
// whole text for each word: the loader asks this of a model's options text
// at every O: qualifier, and a device file may hold an options text of
// megabytes and hundreds of thousands of qualifiers.
//
// The index keeps the text's positions in the order of the eight bytes that
// start there (bytes past the end count as 0), 12 bytes for each byte of
// the text. A word of up to eight bytes is found by binary search; a longer
// one is compared at the positions of the rarest of its eight-byte pieces.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class SubstringIndex {
  public:
    // Longer texts are not indexed (positions are 32-bit).
    static constexpr size_t kMaxLength = UINT32_MAX;

    explicit SubstringIndex(std::string_view text);
    // Whether word occurs in the text, ASCII letters compared ignoring
    // case; the empty word occurs in every text.
    bool Contains(std::string_view word) const;

  private:
    // The positions whose first bytes are piece (1 to 8 bytes).
    std::span<const uint32_t> Run(std::string_view piece) const;

    std::string text_;                 // upper case
    std::vector<uint64_t> keys_;       // in order
    std::vector<uint32_t> positions_;  // where each key starts
};

}  // namespace kestrel
