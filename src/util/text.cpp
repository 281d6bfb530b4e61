#include "util/text.h"

#include <filesystem>
#include <fstream>

namespace kestrel {

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = UpperAscii(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from) {
    if (from > haystack.size()) return std::string_view::npos;
    if (needle.empty()) return from;
    if (needle.size() > haystack.size()) return std::string_view::npos;
    const char first = UpperAscii(needle[0]);
    for (size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        if (UpperAscii(haystack[i]) != first) continue;
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) return i;
    }
    return std::string_view::npos;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

bool IsValidUtf8(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = byte(i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The length a lead byte announces, and the range its second byte
        // must lie in (which rules out overlong forms, surrogates and code
        // points beyond U+10FFFF).
        size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (text.size() - i < length || byte(i + 1) < low || byte(i + 1) > high) return false;
        for (size_t k = 2; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.substr(begin, end - begin);
}

// The one tokenizer of every parser. A double quote (with quoteFlag 0) flips
// an in-quotes state and is dropped; the delimiter, matched ignoring case,
// ends the token only outside quotes. Token and remainder are both trimmed.
std::string CutToken(std::string_view& text, std::string_view delimiter, int quoteFlag) {
    if (delimiter.empty()) delimiter = " ";
    const auto startsDelimiter = [&](size_t i) {
        return UpperAscii(text[i]) == UpperAscii(delimiter[0]) &&
               i + delimiter.size() <= text.size() &&
               EqualsNoCase(text.substr(i, delimiter.size()), delimiter);
    };
    std::string token;
    bool inQuotes = false;
    size_t run = 0;  // first character not yet collected
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"' && quoteFlag == 0) {
            token.append(text.substr(run, i - run));
            run = i + 1;
            inQuotes = !inQuotes;
        } else if (!inQuotes && startsDelimiter(i)) {
            token.append(text.substr(run, i - run));
            text = TrimBlanks(text.substr(i + delimiter.size()));
            return std::string(TrimBlanks(token));
        }
    }
    token.append(text.substr(run));
    text = {};
    return std::string(TrimBlanks(token));
}

std::string NextToken(std::string& text, std::string_view delimiter, int quoteFlag) {
    std::string_view rest(text);
    std::string token = CutToken(rest, delimiter, quoteFlag);
    text = std::string(rest);  // a copy first: rest views text
    return token;
}

std::string SqueezeUpper(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ') out.push_back(UpperAscii(c));
    }
    return out;
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return std::string(path.substr(0, slash));
}

bool FileExists(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return false;
    std::ifstream in(path, std::ios::binary);
    return in.is_open();
}

}  // namespace kestrel
