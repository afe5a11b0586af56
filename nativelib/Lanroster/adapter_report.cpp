// The JSON writer. The document's shape is fixed: one line, no whitespace, members
// in the order adapter name, hardware address, addresses, the optional ones left
// out when empty. Texts are escaped so that the document is always valid JSON,
// whatever bytes an interface name holds.
#include "adapter_report.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char hexDigits[] = "0123456789ABCDEF";
const char lowerHexDigits[] = "0123456789abcdef";

void append(ReportText* text, const char* bytes, size_t count) {
    if (text->outOfMemory) {
        return;
    }
    if (text->length + count > text->capacity) {
        size_t capacity = text->capacity == 0 ? 4096 : text->capacity;
        while (capacity < text->length + count) {
            capacity *= 2;
        }
        char* grown = static_cast<char*>(realloc(text->bytes, capacity));
        if (grown == NULL) {
            text->outOfMemory = true;
            return;
        }
        text->bytes = grown;
        text->capacity = capacity;
    }
    memcpy(text->bytes + text->length, bytes, count);
    text->length += count;
}

void appendLiteral(ReportText* text, const char* literal) { append(text, literal, strlen(literal)); }

// The length of the well-formed UTF-8 sequence at bytes, or 0 when the byte there
// starts none: no overlong forms, no surrogates, nothing above U+10FFFF.
size_t utf8SequenceLength(const unsigned char* bytes) {
    unsigned char lead = bytes[0];
    if (lead < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (bytes[1] < low || bytes[1] > high) return 0;  // the text's zero stops here too
    for (size_t i = 2; i < length; i++) {
        if ((bytes[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

// A JSON string's content: quote and backslash escaped, control bytes as \u00xx,
// each byte outside a well-formed UTF-8 sequence as U+FFFD, the rest unchanged.
void appendEscaped(ReportText* text, const char* value) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(value);
    size_t plainStart = 0, i = 0;
    while (bytes[i] != 0) {
        unsigned char byte = bytes[i];
        size_t sequence = byte >= 0x20 && byte != '"' && byte != '\\' ? utf8SequenceLength(bytes + i) : 0;
        if (sequence > 0) {
            i += sequence;
            continue;
        }
        append(text, value + plainStart, i - plainStart);
        if (byte == '"') {
            appendLiteral(text, "\\\"");
        } else if (byte == '\\') {
            appendLiteral(text, "\\\\");
        } else if (byte < 0x20) {
            char escape[] = {'\\', 'u', '0', '0', lowerHexDigits[byte >> 4], lowerHexDigits[byte & 0xF]};
            append(text, escape, sizeof escape);
        } else {
            appendLiteral(text, "\\ufffd");
        }
        i++;
        plainStart = i;
    }
    append(text, value + plainStart, i - plainStart);
}

void appendHardwareAddress(ReportText* text, const unsigned char* bytes, unsigned count) {
    char group[3] = {'-', 0, 0};
    for (unsigned i = 0; i < count; i++) {
        group[1] = hexDigits[bytes[i] >> 4];
        group[2] = hexDigits[bytes[i] & 0xF];
        // a hyphen joins the bytes, none before the first
        append(text, i == 0 ? group + 1 : group, i == 0 ? 2 : 3);
    }
}

}  // namespace

bool composeAdapterReport(const AdapterRecord* records, size_t count, ReportText* text) {
    char host[hostTextSize];
    appendLiteral(text, "[");
    for (size_t a = 0; a < count; a++) {
        const AdapterRecord* record = &records[a];
        appendLiteral(text, a == 0 ? "{\"adapter_name\":\"" : ",{\"adapter_name\":\"");
        appendEscaped(text, record->name);
        appendLiteral(text, "\"");
        // A count beyond the array is no hardware address the record can hold.
        if (record->hardwareAddressLength != 0 &&
            record->hardwareAddressLength <= sizeof record->hardwareAddress) {
            appendLiteral(text, ",\"physical_address\":\"");
            appendHardwareAddress(text, record->hardwareAddress, record->hardwareAddressLength);
            appendLiteral(text, "\"");
        }
        if (record->addressCount != 0) {
            appendLiteral(text, ",\"address\":[");
            for (size_t i = 0; i < record->addressCount; i++) {
                // One buffer serves every address, cleared each time, so that a
                // conversion that fails without writing leaves an empty text.
                memset(host, 0, sizeof host);
                formatNumericHost(&record->addresses[i], host, sizeof host);
                host[sizeof host - 1] = 0;
                appendLiteral(text, i == 0 ? "\"" : ",\"");
                appendEscaped(text, host);
                appendLiteral(text, "\"");
            }
            appendLiteral(text, "]");
        }
        appendLiteral(text, "}");
    }
    appendLiteral(text, "]");
    return !text->outOfMemory;
}

void releaseReportText(ReportText* text) {
    free(text->bytes);
    text->bytes = NULL;
    text->length = 0;
    text->capacity = 0;
}

bool writeAdapterReport(const AdapterRecord* records, size_t count) {
    ReportText text = {NULL, 0, 0, false};
    // Composed whole before anything is written, so that standard output holds the
    // whole document or, when it cannot be composed, nothing.
    bool written = composeAdapterReport(records, count, &text) &&
                   fwrite(text.bytes, 1, text.length, stdout) == text.length &&
                   fflush(stdout) == 0;
    releaseReportText(&text);
    if (!written) {
        reportWriteFailure();
    }
    return written;
}

void reportEnumerationFailure() { fputs("GetAdaptersAddresses() failed...", stderr); }

void reportWriteFailure() { fputs("writing the adapter report failed...", stderr); }
