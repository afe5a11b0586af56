// The named function that reads a string value below HKEY_LOCAL_MACHINE, looking
// first in the 64-bit registry view and then in the 32-bit one. The script's texts
// are UTF-8 and the registry's are UTF-16: names are converted on the way in and
// the value on the way out, so that any character survives the trip. The script
// learns of every failure as the null object.
#include "named_functions.h"

#include <stdlib.h>

namespace {

// KEY_READ as a whole, not only the right to query values, with the view flag.
const REGSAM view64AccessMask = KEY_READ | KEY_WOW64_64KEY;  // 0x20119
const REGSAM view32AccessMask = KEY_READ | KEY_WOW64_32KEY;  // 0x20219

// A value is read whole or not at all: 4096 UTF-16 units are offered to the query,
// so text of up to 4095 units and its terminator fits.
const DWORD valueUnits = 4096;
// UTF-8 takes at most three bytes per UTF-16 unit (a surrogate pair, two units,
// takes four), plus the zero byte that ends the text.
const size_t answerBytes = 3 * valueUnits + 1;

// Converts zero-terminated UTF-8 into a zero-terminated UTF-16 heap block that the
// caller frees. NULL when the text is not valid UTF-8: such a name could only be
// guessed at, and a guessed name may be a different key. NULL too when the heap
// has no room.
WCHAR* utf8ToWide(const uint8_t* text) {
    const char* bytes = reinterpret_cast<const char*>(text);
    // Length -1 counts the terminator in; MB_ERR_INVALID_CHARS fails the call on any
    // ill-formed sequence instead of replacing it.
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, -1, NULL, 0);
    if (units <= 0) {
        return NULL;
    }
    WCHAR* wide = static_cast<WCHAR*>(malloc(static_cast<size_t>(units) * sizeof(WCHAR)));
    if (wide == NULL) {
        return NULL;
    }
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, -1, wide, units) != units) {
        free(wide);
        return NULL;
    }
    return wide;
}

}  // namespace

extern "C" FREObject readRegStringInView(const WCHAR* keyPath, const WCHAR* valueName,
                                         REGSAM accessMask) {
    FREObject answer = NULL;

    // ERROR_SUCCESS: the key exists in the selected view and is open; any other
    // status leaves no handle to close.
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, accessMask, &key) != ERROR_SUCCESS) {
        return NULL;
    }

    // ERROR_SUCCESS: the value's data is at the start of the buffer and valueSize
    // holds its byte count. Data larger than the buffer gives ERROR_MORE_DATA and
    // counts for nothing. The type is not consulted: every type is read as text.
    WCHAR value[valueUnits];
    DWORD valueType = REG_NONE;
    DWORD valueSize = sizeof value;
    LONG status = RegQueryValueExW(key, valueName, NULL, &valueType,
                                   reinterpret_cast<BYTE*>(value), &valueSize);
    // Closed before the status is looked at, so that no path keeps the key; the
    // close's own status tells the caller nothing.
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return NULL;
    }

    // The text ends at the first zero unit, or with the data when it holds none; an
    // odd trailing byte is no unit. Nothing past the returned bytes is read.
    DWORD returnedBytes = valueSize < sizeof value ? valueSize : static_cast<DWORD>(sizeof value);
    size_t returnedUnits = returnedBytes / sizeof(WCHAR);
    size_t textUnits = 0;
    while (textUnits < returnedUnits && value[textUnits] != 0) {
        textUnits++;
    }

    char text[answerBytes];
    int textBytes = 0;
    if (textUnits > 0) {
        // Flags 0: an unpaired surrogate is replaced, not an error. The buffer holds
        // the longest possible form, so zero means the conversion itself broke, and
        // the view then has no answer rather than a wrong one.
        textBytes = WideCharToMultiByte(CP_UTF8, 0, value, static_cast<int>(textUnits), text,
                                        static_cast<int>(answerBytes - 1), NULL, NULL);
        if (textBytes <= 0) {
            return NULL;
        }
    }
    text[textBytes] = 0;

    // The count leaves the terminating zero out. The runtime copies the bytes before
    // it returns; its result code is not examined, the answer being null until the
    // runtime sets it.
    FRENewObjectFromUTF8(static_cast<uint32_t>(textBytes), reinterpret_cast<const uint8_t*>(text),
                         &answer);
    return answer;
}

extern "C" FREObject readRegString(FREContext, void*, uint32_t argumentCount,
                                   FREObject arguments[]) {
    if (argumentCount < 2) {
        return NULL;
    }

    // Both arguments are read whatever the first read gave. A text counts only on
    // FRE_OK: whatever the runtime left in the pointer otherwise is ignored.
    uint32_t keyPathLength = 0;
    const uint8_t* keyPath = NULL;
    if (FREGetObjectAsUTF8(arguments[0], &keyPathLength, &keyPath) != FRE_OK) {
        keyPath = NULL;
    }
    uint32_t valueNameLength = 0;
    const uint8_t* valueName = NULL;
    if (FREGetObjectAsUTF8(arguments[1], &valueNameLength, &valueName) != FRE_OK) {
        valueName = NULL;
    }
    if (keyPath == NULL || valueName == NULL) {
        return NULL;
    }

    // An empty text is a name like any other: the empty value name is the key's
    // default value.
    FREObject answer = NULL;
    WCHAR* wideKeyPath = utf8ToWide(keyPath);
    WCHAR* wideValueName = utf8ToWide(valueName);
    if (wideKeyPath != NULL && wideValueName != NULL) {
        // The 32-bit view is read whenever the 64-bit view gave no answer, for
        // whatever reason; an empty string is an answer.
        answer = readRegStringInView(wideKeyPath, wideValueName, view64AccessMask);
        if (answer == NULL) {
            answer = readRegStringInView(wideKeyPath, wideValueName, view32AccessMask);
        }
    }
    free(wideKeyPath);
    free(wideValueName);
    return answer;
}
