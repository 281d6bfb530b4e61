#include "lirc_device.h"

#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <new>

#include "pronto_signal.h"

namespace kestrel::lirc {

namespace {

static_assert(sizeof(unsigned int) == sizeof(uint32_t), "LIRC durations are 32-bit");

class SystemCalls : public DeviceCalls {
  public:
    int Open(const char* path, int flags) override { return ::open(path, flags); }
    int Fstat(int fd, struct stat* status) override { return ::fstat(fd, status); }
    int Ioctl(int fd, unsigned long request, uint32_t* value) override {
        return ::ioctl(fd, request, value);
    }
    ssize_t Write(int fd, const void* data, size_t size) override {
        return ::write(fd, data, size);
    }
    ssize_t Read(int fd, void* data, size_t size) override { return ::read(fd, data, size); }
    int Poll(int fd, int milliseconds) override {
        pollfd wait{fd, POLLIN, 0};
        return ::poll(&wait, 1, milliseconds);
    }
    int Close(int fd) override { return ::close(fd); }
};

}  // namespace

DeviceCalls& SystemDeviceCalls() {
    static SystemCalls calls;  // stateless
    return calls;
}

std::unique_ptr<LircDevice> LircDevice::Open(DeviceCalls& calls, const char* path,
                                             uuirt::OpenError& error) {
    const int fd = calls.Open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = uuirt::OpenError::NoConnection;
        return nullptr;
    }
    struct stat status {};
    uint32_t features = 0;
    if (calls.Fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode) ||
        calls.Ioctl(fd, LIRC_GET_FEATURES, &features) != 0 ||
        (features & LIRC_CAN_SEND_PULSE) == 0) {
        calls.Close(fd);
        error = uuirt::OpenError::NoDriver;
        return nullptr;
    }
    std::unique_ptr<LircDevice> device(new (std::nothrow) LircDevice(calls, fd, features));
    if (!device) {
        calls.Close(fd);
        error = uuirt::OpenError::NoCommunication;
    }
    return device;
}

LircDevice* LircDevice::FromHandle(void* handle) {
    if (handle == nullptr || handle == uuirt::FailedHandle()) return nullptr;
    auto* device = static_cast<LircDevice*>(handle);
    return device->magic_ == kMagic ? device : nullptr;
}

LircDevice::LircDevice(DeviceCalls& calls, int fd, uint32_t features)
    : calls_(calls), fd_(fd), features_(features) {}

LircDevice::~LircDevice() {
    Close();
    magic_ = 0;
}

Status LircDevice::Transmit(std::string_view code, int format, int repeatCount) {
    if (format != uuirt::kProntoFormat) return Refused("not Pronto hex text");
    if (fd_ < 0) return Refused("the device is closed");
    const Result<ProntoSignal> signal = SignalOf(code, repeatCount);
    if (!signal) return Refused(signal.reason());
    if ((features_ & LIRC_CAN_SET_SEND_CARRIER) != 0) {
        uint32_t carrier = signal->carrierHz;
        if (calls_.Ioctl(fd_, LIRC_SET_SEND_CARRIER, &carrier) != 0) {
            return Refused("the carrier cannot be set");
        }
    }
    // The kernel takes the whole signal in one write or none of it.
    const size_t bytes = signal->durations.size() * sizeof(unsigned int);
    const ssize_t written = calls_.Write(fd_, signal->durations.data(), bytes);
    if (written < 0 || static_cast<size_t>(written) != bytes) return Refused("the write failed");
    return {};
}

bool LircDevice::Close() {
    if (fd_ < 0) return true;
    const int result = calls_.Close(fd_);
    fd_ = -1;
    return result == 0;
}

}  // namespace kestrel::lirc
