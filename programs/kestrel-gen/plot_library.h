// The plot library of kestrel-gen, libkestrel-gen-plot.so in the program's
// folder: the one part of the command line that needs Qt. kestrel-gen loads
// it only when `plot` runs, so that every other command starts without
// loading Qt's libraries. It draws; kestrel-gen writes the file, through the
// same writer as every other output.
#pragma once

#include <cstddef>

namespace kestrel {

inline constexpr const char* kPlotLibraryFile = "libkestrel-gen-plot.so";
inline constexpr const char* kPlotEntryPoint = "KestrelGenDrawPlot";

extern "C" {
// Takes the picture's bytes, in one or more pieces.
typedef void PlotSink(void* context, const char* bytes, size_t size);
// Draws the code of the Pronto text as a picture of format ("png" or "svg")
// and hands its bytes to sink. 0 when it is drawn; otherwise 1, with the
// reason in reason (cut to size bytes, the terminating zero included).
typedef int DrawPlotFunction(const char* pronto, const char* format, PlotSink* sink, void* context,
                             char* reason, size_t size);
}

}  // namespace kestrel
