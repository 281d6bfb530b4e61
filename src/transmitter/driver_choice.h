// Which driver library the programs load and which device it opens.
//
// Three places may say so; a later one overrides an earlier one, key by key:
//   1. the user's settings file, $XDG_CONFIG_HOME/kestrel/kestrel.conf
//      (~/.config/kestrel/kestrel.conf when XDG_CONFIG_HOME is not an
//      absolute path): "driver=" and "device=" lines; blank lines and lines
//      starting with "#" are skipped, blanks around key and value ignored, a
//      later line replaces an earlier one;
//   2. the environment: KESTREL_UUIRT_LIBRARY (the driver) and
//      KESTREL_UUIRT_DEVICE (the device);
//   3. the command line's --driver and --device (kestrel-gen only).
// A driver is one of the names of kBundledDrivers, meaning that library in
// the program's folder, or the path of a library. When none is named, the
// transmitter searches as transmitter.h says.
//
// A settings file that cannot be read, or a line of it that says nothing
// usable (no "=", another key, a relative path, an unknown driver name),
// is reported as "FILE:LINE: reason" and otherwise left out: the rest of
// the file still counts, and the programs start as if the line were not
// there. A relative library path in the environment is kept (the
// transmitter refuses it when it loads, as it always has); a relative
// device there is reported and left out. On the command line a value
// holding a "/" is a path taken from the current folder; a driver without
// one must be a name, a device without one is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "transmitter/transmitter.h"

namespace kestrel {

// The environment variable naming the device the library opens.
inline constexpr const char* kDeviceVariable = "KESTREL_UUIRT_DEVICE";

// A driver library built with the programs and installed in their folder.
struct BundledDriver {
    std::string_view name;  // as --driver, driver= and KESTREL_UUIRT_LIBRARY take it
    std::string_view file;  // in the program's folder
};

// usb-uirt, lirc and sim, in the order `kestrel-gen devices` lists them.
inline constexpr BundledDriver kBundledDrivers[] = {
    {"usb-uirt", "libkestrel-usb-uirt.so"},
    {"lirc", "libkestrel-lirc-uuirt.so"},
    {"sim", "libkestrel-sim-uuirt.so"},
};

// The bundled driver called name; null when there is none.
const BundledDriver* BundledDriverNamed(std::string_view name);

// The settings file from the values of XDG_CONFIG_HOME and HOME (null when
// unset); empty when neither is an absolute path.
std::string DriverSettingsFile(const char* xdgConfigHome, const char* home);

// What the command line gave; nothing when an option was not given.
struct DriverFlags {
    std::optional<std::string> driver;
    std::optional<std::string> device;
};

struct DriverChoice {
    DriverLocation location;
    // "FILE:LINE: reason" for each part of the settings or the environment
    // left out, for the caller to show.
    std::vector<std::string> problems;
};

// Settles the location from the settings file, the environment and flags,
// for a program in programFolder. Refused (with the reason) only for a
// flag that names no driver or device.
Result<DriverChoice> ChooseDriver(const std::string& programFolder, const DriverFlags& flags = {});

}  // namespace kestrel
