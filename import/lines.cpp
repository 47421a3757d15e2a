/* Placeholder until this role is written. */
#include "dxf.h"
int32_t draw_line(int32_t, DXF*) { return -1; }
int32_t draw_polyline(int32_t, DXF*) { return -1; }
int32_t draw_vertex(int32_t, ONELINE) { return 0; }
