// Where the running program lives.
#pragma once

#include <string>

namespace kestrel {

// The absolute folder of the running executable, without a trailing
// separator (read from /proc/self/exe, so symbolic links to the program are
// resolved). Empty when the system cannot tell. The window and kestrel-gen
// look there for the device files, the converter and the driver library.
std::string ProgramFolder();

}  // namespace kestrel
