#include "uirt_discovery.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace kestrel::usb_uirt {

namespace {

namespace fs = std::filesystem;

// From the tty's device (the port) up to the USB device: port, interface,
// device; one more for drivers that put a level between.
constexpr int kMostLevelsUp = 4;
constexpr const char* kByIdMark = "usb-uirt";

// The first line of a small sysfs file, lower case; "" when unreadable.
std::string FirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    for (char& c : line)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return line;
}

bool IsUsbUirt(const fs::path& device) {
    std::error_code error;
    fs::path at = fs::canonical(device, error);
    for (int level = 0; !error && level <= kMostLevelsUp && at.has_relative_path(); ++level) {
        if (fs::exists(at / "idVendor", error)) {
            return FirstLine(at / "idVendor") == kVendorId &&
                   FirstLine(at / "idProduct") == kProductId;
        }
        at = at.parent_path();
    }
    return false;
}

// DEVNAME of the tty's uevent, else its own name.
std::string NodeName(const fs::path& tty) {
    std::ifstream in(tty / "uevent");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("DEVNAME=", 0) == 0 && line.size() > 8 &&
            line.find("..") == std::string::npos) {
            return line.substr(8);
        }
    }
    return tty.filename().string();
}

}  // namespace

std::vector<std::string> FindDevices(const std::string& sysfsRoot, const std::string& byIdFolder) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(sysfsRoot) / "class" / "tty", error), end;
         !error && it != end; it.increment(error)) {
        if (IsUsbUirt(it->path() / "device")) found.push_back("/dev/" + NodeName(it->path()));
    }
    if (found.empty()) {
        for (fs::directory_iterator it(byIdFolder, error), end; !error && it != end;
             it.increment(error)) {
            std::string name = it->path().filename().string();
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (name.find(kByIdMark) != std::string::npos) found.push_back(it->path().string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace kestrel::usb_uirt
