// A driver library for the tests that lacks UUIRTTransmitIR. Its
// UUIRTGetDrvInfo fails, so a binding that called it would report the
// version as unreadable rather than the library as unusable.

#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))

PARTIAL_EXPORT int UUIRTGetDrvInfo(unsigned int*) {
    return 0;
}
PARTIAL_EXPORT int UUIRTGetDrvVersion(unsigned int*) {
    return 0;
}
PARTIAL_EXPORT void* UUIRTOpen(void) {
    return nullptr;
}
PARTIAL_EXPORT int UUIRTClose(void*) {
    return 0;
}
