/* INI files and other small files written whole: the new bytes go to a file beside the
   target, which takes its place only when they are complete. Win32 file calls only, so the
   installer links it statically. */
#ifndef VORCORE_INIWRITE_H
#define VORCORE_INIWRITE_H

#include <windows.h>

#include <cstddef>
#include <string>

#include "initext.h"
#include "vorcore.h"

/* The whole file into text, a missing file as "". False when it cannot be read or is
   64 MB or longer. */
VORCORE_API bool vorReadFile(char const* file, std::string& text);

/* False when path names a directory or a read-only file, which no new file may replace;
   true when it is a writable file or does not exist. */
VORCORE_API bool vorMayReplace(char const* path);

/* Puts n bytes in target's place: they are written to a new file beside it, flushed to disk
   and moved over target only when complete, so a failure leaves target as it was.
   A read-only target or a directory is not replaced. 1 done; 0 failed (the new file is
   gone); -1 no file could be made beside target. */
VORCORE_API int vorReplaceFile(char const* target, char const* bytes, size_t n);

/* A new, empty file in dir (ending in a backslash), open for writing, its name in temp:
   "lmbXXXX.tmp", or shorter when the directory's path leaves no room for that.
   INVALID_HANDLE_VALUE when none can be made. */
HANDLE vorNewFileBeside(char const* dir, char* temp, size_t size);

/* True when text may be written into an INI file: it holds no line break, which would
   start a line, a key or a section of its own. A key (isKey) also holds no "=" and no
   "[" or ";" at its start. Every writer here drops a value or key that fails. */
VORCORE_API bool vorIniSafe(char const* text, bool isKey);

/* Makes the edits to the INI file as one change, the way the private-profile calls would
   (initext.h), but never in place: the new text is written next to the file and put in its
   place when complete. False, with the file as it was, when that fails or when a name or
   value is not vorIniSafe (or a section name holds "]"), or no file can be made beside it.
   A file that starts with a byte-order mark keeps its encoding (false when its text has
   a character the ANSI code page lacks). Nothing is written when nothing changes. */
VORCORE_API bool vorIniWrite(char const* file, cIniEdit const* edits, int count);

/* Called with the file's name whenever vorIniWrite could not write safe edits to it (a
   read-only file, a full disk); returns the hook it replaces. 0: none. */
typedef void (*vorIniFailHook)(char const* file);
VORCORE_API vorIniFailHook vorSetIniFailHook(vorIniFailHook hook);

/* An edit vorIniWrite makes: a named section without "]", a key and value vorIniSafe. */
VORCORE_API bool vorIniEditSafe(cIniEdit const& e);

#endif
