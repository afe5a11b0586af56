// The library's routines behind its function table, shared by its own files.
#ifndef TOVRANE_NAMED_FUNCTIONS_H
#define TOVRANE_NAMED_FUNCTIONS_H

#include "runtime_interface.h"
#include "windows_api.h"

extern "C" {

// The named functions, in the runtime's calling shape.
FREObject getComputerName(FREContext context, void* functionData, uint32_t argumentCount,
                          FREObject arguments[]);
FREObject getModuleFileName(FREContext context, void* functionData, uint32_t argumentCount,
                            FREObject arguments[]);
FREObject getSpecialFolder(FREContext context, void* functionData, uint32_t argumentCount,
                           FREObject arguments[]);
FREObject readRegString(FREContext context, void* functionData, uint32_t argumentCount,
                        FREObject arguments[]);

// Turns zero-terminated wide text into a runtime string.
FREObject wideToRuntimeString(const WCHAR* text);

// Reads one value below HKEY_LOCAL_MACHINE in the view that accessMask selects;
// keyPath and valueName are zero-terminated UTF-16.
FREObject readRegStringInView(const WCHAR* keyPath, const WCHAR* valueName, REGSAM accessMask);

void contextInitializer(void* extensionData, const uint8_t* contextType, FREContext context,
                        uint32_t* functionCountToSet, const FRENamedFunction** functionsToSet);

// The two entry points the runtime finds by name.
void AneWin32TovraneExtensionInitializer(void** extensionDataToSet,
                                         FREContextInitializer* contextInitializerToSet,
                                         FREContextFinalizer* contextFinalizerToSet);
void AneWin32TovraneExtensionFinalizer(void* extensionData);

}  // extern "C"

#endif
