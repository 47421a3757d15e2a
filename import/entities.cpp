/* Placeholder until this role is written. */
#include "dxf.h"
int32_t GetEntities(int32_t, DXF*) { return -1; }
