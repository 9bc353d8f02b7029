#pragma once

#include "selection/configaccess/halvex.h"

#include <QString>

// The five functions of the configuration-access library as the program calls
// them. By default they are the program's own implementation, which serves
// configuration trees from local files; when the environment variable
// OSTRAND_CONFIG_LIBRARY names a shared library exporting the five functions,
// that library is used instead.
struct THalvexApi {
    decltype(&hvsSetUser) setUser;
    decltype(&hvsConfFileOpen) confFileOpen;
    decltype(&hvtNodeEnum) nodeEnum;
    decltype(&hvtNodeGetName) nodeGetName;
    decltype(&hvtNPropGetText) propGetText;

    // The functions in use (loaded once). Throws Exception when the library named
    // by OSTRAND_CONFIG_LIBRARY cannot be loaded.
    static const THalvexApi& instance();
    // The program's own implementation.
    static const THalvexApi& local();
};
