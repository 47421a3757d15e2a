/* Placeholder until this role is written. */
#include "dxf.h"
void init_dh(DXF*) {}
int32_t getDXFheader(int32_t, DXF*) { return -1; }
int32_t parse_var(int32_t, char*, DXF*) { return -1; }
