/* "DLG_TABLES" from its template, modeless in the test thread, on the SQLite data source
   (no schemas), the PostgreSQL server (schemas of its own) and a driver without
   catalogue support. */
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dlgconnrc.h"
#include "dlgtest.h"
#include "fake_xdbc.h"
#include "odbc_env.h"
#include "wintest.h"

using namespace dlgtest;
using odbctest::pgDsn;
using odbctest::pgPswd;
using odbctest::pgUser;
using odbctest::sqliteDsn;

namespace {

char const kMetaBox[] = "Your ODBC driver doesn't support META-SELECT commands.";

struct TablesBase : ::testing::Test {
    wintest::TempIni ini{"dlgtables"};
    wintest::CommandLog log;
    HWND main = 0;
    TablesHost host;
    BoxRecorder boxes;
    HWND dlg = 0;
    cXdbc* own = 0;  // the test's connection, lent to the host

    void SetUp() override {
        int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        main = wintest::createParent(&log, sw / 2 - 350, sh / 2 - 300, 700, 600);
        host.grid = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200,
                                    100, main, 0, GetModuleHandleA(0), 0);
        host.ini = ini.path;
        host.main = main;
        SetForegroundWindow(main);
    }
    void TearDown() override {
        if (dlg && IsWindow(dlg))
            DestroyWindow(dlg);
        DestroyWindow(main);
        if (own) {
            own->rollback();
            xdb_free(own);
        }
    }

    HWND open() {
        dlg = tablesDialog(&host);
        wintest::pump();
        return dlg;
    }
    void close() {
        if (dlg && IsWindow(dlg))
            DestroyWindow(dlg);
        dlg = 0;
    }
    HWND item(int id) { return GetDlgItem(dlg, id); }
    std::vector<std::string> tables() { return listItems(item(IDC_TABLES_LIST)); }
    bool enabled(int id) { return IsWindowEnabled(item(id)) != 0; }
};

/* ---- statement texts ---- */

TEST(TableStatement, SchemaDotTableEachNameByTheSourcesRule) {
    char out[128];
    xnameRule keeps = {'"', 0, ""}, lower = {'"', 'L', ""};
    ASSERT_TRUE(tableStatement(out, sizeof out, "select count(*) from ", "S", "T", keeps));
    EXPECT_STREQ("select count(*) from S.T", out);
    ASSERT_TRUE(tableStatement(out, sizeof out, "select count(*) from ", "S", "t", lower));
    EXPECT_STREQ("select count(*) from \"S\".t", out);
    ASSERT_TRUE(tableStatement(out, sizeof out, "select * from ", 0, "_t", lower));
    EXPECT_STREQ("select * from _t", out);
    ASSERT_TRUE(tableStatement(out, sizeof out, "select * from ", "my schema", "1st", keeps));
    EXPECT_STREQ("select * from \"my schema\".\"1st\"", out);
    ASSERT_TRUE(tableStatement(out, sizeof out, "select * from ", "s", "t; drop table u", keeps));
    EXPECT_STREQ("select * from s.\"t; drop table u\"", out);
    ASSERT_TRUE(tableStatement(out, sizeof out, "select * from ", "", "order", keeps));
    EXPECT_STREQ("select * from \"order\"", out);
    // Words some data sources reserve or read as functions, though no driver lists them.
    ASSERT_TRUE(tableStatement(out, sizeof out, "select * from ", "limit", "current_role", lower));
    EXPECT_STREQ("select * from \"limit\".\"current_role\"", out);
    ASSERT_TRUE(tableStatement(out, sizeof out, "select * from ", "", "notnull", lower));
    EXPECT_STREQ("select * from \"notnull\"", out);
}

TEST(TableStatement, RefusesWhatDoesNotFit) {
    char out[24];
    xnameRule keeps = {'"', 0, ""}, none = {' ', 0, ""};
    // "select * from " is 14 characters; "abc.defgh" takes 9 more and the terminator 1.
    EXPECT_TRUE(tableStatement(out, 24, "select * from ", "abc", "defgh", keeps));
    EXPECT_STREQ("select * from abc.defgh", out);
    EXPECT_FALSE(tableStatement(out, 23, "select * from ", "abc", "defgh", keeps));
    EXPECT_FALSE(tableStatement(out, 24, "select * from ", "abc", "de fg", keeps));
    EXPECT_FALSE(tableStatement(out, sizeof out, "select * from ", "s", "", keeps));
    // A name that needs quotes where the source has none is refused, not pasted.
    EXPECT_FALSE(tableStatement(out, sizeof out, "select * from ", "", "a b", none));
    EXPECT_STREQ("", out);
}

/* ---- SQLite: no schemas ---- */

struct TablesSqlite : TablesBase {
    static void SetUpTestSuite() {
        cXdbc* s = 0;
        ASSERT_TRUE(odbctest::connectTo(s, sqliteDsn(), "", ""));
        char const* ddl[] = {
            "drop view if exists ld_view",
            "drop table if exists ld_alpha",
            "drop table if exists ld_beta",
            "create table ld_alpha (x integer)",
            "insert into ld_alpha values (1)",
            "insert into ld_alpha values (2)",
            "insert into ld_alpha values (3)",
            "create table ld_beta (y text)",
            "create view ld_view as select x from ld_alpha",
        };
        for (char const* sql : ddl)
            EXPECT_TRUE(odbctest::run(s, sql));
        EXPECT_EQ(1, s->commit()) << s->errorStr();
        xdb_free(s);
    }

    void SetUp() override {
        TablesBase::SetUp();
        ASSERT_TRUE(odbctest::connectTo(own, sqliteDsn(), "", ""));
        host.db = own;
        host.dsnName = sqliteDsn();
    }
};

TEST_F(TablesSqlite, NoSchemasDisableTheComboAndListEveryTable) {
    ASSERT_TRUE(open());
    EXPECT_EQ("[Q1:  LumbraSQLite]", text(dlg));
    EXPECT_EQ(0, GetWindowLongPtrA(dlg, GWLP_USERDATA));
    EXPECT_EQ(0, (int)SendMessageA(item(IDC_TABLES_SCHEMA), CB_GETCOUNT, 0, 0));
    EXPECT_FALSE(enabled(IDC_TABLES_SCHEMA));
    EXPECT_TRUE(enabled(IDC_TABLES_LIST));
    EXPECT_TRUE(enabled(IDOK));
    EXPECT_TRUE(enabled(IDC_TABLES_COUNT));
    std::vector<std::string> t = tables();
    EXPECT_TRUE(contains(t, "ld_alpha"));
    EXPECT_TRUE(contains(t, "ld_beta"));
    EXPECT_FALSE(contains(t, "ld_view")) << "views are no tables";
    EXPECT_EQ(item(IDC_TABLES_LIST), GetFocus());
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(main, GetWindow(dlg, GW_OWNER));
    // No schema chosen: nothing is remembered.
    EXPECT_EQ("<missing>", ini.read("Last Namespace", "LumbraSQLite"));
}

TEST_F(TablesSqlite, SelectCountAndDoubleClickRunInTheSlot) {
    host.index = 2;
    ASSERT_TRUE(open());
    EXPECT_EQ("[Q3:  LumbraSQLite]", text(dlg));
    EXPECT_EQ(2, GetWindowLongPtrA(dlg, GWLP_USERDATA));

    click(dlg, IDOK);
    EXPECT_EQ(1, host.shown) << "the slot is shown first";
    EXPECT_TRUE(host.statements.empty()) << "no table chosen, nothing runs";

    ASSERT_TRUE(chooseList(dlg, IDC_TABLES_LIST, "ld_alpha"));
    click(dlg, IDOK);
    ASSERT_EQ(1u, host.statements.size());
    EXPECT_EQ("select * from ld_alpha", host.statements[0]);
    EXPECT_TRUE(host.lastRunOk);
    EXPECT_EQ(item(IDC_TABLES_LIST), GetFocus());

    click(dlg, IDC_TABLES_COUNT);
    ASSERT_EQ(2u, host.statements.size());
    EXPECT_EQ("select count(*) from ld_alpha", host.statements[1]);
    EXPECT_EQ(3, host.firstNumber);
    EXPECT_EQ(item(IDC_TABLES_LIST), GetFocus());
    EXPECT_EQ(0, host.gridFocus);

    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_TABLES_LIST, LBN_DBLCLK),
                 (LPARAM)item(IDC_TABLES_LIST));
    ASSERT_EQ(3u, host.statements.size());
    EXPECT_EQ("select * from ld_alpha", host.statements[2]);
    EXPECT_EQ(1, host.gridFocus);
    EXPECT_EQ(host.grid, GetFocus());
    EXPECT_EQ(4, host.shown);
}

TEST_F(TablesSqlite, NotConnectedSaysSoAndIsInert) {
    host.index = 1;
    host.dsnName = "";
    ASSERT_TRUE(open());
    EXPECT_EQ("[Q2:  not connected]", text(dlg));
    EXPECT_FALSE(enabled(IDC_TABLES_SCHEMA));
    EXPECT_FALSE(enabled(IDC_TABLES_LIST));
    EXPECT_FALSE(enabled(IDOK));
    EXPECT_FALSE(enabled(IDC_TABLES_COUNT));
    EXPECT_TRUE(tables().empty());
    click(dlg, IDC_TABLES_COUNT);
    EXPECT_TRUE(host.statements.empty());
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(TablesSqlite, EscapeDestroysTheDialogWhichSavesItsPosition) {
    ASSERT_TRUE(open());
    SetWindowPos(dlg, 0, 321, 234, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    HWND was = dlg;
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(was));
    EXPECT_EQ(1, host.closed);
    EXPECT_EQ(was, host.closedDlg);
    EXPECT_EQ("321", ini.read("Lumbra Settings", "DlgTablesX"));
    EXPECT_EQ("234", ini.read("Lumbra Settings", "DlgTablesY"));
    dlg = 0;
}

TEST_F(TablesSqlite, SavedPositionIsUsedOnlyWellInsideTheScreen) {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    // Where the dialog goes without a saved position: centred on the main window.
    ASSERT_TRUE(open());
    RECT centred, m;
    GetWindowRect(dlg, &centred);
    GetWindowRect(main, &m);
    EXPECT_NEAR((m.left + m.right) / 2, (centred.left + centred.right) / 2, 1);
    EXPECT_NEAR((m.top + m.bottom) / 2, (centred.top + centred.bottom) / 2, 1);
    close();

    struct Case {
        int x, y;
        bool used;
    } cases[] = {
        {150, 120, true}, {1, 1, true}, {sw - 51, sh - 51, true},
        {0, 120, false},  {150, 0, false}, {sw - 50, 120, false}, {150, sh - 50, false},
        {-20, 120, false},
    };
    for (Case const& c : cases) {
        ini.write("Lumbra Settings", "DlgTablesX", std::to_string(c.x).c_str());
        ini.write("Lumbra Settings", "DlgTablesY", std::to_string(c.y).c_str());
        ASSERT_TRUE(open());
        RECT r;
        GetWindowRect(dlg, &r);
        if (c.used) {
            EXPECT_EQ(c.x, r.left) << c.x << "," << c.y;
            EXPECT_EQ(c.y, r.top) << c.x << "," << c.y;
        } else {
            EXPECT_EQ(centred.left, r.left) << c.x << "," << c.y;
            EXPECT_EQ(centred.top, r.top) << c.x << "," << c.y;
        }
        EXPECT_EQ(centred.right - centred.left, r.right - r.left) << "its own size";
        EXPECT_EQ(centred.bottom - centred.top, r.bottom - r.top) << "its own size";
        close();
    }
}

TEST_F(TablesSqlite, ListsAreBlackOnTheSlotColourWhichMayChange) {
    host.colour = 0x123456;
    ASSERT_TRUE(open());
    Tint a = askTint(dlg, WM_CTLCOLORLISTBOX, item(IDC_TABLES_LIST));
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), a.brushColour);
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), a.bkColour);
    EXPECT_EQ(RGB(0, 0, 0), a.textColour);
    host.colour = 0xABCDEF;  // a colour command changed the slot's colour
    Tint b = askTint(dlg, WM_CTLCOLOREDIT, item(IDC_TABLES_LIST));
    EXPECT_EQ(RGB(0xAB, 0xCD, 0xEF), b.brushColour);
    EXPECT_EQ(RGB(0, 0, 0), b.textColour);
    host.colour = 0;  // no colour: the default handling
    Tint c = askTint(dlg, WM_CTLCOLORLISTBOX, item(IDC_TABLES_LIST));
    EXPECT_NE(RGB(0, 0, 0), c.brushColour);
}

/* ---- a driver without catalogue support ---- */

TEST_F(TablesBase, DriverWithoutCatalogueSupportIsToldSo) {
    cFakeXdbc* fake = new cFakeXdbc({});
    host.db = fake;
    host.dsnName = "NoCatalogue";
    ASSERT_TRUE(open());
    EXPECT_EQ("[Q1:  NoCatalogue]", text(dlg));
    ASSERT_EQ(1u, boxes.seen().size());
    EXPECT_EQ(kMetaBox, boxes.seen()[0].text);
    EXPECT_EQ("ODBC", boxes.seen()[0].caption);
    EXPECT_EQ((UINT)MB_ICONSTOP, boxes.seen()[0].type & MB_ICONMASK);
    EXPECT_FALSE(enabled(IDC_TABLES_SCHEMA));
    EXPECT_TRUE(tables().empty());
    close();
    delete fake;
}

/* ---- PostgreSQL: schemas ---- */

struct TablesPg : TablesBase {
    static void SetUpTestSuite() {
        cXdbc* s = 0;
        ASSERT_TRUE(odbctest::connectTo(s, pgDsn(), pgUser(), pgPswd())) << odbctest::pgHint();
        char const* ddl[] = {
            "set client_min_messages to warning",  // a notice naming ldlg_jp's table fails
            "drop schema if exists ldlg_a cascade",
            "drop schema if exists ldlg_b cascade",
            "drop schema if exists ldlg_c cascade",
            "create schema ldlg_a",
            "create table ldlg_a.t_one (x integer)",
            "create schema ldlg_b",
            "create table ldlg_b.t_two (x integer)",
            "insert into ldlg_b.t_two values (1), (2), (3)",
            "create table ldlg_b.\"we\"\"ird name\" (x integer)",
            "insert into ldlg_b.\"we\"\"ird name\" values (7)",
            "create table ldlg_b.\"MixedCase\" (x integer)",
            "create table ldlg_b.\"order\" (x integer)",
            "create view ldlg_b.v_two as select x from ldlg_b.t_two",
            "create schema ldlg_c",
            "create table ldlg_c.t_three (x integer)",
            "drop schema if exists ldlg_jp cascade",
            "create schema ldlg_jp",
            "create table ldlg_jp.t_ok (x integer)",
            // A name the connection's code page cannot carry.
            "do $$ begin execute format('create table ldlg_jp.%I (x integer)', chr(26085)); end $$",
        };
        for (char const* sql : ddl)
            EXPECT_TRUE(odbctest::run(s, sql));
        EXPECT_EQ(1, s->commit()) << s->errorStr();
        xdb_free(s);
    }
    static void TearDownTestSuite() {
        cXdbc* s = 0;
        if (!odbctest::connectTo(s, pgDsn(), pgUser(), pgPswd()))
            return;
        odbctest::run(s, "set client_min_messages to warning");
        odbctest::run(s, "drop schema if exists ldlg_a, ldlg_b, ldlg_c, ldlg_jp cascade");
        s->commit();
        xdb_free(s);
    }

    void SetUp() override {
        TablesBase::SetUp();
        ASSERT_TRUE(odbctest::connectTo(own, pgDsn(), pgUser(), pgPswd())) << odbctest::pgHint();
        host.db = own;
        host.dsnName = pgDsn();
    }
};

TEST_F(TablesPg, SeveralSchemasLeaveTheChoiceToTheUser) {
    ASSERT_TRUE(open());
    EXPECT_EQ("[Q1:  LumbraPG]", text(dlg));
    HWND combo = item(IDC_TABLES_SCHEMA);
    std::vector<std::string> s = comboItems(combo);
    for (char const* name : {"ldlg_a", "ldlg_b", "ldlg_c", "public"})
        EXPECT_TRUE(contains(s, name)) << name;
    EXPECT_FALSE(contains(s, "")) << "no empty entry";
    EXPECT_TRUE(enabled(IDC_TABLES_SCHEMA));
    EXPECT_EQ("<none>", comboSelection(combo));
    EXPECT_TRUE(tables().empty());
    EXPECT_EQ(combo, GetFocus());
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(TablesPg, ChosenSchemaIsListedRememberedAndReselectedNextTime) {
    ASSERT_TRUE(open());
    ASSERT_TRUE(chooseCombo(dlg, IDC_TABLES_SCHEMA, "ldlg_b", CBN_SELENDOK));
    EXPECT_EQ((std::vector<std::string>{"MixedCase", "order", "t_two", "we\"ird name"}), tables());
    EXPECT_EQ("ldlg_b", ini.read("Last Namespace", "LumbraPG"));
    close();

    ASSERT_TRUE(open());
    EXPECT_EQ("ldlg_b", comboSelection(item(IDC_TABLES_SCHEMA)));
    EXPECT_EQ((std::vector<std::string>{"MixedCase", "order", "t_two", "we\"ird name"}), tables());
    EXPECT_EQ(item(IDC_TABLES_LIST), GetFocus());

    // Another choice replaces the list and the remembered schema.
    ASSERT_TRUE(chooseCombo(dlg, IDC_TABLES_SCHEMA, "ldlg_c", CBN_SELENDOK));
    EXPECT_EQ((std::vector<std::string>{"t_three"}), tables());
    EXPECT_EQ("ldlg_c", ini.read("Last Namespace", "LumbraPG"));
}

TEST_F(TablesPg, SchemaThatCannotBeListedTellsWhyAndIsNotRemembered) {
    ASSERT_TRUE(open());
    ASSERT_TRUE(chooseCombo(dlg, IDC_TABLES_SCHEMA, "ldlg_jp", CBN_SELENDOK));
    ASSERT_EQ(1u, boxes.seen().size());
    EXPECT_NE(kMetaBox, boxes.seen()[0].text) << "the driver has the catalogue call";
    EXPECT_FALSE(boxes.seen()[0].text.empty());
    EXPECT_NE("ldlg_jp", ini.read("Last Namespace", "LumbraPG"));
    EXPECT_EQ(1, own->isConnected());
}

TEST_F(TablesPg, LostConnectionIsToldAsSuch) {
    ASSERT_TRUE(open());
    double pid = 0;
    ASSERT_TRUE(odbctest::scalar(own, "select pg_backend_pid()", pid));
    cXdbc* side = 0;
    ASSERT_TRUE(odbctest::connectTo(side, pgDsn(), pgUser(), pgPswd()));
    EXPECT_TRUE(odbctest::run(side, ("select pg_terminate_backend(" + std::to_string((long)pid) + ")").c_str()));
    xdb_free(side);
    Sleep(300);
    ASSERT_TRUE(chooseCombo(dlg, IDC_TABLES_SCHEMA, "ldlg_c", CBN_SELENDOK));
    ASSERT_EQ(1u, boxes.seen().size());
    EXPECT_NE(kMetaBox, boxes.seen()[0].text) << "the driver supports the catalogue";
    EXPECT_FALSE(boxes.seen()[0].text.empty());
    ASSERT_EQ(1u, host.lost.size());
    EXPECT_EQ(host.lost[0], boxes.seen()[0].text);
    EXPECT_EQ(0, own->isConnected());
}

TEST_F(TablesPg, ArrowKeysOnTheClosedComboFollowTheChoice) {
    ASSERT_TRUE(open());
    ASSERT_TRUE(chooseCombo(dlg, IDC_TABLES_SCHEMA, "ldlg_a", CBN_SELCHANGE));
    EXPECT_EQ((std::vector<std::string>{"t_one"}), tables());
    EXPECT_EQ("ldlg_a", ini.read("Last Namespace", "LumbraPG"));
}

TEST_F(TablesPg, CountRunsSchemaDotTable) {
    ini.write("Last Namespace", "LumbraPG", "ldlg_b");
    ASSERT_TRUE(open());
    ASSERT_TRUE(chooseList(dlg, IDC_TABLES_LIST, "t_two"));
    click(dlg, IDC_TABLES_COUNT);
    ASSERT_EQ(1u, host.statements.size());
    EXPECT_EQ("select count(*) from ldlg_b.t_two", host.statements[0]);
    EXPECT_TRUE(host.lastRunOk) << own->errorStr();
    EXPECT_EQ(3, host.firstNumber);
    click(dlg, IDOK);
    EXPECT_EQ("select * from ldlg_b.t_two", host.statements.back());
    EXPECT_TRUE(host.lastRunOk) << own->errorStr();
}

TEST_F(TablesPg, TableNameNeedingQuotesIsQuotedAndRuns) {
    ini.write("Last Namespace", "LumbraPG", "ldlg_b");
    ASSERT_TRUE(open());
    ASSERT_TRUE(chooseList(dlg, IDC_TABLES_LIST, "we\"ird name"));
    click(dlg, IDC_TABLES_COUNT);
    ASSERT_EQ(1u, host.statements.size());
    EXPECT_EQ("select count(*) from ldlg_b.\"we\"\"ird name\"", host.statements[0]);
    EXPECT_TRUE(host.lastRunOk) << own->errorStr();
    EXPECT_EQ(1, host.firstNumber);
    // Unquoted, PostgreSQL would fold the first to lower case and take the second for SQL.
    char const* names[][2] = {{"MixedCase", "\"MixedCase\""}, {"order", "\"order\""}};
    for (auto& n : names) {
        ASSERT_TRUE(chooseList(dlg, IDC_TABLES_LIST, n[0]));
        click(dlg, IDC_TABLES_COUNT);
        EXPECT_EQ(std::string("select count(*) from ldlg_b.") + n[1], host.statements.back());
        EXPECT_TRUE(host.lastRunOk) << own->errorStr();
        EXPECT_EQ(0, host.firstNumber);
    }
}

TEST_F(TablesPg, RememberedSchemaThatIsNotListedExactlyLeavesTheChoice) {
    for (char const* last : {"ldlg_gone", "LDLG_B", "ldlg_"}) {
        ini.write("Last Namespace", "LumbraPG", last);
        ASSERT_TRUE(open());
        EXPECT_EQ("<none>", comboSelection(item(IDC_TABLES_SCHEMA))) << last;
        EXPECT_TRUE(tables().empty()) << last;
        EXPECT_EQ(item(IDC_TABLES_SCHEMA), GetFocus()) << last;
        EXPECT_EQ(last, ini.read("Last Namespace", "LumbraPG")) << "unchanged until a choice";
        close();
    }
}

TEST_F(TablesPg, SingleSchemaIsSelectedWithoutAsking) {
    // The server's "postgres" database holds no schema but public.
    cXdbc* other = xdb_init();
    std::string cs = "DSN=" + pgDsn() + ";Database=postgres;UID=" + pgUser() + ";PWD=" + pgPswd();
    ASSERT_EQ(1, other->driverConnect(cs.c_str(), 0)) << other->errorStr();
    host.db = other;
    host.dsnName = "LumbraPG postgres";
    ASSERT_TRUE(open());
    HWND combo = item(IDC_TABLES_SCHEMA);
    EXPECT_EQ((std::vector<std::string>{"public"}), comboItems(combo));
    EXPECT_EQ("public", comboSelection(combo));
    EXPECT_TRUE(enabled(IDC_TABLES_SCHEMA));
    EXPECT_EQ(item(IDC_TABLES_LIST), GetFocus());
    EXPECT_EQ("public", ini.read("Last Namespace", "LumbraPG postgres"));
    EXPECT_TRUE(boxes.seen().empty());
    close();
    xdb_free(other);
}

TEST_F(TablesPg, SchemaWithALineBreakIsListedButNotRemembered) {
    char const* evil = "i\r\n[Lumbra Settings]\r\nb_commit_always=1";
    std::string quoted = std::string("\"") + evil + "\"";
    ASSERT_TRUE(odbctest::run(own, ("drop schema if exists " + quoted).c_str()));
    ASSERT_TRUE(odbctest::run(own, ("create schema " + quoted).c_str()));
    ASSERT_EQ(1, own->commit());
    ini.write("Last Namespace", "LumbraPG", "ldlg_a");
    ASSERT_TRUE(open());
    EXPECT_TRUE(chooseCombo(dlg, IDC_TABLES_SCHEMA, evil, CBN_SELENDOK));
    close();
    EXPECT_EQ("ldlg_a", ini.read("Last Namespace", "LumbraPG")) << "the old choice stays";
    EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "b_commit_always"));
    EXPECT_EQ("<missing>", ini.read("Last Namespace", "b_commit_always"));
    odbctest::run(own, ("drop schema " + quoted).c_str());
    own->commit();
}

}  // namespace
