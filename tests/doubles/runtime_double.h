// A double of the AIR runtime's three calls, over an object store of its own:
// strings, 32-bit integers and null. Every call is written to the call log.
#ifndef TESTS_RUNTIME_DOUBLE_H
#define TESTS_RUNTIME_DOUBLE_H

#include <stdint.h>
#include <string>

#include "../../nativelib/Tovrane/runtime_interface.h"

// Forgets every object and every instruction below.
void runtimeReset();

FREObject runtimeString(const std::string& utf8);
FREObject runtimeInt32(int32_t value);
// A script null: a runtime object that reads neither as a number nor as text.
FREObject runtimeNull();

// Reads of this object fail, and the double then writes a bogus value through the
// out parameter, which the library must not use.
void runtimeRefuseReads(FREObject object);
// FREGetObjectAsUTF8 of this object reports FRE_OK but leaves the text null.
void runtimeLendNullText(FREObject object);
// FRENewObjectFromUTF8 fails and leaves its out object untouched.
void runtimeMakeNoStrings(bool refuse);

bool runtimeIsString(FREObject object);
std::string runtimeText(FREObject object);

#endif
