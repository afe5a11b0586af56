// readRegString over the registry double: argument bytes of any kind (invalid
// UTF-8 and empty texts included) and values of any type and size up to 9000
// bytes, with or without terminators, in either view or both. The answer is null
// or valid UTF-8 that the runtime received ending in a zero byte inside the
// library's buffer (AddressSanitizer watches the reads); every key is closed and
// every heap block given back.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "../../nativelib/Tovrane/named_functions.h"
#include "../doubles/call_log.h"
#include "../doubles/heap_ledger.h"
#include "../doubles/runtime_double.h"
#include "../doubles/utf.h"
#include "../doubles/windows_double.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size, at;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    size_t number(size_t limit) {
        size_t value = byte() | (static_cast<size_t>(byte()) << 8);
        return limit == 0 ? 0 : value % (limit + 1);
    }
    std::string bytes(size_t count) {
        std::string taken;
        while (count-- > 0 && at < size) taken.push_back(static_cast<char>(data[at++]));
        return taken;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size, 0};
    runtimeReset();
    windowsReset();
    heapLedgerReset();
    std::string keyPath = in.bytes(in.number(40));
    std::string valueName = in.bytes(in.number(40));
    std::u16string wideKey, wideName;
    utf8ToUtf16(keyPath, false, &wideKey);
    utf8ToUtf16(valueName, false, &wideName);
    uint8_t views = in.byte();
    for (int view = 0; view < 2; view++) {
        if ((views & (1 << view)) == 0) continue;
        DWORD type = in.byte() % 12;
        std::string value = in.bytes(in.number(9000));
        registrySetValue(view == 0 ? View::Bits64 : View::Bits32, wideKey, wideName, type,
                         std::vector<uint8_t>(value.begin(), value.end()));
    }
    std::vector<FREObject> arguments = {runtimeString(keyPath), runtimeString(valueName)};
    if (views & 4) runtimeRefuseReads(arguments[views & 8 ? 0 : 1]);
    if (views & 16) runtimeMakeNoStrings(true);
    FREObject answer = readRegString(nullptr, nullptr, static_cast<uint32_t>(2 + (views >> 7)), arguments.data());

    if (registryOpenKeys() != 0 || heapLedgerLiveBlocks() != 0) abort();
    if (answer != nullptr) {
        if (!runtimeIsString(answer)) abort();
        std::string text = runtimeText(answer);
        if (!isValidUtf8(text)) abort();
        const CallRecord& made = callLog().back();
        if (made.call != Call::NewString || made.number != text.size()) abort();
    }
    // The library sees a text up to its first zero byte, as the runtime lends it.
    if (!isValidUtf8(keyPath.c_str()) || !isValidUtf8(valueName.c_str())) {
        for (const CallRecord& r : callLog()) {
            if (r.call == Call::RegOpen) abort();  // names that are not UTF-8 never reach the registry
        }
    }
    return 0;
}
