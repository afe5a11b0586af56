// The Windows adapter source: the adapters that IP Helper reports for IPv6, read
// with exactly two calls, one to size the block and one to fill it, and no retry.
// Also the socket library's start and stop, which the numeric conversion needs.
#include <stdlib.h>

#include "adapter_report.h"
#include "ip_helper_api.h"

namespace {

// Unicast addresses only, with prefixes, and without the friendly names the report
// does not use.
const ULONG adapterFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                           GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_INCLUDE_PREFIX |
                           GAA_FLAG_SKIP_FRIENDLY_NAME;  // 0x3E

// Writes the document for the chain in the block. The records point into the
// chain, which outlives them.
bool writeAdapterChain(const IP_ADAPTER_ADDRESSES* chain) {
    size_t adapterCount = 0, addressCount = 0;
    for (const IP_ADAPTER_ADDRESSES* adapter = chain; adapter != NULL; adapter = adapter->Next) {
        adapterCount++;
        for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress;
             unicast != NULL; unicast = unicast->Next) {
            addressCount++;
        }
    }

    // One block holds the records and, after them, every address of every adapter.
    size_t recordBytes = adapterCount * sizeof(AdapterRecord);
    void* lists = malloc(recordBytes + addressCount * sizeof(AdapterAddress) + 1);
    if (lists == NULL) {
        reportWriteFailure();
        return false;
    }
    AdapterRecord* records = static_cast<AdapterRecord*>(lists);
    AdapterAddress* addresses =
        reinterpret_cast<AdapterAddress*>(static_cast<char*>(lists) + recordBytes);

    size_t a = 0, next = 0;
    for (const IP_ADAPTER_ADDRESSES* adapter = chain; adapter != NULL; adapter = adapter->Next, a++) {
        AdapterRecord* record = &records[a];
        record->name = adapter->AdapterName;
        record->hardwareAddressLength = adapter->PhysicalAddressLength <= MAX_ADAPTER_ADDRESS_LENGTH
                                            ? adapter->PhysicalAddressLength
                                            : 0;
        for (unsigned i = 0; i < record->hardwareAddressLength; i++) {
            record->hardwareAddress[i] = adapter->PhysicalAddress[i];
        }
        record->addresses = &addresses[next];
        record->addressCount = 0;
        for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress;
             unicast != NULL; unicast = unicast->Next) {
            addresses[next].socketAddress = unicast->Address.lpSockaddr;
            addresses[next].length = unicast->Address.iSockaddrLength;
            next++;
            record->addressCount++;
        }
    }

    bool written = writeAdapterReport(records, adapterCount);
    free(lists);
    return written;
}

}  // namespace

bool startSocketLibrary() {
    // Version 2.2; 0 means started. The record it fills is not needed.
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void stopSocketLibrary() {
    // Once per started library; its result tells the program nothing it could act on.
    WSACleanup();
}

bool printAdapters() {
    // The sizing call succeeds by failing: ERROR_BUFFER_OVERFLOW with the size
    // needed. Any other result, ERROR_NO_DATA among them when no adapter has IPv6,
    // leaves nothing to report.
    ULONG size = 0;
    if (GetAdaptersAddresses(AF_INET6, adapterFlags, NULL, NULL, &size) != ERROR_BUFFER_OVERFLOW) {
        reportEnumerationFailure();
        return false;
    }

    IP_ADAPTER_ADDRESSES* block = static_cast<IP_ADAPTER_ADDRESSES*>(malloc(size));
    if (block == NULL) {
        reportEnumerationFailure();
        return false;
    }

    // ERROR_SUCCESS: the chain is in the block. Anything else, such as an adapter
    // added since the sizing call, fails the run; there is no second attempt.
    if (GetAdaptersAddresses(AF_INET6, adapterFlags, NULL, block, &size) != ERROR_SUCCESS) {
        reportEnumerationFailure();
        free(block);
        return false;
    }

    bool written = writeAdapterChain(block);
    free(block);
    return written;
}
