/* Placeholder until the header reader is written. */
#ifndef IMPORT_DXFHEADER_H
#define IMPORT_DXFHEADER_H
#include "dxf.h"
struct COOR { float x, y, z; };
struct DXF { COOR extmin; COOR extmax; };
#endif
