// The IP Helper and socket library calls of the Windows adapter source. Built for
// Windows these come from the system headers; built on another host, from the
// project's own declarations, which the tests back with doubles.
#ifndef LANROSTER_IP_HELPER_API_H
#define LANROSTER_IP_HELPER_API_H

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#else
#include "../host/lanroster_windows.h"
#endif

#endif
