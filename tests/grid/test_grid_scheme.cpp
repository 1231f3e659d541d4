/* The colour scheme kept in the user profile. Its own program: the profile is read once
   per process, by the first grid. */
#include <gtest/gtest.h>

#include "gridrc.h"
#include "gridtest.h"

TEST(Scheme, StoredNumberOutOfRangeFallsBackToTheFirst) {
    WriteProfileStringA("VOR", "Rerovar_indexPreColor", "7");
    cRerovar* g = makeGrid(0x470);
    if (!g->trueColor)
        GTEST_SKIP() << "one white band on displays with 256 colours or fewer";
    EXPECT_EQ(2, g->bandCount);
    EXPECT_EQ(0xC0E0F0, g->bandBack[0]);
    EXPECT_EQ(0xFFF8D8, g->bandBack[1]);
    EXPECT_EQ(0, g->bandText[0]);

    /* Choosing a scheme stores it and applies it to this grid only. */
    cRerovar* other = makeGrid(0x50);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_SCHEME + 4, 0);
    EXPECT_EQ(4, GetProfileIntA("VOR", "Rerovar_indexPreColor", -1));
    EXPECT_EQ(0xFFE0E0, g->bandBack[1]);
    EXPECT_EQ(0xFFF8D8, other->bandBack[1]);
    cRerovar* later = makeGrid(0x50);
    EXPECT_EQ(0xFFE0E0, later->bandBack[1]);
    destroyGrid(later);
    destroyGrid(other);
    destroyGrid(g);
    WriteProfileStringA("VOR", "Rerovar_indexPreColor", "0");
}
