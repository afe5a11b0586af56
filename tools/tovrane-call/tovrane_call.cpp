// tovrane-call: loads Tovrane.dll the way the AIR runtime does (LoadLibrary, the
// initializer by name, a context, its function table) and lists the table or calls
// one named function, printing the answer as one JSON value. Its runtime is the
// double built as "Adobe AIR.dll" beside it.
//
//   tovrane-call [--library PATH] list
//   tovrane-call [--library PATH] call NAME [ARGUMENT...]
//   tovrane-call [--library PATH] repeat COUNT NAME [ARGUMENT...]
//   tovrane-call [--library PATH] stress THREADS COUNT KEY_PATH VALUE_NAME
//   tovrane-call bare COUNT NAME [ARGUMENT...]
//
// repeat prints the last answer and, on standard error, the time per call. bare
// makes, COUNT times, only the Windows calls the named function NAME makes for
// those arguments, with no library and no runtime objects around them, and prints
// the time per call the same way: the floor repeat is measured against.
//
// stress calls all four functions COUNT times on each of THREADS threads through
// one context (getSpecialFolder with CSIDL_APPDATA, readRegString with the key
// and value given), after a warm-up round of at most 1000, and prints as JSON how
// many answers of both rounds differed from the single-threaded ones and the
// process's private bytes before and after the measured round.
//
// An argument is int:N, str:TEXT, hex:BYTES (the UTF-8 bytes of a text, in hex) or
// null. Exit codes: 0 done; 2 usage; 3 the library could not be loaded or lacks an
// entry point; 4 no function of that name; 5 a stress thread could not be started.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "air_runtime_double.h"

namespace {

// What the runtime keeps of a loaded extension.
struct Extension {
    HMODULE module;
    void* extensionData;
    FREContextInitializer contextInitializer;
    FREContextFinalizer contextFinalizer;
    FREFinalizer finalizer;
};

int usage() {
    fputs("usage: tovrane-call [--library PATH] list\n"
          "       tovrane-call [--library PATH] call NAME [int:N | str:TEXT | hex:BYTES | null]...\n"
          "       tovrane-call [--library PATH] repeat COUNT NAME [ARGUMENT]...\n"
          "       tovrane-call [--library PATH] stress THREADS COUNT KEY_PATH VALUE_NAME\n"
          "       tovrane-call bare COUNT NAME [ARGUMENT]...\n",
          stderr);
    return 2;
}

// UTF-8 of a command-line argument, in a heap block the caller frees.
char* toUtf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    char* utf8 = static_cast<char*>(malloc(size > 0 ? size : 1));
    if (utf8 == NULL) return NULL;
    utf8[0] = 0;
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, size, NULL, NULL);
    return utf8;
}

int hexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Makes the runtime object an argument names; NULL when it names none.
FREObject makeArgument(const wchar_t* argument) {
    if (wcscmp(argument, L"null") == 0) return airDoubleNull();
    if (wcsncmp(argument, L"int:", 4) == 0) return airDoubleInt32(static_cast<int32_t>(wcstol(argument + 4, NULL, 0)));
    if (wcsncmp(argument, L"str:", 4) == 0) {
        char* utf8 = toUtf8(argument + 4);
        if (utf8 == NULL) return NULL;
        FREObject object = airDoubleString(utf8, static_cast<uint32_t>(strlen(utf8)));
        free(utf8);
        return object;
    }
    if (wcsncmp(argument, L"hex:", 4) == 0) {
        size_t digits = wcslen(argument + 4);
        if (digits % 2 != 0) return NULL;
        char* bytes = static_cast<char*>(malloc(digits / 2 + 1));
        if (bytes == NULL) return NULL;
        for (size_t i = 0; i < digits / 2; i++) {
            int high = hexValue(argument[4 + 2 * i]), low = hexValue(argument[5 + 2 * i]);
            if (high < 0 || low < 0) {
                free(bytes);
                return NULL;
            }
            bytes[i] = static_cast<char>(high * 16 + low);
        }
        FREObject object = airDoubleString(bytes, static_cast<uint32_t>(digits / 2));
        free(bytes);
        return object;
    }
    return NULL;
}

double nanosecondsPerCall(const LARGE_INTEGER& start, const LARGE_INTEGER& end, long calls) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e9 / static_cast<double>(frequency.QuadPart) /
           static_cast<double>(calls);
}

void printJsonString(const char* text, uint32_t length) {
    putchar('"');
    for (uint32_t i = 0; i < length; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') printf("\\%c", c);
        else if (c < 0x20) printf("\\u%04x", c);
        else putchar(c);
    }
    putchar('"');
}

void printAnswer(FREObject answer) {
    const char* text;
    uint32_t length;
    if (airDoubleStringOf(answer, &text, &length)) printJsonString(text, length);
    else fputs("null", stdout);
}

bool load(const wchar_t* path, Extension* extension) {
    memset(extension, 0, sizeof *extension);
    extension->module = LoadLibraryW(path);
    if (extension->module == NULL) {
        fwprintf(stderr, L"tovrane-call: cannot load %ls (error %lu)\n", path, GetLastError());
        return false;
    }
    FREInitializer initializer = reinterpret_cast<FREInitializer>(
        reinterpret_cast<void*>(GetProcAddress(extension->module, "AneWin32TovraneExtensionInitializer")));
    extension->finalizer = reinterpret_cast<FREFinalizer>(
        reinterpret_cast<void*>(GetProcAddress(extension->module, "AneWin32TovraneExtensionFinalizer")));
    if (initializer == NULL || extension->finalizer == NULL) {
        fputs("tovrane-call: the library lacks an entry point\n", stderr);
        return false;
    }
    initializer(&extension->extensionData, &extension->contextInitializer, &extension->contextFinalizer);
    if (extension->contextInitializer == NULL) {
        fputs("tovrane-call: the initializer gave no context initializer\n", stderr);
        return false;
    }
    return true;
}

void unload(Extension* extension, FREContext context) {
    if (extension->contextFinalizer != NULL) extension->contextFinalizer(context);
    extension->finalizer(extension->extensionData);
    FreeLibrary(extension->module);
}

// Each context the runtime makes is some handle of its own; the library never reads it.
FREContext newContext(const Extension* extension, int number, uint32_t* count,
                      const FRENamedFunction** table) {
    FREContext context = reinterpret_cast<FREContext>(static_cast<uintptr_t>(0x1000 + number));
    *count = 0;
    *table = NULL;
    extension->contextInitializer(extension->extensionData, reinterpret_cast<const uint8_t*>(""),
                                  context, count, table);
    return context;
}

void printTable(uint32_t count, const FRENamedFunction* table) {
    printf("{\"count\":%u,\"table\":\"%p\",\"functions\":[", count, static_cast<const void*>(table));
    for (uint32_t i = 0; i < count && table != NULL; i++) {
        const char* name = reinterpret_cast<const char*>(table[i].name);
        printf("%s{\"name\":", i == 0 ? "" : ",");
        printJsonString(name, static_cast<uint32_t>(strlen(name)));
        printf(",\"function_data\":%s,\"function\":\"%p\"}", table[i].functionData == NULL ? "null" : "\"set\"",
               reinterpret_cast<void*>(table[i].function));
    }
    fputs("]}", stdout);
}

// Two contexts, as an application that opens two would get them; the first table
// is printed after the second context exists.
int listTables(Extension* extension) {
    uint32_t firstCount, secondCount;
    const FRENamedFunction* first;
    const FRENamedFunction* second;
    FREContext firstContext = newContext(extension, 1, &firstCount, &first);
    FREContext secondContext = newContext(extension, 2, &secondCount, &second);
    extension->contextFinalizer(secondContext);
    fputs("{\"contexts\":[", stdout);
    printTable(firstCount, first);
    putchar(',');
    printTable(secondCount, second);
    fputs("]}\n", stdout);
    unload(extension, firstContext);
    return 0;
}

FREFunction findFunction(uint32_t count, const FRENamedFunction* table, const wchar_t* name) {
    char* wanted = toUtf8(name);
    FREFunction found = NULL;
    for (uint32_t i = 0; wanted != NULL && i < count && table != NULL; i++) {
        if (strcmp(reinterpret_cast<const char*>(table[i].name), wanted) == 0) found = table[i].function;
    }
    free(wanted);
    return found;
}

// Calls one named function, repeat times, and prints its last answer; with
// timing, the time per call goes to standard error.
int callFunction(Extension* extension, const wchar_t* name, int argumentCount, wchar_t** argumentTexts,
                 long repeat, bool timing) {
    uint32_t count;
    const FRENamedFunction* table;
    FREContext context = newContext(extension, 1, &count, &table);
    FREFunction function = findFunction(count, table, name);
    if (function == NULL) {
        fwprintf(stderr, L"tovrane-call: no function named %ls\n", name);
        return 4;
    }
    FREObject* arguments = static_cast<FREObject*>(calloc(argumentCount + 1, sizeof(FREObject)));
    for (int i = 0; i < argumentCount; i++) {
        arguments[i] = makeArgument(argumentTexts[i]);
        if (arguments[i] == NULL) {
            fwprintf(stderr, L"tovrane-call: not an argument: %ls\n", argumentTexts[i]);
            return 2;
        }
    }
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    FREObject answer = NULL;
    for (long i = 0; i < repeat; i++) {
        if (answer != NULL) airDoubleRelease(answer);
        answer = function(context, NULL, static_cast<uint32_t>(argumentCount), arguments);
    }
    QueryPerformanceCounter(&end);
    printAnswer(answer);
    putchar('\n');
    if (timing) fprintf(stderr, "%.1f ns per call\n", nanosecondsPerCall(start, end, repeat));
    airDoubleRelease(answer);
    for (int i = 0; i < argumentCount; i++) airDoubleRelease(arguments[i]);
    free(arguments);
    unload(extension, context);
    return 0;
}

// The buffers and flags are the library's own, so that the two loops ask Windows
// for the same work. A call that fails still counts: the library's does too.
bool bareComputerName(const wchar_t*, const wchar_t*, int) {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD nameSize = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &nameSize) != 0;
}

bool bareExecutablePath(const wchar_t*, const wchar_t*, int) {
    WCHAR path[MAX_PATH];
    return GetModuleFileNameW(NULL, path, MAX_PATH) != 0;
}

bool bareSpecialFolder(const wchar_t*, const wchar_t*, int folder) {
    WCHAR path[MAX_PATH];
    return SHGetSpecialFolderPathW(NULL, path, folder, FALSE) != 0;
}

// The 64-bit view only, which is all the library reads when the value is there.
bool bareRegistryRead(const wchar_t* keyPath, const wchar_t* valueName, int) {
    WCHAR value[4096];
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD valueType = REG_NONE;
    DWORD valueSize = sizeof value;
    LONG status = RegQueryValueExW(key, valueName, NULL, &valueType, reinterpret_cast<BYTE*>(value), &valueSize);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

const wchar_t* textArgument(int argumentCount, wchar_t** arguments, int index) {
    if (index >= argumentCount || wcsncmp(arguments[index], L"str:", 4) != 0) return L"";
    return arguments[index] + 4;
}

int bareCalls(long repeat, const wchar_t* name, int argumentCount, wchar_t** arguments) {
    bool (*call)(const wchar_t*, const wchar_t*, int) = NULL;
    if (wcscmp(name, L"getComputerName") == 0) call = bareComputerName;
    if (wcscmp(name, L"getModuleFileName") == 0) call = bareExecutablePath;
    if (wcscmp(name, L"getSpecialFolder") == 0) call = bareSpecialFolder;
    if (wcscmp(name, L"readRegString") == 0) call = bareRegistryRead;
    if (call == NULL) {
        fwprintf(stderr, L"tovrane-call: no function named %ls\n", name);
        return 4;
    }
    int folder = argumentCount > 0 && wcsncmp(arguments[0], L"int:", 4) == 0
                     ? static_cast<int>(wcstol(arguments[0] + 4, NULL, 0))
                     : 0;
    const wchar_t* keyPath = textArgument(argumentCount, arguments, 0);
    const wchar_t* valueName = textArgument(argumentCount, arguments, 1);
    long failures = 0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (long i = 0; i < repeat; i++) {
        if (!call(keyPath, valueName, folder)) failures++;
    }
    QueryPerformanceCounter(&end);
    printf("{\"calls\":%ld,\"failures\":%ld}\n", repeat, failures);
    fprintf(stderr, "%.1f ns per call\n", nanosecondsPerCall(start, end, repeat));
    return 0;
}

// WaitForMultipleObjects waits for at most MAXIMUM_WAIT_OBJECTS (64) handles.
const int maximumStressThreads = MAXIMUM_WAIT_OBJECTS;

struct StressWork {
    FREContext context;
    const FRENamedFunction* table;
    FREObject arguments[4][2];
    uint32_t argumentCounts[4];
    char* expected[4];
    long count;
    long mismatches;
};

bool sameAnswer(FREObject answer, const char* expected) {
    const char* text;
    uint32_t length;
    if (!airDoubleStringOf(answer, &text, &length)) return expected == NULL;
    return expected != NULL && strlen(expected) == length && memcmp(text, expected, length) == 0;
}

DWORD WINAPI stressThread(void* parameter) {
    StressWork* work = static_cast<StressWork*>(parameter);
    long mismatches = 0;
    for (long i = 0; i < work->count; i++) {
        for (int f = 0; f < 4; f++) {
            FREObject answer =
                work->table[f].function(work->context, NULL, work->argumentCounts[f], work->arguments[f]);
            if (!sameAnswer(answer, work->expected[f])) mismatches++;
            airDoubleRelease(answer);
        }
    }
    InterlockedExchangeAdd(&work->mismatches, mismatches);
    return 0;
}

SIZE_T privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters;
    memset(&counters, 0, sizeof counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    // Wine leaves PrivateUsage at 0; the page-file charge is the same commit count.
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

int stress(Extension* extension, int threadCount, long count, const wchar_t* key, const wchar_t* name) {
    uint32_t functionCount;
    StressWork work;
    memset(&work, 0, sizeof work);
    work.context = newContext(extension, 1, &functionCount, &work.table);
    if (functionCount != 4) return 4;
    char* keyText = toUtf8(key);
    char* nameText = toUtf8(name);
    for (int f = 0; f < 4; f++) {
        const char* functionName = reinterpret_cast<const char*>(work.table[f].name);
        if (strcmp(functionName, "getSpecialFolder") == 0) {
            work.arguments[f][0] = airDoubleInt32(0x1A);
            work.argumentCounts[f] = 1;
        } else if (strcmp(functionName, "readRegString") == 0) {
            work.arguments[f][0] = airDoubleString(keyText, static_cast<uint32_t>(strlen(keyText)));
            work.arguments[f][1] = airDoubleString(nameText, static_cast<uint32_t>(strlen(nameText)));
            work.argumentCounts[f] = 2;
        }
        // The single-threaded answer, and a warm-up of whatever Windows caches.
        FREObject answer = work.table[f].function(work.context, NULL, work.argumentCounts[f], work.arguments[f]);
        const char* text;
        uint32_t length;
        if (airDoubleStringOf(answer, &text, &length)) {
            work.expected[f] = static_cast<char*>(malloc(length + 1));
            memcpy(work.expected[f], text, length);
            work.expected[f][length] = 0;
        }
        airDoubleRelease(answer);
    }
    HANDLE threads[maximumStressThreads];
    // Two rounds: a short first one grows the heaps and thread structures to their
    // working size; what the measured second one adds is what the calls keep.
    const long warmUpCount = count < 1000 ? count : 1000;
    SIZE_T before = 0;
    for (int round = 0; round < 2; round++) {
        work.count = round == 0 ? warmUpCount : count;
        before = privateBytes();
        int started = 0;
        DWORD startError = 0;
        while (started < threadCount) {
            threads[started] = CreateThread(NULL, 0, stressThread, &work, 0, NULL);
            if (threads[started] == NULL) {
                startError = GetLastError();
                break;
            }
            started++;
        }
        if (started > 0) WaitForMultipleObjects(static_cast<DWORD>(started), threads, TRUE, INFINITE);
        for (int t = 0; t < started; t++) CloseHandle(threads[t]);
        if (started < threadCount) {
            fprintf(stderr, "tovrane-call: thread %d could not be started (error %lu)\n", started + 1,
                    startError);
            return 5;
        }
    }
    SIZE_T after = privateBytes();
    printf("{\"calls\":%lld,\"mismatches\":%ld,\"private_before\":%llu,\"private_after\":%llu}\n",
           static_cast<long long>(threadCount) * (warmUpCount + count) * 4, work.mismatches,
           static_cast<unsigned long long>(before), static_cast<unsigned long long>(after));
    free(keyText);
    free(nameText);
    unload(extension, work.context);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    const wchar_t* library = L"Tovrane.dll";
    int next = 1;
    if (next + 1 < argc && wcscmp(argv[next], L"--library") == 0) {
        library = argv[next + 1];
        next += 2;
    }
    if (next >= argc) return usage();
    Extension extension;
    if (wcscmp(argv[next], L"list") == 0 && next + 1 == argc) {
        return load(library, &extension) ? listTables(&extension) : 3;
    }
    if (wcscmp(argv[next], L"call") == 0 && next + 1 < argc) {
        if (!load(library, &extension)) return 3;
        return callFunction(&extension, argv[next + 1], argc - next - 2, argv + next + 2, 1, false);
    }
    if (wcscmp(argv[next], L"repeat") == 0 && next + 2 < argc) {
        long repeat = wcstol(argv[next + 1], NULL, 10);
        if (repeat < 1) return usage();
        if (!load(library, &extension)) return 3;
        return callFunction(&extension, argv[next + 2], argc - next - 3, argv + next + 3, repeat, true);
    }
    if (wcscmp(argv[next], L"bare") == 0 && next + 2 < argc) {
        long repeat = wcstol(argv[next + 1], NULL, 10);
        if (repeat < 1) return usage();
        return bareCalls(repeat, argv[next + 2], argc - next - 3, argv + next + 3);
    }
    if (wcscmp(argv[next], L"stress") == 0 && next + 4 < argc) {
        long threadCount = wcstol(argv[next + 1], NULL, 10);
        long count = wcstol(argv[next + 2], NULL, 10);
        if (threadCount < 1 || threadCount > maximumStressThreads || count < 1) return usage();
        if (!load(library, &extension)) return 3;
        return stress(&extension, static_cast<int>(threadCount), count, argv[next + 3], argv[next + 4]);
    }
    return usage();
}
