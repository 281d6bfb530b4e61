// The readers of the two formats with a nesting syntax: Girr (XML) and
// Broadlink's codes (JSON). Each is a small scanner that knows only what the
// format needs and stops, with a note, where the text breaks its syntax.

#include <algorithm>
#include <cmath>

#include "export/broadlink_packet.h"
#include "export/reader_parts.h"
#include "generator/decoder.h"
#include "generator/pronto_reader.h"
#include "util/text.h"

namespace kestrel::reader {
namespace {

// Girr

// The text of XML character data or an attribute with its entities replaced.
std::string XmlDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (semicolon == std::string_view::npos || semicolon - i > 10) {
            out += text[i];
            continue;
        }
        const std::string_view entity = text.substr(i + 1, semicolon - i - 1);
        if (entity == "amp" || entity == "lt" || entity == "gt" || entity == "quot" ||
            entity == "apos") {
            out += entity == "amp"    ? '&'
                   : entity == "lt"   ? '<'
                   : entity == "gt"   ? '>'
                   : entity == "quot" ? '"'
                                      : '\'';
        } else if (entity.starts_with("#")) {
            const bool hex = entity.starts_with("#x");
            uint32_t point = 0;
            for (const char c : entity.substr(hex ? 2 : 1)) {
                const int digit = hex ? HexDigit(c) : IsDigit(c) ? c - '0' : -1;
                if (digit < 0) break;
                point = std::min<uint32_t>(point * (hex ? 16 : 10) + digit, 0x10FFFF);
            }
            AppendUtf8(out, point);
        } else {
            out += text.substr(i, semicolon - i + 1);  // unknown: kept as it stands
        }
        i = semicolon;
    }
    return out;
}

// One tag: its local name (no namespace prefix), attributes and kind.
struct Tag {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    bool closing = false;
    bool empty = false;  // <name ... />

    std::string Attribute(std::string_view key) const {
        for (const auto& [name, value] : attributes) {
            if (name == key) return value;
        }
        return "";
    }
};

std::string LocalName(std::string_view name) {
    return std::string(
        name.substr(name.find(':') == std::string_view::npos ? 0 : name.find(':') + 1));
}

// The tag between "<" and ">" (both left out).
Tag ParseTag(std::string_view inside) {
    Tag tag;
    tag.closing = inside.starts_with("/");
    if (tag.closing) inside.remove_prefix(1);
    tag.empty = inside.ends_with("/");
    if (tag.empty) inside.remove_suffix(1);
    const size_t nameEnd = std::min(inside.find_first_of(" \t\r\n"), inside.size());
    tag.name = LocalName(inside.substr(0, nameEnd));
    for (size_t i = nameEnd; i < inside.size();) {
        const size_t equals = inside.find('=', i);
        if (equals == std::string_view::npos) break;
        const size_t quote = inside.find_first_of("\"'", equals);
        if (quote == std::string_view::npos) break;
        const size_t close = inside.find(inside[quote], quote + 1);
        if (close == std::string_view::npos) break;
        std::string_view name = inside.substr(i, equals - i);
        const size_t first = name.find_first_not_of(" \t\r\n");  // none: no name
        name = first == std::string_view::npos
                   ? std::string_view()
                   : name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
        tag.attributes.emplace_back(LocalName(name),
                                    XmlDecoded(inside.substr(quote + 1, close - quote - 1)));
        i = close + 1;
    }
    return tag;
}

// What the reader gathers of the command it is in.
struct GirrCommand {
    std::string where;
    std::string name;
    std::string master;
    std::string ccf;
    bool ccfTaken = false;
    bool rawTaken = false;  // only a command's first <raw> is read
    int64_t frequency = 0;
    std::vector<int64_t> raw;
};

class GirrReader {
  public:
    explicit GirrReader(std::string_view text) : text_(text) {}

    CodeFile Read() {
        for (size_t i = 0; i < text_.size();) {
            const size_t open = std::min(text_.find('<', i), text_.size());
            Characters(text_.substr(i, open - i));
            if (open == text_.size()) break;
            const std::string_view rest = text_.substr(open);
            std::string_view end = ">";
            if (rest.starts_with("<!--")) end = "-->";
            if (rest.starts_with("<![CDATA[")) end = "]]>";
            const size_t close = text_.find(end, open + 1);
            if (close == std::string_view::npos) {
                file_.notes.push_back(Where(open) + ": the markup is not closed; reading stops");
                break;
            }
            if (rest.starts_with("<![CDATA[")) {
                Characters(text_.substr(open + 9, close - open - 9), false);
            } else if (!rest.starts_with("<!") && !rest.starts_with("<?")) {
                Element(ParseTag(text_.substr(open + 1, close - open - 1)), open);
            }
            i = close + end.size();
        }
        return std::move(file_);
    }

  private:
    std::string Where(size_t position) {
        lines_ += std::count(text_.begin() + counted_, text_.begin() + position, '\n');
        counted_ = position;
        return "line " + std::to_string(lines_ + 1);
    }

    void Element(const Tag& tag, size_t position) {
        const std::string& name = tag.name;
        if (name == "command" && !tag.closing) {
            command_ = GirrCommand{};
            command_.where = Where(position);
            command_.name = Latin1(tag.Attribute("name"));
            command_.master = tag.Attribute("master");
            inCommand_ = !tag.empty;
            if (tag.empty) Finish();
        } else if (name == "command") {
            if (inCommand_) Finish();
            inCommand_ = false;
        } else if (!inCommand_) {
            return;
        } else if (name == "raw") {
            inRaw_ = !tag.closing && !tag.empty && !command_.rawTaken;
            if (inRaw_) command_.frequency = WholeNumber(tag.Attribute("frequency")).value_or(0);
            if (tag.closing) command_.rawTaken = true;
        } else if (name == "intro" || name == "repeat" || name == "ending") {
            inSequence_ = inRaw_ && !tag.closing && !tag.empty;
            inSequenceItem_ = 0;
        } else if (name == "flash" || name == "gap") {
            sign_ = tag.closing || tag.empty ? 0 : name == "flash" ? 1 : -1;
        } else if (name == "ccf") {
            inCcf_ = !tag.closing && !tag.empty && !command_.ccfTaken;
            if (tag.closing) command_.ccfTaken = true;
        }
    }

    void Characters(std::string_view chars, bool decode = true) {
        if (!inCommand_ || (!inCcf_ && !inSequence_)) return;
        const std::string text = decode ? XmlDecoded(chars) : std::string(chars);
        if (inCcf_) {
            command_.ccf += " " + text;
            return;
        }
        for (size_t i = 0; i < text.size();) {
            const size_t start = text.find_first_not_of(" \t\r\n,", i);
            if (start == std::string::npos) break;
            const size_t end = std::min(text.find_first_of(" \t\r\n,", start), text.size());
            const std::string_view word = std::string_view(text).substr(start, end - start);
            i = end;
            const std::optional<int64_t> number = WholeNumber(word);
            if (!number) {
                bad_ = true;
                continue;
            }
            const bool signedWord = word[0] == '+' || word[0] == '-';
            const int64_t magnitude = std::llabs(*number);
            const bool mark = sign_ != 0   ? sign_ > 0
                              : signedWord ? *number > 0
                                           : inSequenceItem_ % 2 == 0;
            command_.raw.push_back(mark ? magnitude : -magnitude);
            ++inSequenceItem_;
        }
    }

    void Finish() {
        const bool preferCcf = EqualsNoCase(command_.master, "ccf");
        const bool useCcf = !command_.ccf.empty() && (preferCcf || command_.raw.empty());
        if (useCcf) {
            const Result<ProntoCode> code = ReadProntoCode(command_.ccf);
            if (!code) {
                file_.notes.push_back(command_.where + ": the code " + command_.name +
                                      " is left out: " + code.reason());
                return;
            }
            AddCode(file_, command_.name, std::llround(code->CarrierHz()), MicrosOf(*code),
                    command_.where);
        } else if (bad_) {
            file_.notes.push_back(command_.where + ": the code " + command_.name +
                                  " is left out: its raw form holds words that are no numbers");
        } else if (command_.raw.empty()) {
            file_.notes.push_back(command_.where + ": the code " + command_.name +
                                  " is left out: it has no raw or ccf form");
        } else {
            AddCode(file_, command_.name, command_.frequency, command_.raw, command_.where);
        }
        bad_ = false;
    }

    std::string_view text_;
    CodeFile file_;
    GirrCommand command_;
    bool inCommand_ = false, inRaw_ = false, inSequence_ = false, inCcf_ = false, bad_ = false;
    int sign_ = 0;  // inside <flash> (1) or <gap> (-1)
    size_t inSequenceItem_ = 0;
    size_t counted_ = 0;
    int64_t lines_ = 0;
};

// Broadlink JSON

constexpr int kMostDepth = 64;

class JsonReader {
  public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    CodeFile Read() {
        if (!Value("", 0)) {
            file_.notes.push_back("byte " + std::to_string(at_ + 1) +
                                  ": the JSON breaks off or is malformed; reading stops");
        }
        return std::move(file_);
    }

  private:
    void Blanks() {
        while (at_ < text_.size() &&
               std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) {
            ++at_;
        }
    }
    bool Take(char c) {
        Blanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    // Four hexadecimal digits of a \u escape.
    std::optional<uint32_t> Hex4() {
        if (at_ + 4 > text_.size()) return std::nullopt;
        uint32_t point = 0;
        for (const char c : text_.substr(at_, 4)) {
            const int digit = HexDigit(c);
            if (digit < 0) return std::nullopt;
            point = point * 16 + static_cast<uint32_t>(digit);
        }
        at_ += 4;
        return point;
    }

    // A string in UTF-8, its escapes replaced.
    std::optional<std::string> String() {
        if (!Take('"')) return std::nullopt;
        std::string out;
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] != '\\') {
                out += text_[at_++];
                continue;
            }
            if (at_ + 1 >= text_.size()) return std::nullopt;
            const char escape = text_[at_ + 1];
            at_ += 2;
            if (escape != 'u') {
                const std::string_view from = "bfnrt", to = "\b\f\n\r\t";
                const size_t k = from.find(escape);
                out += k == std::string_view::npos ? escape : to[k];
                continue;
            }
            std::optional<uint32_t> point = Hex4();
            if (!point) return std::nullopt;
            // A surrogate pair stands for one character.
            if (*point >= 0xD800 && *point < 0xDC00 && text_.substr(at_, 2) == "\\u") {
                at_ += 2;
                const std::optional<uint32_t> low = Hex4();
                if (!low) return std::nullopt;
                point = 0x10000 + ((*point - 0xD800) << 10) + (*low & 0x3FF);
            }
            AppendUtf8(out, *point);
        }
        if (at_ >= text_.size()) return std::nullopt;
        ++at_;
        return out;
    }

    bool Value(const std::string& path, int depth) {
        if (depth > kMostDepth) return false;
        Blanks();
        if (at_ >= text_.size()) return false;
        const char c = text_[at_];
        if (c == '{' || c == '[') {
            ++at_;
            const char close = c == '{' ? '}' : ']';
            if (Take(close)) return true;
            for (int index = 0;; ++index) {
                std::string key = std::to_string(index);
                if (c == '{') {
                    const std::optional<std::string> name = String();
                    if (!name || !Take(':')) return false;
                    key = *name;
                }
                if (!Value(path.empty() ? key : path + "/" + key, depth + 1)) return false;
                if (Take(close)) return true;
                if (!Take(',')) return false;
            }
        }
        if (c == '"') {
            const std::optional<std::string> text = String();
            if (!text) return false;
            Packet(path, *text);
            return true;
        }
        // A number, true, false or null: nothing to read in it.
        const size_t start = at_;
        while (at_ < text_.size() &&
               std::string_view(",}] \t\r\n").find(text_[at_]) == std::string_view::npos) {
            ++at_;
        }
        return at_ > start;
    }

    // A string that holds a Broadlink packet in base64 is a code.
    void Packet(const std::string& path, std::string_view text) {
        if (text.starts_with("b64:")) text.remove_prefix(4);
        const std::optional<std::string> bytes = FromBase64(text);
        if (!bytes || bytes->size() < 4) return;
        const auto type = static_cast<unsigned char>((*bytes)[0]);
        if (type != 0x26 && type != 0xB2 && type != 0xD7) return;
        const std::string name = Latin1(path);
        const Result<std::vector<int32_t>> durations = ReadBroadlinkPacket(*bytes);
        if (!durations) {
            file_.notes.push_back("the code " + name + " is left out: " + durations.reason());
            return;
        }
        AddCode(file_, name, 0, std::vector<int64_t>(durations->begin(), durations->end()),
                "the code " + name);
    }

    std::string_view text_;
    size_t at_ = 0;
    CodeFile file_;
};

}  // namespace

CodeFile ReadGirr(std::string_view text) {
    return GirrReader(text).Read();
}

CodeFile ReadBroadlinkJson(std::string_view text) {
    return JsonReader(text).Read();
}

}  // namespace kestrel::reader
