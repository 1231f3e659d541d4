/* Output files replaced only when complete: see safefile.h. */
#include "safefile.h"

#include <cstdlib>
#include <cstring>

#include "iniwrite.h"

namespace {
const size_t kBuffer = 1 << 16;
}

cSafeFile::cSafeFile() : file(0), failed(false), buffer(0) {
    target[0] = 0;
    temp[0] = 0;
}

cSafeFile::~cSafeFile() { discard(); }

bool cSafeFile::open(char const* name) {
    discard();
    failed = false;
    if (!name || !*name)
        return false;
    char* filePart = 0;
    DWORD n = GetFullPathNameA(name, sizeof target, target, &filePart);
    if (n == 0 || n >= sizeof target || !filePart || !*filePart)
        return false;
    /* A name no file can have: the replace at the end would fail, after the whole write. */
    for (char const* p = filePart; *p; p++)
        if ((unsigned char)*p < 32 || strchr("<>:\"/\\|?*", *p))
            return false;
    char dir[MAX_PATH + 1];
    size_t dirLen = (size_t)(filePart - target);
    memcpy(dir, target, dirLen);
    dir[dirLen] = 0;
    if (!vorMayReplace(target))
        return false;
    HANDLE h = vorNewFileBeside(dir, temp, sizeof temp);
    if (h == INVALID_HANDLE_VALUE) {
        temp[0] = 0;
        return false;
    }
    CloseHandle(h);
    file = fopen(temp, "wb");
    if (!file) {
        DeleteFileA(temp);
        temp[0] = 0;
        return false;
    }
    buffer = (char*)malloc(kBuffer);
    if (buffer)
        setvbuf(file, buffer, _IOFBF, kBuffer);
    return true;
}

bool cSafeFile::write(void const* bytes, size_t n) {
    if (!file || failed)
        return false;
    if (n && fwrite(bytes, 1, n, file) != n)
        failed = true;
    return !failed;
}

bool cSafeFile::write(char const* text) { return write(text, strlen(text)); }

bool cSafeFile::commit() {
    if (!file)
        return false;
    if (fflush(file) != 0)
        failed = true;
    if (fclose(file) != 0)
        failed = true;
    file = 0;
    free(buffer);
    buffer = 0;
    if (failed || !MoveFileExA(temp, target,
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp);
        temp[0] = 0;
        return false;
    }
    temp[0] = 0;
    return true;
}

void cSafeFile::discard() {
    if (file) {
        fclose(file);
        file = 0;
    }
    free(buffer);
    buffer = 0;
    if (temp[0]) {
        DeleteFileA(temp);
        temp[0] = 0;
    }
}
