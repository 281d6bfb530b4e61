// Finding the USB-UIRT among the serial devices: an FTDI port whose USB
// ids are 0403:F850.
#pragma once

#include <string>
#include <vector>

namespace kestrel::usb_uirt {

inline constexpr const char* kVendorId = "0403";
inline constexpr const char* kProductId = "f850";

// Where the device is looked for unless the environment says otherwise.
inline constexpr const char* kSysfsRoot = "/sys";
inline constexpr const char* kByIdFolder = "/dev/serial/by-id";

// The device nodes of the USB-UIRTs present, sorted. Each tty of
// SYSFS/class/tty whose device, or a parent of it up to the USB device,
// carries the ids in idVendor and idProduct gives /dev/NAME, NAME being the
// DEVNAME of its uevent (else the tty's own name). When sysfs shows none,
// the links of byIdFolder whose names hold "USB-UIRT" (as udev names them
// after the device's product string) are taken instead.
std::vector<std::string> FindDevices(const std::string& sysfsRoot, const std::string& byIdFolder);

}  // namespace kestrel::usb_uirt
