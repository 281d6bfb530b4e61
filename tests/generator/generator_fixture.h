// A freshly set-up generator per test, with a display that records.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generator/generator.h"
#include "support/recording_display.h"

namespace kestrel::test {

class GeneratorTest : public ::testing::Test {
  protected:
    GeneratorTest() : generator(display) { generator.SetupProtocol(); }

    // Adds or replaces a define.
    void Define(const std::string& directive) {
        std::string text = directive;
        generator.AddDefine(text, 1);
    }

    // Runs one request and returns the encoder's durations.
    std::vector<int32_t> Encode(const std::string& form, const std::string& code = "32",
                                const std::string& value = "5", const std::string& kind = "D") {
        generator.GenerateCode(form, code, value, kind);
        const SpanRecord& span = generator.Span();
        return {span.Durations.begin() + 1, span.Durations.begin() + 1 + span.Count};
    }

    // The durations the built-in bit symbols give for bits, least significant first.
    static std::vector<int32_t> Bits(uint32_t value, int width) {
        std::vector<int32_t> out;
        for (int i = 0; i < width; ++i) {
            out.push_back(575);
            out.push_back(((value >> i) & 1) ? -1700 : -550);
        }
        return out;
    }

    RecordingDisplay display;
    Generator generator;
};

inline std::vector<int32_t> Concat(std::initializer_list<std::vector<int32_t>> parts) {
    std::vector<int32_t> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

}  // namespace kestrel::test
