// Hostile input and faults across the program, row by row from the data
// files beside this one: device files that break the format's limits,
// requests beyond them, text typed into the manual code boxes, and Gen ALL
// into awkward file names, failing folders and failing converters. Every
// row states the message or refusal it must give and checks that what was
// good around it is unharmed; codes and files come from the golden files.

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>

#include "catalogue/catalogue.h"
#include "export/generate_all.h"
#include "export/output_file.h"
#include "generator/generator.h"
#include "session/request.h"
#include "support/golden.h"
#include "support/recording_display.h"
#include "support/run_tool.h"
#include "support/tsv_rows.h"
#include "util/text.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kKestrelGen = KESTREL_PROGRAM_DIR "/kestrel-gen";
const std::string kDevices = KESTREL_SOURCE_DIR "/devices";

std::vector<TsvRow> Rows(const std::string& file) {
    return TsvRows(KESTREL_SOURCE_DIR "/tests/hostile/" + file);
}
std::string Code(const std::string& request) {
    return GoldenCode("requests.txt", "$ " + request);
}

// A field with every {N*TEXT} replaced by N copies of TEXT, each "#" in a
// copy by its number (0, 1, ...).
std::string Expand(const std::string& field) {
    std::string out;
    size_t at = 0;
    for (size_t open; (open = field.find('{', at)) != std::string::npos;
         at = field.find('}', open) + 1) {
        const size_t star = field.find('*', open);
        const std::string text = field.substr(star + 1, field.find('}', star) - star - 1);
        out += field.substr(at, open - at);
        for (long i = 0, n = std::stol(field.substr(open + 1, star - open - 1)); i < n; ++i) {
            const size_t hash = text.find('#');
            out += hash == std::string::npos
                       ? text
                       : text.substr(0, hash) + std::to_string(i) + text.substr(hash + 1);
        }
    }
    return out + field.substr(at);
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A folder of its own, removed with everything in it (also when a test made
// it read-only).
struct ScratchFolder {
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "kestrel-hostile-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~ScratchFolder() {
        std::error_code error;
        fs::permissions(path / "out", fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(path, error);
    }
    fs::path path;
};

// One test a row, so that CTest runs the large files side by side.
class DeviceFiles : public testing::TestWithParam<TsvRow> {};

TEST_P(DeviceFiles, SkipTheirHostileLinesAndKeepTheGoodOnes) {
    const std::string on = Code("[code] [Tessel10] [Power] [On]");
    const std::string menu = Code("[remote] [Tessel10] [Menu]");
    const std::string exit = Code("[remote] [Tessel10] [power toggle]");
    const TsvRow& row = GetParam();
    ScratchFolder folder;
    const std::string text =
        "[SYSTEM]\r\nMODEL = Tessel10\r\nALLOWMANUAL = TRUE\r\n[COMMANDS]\r\n"
        "Before = 10; Enumeration; (0)Off, (1)On\r\n" +
        Expand(row.at(1)) + "\r\nAfter = 20; Integer; 0..100\r\n[REMOTECODES]\r\nMenu = 5\r\n" +
        Expand(row.at(2)) + "\r\nExit = 12\r\n";
    WriteBytes(folder.path / "HostileIR.ini", text);
    RecordingDisplay display;
    Generator generator;
    generator.SetupProtocol();
    Catalogue catalogue;
    int skipped = 0;
    catalogue.OnLineNote = [&](const LineNote& note) {
        skipped += note.kind == LineNote::Kind::Skipped ? 1 : 0;
    };
    ASSERT_TRUE(SelectModel(catalogue, folder.path.string(), "Hostile").ok());
    EXPECT_EQ(catalogue.CommandCount(), std::stoul(row.at(3)));
    EXPECT_EQ(catalogue.RemoteCount(), std::stoul(row.at(4)));
    EXPECT_EQ(skipped, std::stoi(row.at(5)));

    // The good lines give the codes they always give, unless a full table
    // left one out.
    FieldRecord fields;
    fields.selectedCommand = "Before";
    display.Play(ClickCommand(catalogue, fields).outcome, fields);
    display.Play(ClickValue(catalogue, fields, 1, generator), fields);
    EXPECT_EQ(fields.output, on);
    EXPECT_EQ(!catalogue.FindCommand("After"), row.at(6) == "After");
    if (row.at(6) != "After") {
        fields.selectedCommand = "After";
        display.Play(ClickCommand(catalogue, fields).outcome, fields);
        EXPECT_FALSE(display.Play(GenerateRangeValue(catalogue, fields, "50", generator), fields)
                         .ValueRefused());
        EXPECT_EQ(fields.output, GoldenCode("export_Tessel10.txt",
                                            "IR Data For Command "
                                            "Brightness(0x20/32) Middle of Range=50"));
    }
    fields.PickMode(Mode::Remote);
    const auto click = [&](const char* button) {
        const int position = static_cast<int>(catalogue.FindRemote(button).value());
        display.Play(ClickRemote(catalogue, fields, position, generator), fields);
    };
    click("Menu");
    EXPECT_EQ(fields.output, menu);
    EXPECT_EQ(!catalogue.FindRemote("Exit"), row.at(6) == "Exit");
    if (row.at(6) != "Exit") {
        click("Exit");
        EXPECT_EQ(fields.output, exit);
    }
    // Every click on what was loaded ends in a code or a clear refusal.
    fields.PickMode(Mode::Discrete);
    for (size_t i = 0; i < std::min<size_t>(catalogue.CommandCount(), 64); ++i) {
        const CommandEntry entry = catalogue.Command(i);
        fields.selectedCommand = entry.Name;
        display.Play(ClickCommand(catalogue, fields).outcome, fields);
        for (size_t j = 0; j < entry.Values.size() && j < 64; ++j)
            display.Play(ClickValue(catalogue, fields, static_cast<int>(j), generator), fields);
        for (const std::string& bound : {entry.Range.Min, entry.Range.Max}) {
            if (entry.HasRange())
                display.Play(GenerateRangeValue(catalogue, fields, bound, generator), fields);
        }
    }
    for (const std::string& message : display.messages)
        EXPECT_NE(message.find("no code was generated"), std::string::npos) << message;

    // kestrel-gen loads them too (the largest files once: the sanitizer
    // build reads slowly).
    const std::string dir = folder.path.string();
    ToolResult r = RunTool(kKestrelGen, {"code", "Hostile", "Before", "On", "--dir", dir});
    EXPECT_EQ(r.out + r.err, on + "\n");
    if (text.size() > 1000000) return;
    EXPECT_EQ(RunTool(kKestrelGen, {"remote", "Hostile", "Menu", "--dir", dir}).out, menu + "\n");
    r = RunTool(kKestrelGen, {"show", "Hostile", "--dir", dir});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Commands: " + row.at(3) + "\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceFiles, testing::ValuesIn(Rows("device_files.tsv")),
                         [](const testing::TestParamInfo<TsvRow>& row) {
                             std::string name = row.param.at(0);
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Straight to the generator and through kestrel-gen pronto: no code, the
// message, and the next request is unharmed.
TEST(HostileRequests, AreRefusedWithTheirMessageAndHarmNothing) {
    const std::string good = Code("[manual] [16] [1] [--kind] [D]");
    for (const TsvRow& row : Rows("requests.tsv")) {
        SCOPED_TRACE(row.at(0));
        Generator generator;
        generator.SetupProtocol();
        const ProtocolRecord& protocol = generator.Protocol();
        const std::string form = Expand(row.at(1)), value = Expand(row.at(3));
        const std::optional<BuiltInForm> named = FormNamed(form);
        const Noted<std::string> noted = generator.GenerateCode(
            named ? FormText(protocol, *named) : form, row.at(2), value, row.at(4));
        const Result<std::string>& refused = noted.result;
        EXPECT_EQ(refused.ok() ? "a code" : refused.reason(), row.at(5));
        EXPECT_TRUE(noted.notes.empty());
        EXPECT_EQ(generator.GenerateCode(protocol.FormDiscrete, "16", "1", "D").result.value_or(""),
                  good);
        if (value.size() > 100000) continue;  // too long for an argument list
        const ToolResult r = RunTool(kKestrelGen, {"pronto", form, row.at(2), value, row.at(4)});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out + r.err, "kestrel-gen: " + row.at(5) + "\n");
    }
}

TEST(HostileManualEntry, CodeBoxesRefuseOrWarn) {
    for (const TsvRow& row : Rows("manual_codes.tsv")) {
        SCOPED_TRACE(row.at(0));
        RecordingDisplay display;
        FieldRecord fields;
        fields.PickMode(Mode::Manual);
        const bool hex = row.at(1) == "hex";
        fields.SetText(hex ? Box::CodeHex : Box::CodeDecimal, row.at(2));
        display.Play(hex ? UpdateDecimalFromHex(fields) : UpdateHexFromDecimal(fields), fields);
        EXPECT_EQ(display.messages, std::vector<std::string>(!row.at(3).empty(), row.at(3)));
        EXPECT_EQ(fields.functionCodeDecimal, row.at(4));
        EXPECT_EQ(fields.functionCodeHex,
                  hex ? fields.functionCodeHex : "");  // no hexadecimal for bad decimals
    }
}

// Long options and firmware texts and tens of thousands of qualifiers: a
// qualifier must not search the whole text again (that took minutes for a
// 10 MB file), and finds exactly the words a plain search finds, ignoring
// case.
TEST(HostileQualifiers, LongSettingsWithManyQualifiersDecideAsAPlainSearch) {
    uint32_t seed = 12345;
    const auto random = [&seed](uint32_t below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % below;
    };
    const char alphabet[] = "abAB, c";
    std::string options;
    for (int i = 0; i < 64 * 1024; ++i)
        options += alphabet[random(sizeof alphabet - 1)];
    const std::string setting = UpperCase("x" + options);
    std::string file = "[SYSTEM]\r\nOPTIONS = x" + options + "\r\nFIRMWARE = 2" +
                       std::string(1 << 20, ' ') + "5\r\n[COMMANDS]\r\n";
    std::vector<std::string> expected, loaded;
    for (int i = 0; i < 20000; ++i) {
        std::string word;
        for (uint32_t j = 0, length = 1 + random(12); j < length; ++j)
            word += alphabet[random(4)];
        const bool negated = random(2) == 0, firmware = i % 2 == 0;  // F:25 passes, F:26 not
        file += "C" + std::to_string(i) + "(O:" + (negated ? "~" : "") + word +
                (firmware ? ", F:25" : ", F:26") + ") = 1; Query\r\n";
        const bool found = setting.find(UpperCase(word)) != std::string::npos;
        if (found != negated && firmware) expected.push_back("C" + std::to_string(i));
    }
    Catalogue catalogue;
    catalogue.LoadDeviceText(file);
    for (const CommandEntry& entry : catalogue.Commands())
        loaded.push_back(entry.Name);
    EXPECT_EQ(loaded, expected);
    EXPECT_GT(loaded.size(), 100u);
}

// Runs the scope with an ordinary user's rights when the tests run as root
// (root may write into read-only folders).
struct OrdinaryUser {
    explicit OrdinaryUser(bool wanted) {
        const passwd* nobody = getpwnam("nobody");
        active = wanted && geteuid() == 0 && seteuid(nobody ? nobody->pw_uid : 65534) == 0;
    }
    ~OrdinaryUser() {
        if (active && seteuid(0) != 0) std::abort();
    }
    bool active = false;
};

// Files of the file system whose folder is removed right after the first
// one was created, as another program or the user might do.
struct VanishingFiles : OutputFiles {
    explicit VanishingFiles(fs::path folder) : folder(std::move(folder)) {}
    Result<std::unique_ptr<OutputFile>> Create(const std::string& path) override {
        Result<std::unique_ptr<OutputFile>> file = files.Create(path);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        return file;
    }
    StdioOutputFiles files;
    fs::path folder;
};

// Gen ALL of the Tessel10 sample through the core, and (where the fault
// allows) through kestrel-gen export.
TEST(HostileOutput, EachRowGivesItsMessageAndKeepsItsFiles) {
    Catalogue catalogue;
    ASSERT_TRUE(SelectModel(catalogue, kDevices, "Tessel10").ok());
    for (const TsvRow& row : Rows("output.tsv")) {
        const std::string& fault = row.at(0);
        SCOPED_TRACE(fault + " " + row.at(1));
        ScratchFolder scratch;
        const fs::path out = scratch.path / "out", program = scratch.path / "program";
        fs::create_directories(out);
        fs::create_directories(program);
        const fs::path chosen = out / row.at(1), converter = program / "hex2ccf";
        const bool ccf = chosen.extension() == ".ccf";
        const fs::path main = ccf ? out / "Temp$$.hex" : chosen,
                       listing = fs::path(chosen).replace_extension(".txt");
        if (fault == "converter a folder") fs::create_directory(converter);
        if (fault.rfind("converter", 0) == std::string::npos && fault != "no converter")
            WriteBytes(converter, "");  // found; its start is only recorded
        std::error_code exists;
        for (const fs::path& file : {chosen, main, listing})
            if (fault == "full") fs::create_symlink("/dev/full", file, exists);
        if (fault == "read-only")
            fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);

        RecordingDisplay display;
        Generator generator;
        generator.SetupProtocol();
        StdioOutputFiles stdio;
        VanishingFiles vanishing(out);
        GenerateAll run(catalogue, generator,
                        fault == "vanishing" ? vanishing : static_cast<OutputFiles&>(stdio));
        RecordingRun shown(display);
        run.SetObserver(&shown);
        std::vector<std::string> launches;  // arguments and folder
        run.SetConverter(program.string(),
                         [&](const std::string&, const auto& arguments, const std::string& folder) {
                             launches = {arguments.at(0), arguments.at(1), folder};
                             return Status();
                         });
        FieldRecord fields;
        GenerateAllResult result;
        {
            const OrdinaryUser user(fault == "read-only");
            result = run.Run(fields, chosen.string());
        }
        std::string message = row.at(3);
        for (const auto& [name, folder] : {std::pair{"{out}", out}, {"{program}", program}})
            for (size_t at; (at = message.find(name)) != std::string::npos;)
                message.replace(at, std::string(name).size(), folder.string());
        EXPECT_EQ(display.messages, std::vector<std::string>(!message.empty(), message));
        EXPECT_EQ(result.written, row.at(2) == "written");
        const auto expectGoldenFiles = [&] {
            EXPECT_EQ(ReadBytes(main),
                      GoldenText(ccf || chosen.extension() == ".hex" ? "export_Tessel10.hex"
                                                                     : "export_Tessel10.txt"));
            if (ccf) {
                EXPECT_EQ(ReadBytes(listing), GoldenText("export_Tessel10_ccf_listing.txt"));
            }
        };
        if (result.written) expectGoldenFiles();
        const std::vector<std::string> launched = {"Temp$$.hex", chosen.string(), out.string()};
        EXPECT_EQ(launches,
                  result.written && ccf && message.empty() ? launched : std::vector<std::string>());
        if (!fault.empty() && fault != "full") continue;
        // kestrel-gen waits for the converter of its own folder. It names
        // the files it wrote; it puts no file beside a device.
        const ToolResult r = RunTool(kKestrelGen, {"export", "Tessel10", "--dir", kDevices,
                                                   "--force", "--", chosen.string()});
        if (fault == "full" && ccf) {
            message = "A ccf export writes files beside FILE; '" + chosen.string() +
                      "' is no regular file";
        }
        EXPECT_EQ(r.status, message.empty() ? 0 : 1);
        std::string said;
        for (size_t start = 0, end; start < r.err.size(); start = end + 1) {
            end = r.err.find('\n', start);
            const std::string line = r.err.substr(start, end - start);
            if (line.rfind("kestrel-gen: wrote '", 0) != 0 &&
                line.rfind("kestrel-gen: hex2ccf wrote '", 0) != 0)
                said += line + "\n";
        }
        EXPECT_EQ(said, message.empty() ? "" : "kestrel-gen: " + message + "\n");
        if (fault.empty()) expectGoldenFiles();
        if (fault.empty() && ccf) {
            EXPECT_GT(ReadBytes(chosen).size(), 72u);
        }
    }
}

}  // namespace
}  // namespace kestrel::test
