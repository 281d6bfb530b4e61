// Reader of the Pronto hex file that a generate-all run writes: for each
// code an "IR Data For Command " line followed by one line of Pronto hex.
//
// The reader works on the whole text in memory and never throws for bad
// input: every refusal comes back as a message naming the line. The line
// pieces are those Gen ALL writes (catalogue/file_formats.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "generator/pronto_reader.h"

namespace kestrel::hex2ccf {

// One code of the file.
struct HexEntry {
    size_t line = 0;              // line number of the "IR Data For Command " line, from 1
    std::string caption;          // text between "IR Data For Command " and "  Device Code: "
    std::string label;            // text after " Function: ": function code and value text
    std::vector<uint16_t> words;  // the Pronto words, as they stand
};

// The first line of an entry, split.
struct EntryHeader {
    std::string caption;
    std::string label;
};

// Reads a whole Pronto hex file. Lines end at CR LF, CR or LF; blank lines
// between entries are skipped. Texts are 8-bit bytes and kept as they are.
Result<std::vector<HexEntry>> ReadHexText(std::string_view text);

// A code line is read strictly, all its words: four-digit hexadecimal words
// separated by blanks, at least the four header words, an even number of
// words, and exactly as many duration words as the two pair counts announce.
inline constexpr ProntoReadOptions kCodeLine{.maxWords = SIZE_MAX, .strict = true};

// The "IR Data For Command " line of an entry, split into caption and label.
Result<EntryHeader> ParseEntryHeader(std::string_view line);

}  // namespace kestrel::hex2ccf
