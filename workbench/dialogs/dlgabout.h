/* The About box: program name, version, build date and icon, and the licence text shipped
   in the application directory. */
#ifndef LUMBRA_DLGABOUT_H
#define LUMBRA_DLGABOUT_H

#include <windows.h>

#include <string>

/* Name of the licence file in the application directory. */
#define EULA_FILE "EULA_Lumbra_en.txt"
/* Most bytes of it that are shown. */
#define EULA_MAX 10000

/* Runs "DLG_About" over owner; appDir ends with "\". */
INT_PTR runAboutDialog(HINSTANCE inst, HWND owner, char const* appDir);
/* The first EULA_MAX bytes of the licence file (up to a zero byte); false when the file
   cannot be opened. */
bool readEula(char const* appDir, std::string* text);
/* "Lumbra 2.0.6" and the build date, as the box shows them. */
std::string aboutProgramText();

#endif
