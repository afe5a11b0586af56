// The Windows operations the library's logic calls. Built for Windows these come
// from the system headers; built on another host, from the project's own
// declarations of just what the logic uses, which the tests back with doubles.
#ifndef TOVRANE_WINDOWS_API_H
#define TOVRANE_WINDOWS_API_H

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#else
#include "../host/tovrane_windows.h"
#endif

#endif
