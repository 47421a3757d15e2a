/* Placeholder until the module door is written. */
#include "../import/dxf.h"
HINSTANCE _hModule;
