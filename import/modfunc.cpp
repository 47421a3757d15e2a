/*
 * modfunc.cpp: the module functions behind the door, other than the import command, and the
 * module's one funnel for alerts.
 *
 * Receives: the host's module descriptor (XM_EDIS) and the host's buffers, passed on by
 * module_entry; alert ids from every reader. Hands on: the version check and the module's
 * identifier to the host, the display name from the string table, and loaded dialog templates
 * to the host's alert service. Resources are found through _hModule, which function 0 sets.
 */
#include "dxf.h"

/* The module's identifier, the character constant 'DXF': in memory 'F', 'X', 'D', 0. */
static const int32_t MOD_ID = 0x00445846;

/* Accepts hosts whose cvnum lies in 16..255 and dvnum in 0x0300..0x03FF and then writes the
 * module's identifiers into the descriptor. Returns 0, or ST_WRONGHOST (descriptor left
 * untouched) for any other host, a missing descriptor included. */
int32_t mod_init(XM_EDIS* ped) {
    if (ped == nullptr)
        return ST_WRONGHOST;
    if (ped->cvnum < 16 || ped->cvnum > 255)
        return ST_WRONGHOST;
    if (ped->dvnum < 0x0300 || ped->dvnum > 0x03FF)
        return ST_WRONGHOST;
    ped->mod_id = MOD_ID;
    ped->mod_xid = 0;
    return 0;
}

/* Copies the display name, string IDS_MODNAME, with its terminating zero into pname, which must
 * take it whole. */
int32_t mod_name(int16_t, XM_EDIS*, char* pname) {
    char name[PATHLEN];
    name[0] = '\0'; /* an empty name, should the string be missing */
    LoadStringA(_hModule, IDS_MODNAME, name, PATHLEN);
    lstrcpyA(pname, name);
    return 0;
}

int32_t mod_exit(XM_EDIS*) {
    return 0;
}

int32_t mod_xfunc(int16_t, XM_EDIS*, void*) {
    return 0;
}

int32_t mod_event(XM_EDIS*, EVD*) {
    return 0;
}

int32_t mod_xmd(int16_t, XM_EDIS*, XMDPB*) {
    return 0;
}

/* Shows the alert of dialog template id through the host; the answer is not looked at. A
 * template that cannot be found is not handed on: nothing is shown then. */
void dxf_alert(int id) {
    HRSRC hres = FindResourceA(_hModule, MAKEINTRESOURCE(id), RT_DIALOG);
    if (hres == nullptr)
        return;
    HGLOBAL tmpl = LoadResource(_hModule, hres);
    if (tmpl == nullptr)
        return;
    fom_alert(-1, tmpl);
}
