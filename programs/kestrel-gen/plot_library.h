// The plot library of kestrel-gen, libkestrel-gen-plot.so in the program's
// folder: the one part of the command line that needs Qt. kestrel-gen loads
// it only when `plot` runs, so that every other command starts without
// loading Qt's libraries.
#pragma once

#include <cstddef>

namespace kestrel {

inline constexpr const char* kPlotLibraryFile = "libkestrel-gen-plot.so";
inline constexpr const char* kPlotEntryPoint = "KestrelGenWritePlot";

extern "C" {
// Draws the code of the Pronto text into the PNG file at path, whole or not
// at all. 0 when it is written; otherwise 1, with the reason in reason
// (cut to size bytes, the terminating zero included).
typedef int WritePlotFunction(const char* pronto, const char* path, char* reason, size_t size);
}

}  // namespace kestrel
