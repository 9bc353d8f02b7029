/* A stand-in for an external configuration-access library, loaded by the
 * tests through OSTRAND_CONFIG_LIBRARY. Built once complete and once without
 * its last function. */
#include "selection/configaccess/halvex.h"

#include <string.h>

#if defined(_WIN32)
#define STUB_EXPORT __declspec(dllexport)
#else
#define STUB_EXPORT __attribute__((visibility("default")))
#endif

STUB_EXPORT int32_t HALVEX_API hvsSetUser(const char* user, const char* password) {
    (void)user;
    (void)password;
    return 1;
}

STUB_EXPORT int32_t HALVEX_API hvsConfFileOpen(const char* ntServer, const char* path, uint32_t flags,
                                               uint64_t* fileTime, int32_t* reserved, char* errorBuffer,
                                               int32_t errorBufferSize) {
    (void)ntServer;
    (void)path;
    (void)flags;
    (void)reserved;
    (void)errorBuffer;
    (void)errorBufferSize;
    if (fileTime)
        *fileTime = 1;
    return 1;
}

STUB_EXPORT int32_t HALVEX_API hvtNodeEnum(int32_t node, int32_t index) { return node + index; }

STUB_EXPORT int32_t HALVEX_API hvtNodeGetName(int32_t node, char* buffer, int32_t bufferSize) {
    (void)node;
    if (bufferSize > 4)
        strcpy(buffer, "stub");
    return 1;
}

#ifndef STUB_INCOMPLETE
STUB_EXPORT int32_t HALVEX_API hvtNPropGetText(int32_t node, const char* property, char* buffer, int32_t bufferSize) {
    (void)node;
    if (bufferSize > 0 && (int32_t)(strlen(property) + 5) < bufferSize) {
        strcpy(buffer, "stub:");
        strcat(buffer, property);
    }
    return 1;
}
#endif
