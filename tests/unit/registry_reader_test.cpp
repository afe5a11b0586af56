#include <string>

#include "library_fixture.h"
#include "../doubles/utf.h"

namespace {

const uint64_t view64 = 0x20119;
const uint64_t view32 = 0x20219;
const std::u16string key = u"SOFTWARE\\Vendor\\App";

class RegistryReader : public LibraryTest {
protected:
    FREObject read(const std::string& keyPath, const std::string& valueName) {
        return call(readRegString, {runtimeString(keyPath), runtimeString(valueName)});
    }
    // The masks of the keys opened, in order.
    static std::vector<uint64_t> viewsOpened() {
        std::vector<uint64_t> masks;
        for (const CallRecord& r : callsOf(Call::RegOpen)) masks.push_back(r.number);
        return masks;
    }
    static bool registryTouched() {
        return !callsOf(Call::RegOpen).empty() || !callsOf(Call::RegQuery).empty();
    }
};

TEST_F(RegistryReader, ArgumentsThatGiveNoTextAnswerNullWithoutTouchingTheRegistry) {
    registrySetString(View::Bits64, key, u"Name", u"value");
    struct Case {
        const char* name;
        std::vector<FREObject> arguments;
        size_t reads;
    };
    FREObject refused = runtimeString("SOFTWARE\\Vendor\\App");
    runtimeRefuseReads(refused);
    FREObject nullText = runtimeString("Name");
    runtimeLendNullText(nullText);
    const Case cases[] = {
        {"no argument", {}, 0},
        {"one argument", {runtimeString("SOFTWARE\\Vendor\\App")}, 0},
        {"key path refused, value name still read", {refused, runtimeString("Name")}, 2},
        {"value name refused", {runtimeString("SOFTWARE\\Vendor\\App"), refused}, 2},
        {"FRE_OK with a null text", {runtimeString("SOFTWARE\\Vendor\\App"), nullText}, 2},
        {"number argument", {runtimeInt32(3), runtimeString("Name")}, 2},
        {"script null", {runtimeString("SOFTWARE\\Vendor\\App"), runtimeNull()}, 2},
        {"key path not UTF-8", {runtimeString("SOFTWARE\\\xC3("), runtimeString("Name")}, 2},
        {"value name not UTF-8", {runtimeString("SOFTWARE\\Vendor\\App"), runtimeString("\xED\xA0\x80")}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        callLog().clear();
        EXPECT_EQ(call(readRegString, c.arguments), nullptr);
        auto reads = callsOf(Call::ReadUtf8);
        ASSERT_EQ(reads.size(), c.reads);
        for (size_t i = 0; i < reads.size(); i++) EXPECT_EQ(reads[i].object, c.arguments[i]);
        EXPECT_FALSE(registryTouched());
        EXPECT_TRUE(callsOf(Call::NewString).empty());
    }
}

TEST_F(RegistryReader, ThirdArgumentIsIgnored) {
    registrySetString(View::Bits64, key, u"Name", u"value");
    FREObject answer = call(readRegString, {runtimeString("SOFTWARE\\Vendor\\App"),
                                            runtimeString("Name"), runtimeString("other")});
    EXPECT_EQ(runtimeText(answer), "value");
    EXPECT_EQ(callsOf(Call::ReadUtf8).size(), 2u);
}

TEST_F(RegistryReader, SixtyFourBitViewFirstThenThirtyTwo) {
    struct Case {
        const char* name;
        void (*seed)();
        const char* answer;  // nullptr: the null object
        std::vector<uint64_t> views;
    } cases[] = {
        {"both views differ: 64 wins",
         [] {
             registrySetString(View::Bits64, key, u"Name", u"sixty-four");
             registrySetString(View::Bits32, key, u"Name", u"thirty-two");
         },
         "sixty-four", {view64}},
        {"only in the 32-bit view", [] { registrySetString(View::Bits32, key, u"Name", u"thirty-two"); },
         "thirty-two", {view64, view32}},
        {"key in both, value only in 32",
         [] {
             registryAddKey(View::Bits64, key);
             registrySetString(View::Bits32, key, u"Name", u"thirty-two");
         },
         "thirty-two", {view64, view32}},
        {"empty string in 64 is an answer",
         [] {
             registrySetString(View::Bits64, key, u"Name", u"");
             registrySetString(View::Bits32, key, u"Name", u"thirty-two");
         },
         "", {view64}},
        {"in neither view", [] { registryAddKey(View::Bits32, key); }, nullptr, {view64, view32}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windowsReset();
        runtimeReset();
        c.seed();
        FREObject answer = read("SOFTWARE\\Vendor\\App", "Name");
        EXPECT_EQ(viewsOpened(), c.views);
        if (c.answer == nullptr) {
            EXPECT_EQ(answer, nullptr);
            EXPECT_TRUE(callsOf(Call::NewString).empty());
        } else {
            ASSERT_TRUE(runtimeIsString(answer));
            EXPECT_EQ(runtimeText(answer), c.answer);
            // the count leaves the terminating zero out
            EXPECT_EQ(callsOf(Call::NewString).back().number, strlen(c.answer));
        }
    }
}

TEST_F(RegistryReader, KeyIsClosedBeforeTheAnswerIsMadeInEachView) {
    registryAddKey(View::Bits64, key);
    registrySetString(View::Bits32, key, u"Name", u"v");
    read("SOFTWARE\\Vendor\\App", "Name");
    std::vector<Call> order;
    for (const CallRecord& r : callLog()) {
        if (r.call == Call::RegOpen || r.call == Call::RegQuery || r.call == Call::RegClose ||
            r.call == Call::NewString)
            order.push_back(r.call);
    }
    const std::vector<Call> expected = {Call::RegOpen, Call::RegQuery, Call::RegClose,
                                        Call::RegOpen, Call::RegQuery, Call::RegClose,
                                        Call::NewString};
    EXPECT_EQ(order, expected);
    auto queries = callsOf(Call::RegQuery);
    auto closes = callsOf(Call::RegClose);
    ASSERT_EQ(queries.size(), 2u);
    ASSERT_EQ(closes.size(), 2u);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(queries[i].number, 8192u) << "4096 UTF-16 units offered";
        EXPECT_EQ(closes[i].handle, queries[i].handle);
    }
}

TEST_F(RegistryReader, RuntimeThatMakesNoStringInSixtyFourFallsThroughTo32) {
    registrySetString(View::Bits64, key, u"Name", u"a");
    registrySetString(View::Bits32, key, u"Name", u"b");
    runtimeMakeNoStrings(true);
    EXPECT_EQ(read("SOFTWARE\\Vendor\\App", "Name"), nullptr);
    EXPECT_EQ(viewsOpened(), (std::vector<uint64_t>{view64, view32}));
    EXPECT_EQ(callsOf(Call::NewString).size(), 2u);
}

TEST_F(RegistryReader, ValueIsReadWholeOrNotAtAll) {
    const std::u16string fits(4095, u'x');
    const std::u16string tooLong(4096, u'y');
    struct Case {
        const char* name;
        std::u16string in64, in32;  // u"-" means absent
        const char* answer;
    } cases[] = {
        {"4095 units whole", fits, u"-", "fits"},
        {"4096 units falls through to 32", tooLong, u"short", "short"},
        {"4096 units in both views", tooLong, tooLong, nullptr},
        {"4096 units, absent in 32", tooLong, u"-", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windowsReset();
        runtimeReset();
        if (c.in64 != u"-") registrySetString(View::Bits64, key, u"Name", c.in64);
        if (c.in32 != u"-") registrySetString(View::Bits32, key, u"Name", c.in32);
        FREObject answer = read("SOFTWARE\\Vendor\\App", "Name");
        if (c.answer == nullptr) {
            EXPECT_EQ(answer, nullptr);
        } else if (std::string(c.answer) == "fits") {
            EXPECT_EQ(runtimeText(answer), std::string(4095, 'x'));
            EXPECT_EQ(callsOf(Call::NewString)[0].number, 4095u);
        } else {
            EXPECT_EQ(runtimeText(answer), c.answer);
        }
    }
}

TEST_F(RegistryReader, EveryTypeIsReadAsTextUpToTheFirstZero) {
    auto bytes = [](std::initializer_list<uint8_t> list) { return std::vector<uint8_t>(list); };
    std::u16string multi = u"first";
    multi.push_back(0);
    multi += u"second";
    multi.push_back(0);
    std::vector<uint8_t> fullNoTerminator = utf16Bytes(std::u16string(4096, u'z'), false);
    struct Case {
        const char* name;
        DWORD type;
        std::vector<uint8_t> data;
        std::string answer;
    } cases[] = {
        {"REG_MULTI_SZ gives its first string", REG_MULTI_SZ, utf16Bytes(multi, true), "first"},
        {"REG_EXPAND_SZ unexpanded", REG_EXPAND_SZ, utf16Bytes(u"%SystemRoot%\\x", true), "%SystemRoot%\\x"},
        {"REG_DWORD 0 is an empty string", REG_DWORD, bytes({0, 0, 0, 0}), ""},
        {"REG_DWORD as text", REG_DWORD, bytes({0x41, 0x00, 0x42, 0x00}), "AB"},
        {"string stored without terminator", REG_SZ, utf16Bytes(u"abc", false), "abc"},
        {"odd trailing byte ignored", REG_BINARY, bytes({0x41, 0x00, 0x42}), "A"},
        {"no terminator filling the buffer", REG_SZ, fullNoTerminator, std::string(4096, 'z')},
        {"empty data", REG_BINARY, bytes({}), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windowsReset();
        runtimeReset();
        registrySetValue(View::Bits64, key, u"Name", c.type, c.data);
        FREObject answer = read("SOFTWARE\\Vendor\\App", "Name");
        ASSERT_TRUE(runtimeIsString(answer));
        // the double fills what it does not write with 'X': none may show here
        EXPECT_EQ(runtimeText(answer), c.answer);
        EXPECT_EQ(callsOf(Call::NewString)[0].number, c.answer.size());
    }
}

TEST_F(RegistryReader, NamesAndValuesRoundTripAsUnicode) {
    struct Case {
        const char* name;
        std::string keyPath, valueName, value;
    } cases[] = {
        {"e acute", "SOFTWARE\\Caf\xC3\xA9", "n\xC3\xA9", "caf\xC3\xA9"},
        {"CJK", "SOFTWARE\\\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"outside the BMP", "SOFTWARE\\\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "a\xF0\x9F\x98\x80" "b"},
        {"empty key path and value name", "", "", "default"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windowsReset();
        runtimeReset();
        std::u16string keyPath, valueName, value;
        ASSERT_TRUE(utf8ToUtf16(c.keyPath, true, &keyPath));
        ASSERT_TRUE(utf8ToUtf16(c.valueName, true, &valueName));
        ASSERT_TRUE(utf8ToUtf16(c.value, true, &value));
        registrySetString(View::Bits32, keyPath, valueName, value);
        FREObject answer = read(c.keyPath, c.valueName);
        ASSERT_TRUE(runtimeIsString(answer));
        EXPECT_EQ(runtimeText(answer), c.value);
        EXPECT_EQ(callsOf(Call::NewString)[0].number, c.value.size());
        auto opens = callsOf(Call::RegOpen);
        ASSERT_EQ(opens.size(), 2u);
        EXPECT_EQ(opens[0].text, c.keyPath);
        EXPECT_EQ(callsOf(Call::RegQuery)[0].text, c.valueName);
    }
}

TEST_F(RegistryReader, UnpairedSurrogateInValueBecomesReplacementCharacter) {
    std::u16string value = u"a";
    value.push_back(u'\xDC00');
    registrySetString(View::Bits64, key, u"Name", value);
    std::string text = runtimeText(read("SOFTWARE\\Vendor\\App", "Name"));
    EXPECT_EQ(text, "a\xEF\xBF\xBD");
    EXPECT_TRUE(isValidUtf8(text));
}

TEST_F(RegistryReader, HeapWithoutRoomForNamesAnswersNull) {
    registrySetString(View::Bits64, key, u"Name", u"v");
    for (size_t refused = 1; refused <= 2; refused++) {
        SCOPED_TRACE(refused);
        heapLedgerReset();
        callLog().clear();
        heapLedgerRefuse(refused);
        EXPECT_EQ(read("SOFTWARE\\Vendor\\App", "Name"), nullptr);
        EXPECT_FALSE(registryTouched());
        EXPECT_EQ(heapLedgerLiveBlocks(), 0u);
    }
}

}  // namespace
