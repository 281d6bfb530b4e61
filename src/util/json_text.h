// Latin-1 text as UTF-8 and as a JSON string, for everything the program
// writes as JSON (kestrel-gen's json export, show --json, models --json).
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Latin-1 bytes as UTF-8.
std::string Utf8(std::string_view latin1);

// A JSON string (in double quotes, UTF-8) of Latin-1 text: quotes and
// backslashes escaped, control characters as \uXXXX.
std::string JsonString(std::string_view latin1);

}  // namespace kestrel
