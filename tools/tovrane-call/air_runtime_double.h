// A stand-in for the AIR runtime's extension calls, built as "Adobe AIR.dll" so that
// Tovrane.dll loads against it as it would against the runtime. It keeps its own
// objects (strings, 32-bit integers, null) and offers the host what it needs to
// make arguments and read answers. It is a test and trial tool: never ship it.
#ifndef TOVRANE_CALL_AIR_RUNTIME_DOUBLE_H
#define TOVRANE_CALL_AIR_RUNTIME_DOUBLE_H

#include <stdint.h>

#include "../../nativelib/Tovrane/runtime_interface.h"

extern "C" {

FREObject airDoubleString(const char* utf8, uint32_t length);
FREObject airDoubleInt32(int32_t value);
FREObject airDoubleNull();
// Nonzero when the object is a string; its bytes then go to *text and *length.
int airDoubleStringOf(FREObject object, const char** text, uint32_t* length);
// The length the last FRENewObjectFromUTF8 on this thread was handed.
uint32_t airDoubleLastLength();
void airDoubleRelease(FREObject object);

}  // extern "C"

#endif
