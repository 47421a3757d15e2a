/*
 * entry.cpp: the module's door, the one function the host calls.
 *
 * Receives: a function number and, after it, the arguments that belong to that number (host
 * descriptors by pointer, 16-bit numbers passed as int). Hands on: each call to its module
 * function (modfunc.cpp, and the import command in command.cpp) and that function's status back
 * to the host. Function 0 first keeps the module's instance handle, through which every later
 * resource access goes.
 */
#include <cstdarg>

#include "../import/dxf.h"

#if defined(_WIN32)
#define MODULE_API __declspec(dllexport)
#define MODULE_CALL __cdecl
#else
#define MODULE_API __attribute__((visibility("default")))
#define MODULE_CALL
#endif

HINSTANCE _hModule;

extern "C" MODULE_API int32_t MODULE_CALL module_entry(int fnc, ...);

/* Dispatches function fnc (taken as a signed 16-bit number). Returns the module function's
 * status for 0 and 1, 0 for 2 to 7, and -1 for any other number, with no argument read. */
extern "C" int32_t MODULE_CALL module_entry(int fnc, ...) {
    int32_t stat = 0;
    va_list ap;
    va_start(ap, fnc);
    switch (static_cast<int16_t>(fnc)) {
    case 0: {
        XM_EDIS* ped = va_arg(ap, XM_EDIS*);
        if (ped != nullptr) /* keep the handle even when mod_init refuses the host */
            _hModule = (HINSTANCE)(uintptr_t)(uint32_t)ped->hmod;
        stat = mod_init(ped);
        break;
    }
    case 1: {
        int16_t source = static_cast<int16_t>(va_arg(ap, int));
        XM_EDIS* ped = va_arg(ap, XM_EDIS*);
        stat = mod_exec(source, ped);
        break;
    }
    case 2:
        mod_exit(va_arg(ap, XM_EDIS*));
        break;
    case 3:
        break;
    case 4: {
        XM_EDIS* ped = va_arg(ap, XM_EDIS*);
        EVD* pevd = va_arg(ap, EVD*);
        mod_event(ped, pevd);
        break;
    }
    case 5: {
        int16_t xfnc = static_cast<int16_t>(va_arg(ap, int));
        XM_EDIS* ped = va_arg(ap, XM_EDIS*);
        void* xdata = va_arg(ap, void*);
        mod_xfunc(xfnc, ped, xdata);
        break;
    }
    case 6: {
        int16_t xfnc = static_cast<int16_t>(va_arg(ap, int));
        XM_EDIS* ped = va_arg(ap, XM_EDIS*);
        XMDPB* pxmd = va_arg(ap, XMDPB*);
        mod_xmd(xfnc, ped, pxmd);
        break;
    }
    case 7: {
        int16_t source = static_cast<int16_t>(va_arg(ap, int));
        XM_EDIS* ped = va_arg(ap, XM_EDIS*);
        char* pname = va_arg(ap, char*);
        mod_name(source, ped, pname);
        break;
    }
    default:
        stat = ST_NOFUNC;
        break;
    }
    va_end(ap);
    return stat;
}
