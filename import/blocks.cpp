/* Placeholder until this role is written. */
#include "dxf.h"
int32_t hObj;
void* pObj;
uint16_t MAXOBJ;
int32_t GetBlocks(int32_t, DXF*) { return -1; }
