// The Windows types, constants and functions that the report program's Windows
// adapter source uses, declared for builds where Windows is absent: just the
// fields the source reads, with Windows' values for the constants. Socket
// addresses are the host's own, so that the host's getnameinfo converts them.
#ifndef LANROSTER_HOST_WINDOWS_H
#define LANROSTER_HOST_WINDOWS_H

#include <stdint.h>
#include <sys/socket.h>

typedef uint32_t ULONG;
typedef uint16_t WORD;
typedef unsigned char BYTE;
typedef int INT;

#define MAKEWORD(low, high) ((WORD)(((BYTE)(low)) | ((WORD)((BYTE)(high))) << 8))

#define ERROR_SUCCESS 0u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_BUFFER_OVERFLOW 111u
#define ERROR_NO_DATA 232u

#define GAA_FLAG_SKIP_ANYCAST 0x0002u
#define GAA_FLAG_SKIP_MULTICAST 0x0004u
#define GAA_FLAG_SKIP_DNS_SERVER 0x0008u
#define GAA_FLAG_INCLUDE_PREFIX 0x0010u
#define GAA_FLAG_SKIP_FRIENDLY_NAME 0x0020u

#define MAX_ADAPTER_ADDRESS_LENGTH 8

struct SOCKET_ADDRESS {
    struct sockaddr* lpSockaddr;
    INT iSockaddrLength;
};

struct IP_ADAPTER_UNICAST_ADDRESS {
    IP_ADAPTER_UNICAST_ADDRESS* Next;
    SOCKET_ADDRESS Address;
};

struct IP_ADAPTER_ADDRESSES {
    IP_ADAPTER_ADDRESSES* Next;
    char* AdapterName;
    IP_ADAPTER_UNICAST_ADDRESS* FirstUnicastAddress;
    BYTE PhysicalAddress[MAX_ADAPTER_ADDRESS_LENGTH];
    ULONG PhysicalAddressLength;
};

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
};

extern "C" {

int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup(void);
ULONG GetAdaptersAddresses(ULONG family, ULONG flags, void* reserved,
                           IP_ADAPTER_ADDRESSES* adapterAddresses, ULONG* sizePointer);

}  // extern "C"

#endif
