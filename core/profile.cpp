/* INI profile access, the recent-files list and the registry helpers. */
#include "profile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "iniwrite.h"
#include "strx.h"
#include "winutil.h"

namespace {

char emptyString[1] = {0};

/* The private-profile calls treat a null section or key as "enumerate" or "delete",
   and an empty file name as win.ini; none of that is wanted here. */
bool usable(char const* file, char const* section, char const* key) {
    return file && *file && section && key;
}

bool writable(char const* file, char const* section, char const* key, char const* value) {
    cIniEdit e = {section, key, value};
    return usable(file, section, key) && vorIniEditSafe(e);
}

/* "%s%d" of prefix and number in a heap block. */
char* numberedKey(char const* prefix, int n) {
    size_t len = strlen(prefix) + 16;
    char* key = (char*)mallox((int)len);
    if (key)
        snprintf(key, len, "%s%d", prefix, n);
    return key;
}

}  // namespace

/* ---- cProfileman ---- */

cProfileman::cProfileman() : file(strdux(0)), section(strdux(0)) {}

cProfileman::~cProfileman() {
    strfrx(&file);
    strfrx(&section);
}

void cProfileman::init(char const* f, char const* s) {
    strfrdux(&file, (void*)f);
    strfrdux(&section, (void*)s);
}

void cProfileman::write_bool(char const* key, bool value) {
    write_bool_sec(section, key, value);
}

void cProfileman::write_bool_sec(char const* sec, char const* key, bool value) {
    write_str_sec(sec, key, value ? "1" : "0");
}

void cProfileman::write_int(char const* key, int value) {
    write_int_sec(section, key, value);
}

void cProfileman::write_int_sec(char const* sec, char const* key, int value) {
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    write_str_sec(sec, key, text);
}

void cProfileman::write_str(char const* key, char const* value) {
    write_str_sec(section, key, value);
}

void cProfileman::write_str_sec(char const* sec, char const* key, char const* value) {
    if (!writable(file, sec, key, value))
        return;
    cIniEdit e = {sec, key, value ? value : ""};
    vorIniWrite(file, &e, 1);
}

bool cProfileman::get_bool(char const* key, bool def) {
    return get_bool_sec(section, key, def);
}

bool cProfileman::get_bool_sec(char const* sec, char const* key, bool def) {
    return get_int_sec(sec, key, def ? 1 : 0) > 0;
}

int cProfileman::get_int(char const* key, int def, int min, int max) {
    return get_int_sec(section, key, def, min, max);
}

int cProfileman::get_int_sec(char const* sec, char const* key, int def, int min, int max) {
    if (!usable(file, sec, key))
        return def;
    int v = (int)GetPrivateProfileIntA(sec, key, def, file);
    if (min == 0 && max == 0)
        return v;
    if (v < min || v > max)
        return def;
    return v;
}

void cProfileman::get_str(char const* key, char* buf, int size, char const* def) {
    get_str_sec(section, key, buf, size, def);
}

void cProfileman::get_str_sec(char const* sec, char const* key, char* buf, int size,
                              char const* def) {
    if (!buf || size < 1)
        return;
    if (!def)
        def = "";
    if (!usable(file, sec, key)) {
        lstrcpynA(buf, def, size);
        return;
    }
    GetPrivateProfileStringA(sec, key, def, buf, (DWORD)size, file);
    buf[size - 1] = 0;
}

/* ---- cRecentFiles ---- */

cRecentFiles::cRecentFiles(short cnt, char const* f, char const* s, char const* prefix,
                           HMENU m, short mPos, short subPos, char const* empty)
    : count(cnt < 0 ? 0 : (cnt > RECENT_MAX ? RECENT_MAX : cnt)),
      file(strdux((void*)f)),
      section(strdux((void*)s)),
      keyPrefix(strdux((void*)prefix)),
      menu(m),
      menuPos(mPos),
      subMenuPos(subPos),
      emptyText(strdux((void*)empty)),
      entries(0),
      ok(false) {
    ok = file && section && keyPrefix && emptyText;
    if (ok && count > 0) {
        entries = (char**)mallox(count * (int)sizeof(char*));
        ok = entries != 0;
        for (int i = 0; ok && i < count; i++)
            entries[i] = 0;
        for (int i = 0; ok && i < count; i++) {
            entries[i] = strdux(0);
            ok = entries[i] != 0;
        }
    }
    if (!ok)
        return;
    load();
    rebuildMenu();
}

cRecentFiles::~cRecentFiles() {
    if (entries) {
        for (int i = 0; i < count; i++)
            freex(entries[i]);
        freex(entries);
    }
    freex(file);
    freex(section);
    freex(keyPrefix);
    freex(emptyText);
}

void cRecentFiles::load() {
    char value[500];
    for (int i = 0; i < count; i++) {
        char* key = numberedKey(keyPrefix, i + 1);
        if (!key)
            continue;
        value[0] = 0;
        if (usable(file, section, key))
            GetPrivateProfileStringA(section, key, "", value, sizeof value, file);
        value[sizeof value - 1] = 0;
        strfrdux(&entries[i], value);
        freex(key);
    }
}

void cRecentFiles::save() {
    std::vector<cIniEdit> edits;
    std::vector<char*> keys;
    for (int i = 0; i < count; i++) {
        char* key = numberedKey(keyPrefix, i + 1);
        if (!key)
            continue;
        keys.push_back(key);
        if (writable(file, section, key, entries[i]))
            edits.push_back({section, key, entries[i]});
    }
    if (!edits.empty())
        vorIniWrite(file, edits.data(), (int)edits.size());
    for (char* k : keys)
        freex(k);
}

/* Index of the last entry equal to name ignoring case, or -1. */
static int lastMatch(char** entries, int count, char const* name) {
    int found = -1;
    for (int i = 0; i < count; i++) {
        if (stricmpx(entries[i], name) == 0)
            found = i;
    }
    return found;
}

bool cRecentFiles::addFilename(char const* name) {
    if (!ok)
        return false;
    if (!name)
        name = "";
    if (!vorIniSafe(name, false))
        return false;  // such a name could not be written back as one entry
    if (count == 0)
        return rebuildMenu();
    if (lastMatch(entries, count, name) == 0)
        return true;
    /* Another window may have written the list since: start from the file's entries. */
    load();
    int found = lastMatch(entries, count, name);
    char* front;
    int last;
    if (found > 0) {
        front = entries[found];
        last = found;
    } else {
        front = strdux((void*)name);
        if (!front)
            return false;
        last = count - 1;
        freex(entries[last]);
    }
    for (int i = last; i > 0; i--)
        entries[i] = entries[i - 1];
    entries[0] = front;
    save();
    return rebuildMenu();
}

char* cRecentFiles::getFilename(short i) {
    if (!ok || i < 0 || i >= count)
        return emptyString;
    return entries[i];
}

bool cRecentFiles::rebuildMenu() {
    if (!ok)
        return false;
    HMENU sub = GetSubMenu(menu, menuPos);
    if (sub)
        sub = GetSubMenu(sub, subMenuPos);
    if (!sub)
        return false;
    DeleteMenu(sub, RECENT_CMD_EMPTY, MF_BYCOMMAND);
    for (int i = 0; i < count; i++)
        DeleteMenu(sub, RECENT_CMD_FIRST + i, MF_BYCOMMAND);
    bool any = false;
    for (int i = 0; i < count; i++) {
        if (!entries[i][0])
            continue;
        // "&" is the menu's mnemonic mark: a name shows its own "&" doubled.
        std::string label;
        for (char const* c = entries[i]; *c; c++)
            label.append(*c == '&' ? 2 : 1, *c);
        AppendMenuA(sub, MF_STRING, RECENT_CMD_FIRST + i, label.c_str());
        any = true;
    }
    if (!any)
        AppendMenuA(sub, MF_STRING | MF_GRAYED, RECENT_CMD_EMPTY, emptyText);
    return true;
}

/* ---- registry ---- */

namespace {

/* Creates or opens root\path and sets its default value; the key is closed again. */
bool setDefaultValue(HKEY root, char const* path, char const* value) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, 0, REG_OPTION_NON_VOLATILE, KEY_WRITE, 0, &key, 0) !=
        ERROR_SUCCESS)
        return false;
    if (!value)
        value = "";
    LONG rc = RegSetValueExA(key, 0, 0, REG_SZ, (BYTE const*)value, (DWORD)strlen(value) + 1);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace

bool vorAsocExtension(char const* ext, char* icon, char* description, char* progId) {
    /* A null or empty name would address HKEY_CLASSES_ROOT itself. */
    if (!ext || !*ext || !progId || !*progId)
        return false;
    if (!setDefaultValue(HKEY_CLASSES_ROOT, ext, progId))
        return false;
    HKEY prog;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, progId, 0, 0, REG_OPTION_NON_VOLATILE, KEY_WRITE, 0,
                        &prog, 0) != ERROR_SUCCESS)
        return false;
    bool done = setDefaultValue(prog, "", description) && setDefaultValue(prog, "DefaultIcon", icon);
    RegCloseKey(prog);
    return done;
}

bool vorAsocMenu(char const* verb, char* command, char const* progId) {
    if (!verb || !*verb || !progId || !*progId)
        return false;
    size_t len = strlen(progId) + strlen(verb) + 32;
    char* path = (char*)mallox((int)len);
    if (!path)
        return false;
    snprintf(path, len, "%s\\Shell\\%s\\Command", progId, verb);
    bool done = setDefaultValue(HKEY_CLASSES_ROOT, path, command);
    freex(path);
    return done;
}

bool vorGetRegAppRootDir(char const* app, char* dir) {
    if (!dir)
        return false;
    dir[0] = 0;
    if (!app || !*app)
        return false;
    size_t len = strlen(app) + 32;
    char* path = (char*)mallox((int)len);
    if (!path)
        return false;
    snprintf(path, len, "Software\\Vor Systems\\%s", app);
    HKEY key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
    freex(path);
    if (rc != ERROR_SUCCESS)
        return false;
    /* Read into a buffer one byte larger so a value stored without its terminator still
       ends inside; the caller's buffer holds MAX_PATH bytes. */
    char value[MAX_PATH + 1];
    DWORD type = 0;
    DWORD size = MAX_PATH;
    rc = RegQueryValueExA(key, "RootDir", 0, &type, (BYTE*)value, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    value[size <= MAX_PATH ? size : MAX_PATH] = 0;
    if (strlen(value) >= MAX_PATH)
        return false;
    strcpy(dir, value);
    return true;
}
