/*
 * kernel.h: the services of the host's kernel library that the module calls.
 *
 * Every call returns a signed 32-bit status, negative on failure, except set_spb (the address
 * of the host's paths block) and usi_mset (no status). Handles are signed 32-bit; 0 is never a
 * handle. A memory block's address holds only while the block is locked and until it is
 * resized; every call that may move a block hands the new address back.
 *
 * Accesses to a block are counted: each emm_write must be ended by its own emm_ewrite and each
 * emm_read by its own emm_eread (nested accesses of either kind are allowed; ending an access
 * that is not open gives KST_ACCESS). Blocks can be resized locked or unlocked. A block with an
 * open access cannot be freed (emm_rel gives KST_ACCESS). emm_alloc hands out a block that is
 * already open for writing. Sizes are unsigned 32-bit; growth that would pass 4 GiB - 1 bytes
 * or the host's memory limit gives KST_NOMEMORY, and a refused call leaves the block as it was.
 *
 * Files are read only. fim_fread returns the count of bytes read; a negative status when not
 * one byte can be read (KST_EOF at the end of the file). fim_fseek's position counts from the
 * start with mode 0; with mode 1 (from the current position) and mode 2 (from the end) its
 * 32 bits are a signed distance. A position past the end of the file gives KST_SEEK.
 *
 * The module's own statuses are -1 (invalid file, alert shown), -2 (3-D alert shown) and -16
 * (the frame header's write access could not be ended). The kernel's failure statuses below
 * are distinct from these; fom_stat shows the message of each.
 */
#ifndef HOST_KERNEL_H
#define HOST_KERNEL_H

#include <cstdint>

#include "hoststruct.h"

#if defined(_WIN32)
#if defined(HOSTKERNEL_BUILD)
#define KERNEL_API __declspec(dllexport)
#else
#define KERNEL_API __declspec(dllimport)
#endif
#else
#define KERNEL_API __attribute__((visibility("default")))
#endif

/* Kernel failure statuses. */
enum : int32_t {
    KST_BADHANDLE = -100, /* no memory block has this handle */
    KST_NOMEMORY = -101,  /* out of memory: the host's memory limit would be passed */
    KST_ACCESS = -102,    /* the block is not open for this access, or is still open */
    KST_RANGE = -103,     /* an offset or size lies outside the block */
    KST_NOFILE = -110,    /* the file does not exist */
    KST_OPEN = -111,      /* the file cannot be opened for reading */
    KST_BADFILE = -112,   /* no open file has this handle */
    KST_EOF = -113,       /* end of file: no byte can be read */
    KST_READ = -114,      /* the file cannot be read */
    KST_SEEK = -115,      /* the position lies outside the file */
    KST_NOOBJECT = -120,  /* no document object has this handle */
    KST_OBJTYPE = -121,   /* a document object of this type cannot be created */
    KST_NOFRAME = -130,   /* no frame has this header block */
    KST_ARGUMENT = -140,  /* a null pointer or a value the service does not take */
    KST_NOSELECT = -150,  /* the file selector cannot run */
};

extern "C" {

/* Memory blocks. */
KERNEL_API int32_t emm_alloc(int32_t size, int32_t flags, int32_t* ph, void** pp);
KERNEL_API int32_t emm_write(int32_t h, void** pp, int32_t flags);
KERNEL_API int32_t emm_ewrite(int32_t h);
KERNEL_API int32_t emm_read(int32_t h, void** pp, int32_t flags);
KERNEL_API int32_t emm_eread(int32_t h);
KERNEL_API int32_t emm_size(int32_t h, uint32_t* pn);
KERNEL_API int32_t emm_resz(int32_t h, uint32_t n, void** pp);
KERNEL_API int32_t emm_ins(int32_t h, uint32_t off, uint32_t n, void** pp);
KERNEL_API int32_t emm_indel(int32_t h, uint32_t off, int32_t d, void** pp);
KERNEL_API int32_t emm_rel(int32_t h);

/* Files and the file selector. */
KERNEL_API int32_t fim_fopen(const char* name, int32_t mode, int32_t* pfh);
KERNEL_API int32_t fim_fread(int32_t fh, uint32_t n, void* buf);
KERNEL_API int32_t fim_fseek(int32_t fh, uint32_t pos, int32_t mode);
KERNEL_API int32_t fim_ftell(int32_t fh, uint32_t* ppos);
KERNEL_API int32_t fim_fclose(int32_t fh);
KERNEL_API int32_t fim_xfsel(XFSPB* pxfspb);
KERNEL_API SPB* set_spb(void);

/* Frames, document objects, user interface. */
KERNEL_API int32_t xmd_fframe(int32_t sel, int32_t flags, FRD* pfrd);
KERNEL_API int32_t fre_change(FRD* pfrd);
KERNEL_API int32_t dsm_ocreate(int32_t type, int32_t flags, int32_t* ph);
KERNEL_API int32_t dsm_odelete(int32_t h);
KERNEL_API int32_t dom_mark(int32_t hfrh);
KERNEL_API int32_t fom_alert(int32_t mode, const void* tmpl);
KERNEL_API int32_t fom_stat(int32_t status);
KERNEL_API void usi_mset(int32_t form);
}

#endif
