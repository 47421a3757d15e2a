/*
 * winshim.cpp: the module's Windows resource and string calls where Windows is absent.
 *
 * Receives: the module's compiled resources, the resource compiler's .res image linked into the
 * module as dxf_res_image / dxf_res_size, and the calls of the module (resource and string ids,
 * caller's buffers). Hands on: addresses and sizes of resource data inside that image, strings
 * of the string table copied into the caller's buffer.
 *
 * The image is a sequence of entries, each a header (data size, header size, type and name as
 * an ordinal or a UTF-16 string, DWORD alignment, data version, memory flags, language, version,
 * characteristics) followed by its data, padded to a DWORD. Every read is checked against the
 * image's end; an entry that does not fit ends the walk. The module handle passed in is not
 * looked at: there is only the module's own image.
 */
#include "winshim.h"

#include <climits>
#include <cstddef>
#include <cstring>

extern const unsigned char dxf_res_image[]; /* the module's .res image */
extern const std::size_t dxf_res_size;      /* its size in bytes */

/* One entry of the image, as found by read_entry. */
struct RESENTRY {
    std::size_t data; /* offset of the entry's data in the image */
    std::size_t size; /* bytes of data */
    std::size_t next; /* offset of the following entry */
    long type;        /* type ordinal; -1 when the type is a name */
    long name;        /* name ordinal; -1 when the name is a string */
};

static uint16_t word_at(std::size_t off) {
    return uint16_t(dxf_res_image[off] | (dxf_res_image[off + 1] << 8));
}

static uint32_t dword_at(std::size_t off) {
    return uint32_t(word_at(off)) | (uint32_t(word_at(off + 2)) << 16);
}

/* Reads a type or name field at *off, which must end before end: an ordinal (0xFFFF, then the
 * number) or a zero-terminated UTF-16 string (ordinal -1). Returns false when the field runs
 * past end; *off is then undefined. */
static bool read_id(std::size_t* off, std::size_t end, long* ord) {
    if (*off + 2 > end)
        return false;
    if (word_at(*off) == 0xFFFF) {
        if (*off + 4 > end)
            return false;
        *ord = word_at(*off + 2);
        *off += 4;
        return true;
    }
    *ord = -1;
    for (;;) {
        if (*off + 2 > end)
            return false;
        uint16_t c = word_at(*off);
        *off += 2;
        if (c == 0)
            return true;
    }
}

/* Reads the entry that starts at off. Returns false when its header or its data do not lie
 * wholly inside the image, which ends any walk. */
static bool read_entry(std::size_t off, RESENTRY* e) {
    const std::size_t total = dxf_res_size;
    if (off > total || total - off < 8)
        return false;
    std::size_t datasize = dword_at(off);
    std::size_t hdrsize = dword_at(off + 4);
    if (hdrsize > total - off || datasize > total - off - hdrsize)
        return false;
    std::size_t hdrend = off + hdrsize;
    std::size_t p = off + 8;
    if (!read_id(&p, hdrend, &e->type) || !read_id(&p, hdrend, &e->name))
        return false;
    p = (p + 3) & ~std::size_t(3);
    /* DataVersion, MemoryFlags, LanguageId, Version, Characteristics: 16 bytes, unused here. */
    if (p > hdrend || hdrend - p < 16)
        return false;
    e->data = hdrend;
    e->size = datasize;
    e->next = (hdrend + datasize + 3) & ~std::size_t(3);
    return true;
}

/* An integer resource id (what MAKEINTRESOURCE makes) as a number; -1 for a null pointer or a
 * resource name given as text, which the module does not use. */
static long int_id(LPCSTR id) {
    uintptr_t v = reinterpret_cast<uintptr_t>(id);
    if (v == 0 || v > 0xFFFF)
        return -1;
    return long(v);
}

/* Finds the entry of this type and name; its header offset in *off. */
static bool find_entry(long type, long name, std::size_t* off, RESENTRY* e) {
    if (type < 0 || name < 0)
        return false;
    for (std::size_t p = 0; read_entry(p, e); p = e->next) {
        if (e->type == type && e->name == name) {
            *off = p;
            return true;
        }
        if (e->next <= p)
            break;
    }
    return false;
}

/* The entry whose header an HRSRC points at; false for anything that is not an entry's start
 * in the image (null, foreign pointers, pointers into the middle of an entry). */
static bool entry_of(HRSRC hResInfo, RESENTRY* e) {
    uintptr_t a = reinterpret_cast<uintptr_t>(hResInfo);
    uintptr_t base = reinterpret_cast<uintptr_t>(dxf_res_image);
    if (hResInfo == nullptr || a < base || a - base >= dxf_res_size)
        return false;
    std::size_t want = std::size_t(a - base);
    for (std::size_t p = 0; read_entry(p, e); p = e->next) {
        if (p == want)
            return true;
        if (p > want || e->next <= p)
            break;
    }
    return false;
}

HRSRC FindResourceA(HMODULE, LPCSTR lpName, LPCSTR lpType) {
    RESENTRY e;
    std::size_t off = 0;
    if (!find_entry(int_id(lpType), int_id(lpName), &off, &e))
        return nullptr;
    return dxf_res_image + off;
}

HGLOBAL LoadResource(HMODULE, HRSRC hResInfo) {
    RESENTRY e;
    if (!entry_of(hResInfo, &e))
        return nullptr;
    /* Resource data is read-only, as in the system's images; the handle type is not. */
    return const_cast<unsigned char*>(dxf_res_image + e.data);
}

uint32_t SizeofResource(HMODULE, HRSRC hResInfo) {
    RESENTRY e;
    if (!entry_of(hResInfo, &e))
        return 0;
    return uint32_t(e.size);
}

/* String tables hold blocks of 16 strings: block n + 1 has strings 16n to 16n + 15, each a
 * count of UTF-16 units followed by the units (no terminator). */
int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (lpBuffer == nullptr || cchBufferMax <= 0)
        return 0;
    lpBuffer[0] = '\0';
    unsigned id = uID & 0xFFFF;
    RESENTRY e;
    std::size_t off = 0;
    if (!find_entry(6, long(id / 16 + 1), &off, &e))
        return 0;
    std::size_t p = e.data;
    const std::size_t end = e.data + e.size;
    for (unsigned i = 0; i < id % 16; i++) {
        if (end - p < 2)
            return 0;
        std::size_t n = word_at(p);
        if ((end - p - 2) / 2 < n)
            return 0;
        p += 2 + 2 * n;
    }
    if (end - p < 2)
        return 0;
    std::size_t n = word_at(p);
    p += 2;
    if ((end - p) / 2 < n)
        return 0;
    std::size_t room = std::size_t(cchBufferMax) - 1;
    std::size_t copy = n < room ? n : room;
    for (std::size_t i = 0; i < copy; i++) {
        uint16_t c = word_at(p + 2 * i);
        /* The ANSI copy: Latin-1 characters as they are, anything beyond as '?'. */
        lpBuffer[i] = char(c <= 0xFF ? c : '?');
    }
    lpBuffer[copy] = '\0';
    return int(copy);
}

LPSTR lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    if (lpString1 == nullptr || lpString2 == nullptr)
        return nullptr;
    return std::strcpy(lpString1, lpString2);
}

int lstrlenA(LPCSTR lpString) {
    if (lpString == nullptr)
        return 0;
    std::size_t n = std::strlen(lpString);
    return n > std::size_t(INT_MAX) ? INT_MAX : int(n);
}
