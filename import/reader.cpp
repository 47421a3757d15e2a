/* Placeholder until this role is written. */
#include "dxf.h"
int kw_match(const char*, const char*) { return 0; }
int32_t get_next(int32_t, char*) { return -1; }
int32_t get_grpnm(int32_t, uint32_t*, char*) { return -1; }
int32_t get_coordinates(int32_t, double*, double*, double*, double*, double*) { return -1; }
int32_t drop_table(int32_t) { return -1; }
uint32_t in_text(char, const char*) { return 0; }
int32_t validate_string(const char*, const char*, const char*) { return -1; }
