// Doubles of the IP Helper and socket library calls for the Windows adapter
// source built on this host, linked into a program of its own. What they answer
// is set by LANROSTER_DOUBLE, a comma-separated list:
//   startup=N    WSAStartup returns N (default 0)
//   sizing=N     the sizing call returns N (default ERROR_BUFFER_OVERFLOW)
//   second=N     the second call returns N (default: ERROR_SUCCESS when the block fits)
//   heap=K       the K-th heap allocation of the program is refused
//   adapters=example|one   the adapter chain (default example)
// Each call, and at exit the number of heap blocks still held, is written to the
// file LANROSTER_DOUBLE_TRACE names, one line each.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "../../nativelib/host/lanroster_windows.h"
#include "heap_ledger.h"

namespace {

struct Address {
    int family;
    const char* text;
};

struct Adapter {
    const char* name;
    std::vector<BYTE> hardware;
    std::vector<Address> addresses;
};

struct Scenario {
    int startup = 0;
    ULONG sizing = ERROR_BUFFER_OVERFLOW;
    bool secondSet = false;
    ULONG second = ERROR_SUCCESS;
    std::vector<Adapter> adapters;
    FILE* trace = nullptr;

    Scenario() {
        adapters = {
            {"{3C1A6E2F-7B40-4D95-A1C8-5E0F92B4D731}", {0x00, 0x00, 0x5E, 0x00, 0x53, 0x01},
             {{AF_INET6, "2001:db8:10:1::2a"}, {AF_UNSPEC, ""}, {AF_INET6, "fe80::1"}}},
            {"{8F25D0B6-14C3-4A7E-9D62-0B7E3F18C5A4}", {}, {{AF_INET6, "::1"}}},
            {"{D47B2A90-6E31-4F0C-B8A5-2C9D71E6F038}", {0x00, 0x00, 0x5E, 0x00, 0x53, 0x02}, {}},
        };
        const char* path = getenv("LANROSTER_DOUBLE_TRACE");
        if (path != nullptr) trace = fopen(path, "w");
        std::string settings = getenv("LANROSTER_DOUBLE") ? getenv("LANROSTER_DOUBLE") : "";
        size_t start = 0;
        while (start < settings.size()) {
            size_t end = settings.find(',', start);
            if (end == std::string::npos) end = settings.size();
            std::string setting = settings.substr(start, end - start);
            std::string key = setting.substr(0, setting.find('='));
            std::string value = setting.substr(setting.find('=') + 1);
            if (key == "startup") startup = atoi(value.c_str());
            if (key == "sizing") sizing = static_cast<ULONG>(atol(value.c_str()));
            if (key == "second") {
                secondSet = true;
                second = static_cast<ULONG>(atol(value.c_str()));
            }
            if (key == "heap") heapLedgerRefuse(static_cast<size_t>(atol(value.c_str())));
            if (key == "adapters" && value == "one") adapters.resize(1);
            start = end + 1;
        }
    }

    ~Scenario() {
        if (trace != nullptr) {
            fprintf(trace, "heap blocks held at exit: %zu\n", heapLedgerLiveBlocks());
            fclose(trace);
        }
    }

    void note(const char* line) {
        if (trace != nullptr) fprintf(trace, "%s\n", line);
    }
};

Scenario scenario;

size_t aligned(size_t size) { return (size + 7) & ~static_cast<size_t>(7); }

// The bytes the chain takes when laid out in one block, as Windows lays it.
size_t chainSize() {
    size_t size = 0;
    for (const Adapter& adapter : scenario.adapters) {
        size += aligned(sizeof(IP_ADAPTER_ADDRESSES)) + aligned(strlen(adapter.name) + 1);
        size += adapter.addresses.size() * (aligned(sizeof(IP_ADAPTER_UNICAST_ADDRESS)) +
                                            aligned(sizeof(sockaddr_in6)));
    }
    return size;
}

void layOutChain(char* block) {
    IP_ADAPTER_ADDRESSES* previous = nullptr;
    for (const Adapter& adapter : scenario.adapters) {
        IP_ADAPTER_ADDRESSES* entry = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(block);
        memset(entry, 0, sizeof *entry);
        block += aligned(sizeof *entry);
        entry->AdapterName = block;
        strcpy(block, adapter.name);
        block += aligned(strlen(adapter.name) + 1);
        for (size_t i = 0; i < adapter.hardware.size(); i++) entry->PhysicalAddress[i] = adapter.hardware[i];
        entry->PhysicalAddressLength = static_cast<ULONG>(adapter.hardware.size());
        IP_ADAPTER_UNICAST_ADDRESS* previousAddress = nullptr;
        for (const Address& address : adapter.addresses) {
            IP_ADAPTER_UNICAST_ADDRESS* unicast = reinterpret_cast<IP_ADAPTER_UNICAST_ADDRESS*>(block);
            memset(unicast, 0, sizeof *unicast);
            block += aligned(sizeof *unicast);
            sockaddr_in6* socketAddress = reinterpret_cast<sockaddr_in6*>(block);
            memset(socketAddress, 0, sizeof *socketAddress);
            block += aligned(sizeof *socketAddress);
            socketAddress->sin6_family = static_cast<sa_family_t>(address.family);
            inet_pton(AF_INET6, address.text, &socketAddress->sin6_addr);
            unicast->Address.lpSockaddr = reinterpret_cast<sockaddr*>(socketAddress);
            unicast->Address.iSockaddrLength = sizeof *socketAddress;
            if (previousAddress == nullptr) entry->FirstUnicastAddress = unicast;
            else previousAddress->Next = unicast;
            previousAddress = unicast;
        }
        if (previous != nullptr) previous->Next = entry;
        previous = entry;
    }
}

}  // namespace

extern "C" int WSAStartup(WORD versionRequested, WSADATA* data) {
    char line[64];
    snprintf(line, sizeof line, "WSAStartup version=0x%04x data=%s", versionRequested,
             data != nullptr ? "given" : "null");
    scenario.note(line);
    return scenario.startup;
}

extern "C" int WSACleanup(void) {
    scenario.note("WSACleanup");
    return 0;
}

extern "C" ULONG GetAdaptersAddresses(ULONG family, ULONG flags, void* reserved,
                                      IP_ADAPTER_ADDRESSES* adapterAddresses, ULONG* sizePointer) {
    char line[160];
    snprintf(line, sizeof line, "GetAdaptersAddresses family=%s flags=0x%x reserved=%s buffer=%s size=%s",
             family == AF_INET6 ? "AF_INET6" : "other", flags, reserved ? "given" : "null",
             adapterAddresses ? "given" : "null",
             *sizePointer == chainSize() ? "needed" : (*sizePointer == 0 ? "0" : "other"));
    scenario.note(line);
    size_t needed = chainSize();
    if (adapterAddresses == nullptr) {
        *sizePointer = static_cast<ULONG>(needed);
        return scenario.sizing;
    }
    if (scenario.secondSet) return scenario.second;
    if (*sizePointer < needed) {
        *sizePointer = static_cast<ULONG>(needed);
        return ERROR_BUFFER_OVERFLOW;
    }
    layOutChain(reinterpret_cast<char*>(adapterAddresses));
    return ERROR_SUCCESS;
}
