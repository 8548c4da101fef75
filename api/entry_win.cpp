// The DLL's entry point. The library links no C run-time, so this is what the
// loader calls directly for every notification. Nothing is set up here: the
// frame buffers are zero at load, the lock is statically initialised and the
// transport is loaded per exchange.
#include <windows.h>

extern "C" BOOL WINAPI DllEntryPoint(HINSTANCE /*module*/, DWORD /*reason*/,
                                     LPVOID /*reserved*/) {
  return TRUE;
}
