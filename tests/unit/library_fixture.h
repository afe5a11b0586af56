// The common ground of the library's tests: a fresh runtime, machine and heap
// ledger for every test, and after every test the checks that hold for every call
// the library makes: each heap block given back and each registry key closed.
#ifndef TESTS_LIBRARY_FIXTURE_H
#define TESTS_LIBRARY_FIXTURE_H

#include <gtest/gtest.h>

#include <vector>

#include "../../nativelib/Tovrane/named_functions.h"
#include "../doubles/call_log.h"
#include "../doubles/heap_ledger.h"
#include "../doubles/runtime_double.h"
#include "../doubles/windows_double.h"

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtimeReset();
        windowsReset();
        heapLedgerReset();
    }
    void TearDown() override {
        EXPECT_EQ(heapLedgerLiveBlocks(), 0u) << "a heap block was not given back";
        EXPECT_EQ(registryOpenKeys(), 0u) << "a registry key was left open";
    }

    // Calls a named function with the given arguments, as the runtime does.
    static FREObject call(FREFunction function, std::vector<FREObject> arguments = {}) {
        return function(reinterpret_cast<FREContext>(0xC0), nullptr,
                        static_cast<uint32_t>(arguments.size()), arguments.data());
    }
};

#endif
