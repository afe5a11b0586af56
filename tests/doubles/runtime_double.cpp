#include "runtime_double.h"

#include <string.h>

#include <deque>
#include <mutex>
#include <unordered_set>

#include "call_log.h"

namespace {

enum class Kind { String, Int32, Null };

struct Object {
    Kind kind;
    std::string text;
    int32_t number = 0;
    bool refuseReads = false;
    bool lendNullText = false;
};

const FREResult typeMismatch = static_cast<FREResult>(5);

struct Store {
    std::mutex lock;
    std::deque<Object> objects;  // a deque keeps addresses stable as it grows
    std::unordered_set<const void*> known;
    bool makeNoStrings = false;
};

Store& store() {
    static Store* instance = new Store;
    return *instance;
}

Object* lookUp(FREObject object) {
    std::lock_guard<std::mutex> guard(store().lock);
    return store().known.count(object) ? static_cast<Object*>(object) : nullptr;
}

FREObject add(Object object) {
    std::lock_guard<std::mutex> guard(store().lock);
    store().objects.push_back(object);
    Object* added = &store().objects.back();
    store().known.insert(added);
    return added;
}

// What a refusing runtime leaves behind in an out parameter.
const uint8_t bogusText[] = "bogus";

}  // namespace

void runtimeReset() {
    std::lock_guard<std::mutex> guard(store().lock);
    store().objects.clear();
    store().known.clear();
    store().makeNoStrings = false;
    callLog().clear();
}

FREObject runtimeString(const std::string& utf8) { return add({Kind::String, utf8}); }

FREObject runtimeInt32(int32_t value) {
    Object object{Kind::Int32, ""};
    object.number = value;
    return add(object);
}

FREObject runtimeNull() { return add({Kind::Null, ""}); }

void runtimeRefuseReads(FREObject object) { lookUp(object)->refuseReads = true; }
void runtimeLendNullText(FREObject object) { lookUp(object)->lendNullText = true; }
void runtimeMakeNoStrings(bool refuse) { store().makeNoStrings = refuse; }

bool runtimeIsString(FREObject object) {
    Object* found = lookUp(object);
    return found != nullptr && found->kind == Kind::String;
}

std::string runtimeText(FREObject object) { return lookUp(object)->text; }

extern "C" FREResult FRENewObjectFromUTF8(uint32_t length, const uint8_t* value,
                                          FREObject* object) {
    CallRecord record{Call::NewString};
    record.number = length;
    record.text = reinterpret_cast<const char*>(value);
    logCall(record);
    if (store().makeNoStrings) return typeMismatch;
    // The runtime's copy is the text up to its zero byte.
    *object = add({Kind::String, record.text});
    return FRE_OK;
}

extern "C" FREResult FREGetObjectAsInt32(FREObject object, int32_t* value) {
    CallRecord record{Call::ReadInt32};
    record.object = object;
    logCall(record);
    Object* found = lookUp(object);
    if (found == nullptr || found->kind != Kind::Int32 || found->refuseReads) {
        *value = 0x5A5A5A5A;
        return typeMismatch;
    }
    *value = found->number;
    return FRE_OK;
}

extern "C" FREResult FREGetObjectAsUTF8(FREObject object, uint32_t* length,
                                        const uint8_t** value) {
    CallRecord record{Call::ReadUtf8};
    record.object = object;
    logCall(record);
    Object* found = lookUp(object);
    if (found == nullptr || found->kind != Kind::String || found->refuseReads) {
        *length = sizeof bogusText - 1;
        *value = bogusText;
        return typeMismatch;
    }
    if (found->lendNullText) {
        *value = nullptr;
        return FRE_OK;
    }
    *length = static_cast<uint32_t>(found->text.size());
    *value = reinterpret_cast<const uint8_t*>(found->text.c_str());
    return FRE_OK;
}
