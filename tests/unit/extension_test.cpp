#include <stdlib.h>
#include <string.h>

#include <string>

#include "library_fixture.h"

namespace {

// The library never releases a table; the test gives back the ones it was handed,
// as the end of the process would, so that the ledger and the leak checker see
// only what the library itself leaves behind.
class Extension : public LibraryTest {
protected:
    const FRENamedFunction* newTable(uint32_t* count) {
        const FRENamedFunction* table = nullptr;
        contextInitializer(nullptr, nullptr, nullptr, count, &table);
        tables.push_back(table);
        return table;
    }
    void TearDown() override {
        for (const FRENamedFunction* table : tables) free(const_cast<FRENamedFunction*>(table));
        LibraryTest::TearDown();
    }
    std::vector<const FRENamedFunction*> tables;
};

void expectTheFourFunctions(uint32_t count, const FRENamedFunction* table) {
    ASSERT_EQ(count, 4u);
    ASSERT_NE(table, nullptr);
    const struct {
        const char* name;
        FREFunction function;
    } expected[] = {
        {"getSpecialFolder", getSpecialFolder},
        {"readRegString", readRegString},
        {"getComputerName", getComputerName},
        {"getModuleFileName", getModuleFileName},
    };
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_STREQ(reinterpret_cast<const char*>(table[i].name), expected[i].name);
        EXPECT_EQ(table[i].functionData, nullptr);
        EXPECT_EQ(table[i].function, expected[i].function);
    }
}

TEST_F(Extension, InitializerHandsBackContextInitializerAndTheOneFinalizer) {
    void* extensionData = reinterpret_cast<void*>(0x1);
    FREContextInitializer initializer = nullptr;
    FREContextFinalizer finalizer = nullptr;
    AneWin32TovraneExtensionInitializer(&extensionData, &initializer, &finalizer);
    EXPECT_EQ(extensionData, nullptr);
    EXPECT_EQ(initializer, contextInitializer);
    EXPECT_EQ(finalizer, AneWin32TovraneExtensionFinalizer);
    // null out parameters are not written through
    AneWin32TovraneExtensionInitializer(nullptr, nullptr, nullptr);
    AneWin32TovraneExtensionFinalizer(nullptr);
    AneWin32TovraneExtensionFinalizer(reinterpret_cast<void*>(0x1));
    finalizer(reinterpret_cast<FREContext>(0x2));
}

TEST_F(Extension, EachContextGetsATableOfItsOwnThatOutlivesTheContext) {
    uint32_t firstCount = 0, secondCount = 0;
    const FRENamedFunction* first = newTable(&firstCount);
    expectTheFourFunctions(firstCount, first);
    FRENamedFunction firstCopy[4];
    memcpy(firstCopy, first, sizeof firstCopy);

    // whatever extension data, context type and context it is given
    const FRENamedFunction* second = nullptr;
    contextInitializer(reinterpret_cast<void*>(0x10), reinterpret_cast<const uint8_t*>("type"),
                       reinterpret_cast<FREContext>(0x20), &secondCount, &second);
    tables.push_back(second);
    expectTheFourFunctions(secondCount, second);
    EXPECT_NE(first, second);
    AneWin32TovraneExtensionFinalizer(reinterpret_cast<FREContext>(0x20));
    EXPECT_EQ(memcmp(firstCopy, first, sizeof firstCopy), 0);
    EXPECT_EQ(heapLedgerLiveBlocks(), 2u);
}

TEST_F(Extension, TableCallsReachTheNamedFunctions) {
    windowsSetComputerName(u"TABLEHOST");
    uint32_t count = 0;
    const FRENamedFunction* table = newTable(&count);
    ASSERT_EQ(count, 4u);
    FREObject answer = table[2].function(nullptr, table[2].functionData, 0, nullptr);
    EXPECT_EQ(runtimeText(answer), "TABLEHOST");
}

TEST_F(Extension, HeapWithoutRoomForATableHandsBackAnEmptyOne) {
    heapLedgerRefuse(1);
    uint32_t count = 99;
    const FRENamedFunction* table = reinterpret_cast<const FRENamedFunction*>(0x1);
    contextInitializer(nullptr, nullptr, nullptr, &count, &table);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(table, nullptr);
}

}  // namespace
