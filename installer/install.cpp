/* Installer program: installs, upgrades or uninstalls an application described by i.ini. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(NULL, "The installer is not available in this build.", "Install", MB_OK | MB_ICONSTOP);
    return 1;
}
