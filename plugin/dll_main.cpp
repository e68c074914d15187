// The plug-in file's entry point on Windows, for one thing: a host that unloads the file
// gets back the memory that the C++ runtime linked into it keeps for itself.
#include <windows.h>

namespace __gnu_cxx {
// The runtime's own release of the buffer it sets aside at load for throwing exceptions
// when memory runs out; memory checkers call it at exit, and nothing else frees it.
void __freeres();
}  // namespace __gnu_cxx

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // Only when the file is unloaded while the process lives on: at the process's end the
    // memory goes with it, and other threads may still be running.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return TRUE;
}
