// kestrel-gen pronto end to end: arguments, standard input in blocks,
// defines, refusals and failing input or output.

#include <gtest/gtest.h>

#include <fstream>

#include "support/run_tool.h"

namespace kestrel::test {
namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// The line of F:8 with the function value: a 1 bit is 0016 0041, a 0 bit
// 0016 0015, least significant first.
std::string F8(int value) {
    std::string line = "0000 006C 0008 0000";
    for (int i = 0; i < 8; ++i)
        line += (value >> i) & 1 ? " 0016 0041" : " 0016 0015";
    return line + "\n";
}
const std::string kNoTabs = "expected FORM, CODE, VALUE and KIND separated by tabs\n";

struct Row {
    std::string shell;  // after "kestrel-gen pronto", with the input file as $1
    std::string input, out, err;
    int status;
};

TEST(ProntoCli, RequestsFromArgumentsAndStandardInput) {
    const Row rows[] = {
        {"F:8 1 7F H", "", F8(127), "", 0},
        {"discrete abc 01 H", "", "",
         "The function code 'abc' is not a decimal number that fits 32 bits; no code was "
         "generated\n",
         1},
        {"discrete 1 2", "", "",
         "kestrel-gen: pronto expects FORM CODE VALUE KIND, or -, got 3 arguments\n"
         "usage: kestrel-gen pronto [--define DIRECTIVE]... FORM CODE VALUE KIND\n"
         "       kestrel-gen pronto [--define DIRECTIVE]... -\n",
         2},
        // F is now the number 3: X = 32 + 3 x 2 = 38.
        {"--define 'X=D+F*2' --define 'F=3' X:8 32 5 D", "", F8(38), "", 0},
        // What does not stop a code comes first, in order, then a refusal.
        {"--define F --define 'X=1/0' 'X:8,[Q]' 1 1 D", "", F8(0),
         "Badly formed DEFINES directive, 'F'\nEvaluation of define X failed: Division by zero\n"
         "Name Q Is not defined in the Defines Tables\n",
         0},
        {"--define 'X=1/0' X:8,V:8 1 " + std::string(70, 'x') + " V", "", "",
         "Evaluation of define X failed: Division by zero\nThe code would hold more than 1000 "
         "durations; no code was generated\n",
         1},
        // One generator for all lines; CR LF, empty lines, a last line without its end.
        {"- < \"$1\"", "F:8\t1\t7F\tH\nF:8\t1\tignored\tV\r\nF:8\tx\t1\tD\ntoo few\n\nF:8\t1\t1\tD",
         F8(127) + F8(127) + "\n\n\n" + F8(1),
         "The function code 'x' is not a decimal number that fits 32 bits; no code was generated\n"
         "line 4: " +
             kNoTabs + "line 5: " + kNoTabs,
         1},
        {"- < \"$1\"", "", "", "", 0},
        // Lines across blocks, one longer than a block.
        {"- < \"$1\"", Repeat("F:8\t1\t1\tD\r\n", 20000), Repeat(F8(1), 20000), "", 0},
        {"- < \"$1\"", "valuetext\t1\t" + std::string(70000, 'x') + "\tV\nF:8\t1\t1\tD\n",
         "\n" + F8(1), "The code would hold more than 1000 durations; no code was generated\n", 1},
        // Failing input and output are failures.
        {"- < /", "", "", "kestrel-gen: standard input cannot be read\n", 1},
        {"- < \"$1\" > /dev/full", "F:8\t1\t1\tD\n", "",
         "kestrel-gen: standard output cannot be written: No space left on device\n", 1},
        {"remote 8324 1 D > /dev/full", "", "",
         "kestrel-gen: standard output cannot be written: No space left on device\n", 1},
        // KIND as manual takes it; a word that names no form makes no code.
        {"- < \"$1\"", "F:8\t1\t1\tZ\nbogus\t1\t1\tV\nF:8\t1\t1\td\n", "\n\n" + F8(1),
         "KIND takes A, D, H or V, not 'Z'\nThe form 'bogus' makes no duration: it is none of "
         "discrete, valuetext, remote, and no form text that gives a code\n",
         1},
    };
    const std::string input = ::testing::TempDir() + "pronto_cli_" + std::to_string(getpid());
    for (const Row& row : rows) {
        std::ofstream(input, std::ios::binary) << row.input;
        const ToolResult r = RunTool("/bin/sh", {"-c", "exec \"$0\" pronto " + row.shell,
                                                 KESTREL_PROGRAM_DIR "/kestrel-gen", input});
        EXPECT_EQ(r.out, row.out) << row.shell;
        // Every message line starts with the program's name.
        std::string named;
        for (size_t start = 0, end; start < row.err.size(); start = end + 1) {
            end = row.err.find('\n', start);
            const std::string line = row.err.substr(start, end - start);
            const bool bare = line.rfind("usage: ", 0) != 0 && line.rfind("       ", 0) != 0 &&
                              line.rfind("kestrel-gen: ", 0) != 0;
            named += (bare ? "kestrel-gen: " : "") + line + "\n";
        }
        EXPECT_EQ(r.err, named) << row.shell;
        EXPECT_EQ(r.status, row.status) << row.shell;
    }
    std::remove(input.c_str());
}

}  // namespace
}  // namespace kestrel::test
