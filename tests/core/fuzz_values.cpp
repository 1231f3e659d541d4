/* Fuzz target for the value classes: arbitrary bytes as texts, counts and pictures. */
#include "fuzz.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "values.h"

namespace {

/* Reads small signed integers and text pieces from the input, cycling over it. */
struct Input {
    const unsigned char* data;
    size_t size;
    size_t pos;

    int byte() {
        if (!size)
            return 0;
        return data[pos++ % size];
    }
    /* -128..127, sometimes far outside that. */
    int count() {
        int b = byte();
        if (b == 0x7f)
            return 0x7fffffff;
        if (b == 0x80)
            return -0x7fffffff - 1;
        return (signed char)b;
    }
    /* A terminated piece of the input of at most max bytes. */
    std::string piece(size_t max) {
        size_t n = size ? (size_t)byte() % (max + 1) : 0;
        std::string s;
        for (size_t i = 0; i < n && size; i++)
            s += (char)data[(pos + i) % size];
        pos += n;
        return s;
    }
};

void exerciseStrinx(const char* exact, int len, const std::string& term, Input& in) {
    cStrinx a;
    a.set(exact, len);
    cStrinx b(term.c_str());
    cStrinx c;
    c.set(term.c_str(), -1);
    c.set(exact, len);  // shrinks into the same block

    int n = in.count(), m = in.count();
    cStrinx l = a.left(n), r = a.right(n), mid = a.mid(n, m), lb = a.leftBut(m);
    (void)(l.len() + r.len() + mid.len() + lb.len());
    std::string needle = in.piece(4), with = in.piece(8);
    (void)a.substr(needle.c_str(), n);
    cStrinx rep = b.replace(needle.c_str(), with.c_str());
    (void)rep.len();
    (void)b.replace(needle.empty() ? nullptr : needle.c_str(), nullptr);

    cStrinx j;
    j.join(a.text, ", ");
    j.join(with.c_str(), needle.c_str());
    j.join(j.text, nullptr);
    j += a.text;
    j += j.text;
    j += n;
    cNumbex num(a.toDouble());
    j += num;
    cStrinx rep3 = a * (m & 7);
    rep3 *= (n & 3) - 1;
    cStrinx sum = a + b + "x" + n + num;
    sum = "y" + sum;
    sum = sum.text + (sum.len() / 2);  // assignment from inside the own block
    sum.setAlloc(n & 0xff);
    sum[n] = 'z';
    sum[m] = 0;
    (void)(sum.len() + a.empty());

    (void)((a == b) + (a != "q") + (a < b) + (a <= c) + ("m" > a) + (a >= c));
    (void)(a.trim().len() + a.ltrim().len() + a.rtrim().len() + a.lcase().len() + a.ucase().len());
    b.recode(1);
    b.recode(2);
    b.recode((short)n);
    (void)a.toNumbex().toDouble();
    cDatex d = a.toDatex();
    (void)d.toChars(nullptr, true);
    (void)(xompare(a, b) + xompare(a, num) + xompare(num, a) + xompare(d, a) + xompare(&a, &a));

    cStrinx rp(with.c_str(), m & 15);
    cVariablex* v = new cStrinx(rp);
    v->setVarptr(&num);
    v->setVarptr(&d);
    delete v;
    a.set(num.value);
    a.set(d.toTimext());
    a.setNull();
}

void exerciseNumbex(const char* exact, int len, const std::string& term, Input& in) {
    cNumbex a;
    a.set(exact, len);
    cNumbex b;
    b.set(term.c_str(), -1);
    a.setNumbexType((short)in.count());
    (void)a.toChars(nullptr, false);
    (void)a.toChars("BEST_FMT", true);
    (void)a.toChars((short)in.count());
    (void)a.toStrinx(nullptr, true).len();

    static const double specials[] = {1e308, -1e308, DBL_MAX, 1e-308, 5e-324, -0.0, 0.0, 0.5, -2.5,
                                      NAN, INFINITY, -INFINITY, 2147483648.0, -2147483649.0, 1e19};
    static const char* const formats[] = {"%.4f", "%f", "%.0f", "%e", "%g", "%.15f", "%30.10f", "BEST_FMT", ""};
    const int nspecial = (int)(sizeof specials / sizeof specials[0]);
    const int nformat = (int)(sizeof formats / sizeof formats[0]);
    cNumbex s(specials[in.byte() % nspecial]);
    (void)s.toChars(formats[in.byte() % nformat], true);
    (void)s.toChars("%.4f", true);
    cStrinx st;
    st.set(s.value);
    char mine[400], theirs[400];
    int places = in.byte() % 5;
    char fmt[8] = "%.0f";
    fmt[2] = (char)('0' + places);
    if (numbex_print(a.value, places, mine, sizeof mine) >= 0) {
        snprintf(theirs, sizeof theirs, fmt, a.value);
        if (strcmp(mine, theirs) != 0)
            __builtin_trap();
    }

    int n = in.count();
    cNumbex x = (a + b) * s - 1.0;
    x = x / b;
    x = x % a;
    x = (a ^ (long)n) | (b & s);
    x = (s << (long)n) >> b;
    x = (long)n << a;
    (void)((a && b) + (a || s) + !a + (a == b) + (a != 1.0) + (2.0 < a) + (a <= s) + (a > s) + (a >= b));
    ++x;
    x--;
    (void)(s.round((short)n) + s.div(b.value) + s.floor() + s.ceil() + s.abs() + s.pow(b.value));
    (void)(a.toShort() + s.toShort());
    (void)s.toTimext();
    cDatex d = a.toDatex();
    (void)d.toChars(nullptr, true);
    (void)cDatex(s.toTimext()).toChars("YYYY", true);
    a.setVarptr(&st);
    a.recode(1);
}

void exerciseDatex(const char* exact, int len, const std::string& term, Input& in) {
    cDatex a;
    a.set(exact, len);
    cDatex b;
    b.set(term.c_str(), -1);
    a.setDatexType((short)in.count());

    std::string picture = in.piece(40);
    (void)a.toChars(picture.c_str(), true);
    (void)a.toChars(nullptr, false);
    (void)b.toStrinx(picture.c_str(), true).len();
    short slot = (short)(in.byte() % 4);
    std::string saved = cDatex::getDefaultFormat(slot);
    cDatex::setDefaultFormat(slot, term.c_str());
    (void)b.toChars(nullptr, true);
    cDatex::setDefaultFormat(slot, saved.c_str());

    int n = in.count(), m = in.count(), k = in.count();
    float f = (float)in.count() / (float)(in.byte() + 1);
    cDatex r = a.addDays(n);
    r = r.addMonths(m);
    r = r.addYears(k);
    r = r.addHours(n).addMinutes(m).addSeconds(f);
    r = a.addDate(n, m, k).addTime(k, n, f).addDateTime(m, k, n, m, k, f).trunc();
    (void)r.toChars("DD MMMM YYYY hh:mm:ss", true);
    cDatex e(0x7fffffffffffffffLL);
    e = e + r;
    e = e - (__int64)n;
    e = (__int64)m - e;
    (void)e.addMonths(m).toChars(nullptr, true);
    (void)((a == b) + (a != r) + (a < (__int64)n) + ((__int64)m <= a) + (a > b) + (a >= r));
    (void)(a.mday() + a.month() + a.year() + a.hour() + a.minute() + a.second() + a.yday() + a.wday() +
           a.yweek() + a.days());
    cDatex c(a);
    c = b;
    c.set((double)n * 1e12);
    c.set(2024, m, n, k, m, n, k);
    cNumbex num = c.toNumbex();
    c.setVarptr(&num);
    (void)c.toStrinx(nullptr, false).len();
}

}  // namespace

void fuzz_values(const unsigned char* data, size_t size) {
    const char* exact = (const char*)data;
    int len = size > 0x100000 ? 0x100000 : (int)size;
    std::string term(exact, (size_t)len);
    Input in = {data, size, 0};
    exerciseStrinx(exact, len, term, in);
    exerciseNumbex(exact, len, term, in);
    exerciseDatex(exact, len, term, in);
}
