/* resource.h: identifiers of the module's resources, shared by the .rc source and the code. */
#ifndef RES_RESOURCE_H
#define RES_RESOURCE_H

#define IDS_MODNAME 0 /* the module's display name */
#define IDS_SELHEAD 1 /* heading of the file selector */

#define IDI_MODULE 31000  /* the module: line work brought onto a sheet */
#define IDI_DXFFILE 31001 /* a DXF drawing file */
#define IDI_ALERT 31002   /* the warning sign both alerts show */
#define IDI_NOT3D 31003   /* a 3-D drawing refused */
#define IDI_FRAME 31004   /* line work held in a frame */

#define IDC_ALERTICON 31002 /* icon control of an alert */
#define IDC_ALERTTEXT 100   /* static text of an alert */
#define IDC_ALERTBTN 1      /* the alert's one push button, "Cancel" */

#define IDD_INVALID 32000 /* "Invalid DXF File" alert */
#define IDD_NOT3D 32001   /* "Not Supported" alert */

#endif
