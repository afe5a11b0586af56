// The adapter report: the plain records that every platform's adapter source
// produces, and the one writer that turns them into the JSON document.
#ifndef LANROSTER_ADAPTER_REPORT_H
#define LANROSTER_ADAPTER_REPORT_H

#include <stddef.h>

// One unicast address as the system gives it: a socket address and its length.
struct AdapterAddress {
    const void* socketAddress;
    int length;
};

struct AdapterRecord {
    const char* name;                   // zero-terminated bytes
    unsigned char hardwareAddress[8];
    unsigned hardwareAddressLength;     // 0 to 8; 0: the adapter has none
    const AdapterAddress* addresses;    // in the system's order
    size_t addressCount;                // 0: the address member is left out
};

// The document being composed, in one heap block.
struct ReportText {
    char* bytes;
    size_t length;
    size_t capacity;
    bool outOfMemory;
};

// The size of the text buffer one address is converted into.
const size_t hostTextSize = 512;

// Writes the numeric text of one address, zero-terminated, into host, which the
// caller has zeroed. A failed conversion may leave it empty. Each platform's build
// links its own.
void formatNumericHost(const AdapterAddress* address, char* host, size_t hostSize);

// Composes the document for the records into text, which starts empty; false when
// the heap ran out. The caller releases text in either case.
bool composeAdapterReport(const AdapterRecord* records, size_t count, ReportText* text);
void releaseReportText(ReportText* text);

// Composes the document and writes it to standard output at once. False, with
// the write-failure message on standard error, when it could not be composed or
// written and flushed whole.
bool writeAdapterReport(const AdapterRecord* records, size_t count);

// The message for an enumeration that did not give the adapters.
void reportEnumerationFailure();
// The message for a document that could not be composed or written.
void reportWriteFailure();

// The platform's part, one source per platform: the socket library's start and
// stop, and the enumeration that feeds writeAdapterReport. printAdapters is true
// when the document was written.
bool startSocketLibrary();
void stopSocketLibrary();
bool printAdapters();

#endif
