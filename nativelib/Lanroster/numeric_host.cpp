// The numeric text of one unicast address.
#include "adapter_report.h"
#include "socket_api.h"

void formatNumericHost(const AdapterAddress* address, char* host, size_t hostSize) {
    // NI_NUMERICHOST: the address as digits, never a name looked up. A scoped
    // address keeps the zone suffix the conversion writes. No service is asked for.
    // The result is not examined: a failure leaves host as the caller cleared it.
    getnameinfo(static_cast<const sockaddr*>(address->socketAddress),
                static_cast<socklen_t>(address->length), host, static_cast<socklen_t>(hostSize),
                NULL, 0, NI_NUMERICHOST);
}
