#include "windows_double.h"

#include <string.h>

#include <map>
#include <mutex>
#include <set>

#include "call_log.h"
#include "utf.h"

namespace {

struct Value {
    DWORD type;
    std::vector<uint8_t> data;
};

struct Machine {
    std::mutex lock;
    bool computerNameFails = false;
    std::u16string computerName;
    bool modulePathFails = false;
    std::u16string modulePath;
    std::map<int, std::u16string> folders;
    // Per view: key path -> value name -> value.
    std::map<std::u16string, std::map<std::u16string, Value>> views[2];
    std::map<uint64_t, std::pair<int, std::u16string>> openKeys;  // handle -> view, key
    uint64_t nextHandle = 0x1000;
};

Machine& machine() {
    static Machine* instance = new Machine;
    return *instance;
}

std::u16string wideText(const WCHAR* text) { return text == nullptr ? u"" : std::u16string(text); }

void copyWide(WCHAR* buffer, const std::u16string& text, size_t units) {
    memcpy(buffer, text.data(), units * sizeof(WCHAR));
    buffer[units] = 0;
}

// Fills the part of a buffer that a call does not write with nonzero units, so
// that a caller reading past what it was given reads visible text, not zeros.
const uint8_t poison = 'X';

}  // namespace

void windowsReset() {
    Machine& m = machine();
    std::lock_guard<std::mutex> guard(m.lock);
    m.computerNameFails = false;
    m.computerName = u"TESTHOST";
    m.modulePathFails = false;
    m.modulePath = u"C:\\Program Files\\Test\\App.exe";
    m.folders.clear();
    m.views[0].clear();
    m.views[1].clear();
    m.openKeys.clear();
}

void windowsSetComputerName(const std::u16string& name) {
    machine().computerNameFails = false;
    machine().computerName = name;
}
void windowsFailComputerName() { machine().computerNameFails = true; }
void windowsSetModulePath(const std::u16string& path) {
    machine().modulePathFails = false;
    machine().modulePath = path;
}
void windowsFailModulePath() { machine().modulePathFails = true; }
void windowsSetSpecialFolder(int folder, const std::u16string& path) { machine().folders[folder] = path; }

void registryAddKey(View view, const std::u16string& keyPath) {
    machine().views[static_cast<int>(view)][keyPath];
}

void registrySetValue(View view, const std::u16string& keyPath, const std::u16string& name,
                      DWORD type, const std::vector<uint8_t>& data) {
    machine().views[static_cast<int>(view)][keyPath][name] = Value{type, data};
}

void registrySetString(View view, const std::u16string& keyPath, const std::u16string& name,
                       const std::u16string& text) {
    registrySetValue(view, keyPath, name, REG_SZ, utf16Bytes(text, true));
}

std::vector<uint8_t> utf16Bytes(const std::u16string& text, bool withTerminator) {
    std::vector<uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    if (withTerminator) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

size_t registryOpenKeys() {
    std::lock_guard<std::mutex> guard(machine().lock);
    return machine().openKeys.size();
}

// Nonzero with the name and its zero in the buffer and the size set to the name's
// length; a name that does not fit fails, with the size needed written back.
extern "C" BOOL GetComputerNameW(WCHAR* buffer, DWORD* size) {
    Machine& m = machine();
    CallRecord record{Call::ComputerName};
    record.number = *size;
    record.detail = 1;
    for (DWORD i = 0; i < *size; i++) {
        if (buffer[i] != 0) record.detail = 0;
    }
    logCall(record);
    if (m.computerNameFails) return FALSE;
    if (m.computerName.size() + 1 > *size) {
        *size = static_cast<DWORD>(m.computerName.size() + 1);
        return FALSE;
    }
    copyWide(buffer, m.computerName, m.computerName.size());
    *size = static_cast<DWORD>(m.computerName.size());
    return TRUE;
}

// The path's length on success; a path that does not fit is cut to size - 1
// characters, still terminated, and the call returns size.
extern "C" DWORD GetModuleFileNameW(HMODULE module, WCHAR* buffer, DWORD size) {
    Machine& m = machine();
    CallRecord record{Call::ModuleFileName};
    record.number = size;
    record.detail = module == nullptr;
    logCall(record);
    if (m.modulePathFails || size == 0) return 0;
    if (m.modulePath.size() < size) {
        copyWide(buffer, m.modulePath, m.modulePath.size());
        return static_cast<DWORD>(m.modulePath.size());
    }
    copyWide(buffer, m.modulePath, size - 1);
    return size;
}

extern "C" BOOL SHGetSpecialFolderPathW(HWND owner, WCHAR* path, int folder, BOOL create) {
    Machine& m = machine();
    CallRecord record{Call::SpecialFolder};
    record.number = static_cast<uint64_t>(static_cast<int64_t>(folder));
    record.detail = owner == nullptr;
    record.flags = static_cast<uint32_t>(create);
    logCall(record);
    auto found = m.folders.find(folder);
    if (found == m.folders.end() || found->second.size() >= MAX_PATH) return FALSE;
    copyWide(path, found->second, found->second.size());
    return TRUE;
}

// CP_UTF8 only. Length -1 converts through the zero unit and counts it. Size 0
// asks for the size needed; a size too small fails with 0.
extern "C" int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wideText,
                                   int wideLength, char* multiByteText, int multiByteSize,
                                   const char*, BOOL*) {
    CallRecord record{Call::WideToUtf8};
    record.number = static_cast<uint64_t>(multiByteSize);
    record.detail = wideLength;
    record.flags = flags;
    record.codePage = codePage;
    logCall(record);
    if (codePage != CP_UTF8 || wideLength == 0 || wideLength < -1) return 0;
    std::u16string text = wideLength == -1 ? std::u16string(wideText) + u'\0'
                                           : std::u16string(wideText, static_cast<size_t>(wideLength));
    std::string bytes = utf16ToUtf8(text);
    if (multiByteSize == 0) return static_cast<int>(bytes.size());
    if (bytes.size() > static_cast<size_t>(multiByteSize)) return 0;
    memcpy(multiByteText, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

// CP_UTF8 only; MB_ERR_INVALID_CHARS fails on any ill-formed sequence.
extern "C" int MultiByteToWideChar(UINT codePage, DWORD flags, const char* multiByteText,
                                   int multiByteLength, WCHAR* wideText, int wideSize) {
    CallRecord record{Call::Utf8ToWide};
    record.number = static_cast<uint64_t>(wideSize);
    record.detail = multiByteLength;
    record.flags = flags;
    record.codePage = codePage;
    logCall(record);
    if (codePage != CP_UTF8 || multiByteLength == 0 || multiByteLength < -1) return 0;
    std::string bytes = multiByteLength == -1
                            ? std::string(multiByteText, strlen(multiByteText) + 1)
                            : std::string(multiByteText, static_cast<size_t>(multiByteLength));
    std::u16string text;
    if (!utf8ToUtf16(bytes, (flags & MB_ERR_INVALID_CHARS) != 0, &text)) return 0;
    if (wideSize == 0) return static_cast<int>(text.size());
    if (text.size() > static_cast<size_t>(wideSize)) return 0;
    memcpy(wideText, text.data(), text.size() * sizeof(WCHAR));
    return static_cast<int>(text.size());
}

// The view is the one the mask's flag names; with neither flag, the 64-bit view.
extern "C" LONG RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                              HKEY* result) {
    Machine& m = machine();
    std::lock_guard<std::mutex> guard(m.lock);
    CallRecord record{Call::RegOpen};
    record.number = access;
    record.text = utf16ToUtf8(wideText(subKey));
    int view = (access & KEY_WOW64_32KEY) ? 1 : 0;
    LONG status = ERROR_SUCCESS;
    if (key != HKEY_LOCAL_MACHINE || options != 0 ||
        (access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY)) == (KEY_WOW64_32KEY | KEY_WOW64_64KEY)) {
        status = 87;  // ERROR_INVALID_PARAMETER
    } else if (m.views[view].count(wideText(subKey)) == 0) {
        status = ERROR_FILE_NOT_FOUND;
    } else {
        uint64_t handle = m.nextHandle++;
        m.openKeys[handle] = {view, wideText(subKey)};
        *result = reinterpret_cast<HKEY>(handle);
        record.handle = handle;
    }
    logCall(record);
    return status;
}

// The data is copied whole or not at all: data larger than offered gives
// ERROR_MORE_DATA with the size needed written back.
extern "C" LONG RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD*, DWORD* type,
                                 BYTE* data, DWORD* dataSize) {
    Machine& m = machine();
    std::lock_guard<std::mutex> guard(m.lock);
    CallRecord record{Call::RegQuery};
    record.handle = reinterpret_cast<uint64_t>(key);
    record.number = *dataSize;
    record.text = utf16ToUtf8(wideText(valueName));
    logCall(record);
    auto open = m.openKeys.find(record.handle);
    if (open == m.openKeys.end()) return 6;  // ERROR_INVALID_HANDLE
    auto& values = m.views[open->second.first][open->second.second];
    auto found = values.find(wideText(valueName));
    if (found == values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = found->second;
    if (type != nullptr) *type = value.type;
    if (value.data.size() > *dataSize) {
        *dataSize = static_cast<DWORD>(value.data.size());
        return ERROR_MORE_DATA;
    }
    if (!value.data.empty()) memcpy(data, value.data.data(), value.data.size());
    memset(data + value.data.size(), poison, *dataSize - value.data.size());
    *dataSize = static_cast<DWORD>(value.data.size());
    return ERROR_SUCCESS;
}

extern "C" LONG RegCloseKey(HKEY key) {
    Machine& m = machine();
    std::lock_guard<std::mutex> guard(m.lock);
    CallRecord record{Call::RegClose};
    record.handle = reinterpret_cast<uint64_t>(key);
    logCall(record);
    return m.openKeys.erase(record.handle) ? ERROR_SUCCESS : 6;
}
