/* Placeholder until the stand-ins are written. */
#include "winshim.h"
HRSRC FindResourceA(HMODULE, LPCSTR, LPCSTR) { return nullptr; }
HGLOBAL LoadResource(HMODULE, HRSRC) { return nullptr; }
uint32_t SizeofResource(HMODULE, HRSRC) { return 0; }
int LoadStringA(HINSTANCE, UINT, LPSTR, int) { return 0; }
LPSTR lstrcpyA(LPSTR a, LPCSTR) { return a; }
int lstrlenA(LPCSTR) { return 0; }
