/* Texts the workbench shows: log entries, status fields, window titles, questions.
   No Win32 here, so the rules can be checked anywhere. */
#ifndef LUMBRA_WBTEXT_H
#define LUMBRA_WBTEXT_H

#include <string>

/* Most characters the message pane keeps. */
#define LOG_PANE_MAX 30000
/* Most characters of one entry: the pane's edit control wraps a line in time that grows
   with the cube of its length (under Wine 8,000 characters take a second and a half). */
#define LOG_ENTRY_MAX 2000

/* "[n] [OK] [0.25 s]  " -- the seconds part only when seconds > 0. */
std::string logHeader(int counter, bool isError, double seconds);
/* Header, then text (TAB/CR/LF as blanks), then "\r\n=== " and the statement when both
   are given, then "\r\n\r\n". A statement without a text is not shown. An entry longer
   than maxLen is cut (keeping its start) so that it still fits into the pane. */
std::string logEntry(std::string const& header, char const* text, char const* statement,
                     int maxLen = LOG_PANE_MAX);
/* Characters to delete from the start of a pane holding current characters before an
   entry of entryLen characters is appended. */
int logPaneCut(int current, int entryLen, int maxLen = LOG_PANE_MAX);

/* Status field of slot n (1..3): "Q1: not connected", "Q1: src/user" or "Q1: src". */
std::string slotStatusText(int n, char const* dsn, char const* user);
/* "Lumbra       [Q2:  sales/scott]   [Untitled2]". */
std::string slotWindowTitle(int n, char const* dsn, char const* user, char const* file);
/* Row-count field: "DB: a / a", "DB: a / ???" (maxRows reached), "GRID: v / a" after a
   filter ("GRID: v / a ???" when maxRows was reached), "" for an empty result without
   columns. */
std::string rowCountText(bool fromDatabase, int countA, int countV, int colCount, int maxRows);
/* What keeps a file's bytes out of the script editor. */
enum eScriptProblem {
    SCRIPT_OK = 0,
    SCRIPT_BINARY = 1,     // a NUL byte; at is its offset
    SCRIPT_LONG_LINE = 2,  // a line longer than the editor takes; at is its length
    SCRIPT_UTF16 = 3,      // UTF-16 text (a byte order mark)
    SCRIPT_SHAPING = 4     // an accent Wine's text shaping faults on (strx_shapingTrap); at is its line
};
/* The first problem of data. Lines end at CR LF, and also at a lone LF when lfBreaks
   (as the edit control of the platform in use breaks them). */
eScriptProblem scriptTextProblem(char const* data, size_t size, size_t maxLine, bool lfBreaks,
                                 size_t* at);

/* data with each lone CR (an old Mac line end, which breaks no line of the edit control
   while the statement finder ends a statement there) made the CR LF the editor writes. */
std::string crLineEnds(char const* data, size_t size);

/* "Save changes?\r\n\r\n" and the file name or "Untitled" with the slot number. */
std::string saveQuestion(char const* file, int number);

/* Number format of a column from its first values: "%.2f" as soon as one is not whole,
   else "%.0f". */
char const* numberFormatFor(double const* values, int count);

/* The statement laid out for the Show Expression dialog: ";" appended and every clause
   on a line of its own. */
std::string expressionLayout(char const* sql);
/* "select " + columns + the part of sql from its first " from " (any letter case);
   "" when sql has no such part. */
std::string expressionOfColumns(std::string const& columns, char const* sql);

/* Text run by Show Expression's Run: trimmed, one trailing ";" dropped. */
std::string runnableText(char const* text);

#endif
