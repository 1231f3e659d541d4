/* An output file that replaces its target only once it is completely written: the bytes
   go to a temporary file in the target's directory, which commit() moves into place. */
#ifndef LUMBRA_SAFEFILE_H
#define LUMBRA_SAFEFILE_H

#include <windows.h>

#include <cstdio>
#include <cstddef>

#include "vorcore.h"

class VORCORE_API cSafeFile {
public:
    cSafeFile();
    ~cSafeFile();  // an uncommitted file is removed
    cSafeFile(cSafeFile const&) = delete;
    cSafeFile& operator=(cSafeFile const&) = delete;

    /* Creates the temporary file for target; false when that is impossible (no such
       directory, no right to write there, name too long) or target is a directory or a
       read-only file. */
    bool open(char const* target);
    bool isOpen() const { return file != 0; }
    /* False once any write has failed; later writes do nothing. */
    bool write(void const* bytes, size_t n);
    bool write(char const* text);
    /* Flushes, closes and moves the temporary file over the target. */
    bool commit();
    /* Closes and removes the temporary file; the target stays as it was. */
    void discard();

private:
    FILE* file;
    bool failed;                  // a write or flush failed
    char target[MAX_PATH + 1];    // full path of the final file
    char temp[MAX_PATH + 1];      // full path of the temporary file
    char* buffer;                 // stdio buffer of the file
};

#endif
