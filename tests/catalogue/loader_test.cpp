// The device file loader: line ends, comments, headers, qualifiers, system
// keys, command and remote lines, limits, and loads that carry over.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/field_cursor.h"
#include "util/text.h"

namespace kestrel {
namespace {

class LoaderTest : public ::testing::Test {
  protected:
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const CommandEntry& e : catalogue.Commands())
            names.push_back(e.Name);
        return names;
    }
    const CommandEntry& Get(const std::string& name) const {
        return catalogue.Command(catalogue.getETindex(name));
    }

    Catalogue catalogue;
};

TEST_F(LoaderTest, LinesEndAtCrCrLfAndLoneLf) {
    for (const std::string end : {"\r", "\r\n", "\n"}) {
        Catalogue c;
        c.LoadDeviceText("[COMMANDS]" + end + "A = 1; Query" + end + "B = 2; Query" + end +
                         "C = 3; Query");
        EXPECT_EQ(c.CommandCount(), 3) << "line end " << static_cast<int>(end.back());
        EXPECT_EQ(c.Command(3).FunctionCode, "3");
    }
    // Mixed ends; CR LF is one end, so no line is lost or doubled.
    catalogue.LoadDeviceText("[COMMANDS]\r\nA = 1; Query\nB = 2; Query\rC = 3; Query\r\n\r\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(LoaderTest, CommentsHeadersAndSections) {
    catalogue.LoadDeviceText(
        "A = 1; Query\n"  // section 0: ignored
        "[ commands ] ' the commands\n"
        "'Hidden = 2; Query\n"
        "Brightness = 20; Integer; 0..100 ' percent\n"
        "[OTHER]\n"  // keeps the commands section
        "After = 3; Query\n"
        "no equals sign here\n"
        "[System]\n"
        "Model = X1\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Brightness", "After"}));
    EXPECT_EQ(Get("Brightness").Range.Max, "100");
    EXPECT_EQ(catalogue.ModelName, "X1");
}

struct QualifierCase {
    std::string model, firmware, options, qualifier;
    bool loaded;
};

TEST_F(LoaderTest, QualifiersDecideWhetherALineApplies) {
    const QualifierCase cases[] = {
        {"X100", "", "", "M:~X200", true},
        {"X200", "", "", "M:~X200", false},
        {"Vorta", "", "", "M:~X200", false},
        {"vorta", "", "", "M:~ X200", false},
        {"X200", "", "", "M:X200", true},
        {"x200", "", "", "m:X200", true},
        {"Vorta", "", "", "M:X200", true},
        {"X100", "", "", "M:X200", false},
        {"X", "", "", "F:3", true},
        {"X", "2.9", "", "F:3", false},
        {"X", "3", "", "F:3", true},
        {"X", "3.0", "", "F:3", true},
        {"X", "", "HD, PIP", "O:PIP", true},
        {"X", "", "NOPIP", "O:pip", true},
        {"X", "", "HD", "O:PIP", false},
        {"X", "", "HD", "O:~PIP", true},
        {"X", "", "HD, PIP", "O:~ PIP", false},
        {"X", "", "", "O:~", false},  // an empty word is found in any options
        {"X", "", "", "O:", true},
        {"X", "", "", "Lot:7", true},
        {"X", "", "", "", true},
        {"X200", "2.1", "HD", "F:2.0, O:HD, M:X200", true},
        {"X200", "2.1", "HD", "F:2.0, O:PIP, M:X200", false},
    };
    for (const QualifierCase& c : cases) {
        Catalogue catalogue;
        catalogue.ModelName = c.model;
        std::string text = "[SYSTEM]\n";
        if (!c.firmware.empty()) text += "FIRMWARE = " + c.firmware + "\n";
        if (!c.options.empty()) text += "OPTIONS = " + c.options + "\n";
        text += "[REMOTECODES]\nZoom(" + c.qualifier + ") = 9\n";
        catalogue.LoadDeviceText(text);
        EXPECT_EQ(catalogue.RemoteCount(), c.loaded ? 1 : 0)
            << c.model << " / " << c.firmware << " / " << c.options << " / " << c.qualifier;
        if (c.loaded) {
            EXPECT_EQ(catalogue.Remote(1).Name, "Zoom");
        }
    }
}

TEST_F(LoaderTest, QualifyLineCutsTheGroupOut) {
    catalogue.ModelOptions = "HD";
    std::string line = "Gamma(F:2.0, O:HD) = 21; Real; 1.0..2.5";
    EXPECT_EQ(catalogue.QualifyLine(line, Section::Commands), Section::Commands);
    EXPECT_EQ(line, "Gamma = 21; Real; 1.0..2.5");
    line = "Power = 10; Enumeration; (0)Off";  // "(" only after the "="
    EXPECT_EQ(catalogue.QualifyLine(line, Section::Commands), Section::Commands);
    EXPECT_EQ(line, "Power = 10; Enumeration; (0)Off");
    line = "no assignment (M:X)";
    EXPECT_EQ(catalogue.QualifyLine(line, Section::RemoteCodes), Section::None);
    // Not closed before the "=": skipped, never duplicated or cut wrongly.
    for (std::string bad : {"Zoom(M:X = 9", "Zoom(M:X = 9)", "Zoom(", "(=)"}) {
        EXPECT_EQ(catalogue.QualifyLine(bad, Section::RemoteCodes), Section::None) << bad;
    }
}

TEST_F(LoaderTest, EventsRunOnceBeforeEachQualifier) {
    int events = 0;
    catalogue.ProcessEvents = [&] { ++events; };
    catalogue.LoadDeviceText(
        "[REMOTECODES]\nA(F:1, O:, Lot:1) = 1\nB(M:X, F:1) = 2\nC() = 3\nD = 4\n");
    EXPECT_EQ(events, 4);  // B stops at its first qualifier, which fails
    EXPECT_EQ(catalogue.RemoteCount(), 3);
}

TEST_F(LoaderTest, SystemKeys) {
    catalogue.LoadDeviceText(
        "[ SYSTEM ]\n"
        "MODEL = *X300\n"
        "Current Firmware = 2.1\n"
        "Options = hd, pip\n"
        "ALLOW MANUAL = true\n");
    EXPECT_EQ(catalogue.ModelName, "X300");
    EXPECT_EQ(catalogue.ModelFirmware, "2.1");
    EXPECT_EQ(catalogue.ModelOptions, "HD, PIP");
    EXPECT_TRUE(catalogue.AllowManual);
    catalogue.LoadDeviceText("[SYSTEM]\nOPTION = none\nAllowManual = yes\nModel = * X400\n");
    EXPECT_EQ(catalogue.ModelOptions, "");
    EXPECT_FALSE(catalogue.AllowManual);
    EXPECT_EQ(catalogue.ModelName, "X400");
    EXPECT_EQ(catalogue.ModelFirmware, "2.1");  // kept: nothing is reset
}

TEST_F(LoaderTest, QualifiersSeeTheSettingsReadSoFar) {
    catalogue.ModelName = "Old";
    catalogue.LoadDeviceText(
        "[REMOTECODES]\nA(M:New) = 1\n[SYSTEM]\nMODEL = New\n[REMOTECODES]\nB(M:New) = 2\n");
    ASSERT_EQ(catalogue.RemoteCount(), 1);
    EXPECT_EQ(catalogue.Remote(1).Name, "B");
}

TEST_F(LoaderTest, TablesCarryOverUntilTheirHeader) {
    catalogue.LoadDeviceText("[COMMANDS]\nA = 1; Query\n[REMOTECODES]\nMenu = 5\n");
    catalogue.LoadDeviceText("[COMMANDS]\nB = 2; Query\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"B"}));
    ASSERT_EQ(catalogue.RemoteCount(), 1);  // no [REMOTECODES] in the second file
    EXPECT_EQ(catalogue.Remote(1).Code, "5");
    EXPECT_EQ(catalogue.getETindex("A"), 0);  // the index was emptied with its table
}

TEST_F(LoaderTest, EnumerationItems) {
    catalogue.LoadDeviceText(
        "[COMMANDS]\n"
        "Power = 10; Enumeration; (0)Off, (1)On\n"
        "Shift = 1C; Enumeration; (-2)Left 2, ( -1 )Left 1, 5)Five, (2.5)Even, (3.5)Odd;\n"
        "Mode = 13; Enumeration; (0)\"Cinema, warm\", (1)Vivid\n"
        "Empty = 14; Enumeration;\n");
    const std::vector<EnumValue>& power = Get("Power").Values;
    ASSERT_EQ(power.size(), 2u);
    EXPECT_EQ(power[1].Code, 1);
    EXPECT_EQ(power[1].Label, "On");
    const std::vector<EnumValue>& shift = Get("shift").Values;
    ASSERT_EQ(shift.size(), 5u);
    EXPECT_EQ(shift[0].Code, -2);
    EXPECT_EQ(shift[1].Code, -1);
    EXPECT_EQ(shift[2].Code, 0);  // no "(": the code loses its first character
    EXPECT_EQ(shift[2].Label, "Five");
    EXPECT_EQ(shift[3].Code, 2);  // halves to even
    EXPECT_EQ(shift[4].Code, 4);
    EXPECT_EQ(shift[4].Label, "Odd;");  // a trailing ";" stays in the last label
    EXPECT_EQ(Get("Mode").Values[0].Label, "Cinema, warm");
    EXPECT_TRUE(Get("Empty").IsEnumeration);
    EXPECT_TRUE(Get("Empty").Values.empty());
}

TEST_F(LoaderTest, RangesAndOtherTypes) {
    catalogue.LoadDeviceText(
        "[COMMANDS]\n"
        "Brightness = 20; Integer; 0..100;\n"
        "Gamma = 21; real; 1.0 .. 2.5\n"
        "Status = 30; Query\n");
    const CommandEntry& brightness = Get("Brightness");
    EXPECT_TRUE(brightness.HasRange);
    EXPECT_TRUE(brightness.IsInteger);
    EXPECT_EQ(brightness.Range.Min, "0");
    EXPECT_EQ(brightness.Range.Max, "100");
    EXPECT_TRUE(Get("Gamma").HasRange);
    EXPECT_FALSE(Get("Gamma").IsInteger);
    EXPECT_EQ(Get("Gamma").Range.Min, "1.0");
    const CommandEntry& status = Get("Status");
    EXPECT_EQ(status.FunctionCode, "30");
    EXPECT_FALSE(status.HasRange || status.IsEnumeration || status.IsInteger);
}

TEST_F(LoaderTest, ARedefinitionUpdatesTheFirstEntryInPlace) {
    catalogue.LoadDeviceText(
        "[COMMANDS]\n"
        "Level = 20; Integer; 0..3\n"
        "Power = 10; Enumeration; (0)Off, (1)On\n"
        "LEVEL = 21; Enumeration; (0)Low, (1)High\n"
        "power = 11; Query\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"LEVEL", "power"}));
    const CommandEntry& level = Get("level");
    EXPECT_EQ(level.FunctionCode, "21");
    EXPECT_TRUE(level.IsEnumeration);
    EXPECT_TRUE(level.HasRange);  // flags of the earlier line stay
    EXPECT_EQ(level.Values.size(), 2u);
    EXPECT_TRUE(Get("Power").IsEnumeration);
    EXPECT_EQ(Get("Power").Values.size(), 2u);
    EXPECT_EQ(catalogue.getETindex("POWER"), 2);
    EXPECT_EQ(catalogue.getETindex("nothing"), 0);
}

TEST_F(LoaderTest, LinesBreakingALimitAreSkippedWhole) {
    std::vector<int64_t> skipped;
    catalogue.OnLineNote = [&](const LineNote& note) {
        if (note.kind == LineNote::Kind::Skipped) skipped.push_back(note.line);
    };
    catalogue.LoadDeviceText(
        "[COMMANDS]\n"
        "Kept = 10; Enumeration; (0)Off, (1)On\n"
        "Kept = 11; Enumeration; (0)A, (40000)Too big\n"
        "Kept = 12; Integer; 0-100\n"
        "Kept(M:X = 13; Query\n"
        "Kept = 7FFFFFFF0; Query\n"
        "Kept = 1; Enumeration; (1e999)Inf\n"
        "Kept = 0007FFFFFFF; Query\n");
    const CommandEntry& kept = Get("Kept");
    EXPECT_EQ(kept.FunctionCode, "0007FFFFFFF");  // fits 32 bits: loaded
    EXPECT_EQ(kept.Values.size(), 2u);
    EXPECT_EQ(kept.Values[1].Label, "On");
    EXPECT_FALSE(kept.HasRange);
    EXPECT_EQ(skipped, (std::vector<int64_t>{3, 4, 5, 6, 7}));
    EXPECT_EQ(catalogue.CommandCount(), 1);
}

TEST_F(LoaderTest, AMissingFileIsReported) {
    const Status loaded =
        catalogue.LoadDeviceFile(::testing::TempDir() + "no-such-folder", "XIR.ini");
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.reason(), "There is no INI file named XIR.ini, one is required");
}

class ModelFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = std::filesystem::path(::testing::TempDir()) /
                 ("kestrel-models-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "DirIR.ini");
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    std::filesystem::path folder;
};

TEST_F(ModelFolderTest, ModelsAreTheFilesEndingInIRIni) {
    for (const char* name : {"AIR.ini", "BIR.ini", "XIR.ini.bak", "IR.ini", "cir.INI", "D.ini"}) {
        Write(name, "");
    }
    const std::vector<std::string> found = DiscoverModels(folder.string());
    EXPECT_EQ(std::multiset<std::string>(found.begin(), found.end()),
              (std::multiset<std::string>{"A", "B", "", "c"}));
    EXPECT_TRUE(DiscoverModels((folder / "missing").string()).empty());
}

// The user's folder follows the program's; a name in both (ignoring case)
// keeps its program-folder place and is read from the user's folder. Names
// of the program folder are "name@p" or "name@u" by the folder read; the
// models only the user has are upper-cased (which of two spellings in one
// folder comes first is up to the listing).
TEST_F(ModelFolderTest, TheUserFolderFollowsAndOverridesByName) {
    struct Row {
        const char* name;
        std::vector<std::string> program;
        std::vector<std::string> user;  // {"-"}: no user folder at all
        std::multiset<std::string> shipped;
        std::multiset<std::string> added;
    };
    const Row rows[] = {
        {"empty user folder", {"AIR.ini", "BIR.ini"}, {}, {"A@p", "B@p"}, {}},
        {"no user folder", {"AIR.ini", "BIR.ini"}, {"-"}, {"A@p", "B@p"}, {}},
        {"override and addition",
         {"AIR.ini", "BIR.ini"},
         {"bIR.INI", "CIR.ini"},
         {"A@p", "B@u"},
         {"C@u"}},
        {"empty names, two spellings",
         {"AIR.ini", "IR.ini"},
         {"IR.ini", "xIR.ini", "XIR.ini", "XIR.ini.bak"},
         {"A@p", "@u"},
         {"X@u"}},
        {"empty program folder", {}, {"AIR.ini"}, {}, {"A@u"}},
    };
    for (const Row& row : rows) {
        const auto program = folder / "program";
        const auto user = folder / "user";
        std::filesystem::remove_all(program);
        std::filesystem::remove_all(user);
        std::filesystem::create_directories(program);
        if (row.user != std::vector<std::string>{"-"}) std::filesystem::create_directories(user);
        for (const std::string& name : row.program)
            Write("program/" + name, "");
        for (const std::string& name : row.user)
            if (name != "-") Write("user/" + name, "");

        const std::vector<ModelSource> models = ListModels(program.string(), user.string());
        const std::string tag = row.name;
        ASSERT_EQ(models.size(), row.shipped.size() + row.added.size()) << tag;
        std::multiset<std::string> shipped;
        std::multiset<std::string> added;
        for (size_t i = 0; i < models.size(); ++i) {
            const std::string where = models[i].folder == program.string() ? "@p"
                                      : models[i].folder == user.string()  ? "@u"
                                                                           : "@?";
            if (i < row.shipped.size())
                shipped.insert(models[i].name + where);
            else
                added.insert(UpperCase(models[i].name) + where);
        }
        EXPECT_EQ(shipped, row.shipped) << tag;
        EXPECT_EQ(added, row.added) << tag;
        // An empty user folder name reads the program folder alone.
        EXPECT_EQ(ListModels(program.string(), "").size(), row.program.size()) << tag;
        if (!row.shipped.empty()) {
            EXPECT_EQ(ModelFolder(models, "a", "none"),
                      (row.shipped.count("A@u") ? user : program).string())
                << tag;
        }
        EXPECT_EQ(ModelFolder(models, "nothing", "none"), "none");
    }
}

TEST_F(ModelFolderTest, FilesAreFoundIgnoringCase) {
    Write("tessIR.INI", "[COMMANDS]\r\nPower = 10; Query\r\n");
    Catalogue catalogue;
    EXPECT_TRUE(catalogue.LoadDeviceFile(folder.string(), "tessIR.ini").ok());
    EXPECT_EQ(catalogue.CommandCount(), 1);
}

// The cursor cuts fields exactly as NextToken does.
TEST(FieldCursorTest, MatchesNextToken) {
    std::mt19937 random(11);
    const char alphabet[] = {'a', 'B', ' ', ' ', '"', ',', ';', ')', '=', '.', 'x'};
    const std::string delimiters[] = {",", ";", ")", "=", "..", "aB"};
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        const size_t length = random() % 24;
        for (size_t i = 0; i < length; ++i)
            text += alphabet[random() % std::size(alphabet)];
        std::string reference = text;
        FieldCursor cursor(text);
        for (int cut = 0; cut < 6; ++cut) {
            const std::string& delimiter = delimiters[random() % std::size(delimiters)];
            const std::string expected = NextToken(reference, delimiter, 0);
            ASSERT_EQ(cursor.Next(delimiter), expected) << "text [" << text << "]";
            ASSERT_EQ(std::string(cursor.Rest()), reference) << "text [" << text << "]";
        }
    }
}

}  // namespace
}  // namespace kestrel
