// Load and unload notifications of proctex.dll. The library keeps no global
// state, so there is nothing to set up or tear down for a process or thread.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
