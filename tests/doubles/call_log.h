// One ordered record of the calls the library makes into the runtime double and
// the Windows doubles, so that a test can see the order across both: for example
// that a registry key is closed before the runtime is asked for the answer.
#ifndef TESTS_CALL_LOG_H
#define TESTS_CALL_LOG_H

#include <stdint.h>
#include <string>
#include <vector>

enum class Call {
    ReadInt32,        // FREGetObjectAsInt32: object
    ReadUtf8,         // FREGetObjectAsUTF8: object
    NewString,        // FRENewObjectFromUTF8: length, text (bytes before the first zero)
    ComputerName,     // GetComputerNameW: size offered, whether the buffer came zeroed
    ModuleFileName,   // GetModuleFileNameW: size offered, module null
    SpecialFolder,    // SHGetSpecialFolderPathW: folder, create flag, owner null
    WideToUtf8,       // WideCharToMultiByte: size offered, wide length, flags, code page
    Utf8ToWide,       // MultiByteToWideChar: size offered, length, flags, code page
    RegOpen,          // RegOpenKeyExW: mask, key path, handle made (0 when none)
    RegQuery,         // RegQueryValueExW: handle, value name, size offered
    RegClose,         // RegCloseKey: handle
};

struct CallRecord {
    explicit CallRecord(Call made) : call(made) {}
    Call call;
    const void* object = nullptr;
    uint64_t number = 0;      // length, size offered, mask, folder, or handle
    int64_t detail = 0;       // the second number a call carries
    uint32_t flags = 0;
    uint32_t codePage = 0;
    uint64_t handle = 0;
    std::string text;         // UTF-8 of the text the call was given
};

// Appends one record; safe from any thread.
void logCall(const CallRecord& record);
// The records so far; read it when no call is running.
std::vector<CallRecord>& callLog();
std::vector<CallRecord> callsOf(Call call);

#endif
