// The library's face to the runtime: the extension initializer and finalizer it
// exports, and the context initializer that hands each new context its table of
// named functions. The library keeps no state of its own.
#include "named_functions.h"

#include <stdlib.h>

namespace {

const FRENamedFunction namedFunctions[] = {
    {reinterpret_cast<const uint8_t*>("getSpecialFolder"), NULL, getSpecialFolder},
    {reinterpret_cast<const uint8_t*>("readRegString"), NULL, readRegString},
    {reinterpret_cast<const uint8_t*>("getComputerName"), NULL, getComputerName},
    {reinterpret_cast<const uint8_t*>("getModuleFileName"), NULL, getModuleFileName},
};
const uint32_t namedFunctionCount = sizeof namedFunctions / sizeof namedFunctions[0];

}  // namespace

extern "C" void contextInitializer(void*, const uint8_t*, FREContext,
                                   uint32_t* functionCountToSet,
                                   const FRENamedFunction** functionsToSet) {
    // The runtime always passes both; without them a table could only leak.
    if (functionCountToSet == NULL || functionsToSet == NULL) {
        return;
    }
    // Each context gets a table of its own from the heap. It is never released: the
    // runtime may read a table for as long as its context lives, and the interface
    // does not say when that ends.
    FRENamedFunction* table = static_cast<FRENamedFunction*>(malloc(sizeof namedFunctions));
    if (table == NULL) {
        // The interface has no way to report failure; an empty table is what the
        // runtime can use safely.
        *functionCountToSet = 0;
        *functionsToSet = NULL;
        return;
    }
    for (uint32_t i = 0; i < namedFunctionCount; i++) {
        table[i] = namedFunctions[i];
    }
    *functionCountToSet = namedFunctionCount;
    *functionsToSet = table;
}

extern "C" void AneWin32TovraneExtensionInitializer(
    void** extensionDataToSet, FREContextInitializer* contextInitializerToSet,
    FREContextFinalizer* contextFinalizerToSet) {
    // Each out parameter is set only when given, so that a caller probing the
    // library with nulls is not brought down.
    if (extensionDataToSet != NULL) {
        *extensionDataToSet = NULL;
    }
    if (contextInitializerToSet != NULL) {
        *contextInitializerToSet = contextInitializer;
    }
    // One finalizer serves the extension and every context: neither has anything
    // to release.
    if (contextFinalizerToSet != NULL) {
        *contextFinalizerToSet = AneWin32TovraneExtensionFinalizer;
    }
}

extern "C" void AneWin32TovraneExtensionFinalizer(void*) {}
