// The hex2ccf program end to end, started the way the window starts it:
// in the output's folder, with the input's bare name and the output's path.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kTempName = "Temp$$.hex";
// The golden file's moment, 2024-05-17 12:34:56 UTC, as seconds since 1970.
const std::string kGoldenEpoch = "1715949296";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct Outcome {
    int status = -1;
    std::string errors;
};

class Hex2CcfProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // The process id keeps builds that test at the same time apart.
        base_ = fs::path(::testing::TempDir()) /
                ("hex2ccf_" + std::string(info->name()) + "_" + std::to_string(getpid()));
        fs::remove_all(base_);
        folder_ = base_ / "My Remote";
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(base_); }

    // Runs hex2ccf in the work folder with the arguments, already quoted.
    Outcome Start(const std::string& arguments) {
        const fs::path errors = base_ / "stderr.txt";
        const std::string command = "cd " + ShellQuote(folder_.string()) +
                                    " && SOURCE_DATE_EPOCH=" + kGoldenEpoch + " " +
                                    ShellQuote(std::string(KESTREL_PROGRAM_DIR) + "/hex2ccf") +
                                    " " + arguments + " 2>" + ShellQuote(errors.string());
        const int raw = std::system(command.c_str());
        Outcome run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.errors = ReadFile(errors);
        return run;
    }
    Outcome Convert(const std::string& input) {
        WriteFile(folder_ / kTempName, input);
        return Start(ShellQuote(kTempName) + " " + ShellQuote(Output().string()));
    }
    fs::path Output() const { return folder_ / "small.ccf"; }
    // The names in the work folder, which must hold nothing left over.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path base_;
    fs::path folder_;
};

const std::string kGoodEntry =
    "IR Data For Command Power = On  Device Code: 26 Function: 261\r\n"
    "0000 006C 0001 0000 0010 0020\r\n";

TEST_F(Hex2CcfProgram, WritesTheGoldenFileWhenStartedAsTheWindowStartsIt) {
    const std::string data = std::string(HEX2CCF_TEST_DATA);
    const Outcome run = Convert(ReadFile(data + "/small.hex"));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(ReadFile(Output()), ReadFile(data + "/small.ccf"));
    EXPECT_EQ(Names(), (std::vector<std::string>{kTempName, "small.ccf"}));
}

TEST_F(Hex2CcfProgram, ShortensAnOverLongCaptionWithAWarning) {
    const std::string caption(300, 'C');
    const Outcome run =
        Convert("IR Data For Command " + caption +
                "  Device Code: 26 Function: 261\r\n0000 006C 0001 0000 0010 0020\r\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors,
              "hex2ccf: warning: 'Temp$$.hex' line 1: the caption has 300 characters; a CCF text "
              "holds at most 255, so it was shortened\n");
    EXPECT_TRUE(fs::exists(Output()));
}

TEST_F(Hex2CcfProgram, ReplacesAnExistingFileOnlyWhenTheConversionSucceeds) {
    WriteFile(Output(), "old contents");
    EXPECT_EQ(Convert("0000 006C\r\n").status, 1);
    EXPECT_EQ(ReadFile(Output()), "old contents");
    EXPECT_EQ(Convert(kGoodEntry).status, 0);
    EXPECT_EQ(ReadFile(Output()).substr(8, 8), "@\xA5Z@_CCF");
    EXPECT_EQ(Names(), (std::vector<std::string>{kTempName, "small.ccf"}));
}

TEST_F(Hex2CcfProgram, AnEmptyInputGivesAnEmptyDevice) {
    const Outcome run = Convert("");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_GT(ReadFile(Output()).size(), 72u);
}

TEST_F(Hex2CcfProgram, RefusesBadInputClearlyAndLeavesNoFile) {
    struct Case {
        const char* name;
        std::string input;
        const char* message;
    };
    const std::string header = "IR Data For Command Power = On  Device Code: 26 Function: 261\r\n";
    const Case cases[] = {
        {"not Pronto hex", header + "hello world\r\n", "line 2: word 1 \"hello\" is not a hex"},
        {"odd word count", header + "0000 006C 0001 0000 0010\r\n", "line 2: odd number of words"},
        {"five-digit word", kGoodEntry + header + "0000 006C 0001 0000 10000 0020\r\n",
         "line 4: word 5 \"10000\" has more than four digits"},
        {"text listing", "IR Data For Command Power = On  (0x1A/26  '1'/49)\r\n",
         "line 1: no \"  Device Code: \""},
        {"code not generated", header + "\r\n" + kGoodEntry,
         "line 2: the entry \"Power = On\" has an empty"},
        {"code missing", kGoodEntry + header, "line 3: the entry \"Power = On\" has no code line"},
    };
    for (const Case& c : cases) {
        const Outcome run = Convert(c.input);
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.errors.rfind("hex2ccf: 'Temp$$.hex' " + std::string(c.message), 0), 0u)
            << c.name << ": " << run.errors;
        EXPECT_EQ(Names(), std::vector<std::string>{kTempName}) << c.name;
    }
}

TEST_F(Hex2CcfProgram, RefusesMissingFilesAndWrongArguments) {
    struct Case {
        std::string arguments;
        int status;
        const char* message;
    };
    fs::create_directory(folder_ / "folder.hex");
    const std::string output = ShellQuote(Output().string());
    const Case cases[] = {
        {"", 2, "hex2ccf: expected two arguments, got 0\nusage: hex2ccf INPUT.hex OUTPUT.ccf\n"},
        {"a.hex", 2, "hex2ccf: expected two arguments, got 1\n"},
        {"a.hex b.ccf c", 2, "hex2ccf: expected two arguments, got 3\n"},
        {"missing.hex " + output, 1,
         "hex2ccf: cannot open input file 'missing.hex': No such file or directory\n"},
        {"folder.hex " + output, 1, "hex2ccf: cannot read input file 'folder.hex': "},
    };
    for (const Case& c : cases) {
        const Outcome run = Start(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.errors.rfind(c.message, 0), 0u) << c.arguments << ": " << run.errors;
        EXPECT_FALSE(fs::exists(Output()));
    }

    WriteFile(folder_ / kTempName, kGoodEntry);
    const Outcome noFolder =
        Start(ShellQuote(kTempName) + " " + ShellQuote((folder_ / "gone" / "x.ccf").string()));
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_NE(noFolder.errors.find("cannot create a temporary file in the folder"),
              std::string::npos);

    const Outcome intoFolder = Start(ShellQuote(kTempName) + " folder.hex");
    EXPECT_EQ(intoFolder.status, 1);
    EXPECT_NE(intoFolder.errors.find("cannot put the new file in place as 'folder.hex'"),
              std::string::npos);
    EXPECT_EQ(Names(), (std::vector<std::string>{kTempName, "folder.hex"}));
}

}  // namespace
