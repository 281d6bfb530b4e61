// The two version entry points of a driver library that speaks the driver
// interface as uuirt_api.h states it: linked into every driver but the
// simulated one, which logs its calls and can be told to fail them.

#include "uuirt_api.h"

UUIRT_EXPORT int UUIRTGetDrvInfo(unsigned int* apiVersion) {
    if (apiVersion == nullptr) return 0;
    *apiVersion = kestrel::uuirt::kApiVersion;
    return 1;
}

UUIRT_EXPORT int UUIRTGetDrvVersion(unsigned int* driverVersion) {
    if (driverVersion == nullptr) return 0;
    *driverVersion = static_cast<unsigned int>(kestrel::uuirt::kOldestDriverVersion);
    return 1;
}
