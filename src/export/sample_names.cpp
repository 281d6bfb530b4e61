#include "export/sample_names.h"

#include <algorithm>
#include <iterator>

#include "util/text.h"

namespace kestrel {
namespace {

// The ASCII of the Latin-1 letters 0xC0-0xFF without their accents; "" for
// the two signs among them (multiplication and division).
constexpr const char* kUnaccented[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",  //
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",  //
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y",
};

// Buttons whose Linux input key is plain, by the identifier of the button's
// name (or of the command and its value); the keys are those of the
// kernel's input-event-codes.h.
struct ObviousKey {
    std::string_view name;
    std::string_view key;
};
constexpr ObviousKey kObviousKeys[] = {
    {"POWER", "KEY_POWER"},
    {"POWER_TOGGLE", "KEY_POWER"},
    {"ON_OFF", "KEY_POWER"},
    {"UP", "KEY_UP"},
    {"DOWN", "KEY_DOWN"},
    {"LEFT", "KEY_LEFT"},
    {"RIGHT", "KEY_RIGHT"},
    {"MENU", "KEY_MENU"},
    {"ENTER", "KEY_ENTER"},
    {"OK", "KEY_OK"},
    {"SELECT", "KEY_SELECT"},
    {"EXIT", "KEY_EXIT"},
    {"BACK", "KEY_BACK"},
    {"RETURN", "KEY_BACK"},
    {"INFO", "KEY_INFO"},
    {"HOME", "KEY_HOME"},
    {"HELP", "KEY_HELP"},
    {"SETUP", "KEY_SETUP"},
    {"GUIDE", "KEY_EPG"},
    {"EPG", "KEY_EPG"},
    {"MUTE", "KEY_MUTE"},
    {"VOLUME_UP", "KEY_VOLUMEUP"},
    {"VOL_UP", "KEY_VOLUMEUP"},
    {"VOLUME_DOWN", "KEY_VOLUMEDOWN"},
    {"VOL_DOWN", "KEY_VOLUMEDOWN"},
    {"CHANNEL_UP", "KEY_CHANNELUP"},
    {"CH_UP", "KEY_CHANNELUP"},
    {"CHANNEL_DOWN", "KEY_CHANNELDOWN"},
    {"CH_DOWN", "KEY_CHANNELDOWN"},
    {"PAGE_UP", "KEY_PAGEUP"},
    {"PAGE_DOWN", "KEY_PAGEDOWN"},
    {"PLAY", "KEY_PLAY"},
    {"PAUSE", "KEY_PAUSE"},
    {"PLAY_PAUSE", "KEY_PLAYPAUSE"},
    {"STOP", "KEY_STOP"},
    {"RECORD", "KEY_RECORD"},
    {"REWIND", "KEY_REWIND"},
    {"FAST_FORWARD", "KEY_FASTFORWARD"},
    {"NEXT", "KEY_NEXT"},
    {"PREVIOUS", "KEY_PREVIOUS"},
    {"EJECT", "KEY_EJECTCD"},
    {"ZOOM", "KEY_ZOOM"},
    {"ASPECT", "KEY_ASPECT_RATIO"},
    {"SUBTITLE", "KEY_SUBTITLE"},
    {"AUDIO", "KEY_AUDIO"},
    {"SLEEP", "KEY_SLEEP"},
    {"RED", "KEY_RED"},
    {"GREEN", "KEY_GREEN"},
    {"YELLOW", "KEY_YELLOW"},
    {"BLUE", "KEY_BLUE"},
    {"0", "KEY_NUMERIC_0"},
    {"1", "KEY_NUMERIC_1"},
    {"2", "KEY_NUMERIC_2"},
    {"3", "KEY_NUMERIC_3"},
    {"4", "KEY_NUMERIC_4"},
    {"5", "KEY_NUMERIC_5"},
    {"6", "KEY_NUMERIC_6"},
    {"7", "KEY_NUMERIC_7"},
    {"8", "KEY_NUMERIC_8"},
    {"9", "KEY_NUMERIC_9"},
};

bool IsAlphanumeric(char c) {
    return IsDigit(c) || IsUpperLetter(c) || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string AsciiText(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else if (byte >= 0xC0 && *kUnaccented[byte - 0xC0] != '\0') {
            out += kUnaccented[byte - 0xC0];
        } else {
            out += '_';
        }
    }
    return out;
}

std::string Identifier(std::string_view latin1) {
    std::string out;
    bool gap = false;
    const std::string ascii = AsciiText(latin1);
    for (size_t i = 0; i < ascii.size(); ++i) {
        const char c = ascii[i];
        // A minus sign before a number, so that -5 and 5 stay apart.
        if (c == '-' && i + 1 < ascii.size() && IsDigit(ascii[i + 1]) &&
            (i == 0 || !IsAlphanumeric(ascii[i - 1]))) {
            out += out.empty() ? "MINUS_" : "_MINUS_";
            gap = false;
            continue;
        }
        if (!IsAlphanumeric(c)) {
            gap = true;
            continue;
        }
        if (gap && !out.empty()) out += '_';
        gap = false;
        out += UpperAscii(c);
    }
    return out.empty() ? "CODE" : out;
}

std::string KeyName(const Sample& sample) {
    std::string base = sample.command;
    if (sample.rule == SampleRule::Enumeration) {
        base += " " + sample.label;
    } else if (sample.rule != SampleRule::Remote) {
        base += " " + sample.value;  // a range value
    }
    const std::string identifier = Identifier(base);
    const auto key = std::find_if(std::begin(kObviousKeys), std::end(kObviousKeys),
                                  [&](const ObviousKey& k) { return k.name == identifier; });
    return key != std::end(kObviousKeys) ? std::string(key->key) : identifier;
}

std::string SampleNamer::Name(const Sample& sample) {
    const bool key = style_ == NameStyle::Key;
    const std::string name = key ? KeyName(sample) : sample.caption;
    std::string unique = name;
    // Each name goes on from its last number, so that many samples of one
    // name take no quadratic time.
    int& number = lastNumber_.try_emplace(name, 1).first->second;
    while (!taken_.insert(Identifier(unique)).second) {
        unique = name + (key ? "_" : " (") + std::to_string(++number) + (key ? "" : ")");
    }
    return unique;
}

}  // namespace kestrel
