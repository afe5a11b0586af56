// The socket library's name conversion, from the platform's own headers.
#ifndef LANROSTER_SOCKET_API_H
#define LANROSTER_SOCKET_API_H

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

#endif
