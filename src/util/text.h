// Text helpers shared by every parser of the program.
//
// Texts are 8-bit (Latin-1) bytes kept in std::string. Case folding touches
// the ASCII letters a-z only; every comparison and search ignores case.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// ASCII-only upper-casing: bytes outside a-z are returned unchanged.
constexpr char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

std::string UpperCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Position of the first occurrence of needle at or after from, ignoring case;
// npos when there is none. An empty needle is found at from.
size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);
inline bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    return FindNoCase(haystack, needle) != std::string_view::npos;
}
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// Whether text is valid UTF-8 as a whole (no overlong forms, no surrogates,
// nothing beyond U+10FFFF). Plain ASCII is valid UTF-8.
bool IsValidUtf8(std::string_view text);

// Removes blanks (the space character only, never tabs) at both ends.
std::string_view TrimBlanks(std::string_view text);

// Cuts the first token off text at delimiter (a single blank when empty),
// honouring double quotes unless quoteFlag is nonzero; see the tokenizer
// rules in text.cpp. text keeps the trimmed remainder.
std::string NextToken(std::string& text, std::string_view delimiter, int quoteFlag = 0);
// The same cut over a view: text becomes the trimmed remainder (a view into
// the same characters), so cutting a long line into many tokens stays
// linear in its length.
std::string CutToken(std::string_view& text, std::string_view delimiter, int quoteFlag = 0);

// Upper-cased text with every blank removed.
std::string SqueezeUpper(std::string_view text);

// The text before the last path separator; empty when there is none.
std::string FolderOf(std::string_view path);
// True when the file can be opened for reading.
bool FileExists(const std::string& path);

}  // namespace kestrel
