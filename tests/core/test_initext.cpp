/* Edits of INI text: each lands where the profile calls put it, the rest stays as it was. */
#include <gtest/gtest.h>

#include "initext.h"

namespace {

std::string set(std::string const& t, char const* s, char const* k, char const* v) {
    cIniEdit e = {s, k, v};
    return iniApply(t, &e, 1);
}

}  // namespace

TEST(IniText, AKeyIsChangedInTheFirstSectionOfItsNameOnly) {
    std::string t =
        "; kept\r\n[Lumbra Settings]\r\n  MaxRows = 100\r\nfont=x=y\r\n\r\n[Other]\r\nmaxrows=7\r\n"
        "[lumbra settings]\r\nmaxrows=9\r\n";
    // Case and blanks do not matter; the name keeps its spelling; later copies stay.
    EXPECT_EQ(set(t, " lumbra SETTINGS", "maxrows ", "1000"),
              "; kept\r\n[Lumbra Settings]\r\nMaxRows=1000\r\nfont=x=y\r\n\r\n[Other]\r\nmaxrows=7\r\n"
              "[lumbra settings]\r\nmaxrows=9\r\n");
    // The name ends at the first "="; leading blanks of a value are dropped as the calls do.
    EXPECT_EQ(set(t, "Lumbra Settings", "font", "  a=b"),
              "; kept\r\n[Lumbra Settings]\r\n  MaxRows = 100\r\nfont=a=b\r\n\r\n[Other]\r\nmaxrows=7\r\n"
              "[lumbra settings]\r\nmaxrows=9\r\n");
    // Lines that only look like headers are keys.
    std::string odd = "[S]\nx=[T]\n[T\n";
    EXPECT_EQ(set(odd, "T", "k", "1"), "[S]\nx=[T]\n[T\n[T]\nk=1\n");
    EXPECT_EQ(set(odd, "S", "[T", "2"), "[S]\nx=[T]\n[T=2\n");
    EXPECT_EQ(set(t, "Other", "maxrows", "7"), t) << "an unchanged value changes nothing";
    EXPECT_EQ(set("[ A ]\r\nx=1\r\n", "A", "x", "2"), "[ A ]\r\nx=2\r\n");
}

TEST(IniText, NewKeysAndSectionsGoWhereTheProfileCallsPutThem) {
    std::string t = "[A]\r\nx=1\r\n\r\n[B]\r\ny=2";
    // After the section's last line, before the blank line; the file's own line ends.
    EXPECT_EQ(set(t, "a", "z", "3"), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2");
    EXPECT_EQ(set(t, "B", "z", "3"), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\nz=3\r\n");
    EXPECT_EQ(set(t, "C", "z", "3"), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n[C]\r\nz=3\r\n");
    EXPECT_EQ(set("[A]\nx=1\n", "C", "z", "3"), "[A]\nx=1\n[C]\nz=3\n");
    EXPECT_EQ(set("[A]", "A", "z", "3"), "[A]\r\nz=3\r\n");
    EXPECT_EQ(set("", "A", "z", ""), "[A]\r\nz=\r\n");
    // Lines before the first section belong to none.
    EXPECT_EQ(set("z=0\r\n", "A", "z", "3"), "z=0\r\n[A]\r\nz=3\r\n");
    // Edits apply in order.
    cIniEdit two[] = {{"A", "k1", "1"}, {"A", "k2", "2"}, {"A", "k1", "3"}};
    EXPECT_EQ(iniApply("", two, 3), "[A]\r\nk1=3\r\nk2=2\r\n");
}

TEST(IniText, KeysAndSectionsAreTakenOut) {
    std::string t = "[A]\r\nx=1\r\ny=2\r\n[B]\r\nx=1\r\n[A]\r\nx=5\r\n";
    EXPECT_EQ(set(t, "A", "x", 0), "[A]\r\ny=2\r\n[B]\r\nx=1\r\n[A]\r\nx=5\r\n");
    EXPECT_EQ(set(t, "A", 0, 0), "[B]\r\nx=1\r\n[A]\r\nx=5\r\n");
    EXPECT_EQ(set(t, "B", 0, 0), "[A]\r\nx=1\r\ny=2\r\n[A]\r\nx=5\r\n");
    EXPECT_EQ(set(t, "A", "none", 0), t);
    EXPECT_EQ(set(t, "C", 0, 0), t);
    EXPECT_EQ(set(t, "C", "x", 0), t);
    EXPECT_EQ(set(t, 0, "x", "1"), t) << "no section, no change";
}
