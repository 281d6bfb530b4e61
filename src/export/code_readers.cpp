// The line-based formats (Flipper, ESPHome, Home Assistant, keymap, ir-ctl),
// what every reader shares, and telling the formats apart.

#include "export/code_readers.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "base/lines.h"
#include "catalogue/catalogue.h"
#include "export/broadlink_packet.h"
#include "export/reader_parts.h"
#include "generator/decoder.h"
#include "generator/pronto_reader.h"
#include "util/text.h"

namespace kestrel {
namespace reader {

std::string Latin1(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        uint32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
        bool valid = lead < 0x80 || (lead >= 0xC2 && lead <= 0xF4 && i + length <= utf8.size());
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            point = point << 6 | (next & 0x3F);
        }
        if (!valid) {
            out += utf8[i++];  // not UTF-8 here: the byte as Latin-1
            continue;
        }
        out += point <= 0xFF ? static_cast<char>(point) : '?';
        i += length;
    }
    return out;
}

void AppendUtf8(std::string& out, uint32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | point >> 6);
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | point >> 12);
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18 & 0x07));
        out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

std::optional<int64_t> WholeNumber(std::string_view text) {
    constexpr size_t kMostDigits = 12;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
    if (text.empty() || text.size() > kMostDigits) return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

namespace {

// The escape after a backslash at text[i] (i at the character after it);
// i moves past it.
void AppendEscape(std::string& out, std::string_view text, size_t& i) {
    const char c = text[i++];
    constexpr std::string_view kLetters = "ntrbf0";
    constexpr std::string_view kMeanings("\n\t\r\b\f\0", 6);
    if (const size_t k = kLetters.find(c); k != std::string_view::npos) {
        out += kMeanings[k];
        return;
    }
    const size_t digits = c == 'x' ? 2 : c == 'u' ? 4 : c == 'U' ? 8 : 0;
    if (digits == 0) {
        out += c;  // \" \\ \/ and anything else stand for themselves
        return;
    }
    uint32_t point = 0;
    for (size_t k = 0; k < digits && i < text.size() && HexDigit(text[i]) >= 0; ++k, ++i) {
        point = point * 16 + static_cast<uint32_t>(HexDigit(text[i]));
    }
    AppendUtf8(out, std::min<uint32_t>(point, 0x10FFFF));
}

}  // namespace

std::string Scalar(std::string_view text, size_t* end) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string_view::npos) {
        if (end) *end = text.size();
        return "";
    }
    const char quote = text[i];
    if (quote == '"' || quote == '\'') {
        std::string out;
        for (++i; i < text.size(); ++i) {
            if (text[i] == quote) {
                if (quote == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
                    out += text[++i];
                    continue;
                }
                ++i;
                break;
            }
            if (quote == '"' && text[i] == '\\' && i + 1 < text.size()) {
                ++i;
                AppendEscape(out, text, i);
                --i;
            } else {
                out += text[i];
            }
        }
        if (end) *end = i;
        return out;
    }
    size_t stop = text.find(" #", i);
    if (stop == std::string_view::npos) stop = text.size();
    const size_t last = text.find_last_not_of(" \t", stop - 1);
    if (end) *end = stop;
    return std::string(
        text.substr(i, last == std::string_view::npos || last < i ? 0 : last + 1 - i));
}

void AddCode(CodeFile& file, std::string name, int64_t carrierHz,
             const std::vector<int64_t>& durations, const std::string& where) {
    std::vector<int64_t> joined;
    for (const int64_t duration : durations) {
        if (duration == 0 || (joined.empty() && duration < 0)) continue;
        if (!joined.empty() && (joined.back() > 0) == (duration > 0)) {
            joined.back() += duration;
        } else {
            joined.push_back(duration);
        }
    }
    const auto left = [&](const std::string& why) {
        file.notes.push_back(where + ": " + (name.empty() ? "a code" : "the code " + name) +
                             " is left out: " + why);
    };
    if (joined.empty()) return left("it holds no duration");
    if (joined.size() > kMostReadDurations) return left("it holds too many durations");
    ReadCode code;
    code.name = std::move(name);
    constexpr int64_t kMost = std::numeric_limits<int32_t>::max();
    code.carrierHz = carrierHz > 0 && carrierHz <= kMost ? static_cast<int32_t>(carrierHz) : 0;
    for (const int64_t duration : joined) {
        if (std::llabs(duration) > kMost) return left("a duration is beyond 32 bits");
        code.durations.push_back(static_cast<int32_t>(duration));
    }
    file.codes.push_back(std::move(code));
}

std::vector<int64_t> Alternating(const std::vector<int64_t>& magnitudes) {
    std::vector<int64_t> durations;
    for (size_t i = 0; i < magnitudes.size(); ++i) {
        durations.push_back(i % 2 == 0 ? std::llabs(magnitudes[i]) : -std::llabs(magnitudes[i]));
    }
    return durations;
}

}  // namespace reader

namespace {

using namespace reader;

std::string At(int64_t line) {
    return "line " + std::to_string(line);
}

// The words of text cut at blanks, tabs and commas.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    for (size_t i = 0; i < text.size();) {
        const size_t start = text.find_first_not_of(" \t,", i);
        if (start == std::string_view::npos) break;
        const size_t end = std::min(text.find_first_of(" \t,", start), text.size());
        words.push_back(text.substr(start, end - start));
        i = end;
    }
    return words;
}

// Whole numbers of text, "+" and "-" kept; nothing when a word is no number.
std::optional<std::vector<int64_t>> Numbers(std::string_view text) {
    std::vector<int64_t> numbers;
    for (const std::string_view word : Words(text)) {
        const std::optional<int64_t> number = WholeNumber(word);
        if (!number) return std::nullopt;
        numbers.push_back(*number);
    }
    return numbers;
}

// Numbers that carry their signs, or (none signed) alternate.
std::vector<int64_t> SignedOrAlternating(std::string_view text,
                                         const std::vector<int64_t>& numbers) {
    const bool signs = text.find_first_of("+-") != std::string_view::npos;
    return signs ? numbers : Alternating(numbers);
}

// "key: value" split; false for a line without ":".
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    key = TrimBlanks(line.substr(0, colon));
    while (!key.empty() && (key.front() == '\t' || key.front() == '-' || key.front() == ' ')) {
        key.remove_prefix(1);
    }
    value = line.substr(colon + 1);
    return true;
}

// Flipper

// NEC's timing (us): the leader, a bit's mark, the spaces of 0 and 1.
constexpr int64_t kNecLeaderMark = 9000, kNecLeaderSpace = 4500, kNecMark = 560, kNecZero = 560,
                  kNecOne = 1690, kNecCarrier = 38000;

// The bytes of a Flipper "address" or "command" field ("07 00 00 00").
std::optional<std::vector<uint32_t>> HexBytes(std::string_view text) {
    std::vector<uint32_t> bytes;
    for (const std::string_view word : Words(text)) {
        if (word.size() != 2 || HexDigit(word[0]) < 0 || HexDigit(word[1]) < 0) return std::nullopt;
        bytes.push_back(static_cast<uint32_t>(HexDigit(word[0]) * 16 + HexDigit(word[1])));
    }
    if (bytes.size() < 2) return std::nullopt;
    return bytes;
}

// The durations of a parsed NEC or NECext entry: 32 bits, least significant
// first, of address, inverted address (NECext: the address's high byte),
// command and inverted command (NECext: its high byte).
std::optional<std::vector<int64_t>> NecDurations(std::string_view protocol,
                                                 const std::vector<uint32_t>& address,
                                                 const std::vector<uint32_t>& command) {
    const bool extended = EqualsNoCase(protocol, "NECext");
    if (!extended && !EqualsNoCase(protocol, "NEC")) return std::nullopt;
    const uint32_t bytes[4] = {address[0], extended ? address[1] : ~address[0] & 0xFF, command[0],
                               extended ? command[1] : ~command[0] & 0xFF};
    std::vector<int64_t> durations = {kNecLeaderMark, -kNecLeaderSpace};
    for (const uint32_t byte : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            durations.push_back(kNecMark);
            durations.push_back((byte >> bit & 1) ? -kNecOne : -kNecZero);
        }
    }
    durations.push_back(kNecMark);
    return durations;
}

CodeFile ReadFlipper(std::string_view text) {
    CodeFile file;
    struct Entry {
        int64_t line = 0;
        std::string name, type, protocol, frequency, data, address, command;
    } entry;
    const auto flush = [&] {
        const std::string where = At(entry.line);
        const auto left = [&](const std::string& why) {
            file.notes.push_back(where + ": the code " + entry.name + " is left out: " + why);
        };
        if (entry.line == 0) return;
        if (EqualsNoCase(entry.type, "raw")) {
            const std::optional<std::vector<int64_t>> data = Numbers(entry.data);
            const std::optional<int64_t> carrier = WholeNumber(TrimBlanks(entry.frequency));
            if (!data || !carrier) return left("its frequency or data is not whole numbers");
            AddCode(file, entry.name, *carrier, Alternating(*data), where);
        } else if (EqualsNoCase(entry.type, "parsed")) {
            const auto address = HexBytes(entry.address), command = HexBytes(entry.command);
            if (!address || !command) return left("its address or command is not hex bytes");
            const auto durations = NecDurations(TrimBlanks(entry.protocol), *address, *command);
            if (!durations) return left("protocol " + entry.protocol + " is not read");
            AddCode(file, entry.name, kNecCarrier, *durations, where);
        } else {
            left("it is of no known type");
        }
    };
    ForEachNumberedLine(text, [&](std::string_view line, int64_t number) {
        std::string_view key, value;
        if (line.substr(0, 1) == "#") {
            flush();
            entry = Entry{};
        } else if (KeyValue(line, key, value)) {
            const std::string trimmed(TrimBlanks(value));
            if (key == "name") {
                flush();
                entry = Entry{};
                entry.line = number;
                entry.name = trimmed;
            }
            if (key == "type") entry.type = trimmed;
            if (key == "protocol") entry.protocol = trimmed;
            if (key == "frequency") entry.frequency = trimmed;
            if (key == "data") entry.data = trimmed;
            if (key == "address") entry.address = trimmed;
            if (key == "command") entry.command = trimmed;
        }
    });
    flush();
    return file;
}

// ir-ctl

CodeFile ReadIrCtl(std::string_view text, std::string_view fileName) {
    CodeFile file;
    const std::string name(fileName.substr(fileName.rfind('/') + 1));
    std::vector<int64_t> durations;
    int64_t carrier = 0;
    bool readable = true;
    ForEachNumberedLine(text, [&](std::string_view line, int64_t number) {
        line = line.substr(0, line.find('#'));
        const std::vector<std::string_view> words = Words(line);
        if (words.empty() || !readable) return;
        const int64_t value = words.size() == 2 ? WholeNumber(words[1]).value_or(-1) : -1;
        if (words[0] == "pulse" && value >= 0) {
            durations.push_back(value);
        } else if (words[0] == "space" && value >= 0) {
            durations.push_back(-value);
        } else if (words[0] == "carrier" && value >= 0) {
            carrier = value;
        } else if (words[0] == "timeout" || words[0] == "duty_cycle") {
            // no part of the code
        } else if (const auto numbers = Numbers(line)) {
            const std::vector<int64_t> part = SignedOrAlternating(line, *numbers);
            durations.insert(durations.end(), part.begin(), part.end());
        } else {
            file.notes.push_back(At(number) + ": \"" + std::string(words[0]) +
                                 "\" is not read; the file " + name + " is left out");
            readable = false;
        }
    });
    if (readable) AddCode(file, name, carrier, durations, "the file " + name);
    return file;
}

// Keymap

CodeFile ReadKeymap(std::string_view text) {
    CodeFile file;
    std::string keycode, protocol, raw;
    int64_t entryLine = 0;
    bool inRaw = false, inArray = false;
    const auto flush = [&] {
        if (entryLine == 0) return;
        const std::string where = At(entryLine);
        if (const auto numbers = Numbers(raw)) {
            AddCode(file, Latin1(keycode), 0, SignedOrAlternating(raw, *numbers), where);
        } else {
            file.notes.push_back(where + ": the code " + Latin1(keycode) +
                                 " is left out: its raw field is not whole numbers");
        }
        entryLine = 0;
        keycode.clear();
        raw.clear();
    };
    ForEachNumberedLine(text, [&](std::string_view line, int64_t number) {
        const std::string_view trimmed = TrimBlanks(line);
        if (inArray) {  // raw = [ ... ] over several lines
            const size_t close = trimmed.find(']');
            raw += " " + std::string(trimmed.substr(0, close));
            inArray = close == std::string_view::npos;
            return;
        }
        if (trimmed.substr(0, 1) == "[") {
            flush();
            inRaw = trimmed.starts_with("[[protocols.raw]]");
            if (inRaw) entryLine = number;
            if (trimmed.starts_with("[[protocols]]")) protocol.clear();
            if (trimmed.starts_with("[protocols.scancodes]")) {
                file.notes.push_back(At(number) + ": the scancodes of protocol " + protocol +
                                     " are not read");
            }
            return;
        }
        const size_t equals = trimmed.find('=');
        if (trimmed.empty() || trimmed[0] == '#' || equals == std::string_view::npos) return;
        const std::string_view key = TrimBlanks(trimmed.substr(0, equals));
        const std::string_view value = trimmed.substr(equals + 1);
        if (!inRaw) {
            if (key == "protocol") protocol = Scalar(value);
        } else if (key == "keycode") {
            keycode = Scalar(value);
        } else if (key == "raw") {
            const std::string_view start = TrimBlanks(value);
            if (start.substr(0, 1) == "[") {
                const size_t close = start.find(']');
                raw = std::string(
                    start.substr(1, close == std::string_view::npos ? close : close - 1));
                inArray = close == std::string_view::npos;
            } else {
                raw = Scalar(value);
            }
        }
    });
    flush();
    return file;
}

// ESPHome and Home Assistant

// A carrier as ESPHome writes it: "38381Hz", "38.4kHz", "38000".
int64_t Carrier(std::string_view text) {
    const std::string value = Scalar(text);
    double scale = 1;
    size_t digits = value.size();
    for (const auto& [unit, factor] : {std::pair{"khz", 1e3}, {"mhz", 1e6}, {"hz", 1.0}}) {
        if (EndsWithNoCase(value, unit)) {
            scale = factor;
            digits -= std::string_view(unit).size();
            break;
        }
    }
    char* end = nullptr;
    const std::string number = value.substr(0, digits);
    const double hz = std::strtod(number.c_str(), &end) * scale;
    if (number.empty() || *end != '\0' || !std::isfinite(hz) || hz < 1 || hz > 1e9) return 0;
    return std::llround(hz);
}

CodeFile ReadEsphome(std::string_view text) {
    CodeFile file;
    std::string name, action, code, data;
    int64_t carrier = 0, actionLine = 0;
    bool inList = false, flowList = false;  // code: [ ... ] or code: and "- N" lines
    const auto flush = [&] {
        if (actionLine == 0) return;
        const std::string where = At(actionLine);
        if (action == "raw") {
            if (const auto numbers = Numbers(code)) {
                AddCode(file, name, carrier, *numbers, where);
            } else {
                file.notes.push_back(where + ": the code " + name +
                                     " is left out: its code list is not whole numbers");
            }
        } else if (const Result<ProntoCode> pronto = ReadProntoCode(data); pronto) {
            const std::vector<int64_t> micros = MicrosOf(*pronto);
            AddCode(file, name, std::llround(pronto->CarrierHz()), micros, where);
        } else {
            file.notes.push_back(where + ": the code " + name + " is left out: " + pronto.reason());
        }
        actionLine = 0;
        code.clear();
        data.clear();
        carrier = 0;
    };
    ForEachNumberedLine(text, [&](std::string_view line, int64_t number) {
        const std::string_view trimmed = TrimBlanks(line.substr(0, line.find(" #")));
        if (inList && flowList) {
            const size_t close = trimmed.find(']');
            code += " " + std::string(trimmed.substr(0, close));
            inList = close == std::string_view::npos;
            return;
        }
        if (inList) {
            if (trimmed.starts_with("-") && WholeNumber(TrimBlanks(trimmed.substr(1)))) {
                code += " " + std::string(TrimBlanks(trimmed.substr(1)));
                return;
            }
            inList = false;
        }
        std::string_view key, value;
        if (!KeyValue(trimmed, key, value)) return;
        if (key.starts_with("remote_transmitter.transmit_")) {
            flush();
            action =
                std::string(key.substr(std::string_view("remote_transmitter.transmit_").size()));
            actionLine = (action == "raw" || action == "pronto") ? number : 0;
        } else if (key == "name") {
            flush();
            name = Latin1(Scalar(value));
        } else if (actionLine != 0 && key == "carrier_frequency") {
            carrier = Carrier(value);
        } else if (actionLine != 0 && key == "data") {
            data = Scalar(value);
        } else if (actionLine != 0 && key == "code") {
            const std::string_view start = TrimBlanks(value);
            flowList = start.starts_with("[");
            const size_t close = start.find(']');
            code = flowList ? std::string(start.substr(
                                  1, close == std::string_view::npos ? close : close - 1))
                            : std::string(start);
            inList = flowList ? close == std::string_view::npos : start.empty();
        }
    });
    flush();
    return file;
}

CodeFile ReadHomeAssistant(std::string_view text) {
    CodeFile file;
    std::string script, alias;
    ForEachNumberedLine(text, [&](std::string_view line, int64_t number) {
        std::string_view key, value;
        if (!KeyValue(line, key, value)) return;
        if (!line.empty() && line[0] != ' ' && line[0] != '-' && line[0] != '#') {
            script = Latin1(Scalar(std::string(key)));
            alias.clear();
        }
        if (key == "alias") alias = Latin1(Scalar(value));
        const size_t b64 = line.find("b64:");
        if (b64 == std::string_view::npos) return;
        const std::string_view rest = line.substr(b64 + 4);
        const std::string_view packet = rest.substr(0, rest.find_first_of("\"' ,]"));
        const std::string name = alias.empty() ? script : alias;
        const std::optional<std::string> bytes = FromBase64(packet);
        const Result<std::vector<int32_t>> durations =
            bytes ? ReadBroadlinkPacket(*bytes) : Refused("it is not base64");
        if (!durations) {
            file.notes.push_back(At(number) + ": the code " + name +
                                 " is left out: " + durations.reason());
            return;
        }
        AddCode(file, name, 0, std::vector<int64_t>(durations->begin(), durations->end()),
                At(number));
    });
    return file;
}

constexpr const char* kFormatNames[] = {"flipper", "esphome", "homeassistant", "broadlink",
                                        "girr",    "keymap",  "irctl"};

}  // namespace

const char* CodeFormatName(CodeFormat format) {
    return kFormatNames[static_cast<int>(format)];
}

std::optional<CodeFormat> CodeFormatNamed(std::string_view name) {
    for (size_t i = 0; i < std::size(kFormatNames); ++i) {
        if (EqualsNoCase(kFormatNames[i], name)) return static_cast<CodeFormat>(i);
    }
    return std::nullopt;
}

std::optional<CodeFormat> DetectCodeFormat(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    const std::string_view start = first == std::string_view::npos ? "" : text.substr(first);
    if (start.starts_with("Filetype: IR")) return CodeFormat::Flipper;
    if (ContainsNoCase(text, "harctoolbox.org/Girr") || ContainsNoCase(text, "<remotes") ||
        ContainsNoCase(text, ":remotes")) {
        return CodeFormat::Girr;
    }
    if (text.find("[[protocols") != std::string_view::npos) return CodeFormat::Keymap;
    if (text.find("remote_transmitter.transmit_") != std::string_view::npos) {
        return CodeFormat::Esphome;
    }
    if (text.find("b64:") != std::string_view::npos) return CodeFormat::HomeAssistant;
    if (start.starts_with("{")) return CodeFormat::Broadlink;
    // ir-ctl: every line a keyword line or numbers.
    bool lines = false, other = false;
    ForEachLine(text, [&](std::string_view line) {
        const std::vector<std::string_view> words = Words(line.substr(0, line.find('#')));
        if (words.empty()) return;
        const bool keyword = words[0] == "pulse" || words[0] == "space" || words[0] == "carrier" ||
                             words[0] == "timeout";
        if (keyword || Numbers(line.substr(0, line.find('#')))) {
            lines = true;
        } else {
            other = true;
        }
    });
    if (lines && !other) return CodeFormat::IrCtl;
    return std::nullopt;
}

CodeFile ReadCodes(std::string_view text, CodeFormat format, std::string_view fileName) {
    switch (format) {
        case CodeFormat::Flipper:
            return ReadFlipper(text);
        case CodeFormat::Esphome:
            return ReadEsphome(text);
        case CodeFormat::HomeAssistant:
            return ReadHomeAssistant(text);
        case CodeFormat::Broadlink:
            return ReadBroadlinkJson(text);
        case CodeFormat::Girr:
            return ReadGirr(text);
        case CodeFormat::Keymap:
            return ReadKeymap(text);
        case CodeFormat::IrCtl:
            break;
    }
    return ReadIrCtl(text, fileName);
}

}  // namespace kestrel
