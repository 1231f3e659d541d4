/* Fuzz target for the export formatter: random cells in every format of every user. */
#include "fuzz.h"
#include "outfmt.h"

#include <cstring>

void fuzz_outfmt(const unsigned char* data, size_t size) {
    const char* s = (const char*)data;
    int n = (int)size;
    for (short user = 0; user < 2; user++) {
        for (short format = 1; format <= 4; format++) {
            outfmtLayout const* f = outfmt_get(user, format);
            if (!f)
                continue;
            cOutRow r;
            r.init(f, n ? s[0] : ',', n > 1 ? "t" : "");
            r.start();
            int expectMin = 0;
            for (int cut = 0; cut <= n; cut += 1 + n / 4) {
                int t = cut < n ? (unsigned char)s[cut] % 10 : 2;
                r.field(s, cut, t, (long)(cut * 3));
                expectMin += cut;
            }
            r.end();
            if (r.length() < expectMin)
                __builtin_trap();
            int k = outq_rule(f->escape, nullptr, s, n);
            if (k < n || k > 6 * n)
                __builtin_trap();
        }
    }
}
