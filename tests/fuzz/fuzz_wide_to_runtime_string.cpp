// wideToRuntimeString over arbitrary UTF-16, lone surrogates included: the scratch
// buffer is 4n + 4 bytes, never overrun (AddressSanitizer watches it), always
// given back, and the runtime is handed valid UTF-8 with its zero counted.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "../../nativelib/Tovrane/named_functions.h"
#include "../doubles/call_log.h"
#include "../doubles/heap_ledger.h"
#include "../doubles/runtime_double.h"
#include "../doubles/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    runtimeReset();
    heapLedgerReset();
    bool refuseHeap = size % 2 == 1 && data[size - 1] == 0xFF;
    if (refuseHeap) heapLedgerRefuse(1);
    FREObject answer = wideToRuntimeString(text.c_str());
    if (heapLedgerLiveBlocks() != 0) abort();
    if (heapLedgerAllocationSizes() != std::vector<size_t>{4 * text.size() + 4}) abort();
    std::string expected = refuseHeap ? "" : utf16ToUtf8(text);
    const auto& made = callLog().back();
    if (made.call != Call::NewString || made.number != expected.size() + 1 || made.text != expected) abort();
    if (!runtimeIsString(answer) || runtimeText(answer) != expected || !isValidUtf8(expected)) abort();
    return 0;
}
