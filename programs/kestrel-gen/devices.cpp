// kestrel-gen devices: what each bundled driver finds.
//
//   devices [--driver NAME|FILE] [--device FILE]
//
// One line a device, fields separated by TAB: the driver, the device ("-"
// when the driver picks it itself or finds none) and its state:
//   usb-uirt	/dev/ttyUSB0	ready, firmware 9.5, protocol 1.1, 2004-03-26
//   lirc	-	none found
//   sim	-	ready, firmware 9.5, protocol 1.1, 2004-03-26

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "stderr_display.h"
#include "transceiver.h"
#include "transmitter/driver_choice.h"
#include "transmitter/transmitter.h"
#include "util/program_folder.h"
#include "util/text.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

// The USB ids of the USB-UIRT's serial chip.
constexpr const char* kUsbUirtVendor = "0403";
constexpr const char* kUsbUirtProduct = "f850";

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return std::string(TrimBlanks(line));
}

// The entries of folder whose names start with prefix, sorted by name
// (lirc2 before lirc10); nothing when the folder cannot be read.
std::vector<std::string> NamesIn(const fs::path& folder, std::string_view prefix) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(prefix)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

// The serial ports of a USB device with the USB-UIRT's ids: the tty whose
// device, or a folder above it, carries those ids.
std::vector<std::string> UsbUirtDevices() {
    std::vector<std::string> found;
    for (const std::string& name : NamesIn("/sys/class/tty", "ttyUSB")) {
        std::error_code error;
        fs::path at = fs::canonical(fs::path("/sys/class/tty") / name / "device", error);
        for (; !error && at.has_relative_path(); at = at.parent_path()) {
            if (!fs::exists(at / "idVendor", error)) continue;
            if (EqualsNoCase(FirstLine(at / "idVendor"), kUsbUirtVendor) &&
                EqualsNoCase(FirstLine(at / "idProduct"), kUsbUirtProduct)) {
                found.push_back("/dev/" + name);
            }
            break;
        }
    }
    return found;
}

std::vector<std::string> LircDevices() {
    std::vector<std::string> found;
    for (const std::string& name : NamesIn("/dev", "lirc")) {
        if (name.size() > 4 && std::all_of(name.begin() + 4, name.end(), IsDigit)) {
            found.push_back("/dev/" + name);
        }
    }
    return found;
}

// Opens device ("" for the driver's own choice) through library and says
// how it is.
std::string Probe(const std::string& library, const std::string& device) {
    Transmitter transmitter(DriverLocation{"", library, device});
    const Status opened = transmitter.OpenTransmitter();
    if (!opened) return opened.reason();
    std::string state = "ready";
    if (const std::optional<TransceiverInfo> info = transmitter.DeviceInfo()) {
        char text[96];
        std::snprintf(text, sizeof text, ", firmware %u.%u, protocol %u.%u, %04d-%02d-%02d",
                      info->firmwareVersion >> 8, info->firmwareVersion & 0xFF,
                      info->protocolVersion >> 8, info->protocolVersion & 0xFF, info->year,
                      info->month, info->day);
        state += text;
    }
    transmitter.CloseTransmitter();
    return state;
}

void Row(std::string_view driver, const std::string& device, const std::string& state) {
    std::cout << driver << '\t' << (device.empty() ? "-" : device) << '\t' << state << '\n';
}

// The bundled driver's name for a library file of folder, else the file.
std::string DriverName(const std::string& folder, const std::string& library) {
    for (const BundledDriver& driver : kBundledDrivers) {
        if (library == folder + "/" + std::string(driver.file)) return std::string(driver.name);
    }
    return library;
}

}  // namespace

int RunDevices(const CliOptions& options) {
    if (!options.positional.empty()) return ArgumentCountError(options, "no argument");
    const std::optional<DriverLocation> chosen = ChosenDriver(options);
    if (!chosen) return kExitUsage;
    const std::string folder = ProgramFolder();
    if (folder.empty()) {
        StderrDisplay().ShowMessage("the program's folder cannot be told");
        return kExitRefused;
    }
    const auto bundledFile = [&](size_t index) {
        return folder + "/" + std::string(kBundledDrivers[index].file);
    };

    // One device named: only that one, through the chosen driver.
    if (options.Has("--device")) {
        const std::string library =
            chosen->libraryFile.empty() ? bundledFile(0) : chosen->libraryFile;
        Row(DriverName(folder, library), chosen->deviceName,
            FileExists(library) ? Probe(library, chosen->deviceName) : "library missing");
        return 0;
    }

    // usb-uirt and lirc look for their devices; the chosen driver, when it
    // is another, is asked for its own.
    std::vector<std::string> (*const finders[])() = {UsbUirtDevices, LircDevices};
    for (size_t index = 0; index < std::size(finders); ++index) {
        const std::string library = bundledFile(index);
        const std::string_view name = kBundledDrivers[index].name;
        if (!FileExists(library)) {
            Row(name, "", "library missing");
            continue;
        }
        const std::vector<std::string> devices = finders[index]();
        if (devices.empty()) Row(name, "", "none found");
        for (const std::string& device : devices)
            Row(name, device, Probe(library, device));
    }
    if (!chosen->libraryFile.empty() && chosen->libraryFile != bundledFile(0) &&
        chosen->libraryFile != bundledFile(1)) {
        Row(DriverName(folder, chosen->libraryFile), chosen->deviceName,
            Probe(chosen->libraryFile, chosen->deviceName));
    }
    return 0;
}

}  // namespace kestrel
