/* Script files command by command: see scriptread.h. */
#include "scriptread.h"

void cScriptScan::reset() {
    line = 1;
    state = PLAIN;
    closer = 0;
    pending = 0;
    tag.clear();
    bodyStart = 0;
    text.clear();
}

bool dollarTagChar(char c, bool first) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           (unsigned char)c >= 0x80 || (!first && c >= '0' && c <= '9');
}

int cScriptScan::scan(char const* block, int len, bool* ended) {
    *ended = false;
    int i = 0;
    while (i < len) {
        char c = block[i++];
        switch (state) {
        case PLAIN:
            if (pending) {
                char p = pending;
                pending = 0;
                if (c == p || (p == '/' && c == '*')) {
                    state = c == '*' ? BLOCK_COMMENT : LINE_COMMENT;
                    break;
                }
                text += p;  // a lone '-' or '/' is kept; c is handled below
            }
            switch (c) {
            case '\n':
                line++;
                text += ' ';
                break;
            case '\r':
                text += ' ';
                break;
            case '#':
                state = LINE_COMMENT;
                break;
            case '-':
            case '/':
                pending = c;
                break;
            case '\'':
            case '"':
                closer = c;
                state = QUOTED;
                text += c;
                break;
            case '[':
                closer = ']';
                state = QUOTED;
                text += c;
                break;
            case ';':
                *ended = true;
                return i;
            case '$':
                // "$tag$" or "$$" opens a dollar-quoted body (PostgreSQL's function
                // bodies); "$1" and "a$b" do not.
                if (text.empty() || !(dollarTagChar(text.back(), false) || text.back() == '$')) {
                    tag = "$";
                    state = DOLLAR_TAG;
                }
                text += c;
                break;
            default:
                text += c;
            }
            break;
        case DOLLAR_TAG:
            if (c == '$') {
                tag += c;
                text += c;
                bodyStart = text.size();
                state = DOLLARS;
            } else if (dollarTagChar(c, tag.size() == 1)) {
                tag += c;
                text += c;
            } else {
                state = PLAIN;
                i--;  // no dollar quote: c is plain text
            }
            break;
        case DOLLARS:
            // The body is copied as it stands, up to the same tag.
            if (c == '\n')
                line++;
            text += c;
            if (c == '$' && text.size() >= bodyStart + tag.size() &&
                text.compare(text.size() - tag.size(), tag.size(), tag) == 0)
                state = PLAIN;
            break;
        case LINE_COMMENT:
            if (c == '\n') {
                line++;
                text += ' ';
                state = PLAIN;
            } else if (c == '\r') {
                text += ' ';
            }
            break;
        case BLOCK_COMMENT:
            if (pending == '*' && c == '/') {
                pending = 0;
                state = PLAIN;
                break;
            }
            pending = c == '*' ? '*' : 0;
            if (c == '\n') {
                line++;
                text += ' ';
            } else if (c == '\r') {
                text += ' ';
            }
            break;
        case QUOTED:
            // Quoted text is copied as it stands, line breaks included.
            if (c == '\n')
                line++;
            text += c;
            if (c == closer)
                state = PLAIN;
            break;
        }
    }
    return i;
}

bool cScriptScan::finish() {
    if (state == PLAIN && pending)
        text += pending;
    pending = 0;
    return !text.empty();
}

std::string cScriptScan::take() {
    size_t from = text.find_first_not_of(" \t\r\n");
    std::string out = from == std::string::npos ? std::string() : text.substr(from);
    text.clear();
    return out;
}

cScriptReader::cScriptReader(FILE* f)
    : file(f), have(0), at(0), eof(false), failed(false) {}

cScriptReader::~cScriptReader() {
    if (file)
        fclose(file);
}

bool cScriptReader::next(std::string& command) {
    command.clear();
    if (!file || failed)
        return false;
    for (;;) {
        if (at >= have) {
            if (!eof) {
                have = (int)fread(block, 1, SCRIPT_BLOCK, file);
                at = 0;
                if (have < SCRIPT_BLOCK) {
                    eof = true;
                    if (ferror(file)) {
                        failed = true;
                        return false;
                    }
                }
            }
            if (at >= have) {
                if (!scan.finish())
                    return false;
                command = scan.take();
                return true;
            }
        }
        bool ended = false;
        at += scan.scan(block + at, have - at, &ended);
        if (ended) {
            command = scan.take();
            return true;
        }
    }
}
