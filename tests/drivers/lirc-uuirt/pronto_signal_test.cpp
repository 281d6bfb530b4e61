// Pronto hex to LIRC durations, on codes the generator really makes.

#include "pronto_signal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "generator/generator.h"

namespace kestrel::lirc {

void PrintTo(ProntoError error, std::ostream* out) {
    *out << Describe(error);
}

namespace {

std::vector<uint32_t> Words(const std::string& code) {
    std::istringstream in(code);
    std::vector<uint32_t> words;
    for (std::string word; in >> word;)
        words.push_back(std::stoul(word, nullptr, 16));
    return words;
}

// A code of pairs copies of "0008 0008" after a header with pairCount.
std::string RepeatedPairs(int pairCount, int pairs) {
    char header[32];
    std::snprintf(header, sizeof header, "0000 006C %04X 0000", pairCount);
    std::string code = header;
    for (int i = 0; i < pairs; ++i)
        code += " 0008 0008";
    return code;
}

class GeneratedCodes : public ::testing::Test {
  protected:
    GeneratedCodes() { generator.SetupProtocol(); }
    // The code of a request; empty when refused.
    std::string Code(const std::string& form, const std::string& code, const std::string& value,
                     const char* kind) {
        return generator.GenerateCode(form, code, value, kind).value_or("");
    }
    Generator generator;
};

TEST_F(GeneratedCodes, DiscreteCodeBecomesItsDurationsAndCarrier) {
    const std::string code = Code(generator.Protocol().FormDiscrete, "32", "01", "H");
    const std::vector<uint32_t> words = Words(code);
    ASSERT_EQ(words.size(), 4u + 54u);
    ASSERT_EQ(words[1], 0x6Cu);

    ProntoSignal signal;
    ASSERT_EQ(ConvertPronto(code, 1, signal), ProntoError::None);
    // 1000000 / (108 x 0.241246) Hz; a period of 26.054568 microseconds.
    EXPECT_EQ(signal.carrierHz, 38381u);
    // The final space is not sent.
    ASSERT_EQ(signal.durations.size(), 53u);
    EXPECT_EQ(signal.durations[0], 2605u);  // 0064
    EXPECT_EQ(signal.durations[1], 2605u);  // 0064
    EXPECT_EQ(signal.durations[2], 573u);   // 0016
    EXPECT_EQ(signal.durations[3], 547u);   // 0015
    for (size_t i = 0; i < signal.durations.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(signal.durations[i], std::lround(words[4 + i] * 108 * 0.241246));
    }
}

// Whatever the generator makes within the kernel's limits goes out as an
// odd count of non-zero durations, pulse first and last.
TEST_F(GeneratedCodes, EveryCodeGivesAnOddCountOfNonZeroDurations) {
    std::vector<std::string> codes;
    const ProtocolRecord& protocol = generator.Protocol();
    for (int function = 0; function < 256; function += 17) {
        for (const char* value : {"00", "01", "7F", "80", "FF"}) {
            codes.push_back(Code(protocol.FormDiscrete, std::to_string(function), value, "H"));
            codes.push_back(Code(protocol.FormRemote, std::to_string(function), value, "H"));
        }
    }
    codes.push_back(Code(protocol.FormValueText, "32", "HELLO", "A"));
    codes.push_back(Code("[1000 -1000 1000]", "1", "1", "D"));
    codes.push_back(Code("[1000 -1000 1000 -1000 1000 -1000 1000]", "1", "1", "D"));

    for (const std::string& code : codes) {
        SCOPED_TRACE(code);
        ASSERT_FALSE(code.empty());
        const size_t bodyWords = Words(code).size() - 4;
        ProntoSignal signal;
        ASSERT_EQ(ConvertPronto(code, 1, signal), ProntoError::None);
        const size_t count = signal.durations.size();
        EXPECT_EQ(count % 2, 1u);
        EXPECT_EQ(count, bodyWords % 2 == 1 ? bodyWords : bodyWords - 1);
        EXPECT_LE(count, kMaxValues);
        for (unsigned int duration : signal.durations)
            EXPECT_GT(duration, 0u);
        EXPECT_LE(std::accumulate(signal.durations.begin(), signal.durations.end(), uint64_t{0}),
                  kMaxTotalMicros);
    }
}

TEST(ConvertProntoTest, RefusesWhatCannotBeSent) {
    struct Case {
        std::string code;
        int repeatCount;
        ProntoError error;
    };
    const std::vector<Case> cases = {
        {"", 1, ProntoError::Malformed},
        {"0000 006C 0001", 1, ProntoError::Malformed},
        {"0000 006C 0001 0000 00G0 0010", 1, ProntoError::Malformed},
        {"0000 006C 0001 0000 000000010 0010", 1, ProntoError::Malformed},  // nine digits
        {"0000,006C,0001,0000,0010,0010", 1, ProntoError::Malformed},
        {"0000 006C 10000 0000 0010 0010", 1, ProntoError::Malformed},
        {"0100 006C 0001 0000 0010 0010", 1, ProntoError::NotLearned},
        {"0000 0000 0001 0000 0010 0010", 1, ProntoError::NoCarrier},
        {"0000 10000 0001 0000 0010 0010", 1, ProntoError::NoCarrier},
        {"0000 006C 0000 0000", 1, ProntoError::Empty},
        {"0000 006C 0002 0000 0010 0010", 1, ProntoError::CountMismatch},
        {"0000 006C 0001 0000 0010 0010 0010 0010", 1, ProntoError::CountMismatch},
        {"0000 006C 0001 0001 0010 0010 0010", 1, ProntoError::CountMismatch},
        {"0000 006C 0001 0000 0000 0010", 1, ProntoError::ZeroDuration},
        {"0000 006C 0002 0000 0010 0000 0010 0010", 1, ProntoError::ZeroDuration},
        {"0000 0001 0001 0000 0001 0010", 1, ProntoError::ZeroDuration},  // 0.24 us
        {"0000 006C 0001 0000 0010 0000", 2, ProntoError::ZeroDuration},  // the gap is sent
        {"0000 006C 0002 0000 0010 0010 0010", 2, ProntoError::NoGapForRepeat},
        {"0000 006C 0001 0000 4AF7 0010", 1, ProntoError::TooLong},  // 500013 us
        {"0000 006C 0001 0000 FFFFFFFF 0010", 1, ProntoError::TooLong},
        {"0000 006C 0001 0000 2000 0010", 3, ProntoError::TooLong},
        {RepeatedPairs(513, 513), 1, ProntoError::TooManyValues},
        {RepeatedPairs(600, 600), 1, ProntoError::TooManyValues},
        {"0000 006C 0001 0000 0010 0020", INT_MAX, ProntoError::TooManyValues},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code.substr(0, 60));
        ProntoSignal signal;
        EXPECT_EQ(ConvertPronto(c.code, c.repeatCount, signal), c.error);
        EXPECT_TRUE(signal.durations.empty());
    }
}

TEST(ConvertProntoTest, AcceptsUpToTheKernelsLimits) {
    struct Case {
        std::string code;
        size_t count;
        unsigned int first;
    };
    const std::vector<Case> cases = {
        {"0000 006C 0001 0000 4AF6 0010", 1, 499987},  // the longest single pulse
        {RepeatedPairs(512, 512), 1023, 208},
        {"\t0000 006c 0001 0000 0010 0010\r\n", 1, 417},  // blanks, case, line ends
        {"0000 006C 0001 0000 00010 0010", 1, 417},       // five-digit words
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code.substr(0, 60));
        ProntoSignal signal;
        ASSERT_EQ(ConvertPronto(c.code, 1, signal), ProntoError::None);
        EXPECT_EQ(signal.durations.size(), c.count);
        EXPECT_EQ(signal.durations.front(), c.first);
    }
}

TEST(ConvertProntoTest, RepeatsJoinCopiesByTheirFinalSpace) {
    struct Case {
        std::string code;
        int repeatCount;
        std::vector<uint32_t> words;  // what is sent, in Pronto words
    };
    const std::vector<Case> cases = {
        {"0000 006C 0001 0000 0010 0020", 0, {0x10}},
        {"0000 006C 0001 0000 0010 0020", 1, {0x10}},
        {"0000 006C 0001 0000 0010 0020", 3, {0x10, 0x20, 0x10, 0x20, 0x10}},
        // The once part once, then the repeat part.
        {"0000 006C 0001 0001 0010 0020 0030 0040", 1, {0x10, 0x20, 0x30}},
        {"0000 006C 0001 0001 0010 0020 0030 0040", 2, {0x10, 0x20, 0x30, 0x40, 0x30}},
        {"0000 006C 0000 0001 0030 0040", 2, {0x30, 0x40, 0x30}},
        // An odd body is sent as it stands.
        {"0000 006C 0002 0000 0010 0020 0030", 1, {0x10, 0x20, 0x30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code + " x" + std::to_string(c.repeatCount));
        ProntoSignal signal;
        ASSERT_EQ(ConvertPronto(c.code, c.repeatCount, signal), ProntoError::None);
        std::vector<unsigned int> expected;
        for (uint32_t word : c.words) {
            expected.push_back(static_cast<unsigned int>(std::lround(word * 108 * 0.241246)));
        }
        EXPECT_EQ(signal.durations, expected);
    }
}

}  // namespace
}  // namespace kestrel::lirc
