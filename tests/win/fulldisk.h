/* The small file system that ctest mounts for the full-disk tests (tests/workbench/fullfs.sh,
   its Unix path in LUMBRA_FULL_DIR), and filling it to the last byte. */
#ifndef LUMBRA_TEST_FULLDISK_H
#define LUMBRA_TEST_FULLDISK_H

#include <windows.h>

#include <string>

namespace fulldisk {

/* The mounted directory as Wine names it ("Z:\..."); "" when it is not there or not small. */
inline std::string dir() {
    char unixDir[MAX_PATH] = "";
    GetEnvironmentVariableA("LUMBRA_FULL_DIR", unixDir, sizeof unixDir);
    std::string full = std::string("Z:") + unixDir;
    for (char& c : full)
        c = c == '/' ? '\\' : c;
    ULARGE_INTEGER freeBytes;
    if (!*unixDir || !GetDiskFreeSpaceExA(full.c_str(), &freeBytes, 0, 0) ||
        freeBytes.QuadPart > 2 * 1024 * 1024)
        return "";
    return full;
}

/* Writes path until the disk takes not one more byte; false when it cannot be created. */
inline bool fill(std::string const& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    std::string block(4096, 'f');
    DWORD wrote;
    while (WriteFile(h, block.data(), (DWORD)block.size(), &wrote, 0) && wrote == block.size()) {
    }
    while (WriteFile(h, "f", 1, &wrote, 0) && wrote == 1) {
    }
    CloseHandle(h);
    return true;
}

}  // namespace fulldisk

#endif
