// An empty DLL whose only purpose is its version resource (FileVersion
// "1.2.3.4"), for the file-version tests.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
