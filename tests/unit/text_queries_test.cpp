#include <string>

#include "library_fixture.h"

namespace {

using TextQueries = LibraryTest;

struct Conversion {
    const char* name;
    std::u16string wide;
    size_t scratchSize;
    uint32_t length;  // handed to the runtime: UTF-8 bytes and the zero byte
    std::string utf8;
};

TEST_F(TextQueries, WideTextBecomesRuntimeStringThroughSizedScratch) {
    const Conversion cases[] = {
        {"empty", u"", 4, 1, ""},
        {"two-byte character", u"\u00E9", 8, 3, "\xC3\xA9"},
        {"three-byte character", u"\u65E5", 8, 4, "\xE6\x97\xA5"},
        {"surrogate pair", u"\U0001F600", 12, 5, "\xF0\x9F\x98\x80"},
        {"unpaired surrogate replaced", std::u16string(1, u'\xD800') + u"a", 12, 5, "\xEF\xBF\xBD" "a"},
        {"ascii", u"C:\\Windows", 44, 11, "C:\\Windows"},
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(c.name);
        runtimeReset();
        heapLedgerReset();
        FREObject answer = wideToRuntimeString(c.wide.c_str());
        EXPECT_EQ(heapLedgerAllocationSizes(), std::vector<size_t>{c.scratchSize});
        EXPECT_EQ(heapLedgerLiveBlocks(), 0u);
        auto made = callsOf(Call::NewString);
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(made[0].number, c.length);
        EXPECT_EQ(made[0].text, c.utf8);
        ASSERT_TRUE(runtimeIsString(answer));
        EXPECT_EQ(runtimeText(answer), c.utf8);
        auto converted = callsOf(Call::WideToUtf8);
        ASSERT_EQ(converted.size(), 1u);
        EXPECT_EQ(converted[0].codePage, CP_UTF8);
        EXPECT_EQ(converted[0].flags, 0u);
        EXPECT_EQ(converted[0].detail, -1);
        EXPECT_EQ(converted[0].number, c.scratchSize);
    }
}

TEST_F(TextQueries, RuntimeThatMakesNoStringLeavesNullAndScratchIsGivenBack) {
    runtimeMakeNoStrings(true);
    EXPECT_EQ(call(getComputerName), nullptr);
    EXPECT_EQ(heapLedgerAllocationSizes().size(), 1u);
    // the fixture checks the block came back
}

TEST_F(TextQueries, HeapWithoutScratchStillAnswersEmptyString) {
    heapLedgerRefuse(1);
    FREObject answer = call(getModuleFileName);
    ASSERT_TRUE(runtimeIsString(answer));
    EXPECT_EQ(runtimeText(answer), "");
    auto made = callsOf(Call::NewString);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].number, 1u);
    EXPECT_TRUE(callsOf(Call::WideToUtf8).empty());
}

TEST_F(TextQueries, ComputerNameIsWholeOrEmpty) {
    struct Case {
        const char* name;
        bool fails;
        std::u16string computerName;
        std::string answer;
    } cases[] = {
        {"fifteen characters", false, u"ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNO"},
        {"non-ascii", false, u"R\u00C9SEAU", "R\xC3\x89SEAU"},
        {"sixteen characters never cut", false, u"ABCDEFGHIJKLMNOP", ""},
        {"failure", true, u"HOST", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtimeReset();
        windowsSetComputerName(c.computerName);
        if (c.fails) windowsFailComputerName();
        FREObject answer = call(getComputerName);
        ASSERT_TRUE(runtimeIsString(answer));
        EXPECT_EQ(runtimeText(answer), c.answer);
        EXPECT_EQ(callsOf(Call::NewString)[0].number, c.answer.size() + 1);
        auto asked = callsOf(Call::ComputerName);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].number, 16u);
        EXPECT_EQ(asked[0].detail, 1) << "buffer not cleared before the call";
    }
}

TEST_F(TextQueries, MachineQueriesIgnoreTheirArguments) {
    windowsSetComputerName(u"HOST");
    windowsSetModulePath(u"C:\\App\\app.exe");
    const std::vector<std::vector<FREObject>> argumentLists = {
        {}, {runtimeInt32(5)}, {runtimeString("x"), runtimeNull(), runtimeInt32(1)}};
    for (const auto& arguments : argumentLists) {
        EXPECT_EQ(runtimeText(call(getComputerName, arguments)), "HOST");
        EXPECT_EQ(runtimeText(call(getModuleFileName, arguments)), "C:\\App\\app.exe");
    }
    EXPECT_TRUE(callsOf(Call::ReadInt32).empty());
    EXPECT_TRUE(callsOf(Call::ReadUtf8).empty());
}

TEST_F(TextQueries, ModuleFileNameIsTheExecutablesPathCutAt259) {
    std::u16string exact(259, u'a');
    std::u16string longer(300, u'b');
    struct Case {
        const char* name;
        std::u16string path;
        bool fails;
        std::string answer;
    } cases[] = {
        {"259 characters whole", exact, false, std::string(259, 'a')},
        {"longer path cut", longer, false, std::string(259, 'b')},
        {"failure", u"C:\\x.exe", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtimeReset();
        windowsSetModulePath(c.path);
        if (c.fails) windowsFailModulePath();
        EXPECT_EQ(runtimeText(call(getModuleFileName)), c.answer);
        auto asked = callsOf(Call::ModuleFileName);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].number, 260u);
        EXPECT_EQ(asked[0].detail, 1) << "module handle must be NULL: the executable";
    }
}

TEST_F(TextQueries, SpecialFolderByIdentifier) {
    windowsSetSpecialFolder(0x1A, u"C:\\Users\\u\\AppData\\Roaming");
    windowsSetSpecialFolder(-5, u"C:\\odd");
    struct Case {
        const char* name;
        std::vector<FREObject> arguments;
        bool asksShell;
        std::string answer;
    } cases[] = {
        {"known folder", {runtimeInt32(0x1A)}, true, "C:\\Users\\u\\AppData\\Roaming"},
        {"extra arguments ignored", {runtimeInt32(0x1A), runtimeString("x"), runtimeNull()}, true,
         "C:\\Users\\u\\AppData\\Roaming"},
        {"identifier passed unchanged", {runtimeInt32(-5)}, true, "C:\\odd"},
        {"folder the shell does not give", {runtimeInt32(0x7777)}, true, ""},
        {"no argument", {}, false, ""},
        {"string argument", {runtimeString("26")}, false, ""},
        {"null argument", {runtimeNull()}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        callLog().clear();
        FREObject answer = call(getSpecialFolder, c.arguments);
        ASSERT_TRUE(runtimeIsString(answer));
        EXPECT_EQ(runtimeText(answer), c.answer);
        auto asked = callsOf(Call::SpecialFolder);
        ASSERT_EQ(asked.size(), c.asksShell ? 1u : 0u);
        if (c.asksShell) {
            EXPECT_EQ(asked[0].detail, 1) << "owner window must be NULL";
            EXPECT_EQ(asked[0].flags, 0u) << "must not ask for the folder to be created";
        }
    }
}

}  // namespace
