#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "../../nativelib/Lanroster/adapter_report.h"
#include "../doubles/heap_ledger.h"

// The numeric conversion, doubled: an address's "socket address" is the text to
// write, and a negative length a conversion that fails without writing. Each call
// notes whether the buffer came cleared and at the size the program owns.
namespace {
int conversionsGivenDirtyBuffer = 0;
}

void formatNumericHost(const AdapterAddress* address, char* host, size_t hostSize) {
    for (size_t i = 0; i < hostSize; i++) {
        if (host[i] != 0) {
            conversionsGivenDirtyBuffer++;
            break;
        }
    }
    EXPECT_EQ(hostSize, 512u);
    if (address->length < 0) return;
    strcpy(host, static_cast<const char*>(address->socketAddress));
}

namespace {

AdapterAddress text(const char* address) { return {address, 28}; }
const AdapterAddress failed = {"2001:db8::dead", -1};

struct Adapter {
    std::string name;
    std::vector<unsigned char> hardware;
    std::vector<AdapterAddress> addresses;
};

std::string compose(const std::vector<Adapter>& adapters) {
    std::vector<AdapterRecord> records;
    for (const Adapter& adapter : adapters) {
        AdapterRecord record = {};
        record.name = adapter.name.c_str();
        for (size_t i = 0; i < adapter.hardware.size(); i++) record.hardwareAddress[i] = adapter.hardware[i];
        record.hardwareAddressLength = static_cast<unsigned>(adapter.hardware.size());
        record.addresses = adapter.addresses.data();
        record.addressCount = adapter.addresses.size();
        records.push_back(record);
    }
    ReportText report = {nullptr, 0, 0, false};
    EXPECT_TRUE(composeAdapterReport(records.data(), records.size(), &report));
    std::string document(report.bytes, report.length);
    releaseReportText(&report);
    return document;
}

TEST(AdapterReport, WorkedExampleByteForByte) {
    conversionsGivenDirtyBuffer = 0;
    std::string document = compose({
        {"{3C1A6E2F-7B40-4D95-A1C8-5E0F92B4D731}", {0x00, 0x00, 0x5E, 0x00, 0x53, 0x01},
         {text("2001:db8:10:1::2a"), text("fe80::200:5eff:fe00:5301%12")}},
        {"{8F25D0B6-14C3-4A7E-9D62-0B7E3F18C5A4}", {}, {text("::1")}},
        {"{D47B2A90-6E31-4F0C-B8A5-2C9D71E6F038}", {0x00, 0x00, 0x5E, 0x00, 0x53, 0x02}, {}},
    });
    EXPECT_EQ(document,
              "[{\"adapter_name\":\"{3C1A6E2F-7B40-4D95-A1C8-5E0F92B4D731}\",\"physical_address\":"
              "\"00-00-5E-00-53-01\",\"address\":[\"2001:db8:10:1::2a\",\"fe80::200:5eff:fe00:"
              "5301%12\"]},{\"adapter_name\":\"{8F25D0B6-14C3-4A7E-9D62-0B7E3F18C5A4}\",\"address\":"
              "[\"::1\"]},{\"adapter_name\":\"{D47B2A90-6E31-4F0C-B8A5-2C9D71E6F038}\",\"physical_"
              "address\":\"00-00-5E-00-53-02\"}]");
    EXPECT_EQ(conversionsGivenDirtyBuffer, 0);
}

TEST(AdapterReport, WriterCases) {
    const struct {
        const char* name;
        std::vector<Adapter> adapters;
        const char* document;
    } cases[] = {
        {"no adapters", {}, "[]"},
        {"name only", {{"n", {}, {}}}, "[{\"adapter_name\":\"n\"}]"},
        {"name and hardware", {{"n", {0x01, 0x02, 0x03, 0x04, 0x05, 0x06}, {}}},
         "[{\"adapter_name\":\"n\",\"physical_address\":\"01-02-03-04-05-06\"}]"},
        {"name and one address", {{"n", {}, {text("::1")}}}, "[{\"adapter_name\":\"n\",\"address\":[\"::1\"]}]"},
        {"all members, several addresses", {{"n", {0xAB}, {text("a"), text("b"), text("c")}}},
         "[{\"adapter_name\":\"n\",\"physical_address\":\"AB\",\"address\":[\"a\",\"b\",\"c\"]}]"},
        {"eight hardware bytes", {{"n", {0, 1, 0x2c, 0xff, 0x10, 0xab, 0xcd, 0xef}, {}}},
         "[{\"adapter_name\":\"n\",\"physical_address\":\"00-01-2C-FF-10-AB-CD-EF\"}]"},
        {"failed conversion is an empty string between commas", {{"n", {}, {text("a"), failed, text("b")}}},
         "[{\"adapter_name\":\"n\",\"address\":[\"a\",\"\",\"b\"]}]"},
        {"later adapters introduced by a comma", {{"a", {}, {}}, {"b", {}, {}}, {"c", {}, {}}},
         "[{\"adapter_name\":\"a\"},{\"adapter_name\":\"b\"},{\"adapter_name\":\"c\"}]"},
        {"quote and backslash escaped", {{"a\"b", {}, {}}, {"c\\d", {}, {}}},
         "[{\"adapter_name\":\"a\\\"b\"},{\"adapter_name\":\"c\\\\d\"}]"},
        {"control bytes as \\u00xx", {{"t\tn\n\x1f", {}, {}}},
         "[{\"adapter_name\":\"t\\u0009n\\u000a\\u001f\"}]"},
        {"invalid UTF-8 bytes replaced one by one", {{"a\xff" "b\xc3(\xe6\x97", {}, {}}},
         "[{\"adapter_name\":\"a\\ufffdb\\ufffd(\\ufffd\\ufffd\"}]"},
        {"overlong and surrogate forms are invalid", {{"\xc0\xaf\xed\xa0\x80", {}, {}}},
         "[{\"adapter_name\":\"\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\"}]"},
        {"valid multi-byte UTF-8 unchanged", {{"caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x98\x80", {}, {}}},
         "[{\"adapter_name\":\"caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x98\x80\"}]"},
        {"address text escaped too", {{"n", {}, {text("fe80::1%a\"b")}}},
         "[{\"adapter_name\":\"n\",\"address\":[\"fe80::1%a\\\"b\"]}]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(compose(c.adapters), c.document);
    }
}

TEST(AdapterReport, HeapThatRunsOutFailsTheDocument) {
    AdapterRecord record = {};
    record.name = "n";
    heapLedgerReset();
    heapLedgerRefuse(1);
    ReportText report = {nullptr, 0, 0, false};
    EXPECT_FALSE(composeAdapterReport(&record, 1, &report));
    releaseReportText(&report);
    EXPECT_EQ(heapLedgerLiveBlocks(), 0u);
    heapLedgerReset();
}

TEST(AdapterReport, LongDocumentGrowsItsBuffer) {
    std::vector<Adapter> adapters(300, Adapter{std::string(15, 'x'), {1, 2, 3, 4, 5, 6}, {text("2001:db8::1")}});
    std::string document = compose(adapters);
    const std::string one = "{\"adapter_name\":\"xxxxxxxxxxxxxxx\",\"physical_address\":\"01-02-03-04-05-06\","
                            "\"address\":[\"2001:db8::1\"]}";
    EXPECT_EQ(document.size(), 2 + 300 * one.size() + 299);
    EXPECT_EQ(document.substr(0, one.size() + 1), "[" + one);
    EXPECT_EQ(document.back(), ']');
}

}  // namespace
