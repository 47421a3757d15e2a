/*
 * winshim.h: stand-ins for the Windows calls the module makes, where Windows is absent.
 * They read the module's own compiled resources (the resource compiler's .res image, linked
 * into the module) with the same meaning as the system's calls.
 */
#ifndef KERNEL_WINSHIM_H
#define KERNEL_WINSHIM_H

#include <cstddef>
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

/* The resource of integer type lpType and integer name lpName (MAKEINTRESOURCE ids); null when
 * there is none or when either is given as text. */
HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
/* Address of the resource's data (read-only); null when hResInfo is not a found resource. */
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
/* Bytes of the resource's data; 0 when hResInfo is not a found resource. */
uint32_t SizeofResource(HMODULE hModule, HRSRC hResInfo);
/* Copies string uID of the string table into lpBuffer as ANSI text, at most cchBufferMax - 1
 * characters and a terminating zero. Returns the characters copied: 0 when the string is
 * missing or empty (lpBuffer then holds ""), or when there is no buffer. */
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
/* strcpy; null (nothing copied) when either pointer is null. */
LPSTR lstrcpyA(LPSTR lpString1, LPCSTR lpString2);
/* strlen; 0 for a null pointer. */
int lstrlenA(LPCSTR lpString);

/* The walker behind these calls, over any .res image (the calls use the module's own): finds
 * the resource of integer type and name (1 to 65535 each). Returns true with the offset and size
 * of its data; false when there is none before the first entry that does not fit the image. */
bool res_find(const unsigned char* image, std::size_t size, unsigned type, unsigned name,
              std::size_t* data, std::size_t* datasize);
/* Copies string index % 16 of a string-table block (size bytes) into buf as LoadStringA does;
 * returns the characters copied, 0 when the string lies outside the block. */
int res_string(const unsigned char* block, std::size_t size, unsigned index, char* buf, int cch);

#endif
