// The JSON writer over arbitrary adapter records: names of any bytes, 0 to 8
// hardware bytes, 0 to 20 addresses whose conversion fails at random. The output
// must be one valid JSON document, checked by a strict validator here, whose
// adapter names decode back to the input with each invalid byte as U+FFFD.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "../../nativelib/Lanroster/adapter_report.h"
#include "../doubles/utf.h"

// The conversion: the address's bytes are its text; a negative length fails it.
void formatNumericHost(const AdapterAddress* address, char* host, size_t hostSize) {
    if (address->length < 0) return;
    size_t length = static_cast<size_t>(address->length) < hostSize - 1 ? static_cast<size_t>(address->length) : hostSize - 1;
    memcpy(host, address->socketAddress, length);
}

namespace {

// A strict JSON parser of the values the report holds: arrays, objects, strings.
struct Parser {
    const std::string& text;
    size_t at = 0;
    std::vector<std::string> names;  // the "adapter_name" values, decoded

    bool literal(char c) {
        if (at < text.size() && text[at] == c) { at++; return true; }
        return false;
    }
    bool hex4(unsigned* value) {
        *value = 0;
        for (int i = 0; i < 4; i++) {
            if (at >= text.size() || !isxdigit(static_cast<unsigned char>(text[at]))) return false;
            char c = text[at++];
            *value = *value * 16 + static_cast<unsigned>(isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return true;
    }
    bool string(std::string* decoded) {
        if (!literal('"')) return false;
        size_t start = at;
        while (at < text.size() && text[at] != '"') {
            unsigned char c = static_cast<unsigned char>(text[at]);
            if (c < 0x20) return false;
            if (c == '\\') {
                at++;
                if (at >= text.size()) return false;
                char e = text[at++];
                if (e == '"' || e == '\\' || e == '/') decoded->push_back(e);
                else if (e == 'u') {
                    unsigned value;
                    if (!hex4(&value) || (value >= 0xD800 && value <= 0xDFFF)) return false;
                    std::u16string unit(1, static_cast<char16_t>(value));
                    *decoded += utf16ToUtf8(unit);
                } else return false;
            } else {
                decoded->push_back(static_cast<char>(c));
                at++;
            }
        }
        if (!isValidUtf8(text.substr(start, at - start))) return false;
        return literal('"');
    }
    bool value() {
        if (at < text.size() && text[at] == '"') { std::string ignored; return string(&ignored); }
        if (literal('[')) {
            if (literal(']')) return true;
            do { if (!value()) return false; } while (literal(','));
            return literal(']');
        }
        if (literal('{')) {
            if (literal('}')) return true;
            do {
                std::string key, member;
                if (!string(&key) || !literal(':')) return false;
                if (key == "adapter_name") {
                    if (!string(&member)) return false;
                    names.push_back(member);
                } else if (!value()) return false;
            } while (literal(','));
            return literal('}');
        }
        return false;
    }
};

// The input as the document must give it back: each byte outside well-formed
// UTF-8 as U+FFFD.
std::string replaced(const std::string& bytes) {
    std::u16string wide;
    utf8ToUtf16(bytes, false, &wide);
    return utf16ToUtf8(wide);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t at = 0;
    auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
    auto take = [&](size_t count) {
        std::string taken;
        while (count-- > 0 && at < size) {
            char c = static_cast<char>(data[at++]);
            if (c != 0) taken.push_back(c);
        }
        return taken;
    };
    size_t adapterCount = byte() % 9;
    std::vector<std::string> names(adapterCount);
    std::vector<std::vector<std::string>> texts(adapterCount);
    std::vector<std::vector<AdapterAddress>> addresses(adapterCount);
    std::vector<AdapterRecord> records(adapterCount);
    for (size_t a = 0; a < adapterCount; a++) {
        names[a] = take(byte() % 40);
        AdapterRecord& record = records[a];
        memset(&record, 0, sizeof record);
        record.hardwareAddressLength = byte() % 9;
        for (unsigned i = 0; i < record.hardwareAddressLength; i++) record.hardwareAddress[i] = byte();
        size_t addressCount = byte() % 21;
        for (size_t i = 0; i < addressCount; i++) texts[a].push_back(take(byte() % 48));
        for (size_t i = 0; i < addressCount; i++) {
            bool fails = byte() & 1;
            addresses[a].push_back({texts[a][i].c_str(), fails ? -1 : static_cast<int>(texts[a][i].size())});
        }
    }
    for (size_t a = 0; a < adapterCount; a++) {
        records[a].name = names[a].c_str();
        records[a].addresses = addresses[a].data();
        records[a].addressCount = addresses[a].size();
    }
    ReportText report = {nullptr, 0, 0, false};
    if (!composeAdapterReport(records.data(), records.size(), &report)) abort();
    std::string document(report.bytes, report.length);
    releaseReportText(&report);

    Parser parser{document, 0, {}};
    if (!parser.value() || parser.at != document.size()) abort();
    if (parser.names.size() != adapterCount) abort();
    for (size_t a = 0; a < adapterCount; a++) {
        if (parser.names[a] != replaced(names[a])) abort();
    }
    return 0;
}
