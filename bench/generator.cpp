// Codes per second through GenerateCode for each built-in form.

#include <benchmark/benchmark.h>

#include <string>

#include "generator/generator.h"

namespace {

void Generate(benchmark::State& state, const std::string kestrel::ProtocolRecord::*form,
              const char* code, const char* value, const char* kind) {
    kestrel::Generator generator;
    generator.SetupProtocol();
    const std::string text = generator.Protocol().*form;
    for (auto _ : state) {
        benchmark::DoNotOptimize(generator.GenerateCode(text, code, value, kind).result);
    }
    state.counters["codes/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Discrete(benchmark::State& state) {
    Generate(state, &kestrel::ProtocolRecord::FormDiscrete, "32", "01", "H");
}
void BM_ValueText(benchmark::State& state) {
    Generate(state, &kestrel::ProtocolRecord::FormValueText, "32", "12", "V");
}
void BM_Remote(benchmark::State& state) {
    Generate(state, &kestrel::ProtocolRecord::FormRemote, "8324", "16", "D");
}

BENCHMARK(BM_Discrete);
BENCHMARK(BM_ValueText);
BENCHMARK(BM_Remote);

}  // namespace

BENCHMARK_MAIN();
