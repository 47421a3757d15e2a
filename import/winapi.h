/*
 * winapi.h: the few Windows calls the module makes (its own resources, two string functions).
 * On Windows they are the system's; elsewhere small stand-ins read the module's own compiled
 * resources, linked into the module, so the module's code is the same on every platform.
 */
#ifndef IMPORT_WINAPI_H
#define IMPORT_WINAPI_H

#if defined(_WIN32)
#include <windows.h>
#else
#include "../kernel/winshim.h"
#endif

#include "../res/resource.h"

#endif
