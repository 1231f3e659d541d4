/* Fuzz target for the string helpers and the timex scalar. */
#include "fuzz.h"
#include "initext.h"
#include "strx.h"
#include "timex.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

/* Reads the input as a stream of numbers, cycling when it runs out. */
struct Bytes {
    const unsigned char* data;
    size_t size;
    size_t pos;
    uint64_t next64() {
        uint64_t v = 0;
        for (int i = 0; i < 8; i++)
            v = (v << 8) | (size ? data[(pos++) % size] : 0x5A);
        return v;
    }
    int nextInt() {
        uint64_t v = next64();
        switch (v & 3) {
        case 0: return (int)(int8_t)(v >> 8);
        case 1: return (int)(int16_t)(v >> 8);
        default: return (int)(uint32_t)(v >> 8);
        }
    }
};

char* heap(const std::string& s) {
    char* p = (char*)mallox((int)s.size() + 1);
    memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

void checkTmx(const _tmx& tm) {
    if (tm.month > 12 || tm.day > 31 || tm.hour > 23 || tm.minute > 59 || tm.second > 59 ||
        tm.msec > 999)
        __builtin_trap();
}

void fuzzTime(const std::string& text, Bytes& in) {
    /* Built-in list, then the text (and its halves) as pictures. */
    _tmx tm = strtimex(text.c_str(), nullptr, 0);
    checkTmx(tm);
    size_t half = text.size() / 2;
    std::vector<std::string> pics = {text, text.substr(0, half), text.substr(half)};
    std::vector<char*> list;
    for (auto& p : pics)
        list.push_back(&p[0]);
    list.insert(list.begin() + 1, nullptr);
    tm = strtimex(text.c_str(), list.data(), (int)list.size());
    checkTmx(tm);
    tm = strtimex(pics[2].c_str(), list.data() + 2, 2);
    checkTmx(tm);

    __int64 t = (__int64)in.next64();
    const __int64 edges[] = {t, (__int64)(0 - (uint64_t)t), t % 400000000000000LL, 0, -1, LLONG_MIN, LLONG_MAX,
                             mktimex(tm)};
    for (__int64 v : edges) {
        _tmx g = gmtimex(v);
        checkTmx(g);
        if (v > 0 && g.year < 32767 && mktimex(g) != v)
            __builtin_trap();
        for (char* pic : {&pics[0][0], &pics[1][0], (char*)nullptr}) {
            const char* out = ctimex(v, pic);
            if (strlen(out) >= 128)
                __builtin_trap();
        }
        char http[30];
        if (strlen(timex_to_http(http, v)) != 29)
            __builtin_trap();
        char day[4];
        short w = timex_strweekday(v, day);
        if (w < 0 || w > 6)
            __builtin_trap();
        timex_leap(v);
        timex_yearday(v);
        timex_yearweek(v);
        timex_trunc(v);
        timex_to_timet(v);
    }
    timet_to_timex((long)in.next64());

    /* Wild broken-down records, printed and converted. */
    _tmx wild;
    wild.year = (short)in.nextInt();
    wild.month = (unsigned char)in.nextInt();
    wild.day = (unsigned char)in.nextInt();
    wild.hour = (unsigned char)in.nextInt();
    wild.minute = (unsigned char)in.nextInt();
    wild.second = (unsigned char)in.nextInt();
    wild.msec = (unsigned short)in.nextInt();
    if (strlen(ctimex(wild, &pics[0][0])) >= 128)
        __builtin_trap();
    mktimex(wild);
    int f[7];
    for (int& x : f)
        x = in.nextInt();
    gmtimex(mktimex(f[0], f[1], f[2], f[3], f[4], f[5], f[6]));
    gmtimex(mktimex(INT_MAX, f[1], INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX));
    gmtimex(mktimex(INT_MIN, f[1], INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN));
}

void fuzzFields(const std::string& text, Bytes& in) {
    char* s = heap(text);
    char* p = s;
    char* slot = nullptr;
    for (int i = 0; i < 8; i++) {
        switch (in.next64() % 5) {
        case 0: xxatoi(&p, (short)in.nextInt()); break;
        case 1: xxatol(&p, (short)(in.next64() % 24)); break;
        case 2: xxbool(&p); break;
        case 3: freex(xxdux(&p)); break;
        default: xxfrdux(&slot, &p); break;
        }
        if (p < s || p > s + text.size())
            __builtin_trap();
        if (*p == '\r' || *p == '\n')
            p++;
    }
    strfrx(&slot);
    freex(s);
}

void fuzzText(const unsigned char* data, size_t size, const std::string& text, Bytes& in) {
    /* Exact unterminated buffer where a length is taken. */
    std::vector<char> exact(data, data + size);
    strx_recode((short)(in.next64() % 4), exact.data(), (int)size);
    freex(strx_recodux((short)(in.next64() % 4), exact.data(), (int)(size < 3 ? size : 3) - 1));
    if (size)
        freex(strndux(exact.data(), (int)size));

    char* s = heap(text);
    strx_recode(1, s, -1);
    strx_recode(2, s, -1);
    freex(strx_recodux(1, s, -1));
    freex(strx_recodux(2, s, (int)text.size()));

    size_t half = text.size() / 2;
    std::string needle = text.substr(half, 1 + in.next64() % 4);
    char* n = heap(needle);
    for (int q = 0; q < 2; q++) {
        char* hit = strx_stristr(s, n, q);
        if (hit && (hit < s || hit >= s + text.size()))
            __builtin_trap();
    }
    xistrstr(s, n);
    strcmpx(s, n);
    stricmpx(s, n);
    freex(n);

    char** words = strx_split(s, nullptr);
    for (char** w = words; *w; w++) {
        if (!**w)
            __builtin_trap();
    }
    strx_free_array(words);

    for (int mode = 0; mode < 4; mode++) {
        char* t = strdux(s);
        strx_trim(&t, mode);
        freex(t);
    }
    char* t = strdux(s);
    trimexme(t);
    size_t tl = strlen(t);
    if (tl && (t[0] == ' ' || t[tl - 1] == ' '))
        __builtin_trap();
    removeDiacritic(t);
    if (RFD(t, '#') != t + tl)
        __builtin_trap();
    freex(t);
    freex(s);

    RGBPROC((long)in.next64(), (short)in.nextInt());
}

/* INI edits: setting the same value twice changes nothing the second time, taking a key or
   a section out never adds text, and nothing reads past the text. */
void fuzzIni(const std::string& raw, Bytes& in) {
    static char const* const names[] = {"A", "a", " b ", "x", "", "\xC8", "[c", "k=v"};
    static char const alphabet[] = "[]=\r\n Aabx;\xC8";  // lines, headers and keys
    std::string t = raw;
    for (char& c : t)
        c = alphabet[(unsigned char)c % (sizeof alphabet - 1)];
    char const* s = names[in.next64() % 8];
    char const* k = names[in.next64() % 6];  // keys the writers let through
    cIniEdit set = {s, k, "v"};
    std::string once = iniApply(t, &set, 1);
    if (iniApply(once, &set, 1) != once)
        __builtin_trap();
    cIniEdit gone = {s, k, 0};
    std::string removed = iniApply(once, &gone, 1);
    if (removed.size() > once.size())
        __builtin_trap();
    cIniEdit section = {s, 0, 0};
    if (iniApply(once, &section, 1).size() > once.size())
        __builtin_trap();
}

}  // namespace

void fuzz_strings(const unsigned char* data, size_t size) {
    std::string text((const char*)data, size);
    /* The texts handed to zero-terminated functions stop at the first zero byte anyway. */
    text = text.c_str();
    Bytes in = {data, size, 0};
    fuzzTime(text, in);
    fuzzFields(text, in);
    fuzzText(data, size, text, in);
    fuzzIni(std::string((const char*)data, size), in);
}
