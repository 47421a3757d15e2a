/* Placeholder until this role is written. */
#include "dxf.h"
int32_t hogr;
OGR* pogr;
uint32_t tSize, Offset, VOHOffset, vohSize;
VOH* pvoh;
double dminx, dminy, dmaxx, dmaxy, dwidth, dheight;
int32_t insert_nexel(int16_t, int16_t, int16_t, int16_t, int16_t, int16_t, int16_t) { return -1; }
void dword_set(void*, uint32_t) {}
void set_fixed_attributes(unsigned) {}
