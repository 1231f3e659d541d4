/* Export Resultset: the dialog opened by Ctrl+Shift+Enter on the real main window, driven
   through its control ids; files written by the worker from SQLite and PostgreSQL. */
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "dlgexportrs.h"
#include "dlgjobsrc.h"
#include "jobtest.h"
#include "lumbrarc.h"
#include "queryslot.h"
#include "querywin.h"
#include "values.h"
#include "wbtest.h"
#include "winutil.h"
#include "xdbc.h"

using namespace jobtest;
using wbtest::AppDir;
using wbtest::BoxHook;

namespace {

class ExportRs : public ::testing::Test {
protected:
    void SetUp() override {
        dir = new AppDir("exportrs");
        w = wbtest::openMain(*dir);
        ASSERT_TRUE(w != 0);
        exportStopAfterRows(0);
    }
    void TearDown() override {
        exportStopAfterRows(0);
        if (dlg && IsWindow(dlg))
            DestroyWindow(dlg);
        EXPECT_TRUE(wbtest::closeMain(w));
        delete dir;
    }
    bool connect(std::string const& dsn, std::string const& user = "", std::string const& pswd = "") {
        return w->shownSlot()->connectTo(dsn.c_str(), user.c_str(), pswd.c_str());
    }
    /* Puts the statement into the editor and presses Ctrl+Shift+Enter's command on it. */
    HWND open(char const* script) {
        wbtest::setScript(w, script);
        wbtest::caretAt(w, 0);
        w->command(CMD_EXPORTRESULT);
        dlg = exportDialog();
        return dlg;
    }
    void format(int id) {
        for (int r : {IDC_EXP_CSV, IDC_EXP_HTML, IDC_EXP_INSERT})
            check(dlg, r, r == id);
        click(dlg, id);
    }
    /* Exports the dialog's statement to file; returns the info text. */
    std::string save(std::string const& file) {
        SetDlgItemTextA(dlg, IDC_EXP_FILE, file.c_str());
        click(dlg, IDC_EXP_SAVE);
        EXPECT_TRUE(waitEnabled(dlg, IDC_EXP_SAVE)) << "the worker did not end";
        EXPECT_EQ(itemText(dlg, IDCANCEL), "Close");
        return itemText(dlg, IDC_EXP_INFO);
    }
    std::string exportAs(int fmt, char const* sql, std::string const& file) {
        format(fmt);
        SetDlgItemTextA(dlg, IDC_EXP_SQL, sql);
        return save(file);
    }

    AppDir* dir = 0;
    cXQueryWindow* w = 0;
    HWND dlg = 0;
    BoxHook boxes;
};

std::string dateText(int y, int m, int d, int hh, int mi, int ss, short type) {
    cDatex x;
    x.setDatexType(type);
    x.set(y, m, d, hh, mi, ss);
    return x.toChars(0, true);
}

}  // namespace

TEST_F(ExportRs, OpensLockedWithDefaultsAndRefusesBadInput) {
    wbtest::caretAt(w, 0);
    w->command(CMD_EXPORTRESULT);
    ASSERT_EQ(exportDialog(), (HWND)0) << "not connected: no dialog";
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Not connected!");
    boxes.boxes.clear();
    ASSERT_TRUE(connect(sqliteDsn())) << hint();
    ASSERT_TRUE(open("select 1 as a,\r\n 2 as b;\r\n\r\nupdate x set a = 1;"));
    EXPECT_EQ(wintest::windowText(dlg), "Export Resultset");
    std::string sql = itemText(dlg, IDC_EXP_SQL);
    EXPECT_EQ(sql.substr(0, 24), "select 1 as a,\r\n 2 as b") << sql;
    EXPECT_EQ(sql.find("update"), std::string::npos);
    EXPECT_FALSE(IsWindowEnabled(w->shownEditor())) << "main window locked";
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_EXP_CSV), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_EXP_COMMA), BST_CHECKED);
    EXPECT_EQ(itemText(dlg, IDC_EXP_FILE), "c:\\export.txt");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_EXP_TABLE)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_EXP_SEMICOLON)));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_EXP_SAVE));

    format(IDC_EXP_HTML);
    EXPECT_EQ(itemText(dlg, IDC_EXP_FILE), "c:\\export.htm");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_EXP_SEMICOLON)));
    format(IDC_EXP_INSERT);
    EXPECT_EQ(itemText(dlg, IDC_EXP_FILE), "c:\\export.txt");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_EXP_TABLE)));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_EXP_TABLE));
    SetDlgItemTextA(dlg, IDC_EXP_FILE, "c:\\out.HTML");
    format(IDC_EXP_CSV);
    EXPECT_EQ(itemText(dlg, IDC_EXP_FILE), "c:\\out.txt");

    // Refusals before anything is touched.
    std::string file = dir->file("refused.txt");
    wbtest::writeFile(file, "keep");
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select 1 from");
    save(file);
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "/* all */ delete from t1 where 1 = 1");  // never run
    save(file);
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select 1 as a from t1");
    save("");
    format(IDC_EXP_INSERT);
    save(file);
    SetDlgItemTextA(dlg, IDC_EXP_TABLE, "t; drop table t");  // as the grid's export refuses it
    save(file);
    ASSERT_EQ(boxes.boxes.size(), 5u);
    EXPECT_EQ(boxes.boxes[0].text, "Please enter a SELECT statement!");
    EXPECT_EQ(boxes.boxes[0].caption, "Export");
    EXPECT_EQ(boxes.boxes[1].text, "Please enter a SELECT statement!");
    EXPECT_EQ(boxes.boxes[2].text, "Please enter a filename!");
    EXPECT_EQ(boxes.boxes[3].text, "Please enter a tablename!");
    EXPECT_EQ(boxes.boxes[4].text, "Invalid tablename!");
    boxes.boxes.erase(boxes.boxes.begin() + 1);
    boxes.boxes.erase(boxes.boxes.begin() + 3);
    EXPECT_EQ(wbtest::readFile(file), "keep");
    EXPECT_EQ(itemText(dlg, IDC_EXP_INFO), "0");

    // A directory that does not exist; a failing statement: the old file stays.
    format(IDC_EXP_CSV);
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select 1 as a from no_such_table");
    save(dir->file("no dir\\x.txt"));
    save(file);
    ASSERT_EQ(boxes.boxes.size(), 5u);
    EXPECT_EQ(boxes.boxes[3].text, "Cannot open file.");
    EXPECT_EQ(boxes.boxes[4].caption, "SQL Error");
    EXPECT_NE(boxes.boxes[4].text.find("no_such_table"), std::string::npos);
    EXPECT_EQ(wbtest::readFile(file), "keep");
    EXPECT_EQ(itemText(dlg, IDC_EXP_INFO), "0") << "a failure writes no result line";

    click(dlg, IDCANCEL);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_TRUE(IsWindowEnabled(w->shownEditor())) << "main window unlocked";
}

TEST_F(ExportRs, GoldenLinesOnSqlite) {
    Side side(sqliteDsn());
    ASSERT_TRUE(side.ok) << hint();
    side.run("drop table ex_gold");
    ASSERT_TRUE(side.run("create table ex_gold (id integer, name varchar(20), who varchar(20), "
                         "amount double, day date, at timestamp, b text)"));
    ASSERT_TRUE(side.run("insert into ex_gold values (1, NULL, 'O''Brien', 2.5, '2024-03-05', "
                         "'2024-03-05 13:45:07', 'ABC')"));
    ASSERT_TRUE(side.run("insert into ex_gold values (2, 'say \"hi\", ok', '<b>&', -0.125, NULL, NULL, NULL)"));
    ASSERT_TRUE(connect(sqliteDsn()));
    ASSERT_TRUE(open("select id, name, who from ex_gold where id = 1;"));
    std::string file = dir->file("gold.txt");

    // The INSERT line of the example.
    format(IDC_EXP_INSERT);
    SetDlgItemTextA(dlg, IDC_EXP_TABLE, "T");
    EXPECT_EQ(save(file), "[OK]   Successfuly exported: 1 rows.");
    EXPECT_EQ(wbtest::readFile(file), "insert into T values (1,NULL,'O''Brien');\r\n");

    char const* all = "select id, name, who, amount, day, at, b from ex_gold order by id";
    std::string d1 = dateText(2024, 3, 5, 0, 0, 0, 1), t1 = dateText(2024, 3, 5, 13, 45, 7, 0);
    EXPECT_EQ(exportAs(IDC_EXP_INSERT, all, file), "[OK]   Successfuly exported: 2 rows.");
    EXPECT_EQ(wbtest::readFile(file),
              "insert into T values (1,NULL,'O''Brien',2.5,'" + d1 + "','" + t1 + "','ABC');\r\n"
              "insert into T values (2,'say \"hi\", ok','<b>&',-0.125,NULL,NULL,NULL);\r\n");
    // Whatever picture dates are shown in, statements write them in the ISO form.
    std::string dayPicture = cDatex::getDefaultFormat(1), atPicture = cDatex::getDefaultFormat(0);
    cDatex::setDefaultFormat(1, "DD.MM.YYYY");
    cDatex::setDefaultFormat(0, "DD.MM.YY hh:mm");
    exportAs(IDC_EXP_INSERT, "select day, at from ex_gold where id = 1", file);
    std::string insert = wbtest::readFile(file);
    exportAs(IDC_EXP_CSV, "select day, at from ex_gold where id = 1", file);
    std::string csv = wbtest::readFile(file);
    cDatex::setDefaultFormat(1, dayPicture.c_str());
    cDatex::setDefaultFormat(0, atPicture.c_str());
    EXPECT_EQ(insert, "insert into T values ('2024-03-05','2024-03-05 13:45:07');\r\n");
    EXPECT_EQ(csv, "05.03.2024,05.03.24 13:45\r\n");

    // CSV: quotes doubled inside enclosed texts, numbers and dates never enclosed.
    format(IDC_EXP_CSV);
    check(dlg, IDC_EXP_COMMA, false);
    check(dlg, IDC_EXP_SEMICOLON, true);
    EXPECT_EQ(exportAs(IDC_EXP_CSV, all, file), "[OK]   Successfuly exported: 2 rows.");
    EXPECT_EQ(wbtest::readFile(file),
              "1;;\"O'Brien\";2.5;" + d1 + ";" + t1 + ";\"BLOB\"\r\n"
              "2;\"say \"\"hi\"\", ok\";\"<b>&\";-0.125;;;\r\n");
    check(dlg, IDC_EXP_SEMICOLON, false);
    check(dlg, IDC_EXP_TAB, true);
    exportAs(IDC_EXP_CSV, "select id, who from ex_gold order by id", file);
    EXPECT_EQ(wbtest::readFile(file), "1\t\"O'Brien\"\r\n2\t\"<b>&\"\r\n");
    // A statement longer than 10,000 characters runs whole, its last condition included.
    std::string longSql = "select id, who from ex_gold where id > 0" + std::string(10000, ' ') + "and id = 2";
    EXPECT_EQ(exportAs(IDC_EXP_CSV, longSql.c_str(), file), "[OK]   Successfuly exported: 1 rows.");
    EXPECT_EQ(wbtest::readFile(file), "2\t\"<b>&\"\r\n");
    // The statement box shows a caron or ogonek as a look-alike; the statement run has them,
    // and a cedilla stays one.
    vorShowText(GetDlgItem(dlg, IDC_EXP_SQL), "select '1\xA1 (\xB2 \xB8' as x", false);
    EXPECT_EQ(save(file), "[OK]   Successfuly exported: 1 rows.");
    EXPECT_EQ(wbtest::readFile(file), "\"1\xA1 (\xB2 \xB8\"\r\n");

    // HTML: header from the column names, texts escaped, empty cells as &nbsp;.
    EXPECT_EQ(exportAs(IDC_EXP_HTML, "select id, name, who from ex_gold order by id", file),
              "[OK]   Successfuly exported: 2 rows.");
    EXPECT_EQ(wbtest::readFile(file),
              "<HTML>\r\n<BODY>\r\n\r\n<TABLE border=1 cellspacing=1 cellpadding=2>\r\n\r\n"
              "<TR><TH>id</TH><TH>name</TH><TH>who</TH></TR>\r\n\r\n"
              "<TR><TD>1</TD><TD>&nbsp;</TD><TD>O'Brien</TD></TR>\r\n"
              "<TR><TD>2</TD><TD>say &quot;hi&quot;, ok</TD><TD>&lt;b&gt;&amp;</TD></TR>\r\n"
              "\r\n</TABLE>\r\n\r\n</BODY>\r\n</HTML>\r\n");

    // Long data as its first characters when the setting says so.
    w->settings.bBlobStr = true;
    w->settings.nBlobStr = 2;
    exportAs(IDC_EXP_CSV, "select id, b from ex_gold order by id", file);
    EXPECT_EQ(wbtest::readFile(file), "1\t\"AB\"\r\n2\t\r\n");
    click(dlg, IDCANCEL);
    w->shownSlot()->db->commit();  // SQLite keeps the read transaction of the export open
    side.run("drop table ex_gold");
}

/* An INSERT script loads back as the rows it came from, on both sources: integers past a
   double's 53 bits, decimals and reals to their last digit, an empty text beside NULL,
   fractions of seconds, long texts. CSV writes the numbers as exactly. */
TEST_F(ExportRs, InsertScriptsLoadBackExactly) {
    struct {
        std::string dsn, user, pswd, realType, binType, values, csv;
    } sources[] = {
        {sqliteDsn(), "", "", "double", "blob",
         "(9223372036854775807, 0.12345, 1e-300, '', '2024-03-05 13:45:07.250', 'L', x'00ff41'),"
         "(-9223372036854775808, -0.0000000001, 2.5e-7, NULL, NULL, NULL, '1234')",
         "9223372036854775807,0.12345\r\n"},
        {pgDsn(), pgUser(), pgPswd(), "double precision", "bytea",
         "(9223372036854775807, 0.12345, 1e-300, '', '2024-02-29 13:45:00.123456', 'L', "
         "'\\x00ff41'),"
         "(-9223372036854775808, -0.0000000001, 'NaN', NULL, '1999-12-31 23:59:59.999999', NULL, "
         "NULL)",
         "9223372036854775807,0.123450000000\r\n"},
    };
    for (auto& src : sources) {
        Side side(src.dsn, src.user, src.pswd);
        ASSERT_TRUE(side.ok) << hint();
        std::string cols = "(big bigint, dec numeric(30,12), r " + src.realType +
                           ", t varchar(10), ts timestamp, l text, b " + src.binType + ")";
        for (char const* t : {"ex_src", "ex_back"}) {
            side.run((std::string("drop table if exists ") + t).c_str());
            ASSERT_TRUE(side.run((std::string("create table ") + t + " " + cols).c_str()));
        }
        std::string longText(3000, 'x');
        std::string values = src.values;
        values.replace(values.find("'L'"), 3, "'" + longText + "'");
        ASSERT_TRUE(side.run(("insert into ex_src values " + values).c_str()));
        ASSERT_TRUE(connect(src.dsn, src.user, src.pswd));
        ASSERT_TRUE(open("select * from ex_src;"));
        std::string file = dir->file("back.sql");
        SetDlgItemTextA(dlg, IDC_EXP_TABLE, "ex_back");
        EXPECT_EQ(exportAs(IDC_EXP_INSERT, "select * from ex_src", file),
                  "[OK]   Successfuly exported: 2 rows.");
        w->shownSlot()->db->commit();  // SQLite's read lock would hold the loading back
        std::string script = wbtest::readFile(file);
        for (size_t at = 0, end; (end = script.find(";\r\n", at)) != std::string::npos; at = end + 3)
            EXPECT_TRUE(side.run(script.substr(at, end - at).c_str())) << script.substr(at, 200);
        EXPECT_EQ(side.scalar("select count(*) from ex_back"), 2);
        EXPECT_EQ(side.scalar("select count(*) from (select * from ex_src except select * from ex_back) d"), 0)
            << script.substr(0, 300);
        EXPECT_EQ(side.scalar("select count(*) from ex_back where t = ''"), 1) << "an empty text stays one";
        exportAs(IDC_EXP_CSV, "select big, dec from ex_src order by big desc", file);
        EXPECT_EQ(wbtest::readFile(file).substr(0, src.csv.size()), src.csv)
            << "numbers as the source writes them";
        click(dlg, IDCANCEL);
        w->shownSlot()->db->commit();
        side.run("drop table ex_src");
        side.run("drop table ex_back");
    }
}

TEST_F(ExportRs, StopAfterFiveRowsAndLongRows) {
    Side side(sqliteDsn());
    ASSERT_TRUE(side.ok) << hint();
    side.run("drop table ex_stop");
    ASSERT_TRUE(side.run("create table ex_stop (id integer, t varchar(4000))"));
    ASSERT_TRUE(side.run("with recursive g(i) as (select 1 union all select i + 1 from g where i < 20) "
                         "insert into ex_stop select i, 'r' || i from g"));
    ASSERT_TRUE(connect(sqliteDsn()));
    w->settings.bBlobStr = true;  // the driver reports long varchar as long data
    w->settings.nBlobStr = 5000;
    ASSERT_TRUE(open("select id, t from ex_stop order by id;"));
    std::string file = dir->file("stop.htm");
    exportStopAfterRows(5);
    format(IDC_EXP_HTML);
    EXPECT_EQ(save(file), "[STOP]   Successfuly exported: 5 rows.");
    std::string html = wbtest::readFile(file);
    EXPECT_NE(html.find("<TR><TD>5</TD><TD>r5</TD></TR>\r\n\r\n</TABLE>\r\n\r\n</BODY>\r\n</HTML>\r\n"),
              std::string::npos) << html;
    EXPECT_EQ(html.find("<TD>6</TD>"), std::string::npos);
    exportStopAfterRows(0);
    EXPECT_EQ(save(file), "[OK]   Successfuly exported: 20 rows.");

    // A row far longer than 10,001 bytes is written whole.
    w->shownSlot()->db->commit();
    ASSERT_TRUE(side.run("update ex_stop set t = replace(hex(zeroblob(2000)), '0', 'x')"));
    format(IDC_EXP_CSV);
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select id, t, t, t from ex_stop where id <= 2 order by id");
    EXPECT_EQ(save(file), "[OK]   Successfuly exported: 2 rows.");
    std::string q = "\"" + std::string(4000, 'x') + "\"";
    std::string expect = "1," + q + "," + q + "," + q + "\r\n2," + q + "," + q + "," + q + "\r\n";
    std::string got = wbtest::readFile(file);
    EXPECT_EQ(got.size(), expect.size());
    EXPECT_TRUE(got == expect) << got.substr(0, 100);

    // Values longer than the driver hands over are written cut, and the export says so.
    w->shownSlot()->db->commit();
    ASSERT_TRUE(side.run("update ex_stop set t = replace(hex(zeroblob(4500)), '0', 'x')"));
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select id, lower(t) as u from ex_stop where id <= 2 order by id");
    boxes.boxes.clear();
    EXPECT_EQ(save(file), "[OK]   Successfuly exported: 2 rows.");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "2 values were longer than 8191 characters\r\nand are written cut.");
    EXPECT_EQ(boxes.boxes[0].caption, "Export");
    click(dlg, IDCANCEL);
    w->shownSlot()->db->commit();
    side.run("drop table ex_stop");
}

/* The disk fills up in the middle of an export: the failure is reported, never "[OK]", and
   the file that was there stays whole, with no temporary file left beside it. */
TEST_F(ExportRs, DiskFullMidwayFailsAndKeepsTheOldFile) {
    std::string full = wbtest::fullDiskDir();
    if (full.empty())
        GTEST_SKIP() << "needs the small file system of tests/workbench/fullfs.sh (root)";
    Side side(sqliteDsn());
    ASSERT_TRUE(side.ok) << hint();
    side.run("drop table ex_full");
    ASSERT_TRUE(side.run("create table ex_full (id integer, t varchar(200))"));
    // 20,000 rows of about 110 bytes: twice what the file system holds.
    ASSERT_TRUE(side.run("with recursive g(i) as (select 1 union all select i + 1 from g where i < 20000) "
                         "insert into ex_full select i, hex(randomblob(50)) from g"));
    std::string file = full + "\\export.csv";
    wbtest::writeFile(file, "old,file\r\n");
    ASSERT_TRUE(connect(sqliteDsn()));
    ASSERT_TRUE(open("select id, t from ex_full order by id;"));
    format(IDC_EXP_CSV);
    std::string info = save(file);
    EXPECT_EQ(info.find("[OK]"), std::string::npos) << info;
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Cannot write to the file.");
    EXPECT_EQ(boxes.boxes[0].caption, "Export");
    EXPECT_EQ(wbtest::readFile(file), "old,file\r\n");
    EXPECT_EQ(wbtest::filesIn(full + "\\"), std::vector<std::string>{"export.csv"})
        << "a temporary file was left";
    // The dialog is ready for the next export.
    boxes.boxes.clear();
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select id from ex_full where id <= 3 order by id");
    EXPECT_EQ(save(file), "[OK]   Successfuly exported: 3 rows.");
    EXPECT_EQ(wbtest::readFile(file), "1\r\n2\r\n3\r\n");
    click(dlg, IDCANCEL);
    DeleteFileA(file.c_str());
    w->shownSlot()->db->commit();
    side.run("drop table ex_full");
}

TEST_F(ExportRs, PostgresRowsCountingAndAKilledBackend) {
    Side side(pgDsn(), pgUser(), pgPswd());
    ASSERT_TRUE(side.ok) << hint();
    ASSERT_TRUE(connect(pgDsn(), pgUser(), pgPswd()));
    ASSERT_TRUE(open("select i, i * 0.5 as half, ('n' || i)::varchar(20) as name, date '2024-01-01' + i as day "
                     "from generate_series(1, 30000) as g(i);"));
    std::string file = dir->file("pg.txt");
    EXPECT_EQ(save(file), "[OK]   Successfuly exported: 30000 rows.");
    std::string csv = wbtest::readFile(file);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 30000);
    EXPECT_EQ(csv.substr(0, 8), "1,0.5,\"n");
    EXPECT_NE(csv.find("\r\n30000,15000.0,\"n30000\","), std::string::npos);

    // The backend is terminated in the middle: the driver's message, the old file kept.
    cXdbc* db = w->shownSlot()->db;
    cNumbex pid;
    ASSERT_TRUE(db->prepare("select pg_backend_pid()") && db->execute() && db->fetchNext(&pid, (cVariablex*)0));
    db->finish();
    wbtest::writeFile(file, "old");
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select i, pg_sleep(case when i % 1000 = 0 then 0.01 else 0 end) "
                                      "from generate_series(1, 3000000) as g(i)");
    SetDlgItemTextA(dlg, IDC_EXP_FILE, file.c_str());
    click(dlg, IDC_EXP_SAVE);
    Sleep(300);
    std::string kill = "select pg_terminate_backend(" + std::to_string((long)pid.toDouble()) + ")";
    EXPECT_TRUE(side.run(kill.c_str()));
    EXPECT_TRUE(waitEnabled(dlg, IDC_EXP_SAVE));
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes.back().caption, "SQL Error");
    EXPECT_EQ(wbtest::readFile(file), "old");
    EXPECT_EQ(itemText(dlg, IDC_EXP_INFO), "0") << "no rows were written";
    EXPECT_FALSE(w->shownSlot()->connected) << "the slot follows its lost connection";

    // Through a server-side cursor the error comes after rows were counted: the count goes.
    ASSERT_TRUE(connect(wbtest::envOr("LUMBRA_PG_CURSOR_DSN", "LumbraPGCursor"), pgUser(), pgPswd()));
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select g, 1 / (g - 300) as q, pg_sleep(0.001) "
                                      "from generate_series(1, 400) as g");
    boxes.boxes.clear();
    std::string seen;
    for (click(dlg, IDC_EXP_SAVE); !IsWindowEnabled(GetDlgItem(dlg, IDC_EXP_SAVE));) {
        wintest::pump(10);
        if (boxes.boxes.empty() && itemText(dlg, IDC_EXP_INFO) != "0")
            seen = itemText(dlg, IDC_EXP_INFO);
    }
    EXPECT_FALSE(seen.empty()) << "rows were counted before the error";
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(wbtest::readFile(file), "old");
    EXPECT_EQ(itemText(dlg, IDC_EXP_INFO), "0") << "no rows were written";
    EXPECT_EQ(itemText(dlg, IDCANCEL), "Close");

    // Stop pressed during a long export: the rows so far, reported as stopped.
    ASSERT_TRUE(connect(pgDsn(), pgUser(), pgPswd()));
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select i from generate_series(1, 2000000) as g(i)");
    click(dlg, IDC_EXP_SAVE);
    EXPECT_EQ(itemText(dlg, IDCANCEL), "Stop");
    SendMessageA(w->hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(w->hwnd)) << "the main window stays while the export runs";
    wintest::pump(200);
    // Save, disabled, gave the focus to Stop: Esc through the program's loop stops.
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
    SetActiveWindow(dlg);
    MSG esc = {};
    esc.hwnd = GetFocus();
    esc.message = WM_KEYDOWN;
    esc.wParam = VK_ESCAPE;
    esc.lParam = 0x00010001;
    loopMessage(&esc, w->hwnd, w->accel);
    EXPECT_TRUE(waitEnabled(dlg, IDC_EXP_SAVE));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_EXP_SAVE));
    std::string info = itemText(dlg, IDC_EXP_INFO);
    EXPECT_EQ(info.substr(0, 31), "[STOP]   Successfuly exported: ") << info;
    long n = atol(info.c_str() + 31);
    csv = wbtest::readFile(file);
    EXPECT_EQ((long)std::count(csv.begin(), csv.end(), '\n'), n);

    // Stop while the statement waits on the server: it is cancelled there, not waited for.
    SetDlgItemTextA(dlg, IDC_EXP_SQL, "select 1 as a from pg_sleep(30)");
    boxes.boxes.clear();
    DWORD t0 = GetTickCount();
    click(dlg, IDC_EXP_SAVE);
    wintest::pump(500);
    click(dlg, IDCANCEL);
    EXPECT_TRUE(waitEnabled(dlg, IDC_EXP_SAVE, 10000));
    EXPECT_LT(GetTickCount() - t0, 10000u);
    EXPECT_EQ(itemText(dlg, IDC_EXP_INFO), "[STOP]   Successfuly exported: 0 rows.");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(wbtest::readFile(file), "");
    db->rollback();
    click(dlg, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(w->shownEditor()));
}
