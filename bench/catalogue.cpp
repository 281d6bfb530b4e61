// Loading a device file of 32767 commands (target: under 50 ms), and a
// generate-all export of a large catalogue.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "catalogue/catalogue.h"
#include "export/generate_all.h"
#include "export/output_file.h"
#include "generator/generator.h"

namespace {

// A device file of commands commands in the style of the sample files: most
// with a qualifier group and an enumeration, some ranges and queries, and a
// remote section.
std::string LargeDeviceText(int commands) {
    std::string text =
        "' generated catalogue\r\n[SYSTEM]\r\nMODEL = Big\r\nFIRMWARE = 3.0\r\n"
        "OPTIONS = HD, PIP\r\nALLOWMANUAL = TRUE\r\n[COMMANDS]\r\n";
    for (int i = 1; i <= commands; ++i) {
        const std::string name = "Command " + std::to_string(i);
        const std::string code = std::to_string(10 + i % 90);
        switch (i % 4) {
            case 0:
                text += name + "(M:Big, F:2.0, O:HD) = " + code +
                        "; Enumeration; (0)Off, (1)On, (-1)Auto, (2)Eco ' comment\r\n";
                break;
            case 1:
                text += name + " = " + code + "; Integer; 0..100;\r\n";
                break;
            case 2:
                text += name + "(O:~PIP) = " + code + "; Real; 0.5..2.5\r\n";
                break;
            default:
                text += name + " = " + code + "; Query\r\n";
                break;
        }
    }
    text += "[REMOTECODES]\r\n";
    for (int i = 1; i <= 200; ++i)
        text += "Button " + std::to_string(i) + " = 5\r\n";
    return text;
}

void BM_LoadDeviceFile32767(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::string fileName = "kestrel-bench-BigIR.ini";
    std::ofstream(folder / fileName, std::ios::binary) << LargeDeviceText(32767);
    for (auto _ : state) {
        kestrel::Catalogue catalogue;
        catalogue.ModelName = "Big";
        if (!catalogue.LoadDeviceFile(folder.string(), fileName)) state.SkipWithError("no file");
        benchmark::DoNotOptimize(catalogue.CommandCount());
    }
    std::filesystem::remove(folder / fileName);
    state.SetLabel("32767 commands");
}
BENCHMARK(BM_LoadDeviceFile32767)->Unit(benchmark::kMillisecond);

// Gen ALL of a catalogue of 5333 command lines (1333 enumerations of four
// values, 1334 integer ranges, queries and lines the options exclude) into a
// text listing (9334 samples) or a CCF run's files (5332 samples).
void Export(benchmark::State& state, const char* fileName) {
    kestrel::Generator generator;
    generator.SetupProtocol();
    kestrel::Catalogue catalogue;
    catalogue.ModelName = "Big";
    std::string text = LargeDeviceText(5333);
    catalogue.LoadDeviceText(text);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "kestrel-bench-export";
    std::filesystem::create_directories(folder);
    kestrel::StdioOutputFiles files;
    kestrel::GenerateAll run(catalogue, generator, files);
    int64_t samples = 0;
    for (auto _ : state) {
        kestrel::FieldRecord fields;
        samples += run.Run(fields, (folder / fileName).string()).samples;
    }
    std::filesystem::remove_all(folder);
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}
void BM_ExportText(benchmark::State& state) {
    Export(state, "codes.txt");
}
void BM_ExportCcf(benchmark::State& state) {
    Export(state, "codes.ccf");
}
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCcf)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
