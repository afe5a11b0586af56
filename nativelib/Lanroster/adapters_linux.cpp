// The Linux adapter source: every interface on which IPv6 is enabled, read from
// the kernel over rtnetlink with one link dump and one IPv6 address dump. An
// interface qualifies when it holds an IPv6 address or its disable_ipv6 setting,
// which the link dump carries, reads 0. There is no socket library to start.
#include <errno.h>
#include <linux/if_link.h>
#include <linux/ipv6.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "adapter_report.h"

namespace {

struct Interface {
    int index;
    char name[IF_NAMESIZE];
    unsigned char hardwareAddress[8];
    unsigned hardwareAddressLength;
    bool ipv6Enabled;
    size_t addressCount;
    size_t firstAddress;
};

struct InterfaceAddress {
    int index;
    sockaddr_in6 address;
};

// What the two dumps found, in the kernel's order.
struct Inventory {
    Interface* interfaces;
    size_t interfaceCount;
    size_t interfaceCapacity;
    InterfaceAddress* addresses;
    size_t addressCount;
    size_t addressCapacity;
};

// Room for one more item in a heap array; false when the heap has none.
bool reserveOne(void** items, size_t count, size_t* capacity, size_t itemSize) {
    if (count < *capacity) {
        return true;
    }
    size_t grown = *capacity == 0 ? 64 : *capacity * 2;
    void* moved = realloc(*items, grown * itemSize);
    if (moved == NULL) {
        return false;
    }
    *items = moved;
    *capacity = grown;
    return true;
}

// The largest message chunk the kernel puts into one read of a dump.
const size_t receiveBufferSize = 32768;

typedef bool (*MessageHandler)(nlmsghdr* message, Inventory* inventory);

// Sends one dump request and hands each answer to handle. False when the kernel
// refuses, the socket fails, a read is cut short, or the kernel says the dump was
// interrupted by a change, in which case what it gave may be inconsistent.
bool dump(int socketFd, uint16_t type, uint8_t family, uint32_t sequence, char* buffer,
          MessageHandler handle, Inventory* inventory) {
    struct {
        nlmsghdr header;
        ifinfomsg body;  // ifaddrmsg is shorter and leads with its family too
    } request;
    memset(&request, 0, sizeof request);
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof request.body);
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = sequence;
    request.body.ifi_family = family;
    if (send(socketFd, &request, request.header.nlmsg_len, 0) < 0) {
        return false;
    }

    for (;;) {
        iovec vector = {buffer, receiveBufferSize};
        msghdr received;
        memset(&received, 0, sizeof received);
        received.msg_iov = &vector;
        received.msg_iovlen = 1;
        ssize_t length = recvmsg(socketFd, &received, 0);
        if (length < 0 && errno == EINTR) {
            continue;
        }
        if (length <= 0 || (received.msg_flags & MSG_TRUNC) != 0) {
            return false;
        }
        size_t remaining = static_cast<size_t>(length);
        for (nlmsghdr* message = reinterpret_cast<nlmsghdr*>(buffer);
             NLMSG_OK(message, remaining); message = NLMSG_NEXT(message, remaining)) {
            if (message->nlmsg_seq != sequence) {
                continue;
            }
            if ((message->nlmsg_flags & NLM_F_DUMP_INTR) != 0 || message->nlmsg_type == NLMSG_ERROR) {
                return false;
            }
            if (message->nlmsg_type == NLMSG_DONE) {
                return true;
            }
            if (!handle(message, inventory)) {
                return false;
            }
        }
    }
}

// disable_ipv6 from the link's IPv6 settings; true when they are absent, which is
// when the interface has no IPv6 at all.
bool ipv6Disabled(rtattr* afSpec) {
    int specLength = static_cast<int>(RTA_PAYLOAD(afSpec));
    for (rtattr* family = static_cast<rtattr*>(RTA_DATA(afSpec));
         RTA_OK(family, specLength); family = RTA_NEXT(family, specLength)) {
        if (family->rta_type != AF_INET6) continue;
        int familyLength = static_cast<int>(RTA_PAYLOAD(family));
        for (rtattr* setting = static_cast<rtattr*>(RTA_DATA(family));
             RTA_OK(setting, familyLength); setting = RTA_NEXT(setting, familyLength)) {
            if (setting->rta_type != IFLA_INET6_CONF) continue;
            // An array of 32-bit values indexed by the DEVCONF_ numbers.
            if (RTA_PAYLOAD(setting) < (DEVCONF_DISABLE_IPV6 + 1) * sizeof(int32_t)) return true;
            int32_t disabled;
            memcpy(&disabled, static_cast<const char*>(RTA_DATA(setting)) +
                                  DEVCONF_DISABLE_IPV6 * sizeof(int32_t),
                   sizeof disabled);
            return disabled != 0;
        }
    }
    return true;
}

bool addInterface(nlmsghdr* message, Inventory* inventory) {
    if (message->nlmsg_type != RTM_NEWLINK || message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) {
        return true;
    }
    ifinfomsg* link = static_cast<ifinfomsg*>(NLMSG_DATA(message));
    if (!reserveOne(reinterpret_cast<void**>(&inventory->interfaces), inventory->interfaceCount,
                    &inventory->interfaceCapacity, sizeof(Interface))) {
        return false;
    }
    Interface* found = &inventory->interfaces[inventory->interfaceCount];
    memset(found, 0, sizeof *found);
    found->index = link->ifi_index;

    int length = static_cast<int>(message->nlmsg_len - NLMSG_LENGTH(sizeof(ifinfomsg)));
    bool named = false;
    for (rtattr* attribute = IFLA_RTA(link); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        size_t payload = RTA_PAYLOAD(attribute);
        if (attribute->rta_type == IFLA_IFNAME && payload > 0 && payload <= sizeof found->name) {
            memcpy(found->name, RTA_DATA(attribute), payload);
            found->name[payload - 1] = 0;
            named = true;
        } else if (attribute->rta_type == IFLA_ADDRESS && payload <= sizeof found->hardwareAddress) {
            // A longer link-layer address is no hardware address the report can hold.
            memcpy(found->hardwareAddress, RTA_DATA(attribute), payload);
            found->hardwareAddressLength = static_cast<unsigned>(payload);
        } else if (attribute->rta_type == IFLA_AF_SPEC) {
            found->ipv6Enabled = !ipv6Disabled(attribute);
        }
    }
    if (named) {
        inventory->interfaceCount++;
    }
    return true;
}

bool addAddress(nlmsghdr* message, Inventory* inventory) {
    if (message->nlmsg_type != RTM_NEWADDR || message->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg))) {
        return true;
    }
    ifaddrmsg* header = static_cast<ifaddrmsg*>(NLMSG_DATA(message));
    if (header->ifa_family != AF_INET6) {
        return true;
    }
    // IFA_LOCAL, when present, is the interface's own address and IFA_ADDRESS the
    // peer's; otherwise IFA_ADDRESS is the interface's own.
    const void* local = NULL;
    const void* address = NULL;
    int length = static_cast<int>(message->nlmsg_len - NLMSG_LENGTH(sizeof(ifaddrmsg)));
    for (rtattr* attribute = IFA_RTA(header); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        if (RTA_PAYLOAD(attribute) != sizeof(in6_addr)) continue;
        if (attribute->rta_type == IFA_LOCAL) local = RTA_DATA(attribute);
        if (attribute->rta_type == IFA_ADDRESS) address = RTA_DATA(attribute);
    }
    if (local != NULL) address = local;
    if (address == NULL) {
        return true;
    }
    if (!reserveOne(reinterpret_cast<void**>(&inventory->addresses), inventory->addressCount,
                    &inventory->addressCapacity, sizeof(InterfaceAddress))) {
        return false;
    }
    InterfaceAddress* added = &inventory->addresses[inventory->addressCount++];
    memset(added, 0, sizeof *added);
    added->index = static_cast<int>(header->ifa_index);
    added->address.sin6_family = AF_INET6;
    memcpy(&added->address.sin6_addr, address, sizeof(in6_addr));
    // A link-scoped address means nothing without its zone: the conversion writes
    // it as the interface's name.
    const unsigned char* bytes = static_cast<const unsigned char*>(address);
    bool linkLocal = bytes[0] == 0xFE && (bytes[1] & 0xC0) == 0x80;  // fe80::/10
    if (header->ifa_scope == RT_SCOPE_LINK || linkLocal) {
        added->address.sin6_scope_id = header->ifa_index;
    }
    return true;
}

int compareIndex(const void* left, const void* right) {
    int a = static_cast<const Interface*>(left)->index;
    int b = static_cast<const Interface*>(right)->index;
    return (a > b) - (a < b);
}

Interface* findInterface(Inventory* inventory, int index) {
    Interface key;
    key.index = index;
    return static_cast<Interface*>(bsearch(&key, inventory->interfaces, inventory->interfaceCount,
                                           sizeof(Interface), compareIndex));
}

bool readInventory(Inventory* inventory) {
    int socketFd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (socketFd < 0) {
        return false;
    }
    char* buffer = static_cast<char*>(malloc(receiveBufferSize));
    bool read = buffer != NULL &&
                dump(socketFd, RTM_GETLINK, AF_UNSPEC, 1, buffer, addInterface, inventory) &&
                dump(socketFd, RTM_GETADDR, AF_INET6, 2, buffer, addAddress, inventory);
    free(buffer);
    close(socketFd);
    return read;
}

// Orders the interfaces by index and writes the report of those with IPv6.
bool writeInventory(Inventory* inventory) {
    qsort(inventory->interfaces, inventory->interfaceCount, sizeof(Interface), compareIndex);

    // Each interface's addresses, kept in the kernel's order, go to one run of the
    // address list; an address whose interface has since gone is dropped.
    for (size_t i = 0; i < inventory->addressCount; i++) {
        Interface* owner = findInterface(inventory, inventory->addresses[i].index);
        if (owner != NULL) owner->addressCount++;
    }
    size_t recordCount = 0, placed = 0;
    for (size_t i = 0; i < inventory->interfaceCount; i++) {
        Interface* interface = &inventory->interfaces[i];
        interface->firstAddress = placed;
        placed += interface->addressCount;
        if (interface->ipv6Enabled || interface->addressCount > 0) recordCount++;
    }
    if (recordCount == 0) {
        reportEnumerationFailure();
        return false;
    }

    AdapterRecord* records = static_cast<AdapterRecord*>(malloc(recordCount * sizeof(AdapterRecord)));
    AdapterAddress* addresses = static_cast<AdapterAddress*>(malloc((placed + 1) * sizeof(AdapterAddress)));
    if (records == NULL || addresses == NULL) {
        free(records);
        free(addresses);
        reportWriteFailure();
        return false;
    }
    for (size_t i = 0; i < inventory->interfaceCount; i++) {
        inventory->interfaces[i].addressCount = 0;
    }
    for (size_t i = 0; i < inventory->addressCount; i++) {
        Interface* owner = findInterface(inventory, inventory->addresses[i].index);
        if (owner == NULL) continue;
        AdapterAddress* slot = &addresses[owner->firstAddress + owner->addressCount++];
        slot->socketAddress = &inventory->addresses[i].address;
        slot->length = sizeof(sockaddr_in6);
    }
    size_t r = 0;
    for (size_t i = 0; i < inventory->interfaceCount; i++) {
        const Interface* interface = &inventory->interfaces[i];
        if (!interface->ipv6Enabled && interface->addressCount == 0) continue;
        AdapterRecord* record = &records[r++];
        record->name = interface->name;
        memcpy(record->hardwareAddress, interface->hardwareAddress, sizeof record->hardwareAddress);
        record->hardwareAddressLength = interface->hardwareAddressLength;
        record->addresses = &addresses[interface->firstAddress];
        record->addressCount = interface->addressCount;
    }

    bool written = writeAdapterReport(records, recordCount);
    free(records);
    free(addresses);
    return written;
}

}  // namespace

bool startSocketLibrary() { return true; }

void stopSocketLibrary() {}

bool printAdapters() {
    Inventory inventory;
    memset(&inventory, 0, sizeof inventory);
    bool written;
    if (!readInventory(&inventory)) {
        reportEnumerationFailure();
        written = false;
    } else {
        written = writeInventory(&inventory);
    }
    free(inventory.interfaces);
    free(inventory.addresses);
    return written;
}
