// The driver binding against the simulated driver, which logs every call.

#include "transmitter/transmitter.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "generator/generator.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSimVariables[] = {
    "KESTREL_SIM_LOG",           "KESTREL_SIM_API_VERSION",  "KESTREL_SIM_DRIVER_VERSION",
    "KESTREL_SIM_INFO_FAIL",     "KESTREL_SIM_VERSION_FAIL", "KESTREL_SIM_OPEN_ERROR",
    "KESTREL_SIM_TRANSMIT_FAIL", "KESTREL_SIM_HANDLE",       "KESTREL_UUIRT_LIBRARY"};

// One line of the simulated driver's log.
struct Call {
    std::string entry;
    std::map<std::string, std::string> fields;  // code= included, to the line end
};

Call ParseCall(const std::string& line) {
    Call call;
    size_t at = line.find(' ');
    call.entry = line.substr(0, at);
    while (at != std::string::npos) {
        const size_t start = at + 1;
        const size_t equals = line.find('=', start);
        if (equals == std::string::npos) break;
        const std::string key = line.substr(start, equals - start);
        if (key == "code") {
            call.fields[key] = line.substr(equals + 1);
            break;
        }
        at = line.find(' ', equals);
        call.fields[key] = line.substr(equals + 1, at == std::string::npos ? at : at - equals - 1);
    }
    return call;
}

class RecordingCursor : public WaitCursor {
  public:
    void Begin() override { events.push_back("Begin"); }
    void End() override { events.push_back("End"); }
    std::vector<std::string> events;
};

class TransmitterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kSimVariables)
            unsetenv(name);
        std::string pattern = (fs::temp_directory_path() / "kestrel-transmitter-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        logFile = folder / "calls.log";
        setenv("KESTREL_SIM_LOG", logFile.c_str(), 1);
        startFolder = fs::current_path();
        if (const char* search = getenv("LD_LIBRARY_PATH")) searchPath = search;
    }
    void TearDown() override {
        fs::current_path(startFolder);
        RestoreSearchPath();
        for (const char* name : kSimVariables)
            unsetenv(name);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    void RestoreSearchPath() {
        if (searchPath) {
            setenv("LD_LIBRARY_PATH", searchPath->c_str(), 1);
        } else {
            unsetenv("LD_LIBRARY_PATH");
        }
    }

    static DriverLocation Simulated() { return {"", KESTREL_SIM_UUIRT_FILE}; }

    // A folder holding a copy of the simulated driver under the real
    // driver's file name.
    fs::path FolderWithDriver(const std::string& name) {
        const fs::path where = folder / name;
        fs::create_directories(where);
        fs::copy_file(KESTREL_SIM_UUIRT_FILE, where / kDriverFileName);
        return where;
    }

    std::vector<Call> Calls() const {
        std::vector<Call> calls;
        std::ifstream in(logFile);
        for (std::string line; std::getline(in, line);)
            calls.push_back(ParseCall(line));
        return calls;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (const Call& call : Calls())
            entries.push_back(call.entry);
        return entries;
    }

    fs::path folder;
    fs::path logFile;
    fs::path startFolder;
    std::optional<std::string> searchPath;
};

const std::vector<std::string> kOpenCalls = {"UUIRTGetDrvInfo", "UUIRTGetDrvVersion", "UUIRTOpen"};

TEST_F(TransmitterTest, OpensWithTheSimulatedDriver) {
    Transmitter transmitter(Simulated());
    EXPECT_EQ(transmitter.TransmitterHandle(), 0);
    EXPECT_EQ(transmitter.TransmitFormat(), 0);
    EXPECT_EQ(transmitter.OpenTransmitter(), "");
    EXPECT_EQ(transmitter.TransmitterHandle(), 0x5157);
    EXPECT_EQ(transmitter.TransmitFormat(), 16);
    EXPECT_EQ(transmitter.LibraryFile(), KESTREL_SIM_UUIRT_FILE);
    EXPECT_EQ(Entries(), kOpenCalls);
}

struct OpenCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> settings;
    const char* text;
    std::vector<std::string> calls;
    intptr_t handle;
};

TEST_F(TransmitterTest, OpenSequenceGivesEachTextInOrder) {
    const std::vector<std::string> info = {"UUIRTGetDrvInfo"};
    const std::vector<std::string> versions = {"UUIRTGetDrvInfo", "UUIRTGetDrvVersion"};
    const char* oldDriver = "USB-UIRT API driver DLL  version 2.6.1 or later is required!";
    const std::vector<OpenCase> cases = {
        {"info fails",
         {{"KESTREL_SIM_INFO_FAIL", "1"}},
         "Unable to retrieve UIRT driver version!",
         info,
         0},
        {"API 255", {{"KESTREL_SIM_API_VERSION", "255"}}, "Invalid UIRT driver version!", info, 0},
        {"API 257", {{"KESTREL_SIM_API_VERSION", "257"}}, "Invalid UIRT driver version!", info, 0},
        {"version fails", {{"KESTREL_SIM_VERSION_FAIL", "1"}}, oldDriver, versions, 0},
        {"version 2609", {{"KESTREL_SIM_DRIVER_VERSION", "2609"}}, oldDriver, versions, 0},
        {"version negative",
         {{"KESTREL_SIM_DRIVER_VERSION", "0x80000000"}},
         oldDriver,
         versions,
         0},
        {"version 2610", {{"KESTREL_SIM_DRIVER_VERSION", "2610"}}, "", kOpenCalls, 0x5157},
        {"version 9999", {{"KESTREL_SIM_DRIVER_VERSION", "9999"}}, "", kOpenCalls, 0x5157},
        {"error 20000003",
         {{"KESTREL_SIM_OPEN_ERROR", "0x20000003"}},
         "Unable to find USB-UIRT Driver!",
         kOpenCalls,
         -1},
        {"error 20000001",
         {{"KESTREL_SIM_OPEN_ERROR", "0x20000001"}},
         "Unable to connect to USB-UIRT device!",
         kOpenCalls,
         -1},
        {"error 20000002",
         {{"KESTREL_SIM_OPEN_ERROR", "0x20000002"}},
         "Unable to communicate with USB-UIRT device!",
         kOpenCalls,
         -1},
        {"error 20000004",
         {{"KESTREL_SIM_OPEN_ERROR", "0x20000004"}},
         "The USB-UIRT's firmware is not compatible with this API DLL!",
         kOpenCalls,
         -1},
        {"error 5",
         {{"KESTREL_SIM_OPEN_ERROR", "5"}},
         "Unable to initialize USB-UIRT (unknown error)!",
         kOpenCalls,
         -1},
        {"error 20000005",
         {{"KESTREL_SIM_OPEN_ERROR", "0x20000005"}},
         "Unable to initialize USB-UIRT (unknown error)!",
         kOpenCalls,
         -1},
        {"error 0",
         {{"KESTREL_SIM_OPEN_ERROR", "0"}},
         "Unable to initialize USB-UIRT (unknown error)!",
         kOpenCalls,
         -1},
        // A null handle would read as "never opened": it is a failed open.
        {"null handle",
         {{"KESTREL_SIM_HANDLE", "0"}},
         "Unable to initialize USB-UIRT (unknown error)!",
         kOpenCalls,
         -1},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(logFile);
        for (const auto& [name, value] : c.settings)
            setenv(name, value, 1);
        {
            Transmitter transmitter(Simulated());
            EXPECT_EQ(transmitter.OpenTransmitter(), c.text);
            EXPECT_EQ(transmitter.TransmitterHandle(), c.handle);
            EXPECT_EQ(transmitter.TransmitFormat(), c.text[0] == '\0' ? 16 : 0);
            // Nothing reaches the library after a failed open.
            transmitter.TransmitPronto("0000 006C 0001 0000 0010 0010");
            transmitter.CloseTransmitter();
        }
        std::vector<std::string> expected = c.calls;
        if (c.text[0] == '\0') {
            expected.push_back("UUIRTTransmitIR");
            expected.push_back("UUIRTClose");
        }
        EXPECT_EQ(Entries(), expected);
        for (const auto& [name, value] : c.settings)
            unsetenv(name);
    }
}

TEST_F(TransmitterTest, TransmitsTheGivenCodeWithFormatRepeatAndWait) {
    Generator generator;
    generator.SetupProtocol();
    const std::string code =
        generator.GenerateCode(generator.Protocol().FormDiscrete, "32", "01", "H").value_or("");
    ASSERT_FALSE(code.empty());

    RecordingCursor cursor;
    Transmitter transmitter(Simulated(), &cursor);
    ASSERT_EQ(transmitter.OpenTransmitter(), "");
    EXPECT_TRUE(cursor.events.empty());
    EXPECT_EQ(transmitter.SendPronto(code), "");
    EXPECT_EQ(cursor.events, (std::vector<std::string>{"Begin", "End"}));

    const std::vector<Call> calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    const Call& sent = calls[3];
    EXPECT_EQ(sent.entry, "UUIRTTransmitIR");
    const std::map<std::string, std::string> expected = {
        {"result", "1"},       {"handle", "0x5157"},        {"format", "16"},
        {"repeatCount", "1"},  {"inactivityWaitTime", "0"}, {"event", "null"},
        {"reserved0", "null"}, {"reserved1", "null"},       {"code", code}};
    EXPECT_EQ(sent.fields, expected);

    // A text the library would read cut short is not handed over.
    EXPECT_FALSE(transmitter.TransmitPronto(std::string("0000 006C\0 0001", 15)));
    EXPECT_EQ(Calls().size(), 4u);
}

TEST_F(TransmitterTest, FailedTransmissionIsReported) {
    setenv("KESTREL_SIM_TRANSMIT_FAIL", "1", 1);
    RecordingCursor cursor;
    Transmitter transmitter(Simulated(), &cursor);
    ASSERT_EQ(transmitter.OpenTransmitter(), "");
    EXPECT_FALSE(transmitter.TransmitPronto("0000 006C 0001 0000 0010 0010"));
    EXPECT_EQ(transmitter.SendPronto("0000 006C 0001 0000 0010 0010"),
              "Error Transmitting Pronto IR data");
    EXPECT_EQ(cursor.events, (std::vector<std::string>{"Begin", "End", "Begin", "End"}));
    const std::vector<Call> calls = Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[4].entry, "UUIRTTransmitIR");
    EXPECT_EQ(calls[4].fields.at("result"), "0");
}

TEST_F(TransmitterTest, NoLibraryCallBeforeAnOpen) {
    RecordingCursor cursor;
    Transmitter transmitter(Simulated(), &cursor);
    EXPECT_FALSE(transmitter.TransmitPronto("0000 006C 0001 0000 0010 0010"));
    EXPECT_EQ(transmitter.SendPronto("0000 006C 0001 0000 0010 0010"),
              "Error Transmitting Pronto IR data");
    transmitter.CloseTransmitter();
    EXPECT_TRUE(cursor.events.empty());
    EXPECT_FALSE(fs::exists(logFile));
    EXPECT_EQ(transmitter.LibraryFile(), "");  // not even loaded
}

TEST_F(TransmitterTest, OpenIsTriedAgainAfterAFailure) {
    setenv("KESTREL_SIM_OPEN_ERROR", "0x20000001", 1);
    Transmitter transmitter(Simulated());
    EXPECT_EQ(transmitter.OpenTransmitter(), "Unable to connect to USB-UIRT device!");
    EXPECT_EQ(transmitter.TransmitterHandle(), -1);
    unsetenv("KESTREL_SIM_OPEN_ERROR");
    EXPECT_EQ(transmitter.OpenTransmitter(), "");
    EXPECT_EQ(transmitter.TransmitterHandle(), 0x5157);
    EXPECT_TRUE(transmitter.TransmitPronto("0000 006C 0001 0000 0010 0010"));
}

TEST_F(TransmitterTest, OpenDeviceIsKeptByASecondOpen) {
    Transmitter transmitter(Simulated());
    ASSERT_EQ(transmitter.OpenTransmitter(), "");
    EXPECT_EQ(transmitter.OpenTransmitter(), "");
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{"UUIRTGetDrvInfo", "UUIRTGetDrvVersion", "UUIRTOpen",
                                        "UUIRTGetDrvInfo", "UUIRTGetDrvVersion"}));
}

TEST_F(TransmitterTest, CloseReleasesTheDeviceOnce) {
    Transmitter transmitter(Simulated());
    ASSERT_EQ(transmitter.OpenTransmitter(), "");
    transmitter.CloseTransmitter();
    transmitter.CloseTransmitter();
    EXPECT_FALSE(transmitter.TransmitPronto("0000 006C 0001 0000 0010 0010"));
    EXPECT_EQ(transmitter.TransmitterHandle(), 0x5157);
    const std::vector<Call> calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].entry, "UUIRTClose");
    EXPECT_EQ(calls[3].fields.at("handle"), "0x5157");
}

TEST_F(TransmitterTest, UnloadableLibrariesFailTheOpen) {
    struct Case {
        std::string file;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"/nonexistent/libuuirtdrv.so", "Unable to find USB-UIRT Driver!"},
        {logFile.string(), "Unable to find USB-UIRT Driver!"},  // not a library
        {KESTREL_PARTIAL_UUIRT_FILE, "Invalid UIRT driver version!"},
    };
    std::ofstream(logFile) << "not a library\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Transmitter transmitter(DriverLocation{"", c.file});
        EXPECT_EQ(transmitter.OpenTransmitter(), c.text);
        EXPECT_EQ(transmitter.TransmitterHandle(), 0);
        EXPECT_EQ(transmitter.LibraryFile(), "");
        EXPECT_NE(transmitter.LoadProblem(), "");
        EXPECT_FALSE(transmitter.TransmitPronto("0000 006C 0001 0000 0010 0010"));
    }
}

TEST_F(TransmitterTest, DriverIsTakenFromTheProgramFolderByAbsolutePath) {
    const fs::path program = FolderWithDriver("program");
    Transmitter transmitter(DriverLocation{program.string(), ""});
    EXPECT_EQ(transmitter.OpenTransmitter(), "");
    EXPECT_EQ(transmitter.LibraryFile(), (program / kDriverFileName).string());
    EXPECT_EQ(Entries(), kOpenCalls);
}

TEST_F(TransmitterTest, CurrentFolderIsNeverLookedIn) {
    const fs::path current = FolderWithDriver("current");
    fs::current_path(current);
    // No program folder, a relative one, and one without the driver.
    for (const std::string& programFolder :
         {std::string(), std::string("."), std::string("../current"), folder.string()}) {
        SCOPED_TRACE(programFolder);
        Transmitter transmitter(DriverLocation{programFolder, ""});
        transmitter.OpenTransmitter();
        EXPECT_EQ(transmitter.LibraryFile().rfind(current.string(), 0), std::string::npos);
        EXPECT_FALSE(fs::exists(logFile));
    }
    // Nor through empty or relative entries of the loader's search path.
    for (const char* search : {":", "/usr/lib::/lib", ".", "../current"}) {
        SCOPED_TRACE(search);
        setenv("LD_LIBRARY_PATH", search, 1);
        Transmitter transmitter(DriverLocation{"", ""});
        EXPECT_EQ(transmitter.OpenTransmitter(), "Unable to find USB-UIRT Driver!");
        EXPECT_NE(transmitter.LoadProblem().find("LD_LIBRARY_PATH"), std::string::npos);
        EXPECT_FALSE(fs::exists(logFile));
    }
    RestoreSearchPath();
    // A relative name in KESTREL_UUIRT_LIBRARY is refused, not looked up.
    for (const char* name : {"libuuirtdrv.so", "./libuuirtdrv.so"}) {
        SCOPED_TRACE(name);
        Transmitter transmitter(DriverLocation{"", name});
        EXPECT_EQ(transmitter.OpenTransmitter(), "Unable to find USB-UIRT Driver!");
        EXPECT_FALSE(fs::exists(logFile));
    }
}

TEST_F(TransmitterTest, EnvironmentNamesTheLibraryBeforeTheProgramFolder) {
    // The program folder holds a driver that cannot be used.
    const fs::path program = folder / "program";
    fs::create_directories(program);
    fs::copy_file(KESTREL_PARTIAL_UUIRT_FILE, program / kDriverFileName);
    EXPECT_EQ(Transmitter(program.string()).OpenTransmitter(), "Invalid UIRT driver version!");

    setenv("KESTREL_UUIRT_LIBRARY", KESTREL_SIM_UUIRT_FILE, 1);
    Transmitter transmitter(program.string());
    EXPECT_EQ(transmitter.OpenTransmitter(), "");
    EXPECT_EQ(transmitter.LibraryFile(), KESTREL_SIM_UUIRT_FILE);
}

}  // namespace
}  // namespace kestrel
