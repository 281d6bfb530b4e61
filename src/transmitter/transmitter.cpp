#include "transmitter/transmitter.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "transmitter/driver_choice.h"
#include "util/text.h"
#include "uuirt_api.h"

namespace kestrel {

// The five entry points of the loaded library.
struct Transmitter::EntryPoints {
    uuirt::GetDrvInfoFunction getDrvInfo = nullptr;
    uuirt::GetDrvVersionFunction getDrvVersion = nullptr;
    uuirt::OpenFunction open = nullptr;
    uuirt::TransmitIRFunction transmitIR = nullptr;
    uuirt::CloseFunction close = nullptr;
    // Optional: null when the library lacks them.
    uuirt::OpenExFunction openEx = nullptr;
    uuirt::GetUUIRTInfoFunction getInfo = nullptr;
    uuirt::LearnIRFunction learnIR = nullptr;
};

namespace {

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

// Looks name up in library; false when it is missing.
template <typename Function>
bool Resolve(void* library, const char* name, Function& target) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr) return false;
    target = reinterpret_cast<Function>(symbol);
    return true;
}

// True when the loader's search would look for name in a folder relative to
// the current one: LD_LIBRARY_PATH entries that are empty or relative are
// taken from the current folder, and one of them holds the file.
bool SearchReachesCurrentFolder(const std::string& name) {
    const char* path = std::getenv("LD_LIBRARY_PATH");
    if (path == nullptr || *path == '\0') return false;  // an empty one is ignored
    const std::string entries = path;
    size_t start = 0;
    while (start <= entries.size()) {
        size_t end = entries.find_first_of(":;", start);
        if (end == std::string::npos) end = entries.size();
        const std::string entry = entries.substr(start, end - start);
        if (!IsAbsolute(entry) && FileExists((entry.empty() ? "." : entry) + "/" + name)) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::string LastDlError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown loader error";
}

}  // namespace

std::string OpenErrorText(uint32_t lastError) {
    switch (static_cast<uuirt::OpenError>(lastError)) {
        case uuirt::OpenError::NoDriver:
            return kNoDriverText;
        case uuirt::OpenError::NoConnection:
            return kNoConnectionText;
        case uuirt::OpenError::NoCommunication:
            return kNoCommunicationText;
        case uuirt::OpenError::WrongFirmware:
            return kFirmwareText;
        case uuirt::OpenError::InUse:
            return kInUseText;
    }
    return kUnknownErrorText;
}

DriverLocation DriverLocationFor(std::string programFolder) {
    Result<DriverChoice> choice = ChooseDriver(programFolder);
    if (choice) return std::move(choice).value().location;
    DriverLocation location;  // no flags were given, so never reached
    location.programFolder = std::move(programFolder);
    return location;
}

Transmitter::Transmitter(std::string programFolder, WaitCursor* waitCursor)
    : Transmitter(DriverLocationFor(std::move(programFolder)), waitCursor) {}

Transmitter::Transmitter(DriverLocation location, WaitCursor* waitCursor)
    : location_(std::move(location)),
      waitCursor_(waitCursor),
      entry_(std::make_unique<EntryPoints>()) {}

Transmitter::~Transmitter() {
    if (library_ != nullptr && !DeviceOpen()) dlclose(library_);
}

intptr_t Transmitter::TransmitterHandle() const {
    return reinterpret_cast<intptr_t>(handle_);
}

bool Transmitter::DeviceOpen() const {
    return handle_ != nullptr && handle_ != uuirt::FailedHandle() && !closed_;
}

Transmitter::Load Transmitter::LoadLibrary() {
    if (library_ != nullptr) return Load::Loaded;
    loadProblem_.clear();

    // Which file: the named one, else the program folder's copy by its
    // absolute path, else the bare name for the system's search, unless
    // that search could end in the current folder.
    std::string file;
    if (!location_.libraryFile.empty()) {
        if (!IsAbsolute(location_.libraryFile)) {
            loadProblem_ = std::string(kDriverFileVariable) + " must name the library by an " +
                           "absolute path: " + location_.libraryFile;
            return Load::NoLibrary;
        }
        file = location_.libraryFile;
    } else {
        const std::string& folder = location_.programFolder;
        if (IsAbsolute(folder)) {
            std::string candidate = folder;
            if (candidate.back() != '/') candidate += '/';
            candidate += uuirt::kDriverFileName;
            if (FileExists(candidate)) file = candidate;
        }
        if (file.empty()) {
            if (SearchReachesCurrentFolder(uuirt::kDriverFileName)) {
                loadProblem_ = std::string("LD_LIBRARY_PATH would take ") + uuirt::kDriverFileName +
                               " from the current folder";
                return Load::NoLibrary;
            }
            file = uuirt::kDriverFileName;
        }
    }

    dlerror();
    void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    // When the system's search found none either, the USB-UIRT library the
    // program comes with.
    if (library == nullptr && file == uuirt::kDriverFileName &&
        IsAbsolute(location_.programFolder)) {
        loadProblem_ = LastDlError();
        std::string bundled = location_.programFolder;
        if (bundled.back() != '/') bundled += '/';
        bundled += kBundledDrivers[0].file;
        if (FileExists(bundled)) {
            file = bundled;
            library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        } else {
            return Load::NoLibrary;
        }
    }
    if (library == nullptr) {
        loadProblem_ = LastDlError();
        return Load::NoLibrary;
    }
    EntryPoints entry;
    const bool complete = Resolve(library, uuirt::kGetDrvInfoName, entry.getDrvInfo) &&
                          Resolve(library, uuirt::kGetDrvVersionName, entry.getDrvVersion) &&
                          Resolve(library, uuirt::kOpenName, entry.open) &&
                          Resolve(library, uuirt::kTransmitIRName, entry.transmitIR) &&
                          Resolve(library, uuirt::kCloseName, entry.close);
    if (!complete) {
        loadProblem_ = file + " lacks an entry point: " + LastDlError();
        dlclose(library);
        return Load::MissingEntryPoint;
    }
    Resolve(library, uuirt::kOpenExName, entry.openEx);
    Resolve(library, uuirt::kGetUUIRTInfoName, entry.getInfo);
    Resolve(library, uuirt::kLearnIRName, entry.learnIR);
    library_ = library;
    *entry_ = entry;
    libraryFile_ = file;
    return Load::Loaded;
}

Status Transmitter::OpenTransmitter() {
    // A library that cannot be loaded is reported as a missing driver; one
    // without every entry point as a driver of the wrong version.
    switch (LoadLibrary()) {
        case Load::Loaded:
            break;
        case Load::NoLibrary:
            return Refused(kNoDriverText);
        case Load::MissingEntryPoint:
            return Refused(kInvalidVersionText);
    }

    // The versions are checked before any device is touched.
    unsigned int apiVersion = 0;
    if (entry_->getDrvInfo(&apiVersion) == 0) return Refused(kNoVersionText);
    if (apiVersion != uuirt::kApiVersion) return Refused(kInvalidVersionText);
    unsigned int driverVersion = 0;
    if (entry_->getDrvVersion(&driverVersion) == 0 ||
        static_cast<int32_t>(driverVersion) < uuirt::kOldestDriverVersion) {
        return Refused(kOldDriverText);
    }

    // A device that is already open is kept. After a failed open (or a
    // close) the device is opened again rather than reported as ready.
    if (!DeviceOpen()) {
        if (!location_.deviceName.empty() && entry_->openEx == nullptr) {
            handle_ = uuirt::FailedHandle();
            return Refused(kNoNamedDeviceText + location_.deviceName);
        }
        // A library that can be asked for a device exclusively is; the
        // name (kept in a writable copy for the C call) may be empty.
        std::vector<char> name(location_.deviceName.begin(), location_.deviceName.end());
        name.push_back('\0');
        errno = 0;
        void* handle = entry_->openEx != nullptr
                           ? entry_->openEx(location_.deviceName.empty() ? nullptr : name.data(),
                                            uuirt::kOpenExclusive, nullptr, nullptr)
                           : entry_->open();
        // A null handle would read as "never opened"; it is a failure too.
        if (handle == uuirt::FailedHandle() || handle == nullptr) {
            const int lastError = errno;
            handle_ = uuirt::FailedHandle();
            return Refused(OpenErrorText(static_cast<uint32_t>(lastError)));
        }
        handle_ = handle;
        closed_ = false;
    }
    transmitFormat_ = uuirt::kProntoFormat;
    return {};
}

bool Transmitter::TransmitPronto(const std::string& prontoText) {
    if (!DeviceOpen()) return false;
    // The library reads up to the first zero byte: a text holding one would
    // be sent cut short, so it is not sent at all.
    if (prontoText.find('\0') != std::string::npos) return false;
    // The library takes a writable zero-terminated string: hand it a copy.
    std::vector<char> code(prontoText.begin(), prontoText.end());
    code.push_back('\0');
    if (waitCursor_ != nullptr) waitCursor_->Begin();
    const int sent =
        entry_->transmitIR(handle_, code.data(), transmitFormat_, 1, 0, nullptr, nullptr, nullptr);
    if (waitCursor_ != nullptr) waitCursor_->End();
    return sent != 0;
}

Status Transmitter::SendPronto(const std::string& prontoText) {
    if (!TransmitPronto(prontoText)) return Refused(kTransmitErrorText);
    return {};
}

void Transmitter::CloseTransmitter() {
    if (!DeviceOpen()) return;
    entry_->close(handle_);
    // The handle keeps its value, but the device is not used again.
    closed_ = true;
}

bool Transmitter::CanLearn() const {
    return library_ != nullptr && entry_->learnIR != nullptr;
}

namespace {

// Hands the library's progress calls to the caller's function.
void ForwardProgress(unsigned int progress, unsigned int quality, unsigned long carrierHz,
                     void* user) {
    const auto* forward = static_cast<const LearnProgress*>(user);
    if (forward != nullptr && *forward) (*forward)(progress, quality, carrierHz);
}

}  // namespace

Result<std::string> Transmitter::LearnPronto(LearnAbort& abort, const LearnProgress& progress) {
    if (!DeviceOpen()) return Refused(kNoConnectionText);
    if (!CanLearn()) return Refused(kCannotLearnText);
    std::vector<char> code(uuirt::kLearnBufferSize, '\0');
    errno = 0;
    const int learned =
        entry_->learnIR(handle_, uuirt::kProntoFormat, code.data(), ForwardProgress,
                        const_cast<LearnProgress*>(&progress), abort.Flag(), 0, nullptr, nullptr);
    const int error = errno;
    if (learned == 0) {
        if (error == ECANCELED || abort.Asked()) return Refused(kLearnCancelledText);
        return Refused(kLearnFailedText + std::string(error != 0 ? std::strerror(error)
                                                                 : "the driver gave no reason"));
    }
    // The library promises a terminated text; a buffer without one is cut
    // at its end rather than read past it.
    code.back() = '\0';
    std::string text = code.data();
    if (text.empty()) return Refused(kLearnFailedText + std::string("the driver returned no code"));
    return text;
}

std::optional<TransceiverInfo> Transmitter::DeviceInfo() {
    if (!DeviceOpen() || entry_->getInfo == nullptr) return std::nullopt;
    UUIRTInfo info{};
    if (entry_->getInfo(handle_, &info) == 0) return std::nullopt;
    return TransceiverInfo{info.firmwareVersion, info.protocolVersion, info.firmwareDay,
                           info.firmwareMonth, 2000 + info.firmwareYear};
}

}  // namespace kestrel
