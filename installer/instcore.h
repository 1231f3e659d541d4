/* Installer helpers without Win32: i.ini section lists, path checks and display texts. */
#ifndef LUMBRA_INSTCORE_H
#define LUMBRA_INSTCORE_H

#include <cstddef>
#include <string>
#include <vector>

/* One "key=value" line of a list section. */
struct instxEntry {
    std::string key;    // trimmed, never empty
    std::string value;  // trimmed, may be empty
};

/* Splits a section as the profile functions return it (lines ending in NUL, the list in an
   extra NUL, at most len bytes read). Lines without "=" or with an empty key are ignored, as
   are comment lines (";"). */
std::vector<instxEntry> instxParseSection(char const* buf, size_t len);

/* Makes a relative path from a list key safe to join to a directory: "/" becomes "\", one
   trailing "\" is dropped. Refused (false) when empty, absolute, with a drive or any ":",
   a "." or ".." or empty component, a character below 32 or one of <>"|?*, or a form that
   cannot be written back as an INI key (leading ";" or "[", any "=", blanks at the ends). */
bool instxSafeRelPath(std::string const& in, std::string& out);

/* True when the last component of a path is "install.exe" or "i.ini" (any case). */
bool instxSkippedName(std::string const& path);

/* Every two-character sequence backslash-n becomes a space and a line feed. */
std::string instxExpandNewlines(std::string const& text);

/* DirDepth limited to 3..10. */
int instxDirDepth(long value);

/* The drive letter of a proposed "X:..." path replaced by drive; other forms unchanged. */
std::string instxOnDrive(std::string const& path, char drive);

/* Appends "\" when missing (an empty path stays empty). */
std::string instxWithSlash(std::string const& path);

/* A target the installer can create: letter, ":", "\" and at least one more character. */
bool instxTargetFormOk(std::string const& path);

/* A registry name usable as one key below its parent: not empty, no "\", at most max
   characters, no control characters. */
bool instxRegNameOk(std::string const& name, size_t max);

#endif
