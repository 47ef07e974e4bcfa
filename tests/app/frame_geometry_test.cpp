#include "app/frame_geometry.h"

#include <gtest/gtest.h>

TEST(FrameGeometry, CappedOnlyWhenBothSidesExceed)
{
    FrameGeometry big = InitialFrameGeometry(1024, 768);
    EXPECT_EQ(big.width, 647);
    EXPECT_EQ(big.height, 485);
    EXPECT_EQ(big.x, 188);
    EXPECT_EQ(big.y, 141);

    FrameGeometry small = InitialFrameGeometry(800, 600);
    EXPECT_EQ(small.width, 600);
    EXPECT_EQ(small.height, 450);
    EXPECT_EQ(small.x, 100);
    EXPECT_EQ(small.y, 75);

    FrameGeometry wide = InitialFrameGeometry(1280, 600);
    EXPECT_EQ(wide.width, 960);
    EXPECT_EQ(wide.height, 450);
    EXPECT_EQ(wide.x, 160);
    EXPECT_EQ(wide.y, 75);
}
