// registry-seed: stores a value in one view of HKEY_LOCAL_MACHINE, for the tests
// of the registry reader under Wine. Names and data are given as hex bytes so that
// any text, any type and any length reach the registry exactly.
//
//   registry-seed 64|32 KEY_HEX NAME_HEX TYPE DATA_HEX
//
// KEY_HEX and NAME_HEX are UTF-8 bytes, DATA_HEX the value's raw bytes, TYPE the
// registry type number. Exit code 0 when stored, 1 when the registry refused, 2 on
// bad usage.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes a hex text names, zero-terminated, in a heap block; NULL when it names none.
BYTE* fromHex(const char* hex, size_t* length) {
    size_t digits = strlen(hex);
    if (digits % 2 != 0) return NULL;
    BYTE* bytes = static_cast<BYTE*>(malloc(digits / 2 + 2));
    for (size_t i = 0; bytes != NULL && i < digits / 2; i++) {
        int high = hexValue(hex[2 * i]), low = hexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) {
            free(bytes);
            return NULL;
        }
        bytes[i] = static_cast<BYTE>(high * 16 + low);
    }
    if (bytes != NULL) bytes[digits / 2] = bytes[digits / 2 + 1] = 0;
    *length = digits / 2;
    return bytes;
}

WCHAR* wideFromHex(const char* hex) {
    size_t length;
    BYTE* utf8 = fromHex(hex, &length);
    if (utf8 == NULL) return NULL;
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<char*>(utf8), -1, NULL, 0);
    WCHAR* wide = units > 0 ? static_cast<WCHAR*>(malloc(units * sizeof(WCHAR))) : NULL;
    if (wide != NULL) MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<char*>(utf8), -1, wide, units);
    free(utf8);
    return wide;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 || (strcmp(argv[1], "64") != 0 && strcmp(argv[1], "32") != 0)) {
        fputs("usage: registry-seed 64|32 KEY_HEX NAME_HEX TYPE DATA_HEX\n", stderr);
        return 2;
    }
    REGSAM view = strcmp(argv[1], "64") == 0 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    WCHAR* key = wideFromHex(argv[2]);
    WCHAR* name = wideFromHex(argv[3]);
    size_t dataLength;
    BYTE* data = fromHex(argv[5], &dataLength);
    if (key == NULL || name == NULL || data == NULL) {
        fputs("registry-seed: bad hex\n", stderr);
        return 2;
    }
    HKEY opened;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, NULL, 0, KEY_SET_VALUE | view, NULL, &opened, NULL);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(opened, name, 0, static_cast<DWORD>(strtoul(argv[4], NULL, 0)), data,
                                static_cast<DWORD>(dataLength));
        RegCloseKey(opened);
    }
    if (status != ERROR_SUCCESS) {
        fprintf(stderr, "registry-seed: status %ld\n", status);
        return 1;
    }
    return 0;
}
