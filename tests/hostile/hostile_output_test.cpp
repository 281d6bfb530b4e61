// Where Gen ALL writes: file names with blanks, quotes, "$", ";" and
// non-ASCII characters; an output folder that is read-only, vanishes during
// the run or lies on a full disk; a write failing after N bytes; and a
// converter that is missing, not executable or fails to start. Through the
// core run and through kestrel-gen export; every row names the message it
// must give and checks that nothing already written was spoilt.

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/generate_all.h"
#include "catalogue/output_file.h"
#include "generator/generator.h"
#include "hostile_support.h"
#include "launcher/launch_app.h"
#include "support/memory_files.h"
#include "support/recording_display.h"
#include "support/run_tool.h"
#include "util/text.h"

namespace kestrel::test {
namespace {

struct Launch {
    std::string program;
    std::vector<std::string> arguments;
    std::string folder;
};

// One Gen ALL run over the Tessel10 sample, as the window makes it.
struct SampleRun {
    explicit SampleRun(OutputFiles& files,
                       std::string programFolder = "/nonexistent-program-folder",
                       bool realStart = false) {
        generator.SetupProtocol();
        catalogue.ModelName = "Tessel10";
        loaded = catalogue.LoadDeviceFile(kSampleDevices, "Tessel10IR.ini").ok();
        run = std::make_unique<GenerateAll>(catalogue, generator, display, files);
        run->SetConverter(
            std::move(programFolder),
            [this, realStart](const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& folder) -> Status {
                launches.push_back({program, arguments, folder});
                if (!realStart) return {};
                std::string error;
                started.push_back(StartProgram(program, arguments, folder, error));
                if (!started.back()) return Refused(error);
                return {};
            });
    }
    GenerateAllResult operator()(const std::string& chosen) {
        FieldRecord fields;
        return run->Run(fields, chosen);
    }
    RecordingDisplay display;
    Generator generator;
    Catalogue catalogue;
    std::unique_ptr<GenerateAll> run;
    std::vector<Launch> launches;
    std::vector<std::unique_ptr<StartedProgram>> started;
    bool loaded = false;
};

const char* const kExtensions[] = {".txt", ".hex", ".ccf"};

// What a run writes for each kind, into files kept in memory.
std::map<std::string, std::string> Reference(const std::string& extension) {
    MemoryFiles files;
    SampleRun run(files);
    run("/ref/out" + extension);
    std::map<std::string, std::string> out;
    for (const auto& [path, content] : files.files)
        out[path] = content.bytes;
    return out;
}

std::string MainOf(const std::string& chosen) {
    if (OutputKindOf(chosen).name != "ccf") return chosen;
    return FolderOf(chosen) + "/Temp$$.hex";
}

const std::vector<std::string> kAwkwardNames = {
    "codes with  blanks",
    "quote\"d 'codes'",
    "$HOME $(id) `id` ${x}",
    "a;b; rm -rf ~; echo",
    "Gr\xc3\xbc\xc3\x9f"
    "e \xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac",
    "-n dash and \\ backslash",
    "all \" ' $ ; \xc3\xbc",
};

TEST(HostileFileNames, TheCoreRunWritesExactlyTheNamedFiles) {
    for (const char* extension : kExtensions) {
        const std::map<std::string, std::string> reference = Reference(extension);
        for (const std::string& name : kAwkwardNames) {
            SCOPED_TRACE(name + extension);
            ScratchFolder folder;
            const std::string chosen = (folder.path / (name + extension)).string();
            StdioOutputFiles files;
            SampleRun run(files, folder.path.string());
            WriteBytes(folder.path / "hex2ccf", "");  // found, not started
            const GenerateAllResult result = run(chosen);
            EXPECT_TRUE(result.written);
            EXPECT_TRUE(run.display.messages.empty());
            EXPECT_EQ(ReadBytes(MainOf(chosen)),
                      reference.at(MainOf("/ref/out" + std::string(extension))));
            if (OutputKindOf(chosen).name == "ccf") {
                EXPECT_EQ(ReadBytes(folder.path / (name + ".txt")), reference.at("/ref/out.txt"));
                ASSERT_EQ(run.launches.size(), 1u);
                EXPECT_EQ(run.launches[0].arguments,
                          (std::vector<std::string>{"Temp$$.hex", chosen}));
                EXPECT_EQ(run.launches[0].folder, folder.path.string());
            }
        }
    }
}

TEST(HostileFileNames, KestrelGenExportWritesThemAndTheConverterMakesTheCcf) {
    for (const char* extension : kExtensions) {
        const std::map<std::string, std::string> reference = Reference(extension);
        for (const std::string& name : kAwkwardNames) {
            SCOPED_TRACE(name + extension);
            ScratchFolder folder;
            const std::string chosen = (folder.path / (name + extension)).string();
            const ToolResult r =
                RunTool(kKestrelGen, {"export", "Tessel10", "--dir", kSampleDevices, "--", chosen});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(ReadBytes(MainOf(chosen)),
                      reference.at(MainOf("/ref/out" + std::string(extension))));
            if (OutputKindOf(chosen).name == "ccf") {
                // kestrel-gen waits for the converter of its own folder.
                EXPECT_GT(ReadBytes(chosen).size(), 72u);
            }
        }
    }
}

// Runs the scope with the rights of an ordinary user when the tests run as
// root (root may write into read-only folders).
class OrdinaryUser {
  public:
    OrdinaryUser() {
        if (geteuid() != 0) return;
        const passwd* nobody = getpwnam("nobody");
        const uid_t uid = nobody ? nobody->pw_uid : 65534;
        active_ = seteuid(uid) == 0;
    }
    ~OrdinaryUser() {
        if (active_ && seteuid(0) != 0) std::abort();
    }

  private:
    bool active_ = false;
};

TEST(HostileFolders, AReadOnlyFolderIsReported) {
    for (const char* extension : kExtensions) {
        SCOPED_TRACE(extension);
        ScratchFolder folder;
        fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
        const std::string chosen = (folder.path / (std::string("out") + extension)).string();
        StdioOutputFiles files;
        SampleRun run(files, folder.path.string());
        GenerateAllResult result;
        {
            const OrdinaryUser user;
            result = run(chosen);
        }
        EXPECT_FALSE(result.written);
        const std::string first =
            OutputKindOf(chosen).name == "ccf" ? (folder.path / "out.txt").string() : chosen;
        EXPECT_EQ(run.display.messages, (std::vector<std::string>{"Could not create the file '" +
                                                                  first + "': Permission denied"}));
        EXPECT_TRUE(fs::is_empty(folder.path));
        EXPECT_TRUE(run.launches.empty());
    }
}

// Files of the file system whose folder is removed right after the first
// one was created, as another program or the user might do.
class VanishingFiles : public OutputFiles {
  public:
    explicit VanishingFiles(fs::path folder) : folder_(std::move(folder)) {}
    Result<std::unique_ptr<OutputFile>> Create(const std::string& path) override {
        Result<std::unique_ptr<OutputFile>> file = files_.Create(path);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        return file;
    }

  private:
    StdioOutputFiles files_;
    fs::path folder_;
};

TEST(HostileFolders, AFolderThatVanishesDuringTheRunIsReported) {
    for (const char* extension : kExtensions) {
        SCOPED_TRACE(extension);
        ScratchFolder scratch;
        const fs::path folder = scratch.path / "out";
        fs::create_directory(folder);
        const std::string chosen = (folder / (std::string("codes") + extension)).string();
        VanishingFiles files(folder);
        SampleRun run(files, scratch.path.string());
        const GenerateAllResult result = run(chosen);
        EXPECT_FALSE(result.written);
        // The listing's folder is gone before Temp$$.hex is created; the
        // other kinds lose their only file while it is written.
        const std::string expected =
            OutputKindOf(chosen).name == "ccf"
                ? "Could not create the file '" + (folder / "Temp$$.hex").string() +
                      "': No such file or directory"
                : "Could not write the file '" + chosen + "': No such file or directory";
        EXPECT_EQ(run.display.messages, (std::vector<std::string>{expected}));
        EXPECT_TRUE(run.launches.empty());
    }
}

TEST(HostileFolders, AFullDiskIsReported) {
    for (const char* extension : kExtensions) {
        SCOPED_TRACE(extension);
        ScratchFolder folder;
        const std::string chosen = (folder.path / (std::string("out") + extension)).string();
        for (const char* name : {"out.txt", "out.hex", "out.ccf", "Temp$$.hex"})
            fs::create_symlink("/dev/full", folder.path / name);
        StdioOutputFiles files;
        SampleRun run(files, folder.path.string());
        const GenerateAllResult result = run(chosen);
        EXPECT_FALSE(result.written);
        EXPECT_EQ(run.display.messages,
                  (std::vector<std::string>{"Could not write the file '" + MainOf(chosen) +
                                            "': No space left on device"}));
        EXPECT_TRUE(run.launches.empty());

        const ToolResult r =
            RunTool(kKestrelGen, {"export", "Tessel10", chosen, "--dir", kSampleDevices});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, run.display.messages.at(0) + "\n");
    }
}

TEST(HostileFolders, AWriteFailingAfterNBytesKeepsWhatWasWritten) {
    for (const char* extension : kExtensions) {
        const std::map<std::string, std::string> reference = Reference(extension);
        const std::string chosen = "/ref/out" + std::string(extension);
        const std::string main = MainOf(chosen);
        const size_t total = reference.at(main).size();
        for (const size_t after : {size_t{0}, size_t{1}, size_t{77}, total / 2, total - 1}) {
            SCOPED_TRACE(std::string(extension) + " after " + std::to_string(after));
            MemoryFiles files;
            files.failAfter[main] = after;
            SampleRun run(files);
            const GenerateAllResult result = run(chosen);
            EXPECT_FALSE(result.written);
            EXPECT_EQ(run.display.messages,
                      (std::vector<std::string>{"Could not write the file '" + main +
                                                "': No space left on device"}));
            for (const auto& [path, content] : files.files) {
                EXPECT_TRUE(content.closed) << path;
                // What reached the file is the start of the full output.
                EXPECT_EQ(content.bytes, reference.at(path).substr(0, content.bytes.size()));
            }
            EXPECT_EQ(files.files.at(main).bytes.size(), after);
            EXPECT_TRUE(run.launches.empty());
        }
    }
}

// The converter of a CCF run: missing, present but not executable, a
// folder, a program that cannot start, and one that starts (whose end the
// caller watches). The files of the run are kept in every case; a converter
// that is missing or cannot be started is reported.
struct ConverterRow {
    const char* name;
    // The file hex2ccf: "" means none, "/" a folder, "false" a copy of the
    // program false (which needs no file once started).
    std::string content;
    fs::perms perms;
    bool missing;        // "file '...' does not exist"
    std::string reason;  // "Could not start the converter '...': " reason
    bool started;        // StartProgram returned true
};

TEST(HostileConverter, EveryFaultLeavesTheFilesAndTheRun) {
    const ConverterRow rows[] = {
        {"missing", "", fs::perms::owner_all, true, "", false},
        {"not executable", "#!/bin/sh\nexit 0\n", fs::perms::owner_read | fs::perms::owner_write,
         false, "Permission denied", false},
        {"a folder", "/", fs::perms::owner_all, true, "", false},
        {"cannot start (no interpreter)", "#!/nonexistent/interpreter\n", fs::perms::owner_all,
         false, "No such file or directory", false},
        {"starts and fails", "false", fs::perms::owner_all, false, "", true},
    };
    const std::map<std::string, std::string> reference = Reference(".ccf");
    // Kept to the end: a converter that was started may still be running.
    ScratchFolder scratch;
    int number = 0;
    for (const ConverterRow& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path program = scratch.path / ("program" + std::to_string(++number));
        const fs::path out = scratch.path / ("out" + std::to_string(number));
        fs::create_directory(program);
        fs::create_directory(out);
        const fs::path converter = program / "hex2ccf";
        if (row.content == "/") {
            fs::create_directory(converter);
        } else if (row.content == "false") {
            fs::copy_file("/bin/false", converter);
        } else if (!row.content.empty()) {
            WriteBytes(converter, row.content);
            fs::permissions(converter, row.perms);
        }
        StdioOutputFiles files;
        SampleRun run(files, program.string(), /*realStart=*/true);
        const std::string chosen = (out / "codes.ccf").string();
        const GenerateAllResult result = run(chosen);
        EXPECT_TRUE(result.written);
        EXPECT_EQ(result.converterMissing, row.missing);
        EXPECT_EQ(result.converterStarted, row.started);
        std::vector<std::string> messages;
        if (row.missing) messages.push_back("file '" + converter.string() + "' does not exist");
        if (!row.reason.empty()) {
            messages.push_back("Could not start the converter '" + converter.string() +
                               "': " + row.reason);
        }
        EXPECT_EQ(run.display.messages, messages);
        EXPECT_EQ(ReadBytes(out / "Temp$$.hex"), reference.at("/ref/Temp$$.hex"));
        EXPECT_EQ(ReadBytes(out / "codes.txt"), reference.at("/ref/out.txt"));
    }
}

}  // namespace
}  // namespace kestrel::test
