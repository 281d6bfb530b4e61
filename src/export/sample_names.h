// The names the exports give their codes, and the forms of a Latin-1 text
// that the formats can hold.
//
// A name is the sample's caption ("Power = On", NameStyle::Caption) or a key
// (NameStyle::Key): the Linux input key of an obvious button (KEY_POWER,
// KEY_UP, KEY_MENU, KEY_NUMERIC_1, ...; see kObviousKeys in the .cpp) or
// else an upper-case identifier made of the command and its value or label
// ("POWER_ON", "CONTRAST_MINUS_50") or the button's name.
//
// Names are unique within an export the same way in every format: two names
// collide when their identifiers are equal (so they also differ as file
// names on a file system that ignores case), and a later name gets " (2)",
// " (3)", ... (captions) or "_2", "_3", ... (keys) until it no longer does.
// Each format writes the name in the form it can hold (ASCII for Flipper,
// the identifier for key codes and file names), and the identifier keeps
// them apart.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "export/generate_all_writers.h"
#include "util/json_text.h"  // Utf8

namespace kestrel {

// Latin-1 text in printable ASCII: accented letters lose their accent
// ("é" is "e", "ß" is "ss"), every other byte outside 0x20-0x7E becomes "_".
std::string AsciiText(std::string_view latin1);

// An identifier safe in a shell and as a file name: AsciiText upper-cased,
// a minus sign before a number spelled "MINUS", every run of other
// characters than A-Z and 0-9 one "_", none at either end; "CODE" when
// nothing is left. "Picture Mode = Cinéma" gives "PICTURE_MODE_CINEMA",
// "Contrast = -5" "CONTRAST_MINUS_5".
std::string Identifier(std::string_view latin1);

// The key-style name of a sample before it is made unique.
std::string KeyName(const Sample& sample);

// Names the samples of one export in order.
class SampleNamer {
  public:
    explicit SampleNamer(NameStyle style = NameStyle::Caption) : style_(style) {}
    // The sample's name, unique among the names given before.
    std::string Name(const Sample& sample);

  private:
    NameStyle style_;
    std::set<std::string> taken_;  // the identifiers of the names given
    std::map<std::string, int> lastNumber_;
};

}  // namespace kestrel
