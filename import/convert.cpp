/* Placeholder until this role is written. */
#include "dxf.h"
int32_t dxf_atol(const char*) { return 0; }
double dxf_atof(const char*) { return 0; }
int32_t dxf_trunc(double) { return 0; }
int16_t dxf_t16(double) { return 0; }
int16_t dxf_r16(double) { return 0; }
uint32_t dxf_best(double) { return 0; }
