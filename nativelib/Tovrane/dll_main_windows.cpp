// The library's Windows entry routine. The library holds no per-process or
// per-thread state, so loading never fails on its account and unloading has
// nothing to release.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
