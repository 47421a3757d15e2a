/* Placeholder until this role is written. */
#include "dxf.h"
XFSPB fsel;
char filespec[PATHLEN];
char filename[PATHLEN];
char ext[1][PATHLEN];
int32_t mod_exec(int16_t, XM_EDIS*) { return 1; }
int32_t selectFile(int, char*) { return 1; }
int32_t openDXF(const char*, int32_t*) { return -1; }
int32_t importDXF(int32_t, int32_t, int32_t) { return -1; }
int32_t set_frame_name(int32_t, const char*) { return -1; }
int32_t onError(int32_t, int32_t, int32_t) { return -1; }
