/* Finding the statement under the caret of a script and telling what kind of statement it
   is. Works on plain text; the editor supplies its own line model. */
#ifndef LUMBRA_STMTFIND_H
#define LUMBRA_STMTFIND_H

#include <string>
#include <utility>
#include <vector>

/* Line numbering of a text, as the editor that shows it counts lines. */
class cLineMap {
public:
    virtual ~cLineMap() {}
    virtual int lineFromChar(int pos) = 0;  // line holding the character at pos
    virtual int lineIndex(int line) = 0;    // first character of line, -1 past the end
    virtual int lineCount() = 0;
};

/* Lines of a plain text: a line ends after LF, so CR LF and a lone LF both break it. */
class cTextLines : public cLineMap {
public:
    cTextLines(char const* text, int len);
    int lineFromChar(int pos) override;
    int lineIndex(int line) override;
    int lineCount() override;

private:
    std::vector<int> starts;  // first character of every line, ascending
    int length;
};

/* Stretches of a text in which no ";" ends a statement: dollar-quoted bodies ($$ ... $$ or
   $tag$ ... $tag$, as PostgreSQL writes function bodies), block comments, and quoted texts
   and names that run over a line break, each [first, end); a body or comment left open runs
   to the end, a quote left open quotes nothing. Line comments are read so that a quote,
   "$$" or comment opener in them opens none. */
typedef std::vector<std::pair<int, int>> tQuietSpans;
tQuietSpans quietSpans(char const* text, int len);

/* The statement around pos (rule: a ";" followed on its line only by spaces and tabs
   ends a statement, unless it lies in a quiet span; the spans are worked out when not
   given). Returns "" when pos stands on a blank stretch between statements. *endLine
   (when given) receives the line of the statement's end; it is left alone when there is
   no statement. */
std::string findStatement(char const* text, int len, int pos, cLineMap& lines, int* endLine,
                          tQuietSpans const* quiet = 0);

/* Where a run of statements that has come to the line starting at pos goes on: past the
   comments that begin the line, or the end of one it begins inside, when a statement follows
   them on the same line; else pos. */
int runStartOnLine(char const* text, int len, int pos, tQuietSpans const* quiet = 0);

/* What the workbench does with a statement, by its leading word. */
enum eStmtKind {
    STMT_EMPTY,       // nothing to run
    STMT_CONNECT,     // "connect source/user/password"
    STMT_DISCONNECT,
    STMT_COMMIT,      // also "commit work" and "commit transaction"
    STMT_ROLLBACK,
    STMT_SELECT,      // "select " with a blank: rows go into the grid
    STMT_STOP,        // ends a script run
    STMT_COMMAND      // anything else runs without rows
};

// Length of the blanks and comments (block comments, and "--" to the line's end) that
// start s; s.size() when nothing else follows (an unclosed block comment runs to the end).
size_t leadingCommentLength(std::string const& s);

/* TAB, CR and LF become blanks. */
void flattenBlanks(std::string& s);
/* Kind of an already flattened statement (case-insensitive prefixes). */
eStmtKind statementKind(char const* stmt);

/* Parts of "connect source/user/password": text up to the first "/" is the source, up to
   the second the user, the rest the password (it may hold "/"). False when nothing
   follows the keyword. */
bool parseConnect(char const* stmt, std::string& dsn, std::string& user, std::string& pswd);

#endif
