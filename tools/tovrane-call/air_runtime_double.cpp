#include "air_runtime_double.h"

#include <stdlib.h>
#include <string.h>

namespace {

enum Kind { stringKind, int32Kind, nullKind };

struct Object {
    uint32_t magic;
    Kind kind;
    int32_t number;
    uint32_t length;
    char text[1];  // length bytes and a zero byte
};

const uint32_t objectMagic = 0x4F455246;  // marks a live object of this store
const FREResult typeMismatch = static_cast<FREResult>(5);
const FREResult invalidObject = static_cast<FREResult>(3);

thread_local uint32_t lastLength = 0;

Object* make(Kind kind, const char* text, uint32_t length) {
    Object* object = static_cast<Object*>(malloc(sizeof(Object) + length));
    if (object == NULL) return NULL;
    object->magic = objectMagic;
    object->kind = kind;
    object->number = 0;
    object->length = length;
    if (length > 0) memcpy(object->text, text, length);
    object->text[length] = 0;
    return object;
}

Object* live(FREObject handle) {
    Object* object = static_cast<Object*>(handle);
    return object != NULL && object->magic == objectMagic ? object : NULL;
}

}  // namespace

extern "C" FREObject airDoubleString(const char* utf8, uint32_t length) {
    return make(stringKind, utf8, length);
}

extern "C" FREObject airDoubleInt32(int32_t value) {
    Object* object = make(int32Kind, "", 0);
    if (object != NULL) object->number = value;
    return object;
}

extern "C" FREObject airDoubleNull() { return make(nullKind, "", 0); }

extern "C" int airDoubleStringOf(FREObject handle, const char** text, uint32_t* length) {
    Object* object = live(handle);
    if (object == NULL || object->kind != stringKind) return 0;
    *text = object->text;
    *length = object->length;
    return 1;
}

extern "C" uint32_t airDoubleLastLength() { return lastLength; }

extern "C" void airDoubleRelease(FREObject handle) {
    Object* object = live(handle);
    if (object == NULL) return;
    object->magic = 0;
    free(object);
}

// The runtime's string is the text up to its zero byte, whatever length says; the
// length is kept so that a caller can see what the library handed over.
extern "C" FREResult FRENewObjectFromUTF8(uint32_t length, const uint8_t* value, FREObject* object) {
    lastLength = length;
    if (value == NULL || object == NULL) return invalidObject;
    const char* text = reinterpret_cast<const char*>(value);
    Object* made = make(stringKind, text, static_cast<uint32_t>(strlen(text)));
    if (made == NULL) return static_cast<FREResult>(8);
    *object = made;
    return FRE_OK;
}

extern "C" FREResult FREGetObjectAsInt32(FREObject handle, int32_t* value) {
    Object* object = live(handle);
    if (object == NULL) return invalidObject;
    if (object->kind != int32Kind) return typeMismatch;
    *value = object->number;
    return FRE_OK;
}

extern "C" FREResult FREGetObjectAsUTF8(FREObject handle, uint32_t* length, const uint8_t** value) {
    Object* object = live(handle);
    if (object == NULL) return invalidObject;
    if (object->kind != stringKind) return typeMismatch;
    *length = object->length;
    *value = reinterpret_cast<const uint8_t*>(object->text);
    return FRE_OK;
}
