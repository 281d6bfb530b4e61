// kestrel-gen identify's work per capture against a model of 200 entries
// (target: at least 10,000 captures a second on one core): a capture of two
// frames as a receiver hears them, cleaned, decoded and named; and the same
// read from mode2 text first.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "generator/pronto_reader.h"
#include "learn/capture_readers.h"
#include "learn/identifier.h"

namespace {

// Function codes of the commands: 0x40... for the enumerations, 0x80... for
// the ranges.
std::string Hex(int code) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", code);
    return text;
}

// 34 enumeration commands of 5 values, 10 range commands (sampled by a
// capture at their middle) and 20 remote buttons: 200 entries.
std::string BenchDeviceText() {
    std::string text = "[SYSTEM]\nMODEL = Bench\nALLOWMANUAL = TRUE\n[COMMANDS]\n";
    for (int i = 0; i < 34; ++i) {
        text += "Command " + std::to_string(i) + " = " + Hex(0x40 + i) +
                "; Enumeration; (0)Off, (1)On, (2)Auto, (-1)Low, (12)High\n";
    }
    for (int i = 0; i < 10; ++i)
        text += "Level " + std::to_string(i) + " = " + Hex(0x80 + i) + "; Integer; 0..100\n";
    text += "[REMOTECODES]\n";
    for (int i = 0; i < 20; ++i)
        text += "Button " + std::to_string(i) + " = " + std::to_string(i) + "\n";
    return text;
}

struct Bench {
    Bench() {
        auto catalogue = std::make_unique<kestrel::Catalogue>();
        catalogue->ModelName = "Bench";
        catalogue->LoadDeviceText(BenchDeviceText());
        identifier.AddCatalogue("Bench", std::move(catalogue));
        // Every entry's code heard twice: marks 120 us longer, spaces as
        // much shorter, in 50 us units, 40 ms apart.
        for (const kestrel::CatalogueEntry& entry : Entries()) {
            const std::vector<int64_t> code =
                kestrel::CaptureOfPronto(entry.code, {}).value().durations;
            kestrel::Capture capture;
            for (int copy = 0; copy < 2; ++copy) {
                for (size_t i = 0; i + 1 < code.size(); ++i)
                    capture.durations.push_back((code[i] + 120 + (code[i] > 0 ? 25 : -25)) / 50 *
                                                50);
                capture.durations.push_back(-40000);
            }
            capture.durations.pop_back();
            for (const int64_t d : capture.durations)
                mode2 += (d > 0 ? "pulse " : "space ") + std::to_string(d > 0 ? d : -d) + "\n";
            mode2 += "timeout 30000\n";
            captures.push_back(std::move(capture));
        }
    }
    // The entries the model's codes name: values and buttons as indexed,
    // each range command at its middle.
    std::vector<kestrel::CatalogueEntry> Entries() {
        std::vector<kestrel::CatalogueEntry> entries;
        for (const kestrel::Capture& probe : Probes()) {
            for (const kestrel::HeardCode& code : identifier.Identify(probe).codes)
                entries.insert(entries.end(), code.entries.begin(), code.entries.end());
        }
        return entries;
    }
    // One exact capture of every enumeration value, button and range middle.
    std::vector<kestrel::Capture> Probes() {
        std::vector<kestrel::Capture> probes;
        kestrel::Generator& generator = generatorForProbes;
        generator.SetupProtocol();
        const auto add = [&](const std::string& form, const std::string& code,
                             const std::string& value, const char* kind) {
            probes.push_back(kestrel::CaptureOfPronto(
                                 generator.GenerateCode(form, code, value, kind).result.value(), {})
                                 .value());
        };
        const kestrel::ProtocolRecord& protocol = generator.Protocol();
        for (int i = 0; i < 34; ++i) {
            for (const char* value : {"0", "1", "2", "-1", "12"})
                add(protocol.FormValueText, std::to_string(0x40 + i), value, "V");
        }
        for (int i = 0; i < 10; ++i)
            add(protocol.FormValueText, std::to_string(0x80 + i), "50", "V");
        for (int i = 0; i < 20; ++i)
            add(protocol.FormRemote, "8324", std::to_string(i), "D");
        return probes;
    }

    kestrel::Identifier identifier;
    kestrel::Generator generatorForProbes;
    std::vector<kestrel::Capture> captures;
    std::string mode2;
};

Bench& Shared() {
    static Bench bench;
    return bench;
}

void BM_Identify(benchmark::State& state) {
    Bench& bench = Shared();
    if (bench.captures.size() != 200) {
        state.SkipWithError(
            ("the model has " + std::to_string(bench.captures.size()) + " entries").c_str());
        return;
    }
    size_t named = 0;
    for (auto _ : state) {
        for (const kestrel::Capture& capture : bench.captures)
            named += bench.identifier.Identify(capture).Named() ? 1 : 0;
    }
    if (named != state.iterations() * bench.captures.size()) state.SkipWithError("not all named");
    state.counters["captures/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * bench.captures.size()),
                           benchmark::Counter::kIsRate);
}

void BM_ReadMode2AndIdentify(benchmark::State& state) {
    Bench& bench = Shared();
    const kestrel::CaptureReaders readers;
    size_t captures = 0;
    for (auto _ : state) {
        const kestrel::CaptureFile file = readers.Read("bench.mode2", bench.mode2);
        for (const kestrel::Capture& capture : file.captures)
            benchmark::DoNotOptimize(bench.identifier.Identify(capture));
        captures += file.captures.size();
    }
    state.counters["captures/s"] =
        benchmark::Counter(static_cast<double>(captures), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Identify)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMode2AndIdentify)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
