// Eight threads calling all four named functions through one context's table:
// every answer equals the single-threaded one. Run under ThreadSanitizer by the
// tsan preset, which also sees any state the calls share.
#include <stdlib.h>

#include <string>
#include <thread>
#include <vector>

#include "library_fixture.h"

namespace {

using LibraryThreads = LibraryTest;

const int threadCount = 8;
const int callsPerThread = 100000;

TEST_F(LibraryThreads, ConcurrentCallsGiveTheSingleThreadedAnswers) {
    windowsSetComputerName(u"THREADHOST");
    windowsSetModulePath(u"C:\\App\\caf\u00e9.exe");
    windowsSetSpecialFolder(0x1A, u"C:\\Users\\u\\AppData\\Roaming");
    registrySetString(View::Bits32, u"SOFTWARE\\V", u"N", u"\u65e5\u672c");
    uint32_t count = 0;
    const FRENamedFunction* table = nullptr;
    contextInitializer(nullptr, nullptr, nullptr, &count, &table);
    ASSERT_EQ(count, 4u);
    FREObject folder = runtimeInt32(0x1A);
    FREObject key = runtimeString("SOFTWARE\\V");
    FREObject name = runtimeString("N");
    FREObject arguments[4][2] = {{folder, nullptr}, {key, name}, {nullptr, nullptr}, {nullptr, nullptr}};
    const uint32_t argumentCounts[4] = {1, 2, 0, 0};
    std::string expected[4];
    for (int f = 0; f < 4; f++) {
        expected[f] = runtimeText(table[f].function(nullptr, nullptr, argumentCounts[f], arguments[f]));
    }
    EXPECT_EQ(expected[2], "THREADHOST");

    std::vector<int> mismatches(threadCount, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; t++) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < callsPerThread; i++) {
                for (int f = 0; f < 4; f++) {
                    FREObject answer = table[f].function(nullptr, nullptr, argumentCounts[f], arguments[f]);
                    if (!runtimeIsString(answer) || runtimeText(answer) != expected[f]) mismatches[t]++;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < threadCount; t++) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
    free(const_cast<FRENamedFunction*>(table));
}

}  // namespace
