/* Where INI edits land in the text; what they mean is checked against the profile calls
   themselves (IniFile in test_profile). */
#include <gtest/gtest.h>

#include "initext.h"

namespace {

std::string set(std::string const& t, char const* s, char const* k, char const* v) {
    cIniEdit e = {s, k, v};
    return iniApply(t, &e, 1);
}

}  // namespace

TEST(IniText, EditsTouchOnlyTheirLineAndKeepTheFilesLineEnds) {
    std::string t = "; kept\r\n[A]\r\n  Key = old\r\nx=1\r\n\r\n[B]\r\ny=2";
    EXPECT_EQ(set(t, "a", "KEY", "new"), "; kept\r\n[A]\r\nKey=new\r\nx=1\r\n\r\n[B]\r\ny=2");
    // A new key after the section's last line, not after the blank one.
    EXPECT_EQ(set(t, "A", "z", "3"), "; kept\r\n[A]\r\n  Key = old\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2");
    EXPECT_EQ(set(t, "B", "z", "3"), t + "\r\nz=3\r\n");
    EXPECT_EQ(set(t, "C", "z", "3"), t + "\r\n[C]\r\nz=3\r\n");
    EXPECT_EQ(set("[A]\nx=1\n", "C", "z", "3"), "[A]\nx=1\n[C]\nz=3\n");
    EXPECT_EQ(set("", "A", "z", ""), "[A]\r\nz=\r\n");
    EXPECT_EQ(set(t, "B", "y", "2"), t) << "an unchanged value changes nothing";
    // A lone CR ends a line, as for the profile calls that read the file.
    EXPECT_EQ(set("[A]\r\nnote=x\rmaxrows=50\r\n", "A", "maxrows", "77"), "[A]\r\nnote=x\rmaxrows=77\r\n");
    EXPECT_EQ(set("[A]\rmaxrows=50\r", "a", "MAXROWS", "77"), "[A]\rmaxrows=77\r");
    cIniEdit two[] = {{"A", "k1", "1"}, {"A", "k2", "2"}, {"A", "k1", "3"}};
    EXPECT_EQ(iniApply("", two, 3), "[A]\r\nk1=3\r\nk2=2\r\n");
}

TEST(IniText, KeysAndSectionsAreTakenOutWhole) {
    std::string t = "[A]\r\nx=1\r\ny=2\r\n[B]\r\nx=1\r\n[A]\r\nx=5\r\n";
    EXPECT_EQ(set(t, "A", "x", 0), "[A]\r\ny=2\r\n[B]\r\nx=1\r\n[A]\r\nx=5\r\n");
    EXPECT_EQ(set(t, "A", 0, 0), "[B]\r\nx=1\r\n[A]\r\nx=5\r\n");
    EXPECT_EQ(set(t, "B", 0, 0), "[A]\r\nx=1\r\ny=2\r\n[A]\r\nx=5\r\n");
    EXPECT_EQ(set(t, "A", "none", 0), t);
    EXPECT_EQ(set(t, "C", 0, 0), t);
    EXPECT_EQ(set(t, 0, "x", "1"), t) << "no section, no change";
}
