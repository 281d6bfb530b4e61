// The driver library's entry points over a LIRC transmitter, so that
// Kestrel sends through the IR transmitters Linux itself drives.
//
// UUIRTOpen opens the device named by KESTREL_LIRC_DEVICE (default
// /dev/lirc0), UUIRTOpenEx the one it is given (a path such as /dev/lirc1;
// without one, as UUIRTOpen); UUIRTTransmitIR sends Pronto hex codes (format 16). The
// inactivity wait and the completion event are not used: the write returns
// once the kernel has sent the code. UUIRTLearnIR listens through the same
// device when it can receive, and writes the code as Pronto hex text.

#include <cerrno>
#include <cstdlib>

#include "learned_code.h"
#include "lirc_device.h"
#include "uuirt_api.h"

using kestrel::lirc::LircDevice;
namespace uuirt = kestrel::uuirt;

namespace {

// Opens the device at path, or the one KESTREL_LIRC_DEVICE names when path
// is null or empty.
void* OpenDevice(const char* path) {
    if (path == nullptr || *path == '\0') path = std::getenv(kestrel::lirc::kDeviceVariable);
    if (path == nullptr || *path == '\0') path = kestrel::lirc::kDefaultDevice;
    uuirt::OpenError error = uuirt::OpenError::NoCommunication;
    try {
        auto device = LircDevice::Open(kestrel::lirc::SystemDeviceCalls(), path, error);
        if (device) return device.release();
    } catch (...) {
        error = uuirt::OpenError::NoCommunication;
    }
    errno = static_cast<int>(error);
    return uuirt::FailedHandle();
}

}  // namespace

UUIRT_EXPORT void* UUIRTOpen(void) {
    return OpenDevice(nullptr);
}

// The flags are not used: the kernel lets several programs send through one
// LIRC device, and lircd may hold it open beside us.
UUIRT_EXPORT void* UUIRTOpenEx(char* deviceName, unsigned int /*flags*/, void* /*reserved0*/,
                               void* /*reserved1*/) {
    return OpenDevice(deviceName);
}

UUIRT_EXPORT int UUIRTTransmitIR(void* handle, char* code, int format, int repeatCount,
                                 int /*inactivityWaitTime*/, void* /*event*/, void* /*reserved0*/,
                                 void* /*reserved1*/) {
    LircDevice* device = LircDevice::FromHandle(handle);
    if (device == nullptr || code == nullptr) return 0;
    try {
        return device->Transmit(code, format, repeatCount) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

UUIRT_EXPORT int UUIRTLearnIR(void* handle, int codeFormat, char* code, UUIRTLearnCallback progress,
                              void* user, int* abort, unsigned int /*param1*/, void* /*reserved0*/,
                              void* /*reserved1*/) {
    LircDevice* device = LircDevice::FromHandle(handle);
    if (device == nullptr || code == nullptr || codeFormat != uuirt::kProntoFormat) {
        errno = EINVAL;
        return 0;
    }
    return uuirt::AnswerLearn(
        code, [&](int& error) { return device->Learn(abort, progress, user, error); });
}

UUIRT_EXPORT int UUIRTClose(void* handle) {
    LircDevice* device = LircDevice::FromHandle(handle);
    if (device == nullptr) return 0;
    const bool closed = device->Close();
    delete device;
    return closed ? 1 : 0;
}
