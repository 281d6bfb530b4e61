// The bodies of the fuzz targets, as plain functions. Each fuzz/<name>.cpp
// defines one of them and, in the libFuzzer build, the entry point that
// calls it. The regression test program of the normal build compiles the
// same files without entry points (KESTREL_FUZZ_NO_ENTRY) and feeds every
// kept input to them, so a finding stays fixed under gcc as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace kestrel::fuzz {

int FuzzTokenizer(const uint8_t* data, size_t size);
int FuzzDefines(const uint8_t* data, size_t size);
int FuzzEvaluator(const uint8_t* data, size_t size);
int FuzzGenerate(const uint8_t* data, size_t size);
int FuzzLoader(const uint8_t* data, size_t size);
int FuzzBatch(const uint8_t* data, size_t size);
int FuzzLirc(const uint8_t* data, size_t size);
int FuzzHex2ccf(const uint8_t* data, size_t size);
int FuzzCaptures(const uint8_t* data, size_t size);
int FuzzCodeReaders(const uint8_t* data, size_t size);
int FuzzUsbUirt(const uint8_t* data, size_t size);

}  // namespace kestrel::fuzz

// A property every input must keep; a broken one aborts, which libFuzzer
// and the test program both report with the input.
#define KESTREL_FUZZ_CHECK(condition)                                                          \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

#ifdef KESTREL_FUZZ_NO_ENTRY
#define KESTREL_FUZZ_ENTRY(function)
#else
#define KESTREL_FUZZ_ENTRY(function)                                          \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
        return kestrel::fuzz::function(data, size);                           \
    }
#endif
