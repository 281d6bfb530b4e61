// Where the running program lives, and where a user keeps device files of
// their own.
#pragma once

#include <string>

namespace kestrel {

// The absolute folder of the running executable, without a trailing
// separator (read from /proc/self/exe, so symbolic links to the program are
// resolved). Empty when the system cannot tell. The window and kestrel-gen
// look there for the device files, the converter and the driver library.
std::string ProgramFolder();

// The folder of the user's own device files, "<data home>/kestrel/devices",
// from the values of XDG_DATA_HOME and HOME (null when unset). The data home
// is XDG_DATA_HOME when it is an absolute path, else HOME/.local/share when
// HOME is an absolute path; empty when neither is (no user folder then).
std::string UserDevicesFolder(const char* xdgDataHome, const char* home);

}  // namespace kestrel
