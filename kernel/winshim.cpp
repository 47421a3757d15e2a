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

/* One entry of an image, as found by read_entry. */
struct RESENTRY {
    std::size_t data; /* offset of the entry's data in the image */
    std::size_t size; /* bytes of data */
    std::size_t next; /* offset of the following entry */
    long type;        /* type ordinal; -1 when the type is a name */
    long name;        /* name ordinal; -1 when the name is a string */
};

static uint16_t word_at(const unsigned char* b, std::size_t off) {
    return uint16_t(b[off] | (b[off + 1] << 8));
}

static uint32_t dword_at(const unsigned char* b, std::size_t off) {
    return uint32_t(word_at(b, off)) | (uint32_t(word_at(b, off + 2)) << 16);
}

/* Reads a type or name field at *off, which must end before end: an ordinal (0xFFFF, then the
 * number) or a zero-terminated UTF-16 string (ordinal -1). Returns false when the field runs
 * past end; *off is then undefined. */
static bool read_id(const unsigned char* b, std::size_t* off, std::size_t end, long* ord) {
    if (end - *off < 2)
        return false;
    if (word_at(b, *off) == 0xFFFF) {
        if (end - *off < 4)
            return false;
        *ord = word_at(b, *off + 2);
        *off += 4;
        return true;
    }
    *ord = -1;
    for (;;) {
        if (end - *off < 2)
            return false;
        uint16_t c = word_at(b, *off);
        *off += 2;
        if (c == 0)
            return true;
    }
}

/* Reads the entry of image b (total bytes) that starts at off. Returns false when its header or
 * its data do not lie wholly inside the image, which ends any walk. */
static bool read_entry(const unsigned char* b, std::size_t total, std::size_t off, RESENTRY* e) {
    if (off > total || total - off < 8)
        return false;
    std::size_t datasize = dword_at(b, off);
    std::size_t hdrsize = dword_at(b, off + 4);
    if (hdrsize < 8 || hdrsize > total - off || datasize > total - off - hdrsize)
        return false;
    std::size_t hdrend = off + hdrsize;
    std::size_t p = off + 8;
    if (!read_id(b, &p, hdrend, &e->type) || !read_id(b, &p, hdrend, &e->name))
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

/* Walks image b from its start to the entry of this type and name (or, with type -1, to the
 * entry that starts at offset want). Returns false when there is none; the walk stops at the
 * first entry that does not fit. */
static bool walk_to(const unsigned char* b, std::size_t total, long type, long name,
                    std::size_t want, std::size_t* off, RESENTRY* e) {
    for (std::size_t p = 0; read_entry(b, total, p, e); p = e->next) {
        if (type < 0 ? p == want : (e->type == type && e->name == name)) {
            *off = p;
            return true;
        }
        if (e->next <= p)
            break;
    }
    return false;
}

bool res_find(const unsigned char* image, std::size_t size, unsigned type, unsigned name,
              std::size_t* data, std::size_t* datasize) {
    RESENTRY e;
    std::size_t off = 0;
    if (image == nullptr || type == 0 || type > 0xFFFF || name == 0 || name > 0xFFFF)
        return false;
    if (!walk_to(image, size, long(type), long(name), 0, &off, &e))
        return false;
    *data = e.data;
    *datasize = e.size;
    return true;
}

int res_string(const unsigned char* block, std::size_t size, unsigned index, char* buf, int cch) {
    if (buf == nullptr || cch <= 0)
        return 0;
    buf[0] = '\0';
    if (block == nullptr)
        return 0;
    std::size_t p = 0;
    for (unsigned i = 0; i < index % 16; i++) {
        if (size - p < 2)
            return 0;
        std::size_t n = word_at(block, p);
        if ((size - p - 2) / 2 < n)
            return 0;
        p += 2 + 2 * n;
    }
    if (size - p < 2)
        return 0;
    std::size_t n = word_at(block, p);
    p += 2;
    if ((size - p) / 2 < n)
        return 0;
    std::size_t room = std::size_t(cch) - 1;
    std::size_t copy = n < room ? n : room;
    for (std::size_t i = 0; i < copy; i++) {
        uint16_t c = word_at(block, p + 2 * i);
        /* The ANSI copy: Latin-1 characters as they are, anything beyond as '?'. */
        buf[i] = char(static_cast<unsigned char>(c <= 0xFF ? c : '?'));
    }
    buf[copy] = '\0';
    return int(copy);
}

/* An integer resource id (what MAKEINTRESOURCE makes) as a number; 0, which names no resource,
 * for a null pointer and for a name given as text, which the module does not use. */
static unsigned int_id(LPCSTR id) {
    uintptr_t v = reinterpret_cast<uintptr_t>(id);
    return v > 0xFFFF ? 0 : unsigned(v);
}

/* The entry whose header an HRSRC points at; false for anything that is not the start of an
 * entry of the module's image (null, foreign pointers, pointers into an entry). */
static bool entry_of(HRSRC hResInfo, RESENTRY* e) {
    uintptr_t a = reinterpret_cast<uintptr_t>(hResInfo);
    uintptr_t base = reinterpret_cast<uintptr_t>(dxf_res_image);
    std::size_t off = 0;
    if (hResInfo == nullptr || a < base || a - base >= dxf_res_size)
        return false;
    return walk_to(dxf_res_image, dxf_res_size, -1, 0, std::size_t(a - base), &off, e);
}

HRSRC FindResourceA(HMODULE, LPCSTR lpName, LPCSTR lpType) {
    RESENTRY e;
    std::size_t off = 0;
    unsigned type = int_id(lpType);
    unsigned name = int_id(lpName);
    if (type == 0 || name == 0)
        return nullptr;
    if (!walk_to(dxf_res_image, dxf_res_size, long(type), long(name), 0, &off, &e))
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

/* String tables hold blocks of 16 strings: block n + 1 has strings 16n to 16n + 15. */
int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    std::size_t data = 0, size = 0;
    unsigned id = uID & 0xFFFF;
    if (!res_find(dxf_res_image, dxf_res_size, 6, id / 16 + 1, &data, &size))
        return res_string(nullptr, 0, 0, lpBuffer, cchBufferMax);
    return res_string(dxf_res_image + data, size, id % 16, lpBuffer, cchBufferMax);
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
