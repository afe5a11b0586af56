// The AIR runtime's native extension interface, as this library uses it: the
// handles, the function table record, the callback shapes the runtime calls and
// the three runtime calls the library makes. C linkage and the platform's
// default calling convention, as the runtime expects of an extension.
#ifndef TOVRANE_RUNTIME_INTERFACE_H
#define TOVRANE_RUNTIME_INTERFACE_H

#include <stdint.h>

extern "C" {

// An opaque handle to a value of the application's script; null is the null object.
typedef void* FREObject;
// An extension context that the application created.
typedef void* FREContext;

// The result of every call into the runtime. The underlying type is fixed so that
// any code the runtime returns is a valid value, not only the ones named here.
enum FREResult : int32_t {
    FRE_OK = 0
};

typedef FREObject (*FREFunction)(FREContext context, void* functionData,
                                 uint32_t argumentCount, FREObject arguments[]);

// One entry of a function table: three pointer-wide fields in this order.
struct FRENamedFunction {
    const uint8_t* name;
    void* functionData;
    FREFunction function;
};

typedef void (*FREContextInitializer)(void* extensionData, const uint8_t* contextType,
                                      FREContext context, uint32_t* functionCountToSet,
                                      const FRENamedFunction** functionsToSet);
typedef void (*FREContextFinalizer)(FREContext context);
typedef void (*FREInitializer)(void** extensionDataToSet,
                               FREContextInitializer* contextInitializerToSet,
                               FREContextFinalizer* contextFinalizerToSet);
typedef void (*FREFinalizer)(void* extensionData);

// Makes a runtime string from zero-terminated UTF-8 text; the runtime copies the
// bytes before it returns.
FREResult FRENewObjectFromUTF8(uint32_t length, const uint8_t* value, FREObject* object);

// Reads a number argument; value is meaningful only on FRE_OK.
FREResult FREGetObjectAsInt32(FREObject object, int32_t* value);

// Lends the argument's text, zero-terminated UTF-8 owned by the runtime and readable
// until the named function returns; meaningful only on FRE_OK.
FREResult FREGetObjectAsUTF8(FREObject object, uint32_t* length, const uint8_t** value);

}  // extern "C"

#endif
