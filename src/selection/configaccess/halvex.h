/* Configuration-access library of the operational information complex.
 *
 * Five functions, 32-bit handles, zero-terminated code page 1251 strings.
 * Every buffer handed in holds 129 bytes: at most 128 characters and the zero.
 */
#ifndef OSTRAND_HALVEX_H
#define OSTRAND_HALVEX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define HALVEX_API __stdcall
#else
#define HALVEX_API
#endif

/* Size of every text buffer passed to the library. */
#define HALVEX_BUFFER_SIZE 129
/* The open flags the program always passes. */
#define HALVEX_OPEN_FLAGS 0x80007530u

/* Later opens act for this user. The result is not used. */
int32_t HALVEX_API hvsSetUser(const char* user, const char* password);

/* Opens a configuration file of a TM server: ntServer is the NT server name,
 * path is "TM_SERVER\<tm server>\<file>". Returns the top node, or 0 with the
 * error text in errorBuffer. fileTime receives the file's last change as a UTC
 * file time (100-ns units since 1601-01-01); reserved is never read. */
int32_t HALVEX_API hvsConfFileOpen(const char* ntServer, const char* path, uint32_t flags, uint64_t* fileTime,
                                   int32_t* reserved, char* errorBuffer, int32_t errorBufferSize);

/* The child of node with the given index (from 0), or 0 when there is none. */
int32_t HALVEX_API hvtNodeEnum(int32_t node, int32_t index);

/* Writes the node's name into buffer. The result is not used. */
int32_t HALVEX_API hvtNodeGetName(int32_t node, char* buffer, int32_t bufferSize);

/* Writes the text of the node's property into buffer; a missing property leaves
 * the buffer as it is. The result is not used. */
int32_t HALVEX_API hvtNPropGetText(int32_t node, const char* property, char* buffer, int32_t bufferSize);

#ifdef __cplusplus
}
#endif

#endif
