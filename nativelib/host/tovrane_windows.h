// The Windows types, constants and functions that the extension library's logic
// uses, declared for builds where Windows is absent. The values are Windows' own;
// the functions are provided by test doubles that keep the Windows contracts.
#ifndef TOVRANE_HOST_WINDOWS_H
#define TOVRANE_HOST_WINDOWS_H

#include <stdint.h>

typedef int BOOL;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef unsigned char BYTE;
typedef char16_t WCHAR;
typedef DWORD REGSAM;
typedef struct HKEY__* HKEY;
typedef struct HINSTANCE__* HMODULE;
typedef struct HWND__* HWND;

#define TRUE 1
#define FALSE 0

#define MAX_PATH 260
#define MAX_COMPUTERNAME_LENGTH 15

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_MORE_DATA 234L

#define CP_UTF8 65001u
#define MB_ERR_INVALID_CHARS 0x00000008u

#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)
#define KEY_READ 0x20019u
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_MULTI_SZ 7u

extern "C" {

BOOL GetComputerNameW(WCHAR* buffer, DWORD* size);
DWORD GetModuleFileNameW(HMODULE module, WCHAR* buffer, DWORD size);
BOOL SHGetSpecialFolderPathW(HWND owner, WCHAR* path, int folder, BOOL create);

int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wideText, int wideLength,
                        char* multiByteText, int multiByteSize, const char* defaultChar,
                        BOOL* usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* multiByteText,
                        int multiByteLength, WCHAR* wideText, int wideSize);

LONG RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* reserved, DWORD* type,
                      BYTE* data, DWORD* dataSize);
LONG RegCloseKey(HKEY key);

}  // extern "C"

#endif
