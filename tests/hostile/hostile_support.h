// What the hostile-input tables share: a scratch folder per test, file
// helpers and the reference codes of a fresh generator.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "generator/generator.h"
#include "support/recording_display.h"

namespace kestrel::test {

namespace fs = std::filesystem;

inline const std::string kKestrelGen = std::string(KESTREL_PROGRAM_DIR) + "/kestrel-gen";
inline const std::string kSampleDevices = std::string(KESTREL_SOURCE_DIR) + "/devices";

// A folder of its own, removed with everything in it (also when a test made
// it read-only).
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "kestrel-hostile-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~ScratchFolder() {
        std::error_code error;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(path, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    fs::path path;
};

inline std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Repeat(std::string_view text, size_t count) {
    std::string out;
    out.reserve(text.size() * count);
    for (size_t i = 0; i < count; ++i)
        out += text;
    return out;
}

// What a fresh generator makes of one request.
inline std::string FreshCode(std::string ProtocolRecord::*form, const std::string& code,
                             const std::string& value, const std::string& kind) {
    Generator generator;
    generator.SetupProtocol();
    return generator.GenerateCode(generator.Protocol().*form, code, value, kind).value_or("");
}

}  // namespace kestrel::test
