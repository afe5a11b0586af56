// Doubles of the Windows operations the extension library calls, keeping their
// contracts: the machine queries, the UTF-8 conversions, and a registry with a
// 64-bit and a 32-bit view under HKEY_LOCAL_MACHINE. Every call goes to the call log.
#ifndef TESTS_WINDOWS_DOUBLE_H
#define TESTS_WINDOWS_DOUBLE_H

#include <stdint.h>
#include <string>
#include <vector>

#include "../../nativelib/host/tovrane_windows.h"

// Empties the registry and the folder table, and sets a working computer name and
// executable path.
void windowsReset();

void windowsSetComputerName(const std::u16string& name);
void windowsFailComputerName();
void windowsSetModulePath(const std::u16string& path);
void windowsFailModulePath();
void windowsSetSpecialFolder(int folder, const std::u16string& path);

enum class View { Bits64, Bits32 };

void registryAddKey(View view, const std::u16string& keyPath);
// Stores a value as Windows does; the key is made when it is missing.
void registrySetValue(View view, const std::u16string& keyPath, const std::u16string& name,
                      DWORD type, const std::vector<uint8_t>& data);
// A REG_SZ stored with its terminating zero unit.
void registrySetString(View view, const std::u16string& keyPath, const std::u16string& name,
                       const std::u16string& text);
// The bytes of UTF-16 text, optionally followed by its zero unit.
std::vector<uint8_t> utf16Bytes(const std::u16string& text, bool withTerminator);
// Keys opened and not closed.
size_t registryOpenKeys();

#endif
