/* Placeholder until this role is written. */
#include "dxf.h"
int32_t mod_init(XM_EDIS*) { return -2; }
int32_t mod_name(int16_t, XM_EDIS*, char*) { return 0; }
int32_t mod_exit(XM_EDIS*) { return 0; }
int32_t mod_xfunc(int16_t, XM_EDIS*, void*) { return 0; }
int32_t mod_event(XM_EDIS*, EVD*) { return 0; }
int32_t mod_xmd(int16_t, XM_EDIS*, XMDPB*) { return 0; }
void dxf_alert(int) {}
