/* A cXdbc whose open result is a fixed list of column names and types. */
#ifndef LUMBRA_TEST_FAKE_XDBC_H
#define LUMBRA_TEST_FAKE_XDBC_H

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "xdbc.h"

class cFakeXdbc : public cXdbc {
public:
    std::vector<std::pair<std::string, int>> cols;
    xnameRule rule = {'"', 0, ""};  // a source that keeps the case of names, as SQLite
    std::vector<std::string> tables;  // colTable's answers; none when empty

    explicit cFakeXdbc(std::vector<std::pair<std::string, int>> c) : cols(std::move(c)) {}

    int connect(char const*, char const*, char const*, int) override { return 0; }
    int driverConnect(char const*, int) override { return 0; }
    int disconnect() override { return 1; }
    int getInfo(cVariablex*, cVariablex*, cVariablex*) override { return 0; }
    int metaSelect(short) override { return 0; }
    int execute() override { return 0; }
    int fetchNext() override { return 0; }
    int finish() override { return 1; }
    int resetParams() override { return 1; }
    int commit() override { return 1; }
    int rollback() override { return 1; }
    int executeAsync() override { return 0; }
    int cancel() override { return 0; }
    int waitAsync(int) override { return 1; }
    int colCount() override { return (int)cols.size(); }
    int prmCount() override { return 0; }
    char* colName(int i) override {
        return (i >= 0 && i < colCount()) ? (char*)cols[i].first.c_str() : nullptr;
    }
    int colType(int i) override { return (i >= 0 && i < colCount()) ? cols[i].second : 0; }
    int prmType(int) override { return 0; }
    int colValue(int, cVariablex&) override { return 0; }
    int setValue(cVariablex&) override { return 0; }
    int executeMeta() override { return 0; }
    int bindCol(char const*, int, int, short) override { return 0; }
    int colInfo(short, short*, int*) override { return 0; }
    int describeCol(short, char*, short, short*, int*) override { return 0; }
    int colTable(int i, char* out, int size) override {
        std::string t = i >= 0 && i < (int)tables.size() ? tables[i] : "";
        snprintf(out, size, "%s", t.c_str());
        return !t.empty();
    }
    int nameRule(xnameRule* out) override {
        *out = rule;
        return 1;
    }
};

#endif
