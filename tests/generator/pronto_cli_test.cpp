// kestrel-gen pronto end to end: arguments, standard input, defines, refusals.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

struct Result {
    int status;
    std::string out;
};

// Runs kestrel-gen with shell-quoted arguments, standard input from a file.
Result RunPronto(const std::string& arguments, const std::string& input = "") {
    // Tests run in parallel processes: each gets an input file of its own.
    const std::string inputFile =
        ::testing::TempDir() + "pronto_cli_input_" + std::to_string(getpid()) + ".txt";
    std::ofstream(inputFile, std::ios::binary) << input;
    const std::string command = std::string(KESTREL_PROGRAM_DIR) + "/kestrel-gen pronto " +
                                arguments + " < '" + inputFile + "' 2>/dev/null";
    Result result{0, ""};
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    result.status = pclose(pipe);
    std::remove(inputFile.c_str());
    return result;
}

TEST(ProntoCli, OneRequestFromArguments) {
    const Result r = RunPronto("discrete 32 01 H");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 20), "0000 006C 001B 0000 ");
    EXPECT_EQ(r.out.size(), 58u * 5);  // 58 words, the last followed by a newline
    EXPECT_NE(RunPronto("discrete abc 01 H").status, 0);
    EXPECT_NE(RunPronto("discrete 1 2").status, 0);
}

TEST(ProntoCli, RequestsFromStandardInputShareOneGenerator) {
    const Result r = RunPronto("-",
                               "F:8\t1\t7F\tH\n"
                               "F:8\t1\tignored\tV\r\n"
                               "F:8\tx\t1\tD\n"
                               "too few fields\n"
                               "remote\t8324\t16\tD\n");
    const std::string bits127 =
        "0016 0041 0016 0041 0016 0041 0016 0041 0016 0041 0016 0041 "
        "0016 0041 0016 0015";
    const std::string expected =
        "0000 006C 0008 0000 " + bits127 + "\n" + "0000 006C 0008 0000 " + bits127 + "\n\n\n";
    ASSERT_GE(r.out.size(), expected.size());
    EXPECT_EQ(r.out.substr(0, expected.size()), expected);
    EXPECT_EQ(r.out.substr(expected.size(), 20), "0000 006C 0024 0000 ");
    EXPECT_NE(r.status, 0);  // some requests were refused
}

TEST(ProntoCli, DefinesApplyInOrderWithReplace) {
    const Result r = RunPronto("--define 'X=D+F*2' --define 'F=3' X:8 32 5 D");
    EXPECT_EQ(r.status, 0);
    // F is now the number 3: X = 32 + 3 * 2 = 38 = 0b100110.
    EXPECT_EQ(r.out,
              "0000 006C 0008 0000 0016 0015 0016 0041 0016 0041 0016 0015 0016 0015 0016 0041 "
              "0016 0015 0016 0015\n");
}

}  // namespace
