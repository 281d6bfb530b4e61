// Gen ALL of a model of 60,000 samples: pressed in the window (offscreen,
// shown, through the Gen ALL button and the window's own display) and run
// as `kestrel-gen export` of the same model, the whole process. Target: the
// window within twice the command line's time.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "window/main_window.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCommands = 15000;  // four choices each

// A program folder holding BigIR.ini; removed at the end.
struct Folder {
    Folder()
        : path(fs::temp_directory_path() / ("kestrel-bench-window-" + std::to_string(getpid()))) {
        fs::create_directories(path);
        std::ofstream out(path / "BigIR.ini", std::ios::binary);
        out << "[COMMANDS]\r\n";
        char code[3];
        for (int i = 1; i <= kCommands; ++i) {
            std::snprintf(code, sizeof code, "%02X", i % 256);
            out << "Command " << i << " = " << code
                << "; Enumeration; (0)Off, (1)On, (-1)Auto, (2)Eco\r\n";
        }
    }
    ~Folder() { fs::remove_all(path); }
    fs::path path;
};

const Folder& TheFolder() {
    static const Folder folder;
    return folder;
}

class Chooser : public kestrel::SaveFileChooser {
  public:
    std::string GetSaveFileName(const std::string&) override {
        return (TheFolder().path / "window.txt").string();
    }
};

void BM_WindowGenAll(benchmark::State& state) {
    Chooser chooser;
    kestrel::MainWindowServices services;
    services.programFolder = TheFolder().path.string();
    services.chooser = &chooser;
    services.endProgram = [] {};
    kestrel::MainWindow window(services);
    window.FillModelList();
    window.show();
    emit window.modelList->activated(window.modelList->findText(QStringLiteral("Big")));
    for (auto _ : state)
        window.genAllButton->click();
    if (fs::file_size(TheFolder().path / "window.txt") < 60000u * 100u)
        state.SkipWithError("the run wrote too little");
    state.counters["samples/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kCommands * 4, benchmark::Counter::kIsRate);
}

void BM_CommandLineExport(benchmark::State& state) {
    const std::string program = std::string(KESTREL_PROGRAM_DIR) + "/kestrel-gen";
    const std::string output = (TheFolder().path / "cli.txt").string();
    const std::string folder = TheFolder().path.string();
    const char* argv[] = {program.c_str(), "export",       "Big",  output.c_str(),
                          "--dir",         folder.c_str(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char**>(argv),
                        environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("kestrel-gen export failed");
            break;
        }
    }
    state.counters["samples/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kCommands * 4, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_WindowGenAll)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandLineExport)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
