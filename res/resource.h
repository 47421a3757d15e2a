/* resource.h: identifiers of the module's resources, shared by the .rc source and the code. */
#ifndef RES_RESOURCE_H
#define RES_RESOURCE_H

#define IDS_MODNAME 0    /* the module's display name */
#define IDS_SELHEAD 1    /* heading of the file selector */

#define IDI_ICON0 31000
#define IDI_ICON1 31001
#define IDI_ALERT 31002  /* the icon both alerts show */
#define IDI_ICON3 31003
#define IDI_ICON4 31004

#define IDC_ALERTTEXT 100 /* static text of an alert */

#define IDD_INVALID 32000 /* "Invalid DXF File" alert */
#define IDD_NOT3D 32001   /* "Not Supported" alert */

#endif
