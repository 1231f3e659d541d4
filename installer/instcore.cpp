/* Installer helpers without Win32: i.ini section lists, path checks and display texts. */
#include "instcore.h"

#include <cstring>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(char const* s, size_t n) {
    size_t b = 0, e = n;
    while (b < e && isBlank(s[b]))
        b++;
    while (e > b && isBlank(s[e - 1]))
        e--;
    return std::string(s + b, e - b);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string const& a, char const* b) {
    size_t n = strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; i++)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

}  // namespace

std::vector<instxEntry> instxParseSection(char const* buf, size_t len) {
    std::vector<instxEntry> out;
    size_t i = 0;
    while (buf && i < len && buf[i]) {
        size_t start = i;
        while (i < len && buf[i])
            i++;
        char const* line = buf + start;
        size_t n = i - start;
        i++;  // past the line's NUL
        char const* eq = (char const*)memchr(line, '=', n);
        if (!eq)
            continue;
        instxEntry e;
        e.key = trimmed(line, (size_t)(eq - line));
        e.value = trimmed(eq + 1, n - (size_t)(eq - line) - 1);
        if (e.key.empty() || e.key[0] == ';')
            continue;
        out.push_back(e);
    }
    return out;
}

bool instxSafeRelPath(std::string const& in, std::string& out) {
    out.clear();
    std::string p = in;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    if (!p.empty() && p.back() == '\\')
        p.pop_back();
    if (p.empty() || p[0] == '\\' || p[0] == ';' || p[0] == '[' || isBlank(p[0]) || isBlank(p.back()))
        return false;
    for (char c : p) {
        unsigned char u = (unsigned char)c;
        if (u < 32 || strchr(":<>\"|?*=", c))
            return false;
    }
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find('\\', start);
        if (end == std::string::npos)
            end = p.size();
        std::string part = p.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    out = p;
    return true;
}

bool instxSkippedName(std::string const& path) {
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return equalsNoCase(name, "install.exe") || equalsNoCase(name, "i.ini");
}

std::string instxExpandNewlines(std::string const& text) {
    std::string s = text;
    for (size_t i = 0; i + 1 < s.size(); i++)
        if (s[i] == '\\' && s[i + 1] == 'n') {
            s[i] = ' ';
            s[i + 1] = '\n';
            i++;
        }
    return s;
}

int instxDirDepth(long value) {
    if (value < 3)
        return 3;
    if (value > 10)
        return 10;
    return (int)value;
}

std::string instxOnDrive(std::string const& path, char drive) {
    std::string s = path;
    if (s.size() >= 2 && s[1] == ':' && drive)
        s[0] = drive;
    return s;
}

std::string instxWithSlash(std::string const& path) {
    if (path.empty() || path.back() == '\\')
        return path;
    return path + "\\";
}

bool instxTargetFormOk(std::string const& path) {
    if (path.size() < 4)
        return false;
    char d = lowerAscii(path[0]);
    if (!(d >= 'a' && d <= 'z' && path[1] == ':' && path[2] == '\\' && path[3] != '\\'))
        return false;
    // A second ":" names another drive or a stream; "%" would be read by the shell in the
    // registered open command ("%1" is the document).
    return path.find_first_of(":%", 2) == std::string::npos;
}

bool instxRegNameOk(std::string const& name, size_t max) {
    if (name.empty() || name.size() > max)
        return false;
    for (char c : name)
        if ((unsigned char)c < 32 || c == '\\')
            return false;
    return true;
}
