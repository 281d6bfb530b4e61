// The driver library's entry points over a USB-UIRT on Linux, which the
// kernel shows as an FTDI serial port (/dev/ttyUSB*): the device's own
// serial protocol, spoken by uirt_device.cpp.
//
// UUIRTOpen opens the device KESTREL_USB_UIRT_DEVICE names, else the one
// found by its USB ids; UUIRTOpenEx the one it is given. The device is
// always held for this process alone (two processes interleaving commands
// would garble each other's), so the exclusive flag changes nothing.
// UUIRTTransmitIR sends Pronto hex codes (format 16): the inactivity wait
// and the completion event are not used; it returns once the code has been
// sent. KESTREL_USB_UIRT_TRACE names a file every byte is logged to.

#include <cerrno>

#include "learned_code.h"
#include "uirt_device.h"
#include "uuirt_api.h"

using kestrel::usb_uirt::UsbUirt;
namespace uuirt = kestrel::uuirt;

UUIRT_EXPORT void* UUIRTOpenEx(char* deviceName, unsigned int /*flags*/, void* /*reserved0*/,
                               void* /*reserved1*/) {
    uuirt::OpenError error = uuirt::OpenError::NoCommunication;
    try {
        auto device = UsbUirt::Open(deviceName, error);
        if (device) return device.release();
    } catch (...) {
        error = uuirt::OpenError::NoCommunication;
    }
    errno = static_cast<int>(error);
    return uuirt::FailedHandle();
}

UUIRT_EXPORT void* UUIRTOpen(void) {
    return UUIRTOpenEx(nullptr, 0, nullptr, nullptr);
}

UUIRT_EXPORT int UUIRTGetUUIRTInfo(void* handle, UUIRTInfo* info) {
    const UsbUirt* device = UsbUirt::FromHandle(handle);
    if (device == nullptr || info == nullptr) {
        errno = EINVAL;
        return 0;
    }
    const kestrel::usb_uirt::DeviceVersion& version = device->Version();
    info->firmwareVersion = version.firmware;
    info->protocolVersion = version.protocol;
    info->firmwareDay = version.day;
    info->firmwareMonth = version.month;
    info->firmwareYear = version.year;
    return 1;
}

UUIRT_EXPORT int UUIRTTransmitIR(void* handle, char* code, int format, int repeatCount,
                                 int /*inactivityWaitTime*/, void* /*event*/, void* /*reserved0*/,
                                 void* /*reserved1*/) {
    UsbUirt* device = UsbUirt::FromHandle(handle);
    if (device == nullptr || code == nullptr) {
        errno = EINVAL;
        return 0;
    }
    try {
        int error = EIO;
        if (device->Transmit(code, format, repeatCount, error)) return 1;
        errno = error;
    } catch (...) {
        errno = EIO;
    }
    return 0;
}

UUIRT_EXPORT int UUIRTLearnIR(void* handle, int codeFormat, char* code, UUIRTLearnCallback progress,
                              void* user, int* abort, unsigned int /*param1*/, void* /*reserved0*/,
                              void* /*reserved1*/) {
    UsbUirt* device = UsbUirt::FromHandle(handle);
    if (device == nullptr || code == nullptr) {
        errno = EINVAL;
        return 0;
    }
    return uuirt::AnswerLearn(
        code, [&](int& error) { return device->Learn(codeFormat, abort, progress, user, error); });
}

UUIRT_EXPORT int UUIRTClose(void* handle) {
    UsbUirt* device = UsbUirt::FromHandle(handle);
    if (device == nullptr) return 0;
    delete device;
    return 1;
}
