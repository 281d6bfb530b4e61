#include "transmitter/driver_choice.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kestrel {
namespace {

// The longest settings file read; anything after it is left out.
constexpr size_t kMostSettingsBytes = 64 * 1024;

bool IsAbsolute(std::string_view path) {
    return !path.empty() && path[0] == '/';
}

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string InFolder(const std::string& folder, std::string_view file) {
    return folder + (folder.ends_with('/') ? "" : "/") + std::string(file);
}

// The library file a driver value means: a bundled driver's file in the
// program's folder, else the value itself. Refused for a name when the
// program's folder is unknown.
Result<std::string> LibraryOf(std::string_view value, const std::string& programFolder) {
    const BundledDriver* bundled = BundledDriverNamed(value);
    if (bundled == nullptr) return std::string(value);
    if (!IsAbsolute(programFolder)) {
        return Refused("the program's folder is unknown, so the driver '" + std::string(value) +
                       "' cannot be found");
    }
    return InFolder(programFolder, bundled->file);
}

std::string NamesText() {
    std::string names;
    for (const BundledDriver& driver : kBundledDrivers)
        names += std::string(driver.name) + ", ";
    return names;
}

// A path from the command line: taken from the current folder when relative.
std::string FromCurrentFolder(const std::string& path) {
    if (IsAbsolute(path)) return path;
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error) return path;  // left relative; the load or the open refuses it
    return (current / path).lexically_normal().string();
}

// Reads the settings file into location; what it cannot use goes to problems.
void ReadSettings(const std::string& file, const std::string& programFolder, DriverChoice& choice) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) return;  // nothing said
    const auto unreadable = [&](const std::string& why) {
        choice.problems.push_back(file + ": cannot be read (" + why +
                                  "); the driver settings in it are left out");
    };
    if (error) return unreadable(error.message());
    if (std::filesystem::is_directory(status)) return unreadable("it is a folder");
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) return unreadable(errno != 0 ? std::strerror(errno) : "it cannot be opened");
    std::string text(kMostSettingsBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return unreadable("a read failed");
    text.resize(static_cast<size_t>(in.gcount()));
    size_t start = 0;
    for (long number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = Trimmed(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        const std::string where = file + ":" + std::to_string(number) + ": ";
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            choice.problems.push_back(where + "expected driver=NAME|PATH or device=PATH, not '" +
                                      std::string(line) + "'; line left out");
            continue;
        }
        const std::string key(Trimmed(line.substr(0, equals)));
        const std::string value(Trimmed(line.substr(equals + 1)));
        if (key == "driver") {
            if (!value.empty() && BundledDriverNamed(value) == nullptr && !IsAbsolute(value)) {
                choice.problems.push_back(where + "driver= takes " + NamesText() +
                                          "or an absolute path, not '" + value +
                                          "'; line left out");
                continue;
            }
            const Result<std::string> library = LibraryOf(value, programFolder);
            if (!library) {
                choice.problems.push_back(where + library.reason() + "; line left out");
                continue;
            }
            choice.location.libraryFile = *library;
        } else if (key == "device") {
            if (!value.empty() && !IsAbsolute(value)) {
                choice.problems.push_back(where +
                                          "device= takes an absolute path such as "
                                          "/dev/ttyUSB0, not '" +
                                          value + "'; line left out");
                continue;
            }
            choice.location.deviceName = value;
        } else {
            choice.problems.push_back(where + "unknown key '" + key +
                                      "' (driver= and device= are read); line left out");
        }
    }
}

}  // namespace

const BundledDriver* BundledDriverNamed(std::string_view name) {
    for (const BundledDriver& driver : kBundledDrivers) {
        if (driver.name == name) return &driver;
    }
    return nullptr;
}

std::string DriverSettingsFile(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome != nullptr && IsAbsolute(xdgConfigHome)) {
        return InFolder(xdgConfigHome, "kestrel/kestrel.conf");
    }
    if (home != nullptr && IsAbsolute(home)) return InFolder(home, ".config/kestrel/kestrel.conf");
    return {};
}

Result<DriverChoice> ChooseDriver(const std::string& programFolder, const DriverFlags& flags) {
    DriverChoice choice;
    choice.location.programFolder = programFolder;

    const std::string settings =
        DriverSettingsFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (!settings.empty()) ReadSettings(settings, programFolder, choice);

    // The environment: an empty value names nothing.
    if (const char* driver = std::getenv(kDriverFileVariable); driver != nullptr && *driver) {
        const Result<std::string> library = LibraryOf(driver, programFolder);
        if (library) {
            choice.location.libraryFile = *library;
        } else {
            choice.problems.push_back(std::string(kDriverFileVariable) + ": " + library.reason());
        }
    }
    if (const char* device = std::getenv(kDeviceVariable); device != nullptr && *device) {
        if (IsAbsolute(device)) {
            choice.location.deviceName = device;
        } else {
            choice.problems.push_back(std::string(kDeviceVariable) +
                                      ": takes an absolute path such as /dev/ttyUSB0, not '" +
                                      device + "'; left out");
        }
    }

    if (flags.driver) {
        const std::string& driver = *flags.driver;
        if (BundledDriverNamed(driver) == nullptr && driver.find('/') == std::string::npos) {
            return Refused("--driver takes " + NamesText() + "or the path of a library, not '" +
                           driver + "'");
        }
        const Result<std::string> library = LibraryOf(driver, programFolder);
        if (!library) return Refused("--driver: " + library.reason());
        choice.location.libraryFile = FromCurrentFolder(*library);
    }
    if (flags.device) {
        if (flags.device->find('/') == std::string::npos) {
            return Refused("--device takes the path of a device such as /dev/ttyUSB0, not '" +
                           *flags.device + "'");
        }
        choice.location.deviceName = FromCurrentFolder(*flags.device);
    }
    return choice;
}

}  // namespace kestrel
