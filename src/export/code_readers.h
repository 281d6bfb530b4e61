// Reading codes back from the files of other IR tools: the formats the
// exports write (format_writers.h), as those tools write them too.
//
//   Flipper        a Flipper Zero .ir file: raw entries, and parsed entries of
//                  the NEC and NECext protocols (made into their durations)
//   ESPHome        YAML: each remote_transmitter.transmit_raw (code and
//                  carrier_frequency) and transmit_pronto (data), named by
//                  the "name:" before it
//   HomeAssistant  YAML: each "b64:" Broadlink packet, named by the alias or
//                  the key of the script it stands in
//   Broadlink      JSON: every string that holds a Broadlink packet in base64,
//                  named by its key (the keys of nested objects joined by "/")
//   Girr           XML: each command's raw form (intro, repeat and ending;
//                  numbers or flash and gap elements) or its ccf (Pronto text),
//                  whichever its master attribute prefers and it has
//   Keymap         a Linux rc keymap (TOML): the entries of raw protocols,
//                  named by their keycode; it gives no carrier
//   IrCtl          an ir-ctl send file: "pulse", "space" and "carrier" lines or
//                  the "+N -N" form, named by the file
//
// Each code comes as microseconds, marks positive and spaces negative, a
// mark first (a leading space is dropped, neighbours of one sign are
// joined), with the carrier the file gives (0 when it gives none) and its
// name in Latin-1 (UTF-8 converted; characters beyond Latin-1 become "?").
// What cannot be read is never fatal: the entry is left out and a note
// says which and why, so bad input gives notes, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

enum class CodeFormat { Flipper, Esphome, HomeAssistant, Broadlink, Girr, Keymap, IrCtl };

// A code read from a file.
struct ReadCode {
    std::string name;
    int32_t carrierHz = 0;           // 0: the file gives none
    std::vector<int32_t> durations;  // us, marks positive, a mark first, none 0
};

struct CodeFile {
    std::vector<ReadCode> codes;
    std::vector<std::string> notes;  // what was left out, and why
};

// At most this many durations are read into one code.
inline constexpr size_t kMostReadDurations = 65536;

// The format's name as kestrel-gen's --format writes it ("flipper", ...);
// the format of such a name (ignoring case).
const char* CodeFormatName(CodeFormat format);
std::optional<CodeFormat> CodeFormatNamed(std::string_view name);

// The format the text is in, by its content; nothing when no format fits.
std::optional<CodeFormat> DetectCodeFormat(std::string_view text);

// The codes of text in format. fileName names an ir-ctl file's code (its
// last path part).
CodeFile ReadCodes(std::string_view text, CodeFormat format, std::string_view fileName = "");

}  // namespace kestrel
