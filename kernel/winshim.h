/*
 * winshim.h: stand-ins for the Windows calls the module makes, where Windows is absent.
 * They read the module's own compiled resources (the resource compiler's .res image, linked
 * into the module) with the same meaning as the system's calls.
 */
#ifndef KERNEL_WINSHIM_H
#define KERNEL_WINSHIM_H

#include <cstdint>

typedef void* HINSTANCE;
typedef void* HMODULE;
typedef void* HGLOBAL;
typedef const void* HRSRC;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef unsigned int UINT;

#define MAKEINTRESOURCEA(i) ((LPCSTR)(uintptr_t)(uint16_t)(i))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
uint32_t SizeofResource(HMODULE hModule, HRSRC hResInfo);
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
LPSTR lstrcpyA(LPSTR lpString1, LPCSTR lpString2);
int lstrlenA(LPCSTR lpString);

#endif
