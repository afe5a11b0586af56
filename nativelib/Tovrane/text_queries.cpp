// The three named functions that answer with a text Windows holds about the
// machine or the process, and the conversion of wide text into a runtime string
// that all three answer through. A text Windows does not give becomes an empty
// runtime string; no error ever reaches the script.
#include "named_functions.h"

#include <stdlib.h>
#include <string.h>

namespace {

// What a query answers with when Windows gives no text.
const WCHAR emptyWideText[1] = {0};
// What the conversion hands the runtime when the heap has no scratch buffer for it.
const uint8_t emptyUtf8Text[1] = {0};

}  // namespace

extern "C" FREObject wideToRuntimeString(const WCHAR* text) {
    size_t units = 0;
    while (text[units] != 0) {
        units++;
    }

    // UTF-8 takes at most three bytes per UTF-16 unit and four per surrogate pair,
    // so 4n + 4 bytes always hold the text and its terminating zero.
    size_t scratchSize = 4 * units + 4;
    FREObject result = NULL;
    char* scratch = static_cast<char*>(malloc(scratchSize));
    if (scratch == NULL) {
        // The caller still gets a runtime object, an empty string.
        FRENewObjectFromUTF8(1, emptyUtf8Text, &result);
        return result;
    }

    // Source length -1 converts through the terminating zero. Flags 0 replace an
    // unpaired surrogate rather than fail, and the buffer always suffices, so the
    // result is not examined; the first byte is cleared so that even a conversion
    // that writes nothing leaves a terminated, empty text.
    scratch[0] = 0;
    WideCharToMultiByte(CP_UTF8, 0, text, -1, scratch, static_cast<int>(scratchSize), NULL,
                        NULL);
    size_t textBytes = strnlen(scratch, scratchSize - 1);
    scratch[textBytes] = 0;

    // The runtime is handed the count with the terminating zero. It copies the bytes
    // before it returns, so the scratch buffer can go at once; its result code is
    // not examined, the answer having been set to the null object beforehand.
    FRENewObjectFromUTF8(static_cast<uint32_t>(textBytes + 1),
                         reinterpret_cast<const uint8_t*>(scratch), &result);
    free(scratch);
    return result;
}

extern "C" FREObject getComputerName(FREContext, void*, uint32_t, FREObject[]) {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
    memset(name, 0, sizeof name);
    DWORD nameSize = MAX_COMPUTERNAME_LENGTH + 1;

    // Nonzero: the buffer holds the name and its zero. A name that does not fit is
    // a failure, never cut, so the answer is either the whole name or empty.
    const WCHAR* text = GetComputerNameW(name, &nameSize) ? name : emptyWideText;
    return wideToRuntimeString(text);
}

extern "C" FREObject getModuleFileName(FREContext, void*, uint32_t, FREObject[]) {
    WCHAR path[MAX_PATH];

    // Module NULL names the process's executable, not this library. A longer path
    // comes back cut to 259 characters, still terminated, and still as success.
    const WCHAR* text = GetModuleFileNameW(NULL, path, MAX_PATH) != 0 ? path : emptyWideText;
    return wideToRuntimeString(text);
}

extern "C" FREObject getSpecialFolder(FREContext, void*, uint32_t argumentCount,
                                      FREObject arguments[]) {
    WCHAR path[MAX_PATH];
    const WCHAR* text = emptyWideText;
    int32_t folder = 0;

    // The identifier goes to the shell as given: the shell knows which folders
    // exist, and FALSE asks it not to create a missing one.
    if (argumentCount > 0 && FREGetObjectAsInt32(arguments[0], &folder) == FRE_OK &&
        SHGetSpecialFolderPathW(NULL, path, folder, FALSE)) {
        text = path;
    }
    return wideToRuntimeString(text);
}
