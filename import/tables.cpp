/* Placeholder until this role is written. */
#include "dxf.h"
LAYER Layer[MAXTABLE];
LINE Line[MAXTABLE];
uint16_t MAXLAY;
uint16_t MAXLINE;
int32_t GetTables(int32_t, DXF*) { return -1; }
int32_t get_ltype(int32_t) { return -1; }
int32_t get_layer(int32_t) { return -1; }
uint16_t get_layerno(const char*) { return 0; }
uint16_t get_linetype(const char*, uint16_t) { return 0; }
uint16_t get_color(const char*, uint16_t) { return 0; }
