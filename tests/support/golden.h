// Codes as kestrel-gen's golden files hold them, worked out once and checked
// since: the tests that need a code take it from there, never from a second
// generator. And the bytes of any file, which the tests compare with them.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace kestrel::test {

// The bytes of the file at path; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The folder every suite reads the golden files from.
inline constexpr const char* kGoldenFolder = KESTREL_SOURCE_DIR "/tests/golden";

inline std::string GoldenText(const std::string& name) {
    return ReadBytes(std::string(kGoldenFolder) + "/" + name);
}

// The line after the first line of a golden file that starts with start: a
// request's code in requests.txt ("$ [remote] [Tessel10] [Menu]") or a
// sample's in a Gen ALL listing ("IR Data For Command Power = On ").
inline std::string GoldenCode(const std::string& name, const std::string& start) {
    const std::string text = GoldenText(name);
    size_t at = text.rfind(start, 0) == 0 ? 0 : text.find("\n" + start);
    if (at == std::string::npos) return "<no line " + start + " in " + name + ">";
    at = text.find('\n', at + 1) + 1;
    return text.substr(at, text.find_first_of("\r\n", at) - at);
}

}  // namespace kestrel::test
