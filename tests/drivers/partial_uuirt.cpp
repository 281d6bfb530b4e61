// A driver library for the tests that lacks UUIRTTransmitIR. Its
// UUIRTGetDrvInfo fails, so a binding that called it would report the
// version as unreadable rather than the library as unusable.

#include "uuirt_api.h"

UUIRT_EXPORT int UUIRTGetDrvInfo(unsigned int*) {
    return 0;
}
UUIRT_EXPORT int UUIRTGetDrvVersion(unsigned int*) {
    return 0;
}
UUIRT_EXPORT void* UUIRTOpen(void) {
    return nullptr;
}
UUIRT_EXPORT int UUIRTClose(void*) {
    return 0;
}
