// The simulated driver's UUIRTLearnIR: it plays the first capture of the
// file KESTREL_SIM_LEARN names, fails as asked, and stops when aborted.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "support/golden.h"
#include "uuirt_api.h"

namespace kestrel {
namespace {

struct SimLearn : ::testing::Test {
    void SetUp() override {
        // CTest runs each test as its own process, side by side: each gets its
        // own files.
        kFiles = ::testing::TempDir() + "kestrel-sim-learn-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-";
        library = dlopen(KESTREL_PROGRAM_DIR "/libkestrel-sim-uuirt.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        learn = reinterpret_cast<uuirt::LearnIRFunction>(dlsym(library, uuirt::kLearnIRName));
        ASSERT_NE(learn, nullptr);
        for (const char* name : {"KESTREL_SIM_LEARN", "KESTREL_SIM_LEARN_DELAY",
                                 "KESTREL_SIM_LEARN_FAIL", "KESTREL_SIM_HANDLE"})
            unsetenv(name);
        setenv("KESTREL_SIM_LOG", (kFiles + "log").c_str(), 1);
        std::remove((kFiles + "log").c_str());
    }
    void TearDown() override {
        unsetenv("KESTREL_SIM_LOG");
        if (library) dlclose(library);
    }
    // The code learned, or "! " and the errno name.
    std::string Learn(int* abort) {
        char code[uuirt::kLearnBufferSize];
        void* handle = reinterpret_cast<void*>(0x5157);
        errno = 0;
        if (learn(handle, uuirt::kProntoFormat, code, nullptr, nullptr, abort, 0, nullptr,
                  nullptr) == 0) {
            return "! " + std::string(strerrorname_np(errno));
        }
        return code;
    }

    std::string kFiles;
    void* library = nullptr;
    uuirt::LearnIRFunction learn = nullptr;
};

TEST_F(SimLearn, PlaysTheFirstCaptureOfTheFile) {
    // Worked by hand in tests/drivers/lirc-uuirt/learning.tsv.
    const struct {
        const char* text;
        const char* code;
    } rows[] = {
        {"carrier 36000\npulse 2630\nspace 526\npulse 263\ntimeout 20000\npulse 999\n",
         "0000 0073 0002 0000 005F 0013 0009 02D1"},
        {"space 9000\n+2630 -526 +263 # timeout 30000\n+999\n",
         "0000 006D 0002 0000 0064 0014 000A 0475"},
        {"2630 526 263\n\n999\n", "0000 006D 0002 0000 0064 0014 000A 0475"},
        {"Learned code 3\r\n0000 006C 0002 0000 0064 0064 0016 0041\r\n",
         "0000 006C 0002 0000 0064 0064 0016 0041"},
        {"pulse 2630\nspace x\n", "! EINVAL"},
        {"Learned code\n0000 006C 0003 0000 0064\n", "! EINVAL"},
    };
    int abort = 0;
    for (const auto& row : rows) {
        std::ofstream(kFiles + "capture") << row.text;
        setenv("KESTREL_SIM_LEARN", (kFiles + "capture").c_str(), 1);
        EXPECT_EQ(Learn(&abort), row.code) << row.text;
    }
    setenv("KESTREL_SIM_LEARN", (kFiles + "absent").c_str(), 1);
    EXPECT_EQ(Learn(&abort), "! ENOENT");
    setenv("KESTREL_SIM_LEARN_FAIL", "1", 1);
    EXPECT_EQ(Learn(&abort), "! EIO");
    const std::string log = test::ReadBytes(kFiles + "log");
    EXPECT_EQ(log.substr(0, log.find('\n') + 1),
              "UUIRTLearnIR result=1 handle=0x5157 format=16 param1=0 reserved0=null "
              "reserved1=null code=0000 0073 0002 0000 005F 0013 0009 02D1\n");
    EXPECT_NE(log.find("\nUUIRTLearnIR result=0 handle=0x5157 format=16 param1=0 reserved0=null "
                       "reserved1=null error=EIO\n"),
              std::string::npos);
}

// Without a file it listens until aborted; with a delay, the abort ends the
// wait too.
TEST_F(SimLearn, StopsWhenAborted) {
    for (const char* delay : {"", "600000"}) {
        setenv("KESTREL_SIM_LEARN", *delay ? "/nonexistent" : "", 1);
        setenv("KESTREL_SIM_LEARN_DELAY", delay, 1);
        int abort = 0;
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            __atomic_store_n(&abort, 1, __ATOMIC_RELEASE);
        });
        EXPECT_EQ(Learn(&abort), "! ECANCELED");
        user.join();
    }
    setenv("KESTREL_SIM_LEARN", "", 1);
    EXPECT_EQ(Learn(nullptr), "! EINVAL");  // it would listen forever
}

}  // namespace
}  // namespace kestrel
