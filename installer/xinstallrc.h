/* Control and command identifiers of the installer window. */
#ifndef LUMBRA_XINSTALLRC_H
#define LUMBRA_XINSTALLRC_H

#define IDC_XI_TARGET 300
#define IDC_XI_BROWSE 301
#define IDC_XI_START 302
#define IDC_XI_CLOSE 303
#define CMD_XI_ESCAPE 888

#endif
