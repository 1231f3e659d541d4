/* instdrive: runs an installer without a person.
   Usage: instdrive INSTALLER.EXE DIRECTORY [TARGET]
   Starts the installer in DIRECTORY (where its i.ini is), types TARGET when given, presses
   START, answers the message boxes (printing their texts) and closes the window. Exit code
   0 when the installer showed "Finished!", 1 otherwise. */
#include <cstdio>

#include "instdrive.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: instdrive INSTALLER.EXE DIRECTORY [TARGET]\n");
        return 2;
    }
    instdrive::Session s;
    if (!s.start(argv[1], argv[2])) {
        fprintf(stderr, "instdrive: cannot start %s in %s\n", argv[1], argv[2]);
        return 1;
    }
    bool shown = s.waitWindow();
    std::string result, title;
    if (shown) {
        title = s.title();
        printf("%s\n", title.c_str());
        if (argc == 4)
            s.setTarget(argv[3]);
        printf("target: %s\n", s.target().c_str());
        result = s.run();
    }
    for (std::string const& m : s.messages())
        fprintf(stderr, "message box: %s\n", m.c_str());
    DWORD code = shown ? s.close(20000, result.empty() ? 303 : 302) : s.waitExit();
    // An install opens its target in the shell when it closes; nobody looks at it here.
    if (title.find("  -  INSTALL") != std::string::npos)
        instdrive::closeFolderWindows(5000);
    if (code == STILL_ACTIVE)
        fprintf(stderr, "instdrive: the installer did not end\n");
    printf("%s\n", result.empty() ? "not run" : result.c_str());
    fflush(stdout);
    return result == "Finished!" && code == 0 ? 0 : 1;
}
