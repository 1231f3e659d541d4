/* INI files written whole: the new text beside the file, then moved into its place. */
#include "iniwrite.h"

#include <cstring>

namespace {

/* A file with a byte-order mark: its text as the ANSI code page writes it (false when a
   character has no exact form there), and back. */
enum { INI_ANSI, INI_UTF8, INI_UTF16LE, INI_UTF16BE };

int iniEncoding(std::string const& t) {
    if (t.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return INI_UTF8;
    if (t.size() >= 2 && (unsigned char)t[0] == 0xFF && (unsigned char)t[1] == 0xFE)
        return INI_UTF16LE;
    if (t.size() >= 2 && (unsigned char)t[0] == 0xFE && (unsigned char)t[1] == 0xFF)
        return INI_UTF16BE;
    return INI_ANSI;
}

bool iniToAnsi(std::string const& t, int enc, std::string* out) {
    std::wstring w;
    if (enc == INI_UTF8) {
        int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, t.data() + 3, (int)t.size() - 3, 0, 0);
        if (n <= 0 && t.size() > 3)
            return false;
        w.resize((size_t)n);
        if (n > 0)
            MultiByteToWideChar(CP_UTF8, 0, t.data() + 3, (int)t.size() - 3, &w[0], n);
    } else {
        for (size_t i = 2; i + 1 < t.size(); i += 2) {
            unsigned char lo = (unsigned char)t[i], hi = (unsigned char)t[i + 1];
            w += (WCHAR)(enc == INI_UTF16LE ? lo | hi << 8 : hi | lo << 8);
        }
    }
    out->clear();
    if (w.empty())
        return true;
    BOOL lost = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), (int)w.size(), 0, 0, 0, &lost);
    if (n <= 0 || lost)
        return false;
    out->resize((size_t)n);
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), (int)w.size(), &(*out)[0], n, 0, 0);
    return true;
}

std::string iniFromAnsi(std::string const& a, int enc) {
    std::wstring w((size_t)(a.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, a.data(), (int)a.size(), 0, 0)), L'\0');
    if (!w.empty())
        MultiByteToWideChar(CP_ACP, 0, a.data(), (int)a.size(), &w[0], (int)w.size());
    if (enc == INI_UTF8) {
        std::string u = "\xEF\xBB\xBF";
        int n = w.empty() ? 0 : WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), 0, 0, 0, 0);
        u.resize(3 + (size_t)n);
        if (n > 0)
            WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &u[3], n, 0, 0);
        return u;
    }
    std::string u = enc == INI_UTF16LE ? "\xFF\xFE" : "\xFE\xFF";
    for (WCHAR c : w) {
        char lo = (char)(c & 0xFF), hi = (char)(c >> 8);
        u += enc == INI_UTF16LE ? lo : hi;
        u += enc == INI_UTF16LE ? hi : lo;
    }
    return u;
}

}  // namespace

bool vorReadFile(char const* file, std::string& text) {
    text.clear();
    HANDLE h = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           0, OPEN_EXISTING, 0, 0);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    DWORD high = 0, size = GetFileSize(h, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size < (64u << 20);
    if (ok) {
        text.resize(size);
        DWORD got = 0;
        ok = size == 0 || (ReadFile(h, &text[0], size, &got, 0) && got == size);
    }
    CloseHandle(h);
    return ok;
}

bool vorMayReplace(char const* path) {
    // The move that replaces a file does not ask for its read-only flag; this does.
    DWORD attr = GetFileAttributesA(path);
    return attr == INVALID_FILE_ATTRIBUTES ||
           !(attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

/* Not GetTempFileName: with no room left in the path it makes a file under a cut name that
   it does not give back, and which stays. */
HANDLE vorNewFileBeside(char const* dir, char* temp, size_t size) {
    size_t d = strlen(dir);
    DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 8);
    for (int i = 0; i < 4096; i++) {
        unsigned u = (unsigned)(seed + i * 7919u) & 0xFFFF;
        int n = d + 11 < MAX_PATH ? snprintf(temp, size, "%slmb%04X.tmp", dir, u)
                                  : snprintf(temp, size, "%s~%X", dir, u);
        if (n < 0 || n >= MAX_PATH || (size_t)n >= size)
            return INVALID_HANDLE_VALUE;
        HANDLE h = CreateFileA(temp, GENERIC_WRITE, 0, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, 0);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

int vorReplaceFile(char const* target, char const* bytes, size_t n) {
    char dir[MAX_PATH + 1];
    char* part = 0;
    DWORD len = target ? GetFullPathNameA(target, sizeof dir, dir, &part) : 0;
    if (len == 0 || len >= sizeof dir || !part || !*part)
        return 0;
    std::string full(dir);
    if (!vorMayReplace(full.c_str()))
        return 0;
    *part = 0;
    char temp[MAX_PATH + 1];
    HANDLE h = vorNewFileBeside(dir, temp, sizeof temp);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    bool ok = true;
    for (size_t done = 0; ok && done < n;) {
        DWORD chunk = (DWORD)(n - done < (1u << 20) ? n - done : (1u << 20));
        DWORD wrote = 0;
        ok = WriteFile(h, bytes + done, chunk, &wrote, 0) && wrote == chunk;
        done += wrote;
    }
    ok = FlushFileBuffers(h) && ok;
    ok = CloseHandle(h) && ok;
    ok = ok && MoveFileExA(temp, full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(temp);
    return ok ? 1 : 0;
}

/* An edit that cannot change the file's structure: a named section without "]", and a key
   and value that are vorIniSafe. */
bool vorIniEditSafe(cIniEdit const& e) {
    return e.section && *e.section && !strchr(e.section, ']') && vorIniSafe(e.section, true) &&
           vorIniSafe(e.key, true) && vorIniSafe(e.value, false);
}

namespace {

vorIniFailHook g_iniFail = 0;

/* vorIniWrite once its edits are known to be safe. */
bool iniWrite(char const* file, cIniEdit const* edits, int count) {
    std::string old;
    if (!vorReadFile(file, old))
        return false;
    // A file with a byte-order mark is edited as ANSI text and keeps its encoding.
    int enc = iniEncoding(old);
    std::string ansi;
    if (enc != INI_ANSI && !iniToAnsi(old, enc, &ansi))
        return false;
    std::string const& before = enc == INI_ANSI ? old : ansi;
    std::string text = iniApply(before, edits, count);
    if (text == before)
        return true;
    if (enc != INI_ANSI)
        text = iniFromAnsi(text, enc);
    // Nothing is rewritten in place: where no new file can be made, the write fails.
    if (vorReplaceFile(file, text.data(), text.size()) <= 0)
        return false;
    // The profile calls keep the text they read last; make them read the new one.
    WritePrivateProfileStringA(0, 0, 0, file);
    return true;
}

}  // namespace

vorIniFailHook vorSetIniFailHook(vorIniFailHook hook) {
    vorIniFailHook old = g_iniFail;
    g_iniFail = hook;
    return old;
}

bool vorIniWrite(char const* file, cIniEdit const* edits, int count) {
    if (!file || !*file || !edits || count < 1)
        return false;
    for (int i = 0; i < count; i++) {
        if (!vorIniEditSafe(edits[i]))
            return false;
    }
    if (iniWrite(file, edits, count))
        return true;
    if (g_iniFail)
        g_iniFail(file);
    return false;
}

bool vorIniSafe(char const* text, bool isKey) {
    if (!text)
        return true;
    if (strpbrk(text, "\r\n"))
        return false;
    return !isKey || (!strchr(text, '=') && text[0] != '[' && text[0] != ';');
}

