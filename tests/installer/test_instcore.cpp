/* The installer's portable helpers: section lists, path checks, texts. */
#include <gtest/gtest.h>

#include <string>

#include "instcore.h"

namespace {

std::vector<instxEntry> parse(std::string const& s) { return instxParseSection(s.data(), s.size()); }

std::string safe(char const* in) {
    std::string out = "unchanged";
    return instxSafeRelPath(in, out) ? out : "<refused:" + out + ">";
}

}  // namespace

TEST(InstCore, SectionLines) {
    static char const raw[] = "a.txt=\0  sub\\b.txt = 1 \0no equals sign\0=value only\0; note=x\0a.new=a.exe\0k=v=w\0";
    std::string s(raw, sizeof raw);  // the list's final NUL is the literal's own
    std::vector<instxEntry> e = parse(s);
    ASSERT_EQ(4u, e.size());
    EXPECT_EQ("a.txt", e[0].key);
    EXPECT_EQ("", e[0].value);
    EXPECT_EQ("sub\\b.txt", e[1].key);
    EXPECT_EQ("1", e[1].value);
    EXPECT_EQ("a.new", e[2].key);
    EXPECT_EQ("a.exe", e[2].value);
    EXPECT_EQ("k", e[3].key);
    EXPECT_EQ("v=w", e[3].value);

    // A buffer cut without its final NULs ends at its length.
    std::string cut("x=1\0yy=2", 8);
    e = parse(cut);
    ASSERT_EQ(2u, e.size());
    EXPECT_EQ("yy", e[1].key);
    EXPECT_TRUE(instxParseSection(nullptr, 10).empty());
    EXPECT_TRUE(parse(std::string("\0\0", 2)).empty());

    // A section larger than the profile functions' first buffer is read whole.
    std::string big;
    for (int i = 0; i < 2000; i++)
        big += "file_" + std::to_string(i) + ".txt=" + std::string(1, '\0');
    big += '\0';
    ASSERT_GT(big.size(), 10000u);
    e = parse(big);
    ASSERT_EQ(2000u, e.size());
    EXPECT_EQ("file_1999.txt", e.back().key);
}

TEST(InstCore, RelativePathsStayInside) {
    EXPECT_EQ("a.txt", safe("a.txt"));
    EXPECT_EQ("doc_en\\index.htm", safe("doc_en/index.htm"));
    EXPECT_EQ("samples", safe("samples\\"));
    EXPECT_EQ("a..b\\c...txt", safe("a..b\\c...txt"));
    EXPECT_EQ("x y\\z", safe("x y\\z"));

    for (char const* bad : {"", "\\", "\\a.txt", "/etc/passwd", "..", "..\\a.txt", "a\\..\\..\\b",
                            "a\\..", ".", ".\\a", "a\\\\b", "C:\\x.txt", "C:x.txt", "\\\\srv\\share\\f",
                            "a.txt:stream", "a=b", ";a", "[a]", " a", "a ", "a\tb", "a\nb", "a<b",
                            "a>b", "a|b", "a?b", "a*b", "a\"b", "a\\\\"}) {
        std::string out = "stale";
        EXPECT_FALSE(instxSafeRelPath(bad, out)) << "accepted: " << bad;
        EXPECT_EQ("", out) << bad;
    }
}

TEST(InstCore, NamesTextsAndLimits) {
    EXPECT_TRUE(instxSkippedName("install.exe"));
    EXPECT_TRUE(instxSkippedName("INSTALL.EXE"));
    EXPECT_TRUE(instxSkippedName("sub\\I.Ini"));
    EXPECT_TRUE(instxSkippedName("sub/i.ini"));
    EXPECT_FALSE(instxSkippedName("install.exe.bak"));
    EXPECT_FALSE(instxSkippedName("myi.ini"));
    EXPECT_FALSE(instxSkippedName("install.exe\\x"));

    EXPECT_EQ("Line one. \nLine two \n", instxExpandNewlines("Line one.\\nLine two\\n"));
    EXPECT_EQ("a\\ \nb", instxExpandNewlines("a\\\\nb"));
    EXPECT_EQ("trailing\\", instxExpandNewlines("trailing\\"));

    EXPECT_EQ(3, instxDirDepth(1));
    EXPECT_EQ(3, instxDirDepth(-7));
    EXPECT_EQ(3, instxDirDepth(3));
    EXPECT_EQ(7, instxDirDepth(7));
    EXPECT_EQ(10, instxDirDepth(10));
    EXPECT_EQ(10, instxDirDepth(20));

    EXPECT_EQ("D:\\Apps\\Tool", instxOnDrive("C:\\Apps\\Tool", 'D'));
    EXPECT_EQ("Tool", instxOnDrive("Tool", 'D')) << "no drive letter to replace";
    EXPECT_EQ("", instxOnDrive("", 'D'));

    EXPECT_EQ("D:\\Tool\\", instxWithSlash("D:\\Tool"));
    EXPECT_EQ("D:\\Tool\\", instxWithSlash("D:\\Tool\\"));
    EXPECT_EQ("", instxWithSlash(""));

    EXPECT_TRUE(instxTargetFormOk("D:\\Tool\\"));
    EXPECT_TRUE(instxTargetFormOk("c:\\a"));
    for (char const* bad : {"Tool\\", "D:\\", "D:Tool\\", "\\\\srv\\x\\", "1:\\x", "D:\\\\x", "Tool",
                            "C:\\Apps\\LumbraC:\\x", "C:\\100%\\Tool", "C:\\a%1b"})
        EXPECT_FALSE(instxTargetFormOk(bad)) << bad;

    EXPECT_TRUE(instxRegNameOk("sql", 7));
    EXPECT_TRUE(instxRegNameOk("1234567", 7));
    EXPECT_FALSE(instxRegNameOk("12345678", 7));
    EXPECT_FALSE(instxRegNameOk("", 7));
    EXPECT_FALSE(instxRegNameOk("a\\b", 99));
    EXPECT_FALSE(instxRegNameOk(std::string("a\nb"), 99));
}
