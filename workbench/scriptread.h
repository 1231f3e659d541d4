/* Reading SQL script files command by command for the script runner: comments, quotes,
   ";" terminators and line numbers. No Win32 here, so it builds and is fuzzed natively. */
#ifndef LUMBRA_SCRIPTREAD_H
#define LUMBRA_SCRIPTREAD_H

#include <cstdio>
#include <string>

/* A character of a dollar quote's tag ($tag$): letters, "_", bytes above 127 and, after
   the first, digits. */
bool dollarTagChar(char c, bool first);

/* Size of the blocks a script file is read in. */
#define SCRIPT_BLOCK 1024

/* The scanner: fed blocks of any size, it collects one command at a time. Its states
   persist across blocks, so a command, comment or quote may span any number of them. */
class cScriptScan {
public:
    cScriptScan() { reset(); }
    void reset();

    /* Scans block[0..len) until a ";" outside quotes and comments ends the command or the
       block is used up. Returns the bytes consumed (at least 1 when len > 0; never more
       than len); *ended tells whether the command ended. */
    int scan(char const* block, int len, bool* ended);
    /* The end of the file: flushes a pending character. True when text was collected. */
    bool finish();
    /* The collected command without its leading blanks; the collection starts afresh
       (the line number and the comment/quote state go on). */
    std::string take();
    /* Bytes collected for the current command so far. */
    size_t collected() const { return text.size(); }

    int line;           // line number of the last character scanned, from 1

private:
    enum eState { PLAIN, LINE_COMMENT, BLOCK_COMMENT, QUOTED, DOLLAR_TAG, DOLLARS };
    eState state;
    char closer;        // the character ending the current quoted run
    std::string tag;    // "$tag$" of a dollar-quoted body (DOLLARS), or its start so far
    size_t bodyStart;   // where in text that body begins
    char pending;       // '-' or '/' (outside comments) or '*' (in a block comment) waiting
                        // for the next character; 0 when none
    std::string text;   // the command collected so far
};

/* A script file read in SCRIPT_BLOCK-byte blocks. The file position is kept between
   calls, so each call continues after the previous command's ";". */
class cScriptReader {
public:
    /* Takes over an open file (binary mode); closes it when destroyed. */
    explicit cScriptReader(FILE* f);
    ~cScriptReader();
    cScriptReader(cScriptReader const&) = delete;
    cScriptReader& operator=(cScriptReader const&) = delete;

    /* The next command (leading blanks removed, possibly empty); false at the end of the
       file with nothing collected, or when the file cannot be read (readError()). */
    bool next(std::string& command);
    /* Line number of the last character read: the line of the last command's ";". */
    int line() const { return scan.line; }
    bool readError() const { return failed; }

private:
    FILE* file;
    cScriptScan scan;
    char block[SCRIPT_BLOCK];
    int have;           // bytes in block
    int at;             // next byte of block to scan
    bool eof;
    bool failed;
};

#endif
