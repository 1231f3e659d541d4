/* Changes to the text of an INI file: see initext.h. */
#include "initext.h"

#include <cstring>
#include <vector>

namespace {

/* The blanks the profile calls strip around names and values. */
bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == 0x1a;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

struct Span {
    size_t begin, end;
};

/* A line: its text runs from begin to end (its "\r\n", "\n" or "\r" not included), the
   next line starts at next. A lone "\r" ends a line as it does for the profile calls, which
   would otherwise find a key this writer took for part of another line. */
struct Line {
    size_t begin, end, next;
};

std::vector<Line> splitLines(std::string const& t) {
    std::vector<Line> lines;
    size_t at = 0;
    while (at < t.size()) {
        size_t end = t.find_first_of("\r\n", at);
        size_t next = end == std::string::npos ? t.size() : end + 1;
        if (end == std::string::npos)
            end = t.size();
        else if (t[end] == '\r' && next < t.size() && t[next] == '\n')
            next++;
        lines.push_back({at, end, next});
        at = next;
    }
    return lines;
}

Span trimmed(std::string const& t, size_t b, size_t e) {
    while (b < e && blank(t[b]))
        b++;
    while (e > b && blank(t[e - 1]))
        e--;
    return {b, e};
}

bool isBlankLine(std::string const& t, Line const& l) {
    Span s = trimmed(t, l.begin, l.end);
    return s.begin == s.end;
}

/* The name of the section the line heads; false when it heads none. */
bool headerName(std::string const& t, Line const& l, Span* name) {
    Span s = trimmed(t, l.begin, l.end);
    if (s.begin == s.end || t[s.begin] != '[')
        return false;
    size_t close = t.rfind(']', s.end - 1);
    if (close == std::string::npos || close <= s.begin)
        return false;
    *name = trimmed(t, s.begin + 1, close);
    return true;
}

/* The name of the key on the line; false for a blank line. */
bool keyName(std::string const& t, Line const& l, Span* name) {
    Span s = trimmed(t, l.begin, l.end);
    if (s.begin == s.end)
        return false;
    size_t eq = t.find('=', s.begin);
    *name = trimmed(t, s.begin, eq < s.end ? eq : s.end);
    return true;
}

bool sameName(std::string const& t, Span s, std::string const& want) {
    if (s.end - s.begin != want.size())
        return false;
    for (size_t i = 0; i < want.size(); i++) {
        if (lower(t[s.begin + i]) != lower(want[i]))
            return false;
    }
    return true;
}

std::string trimmedText(char const* s) {
    std::string v(s);
    Span sp = trimmed(v, 0, v.size());
    return v.substr(sp.begin, sp.end - sp.begin);
}

std::string lineEnd(std::string const& t) {
    size_t nl = t.find('\n');
    return nl != std::string::npos && (nl == 0 || t[nl - 1] != '\r') ? "\n" : "\r\n";
}

void apply(std::string& t, cIniEdit const& e) {
    if (!e.section)
        return;
    std::string section = trimmedText(e.section);
    std::string eol = lineEnd(t);
    std::vector<Line> lines = splitLines(t);
    size_t head = lines.size(), stop = lines.size();
    for (size_t i = 0; i < lines.size(); i++) {
        Span name;
        if (!headerName(t, lines[i], &name))
            continue;
        if (head < lines.size()) {
            stop = i;
            break;
        }
        if (sameName(t, name, section))
            head = i;
    }
    if (!e.key) {
        if (head < lines.size()) {
            size_t to = stop < lines.size() ? lines[stop].begin : t.size();
            t.erase(lines[head].begin, to - lines[head].begin);
        }
        return;
    }
    std::string key = trimmedText(e.key);
    char const* value = e.value;
    while (value && blank(*value))
        value++;
    if (head == lines.size()) {
        if (!value)
            return;
        if (!t.empty() && t[t.size() - 1] != '\n')
            t += eol;
        t += "[" + section + "]" + eol + key + "=" + value + eol;
        return;
    }
    size_t last = head;
    for (size_t i = head + 1; i < stop; i++) {
        Span name;
        if (keyName(t, lines[i], &name) && sameName(t, name, key)) {
            if (!value) {
                t.erase(lines[i].begin, lines[i].next - lines[i].begin);
            } else {
                std::string line = t.substr(name.begin, name.end - name.begin) + "=" + value;
                t.replace(lines[i].begin, lines[i].end - lines[i].begin, line);
            }
            return;
        }
        if (!isBlankLine(t, lines[i]))
            last = i;
    }
    if (!value)
        return;
    size_t at = lines[last].next;
    std::string add = key + "=" + value + eol;
    if (at == t.size() && (t.empty() || t[t.size() - 1] != '\n'))
        add = eol + add;
    t.insert(at, add);
}

}  // namespace

std::string iniApply(std::string const& text, cIniEdit const* edits, int count) {
    std::string t = text;
    for (int i = 0; edits && i < count; i++)
        apply(t, edits[i]);
    return t;
}
