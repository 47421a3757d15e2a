/* Placeholder until this role is written. */
#include "dxf.h"
int32_t parceFile(int32_t, int32_t) { return -1; }
