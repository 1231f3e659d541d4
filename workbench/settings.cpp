/* Reading and writing the settings keys. */
#include "settings.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "profile.h"
#include "values.h"

char const* const kDateFormats[3] = {"YYYY-MM-DD", "DD.MM.YYYY", "MM/DD/YYYY"};
char const* const kTimeFormats[2] = {"hh:mm:ss", "hh:mm"};

namespace {

/* Colour defaults: true-colour display first, then 256 colours. */
long const kColorTrue[5] = {0xC0E0F0, 0xFFD0D0, 0xB8E8B0, 0xD0D0D0, 0xFF0000};
long const kColor256[5] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xC0C0C0, 0xFF0000};

void colorKey(char* key, size_t size, bool trueColor, int i) {
    snprintf(key, size, trueColor ? "ecolor_%d" : "ecolor256_%d", i);
}

/* Keys with their numbers, written to the settings section in one change, so that
   the file holds all of them or, when the write fails, none. */
class cKeyBatch {
public:
    void add(char const* key, long value) {
        Item it;
        snprintf(it.key, sizeof it.key, "%s", key);
        snprintf(it.value, sizeof it.value, "%ld", value);
        items.push_back(it);
    }
    void write(char const* ini) const {
        std::vector<cIniEdit> edits;
        for (Item const& it : items)
            edits.push_back({SETTINGS_SECTION, it.key, it.value});
        vorIniWrite(ini, edits.data(), (int)edits.size());
    }

private:
    struct Item {
        char key[32];
        char value[16];
    };
    std::vector<Item> items;
};

}  // namespace

cSettings::cSettings()
    : maxRows(100), dateFmt(0), timeFmt(0), movecaret(true), bImplicitRollback(false),
      bBlobStr(false), nBlobStr(20), b_commit_always(false), bSavePswd(false),
      bBackgroundRun(true),
      trueColor(true) {
    lastDatabase[0] = 0;
    for (int i = 0; i < 5; i++) {
        ecolor[i] = colorKept[i] = kColorTrue[i];
        colorInFile[i] = false;
    }
}

void cSettings::load(char const* ini, bool trueColorDisplay) {
    cProfileman p;
    p.init(ini, SETTINGS_SECTION);
    trueColor = trueColorDisplay;
    maxRows = p.get_int("maxrows", 100, MAXROWS_MIN, MAXROWS_MAX);
    dateFmt = p.get_int("aktfmt_D", 0, 0, 2);
    timeFmt = p.get_int("aktfmt_T", 0, 0, 1);
    movecaret = p.get_bool("movecaret", true);
    bImplicitRollback = p.get_bool("bImplicitRollback", false);
    bBlobStr = p.get_bool("bBlobStr", false);
    nBlobStr = (short)p.get_int("nBlobStr", 20, BLOBCHARS_MIN, BLOBCHARS_MAX);
    b_commit_always = p.get_bool("b_commit_always", false);
    bSavePswd = p.get_bool("bSavePswd", false);
    bBackgroundRun = p.get_bool("bBackgroundRun", true);
    p.get_str("LastDatabase", lastDatabase, sizeof lastDatabase, "");
    for (int i = 0; i < 5; i++) {
        char key[32];
        colorKey(key, sizeof key, trueColor, i);
        ecolor[i] = colorKept[i] = p.get_int(key, trueColor ? kColorTrue[i] : kColor256[i]);
        char text[4];
        p.get_str(key, text, sizeof text, "\x01");
        colorInFile[i] = text[0] != '\x01';
    }
    applyDateFormats();
}

void cSettings::saveColors(char const* ini, bool onlyChanged) {
    cKeyBatch b;
    for (int i = 0; i < 5; i++) {
        if (onlyChanged && colorInFile[i] && ecolor[i] == colorKept[i])
            continue;
        char key[32];
        colorKey(key, sizeof key, trueColor, i);
        b.add(key, ecolor[i]);
        colorKept[i] = ecolor[i];
        colorInFile[i] = true;
    }
    b.write(ini);
}

void cSettings::saveDialogKeys(char const* ini, cSettings const* before) const {
    cKeyBatch b;
    auto add = [&](char const* key, long now, long then) {
        if (!before || now != then)
            b.add(key, now);
    };
    cSettings const& o = before ? *before : *this;
    add("maxrows", maxRows, o.maxRows);
    add("aktfmt_D", dateFmt, o.dateFmt);
    add("aktfmt_T", timeFmt, o.timeFmt);
    add("movecaret", movecaret, o.movecaret);
    add("bImplicitRollback", bImplicitRollback, o.bImplicitRollback);
    add("bBlobStr", bBlobStr, o.bBlobStr);
    add("nBlobStr", nBlobStr, o.nBlobStr);
    add("bBackgroundRun", bBackgroundRun, o.bBackgroundRun);
    b.write(ini);
}

void cSettings::applyDateFormats() const {
    int d = dateFmt >= 0 && dateFmt < 3 ? dateFmt : 0;
    int t = timeFmt >= 0 && timeFmt < 2 ? timeFmt : 0;
    char both[64];
    snprintf(both, sizeof both, "%s %s", kDateFormats[d], kTimeFormats[t]);
    cDatex::setDefaultFormat(1, kDateFormats[d]);
    cDatex::setDefaultFormat(2, kTimeFormats[t]);
    cDatex::setDefaultFormat(0, both);
}
